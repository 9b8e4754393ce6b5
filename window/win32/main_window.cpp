#include "window/win32/main_window.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <cmath>
#include <iterator>
#include <vector>

#include "window/window_menu.h"

#include "machine/win32/text_win32.h"

namespace kestrom::win32 {
namespace {

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;  // close box only
constexpr UINT_PTR kProgramBoxSubclass = 1;
constexpr int kComboListRows = 8;
const COLORREF kDarkRed = RGB(128, 0, 0);

int ScreenDpi() {
  const WindowDc screen(nullptr);
  const int dpi = GetDeviceCaps(screen.get(), LOGPIXELSY);
  return dpi > 0 ? dpi : 96;
}

struct Created {
  const wchar_t* windowClass;
  DWORD style;
  DWORD exStyle;
};

Created ClassAndStyle(const ControlSpec& spec) {
  const DWORD common = WS_CHILD | WS_VISIBLE | (spec.tabIndex >= 0 ? WS_TABSTOP : 0);
  switch (spec.kind) {
    case ControlKind::Button: return {L"BUTTON", common | BS_PUSHBUTTON, 0};
    case ControlKind::CheckBox: return {L"BUTTON", common | BS_AUTOCHECKBOX, 0};
    case ControlKind::ComboBox: return {L"COMBOBOX", common | CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL, 0};
    case ControlKind::Label: return {L"STATIC", common | SS_LEFT, 0};
    case ControlKind::Line: return {L"STATIC", common | SS_BLACKRECT, 0};
    case ControlKind::TextBox: {
      DWORD style = common | ((spec.flags & kCentred) ? ES_CENTER : ES_LEFT);
      if (spec.flags & kMultiLine) style |= ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL;
      else style |= ES_AUTOHSCROLL;
      if (spec.flags & kReadOnly) style |= ES_READONLY;
      return {L"EDIT", style, WS_EX_CLIENTEDGE};
    }
    case ControlKind::Timer: break;
  }
  return {nullptr, 0, 0};
}

}  // namespace

int TwipsToPixels(int twips, int dpi) { return static_cast<int>(std::lround(twips * static_cast<double>(dpi) / 1440.0)); }

MainWindow::MainWindow(HINSTANCE instance)
    : dpi_(ScreenDpi()), white_(CreateSolidBrush(RGB(255, 255, 255))), pathWindow_(instance) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = Procedure;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return;

  const WindowSpec& spec = MainWindowSpec();
  RECT frame{0, 0, TwipsToPixels(spec.clientWidth, dpi_), TwipsToPixels(spec.clientHeight, dpi_)};
  AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
  hwnd_ = CreateWindowExW(0, kClassName, Widen(spec.caption).c_str(), kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                          frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, this);
  created_ = hwnd_ && CreateControls(instance);
  if (created_) AddWindowMenu();
}

namespace {
UINT MenuCommandId(size_t index) { return MenuIdAt(index); }
constexpr int kHotKeyBase = 1;
constexpr UINT kNoRepeat = 0x4000;  // MOD_NOREPEAT: Windows 7 on; XP and Vista refuse it
constexpr UINT_PTR kHotKeyReleaseTimer = 0x7F01;
constexpr UINT kHotKeyReleasePollMs = 30;
}  // namespace

