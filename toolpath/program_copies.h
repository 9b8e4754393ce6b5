// Teach once, cut many: a program moved, repeated in a grid, or made to run
// from wherever the machine stands, computed on what the interpreter reads:
// every move lands where it must in the modes in force at its place, only the
// numbers that must change change (written as the program writes them), and
// a program the interpreter cannot read is refused with its line named.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "gcode/interpreter.h"

namespace kestrom {

inline constexpr size_t kMostCopiedLines = 1000000;

struct CopiedProgram {
  std::optional<std::string> text;  // the new program, when it was made
  std::string message;              // what was done, or why nothing was
};

// Every place the program goes shifted by the offset, in the program's units;
// places fixed on the machine (G53, G28, G30) stay, and what follows them is
// written from where the machine really is.
CopiedProgram MoveProgram(const std::string& program, double dx, double dy, double dz);
// The offset (program units) that brings the program's first move's end to
// `here` (the readouts, program units); nothing, with the reason, when there is none.
struct OffsetResult {
  std::optional<gcode::Point> offset;
  std::string refusal;
};
OffsetResult OffsetToHere(const std::string& program, const gcode::Point& here);

struct GridLayout {
  int rows = 1, columns = 1;
  double dx = 0, dy = 0;  // between neighbouring copies, in the program's units
  bool serpentine = false;  // every other row right to left
  double safeZ = 5;         // program units; at least the highest Z the program reaches
};
// The program's moves `rows` × `columns` times; between two copies a G00 up to
// the safe Z and a G00 across to the next copy's first point, which the copy's
// own first move then goes down to, written in the modes in force there. What
// starts and ends a program (%, an O number, Kestrom's header; M2 or M30 and
// what follows) stands once, at the grid's start and end.
CopiedProgram RepeatInGrid(const std::string& program, const GridLayout& grid);
// What the copy dialogs start from, read once: "mm" or "inch" (the units of
// the program's first move) and the highest Z its moves reach, in those units
// (safe Z; nothing when it has no move).
struct CopyStart {
  const char* units = "mm";
  std::optional<double> highestZ;
};
CopyStart CopyStartOf(const std::string& program);

// The moves written as increments from the line before (G91, with G91.1 for the
// arcs), to run from wherever the machine stands; G90 again at the end. A
// program that uses machine coordinates or changes its origin is refused.
CopiedProgram MakeRelative(const std::string& program);

// "6 kopya, 2 satır × 3 sütun; 1,206 satır (6 copies, 2 rows × 3 columns; 1,206 lines)".
std::string GridMessage(const GridLayout& grid, uint64_t lines);
std::string Thousands(uint64_t n);  // 1206 -> "1,206"

}  // namespace kestrom
