#include "machine/win32/win32_system.h"

#include <windows.h>
#include <tlhelp32.h>

#include <cstring>

#include "machine/mod_common.h"
#include "machine/win32/raii.h"
#include "machine/win32/text_win32.h"

namespace kestrom::win32 {
namespace {

#if !defined(_WIN64)
static_assert(sizeof(PROCESSENTRY32) == 296, "the 32-bit process record is 296 bytes");
#endif

HKEY RootKey(RegRoot root) { return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root))); }

class Win32Snapshot : public ProcessSnapshot {
 public:
  explicit Win32Snapshot(HANDLE h) : handle_(h) {}
  bool First(ProcessRecord& record) override { return Read(record, true); }
  bool Next(ProcessRecord& record) override { return Read(record, false); }

 private:
  bool Read(ProcessRecord& record, bool first) {
    PROCESSENTRY32 entry;
    std::memset(&entry, 0, sizeof entry);
    entry.dwSize = sizeof entry;
    const BOOL ok = first ? Process32First(handle_.get(), &entry) : Process32Next(handle_.get(), &entry);
    if (!ok) return false;
    record.processId = entry.th32ProcessID;
    static_assert(sizeof entry.szExeFile == 260, "the name field holds 260 characters");
    std::memcpy(record.exeFile.data(), entry.szExeFile, record.exeFile.size());
    return true;
  }
  UniqueHandle handle_;
};

}  // namespace

long Win32Registry::OpenKey(RegRoot root, const std::string& path, uint32_t access, RegKey& key) {
  HKEY h = nullptr;
  const LONG rc = RegOpenKeyExA(RootKey(root), ToAnsi(path).c_str(), 0, access, &h);
  key = rc == ERROR_SUCCESS ? reinterpret_cast<RegKey>(h) : 0;
  return rc;
}

RegKey Win32Registry::CreateKey(RegRoot root, const std::string& path) {
  SECURITY_ATTRIBUTES security;
  std::memset(&security, 0, sizeof security);
  char keyClass[] = "REG_DWORD";
  HKEY h = nullptr;
  DWORD disposition = 0;
  RegCreateKeyExA(RootKey(root), ToAnsi(path).c_str(), 0, keyClass, 0, KEY_ALL_ACCESS, &security, &h,
                  &disposition);
  return reinterpret_cast<RegKey>(h);
}

long Win32Registry::SetValue(RegKey key, const std::string& valueName, uint32_t type, const std::string& data) {
  const std::string bytes = type == REG_DWORD ? data : ToAnsi(data);
  return RegSetValueExA(reinterpret_cast<HKEY>(key), ToAnsi(valueName).c_str(), 0, type,
                        reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
}

void Win32Registry::CloseKey(RegKey key) { RegCloseKey(reinterpret_cast<HKEY>(key)); }

std::unique_ptr<ProcessSnapshot> Win32Processes::TakeSnapshot() {
  HANDLE h = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32Snapshot>(h);
}

std::string Win32Environment::Get(const std::string& name) {
  char buffer[MAX_PATH * 4];
  const DWORD n = GetEnvironmentVariableA(name.c_str(), buffer, sizeof buffer);
  return n && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

std::wstring RunningMach3Folder() {
  const std::wstring path = RunningMach3Program();
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring RunningMach3Program() {
  UniqueHandle processes(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!processes.valid()) return {};
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(processes.get(), &entry); more; more = Process32NextW(processes.get(), &entry)) {
    if (!modCommon::IsMach3ProcessName(Narrow(entry.szExeFile))) continue;
    // The module list's first entry is the program file, with its whole path.
    UniqueHandle modules(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, entry.th32ProcessID));
    MODULEENTRY32W module{};
    module.dwSize = sizeof module;
    if (!modules.valid() || !Module32FirstW(modules.get(), &module)) continue;
    return module.szExePath;
  }
  return {};
}

}  // namespace kestrom::win32
