// The real program box and file store in this process: a million-line program
// is kept whole and saved whole; what the code page cannot hold is refused.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>

#include "window/form.h"
#include "window/program_box.h"
#include "teach/win32/win32_file_store.h"
#include "tests/win32/driver.h"
#include "fakes/fake_recovery.h"
#include "window/win32/main_window.h"
#include "window/win32/win32_controls.h"

namespace kestrom {
namespace {

// Open and Remove last line at 20,000 lines through the window's own commands;
// the figures are printed for the README. It runs first: after the million
// lines the process's heap is strewn with their freed blocks, and every
// allocation of the edit control's would be timed through them.
TEST(WineProgramBox, TwentyThousandLinesOpenOnceAndLoseOnlyTheirTail) {
  struct OpenOnly : FileDialogs {
    std::optional<std::string> AskSavePath(const std::string&) override { return std::nullopt; }
    std::optional<std::string> AskOpenPath() override { return std::string("C:\\kestrom-20k.tap"); }
    bool AskYesNo(const std::string&) override { return true; }
  } dialogs;
  win32::MainWindow window(GetModuleHandleW(nullptr));
  win32::Win32Controls controls(window.hwnd());
  win32::Win32FileStore store;
  Form form(controls, store, [] { return std::unique_ptr<CMach>(); }, ProgramFileServices{store, dialogs});
  const std::string line = TaughtLine(" X+123.4567 Y-12.5000 Z+0.0000", std::string("200"));
  std::string text = kStartHeader;
  for (int i = 0; i < 20000; ++i) text += line;
  ASSERT_EQ(store.WriteWhole("C:\\kestrom-20k.tap", text + "\r\n"), std::nullopt);

  const DWORD openStart = GetTickCount();
  form.OnCommand(FormCommand::Open);
  const DWORD openMs = GetTickCount() - openStart;
  ASSERT_EQ(controls.Text(ControlId::Text2), text);
  constexpr int kPresses = 10;
  const DWORD removeStart = GetTickCount();
  for (int i = 0; i < kPresses; ++i) form.OnCommand(FormCommand::RemoveLastLine);
  const double removeMs = static_cast<double>(GetTickCount() - removeStart) / kPresses;
  EXPECT_EQ(controls.Text(ControlId::Text2), text.substr(0, text.size() - kPresses * line.size()));
  form.OnCommand(FormCommand::BringBack);  // the text before the last press
  EXPECT_EQ(controls.Text(ControlId::Text2), text.substr(0, text.size() - (kPresses - 1) * line.size()));
  std::printf("at 20,000 lines: Open %lu ms, Remove last line %.1f ms a press\n", openMs, removeMs);
  wine::RemoveFile(L"C:\\kestrom-20k.tap");
}

TEST(WineProgramBox, AMillionLinesAreKeptAndSavedWhole) {
  win32::MainWindow window(GetModuleHandleW(nullptr));
  win32::Win32Controls controls(window.hwnd());
  testing::ManualClock clock;
  ProgramJournal journal(controls, nullptr, clock);
  TeachProgram program(controls, ControlId::Text2, journal);
  const std::string line = TaughtLine(" X+123.4567 Y-12.5000 Z+0.0000", std::string("200"));
  std::string text = kStartHeader;
  text.reserve(text.size() + line.size() * 1000001);
  for (int i = 0; i < 1000000; ++i) text += line;
  controls.SetText(ControlId::Text2, text);
  program.AppendMCode("M5");  // appended past the edit control's default limit
  text += "\r\nM5";
  ASSERT_EQ(GetWindowTextLengthW(GetDlgItem(window.hwnd(), static_cast<int>(ControlId::Text2))),
            static_cast<int>(text.size()));
  ASSERT_EQ(controls.Text(ControlId::Text2), text);

  win32::Win32FileStore store;
  const std::wstring path = L"C:\\kestrom-million.tap";
  wine::RemoveFile(path);
  ASSERT_EQ(store.WriteWhole("C:\\kestrom-million.tap", text + "\r\n"), std::nullopt);
  EXPECT_EQ(wine::ReadFileBytes(path), text + "\r\n");
  wine::RemoveFile(path);
}

TEST(WineFileStore, TextTheCodePageCannotHoldIsRefusedAndTheEarlierFileKept) {
  win32::Win32FileStore store;
  const std::wstring path = L"C:\\kestrom-codepage.tap";
  wine::RemoveFile(path);
  ASSERT_EQ(store.WriteWhole("C:\\kestrom-codepage.tap", "G01  X1\r\n"), std::nullopt);
  // A character outside every 8-bit Windows code page.
  const auto failure = store.WriteWhole("C:\\kestrom-codepage.tap", "G01  X1 (\xE2\x98\x83)\r\n");
  ASSERT_TRUE(failure.has_value());
  EXPECT_NE(failure->find("kod sayfası"), std::string::npos) << *failure;
  EXPECT_EQ(wine::ReadFileBytes(path), "G01  X1\r\n");
  // Plain ASCII and the code page's own letters are written as one byte each.
  ASSERT_EQ(store.WriteWhole("C:\\kestrom-codepage.tap", "(Parça)\r\n"), std::nullopt);
  const std::string bytes = wine::ReadFileBytes(path);
  EXPECT_EQ(bytes.size(), 9u);

  // A PC whose ANSI code page is UTF-8 (Windows 10 1903 on): written with the
  // flags that code page allows, and bytes that are no UTF-8 refused on reading.
  win32::Win32FileStore utf8(65001);
  ASSERT_EQ(utf8.WriteWhole("C:\\kestrom-codepage.tap", "(Parça \xE2\x98\x83)\r\n"), std::nullopt);
  EXPECT_EQ(wine::ReadFileBytes(path), "(Parça \xE2\x98\x83)\r\n");
  const ReadOutcome back = utf8.ReadWhole("C:\\kestrom-codepage.tap", 1024);
  EXPECT_TRUE(back.ok);
  EXPECT_EQ(back.text, "(Parça \xE2\x98\x83)\r\n");
  ASSERT_EQ(store.WriteWhole("C:\\kestrom-codepage.tap", "(Parça)\r\n"), std::nullopt);  // 0xE7: no UTF-8
  EXPECT_FALSE(utf8.ReadWhole("C:\\kestrom-codepage.tap", 1024).ok);
  wine::RemoveFile(path);
}

}  // namespace
}  // namespace kestrom
