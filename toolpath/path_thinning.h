// Thinning a taught path: the same path in fewer lines, within a tolerance.
// Only lines are removed; every line left is byte for byte a line that was
// there, in the same order. A run is a sequence of consecutive lines in the
// recorder's own form ("G01 ", axis words in X Y Z A B C order, then " F" and
// the feed text or nothing) with the same axis letters and the same feed text;
// anything else ends a run and is kept. The first and last line of every run
// are kept, and every removed line's point lies within the tolerance of the
// straight segment between the kept lines before and after it (Euclidean over
// the run's axes, the A, B and C readouts taken as numbers like X, Y and Z).
#pragma once
#include <cstddef>
#include <string>

namespace kestrom {

struct ThinnedProgram {
  std::string text;
  size_t linesBefore = 0;  // the program's lines beyond the header, before and after
  size_t linesAfter = 0;
};

ThinnedProgram ThinPath(const std::string& program, double tolerance);

}  // namespace kestrom
