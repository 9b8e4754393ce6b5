// Numbers typed by the operator and numbers in Mach3's answers, as text.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace kestrom {

// A plain decimal number: optional blanks around it, an optional sign, digits with
// an optional fraction after "." or "," (Turkish Windows writes ","), and an
// optional exponent. No thousands separators: "1.5" is one and a half, never 15.
std::optional<double> ParseNumber(const std::string& text);

// Rounds half to the even neighbour, then checks the range, as the runtime's
// integer conversions do (16.5 gives 16, 17.5 gives 18).
std::optional<int16_t> ToInt16(double value);
std::optional<int32_t> ToInt32(double value);

// A double as the automation runtime writes it: up to 15 significant digits,
// no trailing zeros, an exponent for very large or small values.
std::string FormatReal(double value);

}  // namespace kestrom
