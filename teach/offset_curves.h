// Paths of lines and arcs in the XY plane, and their offsets: the path the
// centre of a round tool follows to cut along a path at its radius. The offset
// is the true one: where the tool does not fit (a neck narrower than it, an
// inside arc smaller than it) the loops a naive offset leaves are removed, so
// every point of the result lies at the radius from the path and none nearer.
#pragma once
#include <vector>

namespace kestrom {

struct XY {
  double x = 0, y = 0;
};

// A line from `a` to `b`, or an arc around `centre` of `radius` from the angle
// `start` (radians) sweeping `sweep` (counter-clockwise when positive).
struct Segment {
  bool arc = false;
  XY a, b;
  XY centre;
  double radius = 0, start = 0, sweep = 0;
  static Segment Line(XY from, XY to);
  static Segment Arc(XY centre, double radius, double start, double sweep);
  XY At(double t) const;  // t from 0 (start) to 1 (end)
  double Length() const;
};

struct OffsetPath {
  std::vector<Segment> segments;
  bool closed = false;
};

// Left of the direction of travel, or right.
enum class OffsetSide { Left, Right };

// The path at `radius` on `side` of `path` (its segments joined end to end):
// lines stay lines, arcs stay arcs with their radius changed, a corner turned
// away from the side is rounded by an arc of `radius`, a corner turned towards
// it ends where the two offset moves meet. Nearly straight joints (a densely
// recorded contour) get no arcs of their own. The result may be several paths,
// or none.
std::vector<OffsetPath> Offset(const OffsetPath& path, double radius, OffsetSide side);

// Positive when a closed path runs counter-clockwise.
double SignedArea(const std::vector<Segment>& path);
// The distance from `p` to the path.
double DistanceTo(const std::vector<Segment>& path, XY p);
// The points where two segments cross, as their parameters (t on `s`, u on `o`).
std::vector<std::pair<double, double>> Crossings(const Segment& s, const Segment& o);

}  // namespace kestrom
