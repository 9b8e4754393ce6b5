// The window and SimMach3 side by side, as the end-to-end tests of teaching
// drive them: jogging SimMach3, the window menu's commands, saving, and the
// rounded rectangle of the guide taught as a part.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>
#include <windows.h>

#include "machine/win32/text_win32.h"
#include "sim/sim_window.h"
#include "gcode/program_walk.h"
#include "teach/teach_program.h"
#include "tests/win32/driver.h"
#include "window/path_view.h"
#include "window/window_menu.h"
#include "window/win32/win32_copy_dialogs.h"

namespace kestrom::wine {

using C = ControlId;

struct WineTeach : ::testing::Test {
  ComApartment com;
  SimMach3 sim;
  std::unique_ptr<Kestrom> k;
  void SetUp() override {
    ASSERT_TRUE(sim.Ready());
    k = std::make_unique<Kestrom>();
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
  const WPARAM kRecordPointId = MenuId(FormCommand::RecordPoint), kArcViaId = MenuId(FormCommand::ArcViaPoint),
               kArcEndId = MenuId(FormCommand::ArcEndPoint);
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


}  // namespace kestrom::wine
