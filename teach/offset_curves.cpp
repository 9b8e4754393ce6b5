#include "teach/offset_curves.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <unordered_map>

namespace kestrom {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kOnSegment = 1e-9;   // parameters this far past an end still touch it
constexpr double kSameHeight = 5e-7;  // millimetres a joint's chord may come nearer than the offset
constexpr double kMitre = 1e-4;       // millimetres a corner of two lines may stand beyond it without an arc
constexpr double kAtRadius = 1e-6;    // a piece this much nearer than the radius is still at it

XY operator+(XY a, XY b) { return {a.x + b.x, a.y + b.y}; }
XY operator-(XY a, XY b) { return {a.x - b.x, a.y - b.y}; }
XY operator*(XY a, double k) { return {a.x * k, a.y * k}; }
double Dot(XY a, XY b) { return a.x * b.x + a.y * b.y; }
double Cross(XY a, XY b) { return a.x * b.y - a.y * b.x; }
double Norm(XY a) { return std::hypot(a.x, a.y); }
XY Unit(double angle) { return {std::cos(angle), std::sin(angle)}; }

// The direction of travel at t.
XY Tangent(const Segment& s, double t) {
  if (!s.arc) {
    const XY d = s.b - s.a;
    const double n = Norm(d);
    return n > 0 ? d * (1 / n) : XY{1, 0};
  }
  const XY u = Unit(s.start + s.sweep * t);
  return s.sweep >= 0 ? XY{-u.y, u.x} : XY{u.y, -u.x};
}

// Where `p` (on the segment's line or circle) lies along it.
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

bool Within(double t) { return t >= -kOnSegment && t <= 1 + kOnSegment; }

void Fix(Segment& s) {
  if (!s.arc) return;
  s.a = s.centre + Unit(s.start) * s.radius;
  s.b = s.centre + Unit(s.start + s.sweep) * s.radius;
}

void SetEnd(Segment& s, double t) {
  if (s.arc) s.sweep *= t, Fix(s);
  else s.b = s.At(t);
}

void SetStart(Segment& s, double t) {
  if (s.arc) {
    s.start += s.sweep * t;
    s.sweep *= 1 - t;
    Fix(s);
  } else {
    s.a = s.At(t);
  }
}

Segment Piece(const Segment& s, double t0, double t1) {
  if (!s.arc) return Segment::Line(s.At(t0), s.At(t1));
  return Segment::Arc(s.centre, s.radius, s.start + s.sweep * t0, s.sweep * (t1 - t0));
}

// The segment `d` to its left (negative: to its right).
Segment Moved(const Segment& s, double d) {
  if (!s.arc) {
    const XY t = Tangent(s, 0);
    const XY n{-t.y * d, t.x * d};
    return Segment::Line(s.a + n, s.b + n);
  }
  // Left of a counter-clockwise arc is towards its centre. Past the centre the
  // offset runs on the far side: an arc the tool does not fit, removed later.
  const double r = s.radius - d * (s.sweep >= 0 ? 1 : -1);
  if (r >= 0) return Segment::Arc(s.centre, std::max(r, 1e-9), s.start, s.sweep);
  return Segment::Arc(s.centre, -r, s.start + kPi, s.sweep);
}

struct Box {
  double x0, y0, x1, y1;
};
Box BoxOf(const Segment& s, double grow = 0) {
  Box b{std::min(s.a.x, s.b.x), std::min(s.a.y, s.b.y), std::max(s.a.x, s.b.x), std::max(s.a.y, s.b.y)};
  if (s.arc) {  // the circle's extremes the arc passes
    for (int k = 0; k < 4; ++k) {
      const XY p = s.centre + Unit(k * kPi / 2) * s.radius;
      const double t = ParamOf(s, p);
      if (t < 0 || t > 1) continue;
      b.x0 = std::min(b.x0, p.x), b.x1 = std::max(b.x1, p.x);
      b.y0 = std::min(b.y0, p.y), b.y1 = std::max(b.y1, p.y);
    }
  }
  return {b.x0 - grow, b.y0 - grow, b.x1 + grow, b.y1 + grow};
}

double DistanceToSegment(const Segment& s, XY p) {
  if (!s.arc) {
    const XY d = s.b - s.a;
    const double n2 = Dot(d, d);
    const double t = n2 > 0 ? std::clamp(Dot(p - s.a, d) / n2, 0.0, 1.0) : 0;
    return Norm(p - s.At(t));
  }
  const double t = ParamOf(s, p);
  if (t >= 0 && t <= 1) return std::fabs(Norm(p - s.centre) - s.radius);
  return std::min(Norm(p - s.a), Norm(p - s.b));
}

// The path's segments by the cells of a grid their boxes (grown by the
// radius) cover: a distance within the radius asks only the segments near.
class Near {
 public:
  Near(const std::vector<Segment>& path, double reach) : path_(path) {
    Box all{1e300, 1e300, -1e300, -1e300};
    for (const Segment& s : path) {
      const Box b = BoxOf(s, reach);
      all = {std::min(all.x0, b.x0), std::min(all.y0, b.y0), std::max(all.x1, b.x1), std::max(all.y1, b.y1)};
    }
    origin_ = {all.x0, all.y0};
    cell_ = std::max({reach, (all.x1 - all.x0) / 256, (all.y1 - all.y0) / 256, 1e-6});
    nx_ = static_cast<int>((all.x1 - all.x0) / cell_) + 1;
    ny_ = static_cast<int>((all.y1 - all.y0) / cell_) + 1;
    cells_.resize(static_cast<size_t>(nx_) * static_cast<size_t>(ny_));
    for (size_t i = 0; i < path.size(); ++i) {
      const Box b = BoxOf(path[i], reach);
      for (int y = Cell(b.y0, origin_.y, ny_); y <= Cell(b.y1, origin_.y, ny_); ++y)
        for (int x = Cell(b.x0, origin_.x, nx_); x <= Cell(b.x1, origin_.x, nx_); ++x)
          cells_[static_cast<size_t>(y) * static_cast<size_t>(nx_) + static_cast<size_t>(x)].push_back(i);
    }
  }
  // The distance from `p` to the path, where it is less than the reach.
  double Distance(XY p) const {
    const int x = Cell(p.x, origin_.x, nx_), y = Cell(p.y, origin_.y, ny_);
    double best = 1e300;
    if (p.x < origin_.x || p.y < origin_.y || p.x > origin_.x + cell_ * nx_ || p.y > origin_.y + cell_ * ny_)
      return best;
    for (size_t i : cells_[static_cast<size_t>(y) * static_cast<size_t>(nx_) + static_cast<size_t>(x)])
      best = std::min(best, DistanceToSegment(path_[i], p));
    return best;
  }

