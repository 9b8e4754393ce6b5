#include "machine/mod_common.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "machine/mach3_contract.h"
#include "machine/number_text.h"

namespace kestrom::modCommon {

const char* const kMachProgId = mach3::kProgId;
const char* const kMachClsid = mach3::kClsid;

namespace {

const std::string kProgIdKey = std::string("\\") + mach3::kProgId + "\\";
const std::string kClsidKey = std::string("\\") + mach3::kProgId + "\\CLSID";
constexpr uint32_t kSystemProcessId = 4;

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

std::string NameOf(const ProcessRecord& record) {
  const char* begin = record.exeFile.data();
  const void* nul = std::memchr(begin, '\0', record.exeFile.size());
  return std::string(begin, nul ? static_cast<const char*>(nul) : begin + record.exeFile.size());
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

}  // namespace

std::string NormalizeKeyPath(std::string keyPath) {
  std::replace(keyPath.begin(), keyPath.end(), '/', '\\');
  if (!keyPath.empty() && keyPath.front() == '\\') keyPath.erase(0, 1);
  if (keyPath.empty() || keyPath.back() != '\\') keyPath += '\\';
  return keyPath;
}

bool RegKeyExists(Registry& reg, RegRoot root, const std::string& keyPath) {
  RegKey key = 0;
  const long rc = reg.OpenKey(root, NormalizeKeyPath(keyPath), kKeyQueryValue, key);
  if (rc == 0) reg.CloseKey(key);
  return rc == 0;
}

bool CreateRegKey(Registry& reg, RegRoot root, const std::string& keyPath) {
  const RegKey key = reg.CreateKey(root, NormalizeKeyPath(keyPath));
  if (key == 0) return false;
  reg.CloseKey(key);
  return true;
}

bool SetRegValue(Registry& reg, RegRoot root, const std::string& keyPath,
                 const std::string& valueName, const std::string& valueData, uint32_t valueType) {
  RegKey key = 0;
  reg.OpenKey(root, NormalizeKeyPath(keyPath), kKeyAllAccess, key);  // a failed open fails the write

  std::string bytes;
  bool haveData = true;
  switch (valueType) {
    case 1:
    case 3:
      bytes = valueData;
      break;
    case 4: {
      const auto number = ParseNumber(valueData);
      const auto dword = number ? ToInt32(*number) : std::nullopt;
      haveData = dword.has_value();
      if (haveData) {
        const uint32_t u = static_cast<uint32_t>(*dword);
        for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>((u >> shift) & 0xFF);
      }
      break;
    }
    default:
      haveData = false;
  }
  const long rc = haveData && key != 0 ? reg.SetValue(key, valueName, valueType, bytes) : -1;
  if (key != 0) reg.CloseKey(key);
  return rc == 0;
}

bool IsMachProgIdRegistered(Registry& reg) { return RegKeyExists(reg, kHkeyClassesRoot, kClsidKey); }

bool RegisterMachProgId(Registry& reg) {
  if (!CreateRegKey(reg, kHkeyClassesRoot, kProgIdKey)) return false;
  if (!CreateRegKey(reg, kHkeyClassesRoot, kClsidKey)) return false;
  return SetRegValue(reg, kHkeyClassesRoot, kClsidKey, "", kMachClsid, 1);
}

std::vector<std::string> GetProcessList(ProcessLister& processes, Environment& env) {
  std::vector<std::string> names;
  const auto snapshot = processes.TakeSnapshot();
  if (!snapshot) return names;

  ProcessRecord record;
  snapshot->First(record);  // not tested: a failed read leaves the id at 0
  if (record.processId != 0) names.push_back(NameOf(record));

  const std::string windir = env.Get("Windir");
  while (snapshot->Next(record)) {
    if (record.processId == kSystemProcessId) continue;
    std::string name = NameOf(record);
    ReplaceAll(name, "\\??\\", "");
    ReplaceAll(name, "\\SystemRoot", windir);
    names.push_back(std::move(name));
  }
  return names;
}

bool IsMach3ProcessName(const std::string& name) { return Lower(name).find(mach3::kProcessName) != std::string::npos; }

bool IsMach3Running(ProcessLister& processes, Environment& env) {
  for (const std::string& name : GetProcessList(processes, env))
    if (IsMach3ProcessName(name)) return true;
  return false;
}

}  // namespace kestrom::modCommon
