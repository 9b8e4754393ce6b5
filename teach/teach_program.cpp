#include "teach/teach_program.h"

namespace kestrom {

const char* const kStartHeader = "(Kestrom File) \r\nG21 G90 G49 G64\r\n";
const char* const kResetHeader = "(Kestrom File)\r\nG21 G90 G49 G64\r\n";
const char* const kLineEnd = "\r\n";

size_t HeaderLinesOf(std::string_view program) {
  const std::string_view start(kStartHeader), reset(kResetHeader);
  // The header's two lines, the second one ending at its line end or the text's end.
  for (const std::string_view header : {start, reset}) {
    const std::string_view lines = header.substr(0, header.size() - 2);
    if (program.substr(0, lines.size()) == lines &&
        (program.size() == lines.size() || program[lines.size()] == '\r' || program[lines.size()] == '\n'))
      return kHeaderLines;
  }
  return 0;
}

std::string TaughtLine(const std::string& axisWords, const std::optional<std::string>& feed) {
  std::string line = kLineEnd;
  line += "G01 ";
  line += axisWords;
  if (feed) line += " F" + *feed;
  return line;
}

std::string MCodeLine(const std::string& code) { return kLineEnd + code; }

}  // namespace kestrom
