// The teach program's grammar: its headers and the text of each appended line.
#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>


namespace kestrom {

extern const char* const kStartHeader;  // "(Kestrom File) " CR LF "G21 G90 G49 G64" CR LF
extern const char* const kResetHeader;  // the same without the blank after the parenthesis
extern const char* const kLineEnd;      // CR LF
inline constexpr size_t kHeaderLines = 2;  // the header's lines, which edits and copies leave as they are
// kHeaderLines when the program starts with Kestrom's header (either form),
// else 0: a program opened from elsewhere has none.
size_t HeaderLinesOf(std::string_view program);

// The text appended for one taught line: CR LF, "G01 ", the axis words, and " F"
// with the feed text when one is given.
std::string TaughtLine(const std::string& axisWords, const std::optional<std::string>& feed);
// The text appended for an M-code line: CR LF and the code.
std::string MCodeLine(const std::string& code);

}  // namespace kestrom
