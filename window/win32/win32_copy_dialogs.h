// The dialogs of "Programı Çoğalt (Copy the program)", Kestrom's own: modal
// dialogs built from a template in memory (no resource file), which keep what
// the operator typed for the next time.
#pragma once
#include <windows.h>

#include "window/copy_dialogs.h"

namespace kestrom::win32 {

// The dialogs' controls, for the tests that fill them in.
enum CopyDialogControl : int {
  kCopyFirstBox = 100,  // the number boxes, top to bottom, from here
  kCopyCheckBox = 120,  // "to here" or "serpentine"
};
inline constexpr const char* kMoveDialogTitle = "Programı Taşı (Move the program)";
inline constexpr const char* kGridDialogTitle = "Programı Dizi Olarak Çoğalt (Repeat the program in a grid)";

class Win32CopyDialogs : public CopyDialogs {
 public:
  explicit Win32CopyDialogs(HWND owner) : owner_(owner) {}
  std::optional<MoveRequest> AskMove(const std::string& units) override;
  std::optional<GridRequest> AskGrid(const GridStart& start) override;

 private:
  HWND owner_;
  MoveRequest move_;
  GridRequest grid_;
};

}  // namespace kestrom::win32
