// The automation layer's standard conversions of an answer to text and to double.
#pragma once
#include <string>

#include "machine/automation.h"

namespace kestrom {

Outcome<std::string> ValueToText(const Value& v);
Outcome<double> ValueToDouble(const Value& v);
// A truth value: no value (and anything that is not a number or truth) reads false.
bool ValueIsTrue(const Value& v);

}  // namespace kestrom
