// Prints what the expensive paths cost under Wine; run by bench.sh, not a test.
//   wine_bench.exe [lines|quick]   (default 100000: each append in Wine's edit control
//   costs more as the text grows, so a million appended one by one takes hours there;
//   quick: the call figures only)
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "fakes/fake_recovery.h"
#include "machine/cmach.h"
#include "machine/deadline_automation.h"
#include "machine/win32/com_automation.h"
#include "machine/win32/raii.h"
#include "machine/win32/win32_call_worker.h"
#include "machine/win32/text_win32.h"
#include "machine/win32/win32_system.h"
#include "window/program_box.h"
#include "teach/win32/win32_file_store.h"
#include "teach/win32/win32_recovery_file.h"
#include "tests/win32/driver.h"
#include "window/win32/main_window.h"
#include "window/win32/path_view_window.h"
#include "window/win32/win32_controls.h"

namespace {
using namespace kestrom;
using Clock = std::chrono::steady_clock;

double MicrosSince(Clock::time_point start) {
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

class NoPump : public EventPump {
 public:
  void PumpPendingEvents() override {}
};

// The real window's program box with its journal on disk, as kestrom.exe has them.
struct JournaledBox {
  win32::MainWindow window{GetModuleHandleW(nullptr)};
  win32::Win32Controls controls{window.hwnd()};
  win32::Win32RecoveryFile file;
  win32::Win32Clock clock;
  ProgramJournal journal{controls, &file, clock};
  JournaledBox() { journal.Start(); }
};

// What the recovery journal adds to a tick that records a line: the line
// appended to the journal file, and its share of the flush made once a second.
void RecoveryCost(double tickMs) {
  JournaledBox box;
  ProgramJournal& journal = box.journal;
  const std::string line = TaughtLine(" X+123.4567 Y-12.5000 Z+0.0000", std::string("200"));
  const int lines = 2000, flushes = 50;
  auto start = Clock::now();
  for (int i = 0; i < lines; ++i) journal.Appended(line, false);
  const double appendUs = MicrosSince(start) / lines;
  // Each flush timed on its own, with a line written before it, as once a second.
  double flushUs = 0, slowestUs = 0;
  for (int i = 0; i < flushes; ++i) {
    journal.Appended(line, false);
    start = Clock::now();
    journal.FlushNow();
    const double us = MicrosSince(start);
    flushUs += us / flushes;
    slowestUs = std::max(slowestUs, us);
  }
  const double ticksPerSecond = 1000.0 / tickMs;
  const double perTickMs = (appendUs + flushUs / ticksPerSecond) / 1000;
  std::printf("recovery journal per recorded line: %.1f us written + %.0f us flush once a second (slowest of %d: "
              "%.0f us) = %.3f ms, %.2f%% of a %.2f ms tick\n",
              appendUs, flushUs, flushes, slowestUs, perTickMs, perTickMs / tickMs * 100, tickMs);
  journal.Saved(journal.state().text);
}

void CallCosts() {
  wine::SimMach3 sim;
  if (!sim.Ready()) { std::printf("SimMach3 did not start\n"); std::exit(1); }
  win32::ComAutomation automation;
  win32::Win32CallWorker worker;
  DeadlineAutomation deadline(automation, worker);
  win32::Win32Registry registry;
  win32::Win32Processes processes;
  win32::Win32Environment environment;
  NoPump pump;
  CMach direct(automation, {registry, processes, environment}, pump);
  CMach viaWorker(deadline, {registry, processes, environment}, pump);  // as kestrom.exe calls
  if (!direct.InitMach() || !viaWorker.InitMach()) { std::printf("connect failed\n"); std::exit(1); }

  // The same scripting object through bare IDispatch, its DISPID looked up once.
  CLSID clsid;
  CLSIDFromProgID(win32::Widen(mach3::kProgId).c_str(), &clsid);
  win32::ComPtr<IUnknown> active;
  GetActiveObject(clsid, nullptr, active.put());
  win32::ComPtr<IDispatch> document;
  IID iid;
  IIDFromString(win32::Widen(mach3::kDocumentIid).c_str(), &iid);
  active->QueryInterface(iid, document.put_void());
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  win32::Variant scriptResult;
  document->Invoke(mach3::kScriptDispatchId, IID_NULL, 0, DISPATCH_METHOD, &none, scriptResult.get(), nullptr, nullptr);
  IDispatch* script = scriptResult.ref().pdispVal;
  wchar_t name[] = L"GetDROString";
  LPOLESTR names[] = {name};
  DISPID id = 0;
  script->GetIDsOfNames(IID_NULL, names, 1, 0, &id);

  auto lookups = [&] { return sim.Call("SimLookups", {Arg::RefBstr("GetDROString")}).value.integer; };
  const int ticks = 40;
  auto tickCost = [&](CMach& mach) {  // ms for one tick's 12 ReadDRO
    const auto start = Clock::now();
    for (int i = 0; i < ticks * 12; ++i) mach.ReadDRO(i % 6);
    return MicrosSince(start) / ticks / 1000;
  };
  // ms for one tick's 12 GetDROString through bare IDispatch; `byName` looks the
  // name up on every call, as every call did before the names were kept.
  auto bareTickCost = [&](bool byName) {
    const auto start = Clock::now();
    for (int i = 0; i < ticks * 12; ++i) {
      DISPID member = id;
      if (byName) script->GetIDsOfNames(IID_NULL, names, 1, 0, &member);
      VARIANT arg;
      arg.vt = VT_I4;
      arg.lVal = i % 6;
      DISPPARAMS params{&arg, nullptr, 1, 0};
      win32::Variant result;
      script->Invoke(member, IID_NULL, 0, DISPATCH_METHOD, &params, result.get(), nullptr, nullptr);
    }
    return MicrosSince(start) / ticks / 1000;
  };
  // Wine's timing drifts from second to second: the four ways are timed in
  // turn, round after round, each round starting with the next of them, and
  // each ratio is taken within one round; the median and the spread of the rounds.
  // SimMach3's name lookups are counted over Kestrom's own ticks only: the bare
  // calls by name look up on every call.
  long kestromLookups = 0;
  constexpr int kRounds = 15;
  std::vector<double> viaWorkerMs, directMs, bareMs, byNameMs, workerRatio, directRatio, byNameRatio;
  for (int round = 0; round < kRounds; ++round) {
    double t[4] = {};
    for (int k = 0; k < 4; ++k) {
      const int way = (round + k) % 4;
      const long lookupsBefore = lookups();
      t[way] = way == 0 ? tickCost(viaWorker) : way == 1 ? tickCost(direct) : bareTickCost(way == 3);
      if (way < 2) kestromLookups += lookups() - lookupsBefore;
    }
    viaWorkerMs.push_back(t[0]), directMs.push_back(t[1]), bareMs.push_back(t[2]), byNameMs.push_back(t[3]);
    workerRatio.push_back(t[0] / t[2]), directRatio.push_back(t[1] / t[2]), byNameRatio.push_back(t[3] / t[2]);
  }
  const double lookupsPerTick = static_cast<double>(kestromLookups) / (2.0 * kRounds * ticks);
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  auto spread = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    char text[64];
    std::snprintf(text, sizeof text, "%.2f-%.2f", v[v.size() / 4], v[v.size() * 3 / 4]);  // the middle half
    return std::string(text);
  };
  std::printf("one tick (12 ReadDRO), as kestrom.exe calls (call worker, deadline): %.2f ms (middle half %s)\n",
              median(viaWorkerMs), spread(viaWorkerMs).c_str());
  std::printf("one tick on the window's thread, no worker: %.2f ms; 12 bare IDispatch::Invoke: %.2f ms (%s)\n",
              median(directMs), median(bareMs), spread(bareMs).c_str());
  std::printf("tick / 12 bare Invoke, %d rounds interleaved: median %.2fx (middle half %s) with the worker, "
              "%.2fx (%s) without\n",
              kRounds, median(workerRatio), spread(workerRatio).c_str(), median(directRatio),
              spread(directRatio).c_str());
  std::printf("one tick by name on every call, as before (GetIDsOfNames + Invoke): %.2f ms (%.2fx, %s)\n",
              median(byNameMs), median(byNameRatio), spread(byNameRatio).c_str());
  std::printf("round trips SimMach3 serves per tick: 12 Invoke + %.3f GetIDsOfNames (24 before names were kept)\n",
              lookupsPerTick);
  RecoveryCost(median(viaWorkerMs));
}

void ProgramBoxCosts(int totalLines) {
  win32::MainWindow window(GetModuleHandleW(nullptr));
  win32::Win32Controls controls(window.hwnd());
  testing::ManualClock clock;
  ProgramJournal journal(controls, nullptr, clock);
  TeachProgram program(controls, ControlId::Text2, journal);
  const std::string words = " X+123.4567 Y-12.5000 Z+0.0000";
  const std::string feed = "200";
  int lines = 0;
  auto appendUpTo = [&](int target) {
    while (lines < target) {
      program.AppendTaughtLine(words, feed);
      ++lines;
    }
  };
  for (int at : {100, 10000, 100000}) {
    if (at > totalLines) break;
    appendUpTo(at);
    const int sample = 200;
    const auto start = Clock::now();
    appendUpTo(at + sample);
    std::printf("append in the real edit control at %6d lines: %.1f us per line\n", at, MicrosSince(start) / sample);
  }
  const auto start = Clock::now();
  appendUpTo(totalLines);
  std::printf("recorded %d lines in all (the rest took %.1f s)\n", lines, MicrosSince(start) / 1e6);

  std::string text = controls.Text(ControlId::Text2);
  const size_t expected = std::string(kStartHeader).size() + static_cast<size_t>(lines) * TaughtLine(words, feed).size();
  std::printf("program box holds %zu characters, expected %zu: %s\n", text.size(), expected,
              text.size() == expected ? "every line kept" : "LINES LOST");

  // The save and the memory are measured with a million-line program, set in one step.
  const int savedLines = 1000000;
  text = kStartHeader;
  for (int i = 0; i < savedLines; ++i) text += TaughtLine(words, feed);
  controls.SetText(ControlId::Text2, text);
  text = controls.Text(ControlId::Text2);
  lines = savedLines;

  win32::Win32FileStore store;
  auto saveStart = Clock::now();
  const auto failure = store.WriteWhole("C:\\kestrom-bench.tap", text + "\r\n");
  const double save = MicrosSince(saveStart) / 1000;
  saveStart = Clock::now();
  {
    win32::UniqueHandle raw(CreateFileW(L"C:\\kestrom-bench-raw.tap", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD done = 0;
    const std::string bytes = text + "\r\n";
    WriteFile(raw.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
  }
  const double rawMs = MicrosSince(saveStart) / 1000;
  std::printf("save of %d lines (%zu bytes): %.1f ms; raw write of the same bytes: %.1f ms%s\n", lines, text.size() + 2,
              save, rawMs, failure ? (" - FAILED: " + *failure).c_str() : "");
  DeleteFileW(L"C:\\kestrom-bench.tap");
  DeleteFileW(L"C:\\kestrom-bench-raw.tap");

  PROCESS_MEMORY_COUNTERS memory{};
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  std::printf("peak working set with %d lines: %.1f MiB\n", lines, memory.PeakWorkingSetSize / 1048576.0);
}

void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

// A jogged program of `lines` lines: strokes back and forth across 100 mm,
// the spindle on, each stroke 0.1 mm above the last.
std::string Strokes(int lines, int perStroke) {
  std::string text = kStartHeader;
  text += "\r\nM3";
  char line[80];
  for (int i = 0; i < lines; ++i) {
    const int stroke = i / perStroke, at = i % perStroke;
    const double x = (stroke % 2 ? perStroke - 1 - at : at) * 100.0 / perStroke;
    std::snprintf(line, sizeof line, "\r\nG01  X%+.4f Y%+.4f Z+0.0000 F200", x, stroke * 0.1);
    text += line;
  }
  return text;
}

// What the path view adds to a recorded line (its segment painted and shown),
// and what a whole new picture of a million points costs, in the real window.
void PathViewCosts() {
  win32::MainWindow main(GetModuleHandleW(nullptr));
  win32::PathViewWindow window(GetModuleHandleW(nullptr));
  PathView view(&window);
  window.Attach(main.hwnd(), &view, nullptr);
  ShowWindow(main.hwnd(), SW_SHOWNOACTIVATE);

  view.Open(Strokes(100000, 1000));
  PumpMessages();
  const int appends = 500;
  auto start = Clock::now();
  for (int i = 0; i < appends; ++i) {
    char line[80];
    std::snprintf(line, sizeof line, "\r\nG01  X%+.4f Y+50.0000 Z+0.0000 F200", 10 + i * 0.05);  // a jog's ticks
    view.Appended(line);
    UpdateWindow(window.hwnd());  // painted now, not at the next idle moment
  }
  std::printf("path view per appended line at 100000 lines: %.3f ms (its segment painted and shown)\n",
              MicrosSince(start) / appends / 1000);

  view.Replaced(Strokes(1000000, 1000));
  PumpMessages();
  const int redraws = 5;
  double worst = 0, total = 0;
  for (int i = 0; i < redraws; ++i) {
    view.SetProjection(Projection::XZ);
    UpdateWindow(window.hwnd());
    start = Clock::now();
    view.SetProjection(Projection::XY);  // a new picture, all of it
    UpdateWindow(window.hwnd());
    const double ms = MicrosSince(start) / 1000;
    worst = std::max(worst, ms);
    total += ms;
  }
  std::printf("path view full redraw of %zu points: %.0f ms on average, %.0f ms at most\n", view.pointCount() - 1,
              total / redraws, worst);
  view.Close();
}

// An edit in the middle of a 20,000-line program (taught again, a point
// inserted, the line deleted at line 10,000) through the real window, its
// journal and the path view, as the commands make it.
void MidProgramEditCosts() {
  JournaledBox box;
  Controls& controls = box.controls;
  ProgramJournal& journal = box.journal;
  TeachProgram program(controls, ControlId::Text2, journal);
  PathView view(nullptr);
  program.Listen(&view);
  view.Open("");
  const std::string text = Strokes(20000, 1000);
  controls.SetText(ControlId::Text2, text);
  view.Replaced(text);
  const size_t middle = text.find("\r\nG01", text.size() / 2) + 2;
  Readouts here{"+12.3456", "+7.8900", "+0.0000", "+0.0000", "+0.0000", "+0.0000"};
  const int rounds = 10;
  double worst = 0;
  auto timed = [&](const std::function<LineEdit(const std::string&)>& edit) {
    const auto start = Clock::now();
    const std::string now = controls.Text(ControlId::Text2);
    program.Edit(now, edit(now));
    PumpMessages();
    const double ms = MicrosSince(start) / 1000;
    worst = std::max(worst, ms);
    return ms;
  };
  double total = 0;
  for (int i = 0; i < rounds; ++i) {
    total += timed([&](const std::string& t) { return ReteachLine(t, middle, here); });
    total += timed([&](const std::string& t) { return InsertLineAfter(t, middle, "G01  X+1.0000 F200"); });
    total += timed([&](const std::string& t) { return DeleteLine(t, middle + 40); });
  }
  std::printf("edit at line 10000 of 20000 (re-teach, insert, delete; box, journal and path view): %.1f ms on "
              "average, %.1f ms at most (goal 100 ms)\n",
              total / (3 * rounds), worst);
  journal.Saved(controls.Text(ControlId::Text2));  // nothing to offer back at the next start
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  wine::ComApartment com;
  CallCosts();
  PathViewCosts();
  MidProgramEditCosts();
  if (mode != "quick") ProgramBoxCosts(mode.empty() ? 100000 : std::atoi(mode.c_str()));
  return 0;
}
