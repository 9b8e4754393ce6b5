#include "toolpath/plane.h"

#include <algorithm>

namespace kestrom {
namespace {

constexpr double kOnSegment = 1e-9;  // parameters this far past an end still touch it
bool Within(double t) { return t >= -kOnSegment && t <= 1 + kOnSegment; }

void Fix(Segment& s) {
  if (!s.arc) return;
  s.a = s.centre + Unit(s.start) * s.radius;
  s.b = s.centre + Unit(s.start + s.sweep) * s.endRadius;
}

}  // namespace

Segment Segment::Line(XY from, XY to) {
  Segment s;
  s.a = from;
  s.b = to;
  return s;
}

Segment Segment::Arc(XY centre, double radius, double start, double sweep) {
  return Spiral(centre, radius, radius, start, sweep);
}

Segment Segment::Spiral(XY centre, double radius, double endRadius, double start, double sweep) {
  Segment s;
  s.arc = true;
  s.centre = centre;
  s.radius = radius;
  s.endRadius = endRadius;
  s.start = start;
  s.sweep = sweep;
  Fix(s);
  return s;
}

XY Segment::At(double t) const {
  if (!arc) return a + (b - a) * t;
  return centre + Unit(start + sweep * t) * (radius + (endRadius - radius) * t);
}

double Segment::Length() const { return arc ? std::fabs(sweep) * (radius + endRadius) / 2 : Norm(b - a); }

XY Tangent(const Segment& s, double t) {
  if (!s.arc) {
    const XY d = s.b - s.a;
    const double n = Norm(d);
    return n > 0 ? d * (1 / n) : XY{1, 0};
  }
  const XY u = Unit(s.start + s.sweep * t);
  return s.sweep >= 0 ? LeftOf(u) : LeftOf(u) * -1;
}

double SweepParam(const Segment& s, double angle) {
  if (s.sweep == 0) return -1;
  double delta = std::fmod(angle - s.start, 2 * kPi);
  if (s.sweep > 0 && delta < 0) delta += 2 * kPi;
  if (s.sweep < 0 && delta > 0) delta -= 2 * kPi;
  const double t = delta / s.sweep;
  if (t <= 1 + 1e-12) return std::min(t, 1.0);
  if (2 * kPi - std::fabs(delta) < 1e-12) return 0;  // a rounding short of the start
  return -1;
}

double ParamOf(const Segment& s, XY p) {
  if (!s.arc) {
    const XY d = s.b - s.a;
    const double n2 = Dot(d, d);
    return n2 > 0 ? Dot(p - s.a, d) / n2 : 0;
  }
  if (s.sweep == 0) return 0;
  double delta = std::fmod(std::atan2(p.y - s.centre.y, p.x - s.centre.x) - s.start, 2 * kPi);
  if (s.sweep > 0 && delta < 0) delta += 2 * kPi;
  if (s.sweep < 0 && delta > 0) delta -= 2 * kPi;
  const double t = delta / s.sweep, other = (delta + (s.sweep > 0 ? -2 : 2) * kPi) / s.sweep;
  // Just before the start reads as almost a whole turn on: the nearer of the two.
  return std::fabs(other) < std::fabs(t - 1) && t > 1 ? other : t;
}

Segment Piece(const Segment& s, double t0, double t1) {
  if (!s.arc) return Segment::Line(s.At(t0), s.At(t1));
  const double r0 = s.radius + (s.endRadius - s.radius) * t0, r1 = s.radius + (s.endRadius - s.radius) * t1;
  return Segment::Spiral(s.centre, r0, r1, s.start + s.sweep * t0, s.sweep * (t1 - t0));
}

std::vector<std::pair<double, double>> Crossings(const Segment& s, const Segment& o) {
  std::vector<std::pair<double, double>> found;
  auto add = [&](XY p) {
    const double t = ParamOf(s, p), u = ParamOf(o, p);
    if (Within(t) && Within(u)) found.emplace_back(std::clamp(t, 0.0, 1.0), std::clamp(u, 0.0, 1.0));
  };
  if (!s.arc && !o.arc) {
    const XY d1 = s.b - s.a, d2 = o.b - o.a;
    const double den = Cross(d1, d2);
    if (std::fabs(den) <= 1e-15 * Norm(d1) * Norm(d2)) return found;  // parallel: no crossing
    const double t = Cross(o.a - s.a, d2) / den, u = Cross(o.a - s.a, d1) / den;
    if (Within(t) && Within(u)) found.emplace_back(std::clamp(t, 0.0, 1.0), std::clamp(u, 0.0, 1.0));
    return found;
  }
  if (s.arc && !o.arc) {
    for (auto& [t, u] : Crossings(o, s)) found.emplace_back(u, t);
    return found;
  }
  if (!s.arc) {  // a line and a circle
    const XY d = s.b - s.a, f = s.a - o.centre;
    const double A = Dot(d, d), B = 2 * Dot(f, d), C = Dot(f, f) - o.radius * o.radius;
    const double disc = B * B - 4 * A * C;
    if (A == 0 || disc < 0) return found;
    const double root = std::sqrt(disc);
    for (double t : {(-B - root) / (2 * A), (-B + root) / (2 * A)})
      if (Within(t)) add(s.a + d * t);
    if (found.size() == 2 && std::fabs(found[0].first - found[1].first) < 1e-12) found.pop_back();
    return found;
  }
  const XY between = o.centre - s.centre;
  const double dist = Norm(between);
  if (dist < 1e-12 || dist > s.radius + o.radius || dist < std::fabs(s.radius - o.radius)) return found;
  const double along = (s.radius * s.radius - o.radius * o.radius + dist * dist) / (2 * dist);
  const double h = std::sqrt(std::max(0.0, s.radius * s.radius - along * along));
  const XY u = between * (1 / dist), mid = s.centre + u * along, across{-u.y * h, u.x * h};
  add(mid + across);
  if (h > 1e-12) add(mid - across);
  return found;
}

double SignedArea(const std::vector<Segment>& path) {
  double area = 0;
  for (const Segment& s : path) {
    area += Cross(s.a, s.b) / 2;
    if (s.arc) area += s.radius * s.endRadius * (s.sweep - std::sin(s.sweep)) / 2;
  }
  return area;
}

}  // namespace kestrom
