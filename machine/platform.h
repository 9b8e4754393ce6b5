// The registry, the process snapshot and the environment, as modCommon sees them.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace kestrom {

using RegRoot = int32_t;  // a predefined root key as its 32-bit handle value
constexpr RegRoot kHkeyClassesRoot = static_cast<RegRoot>(0x80000000u);
constexpr uint32_t kKeyQueryValue = 0x0001;
constexpr uint32_t kKeyAllAccess = 0xF003F;
using RegKey = uintptr_t;  // an open key; 0 is none

class Registry {
 public:
  virtual ~Registry() = default;
  // RegOpenKeyExA: the return code, with the key in `key` when it is 0.
  virtual long OpenKey(RegRoot root, const std::string& path, uint32_t access, RegKey& key) = 0;
  // RegCreateKeyExA with class "REG_DWORD", KEY_ALL_ACCESS, a zeroed security record;
  // the key handle, or 0.
  virtual RegKey CreateKey(RegRoot root, const std::string& path) = 0;
  // RegSetValueExA: the return code. `data` holds exactly the bytes to store.
  virtual long SetValue(RegKey key, const std::string& valueName, uint32_t type,
                        const std::string& data) = 0;
  virtual void CloseKey(RegKey key) = 0;
};

// One record of the process snapshot.
struct ProcessRecord {
  uint32_t processId = 0;
  std::array<char, 260> exeFile{};  // as the platform fills it: NUL-terminated or full
};

class ProcessSnapshot {
 public:
  virtual ~ProcessSnapshot() = default;
  virtual bool First(ProcessRecord& record) = 0;
  virtual bool Next(ProcessRecord& record) = 0;
};

class ProcessLister {
 public:
  virtual ~ProcessLister() = default;
  // A snapshot of all processes; nullptr when none could be taken.
  virtual std::unique_ptr<ProcessSnapshot> TakeSnapshot() = 0;
};

class Environment {
 public:
  virtual ~Environment() = default;
  virtual std::string Get(const std::string& name) = 0;  // empty when unset
};

// Everything modCommon reaches, handed in together.
struct SystemServices {
  Registry& registry;
  ProcessLister& processes;
  Environment& environment;
};

}  // namespace kestrom
