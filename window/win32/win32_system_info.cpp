#include "window/win32/win32_system_info.h"

#include <windows.h>

#include "app/version.h"
#include "machine/win32/text_win32.h"
#include "machine/win32/win32_system.h"
#include "teach/win32/win32_recovery_file.h"

namespace kestrom::win32 {
namespace {

std::string WindowsDescription() {
  OSVERSIONINFOEXW info{};
  info.dwOSVersionInfoSize = sizeof info;
  std::string text = "?";
  if (GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) {
    text = std::to_string(info.dwMajorVersion) + "." + std::to_string(info.dwMinorVersion) + " build " +
           std::to_string(info.dwBuildNumber);
    const std::string pack = Narrow(info.szCSDVersion);
    if (!pack.empty()) text += " " + pack;
  }
  // IsWow64Process is XP SP2's; looked up so that an older kernel32 still loads us.
  using IsWow64 = BOOL(WINAPI*)(HANDLE, PBOOL);
  const auto isWow64 =
      reinterpret_cast<IsWow64>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "IsWow64Process")));
  BOOL wow64 = FALSE;
  if (isWow64) isWow64(GetCurrentProcess(), &wow64);
  const bool windows64 = sizeof(void*) == 8 || wow64;
  return text + (windows64 ? ", 64-bit" : ", 32-bit") + " (Kestrom " + (sizeof(void*) == 8 ? "64" : "32") + "-bit)";
}

}  // namespace

std::string FileVersionOf(const std::wstring& path) {
  // Read as data: version.dll is not needed, and nothing of the file runs.
  HMODULE file = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!file) return {};
  std::string version;
  HRSRC found = FindResourceW(file, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16));  // RT_VERSION
  HGLOBAL loaded = found ? LoadResource(file, found) : nullptr;
  const auto* bytes = static_cast<const unsigned char*>(loaded ? LockResource(loaded) : nullptr);
  const DWORD size = found ? SizeofResource(file, found) : 0;
  for (DWORD at = 0; bytes && at + 52 <= size; at += 4) {
    DWORD signature;
    memcpy(&signature, bytes + at, 4);
    if (signature != 0xFEEF04BD) continue;  // VS_FIXEDFILEINFO
    DWORD ms, ls;
    memcpy(&ms, bytes + at + 8, 4);
    memcpy(&ls, bytes + at + 12, 4);
    version = std::to_string(HIWORD(ms)) + "." + std::to_string(LOWORD(ms)) + "." + std::to_string(HIWORD(ls)) + "." +
              std::to_string(LOWORD(ls));
    break;
  }
  FreeLibrary(file);
  return version;
}

CheckEnvironment Win32SystemInfo::Describe() {
  CheckEnvironment environment;
  environment.kestromVersion = KESTROM_VERSION_TEXT;
  environment.windows = WindowsDescription();
  const std::wstring mach3 = RunningMach3Program();
  environment.mach3Program = Narrow(mach3);
  if (!mach3.empty()) environment.mach3Version = FileVersionOf(mach3);
  return environment;
}

std::string Win32SystemInfo::CheckReportPath() {
  const std::string folder = KestromAppDataFolder();
  return folder.empty() ? std::string() : folder + "mach3-check.txt";
}

}  // namespace kestrom::win32
