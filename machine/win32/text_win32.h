// Text between the core's UTF-8, Windows' UTF-16 and the machine's ANSI code page.
#pragma once
#include <string>

namespace kestrom::win32 {

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& wide);
// ANSI bytes for the text; `lossless` is false when a character has no byte in
// the code page (it would have been replaced).
std::string ToAnsi(const std::string& utf8, bool* lossless = nullptr);
// UTF-8 for bytes in the machine's ANSI code page.
std::string FromAnsi(const std::string& ansi);
// The system's text for an error code, without the trailing line end.
std::string SystemMessage(unsigned long code);

}  // namespace kestrom::win32
