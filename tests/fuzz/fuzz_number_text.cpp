// Any text through the number and answer conversions: no crash, no undefined
// behaviour, and what parses survives its own formatting.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "machine/number_text.h"
#include "machine/value_convert.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kestrom;
  const std::string text(reinterpret_cast<const char*>(data), size);
  const auto number = ParseNumber(text);
  if (number) {
    if (!std::isfinite(*number)) std::abort();
    const auto again = ParseNumber(FormatReal(*number));
    if (!again || std::fabs(*again - *number) > std::fabs(*number) * 1e-14) std::abort();
    const auto i16 = ToInt16(*number);
    if (i16 && std::fabs(*i16 - *number) > 0.5) std::abort();
    ToInt32(*number);
  }
  const auto asDouble = ValueToDouble(Value::OfText(text));
  if (asDouble.ok != number.has_value()) std::abort();
  if (ValueToText(Value::OfText(text)).value != text) std::abort();
  ValueIsTrue(Value::OfText(text));
  return 0;
}
