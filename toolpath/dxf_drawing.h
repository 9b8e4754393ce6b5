// The program's path as a drawing for CAD: an ASCII DXF (the R12 form every
// CAD program opens), in the program's units, which its header names. Feed
// moves are LINE and ARC entities on layer "KESIM", rapids LINEs on "HIZLI",
// holes POINTs on "DELIK" at their bottom.
#pragma once
#include <string>
#include <string_view>

namespace kestrom {

struct Drawing {
  std::string dxf;      // empty when the program cannot be drawn
  std::string refusal;  // why, with the line named
  size_t lines = 0, arcs = 0, rapids = 0, holes = 0;
};
Drawing DrawingOf(std::string_view program);

inline constexpr const char* kCutLayer = "KESIM";
inline constexpr const char* kRapidLayer = "HIZLI";
inline constexpr const char* kHoleLayer = "DELIK";

}  // namespace kestrom
