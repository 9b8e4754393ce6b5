#include "tests/win32/driver.h"

#include <gtest/gtest.h>

#include <shlobj.h>
#include <winternl.h>

#include <cstdint>
#include <cstdio>
#include <sstream>

#include "machine/mach3_contract.h"
#include "machine/win32/text_win32.h"
#include "window/layout.h"

namespace kestrom::wine {
namespace {

const std::wstring kMainTitle = win32::Widen(MainWindowSpec().caption);

struct Search {
  DWORD pid;
  const std::wstring* windowClass;
  const std::wstring* title;
  HWND found;
};

BOOL CALLBACK MatchTopWindow(HWND h, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  DWORD owner = 0;
  GetWindowThreadProcessId(h, &owner);
  if (owner != s->pid || !IsWindowVisible(h)) return TRUE;
  wchar_t cls[64] = {}, text[256] = {};
  GetClassNameW(h, cls, 64);
  GetWindowTextW(h, text, 256);
  if ((s->windowClass->empty() || *s->windowClass == cls) && *s->title == text) {
    s->found = h;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK LongestStatic(HWND child, LPARAM lp) {
  wchar_t cls[32] = {};
  GetClassNameW(child, cls, 32);
  if (lstrcmpiW(cls, L"Static") == 0) {
    const std::string t = TextOf(child);
    auto* out = reinterpret_cast<std::string*>(lp);
    if (t.size() > out->size()) *out = t;
  }
  return TRUE;
}

// For the Wine runner (run_under_wine.sh): which process is which, and which
// heap is its default one, so that a heap report, which carries only a process
// id and a heap's address, names its program and tells Kestrom's own heap (the
// C runtime's) from the default heap that Windows' own DLLs allocate from.
void Announce(const std::wstring& exe, DWORD pid, const void* defaultHeap) {
  std::fprintf(stderr, sizeof(void*) == 8 ? "[driver] %s is process %04lx, default heap %016llX\n"
                                          : "[driver] %s is process %04lx, default heap %08llX\n",
               win32::Narrow(exe).c_str(), static_cast<unsigned long>(pid),
               static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(defaultHeap)));
  std::fflush(stderr);
}

// Another process's default heap, from its process environment block (set as it starts).
const void* DefaultHeapOf(HANDLE process) {
  using Query = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
  const auto query =
      reinterpret_cast<Query>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  PROCESS_BASIC_INFORMATION info{};
  if (!query || query(process, ProcessBasicInformation, &info, sizeof info, nullptr) != 0 || !info.PebBaseAddress)
    return nullptr;
  constexpr size_t kProcessHeapInPeb = sizeof(void*) == 8 ? 0x30 : 0x18;
  void* heap = nullptr;
  for (int tries = 0; tries < 500 && !heap; ++tries) {
    if (!ReadProcessMemory(process, reinterpret_cast<const char*>(info.PebBaseAddress) + kProcessHeapInPeb, &heap,
                           sizeof heap, nullptr))
      heap = nullptr;
    if (!heap) Sleep(10);
  }
  return heap;
}

const bool kAnnouncedSelf = [] {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring p = path;
  Announce(p.substr(p.find_last_of(L"\\/") + 1), GetCurrentProcessId(), GetProcessHeap());
  return true;
}();

}  // namespace

HWND FindTopWindow(DWORD pid, const std::wstring& windowClass, const std::wstring& title) {
  Search search{pid, &windowClass, &title, nullptr};
  EnumWindows(MatchTopWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}


std::wstring ExeDir() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p = path;
  return p.substr(0, p.find_last_of(L"\\/") + 1);
}

std::wstring ProgramsDir() {
  wchar_t folder[MAX_PATH] = {};
  const DWORD n = GetEnvironmentVariableW(L"KESTROM_PROGRAMS", folder, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return ExeDir();
  std::wstring dir = folder;
  if (dir.back() != L'\\') dir += L'\\';
  return dir;
}

std::wstring TempPath(const std::wstring& name) {
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  return std::wstring(dir) + name;
}

std::string ReadFileBytes(const std::wstring& path) {
  win32::UniqueHandle f(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
  std::string content;
  if (!f.valid()) return content;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(f.get(), buffer, sizeof buffer, &got, nullptr) && got) content.append(buffer, got);
  return content;
}

void RemoveFile(const std::wstring& path) {
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(path.c_str());
}

int HeapCheckSlowness() {
  // test.sh sets it for the whole run: read once.
  static const int factor = [] {
    wchar_t value[8] = {};
    const DWORD n = GetEnvironmentVariableW(L"KESTROM_HEAP_CHECK_SLOWNESS", value, 8);
    const int read = n > 0 && n < 8 ? _wtoi(value) : 1;
    return read > 0 ? read : 1;
  }();
  return factor;
}

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
  // Under the heap checks everything the programs do takes longer.
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs) * HeapCheckSlowness();
  for (;;) {
    if (done()) return true;
    if (GetTickCount64() > end) return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(20);
  }
}

ChildProcess::ChildProcess(const std::wstring& exe, const std::wstring& args) {
  std::wstring commandLine = L"\"" + ProgramsDir() + exe + L"\" " + args;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, ExeDir().c_str(), &startup,
                     &info)) {
    process_ = win32::UniqueHandle(info.hProcess);
    CloseHandle(info.hThread);
    pid_ = info.dwProcessId;
    Announce(exe, pid_, DefaultHeapOf(info.hProcess));
  }
}

