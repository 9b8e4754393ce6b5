#include "window/program_box.h"

namespace kestrom {

void TeachProgram::ResetProgram() { controls_.SetText(box_, kResetHeader); }

void TeachProgram::AppendTaughtLine(const std::string& axisWords,
                                    const std::optional<std::string>& feed) {
  controls_.AppendText(box_, TaughtLine(axisWords, feed));
}

void TeachProgram::AppendMCode(const std::string& code) { controls_.AppendText(box_, MCodeLine(code)); }

}  // namespace kestrom
