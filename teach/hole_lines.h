// Holes at taught points: drilling cycles Mach3 runs itself, one line a hole.
// A run of holes with the same settings writes the whole cycle once and then
// only each hole's X and Y; whatever is appended after a run first ends it
// with G80.
#pragma once
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "gcode/interpreter.h"
#include "gcode/numbers.h"
#include "teach/program_path.h"

namespace kestrom {

// "Delme Ayarları (Drilling settings)" as typed, in the program's units; kept for the session.
struct DrillSettings {
  std::string bottomZ = "-5", rPlane = "2", feed = "100";
  std::string peck = "0", dwell = "0";  // 0: none
  bool returnToR = false;               // G99; G98 goes back to the start height
};

// The settings as numbers and the cycle they make: a peck G83, a dwell G82, else G81.
struct Drilling {
  double bottomZ = 0, rPlane = 0, feed = 0, peck = 0, dwell = 0;
  bool returnToR = false;
  int cycle = 81;
  std::string refusal;  // the box that is wrong, named; empty when all are right
  bool ok() const { return refusal.empty(); }
};
Drilling ReadDrilling(const DrillSettings& typed);

struct HolePlace {
  double x = 0, y = 0;  // program units
};
// The lines that drill `holes` in order, appended where the program ends
// (its modes and place): the first hole's line is the whole cycle
// ("G98 G83 X… Y… Z… R… Q… F…") unless a run with the same settings is
// still in force there; every other hole is "X… Y…" alone. Under G91 the
// numbers are increments, as Mach3 reads them there. X and Y in `style`.
std::vector<std::string> HoleLines(const std::vector<HolePlace>& holes, const Drilling& drilling,
                                   const gcode::NumberStyle& style, const ProgramEnd& end);

// `count` holes evenly on a circle of `radius` around (cx, cy), the first at
// `startDegrees` from +X, counter-clockwise.
std::vector<HolePlace> BoltCircle(double cx, double cy, int count, double radius, double startDegrees);

// Whether a drilling cycle is still in force where the program ends: a line
// appended there must end it first. Cheap for a program whose last line sets
// another motion (every line the recorder writes).
bool EndsInHoleRun(std::string_view program);
inline constexpr const char* kEndHoleRun = "G80";

// A line that drills: its moves are a cycle's.
bool IsHoleLine(const gcode::Block& block);
// A line that names a drilling cycle's G code (the run's first hole).
bool NamesCycle(const gcode::Block& block);
// `text` with the numbers of the letters in `numbers` replaced (by their
// texts), and those it lacks added after its last word.
std::string WithWords(std::string_view text, const std::vector<gcode::Word>& words,
                      const std::map<char, std::string>& numbers);

}  // namespace kestrom
