// The tool's offset, checked as what it must be: every point of the result at
// the radius from the path (within 0.001 mm), none nearer, and no crossing of
// itself or of the path; over generated contours of lines and arcs, dense
// recordings included, and on the shapes a shop meets.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>

#include "toolpath/offset_curves.h"

namespace kestrom {
namespace {

constexpr double kPi = 3.14159265358979323846;

OffsetPath Polygon(std::initializer_list<XY> points, bool closed = true) {
  OffsetPath path;
  path.closed = closed;
  const std::vector<XY> p(points);
  for (size_t i = 0; i + 1 < p.size(); ++i) path.segments.push_back(Segment::Line(p[i], p[i + 1]));
  if (closed) path.segments.push_back(Segment::Line(p.back(), p.front()));
  return path;
}

bool BoxesMeet(const Segment& a, const Segment& b) {
  auto box = [](const Segment& s) {
    const double grow = s.arc ? s.radius : 0;  // an arc within its circle's box
    const XY c = s.arc ? s.centre : XY{(s.a.x + s.b.x) / 2, (s.a.y + s.b.y) / 2};
    const double hx = s.arc ? grow : std::fabs(s.a.x - s.b.x) / 2, hy = s.arc ? grow : std::fabs(s.a.y - s.b.y) / 2;
    return std::array<double, 4>{c.x - hx, c.y - hy, c.x + hx, c.y + hy};
  };
  const auto p = box(a), q = box(b);
  return p[0] <= q[2] + 1e-9 && q[0] <= p[2] + 1e-9 && p[1] <= q[3] + 1e-9 && q[1] <= p[3] + 1e-9;
}

// The property, checked on every result path: at the radius, none nearer, no crossings.
::testing::AssertionResult TrueOffset(const OffsetPath& path, const std::vector<OffsetPath>& result, double r) {
  for (const OffsetPath& out : result) {
    for (const Segment& s : out.segments)
      for (int k = 0; k <= 2; ++k) {
        const double d = DistanceTo(path.segments, s.At(k / 2.0));
        if (std::fabs(d - r) > 1e-3)
          return ::testing::AssertionFailure() << "a point " << d << " from the path, for " << r;
      }
    const std::vector<Segment>& segs = out.segments;
    for (size_t i = 0; i < segs.size(); ++i) {
      for (size_t j = i + 1; j < segs.size(); ++j) {
        if (!BoxesMeet(segs[i], segs[j])) continue;
        // Pieces meet end to start; a crossing is where they meet anywhere else.
        for (const auto& [t, u] : Crossings(segs[i], segs[j])) {
          const XY at = segs[i].At(t);
          bool atEnd = false;
          for (const XY end : {segs[i].a, segs[i].b, segs[j].a, segs[j].b}) atEnd |= Norm(at - end) < 1e-6;
          if (!atEnd) return ::testing::AssertionFailure() << "the result crosses itself at " << i << " and " << j;
        }
      }
      for (const Segment& o : path.segments)
        if (BoxesMeet(segs[i], o) && !Crossings(segs[i], o).empty()) return ::testing::AssertionFailure() << "the result crosses the path";
    }
  }
  return ::testing::AssertionSuccess();
}

double LengthOf(const OffsetPath& p) {
  double length = 0;
  for (const Segment& s : p.segments) length += s.Length();
  return length;
}

TEST(OffsetCurves, TheShapesAShopMeets) {
  // A 20 × 10 rectangle (counter-clockwise), outside by 3: grown by 3 with four corner arcs of radius 3.
  const OffsetPath rectangle = Polygon({{0, 0}, {20, 0}, {20, 10}, {0, 10}});
  auto outside = Offset(rectangle, 3, OffsetSide::Right);
  ASSERT_EQ(outside.size(), 1u);
  EXPECT_TRUE(outside[0].closed);
  ASSERT_EQ(outside[0].segments.size(), 8u);
  int arcs = 0;
  for (const Segment& s : outside[0].segments) arcs += s.arc && std::fabs(s.radius - 3) < 1e-9;
  EXPECT_EQ(arcs, 4);
  EXPECT_NEAR(LengthOf(outside[0]), 60 + 2 * kPi * 3, 1e-9);
  EXPECT_TRUE(TrueOffset(rectangle, outside, 3));
  // Inside by 3: a 14 × 4 rectangle, sharp corners.
  auto inside = Offset(rectangle, 3, OffsetSide::Left);
  ASSERT_EQ(inside.size(), 1u);
  EXPECT_NEAR(LengthOf(inside[0]), 36, 1e-9);
  EXPECT_TRUE(TrueOffset(rectangle, inside, 3));
  // Inside by 6: nothing fits.
  EXPECT_TRUE(Offset(rectangle, 6, OffsetSide::Left).empty());

  // A rounded rectangle: its corner arcs grow from 2 to 5 outside and shrink to... nothing at 2.5 inside.
  OffsetPath rounded;
  rounded.closed = true;
  const double h = kPi / 2;
  rounded.segments = {Segment::Line({2, 0}, {18, 0}),  Segment::Arc({18, 2}, 2, -h, h), Segment::Line({20, 2}, {20, 8}),
                      Segment::Arc({18, 8}, 2, 0, h),    Segment::Line({18, 10}, {2, 10}), Segment::Arc({2, 8}, 2, h, h),
                      Segment::Line({0, 8}, {0, 2}),     Segment::Arc({2, 2}, 2, 2 * h, h)};
  auto grown = Offset(rounded, 3, OffsetSide::Right);
  ASSERT_EQ(grown.size(), 1u);
  EXPECT_EQ(grown[0].segments.size(), 8u) << "tangent joints get no arcs of their own";
  EXPECT_TRUE(TrueOffset(rounded, grown, 3));
  auto shrunk = Offset(rounded, 2.5, OffsetSide::Left);
  ASSERT_EQ(shrunk.size(), 1u);
  EXPECT_NEAR(LengthOf(shrunk[0]), 2 * (15 + 5), 1e-6) << "corners the tool cannot reach are sharp";
  EXPECT_TRUE(TrueOffset(rounded, shrunk, 2.5));

  // A five-pointed star: five concave corners outside.
  OffsetPath star;
  star.closed = true;
  std::vector<XY> points;
  for (int k = 0; k < 10; ++k) {
    const double a = kPi / 2 + k * kPi / 5, r = k % 2 ? 8 : 20;
    points.push_back({r * std::cos(a), r * std::sin(a)});
  }
  for (size_t k = 0; k < points.size(); ++k)
    star.segments.push_back(Segment::Line(points[k], points[(k + 1) % points.size()]));
  auto starOut = Offset(star, 1.5, OffsetSide::Right);
  ASSERT_EQ(starOut.size(), 1u);
  EXPECT_EQ(starOut[0].segments.size(), 15u);  // ten sides, five tip arcs; the concave corners meet
  EXPECT_TRUE(TrueOffset(star, starOut, 1.5));

  // A dog bone: two 20 × 20 squares joined by a neck 4 wide; a 6 mm tool inside cannot pass the neck.
  const OffsetPath bone = Polygon({{0, 0}, {20, 0}, {20, 8}, {30, 8}, {30, 0}, {50, 0}, {50, 20}, {30, 20}, {30, 12},
                                   {20, 12}, {20, 20}, {0, 20}});
  auto halves = Offset(bone, 3, OffsetSide::Left);
  EXPECT_EQ(halves.size(), 2u);
  for (const OffsetPath& half : halves) EXPECT_TRUE(half.closed);
  EXPECT_TRUE(TrueOffset(bone, halves, 3));

  // A circle of radius 2 inside with a radius 3: nothing; outside: a circle of 5.
  OffsetPath circle;
  circle.closed = true;
  circle.segments = {Segment::Arc({0, 0}, 2, 0, 2 * kPi)};
  EXPECT_TRUE(Offset(circle, 3, OffsetSide::Left).empty());
  auto ring = Offset(circle, 3, OffsetSide::Right);
  ASSERT_EQ(ring.size(), 1u);
  EXPECT_NEAR(LengthOf(ring[0]), 2 * kPi * 5, 1e-9);

  // An open L, left and right of its travel, each with the quarter of its round ends on its side.
  const OffsetPath l = Polygon({{0, 0}, {10, 0}, {10, 10}}, false);
  auto left = Offset(l, 1, OffsetSide::Left), right = Offset(l, 1, OffsetSide::Right);
  ASSERT_EQ(left.size(), 1u);
  ASSERT_EQ(right.size(), 1u);
  EXPECT_FALSE(left[0].closed);
  EXPECT_NEAR(LengthOf(left[0]), 18 + kPi, 1e-9);             // inside the corner: the moves meet
  EXPECT_NEAR(LengthOf(right[0]), 20 + kPi / 2 + kPi, 1e-9);  // outside it: an arc of the radius
  EXPECT_TRUE(TrueOffset(l, left, 1));
  EXPECT_TRUE(TrueOffset(l, right, 1));
}

// A rounded rectangle as the recorder takes it down: a point every few tenths
// of a millimetre, each rounded to the readouts' four places, so that its
// sides are long runs of nearly collinear lines.
OffsetPath Recorded(std::mt19937& random) {
  auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random); };
  const double w = uniform(20, 60), h = uniform(20, 40), r = uniform(1, 8), step = uniform(0.15, 0.4);
  std::vector<XY> points;
  auto add = [&](double x, double y) { points.push_back({std::round(x * 1e4) / 1e4, std::round(y * 1e4) / 1e4}); };
  const XY corners[4] = {{w - r, r}, {w - r, h - r}, {r, h - r}, {r, r}};
  for (int c = 0; c < 4; ++c) {
    const XY from = corners[(c + 3) % 4], to = corners[c];
    const double a = (c + 3) * kPi / 2;  // the side's outward normal's angle
    const XY start{from.x + r * std::cos(a), from.y + r * std::sin(a)}, end{to.x + r * std::cos(a), to.y + r * std::sin(a)};
    const int n = static_cast<int>(std::hypot(end.x - start.x, end.y - start.y) / step);
    for (int i = 0; i < n; ++i) add(start.x + (end.x - start.x) * i / n, start.y + (end.y - start.y) * i / n);
    const int m = static_cast<int>(r * kPi / 2 / step) + 1;
    for (int i = 0; i < m; ++i) add(to.x + r * std::cos(a + kPi / 2 * i / m), to.y + r * std::sin(a + kPi / 2 * i / m));
  }
  OffsetPath path;
  path.closed = true;
  for (size_t i = 0; i < points.size(); ++i)
    path.segments.push_back(Segment::Line(points[i], points[(i + 1) % points.size()]));
  return path;
}

