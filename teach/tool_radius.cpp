#include "teach/tool_radius.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "teach/contours.h"
#include "teach/interpreted_program.h"
#include "teach/offset_curves.h"
#include "teach/program_measures.h"

namespace kestrom {
namespace {

CopiedProgram Refused(std::string why) { return {std::nullopt, std::move(why)}; }
std::string Number(double value) { return gcode::WriteExact(value, {0, false, '.'}); }
XY PlaneOf(const gcode::Point& p) { return {p[0], p[1]}; }
bool SameXY(const gcode::Point& a, XY b) { return std::hypot(a[0] - b.x, a[1] - b.y) < 1e-6; }

// The contour's moves as a path in XY; where an arc's rounded numbers leave it
// a hair off the next move's start, a line bridges the two.
OffsetPath PathOf(const InterpretedProgram& p, const Contour& c) {
  OffsetPath path;
  path.closed = c.closed;
  auto add = [&](const Segment& s) {
    if (!path.segments.empty() && std::hypot(s.a.x - path.segments.back().b.x, s.a.y - path.segments.back().b.y) > 1e-9)
      path.segments.push_back(Segment::Line(path.segments.back().b, s.a));
    if (s.Length() > 1e-9) path.segments.push_back(s);
  };
  for (size_t i = c.first; i <= c.last; ++i)
    for (const gcode::Move& m : p.lines[i].block.moves) {
      if (m.kind != gcode::MoveKind::Arc) {
        add(Segment::Line(PlaneOf(m.from), PlaneOf(m.to)));
        continue;
      }
      const gcode::ArcShape shape = gcode::ShapeOf(m.from, m.to, m.centre, m.plane, m.clockwise, m.turns);
      add(Segment::Arc(PlaneOf(m.centre), shape.radius, shape.startAngle, shape.sweep));
    }
  if (c.closed && !path.segments.empty()) add(Segment::Line(path.segments.back().b, path.segments.front().a));
  return path;
}

// A moving line whose moves all end at `at` (in XY), or move nowhere across from there.
bool EndsAt(const gcode::Block& b, XY at) {
  if (b.moves.empty() || b.fixedPlace) return false;
  for (const gcode::Move& m : b.moves)
    if (m.cycle || m.kind == gcode::MoveKind::Dwell || !SameXY(m.to, at)) return false;
  return true;
}
bool RisesFrom(const gcode::Block& b, XY at) {
  if (b.moves.empty() || b.fixedPlace) return false;
  for (const gcode::Move& m : b.moves)
    if (m.cycle || m.kind == gcode::MoveKind::Arc || !SameXY(m.from, at) || !SameXY(m.to, at)) return false;
  return true;
}

struct Planned {
  Contour contour;
  std::vector<OffsetPath> paths;
  size_t leadIn = 0, leadOut = 0;  // the lines that bring the tool to it: [leadIn, first); that take it away: (last, leadOut)
  XY start, end;                   // where it started and ended
  double above = 0;                // the height it was brought down from (millimetres)
};

class RadiusWriter {
 public:
  explicit RadiusWriter(const InterpretedProgram& p) : p_(p), w_(ProgramStyle(p)) {}

  bool Program(const std::vector<Planned>& plans) {
    size_t next = 0;
    for (const Planned& plan : plans) {
      for (; next < plan.leadIn; ++next)
        if (!Keep(next)) return false;
      const XY to = plan.paths.front().segments.front().a;
      const gcode::Point in{to.x - plan.start.x, to.y - plan.start.y, 0, 0, 0, 0};
      for (; next < plan.contour.first; ++next)
        if (!w_.Put(p_, next, in)) return false;
      if (!Paths(plan)) return false;
      const XY end = plan.paths.back().segments.back().b;
      const gcode::Point out{end.x - plan.end.x, end.y - plan.end.y, 0, 0, 0, 0};
      for (next = plan.contour.last + 1; next < plan.leadOut; ++next)
        if (!w_.Put(p_, next, out)) return false;
    }
    for (; next < p_.lines.size(); ++next)
      if (!Keep(next)) return false;
    return true;
  }
  std::string& text() { return w_.text(); }
  const std::string& refusal() const { return w_.refusal(); }

 private:
  bool Keep(size_t i) { return w_.PutAsItWas(p_, i); }

  gcode::Point At(XY p) const {
    gcode::Point to = w_.written().position();
    to[0] = p.x;
    to[1] = p.y;
    return to;
  }

