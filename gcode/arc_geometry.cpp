#include "gcode/arc_geometry.h"

#include <cmath>

namespace kestrom::gcode {
namespace {
constexpr double kPi = 3.14159265358979323846;
}

std::array<int, 2> PlaneAxes(Plane plane) {
  switch (plane) {
    case Plane::XZ: return {2, 0};
    case Plane::YZ: return {1, 2};
    case Plane::XY: break;
  }
  return {0, 1};
}

int NormalAxis(Plane plane) { return plane == Plane::XY ? 2 : plane == Plane::XZ ? 1 : 0; }

double PlaneRadius(const Point& p, const Point& centre, Plane plane) {
  const auto [u, v] = PlaneAxes(plane);
  return std::hypot(p[u] - centre[u], p[v] - centre[v]);
}

ArcShape ShapeOf(const Point& from, const Point& to, const Point& centre, Plane plane, bool clockwise, int turns) {
  const auto [u, v] = PlaneAxes(plane);
  ArcShape shape;
  shape.startAngle = std::atan2(from[v] - centre[v], from[u] - centre[u]);
  shape.radius = std::hypot(from[u] - centre[u], from[v] - centre[v]);
  const double endAngle = std::atan2(to[v] - centre[v], to[u] - centre[u]);
  double sweep = endAngle - shape.startAngle;
  // Start and end at the same place make a whole turn.
  constexpr double kSame = 1e-9;
  if (clockwise) {
    while (sweep > -kSame) sweep -= 2 * kPi;
    while (sweep < -2 * kPi - kSame) sweep += 2 * kPi;
  } else {
    while (sweep < kSame) sweep += 2 * kPi;
    while (sweep > 2 * kPi + kSame) sweep -= 2 * kPi;
  }
  if (turns > 1) sweep += (clockwise ? -2 : 2) * kPi * (turns - 1);
  shape.sweep = sweep;
  return shape;
}

Point PointOnArc(const Point& from, const Point& to, const Point& centre, Plane plane, const ArcShape& shape,
                 double t) {
  if (t >= 1) return to;
  const auto [u, v] = PlaneAxes(plane);
  // The radius goes evenly from the start's to the end's, so the arc ends on its end point.
  const double endRadius = std::hypot(to[u] - centre[u], to[v] - centre[v]);
  const double radius = shape.radius + (endRadius - shape.radius) * t;
  const double angle = shape.startAngle + shape.sweep * t;
  Point at;
  for (int a = 0; a < kAxes; ++a) at[a] = from[a] + (to[a] - from[a]) * t;
  at[u] = centre[u] + radius * std::cos(angle);
  at[v] = centre[v] + radius * std::sin(angle);
  return at;
}

double ArcLength(const Point& from, const Point& to, const Point& centre, Plane plane, const ArcShape& shape) {
  const auto [u, v] = PlaneAxes(plane);
  double rise2 = 0;
  for (int a = 0; a < kAxes; ++a)
    if (a != u && a != v) rise2 += (to[a] - from[a]) * (to[a] - from[a]);
  const double endRadius = std::hypot(to[u] - centre[u], to[v] - centre[v]);
  const double planar = std::fabs(shape.sweep) * (shape.radius + endRadius) / 2;
  return std::sqrt(planar * planar + rise2);
}

}  // namespace kestrom::gcode
