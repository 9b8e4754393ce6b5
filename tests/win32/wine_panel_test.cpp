// The manual command panel of kestrom.exe against SimMach3: each command as the
// simulator receives it, the wait of "Run GCode", and reconnecting.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>

#include "tests/win32/driver.h"
#include "teach/teach_program.h"
#include "window/layout.h"
#include "window/manual_panel.h"

namespace kestrom {
namespace {
using C = ControlId;
using Lines = std::vector<std::string>;

struct WinePanel : ::testing::Test {
  wine::ComApartment com;
  std::unique_ptr<wine::SimMach3> sim = std::make_unique<wine::SimMach3>();
  std::unique_ptr<wine::Kestrom> k;
  void SetUp() override {
    ASSERT_TRUE(sim->Ready());
    k = std::make_unique<wine::Kestrom>();
    ASSERT_NE(k->WaitForWindow(), nullptr);
    ASSERT_TRUE(wine::WaitUntil([&] { return wine::TextOf(k->Control(C::Text3)) == "X:+0.0000"; }));
    sim->ClearLog();
  }
  // The log without the recorder's polling.
  Lines Commands() {
    Lines out;
    for (const std::string& line : sim->Log())
      if (line.rfind("GetDROString(", 0) != 0) out.push_back(line);
    return out;
  }
  bool CommandsAre(const Lines& expected) {
    return wine::WaitUntil([&] { return Commands() == expected; }, 10000);
  }
  // Ticks "andWait", makes SimMach3 report moving for `ms` and clicks "Run GCode";
  // returns once the click is waiting.
  void StartWaitingRunGCode(int ms) {
    wine::Click(k->Control(C::chkAndWait));
    ASSERT_TRUE(wine::WaitUntil([&] { return wine::IsChecked(k->Control(C::chkAndWait)); }));
    sim->Call("SimMovingFor", {Arg::RefI4(ms)});
    wine::Click(k->Control(C::cmdGCode));
    ASSERT_TRUE(wine::WaitUntil([&] { return !wine::LinesOf(sim->Log(), "IsMoving").empty(); }));
  }
  // Tab from the program box to a panel control, then press Space on it.
  void TabToAndPress(C id) {
    HWND target = k->Control(id);
    HWND program = k->Control(C::Text2);
    PostMessageW(program, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    PostMessageW(program, WM_LBUTTONUP, 0, 0);
    ASSERT_TRUE(wine::WaitUntil([&] { return wine::FocusOf(k->thread()) == program; }, 5000));
    for (int i = 0; i < 40 && wine::FocusOf(k->thread()) != target; ++i) {
      HWND before = wine::FocusOf(k->thread());
      wine::PressKey(before, VK_TAB);
      wine::WaitUntil([&] { return wine::FocusOf(k->thread()) != before; }, 5000);
    }
    ASSERT_EQ(wine::FocusOf(k->thread()), target);
    wine::PressKey(target, VK_SPACE);
  }
};

TEST_F(WinePanel, OffScreenButtonsReachedByTabDoTheirWork) {
  TabToAndPress(C::cmdToggleJogMode);
  ASSERT_TRUE(CommandsAre({"DoOEMButton(VT_BYREF|VT_I4=103)"})) << Commands().size();
  TabToAndPress(C::cmdZeroAxis);
  ASSERT_TRUE(CommandsAre({"DoOEMButton(VT_BYREF|VT_I4=103)", "SetDRO(VT_BYREF|VT_I4=0, VT_BYREF|VT_R8=0)",
                           "SetDRO(VT_BYREF|VT_I4=1, VT_BYREF|VT_R8=0)", "SetDRO(VT_BYREF|VT_I4=2, VT_BYREF|VT_R8=0)"}));
  sim->ClearLog();
  TabToAndPress(C::cmdJog);
  ASSERT_TRUE(wine::WaitUntil([&] { return wine::TextOf(k->Control(C::cmdJog)) == "Jog Off"; }));
  EXPECT_EQ(Commands(), (Lines{"JogOn(VT_BYREF|VT_I4=0, VT_I2=0)", "JogOn(VT_BYREF|VT_I4=1, VT_I2=0)",
                               "JogOn(VT_BYREF|VT_I4=2, VT_I2=0)"}));
  wine::Click(k->Control(C::cmdJog));
  ASSERT_TRUE(wine::WaitUntil([&] { return wine::TextOf(k->Control(C::cmdJog)) == "Start Jogging"; }));
  EXPECT_EQ(wine::LinesOf(sim->Log(), "JogOff").size(), 3u);

  // After its message box the focus is back on the button, not on the program box.
  TabToAndPress(C::cmdReadDro);
  HWND box = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(box, nullptr);
  wine::Dismiss(box);
  EXPECT_TRUE(wine::WaitUntil([&] { return wine::FocusOf(k->thread()) == k->Control(C::cmdReadDro); }, 5000));
}

TEST_F(WinePanel, RunGCodeWaitsForTheMoveBeforeItsMessage) {
  wine::Click(k->Control(C::cmdGCode));  // unticked: the call returns at once, no message
  ASSERT_TRUE(CommandsAre({"code(VT_BYREF|VT_BSTR=\"g0 x5 y5\")"}));
  Sleep(300);
  EXPECT_EQ(wine::FindMessageBox(k->pid()), nullptr);

  wine::Click(k->Control(C::chkAndWait));
  wine::SetTextOf(k->Control(C::txtGCode), "G1 X10 F600");  // one second of travel
  wine::Click(k->Control(C::cmdGCode));
  HWND box = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(wine::MessageText(box), "Just arrived at location now");
  EXPECT_TRUE(wine::SaveScreenshot(box, "panel-arrived"));
  auto x = sim->Call("GetDROString", {Arg::RefI4(0)});
  EXPECT_EQ(x.value.text, "+10.0000");  // arrived when the message came
  EXPECT_GT(wine::LinesOf(sim->Log(), "IsMoving").size(), 1u);
  wine::Dismiss(box);
}

TEST_F(WinePanel, ASecondRunGCodeRunsInsideTheFirstWait) {
  StartWaitingRunGCode(2500);
  if (HasFatalFailure()) return;
  wine::Click(k->Control(C::cmdGCode));  // handled inside the first click's wait
  ASSERT_TRUE(wine::WaitUntil([&] { return wine::LinesOf(sim->Log(), "code").size() == 2; }));
  for (int i = 0; i < 2; ++i) {
    HWND box = wine::WaitForMessageBox(k->pid());
    ASSERT_NE(box, nullptr) << i;
    EXPECT_EQ(wine::MessageText(box), "Just arrived at location now");
    wine::Dismiss(box);
  }
}

TEST_F(WinePanel, Mach3DyingDuringTheWaitEndsItAndTheWindowGoesOn) {
  StartWaitingRunGCode(600000);
  if (HasFatalFailure()) return;
  sim->Call("SimExit");
  HWND box = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(wine::MessageText(box), "Just arrived at location now");
  wine::Dismiss(box);
  const std::string dros = k->ClickForMessage(C::cmdReadDro);  // neutral values, no hang
  EXPECT_EQ(dros.rfind("X: \r\nY: \r\nZ: ", 0), 0u) << dros;
}

TEST_F(WinePanel, FrozenMach3KeepsTheWaitGoingAndClosingStillEndsTheProgram) {
  StartWaitingRunGCode(2000);
  if (HasFatalFailure()) return;
  sim->Call("SimHang", {Arg::RefI4(4000)});
  const DWORD hungAt = GetTickCount();
  Sleep(1500);
  EXPECT_EQ(wine::FindMessageBox(k->pid()), nullptr) << "the wait ended while Mach3 was frozen";
  // The window takes clicks inside the wait; Mach3's readouts are empty meanwhile.
  EXPECT_EQ(k->ClickForMessage(C::cmdReadDro), "X: \r\nY: \r\nZ: \r\n");
  HWND box = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(wine::MessageText(box), "Just arrived at location now");
  EXPECT_GE(GetTickCount() - hungAt, 3500u) << "the wait ended before Mach3 answered";
  wine::Dismiss(box);

  sim->Call("SimHang", {Arg::RefI4(10000)});
  Sleep(1500);  // a call is now waiting on the frozen Mach3
  PostMessageW(k->window(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(k->process().WaitForExit(6000)) << "closing waited for the frozen Mach3";
}

TEST_F(WinePanel, OemSpindleDrosAndPages) {
  wine::SetTextOf(k->Control(C::txtOEM), "17,5");
  wine::Click(k->Control(C::cmdOEM));
  ASSERT_TRUE(CommandsAre({"DoOEMButton(VT_BYREF|VT_I4=18)"}));
  wine::SetTextOf(k->Control(C::txtOEM), "abc");
  EXPECT_EQ(k->ClickForMessage(C::cmdOEM), "Invalid OEM code (a whole number from -32768 to 32767)");

  sim->ClearLog();
  wine::Click(k->Control(C::cmdSpindle));
  ASSERT_TRUE(CommandsAre({"SetSpinSpeed(VT_BYREF|VT_R8=1200)", "DoSpinStop()"}));
  EXPECT_TRUE(wine::WaitUntil([&] { return wine::TextOf(k->Control(C::cmdSpindle)) == "Spindle Off"; }));
  wine::SetTextOf(k->Control(C::txtRPM), "1500.5");
  wine::Click(k->Control(C::cmdSpindle));
  ASSERT_TRUE(CommandsAre({"SetSpinSpeed(VT_BYREF|VT_R8=1200)", "DoSpinStop()", "SetSpinSpeed(VT_BYREF|VT_R8=1500.5)",
                           "DoSpinCW()"}));
  EXPECT_TRUE(wine::WaitUntil([&] { return wine::TextOf(k->Control(C::cmdSpindle)) == "Spindle On"; }));
  wine::SetTextOf(k->Control(C::txtRPM), "fast");
  EXPECT_EQ(k->ClickForMessage(C::cmdSpindle), "Invalid spindle rpm");
  EXPECT_EQ(wine::TextOf(k->Control(C::cmdSpindle)), "Spindle On");

  sim->Call("SimJogStep", {Arg::RefI4(0), Arg::RefR8(1.5)});
  sim->Call("SimJogStep", {Arg::RefI4(1), Arg::RefR8(2.25)});
  sim->Call("SimJogStep", {Arg::RefI4(2), Arg::RefR8(-3)});
  const std::string dros = k->ClickForMessage(C::cmdReadDro);
  EXPECT_EQ(dros.rfind("X: +1.5000\r\nY: +2.2500\r\nZ: -3.0000", 0), 0u) << dros;

  sim->ClearLog();
  wine::Ask(k->Control(C::cboPage), CB_SETCURSEL, 5);
  wine::Click(k->Control(C::Command1));
  ASSERT_TRUE(CommandsAre({"DoOEMButton(VT_BYREF|VT_I4=6)"}));
}

TEST_F(WinePanel, CreateMachObjectReconnectsToARestartedMach3) {
  sim.reset();  // Mach3 is gone
  ASSERT_TRUE(wine::WaitUntil([&] { return wine::TextOf(k->Control(C::Text3)) == "X:"; }));
  EXPECT_EQ(k->ClickForMessage(C::cmdCreateMachObj), "Mach3 Programı Kapalı. Önce Mach3 'ü Açınız.");
  sim = std::make_unique<wine::SimMach3>();
  ASSERT_TRUE(sim->Ready());
  wine::Click(k->Control(C::cmdCreateMachObj));
  ASSERT_TRUE(wine::WaitUntil([&] { return wine::TextOf(k->Control(C::Text3)) == "X:+0.0000"; }));
  EXPECT_EQ(wine::FindMessageBox(k->pid()), nullptr);
  EXPECT_EQ(wine::Ask(k->Control(C::cboPage), CB_GETCOUNT), 6);
  EXPECT_EQ(wine::TextOf(k->Control(C::cboPage)), "Run");
}

// Mach3 busy for seconds (as while it regenerates a toolpath): the stop goes
// out as soon as it answers, a start is refused and never arrives late, and
// each caption says what Mach3 was really told. (Under Wine, closing a message
// box waits for the frozen Mach3, so each box is read while Mach3 still sleeps.)
TEST_F(WinePanel, AFrozenMach3GetsItsStopLateAndNoStartAtAll) {
  auto caption = [&] { return wine::TextOf(k->Control(C::cmdJog)); };
  wine::Click(k->Control(C::cmdJog));
  ASSERT_TRUE(wine::WaitUntil([&] { return caption() == "Jog Off"; }));
  for (const char* expected : {kStopQueued, kNotAnsweringNotSent}) {
    sim->ClearLog();
    sim->Call("SimHang", {Arg::RefI4(6000)});
    Sleep(1500);  // a tick's call has missed its deadline
    const std::string before = caption();
    wine::Click(k->Control(C::cmdJog));
    HWND box = wine::WaitForMessageBox(k->pid(), 3000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(wine::MessageText(box), expected);
    EXPECT_EQ(caption(), before);
    EXPECT_EQ(Commands(), Lines{});
    wine::Dismiss(box);
    ASSERT_TRUE(wine::WaitUntil([&] { return wine::TextOf(k->Control(C::Text3)).size() > 2; }));  // answering
    Sleep(500);
    if (expected == kStopQueued) {
      EXPECT_EQ(Commands(), (Lines{"JogOff(VT_BYREF|VT_I4=0)", "JogOff(VT_BYREF|VT_I4=1)", "JogOff(VT_BYREF|VT_I4=2)"}));
      EXPECT_TRUE(wine::WaitUntil([&] { return caption() == "Start Jogging"; }));
    }
  }
  // The stop went out once Mach3 answered, and its caption followed; the start never arrived.
  EXPECT_EQ(caption(), "Start Jogging");
  EXPECT_EQ(Commands(), Lines{}) << "a refused start arrived late";
}

// Teaching while the operator jogs in Mach3 with its keyboard: Mach3 keeps the
// foreground, a frozen Mach3 in front never holds up Kestrom's window, and a
// held hot key records one point.
TEST_F(WinePanel, Mach3InFrontKeepsTheKeyboardAndNeverHoldsUpKestrom) {
  HWND simWindow = sim->Window();
  ASSERT_NE(simWindow, nullptr);
  ASSERT_TRUE(k->TeachOn());
  SetForegroundWindow(simWindow);
  ASSERT_TRUE(wine::WaitUntil([&] { return GetForegroundWindow() == simWindow; }, 5000));
  Sleep(1000);  // a thousand ticks of teach mode lifting Kestrom's window
  EXPECT_EQ(GetForegroundWindow(), simWindow) << "Kestrom took the foreground from Mach3";
  std::string program = std::string(kStartHeader) + "\r\nG01  X+1.0000 Y+0.0000 Z+0.0000 F200";
  wine::PressGlobally({VK_RIGHT});
  ASSERT_TRUE(k->WaitForProgram(program)) << k->Program();
  program += "\r\nG01  X+1.0000 Y+1.0000 Z+0.0000 F200";
  wine::PressGlobally({VK_UP});
  ASSERT_TRUE(k->WaitForProgram(program)) << k->Program();
  EXPECT_EQ(GetForegroundWindow(), simWindow);

  // Ctrl+Shift+P held for half a second, its key repeating: one point.
  wine::Click(k->Control(C::Check1));  // teach mode off: only the point is written
  ASSERT_TRUE(wine::WaitUntil([&] { return !wine::IsChecked(k->Control(C::Check1)); }));
  std::vector<INPUT> keys;
  auto key = [&](WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &in, sizeof in);
  };
  key(VK_CONTROL, false);
  key(VK_SHIFT, false);
  for (int i = 0; i < 15; ++i) {
    key('P', false);
    Sleep(33);
  }
  key('P', true);
  key(VK_SHIFT, true);
  key(VK_CONTROL, true);
  program += "\r\nG01  X+1.0000 Y+1.0000 Z+0.0000 F200";
  ASSERT_TRUE(k->WaitForProgram(program)) << k->Program();
  Sleep(500);
  EXPECT_EQ(k->Program(), program) << "a held hot key recorded more than one point";

  // Mach3 in front and frozen, teach mode on: a click on KAYDET is answered at once.
  ASSERT_TRUE(k->TeachOn());
  SetForegroundWindow(simWindow);
  sim->Call("SimHang", {Arg::RefI4(4000)});
  Sleep(300);
  const DWORD clicked = GetTickCount();
  wine::Click(k->Control(C::Command4));
  HWND box = wine::WaitForMessageBox(k->pid(), 3500);
  const DWORD answeredMs = GetTickCount() - clicked;
  ASSERT_NE(box, nullptr);
  wine::Dismiss(box);
  EXPECT_LT(answeredMs, 2000u) << "KAYDET waited for Mach3's frozen window";
  std::printf("KAYDET with a frozen Mach3 in front: handled in %lu ms\n", answeredMs);
}

TEST_F(WinePanel, LoadIntoMach3SaysWhetherMach3LoadedIt) {
  constexpr size_t kLoadIntoMach3 = 2;  // the window menu's place of the command
  sim->Call("SimLoadTakes", {Arg::RefI4(3000)});
  wine::SetTextOf(k->Control(C::Text1), "kestrom-load");
  k->Command(kLoadIntoMach3);
  HWND box = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(wine::MessageText(box), "C:\\ Dizinine (kestrom-load.tap) dosya adı ile kaydedildi.");
  wine::Dismiss(box);
  ASSERT_TRUE(wine::WaitUntil([&] { return sim->Call("FileName").value.text == "C:\\kestrom-load.tap"; }));
  Sleep(1500);
  EXPECT_EQ(wine::FindMessageBox(k->pid()), nullptr) << "a slow load was called a failed one";

  sim->Kill();
  k->Command(kLoadIntoMach3);
  box = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(box, nullptr);
  wine::Dismiss(box);  // saved
  box = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(wine::MessageText(box).rfind("Dosya kaydedildi, ama Mach3 onu yüklemedi", 0), 0u)
      << wine::MessageText(box);
  wine::Dismiss(box);
  wine::RemoveFile(L"C:\\kestrom-load.tap");
}

TEST_F(WinePanel, CheckMach3ReportsEveryMemberAndChangesNothing) {
  constexpr size_t kCheckMach3 = 7;  // the window menu's place of the command
  const std::wstring report = wine::RecoveryFolder() + L"mach3-check.txt";
  auto check = [&] {
    wine::RemoveFile(report);
    k->Command(kCheckMach3);
    HWND box = wine::WaitForMessageBox(k->pid());
    if (!box) return std::string("<no message box>");
    const std::string text = wine::MessageText(box);
    wine::Dismiss(box);
    return text;
  };
  std::string summary = check();
  EXPECT_EQ(summary.rfind("Mach3'ü Denetle: 27 üyeden 27 tanesi bulundu (27 of 27 members found).", 0), 0u) << summary;
  std::string text = wine::ReadFileBytes(report);
  for (const char* line : {"JogOn: found, id 1; Mach3 takes (VT_BYREF|VT_I4, VT_I2), Kestrom sends (VT_BYREF|VT_I4, "
                           "VT_I2): match",
                           "SetDRO: found, id 10; Mach3 takes (VT_BYREF|VT_I4, VT_BYREF|VT_R8)",
                           "Member 3 (scripting object): answering", "GetDROString(0) X: \"+0.0000\"",
                           "Mach3 program: ", "SimMach3.exe", "Kestrom: 6.00"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
  EXPECT_EQ(text.find("DIFFERS"), std::string::npos) << text;
  EXPECT_EQ(text.find("no type information"), std::string::npos) << text;
  // Nothing that moves, loads or sets: only readouts, IsMoving and FileName.
  EXPECT_EQ(Commands(), (Lines{"IsMoving()", "FileName()"}));

  sim->Call("SimHide", {Arg::RefBstr("JogOff")});
  summary = check();
  EXPECT_NE(summary.find("(26 of 27 members found).\r\nEksik (missing): JogOff"), std::string::npos) << summary;
  EXPECT_NE(wine::ReadFileBytes(report).find("JogOff: MISSING"), std::string::npos);
}

}  // namespace
}  // namespace kestrom
