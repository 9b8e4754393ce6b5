// The commands of kestrom.exe that reach a Mach3 that is frozen, in front or
// slow: Stop and Start with a frozen Mach3, the keyboard while Mach3 is in
// front, Load into Mach3. (Check Mach3 is wine_mach3_check_test's.)
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>

#include "tests/win32/panel_fixture.h"
#include "teach/teach_program.h"
#include "window/layout.h"
#include "window/manual_panel.h"

namespace kestrom {
namespace {
using C = ControlId;
using Lines = std::vector<std::string>;
using wine::WinePanel;

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

}  // namespace
}  // namespace kestrom
