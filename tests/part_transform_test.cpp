#include "toolpath/part_transform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "fakes/copy_answers.h"
#include "fakes/generated_programs.h"
#include "fakes/program_text.h"
#include "gcode/arc_geometry.h"
#include "gcode/program_walk.h"
#include "teach/interpreted_program.h"
#include "window/part_commands.h"

namespace kestrom {
namespace {

// Every move (dwells left out), its places in machine coordinates.
std::vector<gcode::Move> MachineMoves(const std::string& program) {
  std::vector<gcode::Move> moves;
  gcode::ProgramWalk walk(program);
  gcode::Interpreter interpreter;
  gcode::Block block;
  while (walk.Next(interpreter, block))
    for (gcode::Move m : block.moves) {
      if (m.kind == gcode::MoveKind::Dwell) continue;
      for (int a = 0; a < gcode::kAxes; ++a) {
        m.to[a] += m.origin[a];
        m.from[a] += m.origin[a];
        m.centre[a] += m.origin[a];
      }
      moves.push_back(m);
    }
  EXPECT_FALSE(walk.failed()) << block.Problem() << "\n" << program;
  return moves;
}

// Whether `got` is `want` put by `place` (axes fixed on the machine where they were), within 0.001 mm.
::testing::AssertionResult Placed(const gcode::Move& got, const gcode::Move& want, const Placement& place) {
  gcode::Point to = place.Apply(want.to);
  for (int a = 0; a < 3; ++a)
    if (want.Fixed(a)) to[a] = want.to[a];
  if (got.kind != want.kind) return ::testing::AssertionFailure() << "another kind of move";
  for (int a = 0; a < gcode::kAxes; ++a)
    if (std::fabs(got.to[a] - to[a]) > 1e-3)
      return ::testing::AssertionFailure() << gcode::kAxisLetters[a] << " " << got.to[a] << " for " << to[a];
  if (got.kind != gcode::MoveKind::Arc) return ::testing::AssertionSuccess();
  const gcode::Point centre = place.Apply(want.centre);
  if (std::hypot(got.centre[0] - centre[0], got.centre[1] - centre[1]) > 1e-3)
    return ::testing::AssertionFailure() << "the arc's centre moved";
  if (got.clockwise != (want.clockwise != place.Mirrors())) return ::testing::AssertionFailure() << "the arc's way round";
  auto radius = [](const gcode::Move& m) { return gcode::PlaneRadius(m.to, m.centre, m.plane); };
  if (std::fabs(radius(got) - radius(want)) > 1e-3) return ::testing::AssertionFailure() << "the arc's radius";
  return ::testing::AssertionSuccess();
}

Placement Turn(double degrees, double px, double py) {
  const double c = std::cos(degrees * M_PI / 180), s = std::sin(degrees * M_PI / 180);
  Placement p;
  p.xx = c, p.xy = -s, p.yx = s, p.yy = c;
  p.shift = {px - (c * px - s * py), py - (s * px + c * py), 0, 0, 0, 0};
  return p;
}

::testing::AssertionResult AllPlaced(const std::string& original, const std::string& changed, const Placement& place) {
  const std::vector<gcode::Move> before = MachineMoves(original), after = MachineMoves(changed);
  if (before.size() != after.size()) return ::testing::AssertionFailure() << after.size() << " moves for " << before.size();
  for (size_t i = 0; i < before.size(); ++i)
    if (auto r = Placed(after[i], before[i], place); !r) return r << " (move " << i << ")";
  return ::testing::AssertionSuccess();
}

// Over generated programs in every mode (G90/G91, G20/G21, G90.1/G91.1, R and
// I/J arcs, drilling, G53 and G28): rotate, rotate back, mirror, align.
TEST(PartTransform, RotatedMirroredAndAlignedProgramsGoWhereTheTurnedPartIs) {
  std::mt19937 rng(7);
  auto real = [&](double lo, double hi) { return lo + (hi - lo) * (rng() % 100000) / 100000.0; };
  for (unsigned seed = 1; seed <= 60; ++seed) {
    const testing::Generated g = testing::Generate(seed, true, false, false);
    const double u = g.text.find("G20") != std::string::npos ? 25.4 : 1;
    const double angle = real(-180, 180), px = real(-20, 20), py = real(-20, 20);
    const CopiedProgram turned = RotateProgram(g.text, angle, px, py);
    ASSERT_TRUE(turned.text) << turned.message << "\n" << g.text;
    ASSERT_TRUE(AllPlaced(g.text, *turned.text, Turn(angle, px * u, py * u)))
        << seed << " " << angle << "\n" << g.text << "\n---\n" << *turned.text;
    const CopiedProgram back = RotateProgram(*turned.text, -angle, px, py);
    ASSERT_TRUE(back.text) << back.message;
    ASSERT_TRUE(AllPlaced(g.text, *back.text, Placement{})) << seed << "\n" << *back.text;

    const bool acrossX = rng() % 2;
    const double at = real(-10, 10);
    const CopiedProgram mirrored = MirrorProgram(g.text, acrossX, at);
    ASSERT_TRUE(mirrored.text) << mirrored.message;
    Placement mirror;
    if (acrossX) mirror.xx = -1, mirror.shift[0] = 2 * at * u;
    else mirror.yy = -1, mirror.shift[1] = 2 * at * u;
    ASSERT_TRUE(AllPlaced(g.text, *mirrored.text, mirror)) << seed << "\n" << g.text << "\n---\n" << *mirrored.text;

    // Align from two points: the rotation by the edge's angle, then the move to the corner.
    const double cx = real(-30, 30), cy = real(-30, 30);
    const EdgeAngle edge = EdgeAngleOf(cx, cy, cx + 40 * std::cos(angle * M_PI / 180), cy + 40 * std::sin(angle * M_PI / 180),
                                       u != 1);
    ASSERT_TRUE(edge.degrees) << edge.refusal;
    EXPECT_NEAR(*edge.degrees, angle, 1e-9);
    const CopiedProgram aligned = AlignProgram(g.text, *edge.degrees, cx, cy);
    const CopiedProgram rotated = RotateProgram(g.text, *edge.degrees, 0, 0);
    ASSERT_TRUE(aligned.text && rotated.text);
    const CopiedProgram moved = MoveProgram(*rotated.text, cx, cy, 0);
    ASSERT_TRUE(moved.text) << moved.message;
    ASSERT_TRUE(AllPlaced(*moved.text, *aligned.text, Placement{})) << seed;
  }
}

TEST(PartTransform, WordsThatTurnAndWhatIsRefused) {
  auto program = [](std::initializer_list<const char*> lines) { return testing::ProgramOf(lines); };
  // A quarter turn: exact numbers, an X-only line gets its Y, I/J turn, R stays R, G52 turns with the part.
  const std::string part = program({"G0 X10 Y0 Z5", "G1 Z-1 F100", "G1 X20", "G3 X30 Y10 I0 J10", "G2 X40 Y20 R10",
                                    "G52 X10 Y5", "G1 X1 Y1", "G52 X0 Y0", "G0 Z5", "M30"});
  const CopiedProgram q = RotateProgram(part, 90, 0, 0);
  ASSERT_TRUE(q.text) << q.message;
  const std::string& t = *q.text;
  for (const char* line : {"\r\nG0 X0 Y10 Z5\r\n", "\r\nG1 X0 Y20\r\n", "\r\nG3 X-10 Y30 I-10 J0\r\n",
                           "\r\nG2 X-20 Y40 R10\r\n", "\r\nG52 X-5 Y10\r\n", "\r\nG1 X-1 Y1\r\n", "\r\nG52 X0 Y0\r\n"})
    EXPECT_NE(t.find(line), std::string::npos) << line << "\n" << t;
  ASSERT_TRUE(AllPlaced(part, t, Turn(90, 0, 0)));

  // Mirror: G2 and G3, G41 and G42 swap; the message says the cut's direction is reversed.
  const std::string comp = program({"G0 X0 Y0 Z5", "G41 D1 G1 X10 F100", "G2 X20 Y10 I0 J10", "G40 G0 Z5", "M30"});
  const CopiedProgram m = MirrorProgram(comp, false, 0);
  ASSERT_TRUE(m.text) << m.message;
  EXPECT_NE(m.text->find("\r\nG42 D1 G1 X10 F100\r\nG3 X20 Y-10 I0 J-10\r\n"), std::string::npos) << *m.text;
  EXPECT_NE(m.message.find("climb or conventional"), std::string::npos);

  auto refused = [&](const std::string& p, const char* says) {
    const CopiedProgram c = RotateProgram(p, 30, 0, 0);
    EXPECT_FALSE(c.text) << p;
    EXPECT_NE(c.message.find(says), std::string::npos) << c.message;
  };
  refused(program({"G0 X0 Y0 Z0", "G18 G2 X10 Z0 I5 K0", "M30"}), "line 5: an arc in the G18/G19 plane");
  refused(program({"G0 X1 Y1", "G92 X0 Y0", "G1 X5 F100"}), "line 5: G92");
  refused(program({"G0 X1 Y1", "G55", "G1 X5 F100"}), "line 5: it changes the work offset");
  refused(program({"G0 X1 Y1", "G10 L2 P1 X5", "G1 X5 F100"}), "line 5: it changes the work offset");
  EXPECT_FALSE(RotateProgram(program({"G0 X1 Y1"}), 90, 2e6, 0).text) << "beyond the numbers' range";
  EXPECT_TRUE(RotateProgram(program({"G54", "G0 X1 Y1"}), 30, 0, 0).text) << "G54 where G54 is in force changes nothing";

  // The edge: 12° from two points; points under 5 mm (0.2 inch) apart are refused.
  EXPECT_NEAR(*EdgeAngleOf(30, 20, 30 + 50 * std::cos(12 * M_PI / 180), 20 + 50 * std::sin(12 * M_PI / 180), false).degrees,
              12, 1e-9);
  EXPECT_FALSE(EdgeAngleOf(0, 0, 4.9, 0, false).degrees);
  EXPECT_TRUE(EdgeAngleOf(0, 0, 0.25, 0, true).degrees);
  EXPECT_NE(EdgeAngleOf(0, 0, 0.1, 0.1, true).refusal.find("0.2 inch"), std::string::npos);
}

// Align's two steps, Mach3 jogged between the boxes, with and without the pointer; Rotate and Mirror
// through their dialogs.
using PartCommands = testing::FormWithDialogs;
TEST_F(PartCommands, AlignMeasuresTheEdgeBetweenItsTwoBoxesRotateAndMirrorTakeTheirDialogs) {
  withDialogs.Load();
  const std::string part = testing::ProgramOf({"G0 X0 Y0 Z5", "G1 Z-1 F100", "G1 X40", "G1 Y20", "G0 Z5", "M30"});
  controls.SetText(ControlId::Text2, part);
  const double a = 12 * M_PI / 180;
  char far[2][16];
  std::snprintf(far[0], sizeof far[0], "%+.4f", 30 + 60 * std::cos(a));
  std::snprintf(far[1], sizeof far[1], "%+.4f", 20 + 60 * std::sin(a));
  std::vector<std::string> steps;
  auto jogging = [&](const std::string& cornerX, const std::string& cornerY) {
    steps.clear();
    controls.onMessage = [&, cornerX, cornerY](const std::string& text) {
      steps.push_back(text);
      if (steps.size() == 1) dro[0] = cornerX, dro[1] = cornerY;
      if (steps.size() == 2) dro[0] = far[0], dro[1] = far[1];
    };
  };
  jogging("+30.0000", "+20.0000");
  withDialogs.OnCommand(FormCommand::AlignToPart);
  ASSERT_GE(steps.size(), 2u);
  EXPECT_EQ(steps[0], kAlignFirstStep);
  EXPECT_EQ(steps[1], kAlignSecondStep);
  ASSERT_EQ(answers.alignShown.size(), 1u);
  EXPECT_EQ(answers.alignShown[0].degrees, "12");
  EXPECT_EQ(answers.alignShown[0].x, "30");
  EXPECT_EQ(answers.alignShown[0].y, "20");
  EXPECT_EQ(Program(), *AlignProgram(part, 12, 30, 20).text);
  EXPECT_NE(Program().find("\r\nG0 Z5\r\n"), std::string::npos) << "a line that stays put in XY gains no X or Y";
  controls.SetText(ControlId::Text2, part);

  // Through the pointer: it stands 12.5 to the right of the tool and 0.75 below it.
  answers.pointer = {{{"+12.5000", "-0.7500", true}, false}};
  controls.onMessage = nullptr;
  withDialogs.OnCommand(FormCommand::PointerOffset);
  jogging("+17.5000", "+20.7500");
  far[0][0] = 0;
  std::snprintf(far[0], sizeof far[0], "%+.4f", 30 + 60 * std::cos(a) - 12.5);
  std::snprintf(far[1], sizeof far[1], "%+.4f", 20 + 60 * std::sin(a) + 0.75);
  withDialogs.OnCommand(FormCommand::AlignToPart);
  ASSERT_EQ(answers.alignShown.size(), 2u);
  EXPECT_EQ(answers.alignShown[1].x, "30");
  EXPECT_EQ(answers.alignShown[1].y, "20");
  EXPECT_EQ(answers.alignShown[1].degrees, "12");
  controls.SetText(ControlId::Text2, part);

  // Two points 3 mm apart: refused, nothing asked, nothing changed.
  std::snprintf(far[0], sizeof far[0], "%+.4f", 20.5);
  std::snprintf(far[1], sizeof far[1], "%+.4f", 20.75);
  jogging("+17.5000", "+20.7500");
  withDialogs.OnCommand(FormCommand::AlignToPart);
  EXPECT_NE(controls.messages.back().find("closer than 5 mm"), std::string::npos) << controls.messages.back();
  EXPECT_EQ(answers.alignShown.size(), 2u);
  EXPECT_EQ(Program(), part);
  controls.onMessage = nullptr;

  answers.rotate = RotateTexts{"90", "0", "0"};
  withDialogs.OnCommand(FormCommand::Rotate);
  EXPECT_EQ(Program(), *RotateProgram(part, 90, 0, 0).text);
  EXPECT_EQ(controls.messages.back(), RotateProgram(part, 90, 0, 0).message);
  controls.SetText(ControlId::Text2, part);
  answers.mirror = MirrorTexts{true, "5,5"};  // about Y = 5.5, a decimal comma
  withDialogs.OnCommand(FormCommand::Mirror);
  EXPECT_EQ(Program(), *MirrorProgram(part, false, 5.5).text);
  answers.mirror = MirrorTexts{false, "abc"};
  withDialogs.OnCommand(FormCommand::Mirror);
  EXPECT_NE(controls.messages.back().find("is no number"), std::string::npos);
}

}  // namespace
}  // namespace kestrom
