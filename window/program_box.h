// The teach program's operations on the program box, where the program lives.
#pragma once
#include <optional>
#include <string>

#include "teach/teach_program.h"
#include "window/controls.h"

namespace kestrom {

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
