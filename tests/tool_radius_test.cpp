// Offset by the tool's radius on programs: the taught rectangle grown by the
// radius with its corners rounded, its approach and retract moved with it;
// open paths left and right; a contour the tool splits in two; refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

#include "fakes/program_text.h"
#include "gcode/program_walk.h"
#include "toolpath/contours.h"
#include "toolpath/depth_passes.h"
#include "toolpath/tool_radius.h"
#include "teach/teach_program.h"

namespace kestrom {
namespace {

constexpr double kPi = 3.14159265358979323846;

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
  // Round the quarter of each end on its side: down behind the start, up beyond the end.
  EXPECT_NE(left.text->find("G00 X-1 Y0 Z5\r\nG01 Z-1 F100\r\nG02 X0 Y1 I1 J0\r\nG01 X9\r\nG01 Y10\r\n"
                            "G02 X10 Y11 I1 J0\r\nG00 Z5"),
            std::string::npos)
      << *left.text;
  const Read r = ReadBack(*right.text);
  ASSERT_EQ(r.cuts.size(), 5u) << *right.text;
  EXPECT_EQ(r.cuts[2].kind, gcode::MoveKind::Arc);

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
  refused(testing::ProgramOf({"G01 X0 Y0 Z0 F100", "G01 X10", "G01 X20 Z-1", "G01 X30"}), {2},
          "line 6: the contour's Z changes while it cuts");
  refused(testing::ProgramOf({"G01 X0 Y0 Z0 F100", "G41 D1", "G01 X10"}), {2}, "cutter compensation (G41/G42) is on");
}

// The least distance from a cut move (at points a hundredth of a millimetre
// apart) to a contour of straight lines, brute force.
double Nearest(const gcode::Move& m, const std::vector<std::array<double, 2>>& contour) {
  double best = 1e300;
  const double length = LengthOf(m);
  const int steps = static_cast<int>(std::ceil(length / 0.01)) + 1;
  for (int k = 0; k <= steps; ++k) {
    const gcode::Point p = Along(m, length * k / steps, length);
    for (size_t i = 0; i + 1 < contour.size(); ++i) {
      const double ax = contour[i][0], ay = contour[i][1], dx = contour[i + 1][0] - ax, dy = contour[i + 1][1] - ay;
      const double t = std::clamp(((p[0] - ax) * dx + (p[1] - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
      best = std::min(best, std::hypot(p[0] - ax - dx * t, p[1] - ay - dy * t));
    }
  }
  return best;
}

std::string Lines(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* l : lines) text += std::string(l) + "\r\n";
  return text;
}

// The smallest cases of contours as jogging records them, each with what
// went wrong before asserted absent: no cut nearer the contour than the
// radius, no whole circle round a vertex, no move across below safe Z.
TEST(ToolRadius, ContoursAsJoggingRecordsThemAreOffsetRightOrRefused) {
  const std::vector<std::array<double, 2>> rectangle = {{0, 0}, {30, 0}, {30, 20}, {0, 20}, {0, 0}};
  auto cutsOf = [](const std::string& text) { return ReadBack(text).cuts; };
  auto noGouge = [&](const CopiedProgram& out, const std::vector<std::array<double, 2>>& contour, double r,
                     const char* what) {
    ASSERT_TRUE(out.text) << what << ": " << out.message;
    EXPECT_EQ(out.message.find("became"), std::string::npos) << what << ": " << out.message;
    for (const gcode::Move& m : cutsOf(*out.text)) {
      EXPECT_GE(Nearest(m, contour), r - 1e-4) << what << "\n" << *out.text;
      if (m.kind == gcode::MoveKind::Arc)
        EXPECT_LT(std::fabs(gcode::ShapeOf(m.from, m.to, m.centre, m.plane, m.clockwise).sweep), kPi / 2 + 1e-6)
            << what << ": an arc round a vertex of more than a quarter turn\n" << *out.text;
    }
  };
  // A readout that steps forward and back: out, in, and in G91.
  const std::string flicker = Lines({"G21 G90 G17", "G0 Z5", "G0 X0 Y0", "G1 Z-1 F100", "G1 X10 Y0 F300",
                                     "G1 X10.001 Y0", "G1 X10 Y0", "G1 X30 Y0", "G1 X30 Y20", "G1 X0 Y20", "G1 X0 Y0",
                                     "G0 Z5", "M30"});
  noGouge(OffsetByToolRadius(flicker, {6, false, false}), rectangle, 3, "flicker outside");
  noGouge(OffsetByToolRadius(flicker, {6, true, false}), rectangle, 3, "flicker inside");
  const std::string relative = Lines({"G21 G90 G17", "G0 Z5", "G0 X0 Y0", "G1 Z-1 F100", "G91", "G1 X10 Y0 F300",
                                      "G1 X0.001 Y0", "G1 X-0.001 Y0", "G1 X20 Y0", "G1 X0 Y20", "G1 X-30 Y0",
                                      "G1 X0 Y-20", "G90", "G0 Z5", "M30"});
  noGouge(OffsetByToolRadius(relative, {6, false, false}), rectangle, 3, "flicker in G91");
  // A corner overshot and taken back, inside with a 10 mm tool: nothing beyond the pocket's wall.
  const std::string overshoot = Lines({"G21 G90 G17", "G0 Z5", "G0 X0 Y0", "G1 Z-1 F100", "G1 X10 Y0 F300",
                                       "G1 X30.01 Y0", "G1 X30 Y0", "G1 X30 Y20", "G1 X0 Y20", "G1 X0 Y0", "G0 Z5",
                                       "M30"});
  const CopiedProgram pocket = OffsetByToolRadius(overshoot, {10, true, false});
  noGouge(pocket, rectangle, 5, "overshoot");
  for (const gcode::Move& m : cutsOf(*pocket.text)) EXPECT_LE(m.to[0], 25 + 1e-9) << *pocket.text;
  // A fin: a 10 mm tool fits nowhere inside it, and is refused, the line named (it cut round the tip outside).
  const CopiedProgram fin = OffsetByToolRadius(Lines({"G21 G90 G17", "G0 Z5", "G0 X0 Y0", "G1 Z-1 F100",
                                                      "G1 X40 Y0 F300", "G3 X-10. Y6 I-30.9374 J-46.4784",
                                                      "G1 X0 Y0.", "G0 Z5", "M30"}),
                                               {10, true, false});
  EXPECT_FALSE(fin.text);
  EXPECT_NE(fin.message.find("line 5: the tool fits nowhere along this contour"), std::string::npos) << fin.message;

  // A dumbbell pocket cut at two depths: between its halves the tool goes up to safe Z at each depth.
  std::string bone = "G21 G90 G17\r\nG0 Z5\r\nG0 X0 Y0\r\nG1 Z-1 F100\r\n";
  const char* halves[] = {"X20 Y0", "X20 Y8", "X30 Y8", "X30 Y0", "X50 Y0", "X50 Y20",
                          "X30 Y20", "X30 Y12", "X20 Y12", "X20 Y20", "X0 Y20", "X0 Y0"};
  for (int depth = 0; depth < 2; ++depth) {
    if (depth) bone += "G1 Z-2\r\n";
    for (const char* h : halves) bone += std::string("G1 ") + h + (depth || h != halves[0] ? "" : " F300") + "\r\n";
  }
  bone += "G0 Z5\r\nM30\r\n";
  const CopiedProgram two = OffsetByToolRadius(bone, {6, true, false});
  ASSERT_TRUE(two.text) << two.message;
  const Read read = ReadBack(*two.text);
  for (const gcode::Move& m : read.others)
    if (m.kind != gcode::MoveKind::Dwell && (m.to[0] != m.from[0] || m.to[1] != m.from[1]) && !m.FromUnknown())
      EXPECT_EQ(std::min(m.from[2], m.to[2]), 5) << "across below safe Z\n" << *two.text;
  for (const gcode::Move& m : read.cuts) EXPECT_TRUE(m.to[0] < 18 || m.to[0] > 32) << "through the neck\n" << *two.text;

  // A recorded ellipse in inches under G91, 4,000 points of four places, inside: no whole circles, no gouge.
  std::string ellipse = "G20 G90 G17\r\nG0 Z0.2\r\nG0 X2.0000 Y0.0000\r\nG1 Z-0.04 F10\r\nG91\r\n";
  std::vector<std::array<double, 2>> ring = {{2 * 25.4, 0}};
  double px = 2, py = 0;
  for (int i = 1; i <= 4000; ++i) {
    const double a = 2 * kPi * i / 4000, x = std::round(2 * std::cos(a) * 1e4) / 1e4,
                 y = std::round(1.2 * std::sin(a) * 1e4) / 1e4;
    char line[64];
    std::snprintf(line, sizeof line, "G1 X%.4f Y%.4f\r\n", x - px, y - py);
    ellipse += line;
    px = x, py = y;
    ring.push_back({x * 25.4, y * 25.4});
  }
  ellipse += "G90\r\nG0 Z0.2\r\nM30\r\n";
  const CopiedProgram inch = OffsetByToolRadius(ellipse, {6 / 25.4, true, false});
  ASSERT_TRUE(inch.text) << inch.message;
  const std::vector<gcode::Move> cuts = cutsOf(*inch.text);
  for (size_t k = 0; k < cuts.size(); ++k) {
    if (cuts[k].kind == gcode::MoveKind::Arc)
      EXPECT_LT(std::fabs(gcode::ShapeOf(cuts[k].from, cuts[k].to, cuts[k].centre, cuts[k].plane, cuts[k].clockwise)
                              .sweep),
                kPi / 2);
    if (k % 50 == 0) EXPECT_GE(Nearest(cuts[k], ring), 3 - 1e-4) << k;
  }

  // An open path that comes back near its start, left of it with a 12.7 mm tool: the tool comes down clear of the
  // path's end, and cuts on round both ends where the path's start and end nearly meet.
  const std::vector<std::array<double, 2>> open = {{0, 6.797}, {0, 39.309}, {31.787, 39.309}, {31.787, 0}, {0, 0}};
  const CopiedProgram around = OffsetByToolRadius(Lines({"G21 G90 G17", "G0 Z5", "G0 X0 Y6.797", "G1 Z-1 F100",
                                                         "G1 X0 Y39.309 F300", "G1 X31.787", "G1 Y0", "G1 X0",
                                                         "G0 Z5", "M30"}),
                                                  {12.7, false, false});
  ASSERT_TRUE(around.text) << around.message;
  const Read a = ReadBack(*around.text);
  ASSERT_FALSE(a.cuts.empty());
  EXPECT_GE(Nearest(a.cuts.front(), open), 6.35 - 1e-4);
  for (const gcode::Move& m : a.cuts) EXPECT_GE(Nearest(m, open), 6.35 - 1e-4) << *around.text;
  EXPECT_NEAR(std::hypot(a.cuts.back().to[0] - a.cuts.front().from[0], a.cuts.back().to[1] - a.cuts.front().from[1]),
              0, 1e-6)
      << "round the whole outside, across the gap\n"
      << *around.text;

  // A recording's first line, from wherever the machine stood, is its approach, not a cut: the commonest taught
  // contour is offset and cut in passes; the tool goes up to safe Z before it crosses to the offset's start.
  const std::string taught = std::string(kStartHeader) +
                             "\r\nG01  X+10.0000 Y+20.0000 Z-1.0000 F200\r\nG01  X+30.0000 Y+20.0000 Z-1.0000 F200"
                             "\r\nG01  X+30.0000 Y+40.0000 Z-1.0000 F200\r\nG01  X+10.0000 Y+40.0000 Z-1.0000 F200"
                             "\r\nG01  X+10.0000 Y+20.0000 Z-1.0000 F200\r\nG01  X+10.0000 Y+20.0000 Z+5.0000 F200";
  const CopiedProgram out = OffsetByToolRadius(taught, {6, false, false});
  ASSERT_TRUE(out.text) << out.message;
  EXPECT_NE(out.text->find("\r\nG00 Z5\r\nG00 X+10.0000 Y+17.0000\r\nG01  X+10.0000 Y+17.0000 Z-1.0000 F200"),
            std::string::npos)
      << *out.text;
  DepthPassRequest passes;
  passes.surfaceZ = -1, passes.finalZ = -3, passes.step = 1, passes.plungeFeed = 50, passes.safeZ = 5;
  EXPECT_TRUE(DepthPasses(taught, passes).text) << DepthPasses(taught, passes).message;
  // Safe Z below the program's highest Z is refused, as the grid refuses it.
  ToolRadiusRequest low{6, false, false};
  low.safeZ = 2;
  EXPECT_NE(OffsetByToolRadius(taught, low).message.find("safe Z 2 is below the highest Z the program reaches, 5"),
            std::string::npos);
  // A contour cut wherever Z stands (a program that says Z only after it) has no depth to come down to.
  const CopiedProgram nowhere =
      OffsetByToolRadius(Lines({"G21 G90", "G0 X0 Y0", "G1 X30 F300", "Y20", "X0", "Y0", "G0 Z18", "M30"}),
                         {2.5, true, false});
  EXPECT_FALSE(nowhere.text);
  EXPECT_NE(nowhere.message.find("line 3: the program never says this contour's Z"), std::string::npos)
      << nowhere.message;
  // A program that never rises above its contour has no safe Z to cross at: its own rapid at depth is not
  // taken to the offset's start. With a safe Z given, the tool goes up and across, then down by the program's move.
  const std::string level = Lines({"G21 G90", "G0 X0 Y0 Z-1", "G1 X30 F300", "Y20", "X0", "Y0", "M30"});
  EXPECT_NE(OffsetByToolRadius(level, {6, true, false}).message.find("line 3: safe Z (-1) is not above"),
            std::string::npos)
      << OffsetByToolRadius(level, {6, true, false}).message;
  const CopiedProgram lifted = OffsetByToolRadius(level, {6, true, false, 5.0});
  ASSERT_TRUE(lifted.text) << lifted.message;
  EXPECT_NE(lifted.text->find("G00 Z5\r\nG00 X3 Y3\r\nG0 X3 Y3 Z-1\r\nG01 X27"), std::string::npos) << *lifted.text;
  // Not yet at X and Y, the tool goes straight up, not across from wherever it stands.
  const CopiedProgram up = OffsetByToolRadius(
      Lines({"G21 G90", "G0 Z5", "G0 X0 Y0", "G1 Z-1 F100", "G1 X30 F300", "Y20", "X0", "Y0", "G0 Z5", "M30"}),
      {6, true, false, 10.0});
  ASSERT_TRUE(up.text) << up.message;
  EXPECT_NE(up.text->find("G0 Z5\r\nG00 Z10\r\nG00 X3 Y3\r\n"), std::string::npos) << *up.text;
}

TEST(ToolRadius, ACamProgramRetractedOnTheMachineKeepsItsOwnApproachBeforeItsLengthOffset) {
  // After G53 G0 Z0 the tool's height in the part's coordinates waits for G43: the program
  // moves across up there, and Kestrom adds no move of its own before the G43 line.
  const std::string cam = Lines({"%", "O1000 (PART)", "G90 G94 G17 G91.1", "G21", "G53 G0 Z0.", "T1 M6", "S8000 M3",
                                 "G54", "M8", "G0 X0. Y0.", "G43 Z15. H1", "G0 Z5.", "G1 Z-1. F300.", "G1 X40.",
                                 "G1 Y20.", "G3 X30. Y30. I-10. J0.", "G1 X0.", "G1 Y0.", "G0 Z15.", "M9", "M5",
                                 "M30", "%"});
  for (bool inside : {false, true}) {
    const CopiedProgram out = OffsetByToolRadius(cam, {6, inside, false});
    ASSERT_TRUE(out.text) << out.message;
    const std::string start = inside ? "X3 Y3" : "X0. Y-3";
    EXPECT_NE(out.text->find("M8\r\nG0 " + start + "\r\nG43 Z15. H1\r\nG0 Z5.\r\nG1 Z-1. F300.\r\n"),
              std::string::npos)
        << *out.text;
  }
}

}  // namespace
}  // namespace kestrom
