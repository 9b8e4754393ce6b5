// What the Mach3 check reports of this PC, and where its report goes.
#pragma once
#include <string>

#include "machine/mach3_check.h"

namespace kestrom {

class SystemInfo {
 public:
  virtual ~SystemInfo() = default;
  // Kestrom's version, Windows' version and bitness, the running Mach3's program and version.
  virtual CheckEnvironment Describe() = 0;
  // The check's report file in Kestrom's application-data folder; empty when there is none.
  virtual std::string CheckReportPath() = 0;
};

}  // namespace kestrom
