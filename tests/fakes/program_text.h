// A teach program's text for a test: the start header and the given lines,
// each appended as the program box appends it.
#pragma once
#include <initializer_list>
#include <string>

#include "teach/teach_program.h"

namespace kestrom::testing {

inline std::string ProgramOf(std::initializer_list<const char*> lines) {
  std::string text = kStartHeader;
  for (const char* line : lines) text += std::string("\r\n") + line;
  return text;
}

}  // namespace kestrom::testing
