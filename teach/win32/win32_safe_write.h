// The safe write's file-system steps over Win32: paths longer than MAX_PATH
// through the \\?\ form, ReplaceFileW for an existing target.
#pragma once
#include <string>

#include "teach/safe_write.h"

namespace kestrom::win32 {

// The path in the form the wide file functions take at any length.
std::wstring LongPath(const std::string& path);

class Win32SafeWriteSystem : public SafeWriteSystem {
 public:
  Kind KindOf(const std::string& path) override;
  Step WriteTemp(const std::string& folder, const std::string& bytes, std::string& tempPath) override;
  Step ReplaceKeeping(const std::string& temp, const std::string& target) override;
  Step MoveInto(const std::string& temp, const std::string& target) override;
  void Remove(const std::string& path) override;
  void Pause(int ms) override;
  std::string KeepFolder() override;  // the Kestrom folder in %APPDATA%
  Step Read(const std::string& path, std::string& bytes) override;
  Step Overwrite(const std::string& path, const std::string& bytes) override;
};

}  // namespace kestrom::win32
