// The one G-code reader: the modal state it keeps, every word it refuses, and
// the arcs' geometry that the path view and SimMach3 draw and run.
#include "teach/gcode_reader.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kestrom::gcode {
namespace {

constexpr double kPi = 3.14159265358979323846;

TEST(GcodeReader, KeepsTheModalStateAndReportsEveryWordItDoesNotKnow) {
  Reader r;
  Line line;
  ASSERT_TRUE(r.Read("%", line));
  ASSERT_TRUE(r.Read("(Kestrom File) ", line));
  ASSERT_TRUE(r.Read("G21 G90 G49 G64", line));
  EXPECT_FALSE(line.moves);
  ASSERT_TRUE(r.Read("N10 g0 x1 Y+2,5 z-.5 (rapid) ; the rest is a comment G41", line));
  EXPECT_EQ(line.number, 4);
  EXPECT_EQ(*line.n, 10);
  EXPECT_TRUE(line.moves);
  EXPECT_EQ(*line.axis[1], 2.5);
  EXPECT_EQ(*line.axis[2], -0.5);
  EXPECT_FALSE(line.axis[3]);
  EXPECT_EQ(r.state().motion, Motion::Rapid);

  ASSERT_TRUE(r.Read("G91.1 G18 G3 X 1 I-1 F120 S1200 M3", line));
  EXPECT_EQ(r.state().motion, Motion::ArcCcw);
  EXPECT_EQ(r.state().plane, Plane::XZ);
  EXPECT_TRUE(r.state().arcIncremental);
  EXPECT_EQ(r.state().feed, 120);
  EXPECT_EQ(r.state().speed, 1200);
  EXPECT_EQ(r.state().spindle, Spindle::Cw);
  EXPECT_TRUE(line.spindleChanged);
  EXPECT_EQ(*line.centre[0], -1);
  ASSERT_TRUE(r.Read("G90.1 G17 G20 G91 M4", line));
  EXPECT_FALSE(r.state().arcIncremental);
  EXPECT_TRUE(r.state().inches);
  EXPECT_TRUE(r.state().incremental);
  EXPECT_EQ(r.state().spindle, Spindle::Ccw);
  ASSERT_TRUE(r.Read("M1", line));
  EXPECT_EQ(line.stop, Stop::M1);
  ASSERT_TRUE(r.Read("G1 X1 M0", line));
  EXPECT_EQ(line.stop, Stop::M0);
  EXPECT_TRUE(line.moves);
  ASSERT_TRUE(r.Read("M30", line));
  EXPECT_EQ(line.stop, Stop::M30);
  EXPECT_EQ(r.state().spindle, Spindle::Off);

  // Each refused line names its word and leaves the state as it was.
  const Modal before = r.state();
  const std::vector<std::pair<const char*, const char*>> refused = {
      {"G41 X1", "G41"}, {"G1 M8", "M8"},     {"G1 Q5", "Q5"},      {"G1 X", "X"},
      {"G1.5 X1", "G1.5"}, {"G0 (open", "(open"}, {"#1=2", "#1"},    {"G0 X1e3", "e3"},
      {"X--1", "X--1"}};
  for (const auto& [text, word] : refused) {
    ASSERT_FALSE(r.Read(text, line)) << text;
    EXPECT_EQ(line.unknown, word) << text;
    EXPECT_EQ(line.number, r.lineNumber()) << text;
    EXPECT_EQ(r.state().motion, before.motion) << text;
    EXPECT_EQ(r.state().inches, before.inches) << text;
  }
  EXPECT_EQ(r.lineNumber(), 9 + static_cast<int>(refused.size()));
}

TEST(GcodeReader, TargetsAndArcCentresInMillimetresWhateverTheMode) {
  Reader r;
  Line line;
  const Point from = {10, 20, 5, 0, 0, 0};
  ASSERT_TRUE(r.Read("G91 G20 X1 Y-1 A90 I1 J0", line));
  const Point to = TargetOf(line, r.state(), from);
  EXPECT_NEAR(to[0], 35.4, 1e-9);
  EXPECT_NEAR(to[1], -5.4, 1e-9);
  EXPECT_EQ(to[2], 5);
  EXPECT_EQ(to[3], 90);  // a rotary axis is not scaled
  EXPECT_NEAR(ArcCentreOf(line, r.state(), from)[0], 35.4, 1e-9);  // incremental I from the start
  ASSERT_TRUE(r.Read("G90 G21 G90.1 X0 I3 J4", line));
  const Point centre = ArcCentreOf(line, r.state(), from);
  EXPECT_EQ(centre[0], 3);
  EXPECT_EQ(centre[1], 4);
  EXPECT_EQ(TargetOf(line, r.state(), from)[1], 20);  // Y not named: where it was
}

TEST(GcodeArc, SweepDirectionWholeTurnsPlanesAndLength) {
  const Point o{};
  const Point east = {1, 0, 0, 0, 0, 0}, north = {0, 1, 0, 0, 0, 0};
  EXPECT_NEAR(ShapeOf(east, north, o, Plane::XY, false).sweep, kPi / 2, 1e-12);
  EXPECT_NEAR(ShapeOf(east, north, o, Plane::XY, true).sweep, -3 * kPi / 2, 1e-12);  // more than half a circle
  EXPECT_NEAR(ShapeOf(east, east, o, Plane::XY, true).sweep, -2 * kPi, 1e-12);       // start at the end: a turn
  // G02 in the XZ plane turns from Z towards X, as seen from +Y.
  const Point up = {0, 0, 1, 0, 0, 0};
  EXPECT_NEAR(ShapeOf(up, east, o, Plane::XZ, true).sweep, -3 * kPi / 2, 1e-12);
  EXPECT_NEAR(ShapeOf(up, east, o, Plane::XZ, false).sweep, kPi / 2, 1e-12);

  // A helix: a quarter turn of radius 2 rising 3 in Z.
  const Point start = {2, 0, 0, 0, 0, 0}, end = {0, 2, 3, 0, 0, 0};
  const ArcShape quarter = ShapeOf(start, end, o, Plane::XY, false);
  EXPECT_NEAR(ArcLength(start, end, o, Plane::XY, quarter), std::hypot(kPi, 3.0), 1e-12);
  const Point middle = PointOnArc(start, end, o, Plane::XY, quarter, 0.5);
  EXPECT_NEAR(middle[0], std::sqrt(2.0), 1e-12);
  EXPECT_NEAR(middle[1], std::sqrt(2.0), 1e-12);
  EXPECT_NEAR(middle[2], 1.5, 1e-12);
  EXPECT_EQ(PointOnArc(start, end, o, Plane::XY, quarter, 1), end);
}

}  // namespace
}  // namespace kestrom::gcode
