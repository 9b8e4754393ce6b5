#include "toolpath/piece_distance.h"

#include <algorithm>
#include <array>

namespace kestrom {
namespace {

double Angle(XY v) { return std::atan2(v.y, v.x); }

double PointLine(XY p, XY a, XY b) {
  const XY d = b - a;
  const double n2 = Dot(d, d);
  const double t = n2 > 0 ? std::clamp(Dot(p - a, d) / n2, 0.0, 1.0) : 0;
  return Norm(p - (a + d * t));
}

// A plain arc (on its start circle).
double PointArc(XY p, const Segment& s) {
  if (SweepParam(s, Angle(p - s.centre)) >= 0) return std::fabs(Norm(p - s.centre) - s.radius);
  return std::min(Norm(p - s.a), Norm(p - s.b));
}

double Plain(XY p, const Segment& s) { return s.arc ? PointArc(p, s) : PointLine(p, s.a, s.b); }

bool InBand(const Segment& s, XY p) {
  const double rho = Norm(p - s.centre);
  return rho >= s.Inner() && rho <= s.Outer() && SweepParam(s, Angle(p - s.centre)) >= 0;
}

// The band's edges: its two arcs and the two radial lines that close it.
std::array<Segment, 4> BandEdges(const Segment& s) {
  const double end = s.start + s.sweep;
  return {Segment::Arc(s.centre, s.Inner(), s.start, s.sweep), Segment::Arc(s.centre, s.Outer(), s.start, s.sweep),
          Segment::Line(s.centre + Unit(s.start) * s.Inner(), s.centre + Unit(s.start) * s.Outer()),
          Segment::Line(s.centre + Unit(end) * s.Inner(), s.centre + Unit(end) * s.Outer())};
}

// Whether two straight pieces touch or cross, by the sides their ends lie on.
bool LinesMeet(const Segment& a, const Segment& b) {
  const double d1 = Cross(a.b - a.a, b.a - a.a), d2 = Cross(a.b - a.a, b.b - a.a);
  const double d3 = Cross(b.b - b.a, a.a - b.a), d4 = Cross(b.b - b.a, a.b - b.a);
  if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0))) return true;
  return PointLine(b.a, a.a, a.b) == 0 || PointLine(b.b, a.a, a.b) == 0 || PointLine(a.a, b.a, b.b) == 0 ||
         PointLine(a.b, b.a, b.b) == 0;
}

double LineLine(const Segment& a, const Segment& b) {
  if (LinesMeet(a, b)) return 0;
  return std::min({PointLine(a.a, b.a, b.b), PointLine(a.b, b.a, b.b), PointLine(b.a, a.a, a.b),
                   PointLine(b.b, a.a, a.b)});
}

double LineArc(const Segment& l, const Segment& s) {
  if (!Crossings(l, s).empty()) return 0;
  double best = std::min({PointArc(l.a, s), PointArc(l.b, s), PointLine(s.a, l.a, l.b), PointLine(s.b, l.a, l.b)});
  // Both inside: where the line comes nearest the centre, towards the arc.
  const XY d = l.b - l.a;
  const double n2 = Dot(d, d);
  if (n2 > 0) {
    const double t = Dot(s.centre - l.a, d) / n2;
    const XY foot = l.a + d * t, towards = foot - s.centre;
    if (t > 0 && t < 1 && Norm(towards) > 0 && SweepParam(s, Angle(towards)) >= 0)
      best = std::min(best, PointLine(s.centre + towards * (s.radius / Norm(towards)), l.a, l.b));
  }
  return best;
}

