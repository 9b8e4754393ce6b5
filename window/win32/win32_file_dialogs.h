// The common Save and Open dialogs (comdlg32, as on Windows XP) and the Yes/No box.
#pragma once
#include <windows.h>

#include "window/file_dialogs.h"

namespace kestrom::win32 {

class Win32FileDialogs : public FileDialogs {
 public:
  explicit Win32FileDialogs(HWND owner) : owner_(owner) {}
  std::optional<std::string> AskSavePath(const std::string& fileName) override;
  std::optional<std::string> AskDrawingPath(const std::string& fileName) override;
  std::optional<std::string> AskOpenPath() override;
  bool AskYesNo(const std::string& question) override;

 private:
  HWND owner_;
};

// Where the dialogs start: Mach3's own G-code folder when it is there, else the
// user's Documents.
std::wstring ProgramFolder();

}  // namespace kestrom::win32
