// Drives SimMach3 and kestrom.exe from a test under Wine: starts them as their
// own processes, finds windows and message boxes, clicks and reads controls
// through their messages, and talks to SimMach3 through COM.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "machine/automation.h"
#include "machine/deadline_automation.h"
#include "machine/win32/com_automation.h"
#include "machine/win32/raii.h"
#include "machine/win32/win32_call_worker.h"
#include "window/control_ids.h"

namespace kestrom::wine {

constexpr int kWaitMs = 20000;  // the longest any step may take before the test fails
// Every COM call a test makes runs on a call worker with this deadline, so a
// SimMach3 that never answers fails the test instead of holding it up.
constexpr CallDeadlines kTestCallDeadlines{15000, 15000};

using win32::ComApartment;

std::wstring ExeDir();
// Where SimMach3.exe and kestrom.exe are started from: KESTROM_PROGRAMS (a
// folder, such as the unzipped release) when set, otherwise beside the test.
std::wstring ProgramsDir();
std::wstring TempPath(const std::wstring& name);
// How many times slower the programs run under test.sh's heap checks
// (KESTROM_HEAP_CHECK_SLOWNESS): the waits of the tests allow for it.
int HeapCheckSlowness();
std::string ReadFileBytes(const std::wstring& path);
void RemoveFile(const std::wstring& path);
// Polls (pumping this thread's messages) until `done` or the time runs out (the
// time scaled by HeapCheckSlowness()).
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = kWaitMs);

class ChildProcess {
 public:
  ChildProcess(const std::wstring& exe, const std::wstring& args);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  DWORD pid() const { return pid_; }
  bool WaitForExit(int timeoutMs);  // the time scaled by HeapCheckSlowness()
  DWORD ExitCode() const;
  void Kill();

 private:
  win32::UniqueHandle process_;
  DWORD pid_ = 0;
};

// A message sent to a window of another process, waiting at most kAnswerMs;
// a window that does not answer fails the test, naming the message.
constexpr int kAnswerMs = 10000;
LRESULT Ask(HWND h, UINT msg, WPARAM wp = 0, LPARAM lp = 0);
std::string TextOf(HWND h);
void SetTextOf(HWND h, const std::string& text);
void Click(HWND h);           // posted BM_CLICK: the click runs in the other process
bool IsChecked(HWND h);
void PressKey(HWND h, UINT key);  // posted WM_KEYDOWN / WM_KEYUP
HWND FocusOf(DWORD threadId);
// The thread's menu window (class #32768) once it shows one, or nullptr.
HWND WaitForMenu(DWORD threadId);
// Ends the menu that the window's thread is tracking, and waits until it has:
// a key sent after it could reach a message box opened later.
bool CloseMenus(HWND window);
HWND FindTopWindow(DWORD pid, const std::wstring& windowClass, const std::wstring& title);
// Keys pressed in order and released in reverse, as the keyboard would, to
// whichever window has the focus.
void PressGlobally(const std::vector<WORD>& keys);
// A message box of the process with the application's title, or nullptr.
HWND FindMessageBox(DWORD pid);
HWND WaitForMessageBox(DWORD pid, int timeoutMs = kWaitMs);
std::string MessageText(HWND box);
void Dismiss(HWND box);
// Presses a message box's or dialog's button (IDOK, IDYES, IDNO, IDCANCEL).
void Answer(HWND box, int button);
// A dialog of the process with this title, such as the common Save and Open dialogs.
HWND WaitForDialog(DWORD pid, const std::string& title, int timeoutMs = kWaitMs);
// Types the path into a common file dialog and presses its default button.
void AnswerFileDialog(HWND dialog, const std::string& path);

class SimMach3 {
 public:
  explicit SimMach3(const std::wstring& extraArgs = L"");
  ~SimMach3();
  bool Ready() const { return ready_; }
  std::vector<std::string> Log() const;
  void ClearLog();
  // A by-name call on the scripting object, as a client in this process.
  Outcome<Value> Call(const std::string& member, const std::vector<Arg>& args = {});
  void Kill();
  // Moves an axis by `distance` at once (SimJogStep).
  void Step(int axis, double distance);
  HWND Window() const;
  ChildProcess& process() { return *process_; }

 private:
  std::wstring logPath_;
  std::unique_ptr<ChildProcess> process_;
  win32::ComAutomation com_;
  win32::Win32CallWorker worker_;
  DeadlineAutomation automation_{com_, worker_, kTestCallDeadlines};
  ObjectRef script_;
  bool ready_ = false;
};

// %APPDATA%\Kestrom\, where kestrom.exe keeps its recovery journals.
std::wstring RecoveryFolder();
// Removes the journals, so that a Kestrom starts as on a new PC.
void ClearRecovery();

class Kestrom {
 public:
  enum class Start { Fresh, WithRecovery };
  // Fresh: the journals are removed first, so no question about unsaved work comes.
  explicit Kestrom(Start start = Start::Fresh);
  HWND window() const { return window_; }
  HWND WaitForWindow(int timeoutMs = kWaitMs);
  HWND Control(ControlId id) const { return GetDlgItem(window_, static_cast<int>(id)); }
  DWORD pid() const { return process_.pid(); }
  DWORD thread() const { return GetWindowThreadProcessId(window_, nullptr); }
  ChildProcess& process() { return process_; }
  std::string Program() const { return TextOf(Control(ControlId::Text2)); }
  // Clicks and answers the one message box that the click shows, returning its text.
  std::string ClickForMessage(ControlId id);
  // A window-menu command, as the menu or its key gives it.
  void Command(size_t menuIndex) const;
  bool WaitForProgram(const std::string& text, int timeoutMs = 10000) const;
  // Ticks teach mode on and waits until the box shows it.
  bool TeachOn() const;

 private:
  ChildProcess process_;
  HWND window_ = nullptr;
};

// Writes what the screen shows of a window to build/screenshots/<name>.bmp, for a
// person to look at; false when it could not.
bool SaveScreenshot(HWND window, const std::string& name);

// The lines of a log that name a member, in order.
std::vector<std::string> LinesOf(const std::vector<std::string>& log, const std::string& member);

}  // namespace kestrom::wine
