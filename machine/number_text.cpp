#include "machine/number_text.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace kestrom {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

template <class Int>
std::optional<Int> RoundToInt(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  const double rounded = std::nearbyint(value);  // default rounding mode: half to even
  if (rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
      rounded > static_cast<double>(std::numeric_limits<Int>::max()))
    return std::nullopt;
  return static_cast<Int>(rounded);
}

}  // namespace

std::optional<double> ParseNumber(const std::string& text) {
  size_t i = 0, end = text.size();
  while (i < end && IsBlank(text[i])) ++i;
  while (end > i && IsBlank(text[end - 1])) --end;

  std::string canonical;  // rebuilt in the C locale's notation for strtod
  if (i < end && (text[i] == '+' || text[i] == '-')) canonical += text[i++];
  size_t digits = 0;
  while (i < end && IsDigit(text[i])) { canonical += text[i++]; ++digits; }
  if (i < end && (text[i] == '.' || text[i] == ',')) {
    canonical += '.';
    ++i;
    while (i < end && IsDigit(text[i])) { canonical += text[i++]; ++digits; }
  }
  if (digits == 0) return std::nullopt;
  if (i < end && (text[i] == 'e' || text[i] == 'E')) {
    canonical += 'e';
    ++i;
    if (i < end && (text[i] == '+' || text[i] == '-')) canonical += text[i++];
    size_t expDigits = 0;
    while (i < end && IsDigit(text[i])) { canonical += text[i++]; ++expDigits; }
    if (expDigits == 0) return std::nullopt;
  }
  if (i != end) return std::nullopt;

  const double value = std::strtod(canonical.c_str(), nullptr);
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<int16_t> ToInt16(double value) { return RoundToInt<int16_t>(value); }
std::optional<int32_t> ToInt32(double value) { return RoundToInt<int32_t>(value); }

std::string FormatReal(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
  if (value == 0.0) return "0";
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15G", value);
  return buf;
}

}  // namespace kestrom