// A closed contour of random lines and arcs, not crossing itself: a star-shaped
// wobble around the origin; every tenth one a recording instead.
OffsetPath Generated(unsigned seed) {
  std::mt19937 random(seed);
  auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random); };
  if (seed % 10 == 0) return Recorded(random);
  const int corners = 5 + static_cast<int>(random() % 8);
  std::vector<double> radii;
  for (int k = 0; k < corners; ++k) radii.push_back(uniform(15, 40));
  OffsetPath path;
  path.closed = true;
  auto point = [&](int k) {
    const double a = 2 * kPi * k / corners, r = radii[static_cast<size_t>(k % corners)];
    return XY{r * std::cos(a), r * std::sin(a)};
  };
  for (int k = 0; k < corners; ++k) {
    const XY from = point(k), to = point(k + 1);
    if (random() % 2) {
      path.segments.push_back(Segment::Line(from, to));
      continue;
    }
    // An arc bulging out or in between the two corners.
    const XY mid{(from.x + to.x) / 2, (from.y + to.y) / 2};
    const double chord = std::hypot(to.x - from.x, to.y - from.y), bulge = uniform(-0.2, 0.2) * chord;
    const XY n{(to.y - from.y) / chord, -(to.x - from.x) / chord};  // to the right of travel: outwards
    const XY top{mid.x + n.x * bulge, mid.y + n.y * bulge};
    // The circle through from, top and to.
    const double ax = from.x, ay = from.y, bx = top.x, by = top.y, cx = to.x, cy = to.y;
    const double dd = 2 * (ax * (by - cy) + bx * (cy - ay) + cx * (ay - by));
    if (std::fabs(dd) < 1e-9) {
      path.segments.push_back(Segment::Line(from, to));
      continue;
    }
    const double ux = ((ax * ax + ay * ay) * (by - cy) + (bx * bx + by * by) * (cy - ay) + (cx * cx + cy * cy) * (ay - by)) / dd;
    const double uy = ((ax * ax + ay * ay) * (cx - bx) + (bx * bx + by * by) * (ax - cx) + (cx * cx + cy * cy) * (bx - ax)) / dd;
    const double r = std::hypot(ax - ux, ay - uy);
    const double a0 = std::atan2(ay - uy, ax - ux), a1 = std::atan2(cy - uy, cx - ux);
    double sweep = std::remainder(a1 - a0, 2 * kPi);
    // The arc passes through `top`: outward bulges sweep the long way round the centre on the inside.
    const double viaAngle = std::atan2(by - uy, bx - ux);
    const double toVia = std::remainder(viaAngle - a0, 2 * kPi);
    if ((sweep > 0) != (toVia > 0) || std::fabs(toVia) > std::fabs(sweep)) sweep += sweep > 0 ? -2 * kPi : 2 * kPi;
    path.segments.push_back(Segment::Arc({ux, uy}, r, a0, sweep));
  }
  return path;
}