double ArcArc(const Segment& s, const Segment& o) {
  if (!Crossings(s, o).empty()) return 0;
  double best = std::min({PointArc(s.a, o), PointArc(s.b, o), PointArc(o.a, s), PointArc(o.b, s)});
  const XY between = o.centre - s.centre;
  const double dist = Norm(between);
  if (dist < 1e-12) {  // one centre: the radii's difference where the sweeps share an angle
    if (SweepParam(o, s.start) >= 0 || SweepParam(o, s.start + s.sweep) >= 0 || SweepParam(s, o.start) >= 0)
      best = std::min(best, std::fabs(s.radius - o.radius));
    return best;
  }
  // Both inside: on the line through the two centres.
  const XY u = between * (1 / dist);
  for (const double side : {1.0, -1.0}) {
    const XY along = u * side;
    if (SweepParam(s, Angle(along)) >= 0) best = std::min(best, PointArc(s.centre + along * s.radius, o));
    if (SweepParam(o, Angle(along)) >= 0) best = std::min(best, PointArc(o.centre + along * o.radius, s));
  }
  return best;
}

double PlainBetween(const Segment& a, const Segment& b) {
  if (!a.arc && !b.arc) return LineLine(a, b);
  if (!a.arc) return LineArc(a, b);
  if (!b.arc) return LineArc(b, a);
  return ArcArc(a, b);
}

}  // namespace

double DistanceToPiece(XY p, const Segment& s) {
  if (!s.Spiralled()) return Plain(p, s);
  if (InBand(s, p)) return 0;
  double best = 1e300;
  for (const Segment& e : BandEdges(s)) best = std::min(best, Plain(p, e));
  return best;
}

double DistanceBetween(const Segment& a, const Segment& b) {
  if (!a.Spiralled() && !b.Spiralled()) return PlainBetween(a, b);
  if ((b.Spiralled() && InBand(b, a.a)) || (a.Spiralled() && InBand(a, b.a))) return 0;
  const std::array<Segment, 4> ea = a.Spiralled() ? BandEdges(a) : std::array<Segment, 4>{a, a, a, a};
  const std::array<Segment, 4> eb = b.Spiralled() ? BandEdges(b) : std::array<Segment, 4>{b, b, b, b};
  double best = 1e300;
  for (size_t i = 0; i < (a.Spiralled() ? 4u : 1u); ++i)
    for (size_t j = 0; j < (b.Spiralled() ? 4u : 1u); ++j) best = std::min(best, PlainBetween(ea[i], eb[j]));
  return best;
}

XY NearestOn(const Segment& s, XY p) {
  if (!s.arc) {
    const XY d = s.b - s.a;
    const double n2 = Dot(d, d);
    return s.a + d * (n2 > 0 ? std::clamp(Dot(p - s.a, d) / n2, 0.0, 1.0) : 0);
  }
  const double t = SweepParam(s, Angle(p - s.centre));
  if (t >= 0) return s.At(t);
  return Norm(p - s.a) <= Norm(p - s.b) ? s.a : s.b;
}

NearPieces::Box NearPieces::BoxOf(const Segment& s, double grow) {
  Box b{std::min(s.a.x, s.b.x), std::min(s.a.y, s.b.y), std::max(s.a.x, s.b.x), std::max(s.a.y, s.b.y)};
  if (s.arc) {  // the circle's extremes the arc passes, at its larger radius
    const double r = s.Outer();
    for (int k = 0; k < 4; ++k) {
      const double angle = k * kPi / 2;
      if (SweepParam(s, angle) < 0) continue;
      const XY p = s.centre + Unit(angle) * r;
      b = {std::min(b.x0, p.x), std::min(b.y0, p.y), std::max(b.x1, p.x), std::max(b.y1, p.y)};
    }
    if (s.Spiralled()) grow += s.Outer() - s.Inner();
  }
  return {b.x0 - grow, b.y0 - grow, b.x1 + grow, b.y1 + grow};
}

