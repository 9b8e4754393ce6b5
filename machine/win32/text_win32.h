// Text between the core's UTF-8, Windows' UTF-16 and the machine's ANSI code page.
#pragma once
#include <optional>
#include <string>

namespace kestrom::win32 {

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& wide);
// ANSI bytes for the text (registry names): a character the code page lacks is replaced.
std::string ToAnsi(const std::string& utf8);
// The text's bytes in `codePage` (0: the machine's ANSI code page), or nothing
// when a character has no byte there or Windows refuses the conversion.
std::optional<std::string> ToCodePage(const std::string& utf8, unsigned codePage = 0);
// UTF-8 for bytes in `codePage` (0: the machine's), or nothing when they are no
// text of that code page.
std::optional<std::string> FromCodePage(const std::string& bytes, unsigned codePage = 0);
// The system's text for an error code, without the trailing line end.
std::string SystemMessage(unsigned long code);
// The same with the code after it in parentheses, as file errors are shown.
std::string SystemMessageWithCode(unsigned long code);

}  // namespace kestrom::win32
