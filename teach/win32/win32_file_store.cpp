#include "teach/win32/win32_file_store.h"

#include <windows.h>

#include <algorithm>

#include "machine/win32/raii.h"
#include "machine/win32/text_win32.h"
#include "teach/safe_write.h"
#include "teach/win32/win32_safe_write.h"

namespace kestrom::win32 {
namespace {
std::string LastError() { return SystemMessageWithCode(GetLastError()); }
}  // namespace

std::optional<std::string> Win32FileStore::WriteWhole(const std::string& path, const std::string& content) {
  const auto bytes = ToCodePage(content, codePage_);
  if (!bytes)
    return std::string(
        "Programda bu bilgisayarın kod sayfasıyla yazılamayan karakterler var (the program holds characters "
        "this PC's code page cannot write).");
  Win32SafeWriteSystem system;
  return SafeWrite(system, path, *bytes);
}

ReadOutcome Win32FileStore::ReadWhole(const std::string& path, size_t maxBytes) {
  UniqueHandle file(CreateFileW(LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return {false, "", LastError()};
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) return {false, "", LastError()};
  if (static_cast<unsigned long long>(size.QuadPart) > maxBytes)
    return {false, "", "Dosya " + std::to_string(maxBytes / (1024 * 1024)) + " MB'tan büyük (the file is larger than " +
                           std::to_string(maxBytes / (1024 * 1024)) + " MB)."};
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  size_t got = 0;
  while (got < bytes.size()) {
    DWORD done = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - got, 1u << 24));
    if (!ReadFile(file.get(), &bytes[got], chunk, &done, nullptr)) return {false, "", LastError()};
    if (done == 0) break;
    got += done;
  }
  bytes.resize(got);
  const auto text = FromCodePage(bytes, codePage_);
  if (!text)
    return {false, "",
            "Dosya bu bilgisayarın kod sayfasında bir metin değil (the file is no text in this PC's code page)."};
  return {true, *text, ""};
}

bool Win32FileStore::Exists(const std::string& path) {
  return GetFileAttributesW(LongPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace kestrom::win32
