#include "sim/sim_machine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace kestrom::sim {
namespace {

TEST(SimMachine, DroTextsInMachStyle) {
  SimMachine m;
  EXPECT_EQ(m.DroString(0), "+0.0000");
  m.SetDro(1, -0.00001);
  EXPECT_EQ(m.DroString(1), "+0.0000");
  m.SetDro(2, -12.34567);
  EXPECT_EQ(m.DroString(2), "-12.3457");
  EXPECT_EQ(m.DroString(6), "");
}

TEST(SimMachine, JoggingMovesContinuouslyUntilOff) {
  SimMachine m;
  m.Advance(0);
  m.JogOn(0, 0);
  m.JogOn(2, 1);
  m.Advance(1000);  // 600 per minute for one second
  EXPECT_DOUBLE_EQ(m.Position(0), 10.0);
  EXPECT_DOUBLE_EQ(m.Position(2), -10.0);
  EXPECT_TRUE(m.IsMoving());
  m.JogOff(0);
  m.JogOff(2);
  m.Advance(2000);
  EXPECT_DOUBLE_EQ(m.Position(0), 10.0);
  EXPECT_FALSE(m.IsMoving());
}

TEST(SimMachine, CodeMovesOverTimeAtItsRate) {
  SimMachine m;
  m.Advance(0);
  ASSERT_TRUE(m.Code("g1 x5 y0 f300"));  // 5 units at 300 per minute: one second
  EXPECT_TRUE(m.IsMoving());
  m.Advance(500);
  EXPECT_NEAR(m.Position(0), 2.5, 1e-9);
  m.Advance(1000);
  EXPECT_EQ(m.DroString(0), "+5.0000");
  EXPECT_FALSE(m.IsMoving());
  ASSERT_TRUE(m.Code("G91 G0 X-1"));
  ASSERT_TRUE(m.Code("X-1"));
  m.Advance(5000);
  EXPECT_DOUBLE_EQ(m.Position(0), 3.0);
  EXPECT_FALSE(m.Code("G1 X"));
  EXPECT_FALSE(m.Code("hello"));
  EXPECT_TRUE(m.Code(""));
  EXPECT_TRUE(m.Code("M3"));
  EXPECT_EQ(m.SpinDirection(), 1);
}

TEST(SimMachine, ForcedMovingAndOemCodes) {
  SimMachine m;
  m.Advance(100);
  m.ForceMovingUntil(300);
  EXPECT_TRUE(m.IsMoving());
  m.Advance(300);
  EXPECT_FALSE(m.IsMoving());
  m.DoOEMButton(103);
  EXPECT_TRUE(m.StepJogMode());
  m.DoOEMButton(4);
  EXPECT_EQ(m.Page(), 4);
  m.SetSpinSpeed(1200);
  EXPECT_EQ(m.Rpm(), 0.0);
  m.SpinCCW();
  EXPECT_EQ(m.Rpm(), 1200.0);
}


// A program run as a controller runs it: its moves at their feed (arcs along
// the arc), M0 until Cycle Start, M1 only with Optional Stop ticked, M30 ends.
struct TimedRun {
  SimMachine m;
  std::vector<std::pair<double, std::string>> events;  // when each came, and what
  double now = 0;
  TimedRun() {
    m.SetEventLog([this](const std::string& e) { events.emplace_back(now, e); });
    m.Advance(0);
  }
  void For(double ms) {
    for (double end = now + ms; now < end;) m.Advance(now += 1);
  }
  double WhenCame(const std::string& prefix) const {
    for (const auto& [at, e] : events)
      if (e.rfind(prefix, 0) == 0) return at;
    return -1;
  }
};

TEST(SimRun, MovesAtTheirFeedArcsAlongTheArcAndProgramStops) {
  TimedRun r;
  r.m.LoadFile("C:\\part.tap",
               "(Kestrom File)\r\nG21 G90 G49 G64\r\n\r\nG0 X10 Y0\r\nG1 X10 Y10 F600\r\nG2 X20 Y10 I5 J0\r\n"
               "M0\r\nG1 X20 Y0\r\nM1\r\nG1 X0 Y0\r\nM30\r\nG1 X99");
  r.m.CycleStart();
  EXPECT_TRUE(r.m.IsMoving());
  r.For(200 + 1000 + 2.5 / 600 * 60000 * 3.14159265);  // the rapid, the line and half of the arc
  EXPECT_NEAR(r.m.Position(0), 15, 0.05);  // the arc's top, not its chord
  EXPECT_NEAR(r.m.Position(1), 15, 0.05);
  r.For(2000);
  const double rapid = 10.0 / SimMachine::kRapidRate * 60000, line = 1000, arc = 5 * 3.14159265 / 600 * 60000;
  EXPECT_NEAR(r.WhenCame("RunMove(line 4:"), rapid, rapid * 0.01 + 1);
  EXPECT_NEAR(r.WhenCame("RunMove(line 6:"), rapid + line + arc, (rapid + line + arc) * 0.01);
  EXPECT_EQ(r.m.runState(), SimMachine::RunState::Paused);
  EXPECT_FALSE(r.m.IsMoving());
  EXPECT_EQ(r.m.RunStatus(), "Paused at M0, line 7: Cycle Start goes on");
  r.m.CycleStart();
  r.For(4000);  // M1 passes with Optional Stop unticked
  EXPECT_EQ(r.m.runState(), SimMachine::RunState::Ended);
  EXPECT_EQ(r.m.DroString(0), "+0.0000");  // the line after M30 never runs
  std::vector<std::string> seen;
  for (const auto& e : r.events) seen.push_back(e.second);
  EXPECT_EQ(seen, (std::vector<std::string>{
                      "RunStart(C:\\part.tap)",
                      "RunMove(line 4: X+10.0000 Y+0.0000 Z+0.0000 A+0.0000 B+0.0000 C+0.0000)",
                      "RunMove(line 5: X+10.0000 Y+10.0000 Z+0.0000 A+0.0000 B+0.0000 C+0.0000)",
                      "RunMove(line 6: X+20.0000 Y+10.0000 Z+0.0000 A+0.0000 B+0.0000 C+0.0000)",
                      "RunPause(M0, line 7)", "RunResume()",
                      "RunMove(line 8: X+20.0000 Y+0.0000 Z+0.0000 A+0.0000 B+0.0000 C+0.0000)",
                      "RunMove(line 10: X+0.0000 Y+0.0000 Z+0.0000 A+0.0000 B+0.0000 C+0.0000)",
                      "RunEnd(M30, line 11)"}));

  // Optional Stop ticked: M1 pauses too.
  r.m.SetOptionalStop(true);
  r.m.CycleStart();
  r.For(4000);
  r.m.CycleStart();
  r.For(2000);
  EXPECT_EQ(r.events.back().second, "RunPause(M1, line 9)");
}

TEST(SimRun, ABadLineStopsTheRunWhereTheMachineStoodAndHoldSpeedAndInchesWork) {
  TimedRun r;
  r.m.LoadFile("C:\\bad.tap", "G0 X5\nG51 X1\nG0 X9");
  r.m.RunFile();
  r.For(1000);
  EXPECT_EQ(r.m.runState(), SimMachine::RunState::Failed);
  EXPECT_EQ(r.m.Position(0), 5);
  EXPECT_FALSE(r.m.IsMoving());
  EXPECT_EQ(r.m.RunStatus(), "Stopped at line 2: G51 X1 (scaling is not read: G51)");
  EXPECT_EQ(r.events.back().second, "RunError(line 2: scaling is not read: G51)");

  // Ten times as fast, held half way, in inches: 1 inch at 10 inches a minute is 6 s, 0.6 s at 10x.
  r.m.LoadFile("C:\\inch.tap", "G20 G90 G1 X1 F10\nG2 X2 I0.4 J0");  // an arc whose radii differ
  r.m.SetSpeedFactor(10);
  r.m.SetDro(0, 0);
  r.m.CycleStart();
  r.For(300);
  r.m.FeedHold();
  const double held = r.m.Position(0);
  EXPECT_NEAR(held, 12.7, 0.3);
  r.For(1000);
  EXPECT_EQ(r.m.Position(0), held);
  EXPECT_FALSE(r.m.IsMoving());
  r.m.CycleStart();
  r.For(400);
  EXPECT_EQ(r.m.DroString(0), "+1.0000");
  EXPECT_EQ(r.m.runState(), SimMachine::RunState::Failed);
  EXPECT_NE(r.m.RunStatus().find("off its start's circle"), std::string::npos) << r.m.RunStatus();
  r.m.StopRun();  // nothing runs: nothing to stop
  EXPECT_EQ(r.m.runState(), SimMachine::RunState::Failed);

  // Stop in the middle of a cut: the machine stays, the spindle and the coolant go off, the line is named.
  r.m.LoadFile("C:\\cut.tap", "G21 G90\nS5000 M3 M8\nG1 X50 F600\nG0 X0");
  r.m.SetSpeedFactor(1);
  r.m.CycleStart();
  r.For(1000);
  ASSERT_EQ(r.m.SpinDirection(), 1);
  ASSERT_EQ(r.m.Coolant(), "M8");
  r.m.StopRun();
  const double stood = r.m.Position(0);
  r.For(500);
  EXPECT_EQ(r.m.Position(0), stood);
  EXPECT_EQ(r.m.SpinDirection(), 0);
  EXPECT_EQ(r.m.Coolant(), "off");
  EXPECT_EQ(r.m.RunStatus(), "Stopped at line 3: spindle and coolant off");
  EXPECT_EQ(r.events.back().second, "RunStop(line 3)");
  EXPECT_GE(r.WhenCame("RunSpindle(CW 5000 rpm, line 2)"), 0);
  EXPECT_GE(r.WhenCame("RunCoolant(M8, line 2)"), 0);
}

// What CAM programs ask of a run: a tool change pauses for Cycle Start, a
// dwell waits, work offsets come from the table G10 L2 sets; and MDI shares
// the run's modal state, an F on its line being that line's feed.
TEST(SimRun, ToolChangeDwellWorkOffsetsAndOneModalStateWithMdi) {
  TimedRun r;
  r.m.LoadFile("C:\\cam.tap", "G20\nT2 M6\nG4 P0.5\nG0 X1\nG10 L2 P2 X0.5\nG55\nG0 X0\nM30");
  r.m.CycleStart();
  r.For(50);
  EXPECT_EQ(r.m.runState(), SimMachine::RunState::Paused);
  EXPECT_EQ(r.m.RunStatus(), "Tool change: T2 at line 2: Cycle Start goes on");
  EXPECT_EQ(r.m.Tool(), 2);
  r.m.CycleStart();
  r.For(400);
  EXPECT_EQ(r.m.Position(0), 0) << "the dwell's half second is not over";
  r.For(3000);
  EXPECT_EQ(r.m.runState(), SimMachine::RunState::Ended);
  EXPECT_NEAR(r.m.MachinePosition(0), 12.7, 1e-9);  // G55's zero, half an inch along
  EXPECT_EQ(r.m.DroString(0), "+0.0000");
  // MDI after the inch run reads inches, in G55, as Mach3 does.
  ASSERT_TRUE(r.m.Code("G1 X1 F100"));
  r.For(1000);
  EXPECT_NEAR(r.m.MachinePosition(0), 12.7 + 25.4, 1e-6);
  ASSERT_TRUE(r.m.Code("G21 G54"));
  r.m.SetFeedRate(100);
  ASSERT_TRUE(r.m.Code("G1 X20 F500"));  // the line's own F: 20 mm at 500 mm/min, 2.4 s
  r.For(2450);
  EXPECT_NEAR(r.m.Position(0), 20, 1e-6);
}

}  // namespace
}  // namespace kestrom::sim
