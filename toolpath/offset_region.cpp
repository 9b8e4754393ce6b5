#include "toolpath/offset_region.h"

#include <algorithm>

#include "clipper.hpp"

namespace kestrom {
namespace {

// Clipper works on integers: a hundred thousandth of a millimetre each, far
// finer than the region is drawn, and room for ±10,000 km before its 64-bit
// numbers need its slower wide arithmetic.
constexpr double kScale = 1e5;
constexpr double kLargest = 1e10;       // millimetres: beyond, Clipper's integers would not hold the numbers
constexpr size_t kMostPoints = 20000000;  // chords a contour may be taken as

ClipperLib::IntPoint Int(XY p) {
  return {static_cast<ClipperLib::cInt>(std::llround(p.x * kScale)),
          static_cast<ClipperLib::cInt>(std::llround(p.y * kScale))};
}
XY Mm(const ClipperLib::IntPoint& p) { return {static_cast<double>(p.X) / kScale, static_cast<double>(p.Y) / kScale}; }

bool InRange(XY p) { return std::fabs(p.x) < kLargest && std::fabs(p.y) < kLargest; }

double RingArea(const std::vector<XY>& ring) {
  double area = 0;
  for (size_t i = 0; i < ring.size(); ++i) area += Cross(ring[i], ring[(i + 1) % ring.size()]);
  return area / 2;
}

void Collect(const ClipperLib::PolyNode& node, std::vector<std::vector<XY>>& rings) {
  for (const ClipperLib::PolyNode* child : node.Childs) {
    std::vector<XY> ring;
    for (const ClipperLib::IntPoint& p : child->Contour) ring.push_back(Mm(p));
    if (ring.size() >= 3) {
      // Outer boundaries counter-clockwise, holes clockwise, whatever the library's habit.
      if ((RingArea(ring) > 0) == child->IsHole()) std::reverse(ring.begin(), ring.end());
      rings.push_back(std::move(ring));
    }
    Collect(*child, rings);
  }
}

}  // namespace

std::vector<XY> Flattened(const std::vector<Segment>& path) {
  std::vector<XY> points;
  for (const Segment& s : path) {
    if (points.empty()) points.push_back(s.a);
    if (!s.arc) {
      points.push_back(s.b);
    } else {
      const double r = s.Outer();
      const double step = r > kRegionTolerance ? 2 * std::acos(1 - kRegionTolerance / r) : 2 * kPi;
      const double steps = std::ceil(std::fabs(s.sweep) / step);
      if (!(steps < static_cast<double>(kMostPoints)) || points.size() + static_cast<size_t>(steps) > kMostPoints)
        return {};
      const size_t n = std::max<size_t>(1, static_cast<size_t>(steps));
      for (size_t i = 1; i <= n; ++i) points.push_back(s.At(static_cast<double>(i) / static_cast<double>(n)));
    }
    if (points.size() > kMostPoints || !InRange(points.back())) return {};
  }
  return points;
}

Region OffsetRegion(const std::vector<Segment>& path, const std::vector<std::vector<Segment>>& keep, bool closed,
                    bool inside, double radius) {
  Region region;
  auto beyond = [&] {
    region.failure = "its numbers lie beyond the range Kestrom can offset";
    return region;
  };
  if (!(radius > 0) || radius > kLargest / 2) return beyond();
  auto polyline = [&](const std::vector<Segment>& pieces, bool ring, ClipperLib::Path& out) {
    const std::vector<XY> points = Flattened(pieces);
    if (points.empty()) return false;
    for (const XY& p : points) {
      if (std::fabs(p.x) + radius > kLargest || std::fabs(p.y) + radius > kLargest) return false;
      if (out.empty() || !(Int(p) == out.back())) out.push_back(Int(p));
    }
    if (ring && out.size() > 1 && out.front() == out.back()) out.pop_back();
    return true;
  };
  ClipperLib::ClipperOffset grow;
  grow.ArcTolerance = kRegionTolerance * kScale;
  for (size_t i = 0; i < keep.size(); ++i) {
    ClipperLib::Path chain;
    if (!polyline(keep[i], closed && i == 0, chain)) return beyond();
    grow.AddPath(chain, ClipperLib::jtRound,
                 closed && i == 0 && chain.size() > 2 ? ClipperLib::etClosedLine : ClipperLib::etOpenRound);
  }
  ClipperLib::PolyTree tree;
  if (!closed) {
    grow.Execute(tree, radius * kScale);
  } else {
    ClipperLib::Path fill;
    if (!polyline(path, true, fill)) return beyond();
    ClipperLib::Paths band;  // every point within the radius of the contour's path
    grow.Execute(band, radius * kScale);
    ClipperLib::Clipper clip;
    clip.AddPath(fill, ClipperLib::ptSubject, true);
    clip.AddPaths(band, ClipperLib::ptClip, true);
    clip.Execute(inside ? ClipperLib::ctDifference : ClipperLib::ctUnion, tree, ClipperLib::pftNonZero,
                 ClipperLib::pftNonZero);
  }
  Collect(tree, region.rings);
  return region;
}

bool Encloses(const std::vector<XY>& polygon, XY p) {
  int winding = 0;
  for (size_t i = 0; i < polygon.size(); ++i) {
    const XY a = polygon[i], b = polygon[(i + 1) % polygon.size()];
    if (a.y <= p.y) {
      if (b.y > p.y && Cross(b - a, p - a) > 0) ++winding;
    } else if (b.y <= p.y && Cross(b - a, p - a) < 0) {
      --winding;
    }
  }
  return winding != 0;
}

}  // namespace kestrom
