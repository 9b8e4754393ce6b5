#include "teach/win32/win32_recovery_file.h"

#include <windows.h>
#include <shlobj.h>

#include "machine/win32/text_win32.h"
#include "teach/safe_write.h"
#include "teach/win32/win32_safe_write.h"

namespace kestrom::win32 {
namespace {

std::string SlotPath(const std::string& folder, int slot, const char* extension) {
  return folder + "recovery-" + std::to_string(slot) + extension;
}

std::string ReadAll(HANDLE file) {
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got) bytes.append(buffer, got);
  return bytes;
}

std::string LocalTimeOf(const FILETIME& written) {
  FILETIME local;
  SYSTEMTIME t;
  if (!FileTimeToLocalFileTime(&written, &local) || !FileTimeToSystemTime(&local, &t)) return "?";
  char text[32];
  wsprintfA(text, "%04u-%02u-%02u %02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute);
  return text;
}

struct SlotContent {
  std::string bytes;
  std::string lastWritten;
};

SlotContent ReadSlot(const std::string& path) {
  SlotContent content;
  UniqueHandle file(CreateFileW(LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return content;
  content.bytes = ReadAll(file.get());
  FILETIME written{};
  if (GetFileTime(file.get(), nullptr, nullptr, &written)) content.lastWritten = LocalTimeOf(written);
  return content;
}

}  // namespace

std::string KestromAppDataFolder() {
  wchar_t appData[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, appData)))
    return {};
  const std::string folder = Narrow(appData) + "\\Kestrom";
  CreateDirectoryW(LongPath(folder).c_str(), nullptr);
  const DWORD attributes = GetFileAttributesW(LongPath(folder).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
  return folder + "\\";
}

ClaimedJournal Win32RecoveryFile::Claim(const std::function<bool(const std::string& bytes)>& wanted) {
  ClaimedJournal claimed;
  const std::string folder = KestromAppDataFolder();
  if (folder.empty()) {
    claimed.reason = "no application-data folder";
    return claimed;
  }
  int chosen = 0;
  UniqueHandle chosenLock;
  SlotContent chosenContent;
  for (int slot = 1; slot <= kRecoverySlots; ++slot) {
    UniqueHandle lock(CreateFileW(LongPath(SlotPath(folder, slot, ".lock")).c_str(), GENERIC_WRITE, 0, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!lock.valid()) continue;  // another Kestrom runs with this one, or it cannot be made
    SlotContent content = ReadSlot(SlotPath(folder, slot, ".ksr"));
    const bool preferred = wanted(content.bytes);
    if (chosen == 0 || preferred) {
      chosen = slot;
      chosenLock = std::move(lock);
      chosenContent = std::move(content);
    }
    if (preferred) break;
  }
  if (chosen == 0) {
    claimed.reason = SystemMessage(GetLastError());
    return claimed;
  }
  lock_ = std::move(chosenLock);
  path_ = SlotPath(folder, chosen, ".ksr");
  claimed.ok = true;
  claimed.bytes = std::move(chosenContent.bytes);
  claimed.lastWritten = chosenContent.lastWritten;
  claimed.path = path_;
  return claimed;
}

bool Win32RecoveryFile::OpenForAppend() {
  journal_ = UniqueHandle(CreateFileW(LongPath(path_).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!journal_.valid()) return false;
  LARGE_INTEGER zero{};
  return SetFilePointerEx(journal_.get(), zero, nullptr, FILE_END) != 0;
}

bool Win32RecoveryFile::Append(const std::string& bytes) {
  if (!journal_.valid() && (path_.empty() || !OpenForAppend())) return false;
  DWORD done = 0;
  return WriteFile(journal_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) &&
         done == bytes.size();
}

bool Win32RecoveryFile::Flush() { return journal_.valid() && FlushFileBuffers(journal_.get()); }

bool Win32RecoveryFile::Rewrite(const std::string& bytes) {
  if (path_.empty()) return false;
  journal_ = UniqueHandle();  // the replace needs the journal closed
  Win32SafeWriteSystem system;
  const bool written = !SafeWrite(system, path_, bytes);
  return OpenForAppend() && written;
}

uint32_t Win32Clock::NowMs() { return GetTickCount(); }

}  // namespace kestrom::win32
