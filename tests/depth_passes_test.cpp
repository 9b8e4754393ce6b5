// Depth passes read back through the interpreter: generated contours (lines
// and arcs, open and closed, G90 and G91, mm and inch) cut at every depth
// with their tabs, and the rounded rectangle of the guide; then the refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "fakes/program_text.h"
#include "gcode/numbers.h"
#include "gcode/program_walk.h"
#include "toolpath/depth_passes.h"

namespace kestrom {
namespace {

std::vector<gcode::Move> MovesOf(const std::string& program) {
  std::vector<gcode::Move> moves;
  gcode::ProgramWalk walk(program);
  gcode::Interpreter interpreter;
  gcode::Block block;
  while (walk.Next(interpreter, block))
    for (const gcode::Move& m : block.moves) moves.push_back(m);
  EXPECT_FALSE(walk.failed()) << block.Problem();
  return moves;
}

bool Across(const gcode::Move& m) {
  return m.kind == gcode::MoveKind::Arc ||
         (m.kind == gcode::MoveKind::Feed && std::hypot(m.to[0] - m.from[0], m.to[1] - m.from[1]) > 1e-9);
}

double XYLength(const gcode::Move& m) {
  if (m.kind != gcode::MoveKind::Arc) return std::hypot(m.to[0] - m.from[0], m.to[1] - m.from[1]);
  const auto shape = gcode::ShapeOf(m.from, m.to, m.centre, m.plane, m.clockwise, m.turns);
  return std::fabs(shape.sweep) * shape.radius;
}

gcode::Point Middle(const gcode::Move& m) {
  if (m.kind != gcode::MoveKind::Arc) {
    gcode::Point p{};
    for (int a = 0; a < 3; ++a) p[a] = (m.from[a] + m.to[a]) / 2;
    return p;
  }
  const auto shape = gcode::ShapeOf(m.from, m.to, m.centre, m.plane, m.clockwise, m.turns);
  return gcode::PointOnArc(m.from, m.to, m.centre, m.plane, shape, 0.5);
}

// The distance in XY from `p` to the original contour's moves.
double OffContour(const gcode::Point& p, const std::vector<gcode::Move>& contour) {
  double best = 1e300;
  for (const gcode::Move& m : contour) {
    if (m.kind == gcode::MoveKind::Arc) {
      // Between its start's and its end's radius, as the original's own rounded numbers leave them.
      const double r0 = gcode::PlaneRadius(m.from, m.centre, m.plane), r1 = gcode::PlaneRadius(m.to, m.centre, m.plane);
      const double d = std::hypot(p[0] - m.centre[0], p[1] - m.centre[1]);
      best = std::min(best, std::max({0.0, std::min(r0, r1) - d, d - std::max(r0, r1)}));
      continue;
    }
    const double dx = m.to[0] - m.from[0], dy = m.to[1] - m.from[1];
    const double t = std::clamp(((p[0] - m.from[0]) * dx + (p[1] - m.from[1]) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    best = std::min(best, std::hypot(p[0] - m.from[0] - t * dx, p[1] - m.from[1] - t * dy));
  }
  return best;
}

struct Pass {
  double depth = 1e300;
  double length = 0, onTabs = 0;
  int tabs = 0;
};

// The passes of `result` (millimetres), checked move by move against `contour`:
// every cut lies on the contour within `near`, and nothing but a plunge where the contour
// starts goes below the deepest pass so far.
std::vector<Pass> PassesOf(const std::string& result, const std::vector<gcode::Move>& contour, double surface,
                           double tabTop, double near) {
  std::vector<Pass> passes;
  double deepest = surface;
  bool onTab = false;
  const gcode::Point start = contour.front().from;
  for (const gcode::Move& m : MovesOf(result)) {
    const double low = std::min(m.from[2], m.to[2]);
    if (low < deepest - 1e-6) {
      EXPECT_TRUE(m.kind == gcode::MoveKind::Feed && std::hypot(m.to[0] - start[0], m.to[1] - start[1]) < 2e-3 &&
                  std::hypot(m.to[0] - m.from[0], m.to[1] - m.from[1]) < 2e-3)
          << "a move goes below the pass before it at " << m.to[0] << " " << m.to[1] << " " << m.to[2];
      deepest = low;
      passes.emplace_back();
      onTab = false;
    }
    if (!Across(m) || passes.empty()) continue;
    EXPECT_LT(OffContour(m.to, contour), near);
    EXPECT_LT(OffContour(Middle(m), contour), near);
    Pass& pass = passes.back();
    pass.length += XYLength(m);
    pass.depth = std::min(pass.depth, m.to[2]);
    const bool top = std::fabs(m.to[2] - tabTop) < 1e-4 && m.to[2] > deepest + 1e-4;
    if (top) pass.onTabs += XYLength(m);
    if (top && !onTab) ++pass.tabs;
    onTab = top;
  }
  return passes;
}

// A contour at Z `z0` in mm or inches, G90 or G91: random lines and arcs, closed or open.
struct Drawn {
  std::string program;
  double unit = 1;
};
Drawn Generate(unsigned seed) {
  std::mt19937 random(seed);
  auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random); };
  Drawn d;
  const bool inches = random() % 3 == 0, relative = random() % 2 == 0, closed = random() % 2 == 0;
  d.unit = inches ? 25.4 : 1;
  std::vector<std::string> lines{inches ? "G20" : "G21"};
  double x = uniform(-20, 20), y = uniform(-20, 20), z = 0;
  const double startX = x, startY = y, z0 = std::round(uniform(0, 2) * 10) / 10;
  auto n = [](double v) { return gcode::Write(v, {4, false, '.'}); };
  auto to = [&](const char* g, double nx, double ny, double nz, const std::string& more) {
    const bool inc = relative && lines.size() > 2;
    lines.push_back(std::string(g) + " X" + n(inc ? nx - x : nx) + " Y" + n(inc ? ny - y : ny) + " Z" +
                    n(inc ? nz - z : nz) + more);
    x = std::stod(n(inc ? nx - x : nx)) + (inc ? x : 0);
    y = std::stod(n(inc ? ny - y : ny)) + (inc ? y : 0);
    z = nz;
  };
  to("G00", x, y, 5, "");
  if (relative) lines.push_back("G91");
  to("G01", x, y, z0, " F300");
  const int count = 3 + static_cast<int>(random() % 8);
  for (int k = 0; k < count; ++k) {
    if (random() % 2) {
      to("G01", x + uniform(-15, 15), y + uniform(-15, 15), z0, "");
    } else {  // an arc around a centre near here
      const double cx = x + uniform(-8, 8), cy = y + uniform(-8, 8);
      const double sweep = uniform(0.3, 2.5) * (random() % 2 ? 1 : -1);
      const double a0 = std::atan2(y - cy, x - cx), r = std::hypot(x - cx, y - cy);
      to(sweep < 0 ? "G02" : "G03", cx + r * std::cos(a0 + sweep), cy + r * std::sin(a0 + sweep), z0,
         " I" + n(cx - x) + " J" + n(cy - y));
    }
  }
  if (closed) to("G01", startX, startY, z0, "");
  to("G00", x, y, 5, "");
  lines.push_back("M30");
  d.program = kStartHeader;
  for (const std::string& line : lines) d.program += "\r\n" + line;
  return d;
}

TEST(DepthPasses, EveryPassIsTheContourAtItsDepthWithItsTabs) {
  int tabbed = 0;
  for (unsigned seed = 1; seed <= 120; ++seed) {
    const Drawn d = Generate(seed);
    std::vector<gcode::Move> contour;
    for (const gcode::Move& m : MovesOf(d.program))
      if (Across(m)) contour.push_back(m);
    double length = 0;
    for (const gcode::Move& m : contour) length += XYLength(m);
    DepthPassRequest r;
    r.surfaceZ = 0;
    r.finalZ = -(1.0 + seed % 5) * 0.7 / d.unit;
    r.step = (0.5 + seed % 3 * 0.5) / d.unit;
    r.plungeFeed = 100;
    r.safeZ = 5;
    r.tabs = static_cast<int>(seed % 4);
    r.tabWidth = std::min(3.0, length / (r.tabs + 1) / 2) / d.unit;
    r.tabHeight = 0.8 / d.unit;
    const CopiedProgram made = DepthPasses(d.program, r);
    ASSERT_TRUE(made.text) << made.message << "\n" << d.program;
    const double top = (r.finalZ + r.tabHeight) * d.unit;
    const std::vector<Pass> passes = PassesOf(*made.text, contour, r.surfaceZ * d.unit, top, 1e-3);
    const int expected = static_cast<int>(std::ceil((r.surfaceZ - r.finalZ) / r.step - 1e-9));
    ASSERT_EQ(passes.size(), static_cast<size_t>(expected)) << d.program << "\n" << *made.text;
    for (int k = 0; k < expected; ++k) {
      const double depth = (k + 1 == expected ? r.finalZ : r.surfaceZ - (k + 1) * r.step) * d.unit;
      const Pass& pass = passes[static_cast<size_t>(k)];
      EXPECT_NEAR(pass.depth, depth, 1e-5) << "pass " << k + 1 << "\n" << *made.text;
      EXPECT_NEAR(pass.length, length, 2e-3) << "pass " << k + 1;
      const bool underTabs = r.tabs > 0 && depth < top - 1e-9;
      EXPECT_EQ(pass.tabs, underTabs ? r.tabs : 0) << "pass " << k + 1 << "\n" << *made.text;
      EXPECT_NEAR(pass.onTabs, underTabs ? r.tabs * r.tabWidth * d.unit : 0, 2e-3);
      tabbed += underTabs;
    }
    // The program goes on where it did: the last move is the original's retract.
    EXPECT_NEAR(MovesOf(*made.text).back().to[2], 5 * d.unit, 1e-6);
  }
  EXPECT_GT(tabbed, 50);
}

std::string RoundedRectangle() {
  return testing::ProgramOf({"G00 X+2.0000 Y+0.0000 Z+5.0000", "M3", "G01 X+2.0000 Y+0.0000 Z+0.0000 F200",
                             "G01 X+18.0000 Y+0.0000 Z+0.0000 F200",
                             "G03 G91.1  X+20.0000 Y+2.0000 Z+0.0000 I+0.0000 J+2.0000 F200",
                             "G01 X+20.0000 Y+8.0000 Z+0.0000 F200",
                             "G03 G91.1  X+18.0000 Y+10.0000 Z+0.0000 I-2.0000 J+0.0000 F200",
                             "G01 X+2.0000 Y+10.0000 Z+0.0000 F200",
                             "G03 G91.1  X+0.0000 Y+8.0000 Z+0.0000 I+0.0000 J-2.0000 F200",
                             "G01 X+0.0000 Y+2.0000 Z+0.0000 F200",
                             "G03 G91.1  X+2.0000 Y+0.0000 Z+0.0000 I+2.0000 J+0.0000 F200", "M5"});
}

TEST(DepthPasses, TheRoundedRectangleClosedAndOpenAndWhatIsRefused) {
  const std::string part = RoundedRectangle();
  const DepthPassStart start = DepthPassStartOf(part);
  EXPECT_STREQ(start.units, "mm");
  EXPECT_EQ(start.surfaceZ, 0);
  EXPECT_EQ(start.feed, 200);
  EXPECT_EQ(start.highestZ, 5);

  DepthPassRequest r{0, -3, 1.2, 60, 5, 2, 4, 1};
  const CopiedProgram made = DepthPasses(part, r);
  ASSERT_TRUE(made.text) << made.message;
  EXPECT_EQ(made.message, "Derinlik pasoları: 1 kontur × 3 paso, 2 köprü; 51 satır (depth passes: 1 contour × 3 "
                          "passes, 2 tabs; 51 lines).");
  const std::string& t = *made.text;
  // Closed: each pass goes down where it starts at the plunge feed, its first
  // line taking the contour's feed back; written in the program's own style.
  EXPECT_NE(t.find("G01 Z-1.2000 F60\r\nG01 X+18.0000 Y+0.0000 Z-1.2000 F200"), std::string::npos) << t;
  EXPECT_NE(t.find("G01 Z-2.4000 F60\r\n"), std::string::npos);
  EXPECT_NE(t.find("G01 Z-3.0000 F60\r\n"), std::string::npos) << "the last pass exactly at the final depth";
  EXPECT_EQ(t.find("G00 Z+5"), std::string::npos) << "a closed contour never rises between passes";
  // The first tab, on the bottom line and into the first corner: the arc is split and stays an arc.
  EXPECT_NE(t.find("G01 X+14.141593 F200\r\nG01 Z-2.0000\r\nG01 X+18.0000\r\nG03 X+18.141474 Y+0.005010 I+0.0000 J+2.0000\r\nG01 Z-2.4000 F60"), std::string::npos) << t;
  EXPECT_NE(t.find("G01 Z+0.0000\r\nM5"), std::string::npos) << "back to the contour's Z before M5";
  EXPECT_EQ(t.substr(0, part.find("G01 X+18")), part.substr(0, part.find("G01 X+18")));

  // Open: the same path without its last corner rises to safe Z, rapids back and plunges from the surface.
  std::string open = part.substr(0, part.rfind("\r\nG03")) + "\r\nM5";
  const CopiedProgram opened = DepthPasses(open, {0, -2, 1, 60, 6});
  ASSERT_TRUE(opened.text) << opened.message;
  EXPECT_NE(opened.text->find("Z-1.0000 F200\r\nG00 Z+6.0000\r\nG00 X+2.0000 Y+0.0000\r\nG00 Z+0.0000\r\n"
                              "G01 Z-2.0000 F60\r\nG01 X+18.0000"),
            std::string::npos)
      << *opened.text;

  auto refused = [&](const std::string& program, const DepthPassRequest& request, const char* says) {
    const CopiedProgram c = DepthPasses(program, request);
    EXPECT_FALSE(c.text);
    EXPECT_NE(c.message.find(says), std::string::npos) << c.message;
    EXPECT_NE(c.message.find("nothing changed"), std::string::npos) << c.message;
  };
  refused(part, {0, 1, 1, 60, 5}, "final depth must be below the surface");
  refused(part, {0, -3, 0, 60, 5}, "step down must be more than 0");
  refused(part, {0, -3, -1, 60, 5}, "step down must be more than 0");
  refused(part, {0, -3, 1, 60, 4}, "safe Z 4 is below the highest Z the program reaches, 5");
  refused(part, {0, -3000, 0.001, 60, 5}, "longer than 1,000,000 lines");
  refused(part, {0, -3, 1, 60, 5, 20, 3, 1}, "line 7: the tabs do not fit along the contour");
  refused(part, {1, -3, 1, 60, 5}, "line 7: the contour cuts below the surface Z");
  std::string ramp = part;
  ramp.replace(ramp.find("X+20.0000 Y+8.0000 Z+0.0000"), 27, "X+20.0000 Y+8.0000 Z-0.5000");
  refused(ramp, r, "line 9: the contour's Z changes while it cuts");
}

}  // namespace
}  // namespace kestrom
