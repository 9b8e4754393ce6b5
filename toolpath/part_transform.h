// A program turned with its part: rotated about a point, mirrored about a
// line, or aligned to a part clamped askew (its X0 Y0 on the part's corner,
// its +X along the part's edge). Worked on what the program means, as Move
// and Grid are: every line written in the modes in force at its place, only
// the words that must change changed, and every line read back and checked.
#pragma once
#include <optional>
#include <string>

#include "toolpath/program_copies.h"

namespace kestrom {

// Counter-clockwise seen from above, about (x, y); the program's units.
CopiedProgram RotateProgram(const std::string& program, double degrees, double x, double y);

// About the line X = at (`acrossX`) or Y = at; every arc turns the other way
// and G41/G42 swap.
CopiedProgram MirrorProgram(const std::string& program, bool acrossX, double at);

// The program's X0 Y0 onto (x, y), its +X axis turned to `degrees`.
CopiedProgram AlignProgram(const std::string& program, double degrees, double x, double y);

// The angle of the part's edge from its corner to a second point on it
// (degrees, -180 to 180), in the readouts' units; nothing, with the reason,
// when the points are closer than 5 mm (0.2 inch).
struct EdgeAngle {
  std::optional<double> degrees;
  std::string refusal;
};
EdgeAngle EdgeAngleOf(double cornerX, double cornerY, double alongX, double alongY, bool inches);

}  // namespace kestrom
