// kestrom.exe: the operator window beside a running Mach3.
#include <windows.h>
#include <commctrl.h>

#include "machine/win32/com_automation.h"
#include "machine/win32/com_types.h"
#include "machine/win32/win32_system.h"
#include "teach/win32/win32_file_store.h"
#include "window/form.h"
#include "window/win32/main_window.h"
#include "window/win32/win32_controls.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  using namespace kestrom;
  INITCOMMONCONTROLSEX controlsInit{sizeof controlsInit, ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
  InitCommonControlsEx(&controlsInit);
  win32::ComApartment apartment;  // COM for the whole run

  win32::ComAutomation automation;
  win32::Win32Registry registry;
  win32::Win32Processes processes;
  win32::Win32Environment environment;
  win32::Win32FileStore store;

  win32::MainWindow window(instance);
  win32::Win32Controls controls(window.hwnd());
  Form form(controls, store, [&] {
    return std::make_unique<CMach>(automation, SystemServices{registry, processes, environment}, controls);
  });
  window.Attach(&form);

  form.Load();
  ShowWindow(window.hwnd(), show);
  UpdateWindow(window.hwnd());

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) win32::DispatchWindowMessage(window.hwnd(), msg);
  return static_cast<int>(msg.wParam);
}