ChildProcess::~ChildProcess() { Kill(); }

bool ChildProcess::WaitForExit(int timeoutMs) {
  // A program that ends frees its heap, and under the heap checks every free walks the whole heap.
  const DWORD limit = static_cast<DWORD>(timeoutMs) * static_cast<DWORD>(HeapCheckSlowness());
  return process_.valid() && WaitForSingleObject(process_.get(), limit) == WAIT_OBJECT_0;
}

DWORD ChildProcess::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (process_.valid()) GetExitCodeProcess(process_.get(), &code);
  return code;
}

void ChildProcess::Kill() {
  if (!process_.valid()) return;
  if (WaitForSingleObject(process_.get(), 0) != WAIT_OBJECT_0) {
    TerminateProcess(process_.get(), 9);
    WaitForSingleObject(process_.get(), 10000);
  }
}

LRESULT Ask(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  DWORD_PTR answer = 0;
  // A window that has gone answers nothing, and that is no hang.
  // A window that is only busy (the heap checks make everything slower) gets the whole time.
  if (!SendMessageTimeoutW(h, msg, wp, lp, SMTO_NORMAL, kAnswerMs, &answer) && IsWindow(h))
    ADD_FAILURE() << "window " << h << " did not answer message 0x" << std::hex << msg << " within " << std::dec
                  << kAnswerMs << " ms";
  return static_cast<LRESULT>(answer);
}

std::string TextOf(HWND h) {
  // The program may change the text between the two questions: a text that does
  // not fill the length asked just before is asked again, a few times at most.
  std::wstring text;
  for (int tries = 0; tries < 5; ++tries) {
    const LRESULT length = Ask(h, WM_GETTEXTLENGTH);
    text.assign(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(Ask(h, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(&text[0]))));
    if (Ask(h, WM_GETTEXTLENGTH) == static_cast<LRESULT>(text.size())) break;
  }
  return win32::Narrow(text);
}

void SetTextOf(HWND h, const std::string& text) {
  const std::wstring w = win32::Widen(text);
  Ask(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(w.c_str()));
}

void Click(HWND h) { PostMessageW(h, BM_CLICK, 0, 0); }

bool IsChecked(HWND h) { return Ask(h, BM_GETCHECK) == BST_CHECKED; }

void PressKey(HWND h, UINT key) {
  PostMessageW(h, WM_KEYDOWN, key, 1);
  PostMessageW(h, WM_KEYUP, key, 1 | (1u << 30) | (1u << 31));
}

HWND FocusOf(DWORD threadId) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(threadId, &info) ? info.hwndFocus : nullptr;
}

namespace {
BOOL CALLBACK FindVisibleMenu(HWND h, LPARAM out) {
  wchar_t name[16] = {};
  GetClassNameW(h, name, 16);
  if (std::wstring(name) != L"#32768" || !IsWindowVisible(h)) return TRUE;
  *reinterpret_cast<HWND*>(out) = h;
  return FALSE;
}

bool InMenuMode(DWORD threadId) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(threadId, &info) && (info.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE));
}
}  // namespace

