// The teach program's grammar and the operations that change it. The program
// lives only in the program box; these operations edit that box.
#pragma once
#include <optional>
#include <string>

#include "window/controls.h"

namespace kestrom {

extern const char* const kStartHeader;  // "(Kestrom File) " CR LF "G21 G90 G49 G64" CR LF
extern const char* const kResetHeader;  // the same without the blank after the parenthesis
extern const char* const kLineEnd;      // CR LF

// The text appended for one taught line: CR LF, "G01 ", the axis words, and " F"
// with the feed text when one is given.
std::string TaughtLine(const std::string& axisWords, const std::optional<std::string>& feed);
// The text appended for an M-code line: CR LF and the code.
std::string MCodeLine(const std::string& code);

class TeachProgram {
 public:
  TeachProgram(Controls& controls, ControlId programBox) : controls_(controls), box_(programBox) {}
  void ResetProgram();
  void AppendTaughtLine(const std::string& axisWords, const std::optional<std::string>& feed);
  void AppendMCode(const std::string& code);

 private:
  Controls& controls_;
  ControlId box_;
};

}  // namespace kestrom