 private:
  int Cell(double v, double from, int count) const {
    return std::clamp(static_cast<int>((v - from) / cell_), 0, count - 1);
  }
  const std::vector<Segment>& path_;
  XY origin_;
  double cell_ = 1;
  int nx_ = 1, ny_ = 1;
  std::vector<std::vector<size_t>> cells_;
};

// Joins `next` to the end of `chain` at the original corner `corner`: trims
// both where they meet, or adds the joining arc or line.
void Join(std::vector<Segment>& chain, Segment& last, Segment& next, const Segment& before, const Segment& after,
          double d, double radius) {
  const XY e = last.At(1), s = next.At(0), corner = before.At(1);
  if (Norm(e - s) < 1e-9) return;
  const double turn = Cross(Tangent(before, 1), Tangent(after, 0));
  const bool towards = d > 0 ? turn > 0 : turn < 0;  // the corner turns towards the offset side
  if (!last.arc && !next.arc) {
    const XY d1 = last.b - last.a, d2 = next.b - next.a;
    const double den = Cross(d1, d2);
    if (std::fabs(den) > 1e-18) {
      const XY x = last.a + d1 * (Cross(next.a - last.a, d2) / den);
      const bool meets = towards ? Within(ParamOf(last, x)) && Within(ParamOf(next, x))
                                 : Norm(x - corner) <= radius + kMitre;
      if (meets) {
        last.b = x;
        next.a = x;
        return;
      }
    }
  } else if (towards) {
    double best = -1, bestU = 0;
    for (const auto& [t, u] : Crossings(last, next))
      if (t > best) best = t, bestU = u;
    if (best >= 0) {
      SetEnd(last, std::min(best, 1.0));
      SetStart(next, std::max(bestU, 0.0));
      return;
    }
  }
  const double gap = Norm(e - s);
  if (towards || gap * gap / (8 * radius) <= kSameHeight) {
    // Towards the side, a line the loop removal takes away; away, a joint too small for an arc.
    chain.push_back(Segment::Line(e, s));
    return;
  }
  const double angle = std::atan2(std::fabs(Cross(e - corner, s - corner)), Dot(e - corner, s - corner));
  chain.push_back(Segment::Arc(corner, radius, std::atan2(e.y - corner.y, e.x - corner.x), d > 0 ? -angle : angle));
}

struct Quantized {
  int64_t x, y;
  bool operator==(const Quantized& o) const { return x == o.x && y == o.y; }
};
struct QuantizedHash {
  size_t operator()(const Quantized& q) const {
    return std::hash<uint64_t>()(static_cast<uint64_t>(q.x) * 1000003u + static_cast<uint64_t>(q.y));
  }
};
constexpr double kMeet = 1e-6;  // ends this close are one point
Quantized QuantizedOf(XY p) {
  // Far beyond any machine's travel the cells are clamped: only nearness matters there.
  auto cell = [](double v) { return static_cast<int64_t>(std::clamp(std::floor(v / kMeet), -4e18, 4e18)); };
  return {cell(p.x), cell(p.y)};
}

}  // namespace

