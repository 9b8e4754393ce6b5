#include "teach/win32/win32_safe_write.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "machine/win32/raii.h"
#include "machine/win32/text_win32.h"
#include "teach/win32/win32_recovery_file.h"

namespace kestrom::win32 {
namespace {

// Only what goes away by itself is worth another try: a file another program
// holds open. Access denied is the folder's or file's rights, which stay.
SafeWriteSystem::Step Failure(DWORD code) {
  using Status = SafeWriteSystem::Status;
  Status status = Status::Failed;
  if (code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION || code == ERROR_UNABLE_TO_REMOVE_REPLACED)
    status = Status::Busy;
  else if (code == ERROR_ACCESS_DENIED)
    status = Status::Denied;
  return {status, SystemMessageWithCode(code)};
}

SafeWriteSystem::Step WriteAll(UniqueHandle file, const std::string& bytes);

SafeWriteSystem::Step LastFailure() { return Failure(GetLastError()); }

}  // namespace

std::wstring LongPath(const std::string& path) {
  std::wstring w = Widen(path);
  std::replace(w.begin(), w.end(), L'/', L'\\');
  if (w.size() < MAX_PATH - 12 || w.compare(0, 4, L"\\\\?\\") == 0) return w;
  if (w.size() > 2 && w[1] == L':' && w[2] == L'\\') return L"\\\\?\\" + w;
  if (w.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + w.substr(2);
  return w;  // a relative path stays as it is
}

SafeWriteSystem::Kind Win32SafeWriteSystem::KindOf(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(LongPath(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return Kind::Missing;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Kind::Folder;
  return (attributes & FILE_ATTRIBUTE_READONLY) ? Kind::ReadOnlyFile : Kind::File;
}

SafeWriteSystem::Step Win32SafeWriteSystem::WriteTemp(const std::string& folder, const std::string& bytes,
                                                      std::string& tempPath) {
  // A name of our own rather than GetTempFileNameW, which refuses folders
  // longer than MAX_PATH - 14.
  static LONG counter = 0;
  UniqueHandle file;
  for (int tries = 0; tries < 100 && !file.valid(); ++tries) {
    const unsigned long unique = (GetCurrentProcessId() << 16) ^ GetTickCount() ^
                                 static_cast<unsigned long>(InterlockedIncrement(&counter));
    char name[32];
    wsprintfA(name, "kst%08lx.tmp", unique);
    const std::string candidate = folder + name;
    file = UniqueHandle(CreateFileW(LongPath(candidate).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.valid()) tempPath = candidate;
    else if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return LastFailure();
  }
  if (!file.valid()) return LastFailure();
  return WriteAll(std::move(file), bytes);
}

namespace {
// Writes, cuts the file to the bytes' length, flushes and closes it.
SafeWriteSystem::Step WriteAll(UniqueHandle file, const std::string& bytes) {
  size_t written = 0;
  while (written < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - written, 1u << 24));
    DWORD done = 0;
    if (!WriteFile(file.get(), bytes.data() + written, chunk, &done, nullptr) || done == 0) return LastFailure();
    written += done;
  }
  if (!SetEndOfFile(file.get())) return LastFailure();
  if (!FlushFileBuffers(file.get())) return LastFailure();
  if (!CloseHandle(file.release())) return LastFailure();
  return {};
}
}  // namespace

SafeWriteSystem::Step Win32SafeWriteSystem::ReplaceKeeping(const std::string& temp, const std::string& target) {
  if (ReplaceFileW(LongPath(target).c_str(), LongPath(temp).c_str(), nullptr, REPLACEFILE_WRITE_THROUGH, nullptr,
                   nullptr))
    return {};
  const DWORD code = GetLastError();
  // The target vanished in between: a plain move then puts the file in place.
  if (code == ERROR_FILE_NOT_FOUND) return MoveInto(temp, target);
  return Failure(code);
}

SafeWriteSystem::Step Win32SafeWriteSystem::MoveInto(const std::string& temp, const std::string& target) {
  if (MoveFileExW(LongPath(temp).c_str(), LongPath(target).c_str(), MOVEFILE_WRITE_THROUGH)) return {};
  return LastFailure();
}

void Win32SafeWriteSystem::Remove(const std::string& path) { DeleteFileW(LongPath(path).c_str()); }

void Win32SafeWriteSystem::Pause(int ms) { Sleep(static_cast<DWORD>(ms)); }

std::string Win32SafeWriteSystem::KeepFolder() { return KestromAppDataFolder(); }

SafeWriteSystem::Step Win32SafeWriteSystem::Read(const std::string& path, std::string& bytes) {
  UniqueHandle file(CreateFileW(LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return LastFailure();
  bytes.clear();
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) {
    if (got == 0) return {};
    bytes.append(buffer, got);
  }
  return LastFailure();
}

SafeWriteSystem::Step Win32SafeWriteSystem::Overwrite(const std::string& path, const std::string& bytes) {
  // No sharing: nobody reads a half-written program meanwhile.
  UniqueHandle file(CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return LastFailure();
  return WriteAll(std::move(file), bytes);
}

}  // namespace kestrom::win32