HWND WaitForMenu(DWORD threadId) {
  HWND found = nullptr;
  WaitUntil([&] {
    EnumThreadWindows(threadId, FindVisibleMenu, reinterpret_cast<LPARAM>(&found));
    return found != nullptr;
  });
  return found;
}

bool CloseMenus(HWND window) {
  // Escape closes only the open popup of a window menu; its bar stays tracked.
  // WM_CANCELMODE ends the tracking itself.
  const DWORD thread = GetWindowThreadProcessId(window, nullptr);
  PostMessageW(window, WM_CANCELMODE, 0, 0);
  return WaitUntil([&] {
    HWND menu = nullptr;
    EnumThreadWindows(thread, FindVisibleMenu, reinterpret_cast<LPARAM>(&menu));
    return menu == nullptr && !InMenuMode(thread);
  });
}

HWND FindMessageBox(DWORD pid) { return FindTopWindow(pid, L"#32770", win32::Widen(kAppTitle)); }

HWND WaitForMessageBox(DWORD pid, int timeoutMs) {
  HWND box = nullptr;
  WaitUntil([&] { return (box = FindMessageBox(pid)) != nullptr; }, timeoutMs);
  return box;
}

std::string MessageText(HWND box) {
  std::string text;
  EnumChildWindows(box, LongestStatic, reinterpret_cast<LPARAM>(&text));
  return text;
}

void Dismiss(HWND box) { Answer(box, IDOK); }

void Answer(HWND box, int button) {
  HWND item = GetDlgItem(box, button);
  if (item)
    Click(item);
  else
    PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(button), 0);
  WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 5000);
}

HWND WaitForDialog(DWORD pid, const std::string& title, int timeoutMs) {
  HWND dialog = nullptr;
  WaitUntil([&] { return (dialog = FindTopWindow(pid, L"#32770", win32::Widen(title))) != nullptr; }, timeoutMs);
  return dialog;
}

void AnswerFileDialog(HWND dialog, const std::string& path) {
  // The file-name box: a combo box (cmb13) in the Explorer-style dialog, an edit (edt1) in the old one.
  HWND name = GetDlgItem(dialog, 0x47c);
  if (!name) name = GetDlgItem(dialog, 0x480);
  SetTextOf(name, path);
  Answer(dialog, IDOK);
}

