// SimMach3's record of every scripting call it was asked, one line each,
// written through at once so a test can read it while the simulator runs.
#pragma once
#include <windows.h>

#include <string>

#include "machine/win32/raii.h"

namespace kestrom::sim {

class CallLog {
 public:
  explicit CallLog(const std::wstring& path);
  void Write(const std::string& line);  // UTF-8, CR LF added
  void Clear();

 private:
  win32::UniqueHandle file_;
};

// "VT_BYREF|VT_I4=2" and the like, for one argument as it arrived.
std::string DescribeArgument(const VARIANT& v);

}  // namespace kestrom::sim
