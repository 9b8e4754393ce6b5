// The manual command panel of kestrom.exe against SimMach3: each command as the
// simulator receives it, the wait of "Run GCode", and reconnecting.
#include <gtest/gtest.h>
#include <windows.h>


#include "tests/win32/panel_fixture.h"
#include "teach/teach_program.h"
#include "window/layout.h"
#include "window/manual_panel.h"

namespace kestrom {
namespace {
using C = ControlId;
using Lines = std::vector<std::string>;
using wine::WinePanel;

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
  // The move runs until the test ends it: the freeze begins while it is known to run, however slow the machine.
  StartWaitingRunGCode(600000);
  if (HasFatalFailure()) return;
  sim->Call("SimHang", {Arg::RefI4(4000)});
  const DWORD hungAt = GetTickCount();
  Sleep(1500);
  EXPECT_EQ(wine::FindMessageBox(k->pid()), nullptr) << "the wait ended while Mach3 was frozen";
  // The window takes clicks inside the wait; Mach3's readouts are empty meanwhile.
  EXPECT_EQ(k->ClickForMessage(C::cmdReadDro), "X: \r\nY: \r\nZ: \r\n");
  // Answered once Mach3 answers again: the move then ends.
  sim->Call("SimMovingFor", {Arg::RefI4(1)});
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

}  // namespace
}  // namespace kestrom
