#include "sim/sim_machine.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kestrom::sim
