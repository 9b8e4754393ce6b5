#include "teach/win32/win32_file_store.h"

#include <windows.h>

#include "machine/win32/raii.h"
#include "machine/win32/text_win32.h"

namespace kestrom::win32 {
namespace {

std::string LastError() {
  const DWORD code = GetLastError();
  return SystemMessage(code) + " (" + std::to_string(code) + ")";
}

// Removes the temporary file unless it has been moved into place.
class TempFile {
 public:
  explicit TempFile(std::wstring path) : path_(std::move(path)) {}
  ~TempFile() { if (!kept_) DeleteFileW(path_.c_str()); }
  const std::wstring& path() const { return path_; }
  void Keep() { kept_ = true; }

 private:
  std::wstring path_;
  bool kept_ = false;
};

}  // namespace

std::optional<std::string> Win32FileStore::WriteWhole(const std::string& path, const std::string& content) {
  bool lossless = true;
  const std::string bytes = ToAnsi(content, &lossless);
  if (!lossless)
    return std::string("Programda bu bilgisayarın kod sayfasıyla yazılamayan karakterler var.");

  const std::wstring target = Widen(path);
  const size_t slash = target.find_last_of(L"\\/");
  const std::wstring folder = slash == std::wstring::npos ? L"." : target.substr(0, slash + 1);
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return std::string("Bu adda bir klasör var.");
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
    return std::string("Dosya salt okunur: ") + SystemMessage(ERROR_ACCESS_DENIED);

  wchar_t tempName[MAX_PATH + 16];
  if (!GetTempFileNameW(folder.c_str(), L"kst", 0, tempName)) return LastError();
  TempFile temp(tempName);
  {
    UniqueHandle file(CreateFileW(temp.path().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return LastError();
    size_t written = 0;
    while (written < bytes.size()) {
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - written, 1u << 24));
      DWORD done = 0;
      if (!WriteFile(file.get(), bytes.data() + written, chunk, &done, nullptr) || done == 0) return LastError();
      written += done;
    }
    if (!FlushFileBuffers(file.get())) return LastError();
  }
  if (!MoveFileExW(temp.path().c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return LastError();
  temp.Keep();
  return std::nullopt;
}

ReadOutcome Win32FileStore::ReadWhole(const std::string& path, size_t maxBytes) {
  UniqueHandle file(CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
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
  return {true, FromAnsi(bytes), ""};
}

}  // namespace kestrom::win32
