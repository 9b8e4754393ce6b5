// The contours of a program: runs of feed moves (lines and arcs) at one Z,
// between the move that brings the tool down and the one that lifts it. The
// commands that cut a part out of the stock work on them.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "teach/interpreted_program.h"

namespace kestrom {

// A closed contour ends within this of where it starts (millimetres).
inline constexpr double kClosedWithin = 0.001;

struct Contour {
  size_t first = 0, last = 0;  // its first and last cutting lines
  double z = 0;                // millimetres
  bool closed = false;
  double length = 0;           // along its moves, in the XY plane, millimetres
};

struct FoundContours {
  std::vector<Contour> contours;
  std::string refusal;  // a contour whose Z changes while it cuts, or that cuts in inverse-time feed, named
};
FoundContours FindContours(const InterpretedProgram& p);

// A line that cuts: feed moves only (lines and arcs), at least one of them
// across, from places the program knows.
bool Cuts(const gcode::Block& b);
// A line that may stand inside a contour: it moves nothing (or to where the
// machine already is) and does nothing.
bool Quiet(const gcode::Block& b);
// A move's length in the XY plane, and the point `length` along it, every axis moving evenly.
double LengthOf(const gcode::Move& m);
gcode::Point Along(const gcode::Move& m, double length, double total);

}  // namespace kestrom
