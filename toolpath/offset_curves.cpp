#include "toolpath/offset_curves.h"

#include <algorithm>
#include <optional>

#include "toolpath/offset_region.h"
#include "toolpath/piece_distance.h"

namespace kestrom {
namespace {

// How far a vertex of the region's boundary may lie from the exact curve it
// stands on: the chords of the region and of the path, and Clipper's integers.
constexpr double kFit = 4 * kRegionTolerance + 1e-5;
// Two transitions this close are one point; a meeting farther from the
// region's vertex than this is not the one meant.
constexpr double kSamePoint = 1e-9;

double Angle(XY v) { return std::atan2(v.y, v.x); }

// What a piece of the boundary exactly is: a line or a circle.
struct Curve {
  bool circle = false;
  XY p, d;        // a line through p along the unit vector d
  XY c;           // a circle around c of radius R
  double R = 0;
  XY Project(XY q) const {
    if (!circle) return p + d * Dot(q - p, d);
    const XY v = q - c;
    const double n = Norm(v);
    return n > 0 ? c + v * (R / n) : c + XY{R, 0};
  }
  double Residual(XY q) const { return circle ? std::fabs(Norm(q - c) - R) : std::fabs(Cross(q - p, d)); }
  bool Same(const Curve& o) const {
    if (circle != o.circle) return false;
    if (circle) return Norm(c - o.c) < 1e-7 && std::fabs(R - o.R) < 1e-7;
    return std::fabs(Cross(d, o.d)) < 1e-9 && std::fabs(Cross(o.p - p, d)) < 1e-7;
  }
};

Curve LineCurve(XY p, XY d) {
  Curve c;
  c.p = p;
  c.d = d;
  return c;
}
Curve CircleCurve(XY centre, double R) {
  Curve c;
  c.circle = true;
  c.c = centre;
  c.R = R;
  return c;
}

// The points where two curves meet: one where they touch.
std::vector<XY> Meetings(const Curve& a, const Curve& b) {
  std::vector<XY> out;
  if (!a.circle && !b.circle) {
    const double den = Cross(a.d, b.d);
    if (std::fabs(den) < 1e-15) return out;
    out.push_back(a.p + a.d * (Cross(b.p - a.p, b.d) / den));
    return out;
  }
  if (a.circle && !b.circle) return Meetings(b, a);
  if (!a.circle) {  // a line and a circle
    const XY foot = a.p + a.d * Dot(b.c - a.p, a.d);
    const double off = Norm(foot - b.c), h2 = b.R * b.R - off * off;
    if (h2 < -2 * b.R * 1e-7) return out;
    // Touching, within the rounding of the numbers: one point, not two a root of the rounding apart.
    const double h = h2 < 1e-10 * b.R * b.R ? 0 : std::sqrt(h2);
    out.push_back(foot + a.d * h);
    if (h > 0) out.push_back(foot - a.d * h);
    return out;
  }
  const XY between = b.c - a.c;
  const double dist = Norm(between);
  if (dist < 1e-12) return out;
  const double along = (a.R * a.R - b.R * b.R + dist * dist) / (2 * dist), h2 = a.R * a.R - along * along;
  if (h2 < -2 * a.R * 1e-7) return out;
  const double h = h2 < 1e-10 * a.R * a.R ? 0 : std::sqrt(h2);
  const XY u = between * (1 / dist), mid = a.c + u * along;
  out.push_back(mid + LeftOf(u) * h);
  if (h > 0) out.push_back(mid - LeftOf(u) * h);
  return out;
}

struct Fitter {
  const std::vector<Segment>& path;
  double radius;
  const NearPieces& near;
  double widest = 0;  // the widest band of a spiral of the path

