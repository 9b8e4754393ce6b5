// The tool's offset, checked as what it must be: every point of the result at
// the radius from the path (within 0.001 mm), none nearer, and no crossing of
// itself or of the path; over generated contours of lines and arcs, dense
// recordings included, and on the shapes a shop meets.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "teach/offset_curves.h"

namespace kestrom {
namespace {

constexpr double kPi = 3.14159265358979323846;

OffsetPath Polygon(std::initializer_list<Vec2> points, bool closed = true) {
  OffsetPath path;
  path.closed = closed;
  const std::vector<Vec2> p(points);
  for (size_t i = 0; i + 1 < p.size(); ++i) path.segments.push_back(Segment::Line(p[i], p[i + 1]));
  if (closed) path.segments.push_back(Segment::Line(p.back(), p.front()));
  return path;
}

// The property, checked on every result path: at the radius, none nearer, no crossings.
::testing::AssertionResult TrueOffset(const OffsetPath& path, const std::vector<OffsetPath>& result, double r) {
  for (const OffsetPath& out : result) {
    for (const Segment& s : out.segments)
      for (int k = 0; k <= 8; ++k) {
        const double d = DistanceTo(path.segments, s.At(k / 8.0));
        if (std::fabs(d - r) > 1e-3)
          return ::testing::AssertionFailure() << "a point " << d << " from the path, for " << r;
      }
    const std::vector<Segment>& segs = out.segments;
    for (size_t i = 0; i < segs.size(); ++i) {
      for (size_t j = i + 1; j < segs.size(); ++j) {
        const bool neighbours = j == i + 1 || (out.closed && i == 0 && j == segs.size() - 1);
        for (const auto& [t, u] : Crossings(segs[i], segs[j]))
          if (!neighbours || (t > 1e-6 && t < 1 - 1e-6) || (u > 1e-6 && u < 1 - 1e-6))
            return ::testing::AssertionFailure() << "the result crosses itself at " << i << " and " << j;
      }
      for (const Segment& o : path.segments)
        if (!Crossings(segs[i], o).empty()) return ::testing::AssertionFailure() << "the result crosses the path";
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
  std::vector<Vec2> points;
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

  // An open L, left and right of its travel.
  const OffsetPath l = Polygon({{0, 0}, {10, 0}, {10, 10}}, false);
  auto left = Offset(l, 1, OffsetSide::Left), right = Offset(l, 1, OffsetSide::Right);
  ASSERT_EQ(left.size(), 1u);
  ASSERT_EQ(right.size(), 1u);
  EXPECT_FALSE(left[0].closed);
  EXPECT_NEAR(LengthOf(left[0]), 18, 1e-9);             // inside the corner: the moves meet
  EXPECT_NEAR(LengthOf(right[0]), 20 + kPi / 2, 1e-9);  // outside it: an arc of the radius
  EXPECT_TRUE(TrueOffset(l, left, 1));
  EXPECT_TRUE(TrueOffset(l, right, 1));
}

// A closed contour of random lines and arcs, not crossing itself: a star-shaped
// wobble around the origin, drawn as lines, arcs, or a dense recording.
OffsetPath Generated(unsigned seed) {
  std::mt19937 random(seed);
  auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random); };
  const int corners = 5 + static_cast<int>(random() % 8);
  const bool dense = seed % 4 == 0;
  std::vector<double> radii;
  for (int k = 0; k < corners; ++k) radii.push_back(uniform(15, 40));
  OffsetPath path;
  path.closed = true;
  auto point = [&](double a) {
    // Between corners the radius changes smoothly: a dense recording is a smooth curve.
    const double x = a / (2 * kPi) * corners;
    const int k = static_cast<int>(std::floor(x)) % corners;
    const double f = x - std::floor(x), w = (1 - std::cos(f * kPi)) / 2;
    const double r = radii[k] * (1 - w) + radii[(k + 1) % corners] * w;
    return Vec2{r * std::cos(a), r * std::sin(a)};
  };
  if (dense) {
    const int n = 2000;
    for (int i = 0; i < n; ++i)
      path.segments.push_back(Segment::Line(point(2 * kPi * i / n), point(2 * kPi * (i + 1) / n)));
    return path;
  }
  for (int k = 0; k < corners; ++k) {
    const Vec2 from = point(2 * kPi * k / corners), to = point(2 * kPi * (k + 1) / corners);
    if (random() % 2) {
      path.segments.push_back(Segment::Line(from, to));
      continue;
    }
    // An arc bulging out or in between the two corners.
    const Vec2 mid{(from.x + to.x) / 2, (from.y + to.y) / 2};
    const double chord = std::hypot(to.x - from.x, to.y - from.y), bulge = uniform(-0.2, 0.2) * chord;
    const Vec2 n{(to.y - from.y) / chord, -(to.x - from.x) / chord};  // to the right of travel: outwards
    const Vec2 top{mid.x + n.x * bulge, mid.y + n.y * bulge};
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
  for (unsigned seed = 1; seed <= 60; ++seed) {
    const OffsetPath path = Generated(seed);
    for (const double r : {0.5, 3.0, 9.0})
      for (const OffsetSide side : {OffsetSide::Left, OffsetSide::Right}) {
        const auto result = Offset(path, r, side);
        EXPECT_TRUE(TrueOffset(path, result, r)) << "seed " << seed << " r " << r;
        if (side == OffsetSide::Right) EXPECT_EQ(result.size(), 1u) << "outside is one path; seed " << seed;
        for (const OffsetPath& p : result) EXPECT_TRUE(p.closed) << "seed " << seed << " r " << r;
        if (seed % 4 == 0 && side == OffsetSide::Right && !result.empty())
          EXPECT_LT(result[0].segments.size(), path.segments.size() * 21 / 20) << "a dense recording got arcs of its own";
        paths += static_cast<int>(result.size());
      }
  }
  EXPECT_GT(paths, 250);
}

}  // namespace
}  // namespace kestrom
