#include "machine/win32/text_win32.h"

#include <windows.h>

#include "machine/code_page.h"

namespace kestrom::win32 {

std::wstring Widen(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &w[0], n);
  return w;
}

std::string Narrow(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &s[0], n, nullptr, nullptr);
  return s;
}

std::string ToAnsi(const std::string& utf8) {
  const std::wstring w = Widen(utf8);
  if (w.empty()) return {};
  const int n = WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
  return s;
}

namespace {
std::optional<std::wstring> WideFrom(const std::string& bytes, UINT codePage, DWORD flags) {
  if (bytes.empty()) return std::wstring();
  const int length = static_cast<int>(bytes.size());
  const int n = MultiByteToWideChar(codePage, flags, bytes.data(), length, nullptr, 0);
  if (n <= 0) return std::nullopt;
  std::wstring w(static_cast<size_t>(n), L'\0');
  if (MultiByteToWideChar(codePage, flags, bytes.data(), length, &w[0], n) != n) return std::nullopt;
  return w;
}
}  // namespace

std::optional<std::string> ToCodePage(const std::string& utf8, unsigned codePage) {
  const UINT cp = codePage ? codePage : GetACP();
  const AnsiConversionRule rule = ConversionRuleFor(cp);
  const std::wstring w = Widen(utf8);
  if (w.empty()) return std::string();
  const int length = static_cast<int>(w.size());
  BOOL usedDefault = FALSE;
  BOOL* used = rule.askUsedDefault ? &usedDefault : nullptr;
  const int n = WideCharToMultiByte(cp, rule.toFlags, w.data(), length, nullptr, 0, nullptr, used);
  if (n <= 0) return std::nullopt;
  std::string s(static_cast<size_t>(n), '\0');
  if (WideCharToMultiByte(cp, rule.toFlags, w.data(), length, &s[0], n, nullptr, used) != n) return std::nullopt;
  if (usedDefault) return std::nullopt;
  // Where Windows cannot say whether it used a default character, reading the
  // bytes back tells.
  if (!rule.askUsedDefault) {
    const auto back = WideFrom(s, cp, 0);
    if (!back || *back != w) return std::nullopt;
  }
  return s;
}

std::optional<std::string> FromCodePage(const std::string& bytes, unsigned codePage) {
  const UINT cp = codePage ? codePage : GetACP();
  const auto w = WideFrom(bytes, cp, ConversionRuleFor(cp).fromFlags);
  if (!w) return std::nullopt;
  return Narrow(*w);
}

std::string SystemMessageWithCode(unsigned long code) {
  return SystemMessage(code) + " (" + std::to_string(code) + ")";
}

std::string SystemMessage(unsigned long code) {
  wchar_t* buffer = nullptr;
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                     FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = n ? std::wstring(buffer, n) : std::wstring();
  LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
  if (text.empty()) return "Error " + std::to_string(static_cast<long>(code));
  return Narrow(text);
}

}  // namespace kestrom::win32
