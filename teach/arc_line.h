// The lines of the teach-in beyond the recorder's G01: a rapid to where the
// machine stands, and an arc from the program's last point through a taught
// point on it to a taught end, in the XY plane.
#pragma once
#include <array>
#include <optional>
#include <string>

#include "gcode/arc_geometry.h"
#include "gcode/numbers.h"

namespace kestrom {

using Readouts = std::array<std::string, gcode::kAxes>;  // the six DRO texts as Mach3 wrote them
using TickedAxes = std::array<bool, gcode::kAxes>;

// "G00 " and the axis words, as the recorder writes them (no feed word).
std::string RapidLineBody(const std::string& axisWords);

// Between two of the three points, less than this is one point (millimetres).
inline constexpr double kArcPointsApart = 0.001;
inline constexpr double kArcLargestRadius = 10000.0;  // ten metres
// What the written arc keeps to, read back from its rounded numbers.
inline constexpr double kArcRadiiAgree = 0.001;
inline constexpr double kArcPassesVia = 0.002;

struct ArcLine {
  std::optional<std::string> body;  // the line without its CR LF, when it can be written
  std::string refusal;              // why not, for the operator
};

// The modes in force where the arc goes.
struct ArcModes {
  bool incremental = false;  // G91: the end written as increments from the start
  bool otherPlane = false;   // G18 or G19 in force: the line says G17
};

// The arc from `start` (where the program's last move ends, in the program's
// units, as the readouts are) through `via` to `end`: "G02" (clockwise) or "G03", then "G91.1" (I and J
// from the arc's start, said on the line itself so that it stays true however
// lines move), the end's ticked axis words as the readouts give them, I and J
// in the readouts' decimals (more where those cannot keep the two radii
// within kArcRadiiAgree), and the feed word when given.
ArcLine ArcThroughPoints(const gcode::Point& start, const Readouts& via, const Readouts& end,
                         const TickedAxes& ticked, const std::optional<std::string>& feed,
                         const ArcModes& modes = {});

}  // namespace kestrom
