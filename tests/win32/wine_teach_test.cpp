// Recording a jogged path in kestrom.exe against SimMach3, and saving it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <windows.h>

#include "machine/win32/text_win32.h"
#include "sim/sim_window.h"
#include "gcode/program_walk.h"
#include "teach/teach_program.h"
#include "tests/win32/driver.h"
#include "window/path_view.h"
#include "window/win32/win32_copy_dialogs.h"

namespace kestrom {
namespace {
using C = ControlId;

struct WineTeach : ::testing::Test {
  wine::ComApartment com;
  wine::SimMach3 sim;
  std::unique_ptr<wine::Kestrom> k;
  void SetUp() override {
    ASSERT_TRUE(sim.Ready());
    k = std::make_unique<wine::Kestrom>();
    ASSERT_NE(k->WaitForWindow(), nullptr);
    ASSERT_TRUE(wine::WaitUntil([&] { return wine::TextOf(k->Control(C::Text3)) == "X:+0.0000"; }));
  }
  void Step(int axis, double distance) { sim.Call("SimJogStep", {Arg::RefI4(axis), Arg::RefR8(distance)}); }
  bool ProgramIs(const std::string& text) {
    return wine::WaitUntil([&] { return k->Program() == text; }, 10000);
  }
  // Ticks teach mode on and waits until the box shows it.
  bool TeachOn() {
    wine::Click(k->Control(C::Check1));
    return wine::WaitUntil([&] { return wine::IsChecked(k->Control(C::Check1)); });
  }
  std::string Save(const std::string& name) {
    wine::SetTextOf(k->Control(C::Text1), name);
    return k->ClickForMessage(C::Command4);
  }
  // Jogs SimMach3 to (x, y, z) and waits until Kestrom's readouts show it.
  double at[3] = {0, 0, 0};
  bool MoveTo(double x, double y, double z) {
    const double to[3] = {x, y, z};
    for (int a = 0; a < 3; ++a)
      if (to[a] != at[a]) Step(a, to[a] - at[a]), at[a] = to[a];
    char dro[3][16];
    std::snprintf(dro[0], sizeof dro[0], "X:%+.4f", x);
    std::snprintf(dro[1], sizeof dro[1], "Y:%+.4f", y);
    std::snprintf(dro[2], sizeof dro[2], "Z:%+.4f", z);
    return wine::WaitUntil([&] {
      return wine::TextOf(k->Control(C::Text3)) == dro[0] && wine::TextOf(k->Control(C::Text4)) == dro[1] &&
             wine::TextOf(k->Control(C::Text5)) == dro[2];
    });
  }
  // Sent, not posted: the command has taken its point from the readouts when this returns.
  void Command(WPARAM id) { wine::Ask(k->window(), WM_SYSCOMMAND, id, 0); }
  // The 20 × 10 rectangle with corners of radius 2 at Z0, as the guide teaches it:
  // each side's end by Record point, each corner by its via and end points.
  struct Side { double x, y, viaX, viaY, endX, endY; const char* line; const char* arc; };
  static std::vector<Side> RoundedRectangle() {
    const double d = 2 - std::sqrt(2.0);  // a corner's middle lies this far in from both sides
    return {{2, 0, 0, 0, 0, 0, "G01  X+2.0000 Y+0.0000 Z+0.0000 F200", nullptr},
            {18, 0, 20 - d, d, 20, 2, "G01  X+18.0000 Y+0.0000 Z+0.0000 F200",
             "G03 G91.1  X+20.0000 Y+2.0000 Z+0.0000 I+0.0000 J+2.0000 F200"},
            {20, 8, 20 - d, 10 - d, 18, 10, "G01  X+20.0000 Y+8.0000 Z+0.0000 F200",
             "G03 G91.1  X+18.0000 Y+10.0000 Z+0.0000 I-2.0000 J+0.0000 F200"},
            {2, 10, d, 10 - d, 0, 8, "G01  X+2.0000 Y+10.0000 Z+0.0000 F200",
             "G03 G91.1  X+0.0000 Y+8.0000 Z+0.0000 I+0.0000 J-2.0000 F200"},
            {0, 2, d, d, 2, 0, "G01  X+0.0000 Y+2.0000 Z+0.0000 F200",
             "G03 G91.1  X+2.0000 Y+0.0000 Z+0.0000 I+2.0000 J+0.0000 F200"}};
  }
  enum : WPARAM { kRecordPointId = 0x130, kArcViaId = 0x1B0, kArcEndId = 0x1C0 };
  // Teaches the sides and corners; `program` is what the box must then hold.
  ::testing::AssertionResult TeachRoundedRectangle(std::string& program) {
    for (const Side& side : RoundedRectangle()) {
      if (!MoveTo(side.x, side.y, 0)) return ::testing::AssertionFailure() << "not at a side's end";
      Command(kRecordPointId);
      program += std::string("\r\n") + side.line;
      if (!ProgramIs(program)) return ::testing::AssertionFailure() << k->Program();
      if (!side.arc) continue;
      if (!MoveTo(std::round(side.viaX * 1e4) / 1e4, std::round(side.viaY * 1e4) / 1e4, 0))
        return ::testing::AssertionFailure() << "not at a via point";
      Command(kArcViaId);
      if (!MoveTo(side.endX, side.endY, 0)) return ::testing::AssertionFailure() << "not at an arc's end";
      Command(kArcEndId);
      program += std::string("\r\n") + side.arc;
      if (!ProgramIs(program))
        return ::testing::AssertionFailure()
               << k->Program() << "\n"
               << (wine::FindMessageBox(k->pid()) ? wine::MessageText(wine::FindMessageBox(k->pid())) : "no message");
    }
    return ::testing::AssertionSuccess();
  }
};

TEST_F(WineTeach, JoggedPathMCodesAndResetAreSavedByteForByte) {
  ASSERT_TRUE(TeachOn());
  Step(0, 1.25);
  std::string expected = std::string(kStartHeader) + "\r\nG01  X+1.2500 Y+0.0000 Z+0.0000 F200";
  ASSERT_TRUE(ProgramIs(expected)) << k->Program();
  wine::Click(k->Control(C::Command5));
  expected += "\r\nM3";
  ASSERT_TRUE(ProgramIs(expected)) << k->Program();
  Step(1, -2.5);
  expected += "\r\nG01  X+1.2500 Y-2.5000 Z+0.0000 F200";
  ASSERT_TRUE(ProgramIs(expected)) << k->Program();

  PostMessageW(k->Control(C::Text2), WM_LBUTTONDBLCLK, MK_LBUTTON, 0);  // a new program
  ASSERT_TRUE(ProgramIs(kResetHeader)) << k->Program();
  wine::Click(k->Control(C::Check8));  // feed word off
  ASSERT_TRUE(wine::WaitUntil([&] { return !wine::IsChecked(k->Control(C::Check8)); }));
  Step(2, 3);
  expected = std::string(kResetHeader) + "\r\nG01  X+1.2500 Y-2.5000 Z+3.0000";
  ASSERT_TRUE(ProgramIs(expected)) << k->Program();
  wine::Click(k->Control(C::Command6));
  wine::Click(k->Control(C::Command7));
  expected += "\r\nM5\r\nM1";
  ASSERT_TRUE(ProgramIs(expected)) << k->Program();

  EXPECT_TRUE(wine::SaveScreenshot(k->window(), "teach-recorded"));
  wine::RemoveFile(L"C:\\kestrom-e2e.tap");
  EXPECT_EQ(Save("kestrom-e2e"), "C:\\ Dizinine (kestrom-e2e.tap) dosya adı ile kaydedildi.");
  EXPECT_FALSE(wine::IsChecked(k->Control(C::Check1)));
  EXPECT_EQ(wine::ReadFileBytes(L"C:\\kestrom-e2e.tap"), expected + "\r\n");
  Step(0, 1);  // teach mode is off: nothing more is recorded
  Sleep(300);
  EXPECT_EQ(k->Program(), expected);

  // The DROs as SimMach3 reports them agree with the last recorded line.
  auto x = sim.Call("GetDROString", {Arg::RefI4(2)});
  EXPECT_EQ(x.value.text, "+3.0000");

  PostMessageW(k->Control(C::Text2), WM_LBUTTONDBLCLK, MK_LBUTTON, 0);
  ASSERT_TRUE(ProgramIs(kResetHeader));
  EXPECT_EQ(Save("kestrom-e2e"), "C:\\ Dizinine (kestrom-e2e.tap) dosya adı ile kaydedildi.");
  EXPECT_EQ(wine::ReadFileBytes(L"C:\\kestrom-e2e.tap"), std::string(kResetHeader) + "\r\n");  // replaced whole
}

TEST_F(WineTeach, FailedSavesSayWhyAndKeepTheEarlierFile) {
  std::string text = Save("no-such-folder\\x");
  EXPECT_EQ(text.rfind("Dosya kaydedilemedi (file not saved): C:\\no-such-folder\\x.tap", 0), 0u) << text;
  EXPECT_EQ(text.find("kaydedildi."), std::string::npos);

  const std::wstring readOnly = L"C:\\kestrom-ro.tap";
  wine::RemoveFile(readOnly);
  {
    win32::UniqueHandle f(CreateFileW(readOnly.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD done = 0;
    WriteFile(f.get(), "old", 3, &done, nullptr);
  }
  SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
  text = Save("kestrom-ro");
  EXPECT_EQ(text.rfind("Dosya kaydedilemedi (file not saved): C:\\kestrom-ro.tap", 0), 0u) << text;
  EXPECT_EQ(wine::ReadFileBytes(readOnly), "old");
  wine::RemoveFile(readOnly);

  for (const char* bad : {"", "a?b", "CON"}) {
    text = Save(bad);
    EXPECT_EQ(text.rfind("Dosya kaydedilemedi", 0), 0u) << bad << ": " << text;
  }

  // The temporary file is written whole, then the replace is refused: the earlier
  // file is held open by another program (a scan) for longer than the tries last.
  const std::wstring held = L"C:\\kestrom-held.tap";
  wine::RemoveFile(held);
  {
    win32::UniqueHandle f(CreateFileW(held.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD done = 0;
    WriteFile(f.get(), "earlier", 7, &done, nullptr);
  }
  {
    win32::UniqueHandle scan(CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                         nullptr));
    ASSERT_TRUE(scan.valid());
    text = Save("kestrom-held");
    EXPECT_EQ(text.rfind("Dosya kaydedilemedi (file not saved): C:\\kestrom-held.tap", 0), 0u) << text;
  }
  EXPECT_EQ(wine::ReadFileBytes(held), "earlier");
  wine::RemoveFile(held);
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(L"C:\\kst*.tmp", &found);
  EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "a temporary file was left behind";
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
}

TEST_F(WineTeach, Mach3GoingAwayWhileRecordingRecordsNothing) {
  ASSERT_TRUE(TeachOn());
  sim.Call("SimExit");
  ASSERT_TRUE(wine::WaitUntil([&] { return wine::TextOf(k->Control(C::Text3)) == "X:"; }, 10000));
  Sleep(500);
  EXPECT_EQ(k->Program(), kStartHeader);  // no line of bare axis letters
  EXPECT_EQ(k->ClickForMessage(C::Command2), "");  // the DRO check shows an empty text
}

TEST_F(WineTeach, FrozenMach3LeavesTheWindowWorkingAndRecordingGoesOnAfter) {
  ASSERT_TRUE(TeachOn());
  Step(0, 1);
  std::string expected = std::string(kStartHeader) + "\r\nG01  X+1.0000 Y+0.0000 Z+0.0000 F200";
  ASSERT_TRUE(ProgramIs(expected)) << k->Program();

  sim.Call("SimHang", {Arg::RefI4(6000)});
  const DWORD hungAt = GetTickCount();
  wine::Click(k->Control(C::Command5));
  expected += "\r\nM3";
  ASSERT_TRUE(wine::WaitUntil([&] { return k->Program() == expected; }, 2000)) << k->Program();
  std::printf("a click was handled %lu ms after Mach3 froze\n", GetTickCount() - hungAt);
  EXPECT_TRUE(wine::WaitUntil([&] { return wine::TextOf(k->Control(C::Text3)) == "X:"; }, 3000))
      << "the readouts turn empty";

  wine::RemoveFile(L"C:\\kestrom-hang.tap");
  EXPECT_EQ(Save("kestrom-hang"), "C:\\ Dizinine (kestrom-hang.tap) dosya adı ile kaydedildi.");
  EXPECT_EQ(wine::ReadFileBytes(L"C:\\kestrom-hang.tap"), expected + "\r\n");
  EXPECT_LT(GetTickCount() - hungAt, 6000u) << "saved only after Mach3 answered again";

  // Mach3 answers again: the next jog is recorded against the last position.
  ASSERT_TRUE(wine::WaitUntil([&] { return wine::TextOf(k->Control(C::Text3)) == "X:+1.0000"; }, 10000));
  EXPECT_EQ(k->Program(), expected);
  ASSERT_TRUE(TeachOn());
  Step(1, 2);
  expected += "\r\nG01  X+1.0000 Y+2.0000 Z+0.0000 F200";
  EXPECT_TRUE(ProgramIs(expected)) << k->Program();
}

TEST_F(WineTeach, PointByPointFromTheWindowMenuAndTheGlobalKey) {
  constexpr WPARAM kRecordPoint = 0x130, kRemoveLastLine = 0x140;  // the window menu's commands
  Step(0, 1.5);  // teach mode off: a jog alone records nothing
  ASSERT_TRUE(wine::WaitUntil([&] { return wine::TextOf(k->Control(C::Text3)) == "X:+1.5000"; }));
  PostMessageW(k->window(), WM_SYSCOMMAND, kRecordPoint, 0);
  std::string expected = std::string(kStartHeader) + "\r\nG01  X+1.5000 Y+0.0000 Z+0.0000 F200";
  ASSERT_TRUE(ProgramIs(expected)) << k->Program();

  // Ctrl+Shift+P while SimMach3 has the focus, as the operator jogs in Mach3.
  Step(1, 2);
  HWND simWindow = sim.Window();
  ASSERT_NE(simWindow, nullptr);
  SetForegroundWindow(simWindow);
  ASSERT_TRUE(wine::WaitUntil([&] { return GetForegroundWindow() == simWindow; }, 5000));
  wine::PressGlobally({VK_CONTROL, VK_SHIFT, 'P'});
  const std::string second = "\r\nG01  X+1.5000 Y+2.0000 Z+0.0000 F200";
  ASSERT_TRUE(ProgramIs(expected + second)) << k->Program();
  Sleep(300);
  EXPECT_EQ(k->Program(), expected + second);  // the recorder does not write the point again

  PostMessageW(k->window(), WM_SYSCOMMAND, kRemoveLastLine, 0);
  ASSERT_TRUE(ProgramIs(expected)) << k->Program();
  wine::RemoveFile(L"C:\\kestrom-points.tap");
  EXPECT_EQ(Save("kestrom-points"), "C:\\ Dizinine (kestrom-points.tap) dosya adı ile kaydedildi.");
  EXPECT_EQ(wine::ReadFileBytes(L"C:\\kestrom-points.tap"), expected + "\r\n");
}

TEST_F(WineTeach, TheProgramsRoadSaveAsOpenAndLoadIntoMach3) {
  constexpr WPARAM kOpen = 0x110, kLoadIntoMach3 = 0x120;  // the window menu's commands
  // The window menu, open, for a person to look at.
  SetForegroundWindow(k->window());
  PostMessageW(k->window(), WM_SYSCOMMAND, SC_KEYMENU, ' ');
  Sleep(700);
  EXPECT_TRUE(wine::SaveScreenshot(GetDesktopWindow(), "window-menu"));
  wine::PressGlobally({VK_ESCAPE});

  // KAYDET onto a read-only file: the failure, then the Save dialog, then a save elsewhere.
  CreateDirectoryW(L"C:\\kestrom-road", nullptr);
  for (const wchar_t* f : {L"C:\\kestrom-ro.tap", L"C:\\kestrom-road\\saved.tap", L"C:\\kestrom-road\\lf.tap"}) {
    SetFileAttributesW(f, FILE_ATTRIBUTE_NORMAL);
    wine::RemoveFile(f);
  }
  {
    win32::UniqueHandle f(CreateFileW(L"C:\\kestrom-ro.tap", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  }
  SetFileAttributesW(L"C:\\kestrom-ro.tap", FILE_ATTRIBUTE_READONLY);
  wine::Click(k->Control(C::Command5));
  std::string program = std::string(kStartHeader) + "\r\nM3";
  ASSERT_TRUE(ProgramIs(program));
  EXPECT_EQ(Save("kestrom-ro").rfind("Dosya kaydedilemedi (file not saved): C:\\kestrom-ro.tap", 0), 0u);
  HWND dialog = wine::WaitForDialog(k->pid(), "Farklı Kaydet (Save As)");
  ASSERT_NE(dialog, nullptr);
  wine::AnswerFileDialog(dialog, "C:\\kestrom-road\\saved.tap");
  HWND box = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(wine::MessageText(box), "C:\\kestrom-road\\ Dizinine (saved.tap) dosya adı ile kaydedildi.");
  wine::Dismiss(box);
  EXPECT_EQ(wine::ReadFileBytes(L"C:\\kestrom-road\\saved.tap"), program + "\r\n");
  SetFileAttributesW(L"C:\\kestrom-ro.tap", FILE_ATTRIBUTE_NORMAL);

  // Open a file with LF line ends (the box is saved: no question), then Ctrl+S
  // in the program box writes it back with CR LF.
  const std::string lf = "(Kestrom File)\nG21 G90 G49 G64\n\nG01  X1 F200\n";
  {
    win32::UniqueHandle f(CreateFileW(L"C:\\kestrom-road\\lf.tap", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD done = 0;
    WriteFile(f.get(), lf.data(), static_cast<DWORD>(lf.size()), &done, nullptr);
  }
  PostMessageW(k->window(), WM_SYSCOMMAND, kOpen, 0);
  dialog = wine::WaitForDialog(k->pid(), "Aç (Open)");
  ASSERT_NE(dialog, nullptr);
  wine::AnswerFileDialog(dialog, "C:\\kestrom-road\\lf.tap");
  program = "(Kestrom File)\r\nG21 G90 G49 G64\r\n\r\nG01  X1 F200";
  ASSERT_TRUE(ProgramIs(program)) << k->Program();
  EXPECT_EQ(wine::TextOf(k->Control(C::Text1)), "kestrom-road\\lf");
  SetForegroundWindow(k->window());
  PostMessageW(k->Control(C::Text2), WM_LBUTTONDOWN, MK_LBUTTON, 0);
  PostMessageW(k->Control(C::Text2), WM_LBUTTONUP, 0, 0);
  ASSERT_TRUE(wine::WaitUntil([&] { return wine::FocusOf(k->thread()) == k->Control(C::Text2); }, 5000));
  wine::PressGlobally({VK_CONTROL, 'S'});
  box = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(wine::MessageText(box), "C:\\ Dizinine (kestrom-road\\lf.tap) dosya adı ile kaydedildi.");
  wine::Dismiss(box);
  EXPECT_EQ(wine::ReadFileBytes(L"C:\\kestrom-road\\lf.tap"), program + "\r\n");

  // Unsaved lines: Open asks; No changes nothing; Yes, then a file with NUL bytes is refused.
  wine::Click(k->Control(C::Command6));
  program += "\r\nM5";
  ASSERT_TRUE(ProgramIs(program));
  {
    win32::UniqueHandle f(CreateFileW(L"C:\\kestrom-road\\zeros.tap", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD done = 0;
    WriteFile(f.get(), "G01\0X1", 6, &done, nullptr);
  }
  for (int button : {IDNO, IDYES}) {
    PostMessageW(k->window(), WM_SYSCOMMAND, kOpen, 0);
    box = wine::WaitForMessageBox(k->pid());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(wine::MessageText(box).rfind("Programda kaydedilmemiş satırlar var.", 0), 0u);
    wine::Answer(box, button);
  }
  dialog = wine::WaitForDialog(k->pid(), "Aç (Open)");
  ASSERT_NE(dialog, nullptr);
  wine::AnswerFileDialog(dialog, "C:\\kestrom-road\\zeros.tap");
  box = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(wine::MessageText(box).rfind("Dosya açılamadı (file not opened): C:\\kestrom-road\\zeros.tap", 0), 0u);
  wine::Dismiss(box);
  EXPECT_EQ(k->Program(), program);

  // Load into Mach3: saved as KAYDET saves, then SimMach3 holds that file.
  PostMessageW(k->window(), WM_SYSCOMMAND, kLoadIntoMach3, 0);
  box = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(wine::MessageText(box), "C:\\ Dizinine (kestrom-road\\lf.tap) dosya adı ile kaydedildi.");
  wine::Dismiss(box);
  ASSERT_TRUE(wine::WaitUntil([&] { return sim.Call("FileName").value.text == "C:\\kestrom-road\\lf.tap"; }));
  EXPECT_EQ(wine::ReadFileBytes(L"C:\\kestrom-road\\lf.tap"), program + "\r\n");
  Sleep(300);
  EXPECT_EQ(wine::FindMessageBox(k->pid()), nullptr) << "a load that worked needs no second message";
}

TEST_F(WineTeach, ASquareJoggedInStepsIsThinnedToItsCornersAndCanBeTakenBack) {
  constexpr WPARAM kSimplifyPath = 0x180, kBringBack = 0x160;  // the window menu's commands
  ASSERT_TRUE(TeachOn());
  wine::Click(k->Control(C::Command5));
  std::string program = std::string(kStartHeader) + "\r\nM3";
  ASSERT_TRUE(ProgramIs(program));
  double x = 0, y = 0;
  std::string kept;
  auto line = [&] {
    char text[80];
    std::snprintf(text, sizeof text, "\r\nG01  X%+.4f Y%+.4f Z+0.0000 F200", x, y);
    return std::string(text);
  };
  const int axes[] = {0, 1, 0, 1};
  const double signs[] = {1, 1, -1, -1};
  for (int side = 0; side < 4; ++side)
    for (int step = 1; step <= 4; ++step) {
      Step(axes[side], 0.5 * signs[side]);
      (axes[side] ? y : x) += 0.5 * signs[side];
      program += line();
      if ((side == 0 && step == 1) || step == 4) kept += line();  // the first line and the corners
      ASSERT_TRUE(ProgramIs(program)) << k->Program();
    }
  wine::Click(k->Control(C::Command6));
  program += "\r\nM5";
  ASSERT_TRUE(ProgramIs(program));
  wine::Click(k->Control(C::Check1));  // teach mode off
  ASSERT_TRUE(wine::WaitUntil([&] { return !wine::IsChecked(k->Control(C::Check1)); }));

  PostMessageW(k->window(), WM_SYSCOMMAND, kSimplifyPath, 0);
  HWND box = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(wine::MessageText(box),
            "Yol sadeleştirildi: 18 satırdan 7 satır kaldı. (Path simplified: 7 of 18 lines left.)");
  wine::Dismiss(box);
  const std::string thinned = std::string(kStartHeader) + "\r\nM3" + kept + "\r\nM5";
  ASSERT_TRUE(ProgramIs(thinned)) << k->Program();
  wine::RemoveFile(L"C:\\kestrom-thin.tap");
  EXPECT_EQ(Save("kestrom-thin"), "C:\\ Dizinine (kestrom-thin.tap) dosya adı ile kaydedildi.");
  EXPECT_EQ(wine::ReadFileBytes(L"C:\\kestrom-thin.tap"), thinned + "\r\n");
  PostMessageW(k->window(), WM_SYSCOMMAND, kBringBack, 0);
  EXPECT_TRUE(ProgramIs(program)) << "thinning was not taken back";
  wine::RemoveFile(L"C:\\kestrom-thin.tap");
}

TEST_F(WineTeach, TheToleranceChosenInTheSubmenuIsTheOneSimplifyPathUses) {
  constexpr WPARAM kSimplifyPath = 0x180, kTolerance01mm = 0x800 + 4 * 0x10;  // the window menu's commands
  ASSERT_TRUE(TeachOn());
  // A bend of 0.04 mm: kept at 0.01 mm, thinned away at 0.1 mm.
  std::string program = kStartHeader;
  const std::pair<int, double> steps[] = {{0, 0.5}, {0, 0.5}, {1, 0.04}, {0, 1}};
  const char* const lines[] = {"X+0.5000 Y+0.0000", "X+1.0000 Y+0.0000", "X+1.0000 Y+0.0400", "X+2.0000 Y+0.0400"};
  for (int i = 0; i < 4; ++i) {
    Step(steps[i].first, steps[i].second);
    program += std::string("\r\nG01  ") + lines[i] + " Z+0.0000 F200";
    ASSERT_TRUE(ProgramIs(program)) << k->Program();
  }
  wine::Click(k->Control(C::Check1));
  ASSERT_TRUE(wine::WaitUntil([&] { return !wine::IsChecked(k->Control(C::Check1)); }));
  auto simplify = [&] {
    PostMessageW(k->window(), WM_SYSCOMMAND, kSimplifyPath, 0);
    HWND box = wine::WaitForMessageBox(k->pid());
    if (!box) return std::string("<no message box>");
    const std::string text = wine::MessageText(box);
    wine::Dismiss(box);
    return text;
  };
  EXPECT_EQ(simplify(), "Yol sadeleştirildi: 4 satırdan 4 satır kaldı. (Path simplified: 4 of 4 lines left.)");
  EXPECT_EQ(k->Program(), program);
  PostMessageW(k->window(), WM_SYSCOMMAND, kTolerance01mm, 0);
  EXPECT_EQ(simplify(), "Yol sadeleştirildi: 4 satırdan 2 satır kaldı. (Path simplified: 2 of 4 lines left.)");
  EXPECT_TRUE(ProgramIs(std::string(kStartHeader) + "\r\nG01  X+0.5000 Y+0.0000 Z+0.0000 F200" +
                        "\r\nG01  X+2.0000 Y+0.0400 Z+0.0000 F200"))
      << k->Program();
}

// What the screen shows near a pixel of a window's client area: whether `ink`
// is within a pixel of it (pens are one or two pixels wide).
bool InkNear(HWND window, int x, int y, Ink ink) {
  const InkStyle& s = StyleOf(ink);
  const win32::WindowDc screen(nullptr);
  POINT at{x, y};
  ClientToScreen(window, &at);
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx)
      if (GetPixel(screen.get(), at.x + dx, at.y + dy) == RGB(s.red, s.green, s.blue)) return true;
  return false;
}

TEST_F(WineTeach, ThePathViewDrawsATaughtSquareLiveAndLosesTheSegmentTakenBack) {
  constexpr WPARAM kPathView = 0x190, kRemoveLastLine = 0x140;  // the window menu's commands
  const std::wstring caption = win32::Widen(kPathViewCaption);
  PostMessageW(k->window(), WM_SYSCOMMAND, kPathView, 0);
  HWND view = nullptr;
  ASSERT_TRUE(wine::WaitUntil([&] { return (view = wine::FindTopWindow(k->pid(), L"KestromPathView", caption)); }));
  EXPECT_EQ(GetWindow(view, GW_OWNER), k->window());  // it follows the main window in the stacking order

  ASSERT_TRUE(TeachOn());
  wine::Click(k->Control(C::Command5));  // M3 before, M5 after: every side with the spindle on
  std::string program = std::string(kStartHeader) + "\r\nM3";
  ASSERT_TRUE(ProgramIs(program));
  const char* const corners[] = {"X+10.0000 Y+0.0000", "X+10.0000 Y+10.0000", "X+0.0000 Y+10.0000",
                                 "X+0.0000 Y+0.0000"};
  const std::pair<int, double> sides[] = {{0, 10}, {1, 10}, {0, -10}, {1, -10}};
  for (int i = 0; i < 4; ++i) {
    Step(sides[i].first, sides[i].second);
    program += std::string("\r\nG01  ") + corners[i] + " Z+0.0000 F200";
    ASSERT_TRUE(ProgramIs(program)) << k->Program();
  }
  wine::Click(k->Control(C::Command6));
  ASSERT_TRUE(ProgramIs(program + "\r\nM5"));

  // Where one scale for both axes puts the square: centred below the strip, the margin on its tighter side.
  RECT client{};
  GetClientRect(view, &client);
  const int dpi = [] { const win32::WindowDc s(nullptr); return GetDeviceCaps(s.get(), LOGPIXELSY); }();
  const int strip = MulDiv(kStripAt96, dpi, 96), margin = MulDiv(kMarginAt96, dpi, 96);
  const double scale = std::min(client.right - 2 * margin, client.bottom - strip - 2 * margin) / 10.0;
  const double cx = client.right / 2.0, cy = strip + (client.bottom - strip) / 2.0;
  auto px = [&](double x) { return static_cast<int>(std::lround(cx + (x - 5) * scale)); };
  auto py = [&](double y) { return static_cast<int>(std::lround(cy - (y - 5) * scale)); };
  auto onAt = [&](double x, double y) { return InkNear(view, px(x), py(y), Ink::On); };
  ASSERT_TRUE(wine::WaitUntil([&] { return onAt(10, 0) && onAt(10, 10) && onAt(0, 10) && onAt(0, 5); }, 5000))
      << "the square's corners are not where the scale puts them";
  EXPECT_TRUE(InkNear(view, px(0), py(0), Ink::LastPoint));  // the last point, back at the start
  EXPECT_FALSE(onAt(5, 5));  // inside the square: grid and paper only
  wine::SaveScreenshot(view, "path-view");

  // M5, then the last side taken back: the view loses that segment.
  PostMessageW(k->window(), WM_SYSCOMMAND, kRemoveLastLine, 0);
  ASSERT_TRUE(ProgramIs(program));
  PostMessageW(k->window(), WM_SYSCOMMAND, kRemoveLastLine, 0);
  ASSERT_TRUE(ProgramIs(program.substr(0, program.rfind("\r\n"))));
  EXPECT_TRUE(wine::WaitUntil([&] { return !onAt(0, 5); }, 5000)) << "the removed side is still drawn";
  EXPECT_TRUE(onAt(5, 10) && onAt(10, 5));
  EXPECT_TRUE(InkNear(view, px(0), py(10), Ink::LastPoint));

  // Moved, resized, turned to XZ and closed with its close box: it comes back so.
  wine::Click(k->Control(C::Check1));  // teach mode off
  SetWindowPos(view, nullptr, 40, 50, 420, 380, SWP_NOZORDER | SWP_NOACTIVATE);
  HWND xz = FindWindowExW(view, nullptr, L"BUTTON", L"XZ");
  ASSERT_NE(xz, nullptr);
  wine::Click(xz);
  ASSERT_TRUE(wine::WaitUntil([&] { return wine::IsChecked(xz); }));
  RECT before{};
  GetWindowRect(view, &before);
  PostMessageW(view, WM_CLOSE, 0, 0);
  ASSERT_TRUE(wine::WaitUntil([&] { return !IsWindow(view); }));
  PostMessageW(k->window(), WM_SYSCOMMAND, kPathView, 0);
  ASSERT_TRUE(wine::WaitUntil([&] { return (view = wine::FindTopWindow(k->pid(), L"KestromPathView", caption)); }));
  RECT after{};
  GetWindowRect(view, &after);
  EXPECT_TRUE(EqualRect(&before, &after));
  EXPECT_TRUE(wine::IsChecked(FindWindowExW(view, nullptr, L"BUTTON", L"XZ")));
  PostMessageW(k->window(), WM_SYSCOMMAND, kPathView, 0);  // the menu closes it again
  EXPECT_TRUE(wine::WaitUntil([&] { return !IsWindow(view); }));
}

// Taught, loaded into SimMach3 and run back at ten times its speed: the run
// passes every taught point in order, Kestrom's readouts follow it, and a line
// SimMach3 cannot run stops the run there, named in SimMach3's window.
TEST_F(WineTeach, ATaughtProgramRunsBackThroughItsPointsInSimMach3) {
  constexpr WPARAM kLoadIntoMach3 = 0x120;  // the window menu's command
  ASSERT_TRUE(TeachOn());
  wine::Click(k->Control(C::Command5));
  std::string program = std::string(kStartHeader) + "\r\nM3";
  ASSERT_TRUE(ProgramIs(program));
  const struct { int axis; double distance; const char* at; } steps[] = {
      {0, 5, "X+5.0000 Y+0.0000 Z+0.0000"}, {1, 2.5, "X+5.0000 Y+2.5000 Z+0.0000"},
      {2, -1, "X+5.0000 Y+2.5000 Z-1.0000"}, {0, -3.25, "X+1.7500 Y+2.5000 Z-1.0000"}};
  std::vector<std::string> ends;
  for (const auto& s : steps) {
    Step(s.axis, s.distance);
    program += "\r\nG01  " + std::string(s.at) + " F200";
    ends.push_back(std::string(s.at) + " A+0.0000 B+0.0000 C+0.0000");
    ASSERT_TRUE(ProgramIs(program)) << k->Program();
  }
  wine::Click(k->Control(C::Command6));
  program += "\r\nM5";
  ASSERT_TRUE(ProgramIs(program));
  wine::Click(k->Control(C::Check1));  // teach mode off, and the machine moved away
  ASSERT_TRUE(wine::WaitUntil([&] { return !wine::IsChecked(k->Control(C::Check1)); }));
  Step(0, 20);
  wine::RemoveFile(L"C:\\kestrom-play.tap");
  wine::SetTextOf(k->Control(C::Text1), "kestrom-play");
  PostMessageW(k->window(), WM_SYSCOMMAND, kLoadIntoMach3, 0);
  HWND box = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(box, nullptr);
  wine::Dismiss(box);
  ASSERT_TRUE(wine::WaitUntil([&] { return sim.Call("FileName").value.text == "C:\\kestrom-play.tap"; }));

  sim.Call("SimSpeed", {Arg::RefR8(10)});
  sim.ClearLog();
  wine::Click(GetDlgItem(sim.Window(), sim::kCycleStartButton));
  ASSERT_TRUE(wine::WaitUntil([&] { return !wine::LinesOf(sim.Log(), "RunEnd").empty(); }));
  std::vector<std::string> passed;
  for (const std::string& move : wine::LinesOf(sim.Log(), "RunMove"))
    passed.push_back(move.substr(move.find(": ") + 2, move.size() - move.find(": ") - 3));
  EXPECT_EQ(passed, ends);
  EXPECT_EQ(wine::LinesOf(sim.Log(), "RunEnd"), std::vector<std::string>{"RunEnd(end of program, line 9)"});
  EXPECT_TRUE(wine::WaitUntil([&] {
    return wine::TextOf(k->Control(C::Text3)) == "X:+1.7500" && wine::TextOf(k->Control(C::Text5)) == "Z:-1.0000";
  })) << "Kestrom's readouts did not follow the run";

  // A line SimMach3 cannot run: the run stops before it, and its window says where.
  {
    const std::string bad = "G21 G90\r\nG0 X3\r\nG51 X1\r\nG0 X9\r\n";
    win32::UniqueHandle f(CreateFileW(L"C:\\kestrom-bad.tap", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD done = 0;
    WriteFile(f.get(), bad.data(), static_cast<DWORD>(bad.size()), &done, nullptr);
  }
  sim.Call("LoadFile", {Arg::RefBstr("C:\\kestrom-bad.tap")});
  wine::Click(GetDlgItem(sim.Window(), sim::kCycleStartButton));
  HWND status = GetDlgItem(sim.Window(), sim::kRunStatusText);
  EXPECT_TRUE(wine::WaitUntil([&] {
    return wine::TextOf(status) == "Stopped at line 3: G51 X1 (scaling is not read: G51)";
  })) << wine::TextOf(status);
  EXPECT_EQ(wine::LinesOf(sim.Log(), "RunError"), std::vector<std::string>{"RunError(line 3: scaling is not read: G51)"});
  EXPECT_TRUE(wine::WaitUntil([&] { return wine::TextOf(k->Control(C::Text3)) == "X:+3.0000"; }));
  EXPECT_TRUE(wine::SaveScreenshot(sim.Window(), "simmach3-run-stopped"));
  wine::RemoveFile(L"C:\\kestrom-bad.tap");
  wine::RemoveFile(L"C:\\kestrom-play.tap");
}

// A rounded rectangle taught as a part: a rapid approach, M3, four sides and
// four corner arcs each from a via and an end point, M5; then edits at the
// caret: the approach taught again, a point inserted, a line deleted, and an
// edit refused that would move an arc's start. The path view draws the arcs
// through their via points.
TEST_F(WineTeach, ARoundedRectangleTaughtWithArcsAndEditedAtTheCaret) {
  enum : WPARAM { kPathView = 0x190, kReteach = 0x1D0, kInsert = 0x1E0, kDelete = 0x1F0 };  // the window menu's
  PostMessageW(k->window(), WM_SYSCOMMAND, kPathView, 0);
  HWND view = nullptr;
  ASSERT_TRUE(wine::WaitUntil(
      [&] { return (view = wine::FindTopWindow(k->pid(), L"KestromPathView", win32::Widen(kPathViewCaption))); }));
  std::string program = kStartHeader;
  auto expect = [&](const std::string& line) {
    program += "\r\n" + line;
    return ProgramIs(program);
  };

  ASSERT_TRUE(MoveTo(2, 0, 5));
  {  // the rapid's key, pressed while another program has the focus
    HWND simWindow = sim.Window();
    SetForegroundWindow(simWindow);
    ASSERT_TRUE(wine::WaitUntil([&] { return GetForegroundWindow() == simWindow; }, 5000));
    wine::PressGlobally({VK_CONTROL, VK_SHIFT, 'R'});
  }
  ASSERT_TRUE(expect("G00  X+2.0000 Y+0.0000 Z+5.0000")) << k->Program();
  wine::Click(k->Control(C::Command5));
  ASSERT_TRUE(expect("M3")) << k->Program();
  ASSERT_TRUE(TeachRoundedRectangle(program));
  const double d = 2 - std::sqrt(2.0);
  wine::Click(k->Control(C::Command7));
  ASSERT_TRUE(expect("M1")) << k->Program();
  wine::Click(k->Control(C::Command6));
  ASSERT_TRUE(expect("M5")) << k->Program();

  // The arcs are drawn through their via points, not as chords.
  RECT client{};
  GetClientRect(view, &client);
  const int dpi = [] { const win32::WindowDc s(nullptr); return GetDeviceCaps(s.get(), LOGPIXELSY); }();
  const int strip = MulDiv(kStripAt96, dpi, 96), margin = MulDiv(kMarginAt96, dpi, 96);
  const double scale = std::min((client.right - 2 * margin) / 20.0, (client.bottom - strip - 2 * margin) / 10.0);
  const double cx = client.right / 2.0, cy = strip + (client.bottom - strip) / 2.0;
  auto onAt = [&](double x, double y) {
    return InkNear(view, static_cast<int>(std::lround(cx + (x - 10) * scale)),
                   static_cast<int>(std::lround(cy - (y - 5) * scale)), Ink::On);
  };
  EXPECT_TRUE(wine::WaitUntil([&] { return onAt(20 - d, d) && onAt(d, 10 - d) && onAt(10, 0); }, 5000))
      << "an arc's middle is not where its via point was";
  EXPECT_FALSE(onAt(19, 1)) << "a corner drawn as its chord";
  wine::SaveScreenshot(view, "path-view-rounded-rectangle");

  // Edits at the caret's line.
  HWND box = k->Control(C::Text2);
  auto caretOn = [&](const std::string& line) {
    const LPARAM offset = static_cast<LPARAM>(program.find(line) + 1);
    wine::Ask(box, EM_SETSEL, static_cast<WPARAM>(offset), offset);
  };
  auto replaced = [&](const std::string& from, const std::string& to) {
    program.replace(program.find(from), from.size(), to);
    return ProgramIs(program);
  };
  ASSERT_TRUE(MoveTo(2, 0, 10));
  caretOn("G00");
  Command(kReteach);
  ASSERT_TRUE(replaced("G00  X+2.0000 Y+0.0000 Z+5.0000", "G00  X+2.0000 Y+0.0000 Z+10.0000")) << k->Program();
  ASSERT_TRUE(MoveTo(2, 0, 2));
  caretOn("M3");
  Command(kInsert);
  ASSERT_TRUE(replaced("\r\nM3", "\r\nM3\r\nG01  X+2.0000 Y+0.0000 Z+2.0000 F200")) << k->Program();
  caretOn("M1");
  Command(kDelete);
  ASSERT_TRUE(replaced("\r\nM1", "")) << k->Program();
  caretOn("G01  X+18.0000");
  PostMessageW(k->window(), WM_SYSCOMMAND, kDelete, 0);  // refused: the first corner's arc starts where this line ends
  HWND refusal = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(refusal, nullptr);
  EXPECT_NE(wine::MessageText(refusal).find("bu değişiklik bu satırdaki yayın başlangıcını kaydırırdı"), std::string::npos)
      << wine::MessageText(refusal);
  wine::Dismiss(refusal);
  EXPECT_EQ(k->Program(), program);

  wine::RemoveFile(L"C:\\kestrom-part.tap");
  EXPECT_EQ(Save("kestrom-part"), "C:\\ Dizinine (kestrom-part.tap) dosya adı ile kaydedildi.");
  const std::string saved = wine::ReadFileBytes(L"C:\\kestrom-part.tap");
  EXPECT_EQ(saved, program + "\r\n");
  // Read back by Kestrom's interpreter: four quarter arcs of radius 2 round the corners' centres.
  gcode::ProgramWalk walk(saved);
  gcode::Interpreter interpreter;
  gcode::Block block;
  std::vector<std::pair<double, double>> centres;
  while (walk.Next(interpreter, block))
    for (const gcode::Move& m : block.moves)
      if (m.kind == gcode::MoveKind::Arc) centres.push_back({m.centre[0], m.centre[1]});
  EXPECT_FALSE(walk.failed()) << block.Problem();
  EXPECT_EQ(centres, (std::vector<std::pair<double, double>>{{18, 2}, {18, 8}, {2, 8}, {2, 2}}));
  wine::RemoveFile(L"C:\\kestrom-part.tap");
}

// Teach once, cut many: a small part repeated 2 × 3 through the grid dialog,
// taken back, made relative and saved.
TEST_F(WineTeach, ASmallPartRepeatedThroughTheGridDialogTakenBackAndMadeRelative) {
  enum : WPARAM { kRecordPoint = 0x130, kBringBack = 0x160, kGrid = 0x910, kRelative = 0x920 };
  wine::Click(k->Control(C::Command5));
  std::string program = std::string(kStartHeader) + "\r\nM3";
  ASSERT_TRUE(ProgramIs(program));
  for (const auto& [axis, dro] : std::vector<std::pair<int, const char*>>{{0, "X:+1.0000"}, {1, "Y:+1.0000"}}) {
    Step(axis, 1);
    ASSERT_TRUE(wine::WaitUntil([&, dro = dro, axis = axis] {
      return wine::TextOf(k->Control(axis ? C::Text4 : C::Text3)) == dro;
    }));
    wine::Ask(k->window(), WM_SYSCOMMAND, kRecordPoint, 0);
  }
  wine::Click(k->Control(C::Command6));
  program += "\r\nG01  X+1.0000 Y+0.0000 Z+0.0000 F200\r\nG01  X+1.0000 Y+1.0000 Z+0.0000 F200\r\nM5";
  ASSERT_TRUE(ProgramIs(program)) << k->Program();

  PostMessageW(k->window(), WM_SYSCOMMAND, kGrid, 0);  // posted: the dialog is modal
  HWND dialog = wine::WaitForDialog(k->pid(), win32::kGridDialogTitle);
  ASSERT_NE(dialog, nullptr);
  const char* const typed[] = {"2", "3", "10", "5,5", "5"};  // rows, columns, ΔX, ΔY (a decimal comma), safe Z
  for (int i = 0; i < 5; ++i) wine::SetTextOf(GetDlgItem(dialog, win32::kCopyFirstBox + i), typed[i]);
  Sleep(300);  // painted, for the screenshot
  EXPECT_TRUE(wine::SaveScreenshot(dialog, "grid-dialog"));
  wine::Answer(dialog, IDOK);
  HWND box = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(wine::MessageText(box), "6 kopya, 2 satır × 3 sütun; 37 satır (6 copies, 2 rows × 3 columns; 37 lines).");
  wine::Dismiss(box);
  const std::string grid = k->Program();
  EXPECT_NE(grid.find("\r\nM5\r\nG00  Z+5.0000\r\nG00  X+11.0000 Y+0.0000\r\nM3\r\nG01  X+11.0000 Y+0.0000"),
            std::string::npos) << grid;
  EXPECT_NE(grid.find("\r\nG00  X+21.0000 Y+5.5000\r\nM3\r\nG01  X+21.0000 Y+5.5000 Z+0.0000 F200\r\n"
                      "G01  X+21.0000 Y+6.5000 Z+0.0000 F200\r\nM5"),
            std::string::npos) << grid;

  PostMessageW(k->window(), WM_SYSCOMMAND, kBringBack, 0);
  ASSERT_TRUE(ProgramIs(program)) << "the grid was not taken back";
  PostMessageW(k->window(), WM_SYSCOMMAND, kRelative, 0);
  box = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(box, nullptr);
  wine::Dismiss(box);
  const std::string relative = "(Kestrom File) \r\nG21 G90 G49 G64\r\nG91 G91.1\r\n\r\nM3\r\n"
                               "G01  X+0.0000 Y+0.0000 Z+0.0000 F200\r\nG01  X+0.0000 Y+1.0000 Z+0.0000 F200\r\nM5\r\nG90";
  ASSERT_TRUE(ProgramIs(relative)) << k->Program();
  wine::RemoveFile(L"C:\\kestrom-grid.tap");
  EXPECT_EQ(Save("kestrom-grid"), "C:\\ Dizinine (kestrom-grid.tap) dosya adı ile kaydedildi.");
  EXPECT_EQ(wine::ReadFileBytes(L"C:\\kestrom-grid.tap"), relative + "\r\n");
  wine::RemoveFile(L"C:\\kestrom-grid.tap");
}

// A program Kestrom did not write, as a CAM post-processor writes it for
// Mach3: opened, played back in SimMach3 with its tool change's pause, its
// drilling cycle and its R arc, repeated 1 × 2 with safe Z from the program,
// saved, and read back to the places expected.
TEST_F(WineTeach, ACamProgramIsOpenedPlayedBackWithItsToolChangeGriddedAndSaved) {
  enum : WPARAM { kOpen = 0x110, kGrid = 0x910 };
  const std::string cam =
      "%\r\nO1000 (PART)\r\nG90 G94 G17 G91.1\r\nG21\r\nG53 G0 Z0.\r\nT1 M6\r\nS8000 M3\r\nG54\r\nM8\r\n"
      "G0 X0. Y0.\r\nG43 Z15. H1\r\nG0 Z5.\r\nG1 Z-1. F300.\r\nG1 X20.\r\nG2 X30. Y10. R10.\r\nG1 Y20.\r\n"
      "G0 Z5.\r\nG4 P0.2\r\nG98 G81 X10. Y10. Z-3. R2. F100.\r\nX15.\r\nG80\r\nG0 Z15.\r\nM9\r\nM5\r\nM30\r\n%\r\n";
  wine::RemoveFile(L"C:\\kestrom-cam.tap");
  {
    win32::UniqueHandle f(CreateFileW(L"C:\\kestrom-cam.tap", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD done = 0;
    WriteFile(f.get(), cam.data(), static_cast<DWORD>(cam.size()), &done, nullptr);
  }
  PostMessageW(k->window(), WM_SYSCOMMAND, kOpen, 0);
  HWND dialog = wine::WaitForDialog(k->pid(), "Aç (Open)");
  ASSERT_NE(dialog, nullptr);
  wine::AnswerFileDialog(dialog, "C:\\kestrom-cam.tap");
  const std::string opened = cam.substr(0, cam.size() - 2);  // the box holds no line end after the last line
  ASSERT_TRUE(ProgramIs(opened)) << k->Program();

  // Played back: the run stops at M6 for the operator, Cycle Start goes on to M30.
  sim.Call("LoadFile", {Arg::RefBstr("C:\\kestrom-cam.tap")});
  sim.Call("SimSpeed", {Arg::RefR8(10)});
  sim.ClearLog();
  wine::Click(GetDlgItem(sim.Window(), sim::kCycleStartButton));
  HWND status = GetDlgItem(sim.Window(), sim::kRunStatusText);
  ASSERT_TRUE(wine::WaitUntil([&] { return wine::TextOf(status) == "Tool change: T1 at line 6: Cycle Start goes on"; }))
      << wine::TextOf(status);
  EXPECT_EQ(wine::LinesOf(sim.Log(), "RunToolChange"), std::vector<std::string>{"RunToolChange(T1, line 6)"});
  wine::Click(GetDlgItem(sim.Window(), sim::kCycleStartButton));
  ASSERT_TRUE(wine::WaitUntil([&] { return !wine::LinesOf(sim.Log(), "RunEnd").empty(); }, 60000)) << wine::TextOf(status);
  EXPECT_EQ(wine::LinesOf(sim.Log(), "RunEnd"), std::vector<std::string>{"RunEnd(M30, line 25)"});
  const std::vector<std::string> moves = wine::LinesOf(sim.Log(), "RunMove");
  ASSERT_FALSE(moves.empty());
  EXPECT_EQ(moves.back(), "RunMove(line 22: X+15.0000 Y+10.0000 Z+15.0000 A+0.0000 B+0.0000 C+0.0000)");
  EXPECT_NE(std::find(moves.begin(), moves.end(),
                      "RunMove(line 15: X+30.0000 Y+10.0000 Z-1.0000 A+0.0000 B+0.0000 C+0.0000)"),
            moves.end()) << "the R arc's end";

  // Repeated 1 × 2, 50 mm apart; the dialog's safe Z starts at the program's highest Z and says its units.
  PostMessageW(k->window(), WM_SYSCOMMAND, kGrid, 0);
  dialog = wine::WaitForDialog(k->pid(), win32::kGridDialogTitle);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(wine::TextOf(GetDlgItem(dialog, win32::kCopyFirstBox + 4)), "15");
  const char* const typed[] = {"1", "2", "50", "0"};
  for (int i = 0; i < 4; ++i) wine::SetTextOf(GetDlgItem(dialog, win32::kCopyFirstBox + i), typed[i]);
  wine::Answer(dialog, IDOK);
  HWND box = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(wine::MessageText(box).rfind("2 kopya, 1 satır × 2 sütun;", 0), 0u) << wine::MessageText(box);
  wine::Dismiss(box);
  wine::RemoveFile(L"C:\\kestrom-cam-grid.tap");
  EXPECT_EQ(Save("kestrom-cam-grid"), "C:\\ Dizinine (kestrom-cam-grid.tap) dosya adı ile kaydedildi.");
  const std::string saved = wine::ReadFileBytes(L"C:\\kestrom-cam-grid.tap");
  EXPECT_EQ(saved.find("M30"), saved.rfind("M30")) << "M30 once, at the end: Mach3 cuts both parts";
  // Read back: the second part's holes and arc where the first part's are, 50 mm on.
  gcode::ProgramWalk walk(saved);
  gcode::Interpreter interpreter;
  gcode::Block block;
  std::vector<gcode::Point> holes, arcEnds;
  while (walk.Next(interpreter, block))
    for (const gcode::Move& m : block.moves) {
      if (m.cycle && m.kind == gcode::MoveKind::Feed) holes.push_back(m.to);
      if (m.kind == gcode::MoveKind::Arc) arcEnds.push_back(m.to);
    }
  EXPECT_FALSE(walk.failed()) << block.Problem();
  EXPECT_TRUE(walk.ended());
  EXPECT_EQ(holes, (std::vector<gcode::Point>{{10, 10, -3, 0, 0, 0}, {15, 10, -3, 0, 0, 0}, {60, 10, -3, 0, 0, 0},
                                               {65, 10, -3, 0, 0, 0}}));
  EXPECT_EQ(arcEnds, (std::vector<gcode::Point>{{30, 10, -1, 0, 0, 0}, {80, 10, -1, 0, 0, 0}}));
  wine::RemoveFile(L"C:\\kestrom-cam.tap");
  wine::RemoveFile(L"C:\\kestrom-cam-grid.tap");
}

// Cut out of the sheet: the rounded rectangle in three passes with two tabs,
// two holes (one by the key from SimMach3's screen) and a bolt circle of four,
// played back in SimMach3 and saved; the file read back holds them all.
TEST_F(WineTeach, ARoundedRectangleCutInPassesWithTabsAndHolesPlaysBackAndSaves) {
  enum : WPARAM { kRapid = 0x1A0, kHole = 0x200, kDrilling = 0x210, kBoltCircle = 0x220, kDepthPasses = 0x930 };
  std::string program = kStartHeader;
  ASSERT_TRUE(MoveTo(2, 0, 5));
  Command(kRapid);
  wine::Click(k->Control(C::Command5));
  program += "\r\nG00  X+2.0000 Y+0.0000 Z+5.0000\r\nM3";
  ASSERT_TRUE(ProgramIs(program)) << k->Program();
  ASSERT_TRUE(TeachRoundedRectangle(program));
  ASSERT_TRUE(MoveTo(2, 0, 5));
  Command(kRapid);

  // Fills a dialog's boxes from the first; OK, and the message box it brings, if any.
  auto fill = [&](WPARAM command, const char* title, std::vector<std::pair<int, const char*>> boxes) {
    PostMessageW(k->window(), WM_SYSCOMMAND, command, 0);
    HWND dialog = wine::WaitForDialog(k->pid(), title);
    if (!dialog) return std::string("no dialog ") + title;
    std::string start;
    for (int i = 0; GetDlgItem(dialog, win32::kCopyFirstBox + i); ++i)
      start += wine::TextOf(GetDlgItem(dialog, win32::kCopyFirstBox + i)) + "|";
    for (const auto& [box, text] : boxes) wine::SetTextOf(GetDlgItem(dialog, win32::kCopyFirstBox + box), text);
    wine::Answer(dialog, IDOK);
    return start;
  };
  EXPECT_EQ(fill(kDepthPasses, win32::kDepthPassesDialogTitle,
                 {{1, "-3"}, {2, "1"}, {5, "2"}, {6, "4"}, {7, "1"}}),
            "0|-3|1|66.7|5|0|5|1|") << "surface, plunge feed and safe Z start from the program";
  HWND message = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(wine::MessageText(message).rfind("Derinlik pasoları: 1 kontur × 3 paso, 2 köprü;", 0), 0u)
      << wine::MessageText(message);
  wine::Dismiss(message);

  fill(kDrilling, win32::kDrillingDialogTitle, {{0, "-4"}, {1, "2"}, {2, "100"}, {3, "1.5"}});
  ASSERT_TRUE(MoveTo(30, 5, 5));
  {  // the hole's key, pressed while SimMach3 has the focus
    HWND simWindow = sim.Window();
    SetForegroundWindow(simWindow);
    ASSERT_TRUE(wine::WaitUntil([&] { return GetForegroundWindow() == simWindow; }, 5000));
    wine::PressGlobally({VK_CONTROL, VK_SHIFT, 'H'});
  }
  auto shows = [&](const char* text) {
    return wine::WaitUntil([&] { return k->Program().find(text) != std::string::npos; });
  };
  ASSERT_TRUE(shows("\r\nG98 G83 X+30.0000 Y+5.0000 Z-4 R2 Q1.5 F100")) << k->Program();
  ASSERT_TRUE(MoveTo(40, 5, 5));
  Command(kHole);
  ASSERT_TRUE(MoveTo(60, 5, 5));
  fill(kBoltCircle, win32::kBoltCircleDialogTitle, {{0, "4"}, {1, "5"}, {2, "90"}});
  ASSERT_TRUE(shows("\r\nX+40.0000 Y+5.0000\r\nX+60.0000 Y+10.0000\r\nX+55.0000 Y+5.0000")) << k->Program();
  wine::Click(k->Control(C::Command6));
  ASSERT_TRUE(shows("Y+5.0000\r\nG80\r\nM5")) << k->Program();

  wine::RemoveFile(L"C:\\kestrom-cut.tap");
  EXPECT_EQ(Save("kestrom-cut"), "C:\\ Dizinine (kestrom-cut.tap) dosya adı ile kaydedildi.");
  const std::string saved = wine::ReadFileBytes(L"C:\\kestrom-cut.tap");
  sim.Call("LoadFile", {Arg::RefBstr("C:\\kestrom-cut.tap")});
  sim.Call("SimSpeed", {Arg::RefR8(20)});
  sim.ClearLog();
  wine::Click(GetDlgItem(sim.Window(), sim::kCycleStartButton));
  ASSERT_TRUE(wine::WaitUntil([&] { return !wine::LinesOf(sim.Log(), "RunEnd").empty(); }, 120000));
  EXPECT_EQ(wine::LinesOf(sim.Log(), "RunError"), std::vector<std::string>{});
  EXPECT_TRUE(wine::WaitUntil([&] { return wine::TextOf(k->Control(C::Text3)) == "X:+60.0000"; }))
      << "the run ends over the bolt circle's last hole";

  // Read back: cuts at -1, -2 and -3, the last pass over two tabs 4 long at -2; six holes 4 deep.
  gcode::ProgramWalk walk(saved);
  gcode::Interpreter interpreter;
  gcode::Block block;
  std::vector<double> depths;
  std::vector<std::pair<double, double>> holes;
  double onTabs = 0;
  int tabs = 0;
  bool wasOnTab = false;
  while (walk.Next(interpreter, block)) {
    if (block.moves.empty()) continue;
    if (block.moves.front().cycle) {
      holes.emplace_back(block.end[0], block.end[1]);
      double bottom = 0;
      for (const gcode::Move& c : block.moves) bottom = std::min(bottom, c.to[2]);
      EXPECT_NEAR(bottom, -4, 1e-9);
      continue;
    }
    const gcode::Move& m = block.moves.back();
    const bool arc = m.kind == gcode::MoveKind::Arc;
    const double length = arc ? gcode::ArcLength(m.from, m.to, m.centre, m.plane,
                                                 gcode::ShapeOf(m.from, m.to, m.centre, m.plane, m.clockwise))
                              : std::hypot(m.to[0] - m.from[0], m.to[1] - m.from[1]);
    if ((!arc && (m.kind != gcode::MoveKind::Feed || length == 0)) || m.to[2] > -0.5) {
      wasOnTab = false;
      continue;
    }
    if (depths.empty() || m.to[2] < depths.back() - 1e-9) depths.push_back(m.to[2]);
    const bool tab = std::fabs(m.to[2] + 2) < 1e-9 && depths.back() < -2.5;
    tabs += tab && !wasOnTab;
    onTabs += tab ? length : 0;
    wasOnTab = tab;
  }
  EXPECT_FALSE(walk.failed()) << block.Problem();
  EXPECT_EQ(depths, (std::vector<double>{-1, -2, -3}));
  EXPECT_EQ(tabs, 2);
  EXPECT_NEAR(onTabs, 8, 1e-3);
  EXPECT_EQ(holes, (std::vector<std::pair<double, double>>{{30, 5}, {40, 5}, {60, 10}, {55, 5}, {60, 0}, {65, 5}}));
  wine::RemoveFile(L"C:\\kestrom-cut.tap");
}

// Tracing a template: the pointer's offset measured with SimMach3 jogged
// between the two steps, a 20 × 10 rectangle traced with the pointer, offset
// outside for a 6 mm tool, played back and saved with its drawing.
TEST_F(WineTeach, ARectangleTracedWithThePointerOffsetByTheToolPlaysBackAndSavesItsDrawing) {
  enum : WPARAM { kRapid = 0x1A0, kSaveDrawing = 0x230, kPointer = 0x240, kToolRadius = 0x940 };
  ASSERT_TRUE(MoveTo(10, 10, 0));  // the tool over a mark
  PostMessageW(k->window(), WM_SYSCOMMAND, kPointer, 0);
  HWND dialog = wine::WaitForDialog(k->pid(), win32::kPointerDialogTitle);
  ASSERT_NE(dialog, nullptr);
  wine::Answer(dialog, win32::kCopyButton);  // Ölç (Measure)
  HWND step = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(step, nullptr);
  EXPECT_EQ(wine::MessageText(step).rfind("1/2:", 0), 0u) << wine::MessageText(step);
  wine::Dismiss(step);
  step = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(step, nullptr);
  ASSERT_TRUE(MoveTo(4, 7, 0));  // jogged while Kestrom waits: the pointer on the mark
  wine::Dismiss(step);
  dialog = wine::WaitForDialog(k->pid(), win32::kPointerDialogTitle);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(wine::TextOf(GetDlgItem(dialog, win32::kCopyFirstBox)), "+6.0000");
  EXPECT_EQ(wine::TextOf(GetDlgItem(dialog, win32::kCopyFirstBox + 1)), "+3.0000");
  wine::Click(GetDlgItem(dialog, win32::kCopyCheckBox));
  wine::Answer(dialog, IDOK);

  // Traced at the pointer: the machine stands 6 left and 3 below each corner.
  std::string program = kStartHeader;
  ASSERT_TRUE(MoveTo(-6, -3, 5));
  Command(kRapid);
  wine::Click(k->Control(C::Command5));
  program += "\r\nG00  X+0.0000 Y+0.0000 Z+5.0000\r\nM3";
  const double corners[5][2] = {{0, 0}, {20, 0}, {20, 10}, {0, 10}, {0, 0}};
  for (const auto& c : corners) {
    ASSERT_TRUE(MoveTo(c[0] - 6, c[1] - 3, 0));
    Command(kRecordPointId);
    char line[64];
    std::snprintf(line, sizeof line, "\r\nG01  X%+.4f Y%+.4f Z+0.0000 F200", c[0], c[1]);
    program += line;
  }
  ASSERT_TRUE(MoveTo(-6, -3, 5));
  Command(kRapid);
  wine::Click(k->Control(C::Command6));
  program += "\r\nG00  X+0.0000 Y+0.0000 Z+5.0000\r\nM5";
  ASSERT_TRUE(ProgramIs(program)) << k->Program();

  PostMessageW(k->window(), WM_SYSCOMMAND, kToolRadius, 0);
  dialog = wine::WaitForDialog(k->pid(), win32::kToolRadiusDialogTitle);
  ASSERT_NE(dialog, nullptr);
  wine::SetTextOf(GetDlgItem(dialog, win32::kCopyFirstBox), "6");
  wine::Answer(dialog, IDOK);  // Dış (outside), as the dialog starts
  HWND message = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(wine::MessageText(message).rfind("Takım yarıçapı kadar kaydırıldı: 1 kontur, çap 6;", 0), 0u)
      << wine::MessageText(message);
  wine::Dismiss(message);

  wine::RemoveFile(L"C:\\kestrom-trace.tap");
  wine::RemoveFile(L"C:\\kestrom-trace.dxf");
  EXPECT_EQ(Save("kestrom-trace"), "C:\\ Dizinine (kestrom-trace.tap) dosya adı ile kaydedildi.");
  sim.Call("LoadFile", {Arg::RefBstr("C:\\kestrom-trace.tap")});
  sim.Call("SimSpeed", {Arg::RefR8(20)});
  sim.ClearLog();
  wine::Click(GetDlgItem(sim.Window(), sim::kCycleStartButton));
  ASSERT_TRUE(wine::WaitUntil([&] { return !wine::LinesOf(sim.Log(), "RunEnd").empty(); }, 60000));
  EXPECT_EQ(wine::LinesOf(sim.Log(), "RunError"), std::vector<std::string>{});

  PostMessageW(k->window(), WM_SYSCOMMAND, kSaveDrawing, 0);
  dialog = wine::WaitForDialog(k->pid(), "Çizim Olarak Kaydet (Save as drawing)");
  ASSERT_NE(dialog, nullptr);
  wine::AnswerFileDialog(dialog, "C:\\kestrom-trace.dxf");
  message = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(wine::MessageText(message),
            "Çizim kaydedildi (drawing saved): C:\\kestrom-trace.dxf (5 LINE, 4 ARC, 2 HIZLI, 0 DELIK)");
  wine::Dismiss(message);

  // The program read back: the rectangle grown by 3, corners of radius 3, where the pointer traced it.
  const std::string saved = wine::ReadFileBytes(L"C:\\kestrom-trace.tap");
  gcode::ProgramWalk walk(saved);
  gcode::Interpreter interpreter;
  gcode::Block block;
  double low[2] = {1e9, 1e9}, high[2] = {-1e9, -1e9};
  std::vector<double> radii;
  while (walk.Next(interpreter, block))
    for (const gcode::Move& m : block.moves) {
      if (m.to[2] != 0 || m.kind == gcode::MoveKind::Rapid) continue;
      for (int a = 0; a < 2; ++a) low[a] = std::min(low[a], m.to[a]), high[a] = std::max(high[a], m.to[a]);
      if (m.kind == gcode::MoveKind::Arc) radii.push_back(gcode::PlaneRadius(m.from, m.centre, m.plane));
    }
  EXPECT_FALSE(walk.failed()) << block.Problem();
  EXPECT_EQ(low[0], -3);
  EXPECT_EQ(low[1], -3);
  EXPECT_EQ(high[0], 23);
  EXPECT_EQ(high[1], 13);
  EXPECT_EQ(radii, (std::vector<double>{3, 3, 3, 3}));
  // The drawing: its cuts and arcs on KESIM, in millimetres.
  const std::string dxf = wine::ReadFileBytes(L"C:\\kestrom-trace.dxf");
  EXPECT_NE(dxf.find("$INSUNITS\r\n70\r\n4\r\n"), std::string::npos);
  size_t arcs = 0;
  for (size_t at = 0; (at = dxf.find("0\r\nARC\r\n8\r\nKESIM\r\n", at)) != std::string::npos; ++at) ++arcs;
  EXPECT_EQ(arcs, 4u);
  wine::RemoveFile(L"C:\\kestrom-trace.tap");
  wine::RemoveFile(L"C:\\kestrom-trace.dxf");
}

}  // namespace
}  // namespace kestrom