NearPieces::NearPieces(const std::vector<Segment>& pieces, double reach)
    : pieces_(pieces), reach_(reach), seen_(pieces.size(), 0) {
  boxes_.reserve(pieces.size());
  for (const Segment& s : pieces) boxes_.push_back(BoxOf(s, 0));
  Box all{1e300, 1e300, -1e300, -1e300};
  for (const Segment& s : pieces) {
    const Box b = BoxOf(s, reach);
    all = {std::min(all.x0, b.x0), std::min(all.y0, b.y0), std::max(all.x1, b.x1), std::max(all.y1, b.y1)};
  }
  if (pieces.empty()) all = {0, 0, 1, 1};
  origin_ = {all.x0, all.y0};
  const double count = std::max<double>(1, std::sqrt(static_cast<double>(pieces.size())) * 2);
  const double side = std::min(4096.0, count);
  cell_ = std::max({reach, (all.x1 - all.x0) / side, (all.y1 - all.y0) / side, 1e-6});
  nx_ = static_cast<int>(std::min(4096.0, (all.x1 - all.x0) / cell_)) + 1;
  ny_ = static_cast<int>(std::min(4096.0, (all.y1 - all.y0) / cell_)) + 1;
  cells_.resize(static_cast<size_t>(nx_) * static_cast<size_t>(ny_));
  for (size_t i = 0; i < pieces.size(); ++i) {
    const Box b = BoxOf(pieces[i], reach);
    for (int y = Cell(b.y0, origin_.y, ny_); y <= Cell(b.y1, origin_.y, ny_); ++y)
      for (int x = Cell(b.x0, origin_.x, nx_); x <= Cell(b.x1, origin_.x, nx_); ++x)
        cells_[static_cast<size_t>(y) * static_cast<size_t>(nx_) + static_cast<size_t>(x)].push_back(i);
  }
}

int NearPieces::Cell(double v, double from, int count) const {
  const double at = (v - from) / cell_;
  if (!(at > 0)) return 0;  // also a NaN
  return at >= count ? count - 1 : static_cast<int>(at);
}

template <class Visit>
void NearPieces::ForEachNear(const Box& box, Visit&& visit) const {
  if (box.x1 < origin_.x || box.y1 < origin_.y || box.x0 > origin_.x + cell_ * nx_ ||
      box.y0 > origin_.y + cell_ * ny_)
    return;
  if (++stamp_ == 0) {
    std::fill(seen_.begin(), seen_.end(), 0);
    stamp_ = 1;
  }
  for (int y = Cell(box.y0, origin_.y, ny_); y <= Cell(box.y1, origin_.y, ny_); ++y)
    for (int x = Cell(box.x0, origin_.x, nx_); x <= Cell(box.x1, origin_.x, nx_); ++x)
      for (size_t i : cells_[static_cast<size_t>(y) * static_cast<size_t>(nx_) + static_cast<size_t>(x)]) {
        if (seen_[i] == stamp_) continue;
        seen_[i] = stamp_;
        visit(i);
      }
}

const std::vector<size_t>& NearPieces::Around(XY p) const {
  if (!(p.x >= origin_.x && p.y >= origin_.y && p.x <= origin_.x + cell_ * nx_ && p.y <= origin_.y + cell_ * ny_))
    return none_;
  return cells_[static_cast<size_t>(Cell(p.y, origin_.y, ny_)) * static_cast<size_t>(nx_) +
                static_cast<size_t>(Cell(p.x, origin_.x, nx_))];
}

double NearPieces::Distance(XY p) const {
  double best = 1e300;
  ForEachNear(Box{p.x, p.y, p.x, p.y}, [&](size_t i) { best = std::min(best, DistanceToPiece(p, pieces_[i])); });
  return best;
}

double NearPieces::Distance(const Segment& s, double limit) const {
  double best = limit;
  const Box b = BoxOf(s, 0);
  ForEachNear(b, [&](size_t i) {
    // Boxes farther apart than the best so far hold no nearer point.
    const Box& o = boxes_[i];
    const double dx = std::max({0.0, o.x0 - b.x1, b.x0 - o.x1}), dy = std::max({0.0, o.y0 - b.y1, b.y0 - o.y1});
    if (dx * dx + dy * dy >= best * best) return;
    best = std::min(best, DistanceBetween(s, pieces_[i]));
  });
  return best;
}

long NearPieces::Nearest(XY p) const {
  double best = 1e300;
  long nearest = -1;
  ForEachNear(Box{p.x, p.y, p.x, p.y}, [&](size_t i) {
    const double d = DistanceToPiece(p, pieces_[i]);
    if (d < best) best = d, nearest = static_cast<long>(i);
  });
  return best <= reach_ ? nearest : -1;
}

}  // namespace kestrom
