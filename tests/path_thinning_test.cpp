// Thinning the taught path: what it keeps, checked against the brute-force
// definition on random paths.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "toolpath/path_thinning.h"
#include "teach/teach_program.h"

namespace kestrom {
namespace {

std::string Line(double x, double y, const char* feed = " F200") {
  char text[96];
  std::snprintf(text, sizeof text, "\r\nG01  X%+.4f Y%+.4f Z+0.0000%s", x, y, feed);
  return text;
}

TEST(PathThinning, StraightRunsCollapseCornersStayAndOtherLinesBreakRuns) {
  std::string square = std::string(kStartHeader) + "\r\nM3";
  for (int side = 0; side < 4; ++side)
    for (int step = 1; step <= 10; ++step) {
      const double t = step * 1.0;
      const double x[] = {t, 10, 10 - t, 0}, y[] = {0, t, 10, 10 - t};
      square += Line(x[side], y[side]);
    }
  square += "\r\nM5";
  ThinnedProgram thinned = ThinPath(square, 0.01);
  EXPECT_EQ(thinned.text, std::string(kStartHeader) + "\r\nM3" + Line(1, 0) + Line(10, 0) + Line(10, 10) +
                              Line(0, 10) + Line(0, 0) + "\r\nM5");
  EXPECT_EQ(thinned.linesBefore, 42u);
  EXPECT_EQ(thinned.linesAfter, 7u);
  EXPECT_EQ(ThinPath(thinned.text, 0.01).text, thinned.text);  // twice removes nothing more

  // Runs end at an M-code, a line of another form, and a change of axes or feed.
  const std::string broken = std::string(kStartHeader) + Line(1, 0) + Line(2, 0) + Line(3, 0) + "\r\nM1" +
                             Line(4, 0) + Line(5, 0) + "\r\nG01 X6 Y0" + Line(7, 0) + Line(8, 0, " F300") +
                             Line(9, 0, "") + "\r\nG01  X+10.0000 Y+0.0000" + Line(11, 0, "") + "\r\n";
  thinned = ThinPath(broken, 0.01);
  std::string expected = broken;
  expected.erase(expected.find(Line(2, 0)), Line(2, 0).size());
  EXPECT_EQ(thinned.text, expected);
  // A rapid and an arc of the teach-in end runs and stay byte for byte.
  const std::string taught = std::string(kStartHeader) + "\r\nG00  X+0.0000 Y+0.0000 Z+5.0000" + Line(1, 0) +
                             Line(2, 0) + Line(3, 0) + "\r\nG03 G91.1  X+5.0000 Y+2.0000 Z+0.0000 I+0.0000 J+2.0000 F200" +
                             Line(5, 3) + Line(5, 4) + Line(5, 5);
  expected = taught;
  expected.erase(expected.find(Line(2, 0)), Line(2, 0).size());
  expected.erase(expected.find(Line(5, 4)), Line(5, 4).size());
  EXPECT_EQ(ThinPath(taught, 0.01).text, expected);
  // Under G91 every later point hangs on each line, and after a line that cannot be read nothing is known: kept whole.
  for (const char* before : {"\r\nG91", "\r\nG1 X#1"}) {
    const std::string kept = std::string(kStartHeader) + before + Line(1, 0) + Line(2, 0) + Line(3, 0);
    EXPECT_EQ(ThinPath(kept, 0.01).text, kept);
  }
  // No runs at all: left as it is.
  const std::string typed = "(Kestrom File)\r\nG21 G90 G49 G64\r\n\r\nG00 X1\r\ng01 x2\r\nG01  X1 Y2 Q3";
  EXPECT_EQ(ThinPath(typed, 0.1).text, typed);
}

double SegmentDistance(double px, double py, double ax, double ay, double bx, double by) {
  const double dx = bx - ax, dy = by - ay, l2 = dx * dx + dy * dy;
  const double t = l2 > 0 ? std::fmin(1, std::fmax(0, ((px - ax) * dx + (py - ay) * dy) / l2)) : 0;
  return std::hypot(px - ax - t * dx, py - ay - t * dy);
}

TEST(PathThinning, EveryRemovedPointStaysWithinTheToleranceOfItsKeptNeighbours) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> wobble(-0.02, 0.02);
  for (int path = 0; path < 40; ++path) {
    const double tolerance = path % 2 ? 0.01 : 0.05;
    std::vector<std::pair<double, double>> points;
    std::string program = kStartHeader;
    for (int i = 0; i < 300; ++i) {  // a dense circle, jittered, or a random walk
      const double a = i * 0.02;
      const double x = path % 4 < 2 ? 20 * std::cos(a) + wobble(random) : (points.empty() ? 0 : points.back().first) + wobble(random) * 20;
      const double y = path % 4 < 2 ? 20 * std::sin(a) + wobble(random) : (points.empty() ? 0 : points.back().second) + wobble(random) * 20;
      char text[64];
      std::snprintf(text, sizeof text, "%+.4f", x);
      const double rx = std::atof(text);
      std::snprintf(text, sizeof text, "%+.4f", y);
      points.push_back({rx, std::atof(text)});
      program += Line(x, y);
    }
    const ThinnedProgram thinned = ThinPath(program, tolerance);
    ASSERT_EQ(ThinPath(thinned.text, tolerance).text, thinned.text) << path;
    // Which lines were kept, found by walking both texts.
    std::vector<size_t> kept;
    size_t at = 0;
    for (size_t i = 0; i < points.size(); ++i) {
      const std::string l = Line(points[i].first, points[i].second);
      const size_t found = thinned.text.find(l, at);
      if (found == at || (found != std::string::npos && i == 0)) {
        kept.push_back(i);
        at = found + l.size();
      }
    }
    ASSERT_EQ(kept.front(), 0u);
    ASSERT_EQ(kept.back(), points.size() - 1);
    ASSERT_EQ(kept.size(), thinned.linesAfter) << path;
    for (size_t k = 0; k + 1 < kept.size(); ++k)
      for (size_t i = kept[k] + 1; i < kept[k + 1]; ++i)
        ASSERT_LE(SegmentDistance(points[i].first, points[i].second, points[kept[k]].first, points[kept[k]].second,
                                  points[kept[k + 1]].first, points[kept[k + 1]].second),
                  tolerance + 1e-12)
            << "path " << path << " point " << i;
  }
}

}  // namespace
}  // namespace kestrom