Segment Segment::Line(XY from, XY to) {
  Segment s;
  s.a = from;
  s.b = to;
  return s;
}

Segment Segment::Arc(XY centre, double radius, double start, double sweep) {
  Segment s;
  s.arc = true;
  s.centre = centre;
  s.radius = radius;
  s.start = start;
  s.sweep = sweep;
  Fix(s);
  return s;
}

XY Segment::At(double t) const {
  if (!arc) return a + (b - a) * t;
  return centre + Unit(start + sweep * t) * radius;
}

double Segment::Length() const { return arc ? std::fabs(sweep) * radius : Norm(b - a); }

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
    if (s.arc) area += s.radius * s.radius * (s.sweep - std::sin(s.sweep)) / 2;
  }
  return area;
}

double DistanceTo(const std::vector<Segment>& path, XY p) {
  double best = 1e300;
  for (const Segment& s : path) best = std::min(best, DistanceToSegment(s, p));
  return best;
}

std::vector<OffsetPath> Offset(const OffsetPath& path, double radius, OffsetSide side) {
  const std::vector<Segment>& original = path.segments;
  if (original.empty() || !(radius > 0)) return {};
  const double d = side == OffsetSide::Left ? radius : -radius;

  // Each segment moved, joined to the one before at their corner.
  std::vector<Segment> chain;
  chain.reserve(original.size() * 2);
  std::vector<size_t> movedAt;  // where each moved segment stands in the chain
  for (size_t i = 0; i < original.size(); ++i) {
    Segment next = Moved(original[i], d);
    if (i > 0) {
      const size_t last = movedAt.back();
      std::vector<Segment> joint;
      Join(joint, chain[last], next, original[i - 1], original[i], d, radius);
      chain.insert(chain.end(), joint.begin(), joint.end());
    }
    movedAt.push_back(chain.size());
    chain.push_back(next);
  }
  if (path.closed) {
    std::vector<Segment> joint;
    Join(joint, chain[movedAt.back()], chain.front(), original.back(), original.front(), d, radius);
    chain.insert(chain.end(), joint.begin(), joint.end());
  }

  // Cut where the chain crosses itself; keep the pieces at the radius from the path.
  const size_t n = chain.size();
  std::vector<std::vector<double>> cuts(n);
  std::vector<Box> boxes;
  boxes.reserve(n);
  for (const Segment& s : chain) boxes.push_back(BoxOf(s, 1e-9));
  std::vector<size_t> order(n);
  for (size_t i = 0; i < n; ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return boxes[a].x0 < boxes[b].x0; });
  for (size_t k = 0; k < n; ++k) {
    const size_t i = order[k];
    for (size_t m = k + 1; m < n && boxes[order[m]].x0 <= boxes[i].x1; ++m) {
      const size_t j = order[m];
      if (boxes[j].y0 > boxes[i].y1 || boxes[j].y1 < boxes[i].y0) continue;
      const size_t lo = std::min(i, j), hi = std::max(i, j);
      const bool follows = hi == lo + 1, wraps = path.closed && lo == 0 && hi == n - 1;
      for (const auto& [t, u] : Crossings(chain[lo], chain[hi])) {
        // Where neighbours meet end to start is no crossing.
        if (follows && t > 1 - 1e-7 && u < 1e-7) continue;
        if (wraps && t < 1e-7 && u > 1 - 1e-7) continue;
        cuts[lo].push_back(t);
        cuts[hi].push_back(u);
      }
    }
  }
  const Near near(original, radius);
  struct Kept {
    Segment piece;
    size_t from;  // its place in the chain
    double t0, t1;
  };
  std::vector<Kept> kept;
  for (size_t i = 0; i < n; ++i) {
    std::vector<double>& ts = cuts[i];
    ts.push_back(0);
    ts.push_back(1);
    std::sort(ts.begin(), ts.end());
    for (size_t k = 0; k + 1 < ts.size(); ++k) {
      if (ts[k + 1] - ts[k] < 1e-9) continue;
      const Segment piece = Piece(chain[i], ts[k], ts[k + 1]);
      if (piece.Length() < 1e-9) continue;
      if (near.Distance(piece.At(0.5)) < radius - kAtRadius) continue;
      if (!kept.empty() && kept.back().from == i && std::fabs(kept.back().t1 - ts[k]) < 1e-12) {
        kept.back().t1 = ts[k + 1];  // the same segment goes on: one piece
        kept.back().piece = Piece(chain[i], kept.back().t0, ts[k + 1]);
        continue;
      }
      kept.push_back({piece, i, ts[k], ts[k + 1]});
    }
  }

  // The pieces kept, end to start, into paths.
  std::unordered_multimap<Quantized, size_t, QuantizedHash> starts;
  for (size_t i = 0; i < kept.size(); ++i) starts.emplace(QuantizedOf(kept[i].piece.a), i);
  auto following = [&](size_t i) -> std::optional<size_t> {
    const XY end = kept[i].piece.b;
    const size_t preferred = (i + 1) % kept.size();
    if (Norm(kept[preferred].piece.a - end) < kMeet * 2) return preferred;
    const Quantized q = QuantizedOf(end);
    for (int64_t dx = -1; dx <= 1; ++dx)
      for (int64_t dy = -1; dy <= 1; ++dy) {
        const auto [from, to] = starts.equal_range({q.x + dx, q.y + dy});
        for (auto it = from; it != to; ++it)
          if (Norm(kept[it->second].piece.a - end) < kMeet * 2) return it->second;
      }
    return std::nullopt;
  };
  std::vector<std::optional<size_t>> next(kept.size());
  std::vector<bool> hasBefore(kept.size(), false);
  for (size_t i = 0; i < kept.size(); ++i)
    if ((next[i] = following(i))) hasBefore[*next[i]] = true;
  std::vector<bool> used(kept.size(), false);
  std::vector<OffsetPath> result;
  auto walk = [&](size_t first) {
    OffsetPath out;
    size_t i = first;
    while (!used[i]) {
      used[i] = true;
      out.segments.push_back(kept[i].piece);
      if (!next[i]) break;
      i = *next[i];
      if (i == first) out.closed = true;
    }
    result.push_back(std::move(out));
  };
  for (size_t i = 0; i < kept.size(); ++i)
    if (!used[i] && !hasBefore[i]) walk(i);  // open paths from their starts
  for (size_t i = 0; i < kept.size(); ++i)
    if (!used[i]) walk(i);
  return result;
}

}  // namespace kestrom
