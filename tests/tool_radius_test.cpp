// Offset by the tool's radius on programs: the taught rectangle grown by the
// radius with its corners rounded, its approach and retract moved with it;
// open paths left and right; a contour the tool splits in two; refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "fakes/program_text.h"
#include "gcode/program_walk.h"
#include "teach/tool_radius.h"

namespace kestrom {
namespace {

struct Read {
  std::vector<gcode::Move> cuts, others;  // feed moves across; every other move
};
Read ReadBack(const std::string& program) {
  Read read;
  gcode::ProgramWalk walk(program);
  gcode::Interpreter interpreter;
  gcode::Block block;
  while (walk.Next(interpreter, block))
    for (const gcode::Move& m : block.moves) {
      const bool across = m.kind == gcode::MoveKind::Arc ||
                          (m.kind == gcode::MoveKind::Feed && (m.to[0] != m.from[0] || m.to[1] != m.from[1]));
      (across && m.to[2] < 0.5 ? read.cuts : read.others).push_back(m);
    }
  EXPECT_FALSE(walk.failed()) << block.Problem() << "\n" << program;
  return read;
}

std::string Rectangle(const char* first = "G01 X+0.0000 Y+0.0000 Z+0.0000 F200") {
  return testing::ProgramOf({"G00 X+0.0000 Y+0.0000 Z+5.0000", "M3", first, "G01 X+20.0000 Y+0.0000 Z+0.0000",
                             "G01 X+20.0000 Y+10.0000 Z+0.0000", "G01 X+0.0000 Y+10.0000 Z+0.0000",
                             "G01 X+0.0000 Y+0.0000 Z+0.0000", "G00 X+0.0000 Y+0.0000 Z+5.0000", "M5"});
}

TEST(ToolRadius, TheRectangleGrowsByTheRadiusWithRoundCornersAndItsApproachMovesWithIt) {
  const CopiedProgram out = OffsetByToolRadius(Rectangle(), {6, false, false});
  ASSERT_TRUE(out.text) << out.message;
  EXPECT_EQ(out.message, "Takım yarıçapı kadar kaydırıldı: 1 kontur, çap 6; 16 satır (offset by the tool's radius: 1 "
                         "contour, diameter 6; 16 lines).");
  const Read read = ReadBack(*out.text);
  ASSERT_EQ(read.cuts.size(), 8u) << *out.text;
  double length = 0;
  for (const gcode::Move& m : read.cuts) {
    EXPECT_EQ(m.to[2], 0);
    if (m.kind == gcode::MoveKind::Arc) {
      EXPECT_NEAR(gcode::PlaneRadius(m.from, m.centre, m.plane), 3, 1e-6);
      length += 3 * std::acos(-1.0) / 2;
    } else {
      length += std::hypot(m.to[0] - m.from[0], m.to[1] - m.from[1]);
    }
  }
  EXPECT_NEAR(length, 60 + 6 * std::acos(-1.0), 1e-4);
  // Down at the new start, (0, -3), and up from the end, straight.
  EXPECT_NE(out.text->find("G00 X+0.0000 Y-3.0000 Z+5.0000\r\nM3\r\nG01 X+0.0000 Y-3.0000 Z+0.0000 F200"),
            std::string::npos)
      << *out.text;
  EXPECT_NE(out.text->find("G00 X+0.0000 Y-3.0000 Z+5.0000\r\nM5"), std::string::npos) << *out.text;
  // Inside: a 14 × 4 rectangle with sharp corners, from (3, 3).
  const CopiedProgram inside = OffsetByToolRadius(Rectangle(), {6, true, false});
  ASSERT_TRUE(inside.text) << inside.message;
  const Read in = ReadBack(*inside.text);
  ASSERT_EQ(in.cuts.size(), 4u);
  EXPECT_EQ(in.cuts[0].from[0], 3);
  EXPECT_EQ(in.cuts[0].from[1], 3);
  EXPECT_EQ(in.cuts[0].to[0], 17);
}

TEST(ToolRadius, OpenPathsANeckTheToolSplitsAndRefusals) {
  const std::string open = testing::ProgramOf({"G00 X0 Y0 Z5", "G01 Z-1 F100", "G01 X10", "G01 Y10", "G00 Z5"});
  const CopiedProgram left = OffsetByToolRadius(open, {2, false, false}), right = OffsetByToolRadius(open, {2, false, true});
  ASSERT_TRUE(left.text && right.text) << left.message << right.message;
  EXPECT_NE(left.text->find("G00 X0 Y1 Z5\r\nG01 Z-1 F100\r\nG01 X9\r\nG01 Y10\r\nG00 Z5"), std::string::npos)
      << *left.text;
  const Read r = ReadBack(*right.text);
  ASSERT_EQ(r.cuts.size(), 3u) << *right.text;
  EXPECT_EQ(r.cuts[1].kind, gcode::MoveKind::Arc);

  // A dog bone whose neck (4 wide) a 6 mm tool cannot pass: two pieces, with the tool lifted between.
  const std::string bone = testing::ProgramOf({"G00 X0 Y0 Z5", "G01 Z0 F100", "G01 X20", "G01 Y8", "G01 X30",
                                               "G01 Y0", "G01 X50", "G01 Y20", "G01 X30", "G01 Y12", "G01 X20",
                                               "G01 Y20", "G01 X0", "G01 Y0", "G00 Z5"});
  const CopiedProgram halves = OffsetByToolRadius(bone, {6, true, false});
  ASSERT_TRUE(halves.text) << halves.message;
  EXPECT_NE(halves.message.find("the contour on line 6 became 2"), std::string::npos) << halves.message;
  const Read h = ReadBack(*halves.text);
  EXPECT_EQ(h.cuts.size(), 14u) << *halves.text;  // each half's corners at the neck rounded by the tool
  for (const gcode::Move& m : h.cuts) EXPECT_TRUE(m.to[0] < 18 || m.to[0] > 32) << "into the neck: " << m.to[0];
  EXPECT_NE(halves.text->find("G00 Z5\r\nG00 X"), std::string::npos) << "lifted to where it came down from";

  // Under G18 the corners' arcs say G17, and the program's plane comes back after the contour.
  const std::string xz = testing::ProgramOf({"G18", "G00 X0 Y0 Z5", "G01 Z0 F100", "G01 X10", "G01 Y10", "G01 X0",
                                             "G01 Y0", "G00 Z5"});
  const CopiedProgram grown = OffsetByToolRadius(xz, {2, false, false});
  ASSERT_TRUE(grown.text) << grown.message;
  const Read g = ReadBack(*grown.text);
  ASSERT_EQ(g.cuts.size(), 8u) << *grown.text;
  for (const gcode::Move& m : g.cuts)
    if (m.kind == gcode::MoveKind::Arc) EXPECT_EQ(m.plane, gcode::Plane::XY);
  EXPECT_NE(grown.text->find("\r\nG17 G03 X"), std::string::npos) << *grown.text;
  EXPECT_NE(grown.text->find("\r\nG18\r\nG00 X0 Y-1 Z5"), std::string::npos) << *grown.text;

  auto refused = [](const std::string& program, const ToolRadiusRequest& r, const char* says) {
    const CopiedProgram c = OffsetByToolRadius(program, r);
    EXPECT_FALSE(c.text);
    EXPECT_NE(c.message.find(says), std::string::npos) << c.message;
  };
  refused(Rectangle(), {0, false, false}, "the tool diameter must be more than 0; nothing changed");
  refused(Rectangle(), {12, true, false}, "line 7: the tool fits nowhere along this contour; nothing changed");
  refused(testing::ProgramOf({"G01 X0 Y0 Z0 F100", "G01 X10 Z-1"}), {2}, "line 5: the contour's Z changes while it cuts");
  refused(testing::ProgramOf({"G01 X0 Y0 Z0 F100", "G41 D1", "G01 X10"}), {2}, "cutter compensation (G41/G42) is on");
}

}  // namespace
}  // namespace kestrom
