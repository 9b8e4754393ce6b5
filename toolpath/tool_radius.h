// Cutting with a tool's radius: every contour of a traced program rewritten
// as the path of the cutter's centre, computed whole by Kestrom (a control's
// own cutter compensation looks one move ahead and gouges a traced path).
#pragma once
#include <optional>
#include <string>

#include "toolpath/program_copies.h"

namespace kestrom {

struct ToolRadiusRequest {
  double diameter = 6;  // the program's units
  bool inside = false;  // closed contours: "İç (inside)", else "Dış (outside)"
  bool right = false;   // open contours: "Sağ (right)" of the travel, else "Sol (left)"
  // The program's units; nothing: the highest Z the program reaches. Every
  // move between cuts goes up to it first.
  std::optional<double> safeZ;
};

// Each contour (a run of feed moves at one Z) as the path of the tool's
// centre at its radius, the true offset by region arithmetic: lines stay
// lines, arcs stay arcs with their radius changed, convex corners are rounded
// by the tool's radius, concave ones end where the moves meet; where the tool
// does not fit, a contour becomes several cuts, the tool lifted to safe Z
// between them; an open path's cut goes round the quarter of each end on its
// side. The moves that bring the tool to the contour and take it away go with
// its new start and end; everything else stays. Before anything changes the
// new program is read back and every cut proven against its contour (see
// cut_proof.h): a contour whose cut would not hold is refused, its line named.
CopiedProgram OffsetByToolRadius(const std::string& program, const ToolRadiusRequest& request);

}  // namespace kestrom
