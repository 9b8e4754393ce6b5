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

}  // namespace kestrom::win32
