#include "sim/sim_window.h"

#include <string>

#include "machine/number_text.h"
#include "machine/win32/text_win32.h"
#include "sim/sim_objects.h"

namespace kestrom::sim {
namespace {

constexpr UINT_PTR kRefreshTimer = 1;
constexpr double kStep = 1.0;
constexpr int kJogButtonBase = 200;  // + axis * 2 + (0: minus, 1: plus)
const char* const kLetters = mach3::kAxisLetters;

}  // namespace

SimWindow::SimWindow(HINSTANCE instance, SimMachine& machine) : machine_(machine) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = Procedure;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"SimMach3Window";
  if (!RegisterClassExW(&wc)) return;
  hwnd_ = CreateWindowExW(0, wc.lpszClassName, L"SimMach3 - simulated Mach3", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                          CW_USEDEFAULT, CW_USEDEFAULT, 330, 400, nullptr, nullptr, instance, this);
  if (!hwnd_) return;
  created_ = true;
  HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  auto make = [&](const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h, int id) {
    HWND c = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, hwnd_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (!c) created_ = false;
    SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return c;
  };
  for (int a = 0; a < kAxes; ++a) {
    const int y = 10 + a * 30;
    dros_[a] = make(L"STATIC", L"", SS_LEFT, 10, y + 4, 150, 20, 100 + a);
    make(L"BUTTON", (std::wstring(1, static_cast<wchar_t>(kLetters[a])) + L"-").c_str(), BS_PUSHBUTTON, 170, y, 60, 24,
         kJogButtonBase + a * 2);
    make(L"BUTTON", (std::wstring(1, static_cast<wchar_t>(kLetters[a])) + L"+").c_str(), BS_PUSHBUTTON, 240, y, 60, 24,
         kJogButtonBase + a * 2 + 1);
  }
  make(L"BUTTON", L"Cycle Start", BS_PUSHBUTTON, 10, 192, 95, 24, kCycleStartButton);
  make(L"BUTTON", L"Feed Hold", BS_PUSHBUTTON, 110, 192, 95, 24, kFeedHoldButton);
  make(L"BUTTON", L"Stop", BS_PUSHBUTTON, 210, 192, 90, 24, kStopButton);
  make(L"BUTTON", L"Optional Stop", BS_AUTOCHECKBOX, 10, 222, 110, 20, kOptionalStopBox);
  HWND one = make(L"BUTTON", L"1\u00D7", BS_AUTORADIOBUTTON | WS_GROUP, 140, 222, 50, 20, kSpeedOneBox);
  make(L"BUTTON", L"10\u00D7", BS_AUTORADIOBUTTON, 195, 222, 50, 20, kSpeedTenBox);
  SendMessageW(one, BM_SETCHECK, BST_CHECKED, 0);
  runStatus_ = make(L"STATIC", L"", SS_LEFT, 10, 248, 300, 36, kRunStatusText);
  status_ = make(L"STATIC", L"", SS_LEFT, 10, 288, 300, 60, 99);
  SetTimer(hwnd_, kRefreshTimer, 50, nullptr);
  Refresh();
}

bool SimWindow::HandleKey(const MSG& msg) {
  if (msg.message != WM_KEYDOWN) return false;
  switch (msg.wParam) {
    case VK_LEFT: machine_.JogStep(0, -kStep); break;
    case VK_RIGHT: machine_.JogStep(0, kStep); break;
    case VK_DOWN: machine_.JogStep(1, -kStep); break;
    case VK_UP: machine_.JogStep(1, kStep); break;
    case VK_NEXT: machine_.JogStep(2, -kStep); break;
    case VK_PRIOR: machine_.JogStep(2, kStep); break;
    default: return false;
  }
  Refresh();
  return true;
}

void SimWindow::Refresh() {
  machine_.Advance(NowMs());
  for (int a = 0; a < kAxes; ++a)
    SetWindowTextW(dros_[a], win32::Widen(std::string(1, kLetters[a]) + ": " + machine_.DroString(a)).c_str());
  const char* spin = machine_.SpinDirection() > 0 ? "CW" : machine_.SpinDirection() < 0 ? "CCW" : "stopped";
  const std::string status = "Spindle " + std::string(spin) + " at " + FormatReal(machine_.SpinSpeed()) +
                             " rpm, coolant " + machine_.Coolant() + "\nPage " + std::to_string(machine_.Page()) + ", jog mode " +
                             (machine_.StepJogMode() ? "step" : "continuous") +
                             (machine_.IsMoving() ? ", moving" : "") + "\n" + machine_.LastMessage();
  SetWindowTextW(status_, win32::Widen(status).c_str());
  SetWindowTextW(runStatus_, win32::Widen(machine_.RunStatus()).c_str());
  // The boxes follow what a test control set.
  CheckDlgButton(hwnd_, kOptionalStopBox, machine_.OptionalStop() ? BST_CHECKED : BST_UNCHECKED);
  CheckRadioButton(hwnd_, kSpeedOneBox, kSpeedTenBox, machine_.SpeedFactor() >= 10 ? kSpeedTenBox : kSpeedOneBox);
}

LRESULT SimWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_TIMER:
      if (!dros_[0]) return 0;  // controls still being created
      Refresh();
      return 0;
    case WM_COMMAND: {
      if (HIWORD(wp) == BN_CLICKED) {
        machine_.Advance(NowMs());  // what the click starts, starts now
        switch (LOWORD(wp)) {
          case kCycleStartButton: machine_.CycleStart(); break;
          case kFeedHoldButton: machine_.FeedHold(); break;
          case kStopButton: machine_.StopRun(); break;
          case kOptionalStopBox: machine_.SetOptionalStop(IsDlgButtonChecked(hwnd_, kOptionalStopBox) == BST_CHECKED); break;
          case kSpeedOneBox: machine_.SetSpeedFactor(1); break;
          case kSpeedTenBox: machine_.SetSpeedFactor(10); break;
          default: break;
        }
      }
      const int id = LOWORD(wp) - kJogButtonBase;
      if (HIWORD(wp) == BN_CLICKED && id >= 0 && id < kAxes * 2) {
        machine_.JogStep(id / 2, id % 2 ? kStep : -kStep);
        Refresh();
      }
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(hwnd_, msg, wp, lp);
  }
}

}  // namespace kestrom::sim
