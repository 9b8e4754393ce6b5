#include "sim/sim_log.h"

#include "machine/number_text.h"
#include "machine/win32/text_win32.h"

namespace kestrom::sim {

CallLog::CallLog(const std::wstring& path) {
  if (path.empty()) return;
  file_ = win32::UniqueHandle(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

void CallLog::Write(const std::string& line) {
  if (!file_.valid()) return;
  const std::string text = line + "\r\n";
  DWORD done = 0;
  SetFilePointer(file_.get(), 0, nullptr, FILE_END);
  WriteFile(file_.get(), text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
}

void CallLog::Clear() {
  if (!file_.valid()) return;
  SetFilePointer(file_.get(), 0, nullptr, FILE_BEGIN);
  SetEndOfFile(file_.get());
}

std::string DescribeArgument(const VARIANT& v) {
  const bool byRef = (v.vt & VT_BYREF) != 0;
  const VARTYPE base = v.vt & ~VT_BYREF;
  std::string kind = byRef ? "VT_BYREF|" : "";
  std::string value;
  switch (base) {
    case VT_I2: kind += "VT_I2"; value = std::to_string(byRef ? *v.piVal : v.iVal); break;
    case VT_I4: kind += "VT_I4"; value = std::to_string(byRef ? *v.plVal : v.lVal); break;
    case VT_R8: kind += "VT_R8"; value = FormatReal(byRef ? *v.pdblVal : v.dblVal); break;
    case VT_BOOL: kind += "VT_BOOL"; value = (byRef ? *v.pboolVal : v.boolVal) ? "True" : "False"; break;
    case VT_BSTR: {
      kind += "VT_BSTR";
      value = "\"" + win32::Narrow(win32::BstrText(byRef ? *v.pbstrVal : v.bstrVal)) + "\"";
      break;
    }
    default: kind += "VT_" + std::to_string(base); value = "?"; break;
  }
  return kind + "=" + value;
}

}  // namespace kestrom::sim
