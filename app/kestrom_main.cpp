// kestrom.exe: the operator window beside a running Mach3.
#include <windows.h>
#include <commctrl.h>

#include "machine/deadline_automation.h"
#include "machine/win32/com_automation.h"
#include "machine/win32/raii.h"
#include "machine/win32/win32_call_worker.h"
#include "machine/win32/win32_system.h"
#include "teach/win32/win32_file_store.h"
#include "teach/win32/win32_recovery_file.h"
#include "machine/win32/text_win32.h"
#include "window/form.h"
#include "window/layout.h"
#include "window/win32/main_window.h"
#include "window/win32/win32_copy_dialogs.h"
#include "window/win32/win32_file_dialogs.h"
#include "window/win32/win32_controls.h"
#include "window/win32/win32_system_info.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  using namespace kestrom;
  INITCOMMONCONTROLSEX controlsInit{sizeof controlsInit, ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
  InitCommonControlsEx(&controlsInit);
  win32::ComApartment apartment;  // COM for the whole run

  // Every call into Mach3 runs on the call worker with a deadline, so a Mach3
  // that freezes never freezes this window.
  win32::ComAutomation com;
  win32::Win32CallWorker worker;
  DeadlineAutomation automation(com, worker);
  win32::Win32Registry registry;
  win32::Win32Processes processes;
  win32::Win32Environment environment;
  win32::Win32FileStore store;
  win32::Win32RecoveryFile recoveryFile;
  win32::Win32Clock clock;
  win32::Win32SystemInfo systemInfo;

  int exitCode = 0;
  {
    win32::MainWindow window(instance);
    if (!window.created()) {
      MessageBoxW(nullptr, L"Kestrom could not create its window (Windows refused a window or control).",
                  win32::Widen(kAppTitle).c_str(), MB_OK | MB_ICONSTOP);
      return 1;
    }
    win32::Win32Controls controls(window.hwnd(), window.accelerators());
    win32::Win32FileDialogs dialogs(window.hwnd());
    win32::Win32CopyDialogs copyDialogs(window.hwnd());
    Form form(
        controls, store,
        [&] {
          return std::make_unique<CMach>(automation, SystemServices{registry, processes, environment}, controls);
        },
        ProgramFileServices{store, dialogs, &systemInfo, &copyDialogs}, RecoveryServices{&recoveryFile, &clock},
        window.pathSurface());
    window.Attach(&form);

    form.Load();
    ShowWindow(window.hwnd(), show);
    UpdateWindow(window.hwnd());
    form.OfferRecovery();

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
      win32::DispatchWindowMessage(window.hwnd(), window.accelerators(), msg);
    exitCode = static_cast<int>(msg.wParam);
  }
  // A call that Mach3 still holds must not run on after WinMain: the program
  // ends here without it (the journal was flushed as the form went).
  if (!worker.Stop(2000)) TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exitCode));
  return exitCode;
}
