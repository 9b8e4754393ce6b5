// Finding the running Mach3 and registering its automation ProgID.
#pragma once
#include <string>
#include <vector>

#include "machine/platform.h"

namespace kestrom::modCommon {

extern const char* const kMachProgId;     // "Mach4.Document"
extern const char* const kMachClsid;      // the class identifier the ProgID maps to

std::string NormalizeKeyPath(std::string keyPath);

bool RegKeyExists(Registry& reg, RegRoot root, const std::string& keyPath);
bool CreateRegKey(Registry& reg, RegRoot root, const std::string& keyPath);
// Types 1 (string) and 3 (bytes) store the text without a terminator; 4 stores the
// text as a 32-bit number.
bool SetRegValue(Registry& reg, RegRoot root, const std::string& keyPath,
                 const std::string& valueName, const std::string& valueData, uint32_t valueType);

bool IsMachProgIdRegistered(Registry& reg);
bool RegisterMachProgId(Registry& reg);

std::vector<std::string> GetProcessList(ProcessLister& processes, Environment& env);
bool IsMach3Running(ProcessLister& processes, Environment& env);
// The rule by which a process is Mach3: its name holds "mach3.exe", letter case ignored.
bool IsMach3ProcessName(const std::string& name);

}  // namespace kestrom::modCommon
