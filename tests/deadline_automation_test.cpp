#include <gtest/gtest.h>

#include <deque>

#include "fakes/fake_automation.h"
#include "fakes/fake_platform.h"
#include "machine/call_numbers.h"
#include "machine/cmach.h"
#include "machine/deadline_automation.h"

namespace kestrom {
namespace {

// Mach3 answers each call after `answerMs`: a call whose deadline is at least
// that runs at once; a later one is kept as a Mach3 that does not answer would.
// Frozen, it never answers until thawed.
class FreezableWorker : public CallWorker {
 public:
  bool frozen = false;
  int answerMs = 0;
  bool onWorker = false;
  std::deque<std::function<void()>> held;
  int runs = 0;

  bool Run(std::function<void()> work, int deadlineMs) override {
    ++runs;
    held.push_back(std::move(work));
    const bool inTime = !frozen && answerMs <= deadlineMs;
    if (inTime) Drain();
    else frozen = true;  // the late call holds the worker until it ends
    return inTime;
  }
  void Post(std::function<void()> work) override {
    held.push_back(std::move(work));
    if (!frozen) Drain();
  }
  void Thaw() {
    frozen = false;
    Drain();
  }

 private:
  void Drain() {
    onWorker = true;
    while (!held.empty()) {
      auto job = std::move(held.front());
      held.pop_front();
      job();
    }
    onWorker = false;
  }
};

TEST(DeadlineAutomation, AFrozenMach3CostsOneDeadlineAndObjectsLiveOnTheWorker) {
  testing::FakeAutomation inner;
  testing::FakeSystem system;
  testing::CountingPump pump;
  FreezableWorker worker;
  DeadlineAutomation automation(inner, worker);
  bool allOnWorker = true;
  inner.onCall = [&](const std::string&) { allOnWorker = allOnWorker && worker.onWorker; };
  inner.defaultAnswers["GetDROString"] = Value::OfText("+1.0000");

  auto mach = std::make_unique<CMach>(automation, system.Services(), pump);
  ASSERT_TRUE(mach->InitMach()) << mach->InitErrorMsg();
  EXPECT_EQ(mach->ReadDRO(0), "+1.0000");

  // Mach3 freezes: the call that meets it fails, and so does every later one at
  // once, without a second wait on the worker.
  worker.frozen = true;
  EXPECT_EQ(mach->ReadDRO(1), "");
  const int runsWhenFrozen = worker.runs;
  for (int axis = 0; axis < 6; ++axis) EXPECT_EQ(mach->ReadDRO(axis), "");
  EXPECT_EQ(worker.runs, runsWhenFrozen);
  EXPECT_TRUE(automation.Waiting());

  // It answers again: the pending call ends, and calls go through.
  worker.Thaw();
  EXPECT_FALSE(automation.Waiting());
  EXPECT_EQ(mach->ReadDRO(2), "+1.0000");
  EXPECT_TRUE(allOnWorker);
  EXPECT_EQ(inner.Members(), (std::vector<std::string>{"GetDROString", "GetDROString", "GetDROString"}));
  inner.calls.clear();

  // A wait for a move goes on while Mach3 does not answer, and ends at its "not moving".
  inner.answers["IsMoving"] = {Value::OfBool(true), Value::OfBool(true), Value::OfBool(false)};
  pump.onPump = [&] {
    if (pump.pumps == 1) worker.frozen = true;
    if (pump.pumps == 3) worker.Thaw();
  };
  mach->RunGCode("g1 x5", true);
  EXPECT_EQ(pump.pumps, 3);
  EXPECT_TRUE(inner.answers["IsMoving"].empty());

  // References are released on the worker: not before it runs again.
  worker.frozen = true;
  const int scriptRefs = inner.script->references;
  mach.reset();
  EXPECT_EQ(inner.script->references, scriptRefs);
  worker.Thaw();
  EXPECT_EQ(inner.script->references, 0);
  EXPECT_EQ(inner.document->permanentReferences, 1);
}

TEST(DeadlineAutomation, AConnectThatMissesItsDeadlineSaysMach3DoesNotAnswer) {
  testing::FakeAutomation inner;
  testing::FakeSystem system;
  testing::CountingPump pump;
  FreezableWorker worker;
  worker.frozen = true;
  DeadlineAutomation automation(inner, worker);
  CMach mach(automation, system.Services(), pump);
  EXPECT_FALSE(mach.InitMach());
  EXPECT_EQ(mach.InitErrorMsg(), "Failed to GetObject(Mach4.Document) Automation error: Mach3 does not answer (busy or frozen)");
  EXPECT_FALSE(mach.isMachInit());
  worker.Thaw();  // the late answer's object goes without reaching the connection
  EXPECT_EQ(inner.document->references, 0);
  EXPECT_TRUE(mach.InitMach());
}

TEST(DeadlineAutomation, EachCallHasItsOwnDeadlineAndStopsQueueBehindALateOne) {
  testing::FakeAutomation inner;
  testing::FakeSystem system;
  testing::CountingPump pump;
  FreezableWorker worker;
  DeadlineAutomation automation(inner, worker);
  CMach mach(automation, system.Services(), pump);
  // A Mach3 that takes 3 s: time enough for a connect step (5 s), not for a call (1 s).
  worker.answerMs = 3000;
  ASSERT_TRUE(mach.InitMach()) << mach.InitErrorMsg();
  EXPECT_FALSE(automation.Late());
  EXPECT_EQ(mach.ReadDRO(0), "");
  EXPECT_TRUE(automation.Late());
  // Stops wait behind the late call and are made, in order, once it ends.
  auto x = mach.JogOffWhenAnswering(0);
  auto spindle = mach.StopSpindleWhenAnswering();
  EXPECT_FALSE(x->ended || spindle->ended);
  worker.answerMs = 0;
  worker.Thaw();
  ASSERT_TRUE(x->ended && spindle->ended);
  EXPECT_TRUE(x->result.ok && spindle->result.ok);
  EXPECT_EQ(inner.Members(), (std::vector<std::string>{"GetDROString", "JogOff", "DoSpinStop"}));
}

TEST(CallNumbers, SafeAcrossTheirWrap) {
  uint32_t number = 0xFFFFFFFEu;
  std::vector<uint32_t> given;
  for (int i = 0; i < 3; ++i) given.push_back(number = NextCallNumber(number));
  EXPECT_EQ(given, (std::vector<uint32_t>{0xFFFFFFFFu, 1u, 2u}));  // 0 is never a call's
  EXPECT_TRUE(CallHasEnded(0xFFFFFFFFu, 0xFFFFFFFFu));
  EXPECT_TRUE(CallHasEnded(1u, 0xFFFFFFFFu));    // a call after the wrap has ended: so has this one
  EXPECT_FALSE(CallHasEnded(0xFFFFFFFFu, 1u));   // the call after the wrap has not
  EXPECT_FALSE(CallHasEnded(0u, 1u));            // nothing has ended yet
  EXPECT_FALSE(CallHasEnded(5u, 6u));
}

}  // namespace
}  // namespace kestrom