SimMach3::SimMach3(const std::wstring& extraArgs) {
  static int instance = 0;
  logPath_ =
      TempPath(L"simmach3-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++instance) + L".log");
  RemoveFile(logPath_);
  process_ = std::make_unique<ChildProcess>(L"SimMach3.exe", L"/quiet \"/log:" + logPath_ + L"\" " + extraArgs);
  CLSID clsid;
  CLSIDFromString(win32::Widen(mach3::kClsid).c_str(), &clsid);
  ready_ = WaitUntil([&] {
    win32::ComPtr<IUnknown> unknown;
    return SUCCEEDED(::GetActiveObject(clsid, nullptr, unknown.put()));
  });
  // Our own client connection for the test controls; it needs the ProgID, which
  // a /noprogid simulator leaves to the client under test.
  auto active = automation_.GetActiveObject(mach3::kProgId);
  if (!ready_ || !active.ok) return;
  auto document = automation_.QueryInterface(active.value, mach3::kDocumentIid);
  if (!document.ok) return;
  auto script = automation_.InvokeById(document.value, mach3::kScriptDispatchId);
  if (script.ok) script_ = script.value.object;
}

SimMach3::~SimMach3() {
  script_.reset();
  Kill();
}

std::vector<std::string> SimMach3::Log() const {
  std::vector<std::string> lines;
  std::istringstream in(ReadFileBytes(logPath_));
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

void SimMach3::ClearLog() { Call("SimClearLog"); }

Outcome<Value> SimMach3::Call(const std::string& member, const std::vector<Arg>& args) {
  if (!script_) return Outcome<Value>::Failure({91, "no scripting object"});
  auto outcome = automation_.CallByName(script_, member, args);
  if (!outcome.ok && automation_.Late())
    ADD_FAILURE() << "SimMach3 did not answer " << member << " within " << kTestCallDeadlines.callMs << " ms";
  return outcome;
}

HWND SimMach3::Window() const { return FindTopWindow(process_->pid(), L"", L"SimMach3 - simulated Mach3"); }

void PressGlobally(const std::vector<WORD>& keys) {
  std::vector<INPUT> inputs;
  for (int up = 0; up < 2; ++up)
    for (size_t i = 0; i < keys.size(); ++i) {
      INPUT in{};
      in.type = INPUT_KEYBOARD;
      in.ki.wVk = keys[up ? keys.size() - 1 - i : i];
      in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
      inputs.push_back(in);
    }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void SimMach3::Kill() {
  if (process_) process_->Kill();
}

std::wstring RecoveryFolder() {
  wchar_t appData[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData);
  return std::wstring(appData) + L"\\Kestrom\\";
}

void ClearRecovery() {
  for (int slot = 1; slot <= 8; ++slot) RemoveFile(RecoveryFolder() + L"recovery-" + std::to_wstring(slot) + L".ksr");
}

namespace {
const wchar_t* KestromExe(Kestrom::Start start) {
  if (start == Kestrom::Start::Fresh) ClearRecovery();
  return L"kestrom.exe";
}
}  // namespace

Kestrom::Kestrom(Start start) : process_(KestromExe(start), L"") {
  // The window is shown after the load routine, whose message box may come first.
  WaitUntil([&] { return WaitForWindow(0) != nullptr || FindMessageBox(process_.pid()) != nullptr; });
}

HWND Kestrom::WaitForWindow(int timeoutMs) {
  WaitUntil([&] { return (window_ = FindTopWindow(process_.pid(), L"", kMainTitle)) != nullptr; }, timeoutMs);
  return window_;
}

std::string Kestrom::ClickForMessage(ControlId id) {
  Click(Control(id));
  HWND box = WaitForMessageBox(pid());
  if (!box) return "<no message box>";
  const std::string text = MessageText(box);
  Dismiss(box);
  return text;
}

void Kestrom::Command(size_t menuIndex) const {
  PostMessageW(window_, WM_SYSCOMMAND, 0x100 + menuIndex * 0x10, 0);
}

bool Kestrom::WaitForProgram(const std::string& text, int timeoutMs) const {
  return WaitUntil([&] { return Program() == text; }, timeoutMs);
}

bool Kestrom::TeachOn() const {
  // After the first answered tick, so that the place it starts from is no taught line.
  WaitUntil([&] { return TextOf(Control(ControlId::Text3)).size() > 2; });
  Click(Control(ControlId::Check1));
  return WaitUntil([&] { return IsChecked(Control(ControlId::Check1)); });
}

void SimMach3::Step(int axis, double distance) { Call("SimJogStep", {Arg::RefI4(axis), Arg::RefR8(distance)}); }

std::vector<std::string> LinesOf(const std::vector<std::string>& log, const std::string& member) {
  std::vector<std::string> lines;
  for (const std::string& line : log)
    if (line.compare(0, member.size() + 1, member + "(") == 0) lines.push_back(line);
  return lines;
}

bool SaveScreenshot(HWND window, const std::string& name) {
  RECT r;
  if (!GetWindowRect(window, &r)) return false;
  const int width = r.right - r.left, height = r.bottom - r.top;
  const win32::WindowDc screen(nullptr);
  const win32::MemoryDc memory(CreateCompatibleDC(screen.get()));
  const win32::GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen.get(), width, height));
  {
    const win32::Selected drawing(memory.get(), bitmap.get());
    BitBlt(memory.get(), 0, 0, width, height, screen.get(), r.left, r.top, SRCCOPY);
  }

  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  std::string pixels(stride * static_cast<DWORD>(height), '\0');
  GetDIBits(memory.get(), bitmap.get(), 0, static_cast<UINT>(height), &pixels[0],
            reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);

  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  const std::wstring folder = ExeDir() + L"..\\screenshots";
  CreateDirectoryW(folder.c_str(), nullptr);
  win32::UniqueHandle out(CreateFileW((folder + L"\\" + win32::Widen(name) + L".bmp").c_str(), GENERIC_WRITE, 0,
                                      nullptr, CREATE_ALWAYS, 0, nullptr));
  if (!out.valid()) return false;
  DWORD done = 0;
  return WriteFile(out.get(), &file, sizeof file, &done, nullptr) &&
         WriteFile(out.get(), &header, sizeof header, &done, nullptr) &&
         WriteFile(out.get(), pixels.data(), static_cast<DWORD>(pixels.size()), &done, nullptr);
}

}  // namespace kestrom::wine