  bool Paths(const Planned& plan) {
    const int line = p_.lines[plan.contour.first].block.number;
    const double feed = p_.lines[plan.contour.first].after.feed, z = plan.contour.z;
    auto feedWord = [&] { return w_.FeedWord(feed); };
    for (size_t k = 0; k < plan.paths.size(); ++k) {
      const XY start = plan.paths[k].segments.front().a;
      if (k > 0) {  // up, across and down to the next piece
        gcode::Point up = w_.written().position();
        up[2] = std::max(plan.above, z);
        gcode::Point down = At(start);
        down[2] = z;
        if (!w_.PutMove("G00", up, "", nullptr, line) || !w_.PutMove("G00", At(start), "", nullptr, line) ||
            !w_.PutMove("G01", down, feedWord(), nullptr, line))
          return false;
      } else if (!w_.PutMove("G01", At(start), feedWord(), nullptr, line)) {
        return false;  // (no move when the tool was brought to the new start)
      }
      for (const Segment& s : plan.paths[k].segments) {
        const gcode::Point centre{s.centre.x, s.centre.y, z, 0, 0, 0};
        if (!w_.PutMove(s.arc ? (s.sweep > 0 ? "G03" : "G02") : "G01", At(s.b), feedWord(),
                        s.arc ? &centre : nullptr, line))
          return false;
      }
    }
    // The program's own plane again where its arcs said G17.
    const gcode::Plane plane = p_.lines[plan.contour.last].after.plane;
    if (w_.written().state().plane == plane) return true;
    return w_.PutOwn(plane == gcode::Plane::XZ ? "G18" : "G19");
  }

  const InterpretedProgram& p_;
  ProgramWriter w_;
};

}  // namespace

CopiedProgram OffsetByToolRadius(const std::string& program, const ToolRadiusRequest& r) {
  if (!(r.diameter > 0))
    return Refused("Takım çapı 0'dan büyük olmalı; hiçbir şey değişmedi (the tool diameter must be more than 0; "
                   "nothing changed).");
  const InterpretedProgram p = InterpretProgram(program);
  if (!p.ok()) return Refused(p.refusal);
  const FoundContours found = FindContours(p);
  if (!found.refusal.empty()) return Refused(found.refusal);
  if (found.contours.empty())
    return Refused("Programda kontur yok: tek Z'de ilerleme hareketleri (the program has no contour: feed moves at "
                   "one Z); hiçbir şey değişmedi (nothing changed).");
  const double unit = UnitOf(p), radius = r.diameter * unit / 2;
  std::vector<Planned> plans;
  std::string splits;
  size_t after = 0;  // lines before this belong to the contour before
  for (const Contour& c : found.contours) {
    const int number = p.lines[c.first].block.number;
    for (size_t i = c.first; i <= c.last; ++i)
      if (p.lines[i].after.compensation != gcode::Compensation::Off)
        return Refused(LineRefusal(p.lines[i].block.number,
                                   "takım telafisi (G41/G42) açık; Kestrom'un kaydırması ona eklenirdi",
                                   "cutter compensation (G41/G42) is on; Kestrom's offset would add to it"));
    Planned plan;
    plan.contour = c;
    const OffsetPath path = PathOf(p, c);
    const bool ccw = SignedArea(path.segments) > 0;
    const OffsetSide side = c.closed ? (ccw != r.inside ? OffsetSide::Right : OffsetSide::Left)
                                     : (r.right ? OffsetSide::Right : OffsetSide::Left);
    plan.paths = Offset(path, radius, side);
    if (plan.paths.empty())
      return Refused(LineRefusal(number, "takım bu konturun hiçbir yerine sığmıyor",
                                 "the tool fits nowhere along this contour"));
    if (plan.paths.size() > 1)
      splits += " Satır " + std::to_string(number) + "'deki kontur " + std::to_string(plan.paths.size()) +
                " parça oldu (the contour on line " + std::to_string(number) + " became " +
                std::to_string(plan.paths.size()) + ").";
    plan.start = PlaneOf(p.lines[c.first].block.moves.front().from);
    plan.end = PlaneOf(p.lines[c.last].block.moves.back().to);
    // The moves that bring the tool down to the start go with it, and those that lift it from the end.
    plan.leadIn = c.first;
    plan.above = c.z;
    for (size_t j = c.first; j > after; --j) {
      const gcode::Block& b = p.lines[j - 1].block;
      if (!b.moves.empty() && !EndsAt(b, plan.start)) break;
      if (!b.moves.empty()) {
        plan.leadIn = j - 1;
        for (const gcode::Move& m : b.moves) plan.above = std::max({plan.above, m.from[2], m.to[2]});
      }
    }
    plan.leadOut = c.last + 1;
    for (size_t k = c.last + 1; k < p.lines.size(); ++k) {
      const gcode::Block& b = p.lines[k].block;
      if (!b.moves.empty() && !RisesFrom(b, plan.end)) break;
      if (Cuts(b)) break;
      plan.leadOut = k + 1;
    }
    after = plan.leadOut;
    plans.push_back(std::move(plan));
  }
  RadiusWriter writer(p);
  if (!writer.Program(plans)) return Refused(writer.refusal());
  const uint64_t lines = LineCount(writer.text());
  if (lines > kMostCopiedLines) return Refused(LinesTooMany());
  const std::string k = std::to_string(plans.size()), d = Number(r.diameter), n = Thousands(lines);
  return {std::move(writer.text()), "Takım yarıçapı kadar kaydırıldı: " + k + " kontur, çap " + d + "; " + n +
                                        " satır (offset by the tool's radius: " + k +
                                        (k == "1" ? " contour" : " contours") + ", diameter " + d + "; " + n +
                                        (n == "1" ? " line)." : " lines).") + splits};
}

}  // namespace kestrom
