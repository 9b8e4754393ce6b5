// The read-only check of a running Mach3: does it answer every call Kestrom
// makes, with the argument kinds Kestrom sends? It looks members up by name and
// reads their type information, and calls only members that read a value
// (the readouts, IsMoving, FileName): nothing that moves the machine, loads a
// file or changes a setting.
#pragma once
#include <string>
#include <vector>

#include "machine/automation.h"
#include "machine/platform.h"

namespace kestrom {

struct CheckEnvironment {
  std::string kestromVersion;
  std::string windows;       // version and bitness
  std::string mach3Program;  // the running Mach3's program file, or empty
  std::string mach3Version;  // its file version, or empty
};

struct Mach3Check {
  std::string report;  // the whole text, CR LF line ends
  size_t total = 0, found = 0;
  std::vector<std::string> missing;     // members Mach3 does not know
  std::vector<std::string> mismatched;  // members whose parameters differ from what Kestrom sends
};

Mach3Check CheckMach3(Automation& automation, SystemServices system, const CheckEnvironment& environment);
// The message box's summary of a check whose report was written to `reportPath`.
std::string CheckSummary(const Mach3Check& check, const std::string& reportPath);

}  // namespace kestrom
