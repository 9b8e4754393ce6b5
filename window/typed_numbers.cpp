#include "window/typed_numbers.h"

#include "gcode/numbers.h"

namespace kestrom {

std::optional<double> NumberIn(const std::string& text, const char* box, Controls& controls) {
  double value = 0;
  std::string trimmed = text;
  trimmed.erase(0, trimmed.find_first_not_of(' '));
  trimmed.erase(trimmed.find_last_not_of(' ') + 1);
  if (gcode::ReadNumber(trimmed, value)) return value;
  controls.ShowMessage(std::string(box) + " bir sayı değil: \"" + text + "\"; hiçbir şey değişmedi (" + box +
                       " is no number: \"" + text + "\"; nothing changed).");
  return std::nullopt;
}

bool NumbersIn(std::initializer_list<std::tuple<const std::string&, const char*, double*>> boxes, Controls& controls) {
  for (const auto& [text, box, value] : boxes) {
    const auto number = NumberIn(text, box, controls);
    if (!number) return false;
    *value = *number;
  }
  return true;
}

}  // namespace kestrom
