#include "teach/teach_program.h"

namespace kestrom {

const char* const kStartHeader = "(Kestrom File) \r\nG21 G90 G49 G64\r\n";
const char* const kResetHeader = "(Kestrom File)\r\nG21 G90 G49 G64\r\n";
const char* const kLineEnd = "\r\n";

std::string TaughtLine(const std::string& axisWords, const std::optional<std::string>& feed) {
  std::string line = kLineEnd;
  line += "G01 ";
  line += axisWords;
  if (feed) line += " F" + *feed;
  return line;
}

std::string MCodeLine(const std::string& code) { return kLineEnd + code; }

}  // namespace kestrom
