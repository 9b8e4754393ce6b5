// Holes at taught points: drilling cycles Mach3 runs itself, one line a hole.
// A run of holes with the same settings writes the whole cycle once and then
// only each hole's X and Y; whatever is appended after a run first ends it
// with G80.
#pragma once
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gcode/interpreter.h"
#include "gcode/numbers.h"
#include "teach/program_path.h"

namespace kestrom {

// "Delme Ayarları (Drilling settings)" as typed, kept for the session.
struct DrillSettings {
  std::string bottomZ = "-5", rPlane = "2", feed = "100";
  std::string peck = "0", dwell = "0";  // 0: none
  bool returnToR = false;               // G99; G98 goes back to the start height
  std::string units;                    // "mm" or "inch", as typed; empty: the defaults, never typed
};
// The defaults in a program's units: -5 mm, 2 mm, 100 mm/min, or -0.2, 0.08, 4 inch.
DrillSettings DefaultDrilling(bool inches);
// The settings for holes in a program of `inches` (or millimetres): the
// defaults of its units when none were typed; typed in the other unit, the
// lengths and the feed converted, and `note` saying so.
DrillSettings DrillingInUnits(const DrillSettings& typed, bool inches, std::string& note);

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
// still in force there; every other hole is "X… Y…" alone. Every hole is
// written in G90, even where the program stands in G91 ("G90 G98 G81 …"), so
// that no controller reads its depth another way. X and Y in `style`.
struct HoleRun {
  std::vector<std::string> lines;
  // The line that ends the run the lines start: "G80", or "G80 G91" where G91
  // must come back after it; nothing when they go on with a run in force.
  std::optional<std::string> end;
};
HoleRun HoleLines(const std::vector<HolePlace>& holes, const Drilling& drilling, const gcode::NumberStyle& style,
                  const ProgramEnd& end);

// `count` holes evenly on a circle of `radius` around (cx, cy), the first at
// `startDegrees` from +X, counter-clockwise.
std::vector<HolePlace> BoltCircle(double cx, double cy, int count, double radius, double startDegrees);

// The line that ends the drilling run still in force where the program ends
// ("G80", or "G80 G91" for a run Kestrom wrote in G90 inside a G91 block);
// empty when none is. Cheap for a program whose last line sets another
// motion (every line the recorder writes).
std::string HoleRunEnd(std::string_view program);

// A line that drills: its moves are a cycle's.
bool IsHoleLine(const gcode::Block& block);
// A line that names a drilling cycle's G code (the run's first hole).
bool NamesCycle(const gcode::Block& block);
// `text` with the numbers of the letters in `numbers` replaced (by their
// texts), and those it lacks added after its last word.
std::string WithWords(std::string_view text, const std::vector<gcode::Word>& words,
                      const std::map<char, std::string>& numbers);

}  // namespace kestrom