  // The exact curve the boundary follows at `q`, a point on or a hair off
  // it: beside the piece of the path nearest `q` (whose points the boundary
  // keeps its distance from there), a line beside a line, an arc beside an
  // arc (a spiral's band: beside its far edge), or around the piece's end.
  std::optional<Curve> CurveAt(XY q) const {
    const long i = near.Nearest(q);
    if (i < 0) return std::nullopt;
    const Segment& s = path[static_cast<size_t>(i)];
    const XY foot = NearestOn(s, q);
    if (Norm(foot - s.a) < 1e-12) return CircleCurve(s.a, radius);
    if (Norm(foot - s.b) < 1e-12) return CircleCurve(s.b, radius);
    if (!s.arc) {
      const XY t = Tangent(s, 0);
      return LineCurve(s.a + LeftOf(t) * (Cross(t, q - foot) > 0 ? radius : -radius), t);
    }
    if (Norm(q - s.centre) >= Norm(foot - s.centre)) return CircleCurve(s.centre, s.Outer() + radius);
    if (s.Inner() - radius > 1e-9) return CircleCurve(s.centre, s.Inner() - radius);
    return std::nullopt;  // past the centre of an arc smaller than the tool: inside the region, never its edge
  }
};

struct Run {
  Curve curve;
  std::vector<XY> points;  // the boundary's vertices along it, in order
};

// Where run `a` ends and run `b` begins, on the boundary's edge `between` the two:
// the end of `a`'s piece and the start of `b`'s (the same point unless the
// curves only come within a hair of each other there).
std::pair<XY, XY> Transition(const Curve& a, const Curve& b, const Segment& between, double within) {
  const XY v = between.At(0.5);
  if (a.Same(b)) {
    const XY p = a.Project(v);
    return {p, p};
  }
  std::optional<XY> best;
  double bestOff = 1e300;
  for (const XY& p : Meetings(a, b)) {
    const double off = DistanceToPiece(p, between);
    if (off < bestOff) bestOff = off, best = p;
  }
  if (best && bestOff <= within) return {*best, *best};
  return {a.Project(v), b.Project(v)};
}

// The signed angle turned around `c` along `points`.
double Turned(const std::vector<XY>& points, XY c) {
  double turned = 0;
  for (size_t i = 1; i < points.size(); ++i)
    turned += std::remainder(Angle(points[i] - c) - Angle(points[i - 1] - c), 2 * kPi);
  return turned;
}

Segment PieceOf(const Curve& c, XY from, XY to, const std::vector<XY>& along, bool whole) {
  if (!c.circle) return Segment::Line(c.Project(from), c.Project(to));
  const double a0 = Angle(from - c.c), a1 = Angle(to - c.c);
  std::vector<XY> route = along;
  route.insert(route.begin(), from);
  route.push_back(to);
  const double turned = Turned(route, c.c);
  double sweep = whole ? (turned >= 0 ? 2 * kPi : -2 * kPi) : a1 - a0;
  if (!whole) sweep += 2 * kPi * std::round((turned - sweep) / (2 * kPi));
  return Segment::Arc(c.c, c.R, a0, sweep);
}

Segment Reversed(const Segment& s) {
  if (!s.arc) return Segment::Line(s.b, s.a);
  return Segment::Spiral(s.centre, s.endRadius, s.radius, s.start + s.sweep, -s.sweep);
}

// One boundary of the region as exact pieces, joined end to start; nothing
// when it cannot be followed.
std::optional<std::vector<Segment>> FitRing(const Fitter& fit, const std::vector<XY>& ring) {
  // The curve at each vertex; where two neighbours' curves do not meet
  // between them, a curve lies between that the vertices missed: the
  // boundary is sampled there too, until each neighbour's curve meets the next's.
  struct Sample {
    XY at;
    std::optional<Curve> curve;
  };
  std::vector<Sample> samples;
  samples.reserve(ring.size() * 2);
  for (const XY& p : ring) samples.push_back({p, fit.CurveAt(p)});
  const double within = kFit + fit.widest;
  auto meets = [&](const Sample& a, const Sample& b) {
    if (!a.curve || !b.curve || a.curve->Same(*b.curve)) return true;
    // They meet on the boundary between the two (which runs within the
    // region's tolerance of the edge from one to the other), at the radius
    // from the path, no nearer, no farther.
    for (const XY& p : Meetings(*a.curve, *b.curve))
      if (DistanceToPiece(p, Segment::Line(a.at, b.at)) <= within &&
          std::fabs(fit.near.Distance(p) - fit.radius) < 1e-6)
        return true;
    return false;
  };
  std::vector<Sample> refined;
  refined.reserve(samples.size() * 2);
  for (size_t i = 0; i < samples.size(); ++i) {
    std::vector<Sample> between{samples[i], samples[(i + 1) % samples.size()]};
    for (size_t k = 0; k + 1 < between.size() && between.size() < 64;) {
      if (meets(between[k], between[k + 1]) || Norm(between[k + 1].at - between[k].at) < 1e-7) {
        ++k;
        continue;
      }
      const XY mid = (between[k].at + between[k + 1].at) * 0.5;
      between.insert(between.begin() + static_cast<long>(k) + 1, Sample{mid, fit.CurveAt(mid)});
    }
    refined.insert(refined.end(), between.begin(), between.end() - 1);
  }
  // Runs of one curve, starting where one begins.
  const size_t n = refined.size();
  size_t first = 0;
  while (first < n && (!refined[first].curve || (refined[(first + n - 1) % n].curve &&
                                                 refined[(first + n - 1) % n].curve->Same(*refined[first].curve))))
    ++first;
  if (first == n) {  // one curve all round, or none
    first = 0;
    while (first < n && !refined[first].curve) ++first;
    if (first == n) return std::nullopt;
  }
  std::vector<Run> runs;
  for (size_t k = 0; k < n; ++k) {
    const Sample& s = refined[(first + k) % n];
    if (!s.curve) continue;
    if (runs.empty() || !runs.back().curve.Same(*s.curve)) runs.push_back({*s.curve, {}});
    runs.back().points.push_back(s.at);
  }
  if (runs.size() > 1 && runs.front().curve.Same(runs.back().curve)) {
    runs.back().points.insert(runs.back().points.end(), runs.front().points.begin(), runs.front().points.end());
    runs.erase(runs.begin());
  }
  std::vector<Segment> pieces;
  if (runs.size() == 1) {
    const Run& r = runs.front();
    if (!r.curve.circle) return std::nullopt;
    const XY at = r.curve.Project(r.points.front());
    std::vector<XY> round = r.points;
    round.push_back(r.points.front());
    pieces.push_back(PieceOf(r.curve, at, at, round, true));
    return pieces;
  }
  std::vector<std::pair<XY, XY>> joins(runs.size());  // the end of run k and the start of run k + 1
  for (size_t k = 0; k < runs.size(); ++k) {
    const Run& r = runs[k];
    const Run& next = runs[(k + 1) % runs.size()];
    joins[k] = Transition(r.curve, next.curve, Segment::Line(r.points.back(), next.points.front()), 10 * within);
  }
  for (size_t k = 0; k < runs.size(); ++k) {
    const XY from = joins[(k + runs.size() - 1) % runs.size()].second, to = joins[k].first;
    const Segment piece = PieceOf(runs[k].curve, from, to, runs[k].points, false);
    if (piece.Length() > kSamePoint) pieces.push_back(piece);
    const auto& [end, start] = joins[k];
    if (Norm(start - end) > kSamePoint) pieces.push_back(Segment::Line(end, start));
  }
  if (pieces.empty()) return std::nullopt;
  return pieces;
}

// Which side of the path `q` lies on, as seen from the path's point nearest
// it: positive on the left; and whether that point is one of an open path's
// ends, beyond which there is no side but the one its direction gives.
struct Side {
  double left = 0;
  bool beyondEnd = false;
};
Side SideOf(const NearPieces& near, const std::vector<Segment>& path, XY q) {
  const long i = near.Nearest(q);
  if (i < 0) return {};
  const Segment& s = path[static_cast<size_t>(i)];
  const XY foot = NearestOn(s, q);
  const double t = std::clamp(ParamOf(s, foot), 0.0, 1.0);
  const bool end = (i == 0 && Norm(foot - s.a) < 1e-9) ||
                   (static_cast<size_t>(i) + 1 == path.size() && Norm(foot - s.b) < 1e-9);
  return {Cross(Tangent(s, t), q - foot), end};
}

}  // namespace

double DistanceTo(const std::vector<Segment>& path, XY p) {
  double best = 1e300;
  for (const Segment& s : path) best = std::min(best, DistanceToPiece(p, s));
  return best;
}

Offsets OffsetOf(const OffsetPath& path, double radius, OffsetSide side) {
  Offsets out;
  const std::vector<Segment>& contour = path.segments;
  if (contour.empty() || !(radius > 0)) return out;
  const double area = SignedArea(contour);
  const bool ccw = area >= 0;
  const bool closed = path.closed;
  const bool inside = side == OffsetSide::Inside || (side == OffsetSide::Left && ccw) ||
                      (side == OffsetSide::Right && !ccw);
  const bool left = closed ? inside == ccw : side == OffsetSide::Left || side == OffsetSide::Inside;
  // A spiral (an arc whose end was rounded off its circle) is held by the
  // band between its radii: the tool keeps the radius from the band's edges,
  // lines and arcs each, the near edge in the chain and the far one beside it.
  std::vector<Segment> held;
  std::vector<std::vector<Segment>> keep(1);
  double widest = 0;
  for (size_t i = 0; i < contour.size(); ++i) {
    const Segment& s = contour[i];
    if (!s.Spiralled()) {
      keep[0].push_back(s);
      continue;
    }
    widest = std::max(widest, s.Outer() - s.Inner());
    const double end = s.start + s.sweep;
    keep[0].push_back(Segment::Arc(s.centre, s.radius, s.start, s.sweep));
    keep[0].push_back(Segment::Line(s.centre + Unit(end) * s.radius, s.b));
    keep.push_back({Segment::Line(s.a, s.centre + Unit(s.start) * s.endRadius),
                    Segment::Arc(s.centre, s.endRadius, s.start, s.sweep)});
  }
  for (const std::vector<Segment>& k : keep) held.insert(held.end(), k.begin(), k.end());
  const Region region = OffsetRegion(contour, keep, closed, inside, radius);
  if (!region.failure.empty()) {
    out.failure = region.failure;
    return out;
  }
  const NearPieces near(held, radius + 10 * (kFit + widest));
  const Fitter fit{held, radius, near, 0};
  const NearPieces nearContour(contour, radius + 10 * (kFit + widest));
  out.within = 2 * kFit + widest;

  const XY start = contour.front().a, end = contour.back().b;
  const XY startBack = Tangent(contour.front(), 0) * -1, endOn = Tangent(contour.back(), 1);
  auto asked = [&](XY q) { return closed || (SideOf(nearContour, contour, q).left > 0) == left; };

  std::vector<OffsetPath> pieces;  // every boundary, or for an open path its stretches on the asked side
  for (const std::vector<XY>& ring : region.rings) {
    // A sliver where the tool fits only exactly, with no room to spare (a
    // slot as wide as the tool), is no place it can cut: it is left out.
    double area = 0, around = 0;
    for (size_t i = 0; i < ring.size(); ++i) {
      area += Cross(ring[i], ring[(i + 1) % ring.size()]) / 2;
      around += Norm(ring[(i + 1) % ring.size()] - ring[i]);
    }
    if (std::fabs(area) < around * kRegionTolerance) continue;
    const auto fitted = FitRing(fit, ring);
    if (!fitted) {
      out.failure = "a stretch of the tool's offset stands on no line or arc of the contour";
      out.paths.clear();
      return out;
    }
    std::vector<Segment> loop = *fitted;
    // In the path's direction: outside a counter-clockwise contour the tool
    // runs counter-clockwise too, as the region's outer boundaries do.
    if (closed ? !ccw : left) {
      std::reverse(loop.begin(), loop.end());
      for (Segment& s : loop) s = Reversed(s);
    }
    // The true offset, for the proof: beside the path on the side asked (its
    // round ends go with the cut on either side of them, below).
    for (const XY& p : ring) {
      const Side side = closed ? Side{} : SideOf(nearContour, contour, p);
      if (closed || (!side.beyondEnd && std::fabs(side.left) > 1e-3 * radius && asked(p))) out.truth.push_back(p);
    }
    if (closed) {
      pieces.push_back({loop, true});
      continue;
    }
    // The round ends change sides where the path's line runs on beyond its ends.
    std::vector<Segment> split;
    std::vector<bool> cap;  // on the round of one of the path's ends
    for (const Segment& s : loop) {
      const bool round = s.arc && std::fabs(s.radius - radius) < 1e-7 &&
                         (Norm(s.centre - start) < 1e-9 || Norm(s.centre - end) < 1e-9);
      if (round) {
        const XY towards = Norm(s.centre - start) < 1e-9 ? startBack : endOn;
        const double t = SweepParam(s, Angle(towards));
        if (t > 1e-9 && t < 1 - 1e-9) {
          split.push_back(Piece(s, 0, t));
          split.push_back(Piece(s, t, 1));
          cap.insert(cap.end(), {true, true});
          continue;
        }
      }
      split.push_back(s);
      cap.push_back(round);
    }
    // Beside the path, the side it lies on; round an end, the side of the
    // cut it joins: where the path's two ends come near each other, the cut
    // goes on round both between them (the whole outside of a contour left a
    // hair open is cut), and a round between the cut's two sides is halved
    // where the path's line runs on beyond its end.
    std::vector<bool> keep(split.size());
    for (size_t i = 0; i < split.size(); ++i) keep[i] = asked(split[i].At(0.5));
    const std::vector<bool> beside = keep;
    for (size_t i = 0; i < split.size(); ++i) {
      if (!cap[i]) continue;
      size_t before = i, after = i;
      for (size_t k = 1; k < split.size() && cap[before]; ++k) before = (i + split.size() - k) % split.size();
      for (size_t k = 1; k < split.size() && cap[after]; ++k) after = (i + k) % split.size();
      if (!cap[before] && !cap[after] && beside[before] == beside[after]) keep[i] = beside[before];
    }
    const auto gap = std::find(keep.begin(), keep.end(), false);
    if (gap == keep.end()) {
      pieces.push_back({split, true});
      continue;
    }
    // The stretches kept, each from just after a piece left out.
    const size_t from = static_cast<size_t>(gap - keep.begin());
    OffsetPath stretch;
    for (size_t k = 1; k <= split.size(); ++k) {
      const size_t i = (from + k) % split.size();
      if (keep[i]) {
        stretch.segments.push_back(split[i]);
      } else if (!stretch.segments.empty()) {
        pieces.push_back(stretch);
        stretch = {};
      }
    }
    if (!stretch.segments.empty()) pieces.push_back(stretch);
  }

  // The first cut beside the path's start, from where its start stands beside it; the others nearest next.
  const XY normal = LeftOf(Tangent(contour.front(), 0)) * (left ? 1.0 : -1.0);
  XY at = start + normal * radius;
  std::vector<bool> used(pieces.size(), false);
  for (size_t taken = 0; taken < pieces.size(); ++taken) {
    size_t best = 0, bestStart = 0;
    double bestDistance = 1e300;
    for (size_t i = 0; i < pieces.size(); ++i) {
      if (used[i]) continue;
      const std::vector<Segment>& s = pieces[i].segments;
      for (size_t k = 0; k < (pieces[i].closed ? s.size() : 1); ++k) {
        const double d = Norm(s[k].a - at);
        if (d < bestDistance) bestDistance = d, best = i, bestStart = k;
      }
    }
    used[best] = true;
    OffsetPath chosen = pieces[best];
    if (chosen.closed && chosen.segments.size() == 1 && chosen.segments[0].arc) {
      // A whole circle starts where `at` stands beside it.
      Segment& c = chosen.segments[0];
      c = Segment::Arc(c.centre, c.radius, Angle(at - c.centre), c.sweep);
    } else {
      std::rotate(chosen.segments.begin(), chosen.segments.begin() + static_cast<long>(bestStart),
                  chosen.segments.end());
    }
    at = chosen.segments.back().b;
    out.paths.push_back(std::move(chosen));
  }
  return out;
}

}  // namespace kestrom