// The window menu from its table: each item in its submenu, in the table's
// order, the submenus in theirs; the keys and the global hot keys with them.
void MainWindow::AddWindowMenu() {
  HMENU menu = GetSystemMenu(hwnd_, FALSE);
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  // The system menu owns the submenus once they are in it, and destroys them.
  std::vector<std::pair<MenuGroup, HMENU>> groups{{MenuGroup::Top, menu}};
  for (const MenuGroupRow& row : kMenuGroups) groups.emplace_back(row.group, CreatePopupMenu());
  auto menuOf = [&](MenuGroup group) {
    for (const auto& [g, m] : groups)
      if (g == group) return m;
    return menu;
  };
  for (const MenuGroupRow& row : kMenuGroups)
    AppendMenuW(menuOf(row.parent), MF_POPUP, reinterpret_cast<UINT_PTR>(menuOf(row.group)),
                Widen(row.caption).c_str());
  std::vector<ACCEL> keys;
  for (size_t i = 0; i < WindowMenu().size(); ++i) {
    const MenuCommand& item = WindowMenu()[i];
    if (item.caption) AppendMenuW(menuOf(item.group), MF_STRING, MenuCommandId(i), Widen(item.caption).c_str());
    if (item.command == FormCommand::SimplifyPath) AddToleranceMenu(menuOf(item.group));
    if (!item.virtualKey) continue;
    const UINT mods = ((item.modifiers & kCtrl) ? MOD_CONTROL : 0) | ((item.modifiers & kShift) ? MOD_SHIFT : 0);
    const BYTE virt = FVIRTKEY | ((item.modifiers & kCtrl) ? FCONTROL : 0) | ((item.modifiers & kShift) ? FSHIFT : 0);
    keys.push_back({virt, item.virtualKey, static_cast<WORD>(MenuCommandId(i))});
    // A key another program holds already still works inside Kestrom, through the accelerator.
    const int hotKey = kHotKeyBase + static_cast<int>(i);
    if (item.global && (RegisterHotKey(hwnd_, hotKey, mods | kNoRepeat, item.virtualKey) ||
                        RegisterHotKey(hwnd_, hotKey, mods, item.virtualKey)))
      hotKeyRegistered_ = true;
  }
  accelerators_ = AcceleratorTable(CreateAcceleratorTableW(keys.data(), static_cast<int>(keys.size())));
}

// The tolerance of "Simplify path", chosen in a submenu right after it; the check mark shows the current one.
void MainWindow::AddToleranceMenu(HMENU menu) {
  tolerances_ = CreatePopupMenu();
  for (size_t i = 0; i < std::size(kThinningTolerances); ++i) {
    AppendMenuW(tolerances_, MF_STRING, kToleranceCommandBase + i * 0x10, Widen(kToleranceCaptions[i]).c_str());
  }
  AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(tolerances_), Widen(kToleranceMenuCaption).c_str());
  ShowTolerance(kDefaultTolerance);
}

void MainWindow::Attach(Form* form) {
  form_ = form;
  // The view's own close box closes it as the menu item would.
  pathWindow_.Attach(hwnd_, &form->pathView(), [this] {
    if (form_ && form_->pathView().open()) form_->OnCommand(FormCommand::PathView);
    ShowMenuChecks();
  });
}

