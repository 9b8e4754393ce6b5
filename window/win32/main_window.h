// Form1 as a real window: created from the layout table, its messages turned
// into the Form's events.
#pragma once
#include <windows.h>

#include <map>
#include <memory>

#include "machine/win32/raii.h"
#include "window/win32/path_view_window.h"
#include "window/win32/window_procedure.h"
#include "window/form.h"
#include "window/layout.h"

namespace kestrom::win32 {

// Twips to pixels at the screen's resolution (15 twips a pixel at 96 dpi).
int TwipsToPixels(int twips, int dpi);

class MainWindow : public WindowProcedure<MainWindow> {
 public:
  static constexpr const wchar_t* kClassName = L"KestromForm1";
  // Creates the window and all its controls in their design state, timer running.
  explicit MainWindow(HINSTANCE instance);
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;
  ~MainWindow();

  HWND hwnd() const { return hwnd_; }
  // False when the window or one of its controls could not be created.
  bool created() const { return created_; }
  // The window menu's keys, for the message loop.
  HACCEL accelerators() const { return accelerators_.get(); }
  // From now on the window's events reach the form.
  void Attach(Form* form);
  // The path view's window, for the form.
  PathSurface* pathSurface() { return &pathWindow_; }

 private:
  friend class WindowProcedure<MainWindow>;
  static LRESULT CALLBACK ProgramBoxProcedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR self);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  bool CreateControls(HINSTANCE instance);
  void AddWindowMenu();
  void RunMenuCommand(UINT id);
  void ShowTolerance(int index);
  void ShowMenuChecks();
  void AddToleranceMenu(HMENU menu);
  void ShowProgramBoxMenu(HWND box, LPARAM at);
  HFONT FontFor(const FontSpec* spec);

  bool created_ = false;
  HWND tooltip_ = nullptr;
  int dpi_ = 96;
  Form* form_ = nullptr;
  std::map<const FontSpec*, GdiObject<HFONT>> fonts_;
  GdiObject<HBRUSH> white_;
  AcceleratorTable accelerators_;
  bool hotKeyRegistered_ = false;
  PathViewWindow pathWindow_;
  HMENU tolerances_ = nullptr;
  HWND lastFocus_ = nullptr;  // the control that had the focus when the window was last active  // a submenu of the system menu, which owns and destroys it
  static constexpr size_t kNoHotKeyHeld = static_cast<size_t>(-1);
  size_t heldHotKey_ = kNoHotKeyHeld;  // the hot key pressed and not yet let go
};

}  // namespace kestrom::win32
