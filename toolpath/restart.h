// Restarting a program at one of its lines after a stop (a broken tool, an
// E-stop, a power cut): the program a careful machinist writes by hand. The
// state the program is in at that line (units, plane, modes, work and length
// offsets, tool, spindle, coolant, the drilling cycle in force, where the
// machine stands) is brought back first, the tool comes from safe Z down to
// where the line starts, and the rest of the program follows byte for byte.
// Proven before it is written: read back, every move from the line on is the
// original's, in machine coordinates, and none before it goes below safe Z
// but the last one down.
#pragma once
#include <cstddef>
#include <optional>
#include <string>

#include "gcode/interpreter.h"

namespace kestrom {

// The program's state at the start of line `line` (from 0), as Mach3 runs it.
struct LineState {
  std::string refusal;  // why no restart can begin there, the line named; empty when one can
  bool ok() const { return refusal.empty(); }
  size_t line = 0, lines = 0;  // the line, and how many the program has
  int number = 0;              // the line's number, from 1
  std::string text;            // the line as written
  gcode::Modal modal;          // the modes in force at its start
  gcode::Point at{};           // where the machine stands then, work coordinates, millimetres
  std::optional<double> highestZ;  // the highest Z the program reaches before it, millimetres
  bool toolChanged = false;        // the program changed tools (T… M6) before it
  bool speedSet = false;           // an S word came before it; else the spindle runs at Mach3's speed
  std::optional<double> lengthH;   // the H of the G43 in force
};
LineState StateAtLine(const std::string& program, size_t line);

// The state in words, for the operator to check against the machine.
std::string Describe(const LineState& state);

struct RestartRequest {
  size_t line = 0;
  double safeZ = 0;        // the program's units
  double plungeFeed = 0;   // the program's units per minute
  double spindleWait = 3;  // seconds
  bool toolChange = false;  // T… M6 first, so that Mach3 stops for the tool
  // Where the machine stands (work coordinates, the program's units), on the
  // line's path: the restart begins at that point of the line, not its start.
  std::optional<gcode::Point> from;
  std::string original;  // the program's file name, for the restart's first line
};
struct Restart {
  std::optional<std::string> text;
  std::string message;  // why there is none, the line named
};
Restart RestartProgram(const std::string& program, const RestartRequest& request);

// Whether `readout` (work coordinates, the program's units) stands on the
// path of line `line` (one straight move or arc) within 0.05 mm (0.002 inch).
bool OnLinePath(const std::string& program, size_t line, const gcode::Point& readout);

}  // namespace kestrom
