#include "window/win32/win32_controls.h"

#include <algorithm>

#include "machine/win32/text_win32.h"
#include "window/layout.h"

namespace kestrom::win32 {
namespace {
constexpr DWORD kWaitSliceMs = 5;  // a waiting operation sleeps at most this long between polls
}

namespace {
std::wstring WideTextOf(HWND h) {
  const int n = GetWindowTextLengthW(h);
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(h, &text[0], n + 1)));
  return text;
}
}  // namespace

std::string Win32Controls::Text(ControlId id) { return Narrow(WideTextOf(Item(id))); }

void Win32Controls::SetText(ControlId id, const std::string& text) {
  // A long program is laid out once, not painted line by line as it goes in.
  HWND h = Item(id);
  SendMessageW(h, WM_SETREDRAW, FALSE, 0);
  SetWindowTextW(h, Widen(text).c_str());
  SendMessageW(h, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(h, nullptr, TRUE);
}

void Win32Controls::AppendText(ControlId id, const std::string& text) {
  // Replacing the empty selection at the end costs the new line only, not the
  // whole program, and works on a box that is read-only to the keyboard.
  HWND h = Item(id);
  const LPARAM end = GetWindowTextLengthW(h);
  SendMessageW(h, EM_SETSEL, static_cast<WPARAM>(end), end);
  SendMessageW(h, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(Widen(text).c_str()));
}

void Win32Controls::RemoveTail(ControlId id, const std::string& tail) {
  HWND h = Item(id);
  const LPARAM end = GetWindowTextLengthW(h);
  const LPARAM tailLength = static_cast<LPARAM>(Widen(tail).size());
  SendMessageW(h, EM_SETSEL, static_cast<WPARAM>(end - std::min(end, tailLength)), end);
  SendMessageW(h, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
  SendMessageW(h, EM_SCROLLCARET, 0, 0);
}

void Win32Controls::CaretToEnd(ControlId id) {
  HWND h = Item(id);
  const LPARAM end = GetWindowTextLengthW(h);
  SendMessageW(h, EM_SETSEL, static_cast<WPARAM>(end), end);
  SendMessageW(h, EM_SCROLLCARET, 0, 0);
}

namespace {
// The edit control counts UTF-16 units; the core counts the UTF-8 bytes of its text.
size_t Utf16Units(const std::string& utf8Prefix) { return Widen(utf8Prefix).size(); }
}  // namespace

size_t Win32Controls::CaretMark(ControlId id) {
  DWORD start = 0;
  SendMessageW(Item(id), EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
  return start;
}

// The box wraps long lines, so its lines are the lines on screen; the last of
// them lies in the text's last line, and a caret further up is read the long way.
bool Win32Controls::CaretOnLastLine(ControlId id) {
  HWND h = Item(id);
  const LRESULT caretLine = SendMessageW(h, EM_LINEFROMCHAR, static_cast<WPARAM>(-1), 0);
  return caretLine + 1 >= SendMessageW(h, EM_GETLINECOUNT, 0, 0);
}

size_t Win32Controls::CaretOffset(ControlId id) {
  HWND h = Item(id);
  DWORD start = 0;
  SendMessageW(h, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
  std::wstring text = WideTextOf(h);
  text.resize(std::min<size_t>(start, text.size()));
  return Narrow(text).size();
}

void Win32Controls::ReplaceRange(ControlId id, size_t start, size_t length, const std::string& text, size_t caret) {
  // Only the range changes: a long program is not laid out again whole.
  HWND h = Item(id);
  const std::string before = Text(id);
  const size_t from = Utf16Units(before.substr(0, start));
  const size_t to = from + Utf16Units(before.substr(start, length));
  SendMessageW(h, EM_SETSEL, static_cast<WPARAM>(from), static_cast<LPARAM>(to));
  SendMessageW(h, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(Widen(text).c_str()));
  const std::string after = before.substr(0, start) + text + before.substr(std::min(before.size(), start + length));
  const size_t at = Utf16Units(after.substr(0, std::min(caret, after.size())));
  SendMessageW(h, EM_SETSEL, static_cast<WPARAM>(at), static_cast<LPARAM>(at));
  SendMessageW(h, EM_SCROLLCARET, 0, 0);
}

int Win32Controls::Value(ControlId id) {
  return SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void Win32Controls::SetValue(ControlId id, int value) {
  SendMessageW(Item(id), BM_SETCHECK, value == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Win32Controls::ClearList(ControlId id) { SendMessageW(Item(id), CB_RESETCONTENT, 0, 0); }

void Win32Controls::AddItem(ControlId id, const std::string& item) {
  SendMessageW(Item(id), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
}

int Win32Controls::ListIndex(ControlId id) {
  return static_cast<int>(SendMessageW(Item(id), CB_GETCURSEL, 0, 0));
}

void Win32Controls::SetListIndex(ControlId id, int index) {
  SendMessageW(Item(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void Win32Controls::ShowMessage(const std::string& text) {
  MessageBoxW(window_, Widen(text).c_str(), Widen(kAppTitle).c_str(), MB_OK);
}

// A window Kestrom owns (the path view, its own message boxes) counts as
// Kestrom's: it is above the main window already and stays there.
WindowHandle Win32Controls::ForegroundWindow() {
  HWND foreground = ::GetForegroundWindow();
  if (foreground && GetAncestor(foreground, GA_ROOTOWNER) == window_) foreground = window_;
  return reinterpret_cast<WindowHandle>(foreground);
}

WindowHandle Win32Controls::OwnWindow() { return reinterpret_cast<WindowHandle>(window_); }

namespace {
struct OwnedWindows {
  HWND owner;
  HWND after;
};
BOOL CALLBACK RestackOwned(HWND w, LPARAM lp) {
  const auto* o = reinterpret_cast<const OwnedWindows*>(lp);
  if (GetWindow(w, GW_OWNER) == o->owner && IsWindowVisible(w))
    SetWindowPos(w, o->after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return TRUE;
}
}  // namespace

void Win32Controls::SetTopmost(WindowHandle window, bool topmost) {
  HWND h = reinterpret_cast<HWND>(window);
  // Never activated: the operator's keys stay with Mach3's window. Another
  // thread's window (Mach3's, possibly frozen) is asked without waiting for it.
  UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
  if (GetWindowThreadProcessId(h, nullptr) != GetCurrentThreadId()) flags |= SWP_ASYNCWINDOWPOS;
  SetWindowPos(h, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, flags);
  // Kestrom's own windows (the path view) go with the main window, as Windows
  // does for owned windows; Wine leaves them behind, and then Mach3 covers them.
  if (h != window_) return;
  OwnedWindows owned{window_, topmost ? HWND_TOPMOST : HWND_NOTOPMOST};
  EnumThreadWindows(GetCurrentThreadId(), RestackOwned, reinterpret_cast<LPARAM>(&owned));
}

void Win32Controls::PumpPendingEvents() {
  MsgWaitForMultipleObjectsEx(0, nullptr, kWaitSliceMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    // The window was closed while an operation waited: the program ends at once.
    if (msg.message == WM_QUIT) ExitProcess(static_cast<UINT>(msg.wParam));
    DispatchWindowMessage(window_, keys_, msg);
    // A tick can outlast the timer's interval, so another is always due: one
    // per round, or the waiting operation would never poll again.
    if (msg.message == WM_TIMER) break;
  }
}

void DispatchWindowMessage(HWND window, HACCEL keys, MSG& msg) {
  if (keys && IsWindow(window) && TranslateAcceleratorW(window, keys, &msg)) return;
  if (IsWindow(window) && IsDialogMessageW(window, &msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

}  // namespace kestrom::win32
