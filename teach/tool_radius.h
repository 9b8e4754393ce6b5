// Cutting with a tool's radius: every contour of a traced program rewritten
// as the path of the cutter's centre, computed whole by Kestrom (a control's
// own cutter compensation looks one move ahead and gouges a traced path).
#pragma once
#include <string>

#include "teach/program_copies.h"

namespace kestrom {

struct ToolRadiusRequest {
  double diameter = 6;  // the program's units
  bool inside = false;  // closed contours: "İç (inside)", else "Dış (outside)"
  bool right = false;   // open contours: "Sağ (right)" of the travel, else "Sol (left)"
};

// Each contour (a run of feed moves at one Z) as the path of the tool's
// centre at its radius: lines stay lines, arcs stay arcs with their radius
// changed, convex corners are rounded by the tool's radius, concave ones end
// where the moves meet, and where the tool does not fit the loops are
// removed, so a contour may become two. The moves that bring the tool to the
// contour and take it away go with its new start and end; everything else
// stays. A contour the tool fits nowhere changes nothing, and says so.
CopiedProgram OffsetByToolRadius(const std::string& program, const ToolRadiusRequest& request);

}  // namespace kestrom
