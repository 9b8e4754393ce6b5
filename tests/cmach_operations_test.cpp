#include <gtest/gtest.h>

#include "fakes/fake_automation.h"
#include "fakes/fake_platform.h"
#include "machine/cmach.h"
#include "machine/value_convert.h"

namespace kestrom {
namespace {
using namespace kestrom::testing;
using Members = std::vector<std::string>;

struct Operations : ::testing::Test {
  FakeAutomation automation;
  FakeSystem system;
  CountingPump pump;
  CMach mach{automation, system.Services(), pump};
  void SetUp() override { ASSERT_TRUE(mach.InitMach()); }
  const std::vector<Arg>& ArgsOf(size_t call) { return automation.calls.at(call).args; }
};

void ExpectArg(const Arg& a, Arg::Kind kind, double number) {
  EXPECT_EQ(a.kind, kind);
  EXPECT_EQ(kind == Arg::Kind::RefR8 ? a.r8 : a.i4, number);
}

TEST(OperationsUnconnected, NeutralResultsAndNoWait) {
  FakeAutomation automation;
  FakeSystem system;
  CountingPump pump;
  CMach mach{automation, system.Services(), pump};
  EXPECT_EQ(mach.ReadDRO(0), "");
  EXPECT_EQ(mach.FileName(), "");
  EXPECT_EQ(mach.IsMoving().kind, Value::Kind::Empty);
  EXPECT_EQ(mach.SpindleRPM(), 0.0);
  EXPECT_EQ(mach.FeedRate(), 0.0);
  EXPECT_EQ(mach.SafeZ(), 0.0);
  mach.RunGCode("g0 x5", true);
  mach.StartSpindle(true, 100.0);
  EXPECT_EQ(pump.pumps, 0);
  EXPECT_TRUE(automation.calls.empty());
}

TEST_F(Operations, JogArgumentsAndDirection) {
  mach.JogOn(0, true);
  mach.JogOn(2, false);
  mach.JogOff(1);
  EXPECT_EQ(automation.Members(), (Members{"JogOn", "JogOn", "JogOff"}));
  ExpectArg(ArgsOf(0)[0], Arg::Kind::RefI4, 0);
  ExpectArg(ArgsOf(0)[1], Arg::Kind::I2, 0);
  ExpectArg(ArgsOf(1)[0], Arg::Kind::RefI4, 2);
  ExpectArg(ArgsOf(1)[1], Arg::Kind::I2, 1);
  ExpectArg(ArgsOf(2)[0], Arg::Kind::RefI4, 1);
}

TEST_F(Operations, EachRowSendsItsMemberWithItsArguments) {
  automation.defaultAnswers["GetDROString"] = Value::OfText("+1.2500");
  automation.defaultAnswers["GetRPM"] = Value::OfReal(1200.0);
  automation.defaultAnswers["FeedRate"] = Value::OfText("250");
  automation.defaultAnswers["GetSafeZ"] = Value::OfInteger(5);
  automation.defaultAnswers["FileName"] = Value::OfText("C:\\a.tap");
  automation.defaultAnswers["IsEstop"] = Value::OfBool(true);

  EXPECT_EQ(mach.ReadDRO(4), "+1.2500");
  mach.SetDRO(1, 0.0);
  mach.UserMsg("hi");
  mach.GotoUIPage(3);
  mach.SendOEMCode(103);
  EXPECT_EQ(mach.SpindleRPM(), 1200.0);
  mach.SpindleRPM(900.0);
  EXPECT_EQ(mach.FeedRate(), 250.0);
  mach.FeedRate(12.5);
  EXPECT_EQ(mach.SafeZ(), 5.0);
  mach.SafeZ(7.0);
  mach.GotoSafeZ();
  mach.StopSpindle();
  mach.RunProgram("G0 X1");
  EXPECT_EQ(mach.FileName(), "C:\\a.tap");
  EXPECT_TRUE(ValueIsTrue(mach.IsEstop()));
  mach.IsStopped();
  mach.IsSafeZ();
  mach.IsFirst();
  mach.IsLoading();

  EXPECT_EQ(automation.Members(),
            (Members{"GetDROString", "SetDRO", "Message", "DoOEMButton", "DoOEMButton", "GetRPM",
                     "SetSpinSpeed", "FeedRate", "SetFeedRate", "GetSafeZ", "SetSafeZ", "GotoSafeZ",
                     "DoSpinStop", "RunProgram", "FileName", "IsEstop", "IsStopped", "IsSafeZ", "IsFirst",
                     "IsLoading"}));
  ExpectArg(ArgsOf(0)[0], Arg::Kind::RefI4, 4);
  ASSERT_EQ(ArgsOf(1).size(), 2u);  // DRO number first, value second
  ExpectArg(ArgsOf(1)[0], Arg::Kind::RefI4, 1);
  ExpectArg(ArgsOf(1)[1], Arg::Kind::RefR8, 0.0);
  EXPECT_EQ(ArgsOf(2)[0].kind, Arg::Kind::RefBstr);
  EXPECT_EQ(ArgsOf(2)[0].text, "hi");
  ExpectArg(ArgsOf(3)[0], Arg::Kind::RefI4, 3);  // the page goes out as the OEM code
  ExpectArg(ArgsOf(4)[0], Arg::Kind::RefI4, 103);
  ExpectArg(ArgsOf(6)[0], Arg::Kind::RefR8, 900.0);
  ExpectArg(ArgsOf(8)[0], Arg::Kind::RefR8, 12.5);
  ExpectArg(ArgsOf(10)[0], Arg::Kind::RefR8, 7.0);
  EXPECT_EQ(ArgsOf(13)[0].text, "G0 X1");
  for (size_t i : {5u, 7u, 9u, 11u, 12u, 14u, 15u}) EXPECT_TRUE(ArgsOf(i).empty()) << i;
}

TEST_F(Operations, StartSpindleSendsASpeedOnlyWhenPositive) {
  mach.StartSpindle(true, -1.0);
  mach.StartSpindle(false, 1200.0);
  mach.StartSpindle(true, 0.0);
  EXPECT_EQ(automation.Members(), (Members{"DoSpinCW", "SetSpinSpeed", "DoSpinCCW", "DoSpinCW"}));
  ExpectArg(ArgsOf(1)[0], Arg::Kind::RefR8, 1200.0);
}

TEST_F(Operations, LoadFileRunsOnlyWhenAsked) {
  mach.LoadFile("C:\\p.tap", false);
  EXPECT_EQ(automation.Members(), Members{"LoadFile"});
  mach.LoadFile("C:\\p.tap", true);
  EXPECT_EQ(automation.Members(), (Members{"LoadFile", "LoadFile", "RunFile"}));
}

TEST_F(Operations, RunGCodeWithoutWaitMakesOneCall) {
  mach.RunGCode("g0 x5 y5", false);
  EXPECT_EQ(automation.Members(), Members{"code"});
  EXPECT_EQ(ArgsOf(0)[0].kind, Arg::Kind::RefBstr);
  EXPECT_EQ(ArgsOf(0)[0].text, "g0 x5 y5");
  EXPECT_EQ(pump.pumps, 0);
}

TEST_F(Operations, RunGCodeWaitsUntilTheFirstPollThatReadsFalse) {
  automation.answers["IsMoving"] = {Value::OfBool(true), Value::OfInteger(-1), Value::OfBool(true),
                                    Value::OfBool(false), Value::OfBool(true)};
  std::vector<size_t> callsSeenByPump;
  pump.onPump = [&] { callsSeenByPump.push_back(automation.calls.size()); };
  mach.RunGCode("g1 x1", true);
  EXPECT_EQ(automation.Members(), (Members{"code", "IsMoving", "IsMoving", "IsMoving", "IsMoving"}));
  EXPECT_EQ(callsSeenByPump, (std::vector<size_t>{2, 3, 4}));  // events handled between the polls
}

TEST_F(Operations, TheWaitGoesOnWhileMach3IsFrozenAndEndsWhenItsProcessHasGone) {
  automation.answers["IsMoving"] = {Value::OfBool(true)};
  pump.onPump = [&] {
    automation.late = true;  // every poll is late from now on
    if (pump.pumps == 3) system.processes.records.clear();  // Mach3's process ends
  };
  mach.RunGCode("g1 x1", true);
  EXPECT_EQ(pump.pumps, 3);
}

TEST_F(Operations, FailuresAreSwallowedAndTheNextStepStillRuns) {
  automation.failingMembers["code"] = {1, "rejected"};
  automation.answers["IsMoving"] = {Value::OfBool(true), Value::OfBool(false)};
  mach.RunGCode("bad", true);
  EXPECT_EQ(automation.Members(), (Members{"code", "IsMoving", "IsMoving"}));

  automation.calls.clear();
  automation.failingMembers["LoadFile"] = {1, "no file"};
  mach.LoadFile("x", true);
  EXPECT_EQ(automation.Members(), (Members{"LoadFile", "RunFile"}));

  automation.calls.clear();
  automation.failingMembers["SetSpinSpeed"] = {1, "no"};
  mach.StartSpindle(true, 50.0);
  EXPECT_EQ(automation.Members(), (Members{"SetSpinSpeed", "DoSpinCW"}));

  automation.failingMembers["GetDROString"] = {1, "gone"};
  automation.failingMembers["GetRPM"] = {1, "gone"};
  automation.failingMembers["IsMoving"] = {1, "gone"};
  EXPECT_EQ(mach.ReadDRO(0), "");
  EXPECT_EQ(mach.SpindleRPM(), 0.0);
  EXPECT_EQ(mach.IsMoving().kind, Value::Kind::Empty);
  mach.RunGCode("x", true);  // a failing poll ends the wait
}

TEST_F(Operations, UnconvertibleAnswersGiveNeutralValues) {
  automation.defaultAnswers["GetRPM"] = Value::OfText("fast");
  automation.defaultAnswers["GetDROString"] = Value::OfObject(nullptr);
  EXPECT_EQ(mach.SpindleRPM(), 0.0);
  EXPECT_EQ(mach.ReadDRO(0), "");
}

}  // namespace
}  // namespace kestrom
