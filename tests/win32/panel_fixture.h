// The window and SimMach3 side by side, as the tests of the manual command
// panel and of the commands that reach Mach3 drive them: SimMach3's log without
// the recorder's polling, a waiting "Run GCode", and the keyboard's way to a
// panel control.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/win32/driver.h"
#include "window/layout.h"

namespace kestrom::wine {

using C = ControlId;
using Lines = std::vector<std::string>;

struct WinePanel : ::testing::Test {
  ComApartment com;
  std::unique_ptr<SimMach3> sim = std::make_unique<SimMach3>();
  std::unique_ptr<Kestrom> k;
  void SetUp() override {
    ASSERT_TRUE(sim->Ready());
    k = std::make_unique<Kestrom>();
    ASSERT_NE(k->WaitForWindow(), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return TextOf(k->Control(C::Text3)) == "X:+0.0000"; }));
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
    return WaitUntil([&] { return Commands() == expected; }, 10000);
  }
  // Ticks "andWait", makes SimMach3 report moving for `ms` and clicks "Run GCode";
  // returns once the click is waiting.
  void StartWaitingRunGCode(int ms) {
    Click(k->Control(C::chkAndWait));
    ASSERT_TRUE(WaitUntil([&] { return IsChecked(k->Control(C::chkAndWait)); }));
    sim->Call("SimMovingFor", {Arg::RefI4(ms)});
    Click(k->Control(C::cmdGCode));
    ASSERT_TRUE(WaitUntil([&] { return !LinesOf(sim->Log(), "IsMoving").empty(); }));
  }
  // Tab from the program box to a panel control, then press Space on it.
  void TabToAndPress(C id) {
    HWND target = k->Control(id);
    HWND program = k->Control(C::Text2);
    PostMessageW(program, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    PostMessageW(program, WM_LBUTTONUP, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(k->thread()) == program; }, 5000));
    for (int i = 0; i < 40 && FocusOf(k->thread()) != target; ++i) {
      HWND before = FocusOf(k->thread());
      PressKey(before, VK_TAB);
      WaitUntil([&] { return FocusOf(k->thread()) != before; }, 5000);
    }
    ASSERT_EQ(FocusOf(k->thread()), target);
    PressKey(target, VK_SPACE);
  }
};

}  // namespace kestrom::wine