void MainWindow::ShowMenuChecks() {
  for (size_t i = 0; i < WindowMenu().size(); ++i) {
    const FormCommand command = WindowMenu()[i].command;
    const bool on = form_ && (command == FormCommand::PathView ? form_->pathView().open()
                                                                : form_->teachingWithPointer());
    if (command == FormCommand::PathView || command == FormCommand::PointerOffset)
      CheckMenuItem(GetSystemMenu(hwnd_, FALSE), MenuCommandId(i), MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
  }
}

void MainWindow::ShowTolerance(int index) {
  const UINT last = kToleranceCommandBase + static_cast<UINT>(std::size(kThinningTolerances) - 1) * 0x10;
  CheckMenuRadioItem(tolerances_, kToleranceCommandBase, last, kToleranceCommandBase + index * 0x10, MF_BYCOMMAND);
}

void MainWindow::RunMenuCommand(UINT id) {
  // While one of Kestrom's message boxes or dialogs is open the window is
  // disabled, and no key may start a command behind it.
  if (!IsWindowEnabled(hwnd_)) return;
  if (form_ && id >= kToleranceCommandBase && id < kToleranceCommandBase + std::size(kThinningTolerances) * 0x10) {
    form_->ChooseThinningTolerance(static_cast<int>((id - kToleranceCommandBase) / 0x10));
    ShowTolerance(form_->thinningTolerance());
    return;
  }
  for (size_t i = 0; i < WindowMenu().size(); ++i)
    if (id == MenuCommandId(i) && form_) form_->OnCommand(WindowMenu()[i].command);
  ShowMenuChecks();
}

MainWindow::~MainWindow() {
  if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

HFONT MainWindow::FontFor(const FontSpec* spec) {
  if (!spec) spec = MainWindowSpec().defaultFont;
  auto& slot = fonts_[spec];
  if (!slot.get()) {
    const int height = -static_cast<int>(std::lround(spec->points * dpi_ / 72.0));
    slot = GdiObject<HFONT>(CreateFontW(height, 0, 0, 0, spec->bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE,
                                                 FALSE, TURKISH_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                                 DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                                                 Widen(spec->face).c_str()));
  }
  // A face that cannot be made falls back to the system's dialog font.
  return slot.get() ? slot.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

bool MainWindow::CreateControls(HINSTANCE instance) {
  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, instance, nullptr);
  // The table is in tab order, so creating in its order sets the tab order.
  for (const ControlSpec& spec : MainWindowLayout()) {
    if (spec.kind == ControlKind::Timer) {
      SetTimer(hwnd_, static_cast<UINT_PTR>(spec.id), static_cast<UINT>(MainWindowSpec().timerIntervalMs), nullptr);
      continue;
    }
    const Created c = ClassAndStyle(spec);
    const int width = std::max(1, TwipsToPixels(spec.width, dpi_));
    int height = std::max(1, TwipsToPixels(spec.height, dpi_));
    if (spec.kind == ControlKind::ComboBox) height *= kComboListRows;  // the drop-down list's room
    HWND h = CreateWindowExW(c.exStyle, c.windowClass, Widen(spec.caption).c_str(), c.style,
                             TwipsToPixels(spec.left, dpi_), TwipsToPixels(spec.top, dpi_), width, height, hwnd_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), instance, nullptr);
    if (!h) return false;
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(spec.font)), FALSE);
    if (spec.kind == ControlKind::CheckBox && (spec.flags & kChecked)) SendMessageW(h, BM_SETCHECK, BST_CHECKED, 0);
    if (spec.flags & kDarkRedCaption) SetWindowTheme(h, L"", L"");  // a themed check box ignores its text colour
    if (spec.flags & kMultiLine) {
      SendMessageW(h, EM_SETLIMITTEXT, 0, 0);  // the largest limit: a long recording loses no line
      SetWindowSubclass(h, ProgramBoxProcedure, kProgramBoxSubclass, reinterpret_cast<DWORD_PTR>(this));
    }
    if (spec.tooltip) {
      std::wstring tip = Widen(spec.tooltip);
      TOOLINFOW info{};
      info.cbSize = sizeof info;
      info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
      info.hwnd = hwnd_;
      info.uId = reinterpret_cast<UINT_PTR>(h);
      info.lpszText = &tip[0];
      SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    }
  }
  return true;
}

LRESULT CALLBACK MainWindow::ProgramBoxProcedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                                 DWORD_PTR self) {
  auto* window = reinterpret_cast<MainWindow*>(self);
  switch (msg) {
    case WM_LBUTTONDBLCLK:
      if (window->form_) window->form_->OnDoubleClick(ControlId::Text2);
      return 0;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, ProgramBoxProcedure, kProgramBoxSubclass);
      return DefSubclassProc(hwnd, msg, wp, lp);
    case WM_CONTEXTMENU:
      window->ShowProgramBoxMenu(hwnd, lp);
      return 0;
    case WM_GETDLGCODE:
      // The box takes arrows and characters, but Tab and Enter go on to the window.
      return DefSubclassProc(hwnd, msg, wp, lp) & ~static_cast<LRESULT>(DLGC_WANTALLKEYS | DLGC_WANTTAB);
    default:
      return DefSubclassProc(hwnd, msg, wp, lp);
  }
}

