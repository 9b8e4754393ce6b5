// What the commands that rewrite a whole program measure of it first, and the
// refusal they share when the result would be too long.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "teach/interpreted_program.h"

namespace kestrom {

// Millimetres in one unit of the program: its first move's units.
double UnitOf(const InterpretedProgram& p);
// The highest Z any move reaches, millimetres; nothing when none moves.
std::optional<double> HighestZOf(const InterpretedProgram& p);
// Whether the tool stands at a height fixed on the machine after the move,
// given whether it did before: a move to a G53, G28 or G30 place in Z puts it
// there, a move that changes Z otherwise takes it away, any other keeps it.
bool ZOnMachineAfter(const gcode::Move& m, bool before);
// At the start of line `before`, the tool stands at a height fixed on the machine.
bool ZOnMachineBefore(const InterpretedProgram& p, size_t before);
// Safe Z (program units) below the highest Z the program reaches, named.
std::string SafeZBelow(double safeZ, double highestZ);
// "The result would be longer than 1,000,000 lines; nothing changed."
std::string LinesTooMany();
uint64_t LineCount(const std::string& text);

}  // namespace kestrom
