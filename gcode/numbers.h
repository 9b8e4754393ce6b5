// Numbers as G-code and Mach3's readouts write them, read and written back in
// a program's own style.
#pragma once
#include <string>
#include <string_view>

namespace kestrom::gcode {

// "+1.2500", "1,25", "-.5", "10".
bool ReadNumber(std::string_view text, double& out);

// How a program writes its numbers, taken from one of them: places after the
// decimal sign, a "+" on positive numbers or not, "." or ",".
struct NumberStyle {
  int decimals = 4;
  bool plus = true;
  char separator = '.';
};
NumberStyle StyleOf(std::string_view number);
std::string Write(double value, const NumberStyle& style);  // never "-0.0000"
// The same, with more places (up to six) where the value needs them: 2.5 in the style of "3" is "2.5".
std::string WriteExact(double value, NumberStyle style);

}  // namespace kestrom::gcode
