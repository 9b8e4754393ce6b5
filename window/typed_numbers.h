// Numbers the operator typed into a dialog's boxes, read before anything
// changes: "." or "," as the decimal sign, the box named when one is wrong.
#pragma once
#include <initializer_list>
#include <optional>
#include <string>
#include <tuple>

#include "window/controls.h"

namespace kestrom {

// The number in `text`, or nothing with the message shown naming `box`.
std::optional<double> NumberIn(const std::string& text, const char* box, Controls& controls);

// Every box read, in order; the first wrong one is named and false returned.
bool NumbersIn(std::initializer_list<std::tuple<const std::string&, const char*, double*>> boxes, Controls& controls);

}  // namespace kestrom
