// This PC as the Mach3 check reports it.
#pragma once
#include "window/system_info.h"

namespace kestrom::win32 {

class Win32SystemInfo : public SystemInfo {
 public:
  CheckEnvironment Describe() override;
  std::string CheckReportPath() override;
};

// A program file's version from its version resource ("3.43.6.0"), or empty.
std::string FileVersionOf(const std::wstring& path);

}  // namespace kestrom::win32
