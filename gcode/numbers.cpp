#include "gcode/numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace kestrom::gcode {

bool ReadNumber(std::string_view text, double& out) {
  // from_chars takes neither a leading "+" nor a decimal comma: a small copy mends both.
  char buffer[64];
  if (text.empty() || text.size() >= sizeof buffer) return false;
  size_t n = 0, i = 0;
  if (text[0] == '+') i = 1;
  for (; i < text.size(); ++i) buffer[n++] = text[i] == ',' ? '.' : text[i];
  if (n == 0) return false;
  const auto [end, error] = std::from_chars(buffer, buffer + n, out, std::chars_format::fixed);
  return error == std::errc() && end == buffer + n && std::isfinite(out);
}

NumberStyle StyleOf(std::string_view number) {
  NumberStyle style;
  style.plus = !number.empty() && number[0] == '+';
  const size_t at = number.find_first_of(".,");
  if (at == std::string_view::npos) {
    style.decimals = 0;
    return style;
  }
  style.separator = number[at];
  size_t digits = 0;
  while (at + 1 + digits < number.size() && number[at + 1 + digits] >= '0' && number[at + 1 + digits] <= '9') ++digits;
  style.decimals = static_cast<int>(digits);
  return style;
}

std::string Write(double value, const NumberStyle& style) {
  if (std::round(std::fabs(value) * std::pow(10.0, style.decimals)) == 0) value = 0;  // no "-0.0000"
  char text[64];
  std::snprintf(text, sizeof text, style.plus ? "%+.*f" : "%.*f", style.decimals, value);
  std::string s = text;
  std::replace(s.begin(), s.end(), '.', style.separator);
  return s;
}

std::string WriteExact(double value, NumberStyle style) {
  constexpr int kMostPlaces = 6;
  constexpr double kPowers[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6};
  if (style.decimals < 0 || style.decimals > kMostPlaces || !(std::fabs(value) < 1e9)) return Write(value, style);
  while (style.decimals < kMostPlaces) {
    const double scale = kPowers[style.decimals];
    if (std::fabs(std::round(value * scale) / scale - value) < 1e-9) break;
    ++style.decimals;
  }
  // The digits of a whole number of units of the last place: the same text
  // as Write gives, without formatting a double (a grid writes millions).
  // A value six places cannot hold (a turned or offset place) is rounded to them the same way.
  const double scaled = std::round(value * kPowers[style.decimals]);
  if (style.decimals < kMostPlaces && std::fabs(scaled / kPowers[style.decimals] - value) >= 1e-9)
    return Write(value, style);
  long long units = static_cast<long long>(scaled);
  const bool negative = units < 0;
  if (negative) units = -units;
  std::string digits = std::to_string(units);
  if (static_cast<int>(digits.size()) <= style.decimals) digits.insert(0, style.decimals + 1 - digits.size(), '0');
  std::string out = negative ? "-" : style.plus ? "+" : "";
  out.append(digits, 0, digits.size() - style.decimals);
  if (style.decimals > 0) {
    out += style.separator;
    out.append(digits, digits.size() - style.decimals, std::string::npos);
  }
  return out;
}

}  // namespace kestrom::gcode