TEST(OffsetCurves, GeneratedContoursAreOffsetTrulyOnBothSides) {
  int paths = 0;
  for (unsigned seed = 1; seed <= 40; ++seed) {
    const OffsetPath path = Generated(seed);
    for (const double r : {0.5, 3.0, 9.0})
      for (const OffsetSide side : {OffsetSide::Left, OffsetSide::Right}) {
        const auto result = Offset(path, r, side);
        EXPECT_TRUE(TrueOffset(path, result, r)) << "seed " << seed << " r " << r;
        if (side == OffsetSide::Right) EXPECT_EQ(result.size(), 1u) << "outside is one path; seed " << seed;
        for (const OffsetPath& p : result) EXPECT_TRUE(p.closed) << "seed " << seed << " r " << r;
        if (seed % 10 == 0 && !result.empty()) {
          // No arc for a joint that turns less than 0.3°: the recording's straight runs stay lines.
          size_t turning = 0, arcs = 0;
          for (size_t i = 0; i < path.segments.size(); ++i) {
            const Segment& a = path.segments[i];
            const Segment& b = path.segments[(i + 1) % path.segments.size()];
            const XY u{a.b.x - a.a.x, a.b.y - a.a.y}, v{b.b.x - b.a.x, b.b.y - b.a.y};
            turning += std::fabs(std::atan2(u.x * v.y - u.y * v.x, u.x * v.x + u.y * v.y)) > 0.005;
          }
          for (const Segment& s : result[0].segments) arcs += s.arc;
          EXPECT_LE(arcs, turning) << "seed " << seed << " r " << r;
        }
        paths += static_cast<int>(result.size());
      }
  }
  EXPECT_GT(paths, 150);
}

}  // namespace
}  // namespace kestrom
