// The members Kestrom calls, kept as one list, and the read-only check of Mach3
// that looks each of them up.
#include <gtest/gtest.h>

#include <set>

#include "fakes/fake_automation.h"
#include "fakes/fake_platform.h"
#include "machine/cmach.h"
#include "machine/mach3_members.h"

namespace kestrom {
namespace {
using testing::FakeAutomation;

std::string Signature(const std::string& member, const std::vector<Arg::Kind>& kinds) {
  std::string s = member + "(";
  for (Arg::Kind k : kinds) s += mach3::KindName(k) + ",";
  return s + ")";
}

TEST(Mach3Members, TheListIsExactlyWhatTheOperationsCall) {
  FakeAutomation automation;
  testing::FakeSystem system;
  testing::CountingPump pump;
  CMach mach(automation, system.Services(), pump);
  ASSERT_TRUE(mach.InitMach());
  automation.calls.clear();
  mach.JogOn(0, true); mach.JogOff(0); mach.IsEstop(); mach.IsStopped(); mach.IsSafeZ(); mach.IsMoving();
  mach.IsFirst(); mach.IsLoading(); mach.ReadDRO(0); mach.SetDRO(0, 1); mach.UserMsg("m"); mach.RunGCode("g0", false);
  mach.LoadFile("f", true); mach.FileName(); mach.GotoUIPage(1); mach.SpindleRPM(); mach.SpindleRPM(5.0);
  mach.FeedRate(); mach.FeedRate(5.0); mach.SafeZ(); mach.SafeZ(5.0); mach.GotoSafeZ(); mach.StartSpindle(true, 0);
  mach.StartSpindle(false, 0); mach.StopSpindle(); mach.RunProgram("p");
  mach.JogOffWhenAnswering(1); mach.StopSpindleWhenAnswering();
  std::set<std::string> called, listed;
  for (const auto& c : automation.calls) {
    std::vector<Arg::Kind> kinds;
    for (const Arg& a : c.args) kinds.push_back(a.kind);
    called.insert(Signature(c.member, kinds));
  }
  for (const auto& m : mach3::ScriptMembers()) listed.insert(Signature(m.name, m.args));
  EXPECT_EQ(called, listed);
}

TEST(Mach3Check, FindsEveryMemberNamesTheMissingAndCallsOnlyReads) {
  FakeAutomation automation;
  testing::FakeSystem system;
  automation.defaultAnswers["GetDROString"] = Value::OfText("+1.5000");
  automation.typedMembers["JogOn"] = {"VT_BYREF|VT_I4", "VT_I2"};
  automation.typedMembers["SetDRO"] = {"VT_BYREF|VT_I4", "VT_VARIANT"};  // takes anything
  automation.typedMembers["DoOEMButton"] = {"VT_I4"};                    // not what Kestrom sends
  const CheckEnvironment environment{"6.00", "5.1 build 2600, 32-bit", "C:\\Mach3\\Mach3.exe", "3.43.6.0"};

  Mach3Check check = CheckMach3(automation, system.Services(), environment);
  EXPECT_EQ(check.found, check.total);
  EXPECT_EQ(check.total, mach3::ScriptMembers().size());
  EXPECT_EQ(check.mismatched, std::vector<std::string>{"DoOEMButton"});
  for (const char* line : {"  JogOn: found, id 5; Mach3 takes (VT_BYREF|VT_I4, VT_I2), Kestrom sends (VT_BYREF|VT_I4, "
                           "VT_I2): match\r\n",
                           "  Active document: found\r\n", "  Member 3 (scripting object): answering\r\n",
                           "  GetDROString(5) C: \"+1.5000\"\r\n", "  Mach3 version: 3.43.6.0\r\n"})
    EXPECT_NE(check.report.find(line), std::string::npos) << line << "\n" << check.report;
  for (const auto& c : automation.calls)
    EXPECT_TRUE(c.member == "GetDROString" || c.member == "IsMoving" || c.member == "FileName") << c.member;
  EXPECT_EQ(automation.calls.size(), 8u);

  automation.hiddenMembers = {"JogOff", "code"};
  check = CheckMach3(automation, system.Services(), environment);
  EXPECT_EQ(check.missing, (std::vector<std::string>{"JogOff", "code"}));
  EXPECT_EQ(CheckSummary(check, "C:\\r.txt"),
            "Mach3'ü Denetle: 27 üyeden 25 tanesi bulundu (25 of 27 members found).\r\nEksik (missing): JogOff, code"
            "\r\nFarklı (different parameters): DoOEMButton\r\nRapor (report): C:\\r.txt");

  automation.documentActive = false;  // no Mach3: every member missing, nothing called
  automation.calls.clear();
  check = CheckMach3(automation, system.Services(), environment);
  EXPECT_EQ(check.found, 0u);
  EXPECT_TRUE(automation.calls.empty());
}

}  // namespace
}  // namespace kestrom