// The program box's own right-click menu: its usual Copy and Select All, the
// edits at the line that holds the caret, and the restart from that line.
void MainWindow::ShowProgramBoxMenu(HWND box, LPARAM at) {
  enum : UINT { kCopy = 1, kSelectAll, kFirstLineCommand };
  static constexpr FormCommand kLineCommands[] = {FormCommand::ReteachLine, FormCommand::InsertPoint,
                                                  FormCommand::DeleteLine, FormCommand::RestartAtLine};
  static constexpr const char* kLineCaptions[] = {kReteachCaption, kInsertPointCaption, kDeleteLineCaption,
                                                  kRestartCaption};
  constexpr UINT kLineCommandCount = 4;
  PopupMenu menu(CreatePopupMenu());
  if (!menu.get()) return;
  DWORD start = 0, end = 0;
  SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  AppendMenuW(menu.get(), MF_STRING | (start == end ? MF_GRAYED : 0), kCopy, Widen(kCopyCaption).c_str());
  AppendMenuW(menu.get(), MF_STRING, kSelectAll, Widen(kSelectAllCaption).c_str());
  for (UINT i = 0; i < kLineCommandCount; ++i) {
    if (i == 0 || kLineCommands[i] == FormCommand::RestartAtLine) AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu.get(), MF_STRING, kFirstLineCommand + i, Widen(kLineCaptions[i]).c_str());
  }
  POINT p{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
  if (at == -1) {  // from the keyboard (Shift+F10): at the box's corner
    p = {0, 0};
    ClientToScreen(box, &p);
  }
  const UINT chosen = TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, p.x, p.y, 0, hwnd_, nullptr);
  if (chosen == kCopy) SendMessageW(box, WM_COPY, 0, 0);
  if (chosen == kSelectAll) SendMessageW(box, EM_SETSEL, 0, -1);
  if (chosen >= kFirstLineCommand && chosen < kFirstLineCommand + kLineCommandCount)
    RunMenuCommand(MenuId(kLineCommands[chosen - kFirstLineCommand]));
}

LRESULT MainWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_TIMER:
      if (wp == kHotKeyReleaseTimer) {
        if (!(GetAsyncKeyState(WindowMenu()[heldHotKey_].virtualKey) & 0x8000)) {
          KillTimer(hwnd_, kHotKeyReleaseTimer);
          heldHotKey_ = kNoHotKeyHeld;
        }
        return 0;
      }
      if (form_ && wp == static_cast<WPARAM>(ControlId::Timer1)) form_->OnTimer();
      return 0;
    case WM_COMMAND:
      if (form_ && HIWORD(wp) == BN_CLICKED && lp) form_->OnClick(static_cast<ControlId>(LOWORD(wp)));
      if (HIWORD(wp) == 1 && !lp) RunMenuCommand(LOWORD(wp));  // an accelerator
      return 0;  // IDOK and IDCANCEL from Enter and Escape do nothing
    case WM_SYSCOMMAND:
      if ((wp & 0xFFF0) < 0xF000) {
        RunMenuCommand(static_cast<UINT>(wp & 0xFFF0));
        return 0;
      }
      break;
    case WM_HOTKEY: {
      if (wp < kHotKeyBase || wp >= kHotKeyBase + WindowMenu().size()) return 0;
      // A held key repeats (where Windows has no MOD_NOREPEAT): one command
      // until the key is let go.
      const size_t index = static_cast<size_t>(wp - kHotKeyBase);
      if (heldHotKey_ == index) return 0;
      heldHotKey_ = index;
      SetTimer(hwnd_, kHotKeyReleaseTimer, kHotKeyReleasePollMs, nullptr);
      RunMenuCommand(MenuCommandId(index));
      return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT: {
      HDC dc = reinterpret_cast<HDC>(wp);
      const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lp));
      for (const ControlSpec& spec : MainWindowLayout()) {
        if (static_cast<int>(spec.id) != id) continue;
        if (spec.flags & kWhiteBackground) {
          SetBkColor(dc, RGB(255, 255, 255));
          return reinterpret_cast<LRESULT>(white_.get());
        }
        if (spec.flags & kDarkRedCaption) {
          SetTextColor(dc, kDarkRed);
          SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
          return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
      }
      break;
    }
    case WM_ACTIVATE:
      // As a dialog does: the control that had the focus gets it back when the
      // window is active again, after a message box or a switch to Mach3.
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
      }
      break;
    case WM_SETFOCUS: {  // back to where it was, at first the first control of the tab order
      HWND target = lastFocus_;
      if (!target || !IsChild(hwnd_, target) || !IsWindowEnabled(target) || !IsWindowVisible(target))
        target = GetDlgItem(hwnd_, static_cast<int>(MainWindowLayout().front().id));
      SetFocus(target);
      return 0;
    }
    case WM_CLOSE:
      DestroyWindow(hwnd_);  // no question, nothing saved
      return 0;
    case WM_DESTROY:
      for (size_t i = 0; hotKeyRegistered_ && i < WindowMenu().size(); ++i)
        UnregisterHotKey(hwnd_, kHotKeyBase + static_cast<int>(i));
      form_ = nullptr;
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

}  // namespace kestrom::win32
