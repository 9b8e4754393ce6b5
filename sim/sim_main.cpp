// SimMach3.exe: a simulated Mach3 for trying Kestrom without a machine, and for
// its tests. Options: /log:FILE (record every scripting call), /noprogid (leave
// the ProgID registration to the client), /noactive (run without registering the
// document, as a Mach3 still starting up), /quiet (no message boxes).
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <shellapi.h>

#include <iostream>
#include <string>

#include "machine/mod_common.h"
#include "machine/win32/raii.h"
#include "machine/win32/win32_system.h"
#include "machine/win32/text_win32.h"
#include "sim/sim_objects.h"
#include "sim/sim_registration.h"
#include "sim/sim_registry_win32.h"
#include "sim/sim_window.h"

namespace {
using namespace kestrom;

struct Options {
  std::wstring logPath;
  bool registerProgId = true;
  bool quiet = false;
  bool registerActive = true;
};

Options ParseOptions() {
  Options options;
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  for (int i = 1; argv && i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (arg.rfind(L"/log:", 0) == 0) options.logPath = arg.substr(5);
    else if (arg == L"/noprogid") options.registerProgId = false;
    else if (arg == L"/quiet") options.quiet = true;
    else if (arg == L"/noactive") options.registerActive = false;
  }
  LocalFree(argv);
  return options;
}

// The product's own process check, which counts this program too: its name
// holds "mach3.exe" as well, so a second such name is another Mach3.
bool AnotherMach3Running() {
  win32::Win32Processes processes;
  win32::Win32Environment environment;
  int running = 0;
  for (const std::string& name : modCommon::GetProcessList(processes, environment))
    running += modCommon::IsMach3ProcessName(name);
  return running > 1;
}

std::string OwnPath() {
  wchar_t exe[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  return win32::Narrow(exe);
}

int Refuse(const Options& options, const char* why) {
  std::cerr << "SimMach3: " << why << std::endl;
  if (!options.quiet) MessageBoxW(nullptr, win32::Widen(why).c_str(), L"SimMach3", MB_OK | MB_ICONSTOP);
  return 2;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  const Options options = ParseOptions();
  if (AnotherMach3Running()) return Refuse(options, "Another Mach3 is running; SimMach3 stands in only where none is.");
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return Refuse(options, "COM could not start.");
  // Registered for this run only, and only what no Mach3 has registered already.
  sim::Win32ClassesStore machineWide(HKEY_LOCAL_MACHINE), perUser(HKEY_CURRENT_USER);
  sim::Registrar registrar(machineWide, perUser, OwnPath(), sizeof(void*) == 8 ? 64 : 32);
  registrar.RemoveLeftovers();
  if (!registrar.Register(options.registerProgId))
    return Refuse(options, "The Mach4 document could not be registered, machine-wide or for this user.");

  sim::SimMachine machine;
  machine.Advance(sim::NowMs());
  sim::CallLog log(options.logPath);
  machine.SetEventLog([&log](const std::string& event) { log.Write(event); });
  sim::ScriptObject script(machine, log);
  // The scripting object's type information, from the type library in this program.
  win32::ComPtr<ITypeLib> library;
  win32::ComPtr<ITypeInfo> scriptType;
  if (SUCCEEDED(LoadTypeLibEx(win32::Widen(OwnPath()).c_str(), REGKIND_NONE, library.put())) &&
      SUCCEEDED(library->GetTypeInfoOfGuid(sim::kIidMach4Script, scriptType.put())))
    script.SetTypeInfo(scriptType.get());
  sim::DocumentObject document(&script);
  DWORD cookie = 0;
  if (options.registerActive &&
      FAILED(RegisterActiveObject(&document, sim::kClsidMach4Document, ACTIVEOBJECT_STRONG, &cookie)))
    return Refuse(options, "The document could not be registered as the active object.");

  sim::SimWindow window(instance, machine);
  if (!window.created()) return Refuse(options, "SimMach3 could not create its window.");
  ShowWindow(window.hwnd(), show);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (!msg.hwnd && msg.message == sim::kHangMessage) {
      Sleep(static_cast<DWORD>(msg.wParam));
      continue;
    }
    if (!msg.hwnd && msg.message == sim::kExitMessage) TerminateProcess(GetCurrentProcess(), 3);
    if (window.HandleKey(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (cookie) RevokeActiveObject(cookie, nullptr);
  CoDisconnectObject(&document, 0);
  CoDisconnectObject(&script, 0);
  script.SetTypeInfo(nullptr);
  scriptType = nullptr;
  library = nullptr;
  CoUninitialize();
  return 0;
}
