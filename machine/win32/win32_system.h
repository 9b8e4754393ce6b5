// The registry, the process snapshot and the environment over the Win32 API.
#pragma once
#include "machine/platform.h"

namespace kestrom::win32 {

class Win32Registry : public Registry {
 public:
  long OpenKey(RegRoot root, const std::string& path, uint32_t access, RegKey& key) override;
  RegKey CreateKey(RegRoot root, const std::string& path) override;
  long SetValue(RegKey key, const std::string& valueName, uint32_t type, const std::string& data) override;
  void CloseKey(RegKey key) override;
};

class Win32Processes : public ProcessLister {
 public:
  std::unique_ptr<ProcessSnapshot> TakeSnapshot() override;
};

// The folder (with its trailing backslash) of the program file of the first
// running process whose name holds "mach3.exe", or empty when there is none.
std::wstring RunningMach3Folder();
// The running Mach3's program file with its whole path, or empty.
std::wstring RunningMach3Program();

class Win32Environment : public Environment {
 public:
  std::string Get(const std::string& name) override;
};

}  // namespace kestrom::win32
