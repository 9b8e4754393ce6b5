#include <gtest/gtest.h>

#include "fakes/form_fixture.h"
#include "teach/teach_program.h"

namespace kestrom {
namespace {
using C = ControlId;

struct Recorder : testing::FormFixture {
  void SetUp() override {
    form.Load();
    form.OnTimer();  // the first tick sees the standing position as a change
    controls.caretMoves = 0;
    automation.calls.clear();
  }
  void TeachOn() { controls.values[C::Check1] = 1; }
};

using RecorderStart = testing::FormFixture;

TEST_F(RecorderStart, FirstTickCountsAsAChangeButRecordsNothingWithTeachModeOff) {
  auto& f = *this;
  f.form.Load();
  f.dro = {"+1.0000", "+2.0000", "+3.0000", "+0.0000", "+0.0000", "+0.0000"};
  f.form.OnTimer();
  EXPECT_EQ(f.controls.caretMoves, 1);
  EXPECT_EQ(f.Program(), kStartHeader);
  EXPECT_EQ(f.controls.Text(C::Text3), "X:+1.0000");
  EXPECT_EQ(f.controls.Text(C::Text9), "C:+0.0000");
  EXPECT_EQ(f.Count("GetDROString"), 12u);
  EXPECT_TRUE(f.controls.stacking.empty());
}

TEST_F(Recorder, StandingStillAppendsNothing) {
  TeachOn();
  for (int i = 0; i < 50; ++i) form.OnTimer();
  EXPECT_EQ(Program(), kStartHeader);
  EXPECT_EQ(controls.caretMoves, 0);
}

TEST_F(Recorder, EnabledAxesAndFeedWordFormTheLine) {
  TeachOn();
  dro[0] = "+1.2500";
  form.OnTimer();
  EXPECT_EQ(Program(), std::string(kStartHeader) + "\r\nG01  X+1.2500 Y+0.0000 Z+0.0000 F200");
  EXPECT_EQ(controls.caretMoves, 1);

  controls.values[C::Check8] = 0;  // feed word off mid-recording: earlier lines unchanged
  controls.values[C::Check3] = 0;
  controls.values[C::Check7] = 1;
  dro[5] = "-7.0000";
  form.OnTimer();
  EXPECT_EQ(Program(), std::string(kStartHeader) + "\r\nG01  X+1.2500 Y+0.0000 Z+0.0000 F200" +
                           "\r\nG01  X+1.2500 Z+0.0000 C-7.0000");
}

TEST_F(Recorder, OnlyADisabledAxisMovingStillAppendsTheSameLine) {
  TeachOn();
  dro[3] = "+5.0000";
  form.OnTimer();
  dro[3] = "+6.0000";
  form.OnTimer();
  const std::string line = "\r\nG01  X+0.0000 Y+0.0000 Z+0.0000 F200";
  EXPECT_EQ(Program(), std::string(kStartHeader) + line + line);
}

TEST_F(Recorder, NoAxisEnabledAndFeedTexts) {
  TeachOn();
  for (C box : {C::Check2, C::Check3, C::Check4}) controls.values[box] = 0;
  dro[0] = "1";
  form.OnTimer();
  controls.texts[C::Text6] = "";
  dro[0] = "2";
  form.OnTimer();
  controls.values[C::Check8] = 0;
  dro[0] = "3";
  form.OnTimer();
  EXPECT_EQ(Program(), std::string(kStartHeader) + "\r\nG01  F200\r\nG01  F\r\nG01 ");
}

TEST_F(Recorder, TeachModeOffTracksChangesWithoutRecording) {
  dro[1] = "+9.0000";
  form.OnTimer();
  EXPECT_EQ(Program(), kStartHeader);
  EXPECT_EQ(controls.caretMoves, 1);
  TeachOn();  // turning teach mode on records nothing by itself
  form.OnTimer();
  EXPECT_EQ(Program(), kStartHeader);
  dro[1] = "+9.5000";
  form.OnTimer();
  EXPECT_EQ(Program(), std::string(kStartHeader) + "\r\nG01  X+0.0000 Y+9.5000 Z+0.0000 F200");
}

TEST_F(Recorder, DisplaysUseTheSecondReadOfTheTick) {
  automation.onCall = [this](const std::string& member) {
    if (member != "GetDROString") return;
    const bool secondRead = Count("GetDROString") > 6;
    automation.answers["GetDROString"] = {Value::OfText(secondRead ? "new" : "old")};
  };
  TeachOn();
  form.OnTimer();
  EXPECT_EQ(controls.Text(C::Text3), "X:new");
  EXPECT_EQ(Program(), std::string(kStartHeader) + "\r\nG01  Xold Yold Zold F200");
}

TEST_F(Recorder, UnreachableMach3RecordsNothingAndBackComparesWithTheLastPosition) {
  TeachOn();
  automation.failingMembers["GetDROString"] = {-2147023174, "The RPC server is unavailable."};
  form.OnTimer();
  form.OnTimer();
  EXPECT_EQ(Program(), kStartHeader);
  EXPECT_EQ(controls.Text(C::Text4), "Y:");

  // Back at the same place: no line. Lost part way through a tick (Z empty): no line.
  automation.failingMembers.clear();
  form.OnTimer();
  EXPECT_EQ(Program(), kStartHeader);
  dro[0] = "+1.0000";
  dro[2] = "";
  form.OnTimer();
  EXPECT_EQ(Program(), kStartHeader);
  // Back at a new place: exactly one line, against the last recorded position.
  dro[2] = "+2.0000";
  form.OnTimer();
  form.OnTimer();
  EXPECT_EQ(Program(), std::string(kStartHeader) + "\r\nG01  X+1.0000 Y+0.0000 Z+2.0000 F200");
}

TEST_F(Recorder, RecordPointWritesTheRecordersLineWhateverTeachModeSays) {
  dro = {"+1.0000", "+2.0000", "+3.0000", "+4.0000", "+0.0000", "+0.0000"};
  controls.values[C::Check5] = 1;  // A enabled
  form.OnCommand(FormCommand::RecordPoint);
  const std::string point = std::string(kStartHeader) + "\r\nG01  X+1.0000 Y+2.0000 Z+3.0000 A+4.0000 F200";
  EXPECT_EQ(Program(), point);
  EXPECT_EQ(controls.caretMoves, 1);
  EXPECT_EQ(Count("GetDROString"), 6u);  // the readouts are read once
  TeachOn();
  form.OnTimer();  // the recorder knows the point: no second line for it
  EXPECT_EQ(Program(), point);
  controls.values[C::Check8] = 0;
  form.OnCommand(FormCommand::RecordPoint);  // the same place again, taken on purpose, no feed word
  EXPECT_EQ(Program(), point + "\r\nG01  X+1.0000 Y+2.0000 Z+3.0000 A+4.0000");

  dro[1] = "";  // Mach3 lost part way: nothing, and a message
  form.OnCommand(FormCommand::RecordPoint);
  EXPECT_EQ(Program(), point + "\r\nG01  X+1.0000 Y+2.0000 Z+3.0000 A+4.0000");
  EXPECT_EQ(controls.messages.back(), kPointNotRecorded);
}

TEST_F(Recorder, RemoveLastLineTakesBackOneLineButNeverTheHeader) {
  form.OnCommand(FormCommand::RemoveLastLine);  // header only: nothing
  EXPECT_EQ(Program(), kStartHeader);
  TeachOn();
  dro[0] = "+1.0000";
  form.OnTimer();
  form.OnClick(C::Command5);
  form.OnCommand(FormCommand::RemoveLastLine);  // the M3
  EXPECT_EQ(Program(), std::string(kStartHeader) + "\r\nG01  X+1.0000 Y+0.0000 Z+0.0000 F200");
  form.OnCommand(FormCommand::RemoveLastLine);  // the taught line
  EXPECT_EQ(Program(), kStartHeader);
  form.OnCommand(FormCommand::RemoveLastLine);
  EXPECT_EQ(Program(), kStartHeader);
  form.OnTimer();  // the reference stays where the machine is: standing still writes nothing
  EXPECT_EQ(Program(), kStartHeader);
  dro[0] = "+2.0000";
  form.OnTimer();
  EXPECT_EQ(Program(), std::string(kStartHeader) + "\r\nG01  X+2.0000 Y+0.0000 Z+0.0000 F200");
  form.OnDoubleClick(C::Text2);
  form.OnCommand(FormCommand::RemoveLastLine);  // the reset header is kept too
  EXPECT_EQ(Program(), kResetHeader);
}

TEST_F(Recorder, ResetWhileRecordingContinuesIntoTheNewProgram) {
  TeachOn();
  dro[0] = "1";
  form.OnTimer();
  form.OnDoubleClick(C::Text2);
  EXPECT_EQ(Program(), kResetHeader);
  EXPECT_EQ(controls.Value(C::Check1), 1);
  dro[0] = "2";
  form.OnTimer();
  EXPECT_EQ(Program(), std::string(kResetHeader) + "\r\nG01  X2 Y+0.0000 Z+0.0000 F200");
}

TEST_F(Recorder, MCodeButtonsAppendInAnyModeAndMoveTheCaret) {
  form.OnClick(C::Command5);
  form.OnClick(C::Command6);
  TeachOn();
  form.OnClick(C::Command7);
  EXPECT_EQ(Program(), std::string(kStartHeader) + "\r\nM3\r\nM5\r\nM1");
  EXPECT_EQ(controls.caretMoves, 3);
}

TEST_F(Recorder, TopmostOnlyInTeachModeAndOnlyWhenAnotherWindowIsInFront) {
  controls.foreground = 77;
  form.OnTimer();
  EXPECT_TRUE(controls.stacking.empty());
  TeachOn();
  controls.foreground = controls.own;
  form.OnTimer();
  EXPECT_TRUE(controls.stacking.empty());
  controls.foreground = 77;
  form.OnTimer();
  EXPECT_EQ(controls.stacking, (std::vector<std::pair<WindowHandle, bool>>{{77, false}, {controls.own, true}}));
}

TEST_F(Recorder, TicksDoNotNest) {
  int nested = 0;
  automation.onCall = [&](const std::string&) {
    if (nested++ == 0) form.OnTimer();  // a tick arriving during a cross-process call
  };
  form.OnTimer();
  EXPECT_EQ(Count("GetDROString"), 12u);
}

TEST_F(Recorder, DroCheckShowsTheXText) {
  dro[0] = "+4.0000";
  form.OnClick(C::Command2);
  EXPECT_EQ(controls.messages.back(), "+4.0000");
  automation.failingMembers["GetDROString"] = {1, "x"};
  form.OnClick(C::Command2);
  EXPECT_EQ(controls.messages.back(), "");
}

}  // namespace
}  // namespace kestrom
