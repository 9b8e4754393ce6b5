// Teach once, cut many: a taught program moved, repeated in a grid, or made
// to run from wherever the machine stands. Only the numbers of the moves
// change, written as the program writes them (its decimals, its sign, its
// decimal sign); the header, M codes and every line that cannot be read stay
// as they are.
#pragma once
#include <cstddef>
#include <optional>
#include <string>

#include "teach/gcode_reader.h"

namespace kestrom {

inline constexpr size_t kMostCopiedLines = 1000000;

struct CopiedProgram {
  std::optional<std::string> text;  // the new program, when it was made
  std::string message;              // what was done, or why nothing was
};

// Every move's end (and an absolute arc centre) shifted by the offset, in the program's units.
CopiedProgram MoveProgram(const std::string& program, double dx, double dy, double dz);
// The offset that brings the program's first move's end to `here` (millimetres).
std::optional<gcode::Point> OffsetToHere(const std::string& program, const gcode::Point& here);

struct GridLayout {
  int rows = 1, columns = 1;
  double dx = 0, dy = 0;  // between neighbouring copies, in the program's units
  bool serpentine = false;  // every other row right to left
  double safeZ = 5;
};
// The program's moves `rows` × `columns` times; between two copies a G00 up to
// the safe Z and a G00 across to the next copy's first point, which the copy's
// own first move then goes down to.
CopiedProgram RepeatInGrid(const std::string& program, const GridLayout& grid);

// The moves written as increments from the line before (G91, with G91.1 for the
// arcs), to run from wherever the machine stands; G90 again at the end.
CopiedProgram MakeRelative(const std::string& program);

// "6 kopya, 2 satır × 3 sütun; 1,206 satır (6 copies, 2 rows × 3 columns; 1,206 lines)".
std::string GridMessage(const GridLayout& grid, size_t lines);
std::string Thousands(size_t n);  // 1206 -> "1,206"

}  // namespace kestrom
