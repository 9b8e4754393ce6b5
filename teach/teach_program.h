// The teach program's grammar: its headers and the text of each appended line.
#pragma once
#include <cstddef>
#include <optional>
#include <string>


namespace kestrom {

extern const char* const kStartHeader;  // "(Kestrom File) " CR LF "G21 G90 G49 G64" CR LF
extern const char* const kResetHeader;  // the same without the blank after the parenthesis
extern const char* const kLineEnd;      // CR LF
inline constexpr size_t kHeaderLines = 2;  // the header's lines, which edits and copies leave as they are

// The text appended for one taught line: CR LF, "G01 ", the axis words, and " F"
// with the feed text when one is given.
std::string TaughtLine(const std::string& axisWords, const std::optional<std::string>& feed);
// The text appended for an M-code line: CR LF and the code.
std::string MCodeLine(const std::string& code);

}  // namespace kestrom
