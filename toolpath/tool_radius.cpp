#include "toolpath/tool_radius.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "teach/interpreted_program.h"
#include "toolpath/contours.h"
#include "toolpath/cut_proof.h"
#include "toolpath/offset_curves.h"
#include "toolpath/program_measures.h"

namespace kestrom {
namespace {

constexpr double kLevel = 1e-6;

CopiedProgram Refused(std::string why) { return {std::nullopt, std::move(why)}; }
std::string Number(double value) { return gcode::WriteExact(value, {0, false, '.'}); }
XY PlaneOf(const gcode::Point& p) { return {p[0], p[1]}; }
bool SameXY(const gcode::Point& a, XY b) { return std::hypot(a[0] - b.x, a[1] - b.y) < 1e-6; }

// The contour's moves in XY as the machine makes them: an arc whose numbers
// were rounded off its circle is the spiral the machine cuts.
OffsetPath PathOf(const InterpretedProgram& p, const Contour& c) {
  OffsetPath path;
  path.closed = c.closed;
  auto add = [&](const Segment& s) {
    if (!path.segments.empty() && Norm(s.a - path.segments.back().b) > 1e-9)
      path.segments.push_back(Segment::Line(path.segments.back().b, s.a));
    if (s.Length() > 1e-12) path.segments.push_back(s);
  };
  for (size_t i = c.first; i <= c.last; ++i)
    for (const gcode::Move& m : p.lines[i].block.moves) {
      if (m.kind != gcode::MoveKind::Arc) {
        add(Segment::Line(PlaneOf(m.from), PlaneOf(m.to)));
        continue;
      }
      const gcode::ArcShape shape = gcode::ShapeOf(m.from, m.to, m.centre, m.plane, m.clockwise, m.turns);
      add(Segment::Spiral(PlaneOf(m.centre), shape.radius, gcode::PlaneRadius(m.to, m.centre, m.plane),
                          shape.startAngle, shape.sweep));
    }
  if (c.closed && !path.segments.empty()) add(Segment::Line(path.segments.back().b, path.segments.front().a));
  return path;
}

// A moving line whose moves all end at `at` (in XY), or move nowhere across from there.
bool EndsAt(const gcode::Block& b, XY at) {
  if (b.moves.empty() || b.fixedPlace || (b.unknown & 3)) return false;
  for (const gcode::Move& m : b.moves)
    if (m.cycle || m.kind == gcode::MoveKind::Dwell || !SameXY(m.to, at)) return false;
  return true;
}
// A line that lifts the tool straight up from `at` (or leaves it where it is).
bool RisesFrom(const gcode::Block& b, XY at) {
  if (b.moves.empty() || b.fixedPlace) return false;
  for (const gcode::Move& m : b.moves)
    if (m.cycle || m.kind == gcode::MoveKind::Arc || !SameXY(m.from, at) || !SameXY(m.to, at) ||
        m.to[2] < m.from[2] - kLevel)
      return false;
  return true;
}

struct Planned {
  Contour contour;
  OffsetPath path;
  Offsets offsets;
  bool inside = false, left = false;
  size_t leadIn = 0, leadOut = 0;  // the lines that bring the tool to it: [leadIn, first); that take it away: (last, leadOut)
  XY start, end;                   // where it started and ended
  size_t firstWritten = 0, lastWritten = 0;  // its lines in the new text
};

class RadiusWriter {
 public:
  RadiusWriter(const InterpretedProgram& p, double safeZ) : p_(p), w_(ProgramStyle(p)), safeZ_(safeZ) {}

  bool Program(std::vector<Planned>& plans) {
    size_t next = 0;
    for (Planned& plan : plans) {
      for (; next < plan.leadIn; ++next)
        if (!Keep(next)) return false;
      plan.firstWritten = lines_;
      const XY to = plan.offsets.paths.front().segments.front().a;
      const gcode::Point in{to.x - plan.start.x, to.y - plan.start.y, 0, 0, 0, 0};
      if (!Enter(plan, to)) return false;
      for (; next < plan.contour.first; ++next)
        if (!Put(next, in)) return false;
      if (!Paths(plan)) return false;
      // From where the last cut ended as written (its numbers rounded), so that no word is added for a hair.
      const gcode::Point at = w_.written().position();
      const gcode::Point out{at[0] - plan.end.x, at[1] - plan.end.y, 0, 0, 0, 0};
      for (next = plan.contour.last + 1; next < plan.leadOut; ++next)
        if (!Put(next, out)) return false;
      plan.lastWritten = lines_ - 1;
    }
    for (; next < p_.lines.size(); ++next)
      if (!Keep(next)) return false;
    return true;
  }
  std::string& text() { return w_.text(); }
  const std::string& refusal() const { return refusal_.empty() ? w_.refusal() : refusal_; }

 private:
  bool Counted(bool ok) {
    lines_ += ok;
    return ok;
  }
  bool Keep(size_t i) { return Counted(w_.PutAsItWas(p_, i)); }
  bool Put(size_t i, const gcode::Point& shift) { return Counted(w_.Put(p_, i, shift)); }
  bool Move(const char* g, const gcode::Point& to, const std::string& feed, const gcode::Point* centre, int line) {
    const size_t length = w_.text().size();
    if (!w_.PutMove(g, to, feed, centre, line)) return false;
    lines_ += w_.text().size() != length;  // a move that goes nowhere is not written
    return true;
  }

  gcode::Point At(XY p, double z) const {
    gcode::Point to = w_.written().position();
    to[0] = p.x;
    to[1] = p.y;
    to[2] = z;
    return to;
  }
  bool ZKnown() const { return !(w_.written().unknown() & 4); }

  // Up to safe Z first unless the tool may go straight to `to` from where it stands.
  bool Lift(int line, double z) {
    if (!(safeZ_ > z + kLevel)) {
      refusal_ = LineRefusal(line, "güvenli Z (" + Number(safeZ_) + ") bu konturun Z'sinin (" + Number(z) +
                                       ") üstünde değil; kesimler arasında takım kaldırılamaz",
                             "safe Z (" + Number(safeZ_) + ") is not above this contour's Z (" + Number(z) +
                                 "); the tool cannot be lifted between its cuts");
      return false;
    }
    const gcode::Point at = w_.written().position();
    if (ZKnown() && at[2] >= safeZ_ - kLevel) return true;
    gcode::Point up = at;
    up[2] = safeZ_;
    if (ZKnown() && !(w_.written().unknown() & 3)) return Move("G00", up, "", nullptr, line);
    // From a height or a place the program does not know (after a G53 Z move, say):
    // straight up to safe Z, wherever the machine stands.
    const std::string word = "Z" + gcode::WriteExact(safeZ_ / gcode::MillimetresPerUnit(w_.written().state()), {0, false, '.'});
    if (!w_.written().state().incremental) return Counted(w_.PutOwn("G00 " + word));
    return Counted(w_.PutOwn("G90 G00 " + word)) && Counted(w_.PutOwn("G91"));
  }

  // The moves that bring the tool to the contour's new start: the program's
  // own (moved with it) when they come down there from safe Z; else up to
  // safe Z, across, and then the program's own, now straight down.
  bool Enter(const Planned& plan, XY to) {
    const int line = p_.lines[plan.contour.first].block.number;
    const gcode::Point at = w_.written().position();
    const bool there = Norm(PlaneOf(at) - to) < 1e-7 && !(w_.written().unknown() & 3);
    const bool leadIn = plan.leadIn < plan.contour.first;
    // A height fixed on the machine (a G53 Z0 before the tool's length offset,
    // as CAM posts write) is where the program itself moves across: Kestrom
    // keeps its approach from there, and adds no move of its own before the
    // program's G43 could take effect.
    const bool onMachine = ZOnMachineBefore(p_, plan.leadIn);
    double firstZ = plan.contour.z;  // where the first move of the lead-in ends
    bool firstHigh = false;          // and whether it stays up there
    for (size_t i = plan.leadIn; i < plan.contour.first; ++i)
      if (!p_.lines[i].block.moves.empty()) {
        const gcode::Move& m = p_.lines[i].block.moves.front();
        firstZ = m.to[2];
        firstHigh = firstZ >= safeZ_ - kLevel || (onMachine && std::fabs(m.to[2] - m.from[2]) <= kLevel);
        break;
      }
    // The program's first move comes from wherever the machine stands, as in the program itself.
    // Safe Z at the contour's own depth (a program that never rises above it) is no way over the part.
    const bool fromAbove = safeZ_ > plan.contour.z + kLevel &&
                           (onMachine || (ZKnown() ? at[2] >= safeZ_ - kLevel : firstZ >= safeZ_ - kLevel));
    if (leadIn && (there || (fromAbove && firstHigh))) return true;
    if (!leadIn && there && ZKnown() && at[2] >= plan.contour.z - kLevel)
      return Move("G01", At(to, plan.contour.z), Feed(plan), nullptr, line);
    if (!Lift(line, plan.contour.z) || !Move("G00", At(to, safeZ_), "", nullptr, line)) return false;
    return leadIn || Move("G01", At(to, plan.contour.z), Feed(plan), nullptr, line);
  }

  std::string Feed(const Planned& plan) const { return w_.FeedWord(p_.lines[plan.contour.first].after.feed); }

  bool Paths(const Planned& plan) {
    const int line = p_.lines[plan.contour.first].block.number;
    const double z = plan.contour.z;
    for (size_t k = 0; k < plan.offsets.paths.size(); ++k) {
      const XY start = plan.offsets.paths[k].segments.front().a;
      if (k > 0 && (!Lift(line, z) || !Move("G00", At(start, safeZ_), "", nullptr, line) ||
                    !Move("G01", At(start, z), Feed(plan), nullptr, line)))
        return false;  // up, across and down to the next cut
      for (const Segment& s : plan.offsets.paths[k].segments) {
        const gcode::Point centre{s.centre.x, s.centre.y, z, 0, 0, 0};
        // An arc whose ends a rounding would make one point is written as the line it all but is.
        const bool arc = s.arc && Norm(s.b - s.a) > 1e-3 && std::fabs(s.sweep) < 2 * kPi - 1e-9;
        if (s.arc && std::fabs(s.sweep) >= 2 * kPi - 1e-9) {
          // A whole circle, as two halves: no reader can take either for a point.
          const Segment half = Piece(s, 0, 0.5);
          const gcode::Point mid{half.b.x, half.b.y, z, 0, 0, 0};
          if (!Arc(half.sweep > 0, mid, centre, line, Feed(plan)) ||
              !Arc(half.sweep > 0, At(s.b, z), centre, line, Feed(plan)))
            return false;
          continue;
        }
        if (arc ? !Arc(s.sweep > 0, At(s.b, z), centre, line, Feed(plan))
                : !Move("G01", At(s.b, z), Feed(plan), nullptr, line))
          return false;
      }
    }
    // The program's own plane again where the arcs said G17.
    const gcode::Plane plane = p_.lines[plan.contour.last].after.plane;
    if (w_.written().state().plane == plane) return true;
    return Counted(w_.PutOwn(plane == gcode::Plane::XZ ? "G18" : "G19"));
  }

  // An arc, read back with its centre and sweep, not only its end.
  bool Arc(bool ccw, const gcode::Point& to, const gcode::Point& centre, int line, const std::string& feed) {
    const gcode::Point from = w_.written().position();
    const double want = ArcSweep(from, to, centre, ccw);
    if (!Move(ccw ? "G03" : "G02", to, feed, &centre, line)) return false;
    const gcode::Block& b = w_.last();
    if (b.moves.size() == 1 && b.moves[0].kind == gcode::MoveKind::Arc) {
      const gcode::Move& m = b.moves[0];
      const gcode::ArcShape got = gcode::ShapeOf(m.from, m.to, m.centre, m.plane, m.clockwise, m.turns);
      // The numbers keep six places: the sweep may change by what that moves the ends, never by a turn.
      const double rounding = 1e-6 * gcode::MillimetresPerUnit(w_.written().state());
      if (std::fabs(got.sweep - want) < 1e-6 + 4 * rounding / std::max(got.radius, 1e-9) &&
          std::hypot(m.centre[0] - centre[0], m.centre[1] - centre[1]) < 2 * rounding)
        return true;
    }
    refusal_ = LineRefusal(line, "bir yay olması gerektiği gibi yazılamıyor (merkezi ya da açısı değişirdi)",
                           "an arc cannot be written as it must be (its centre or its sweep would change)");
    return false;
  }
  static double ArcSweep(const gcode::Point& from, const gcode::Point& to, const gcode::Point& centre, bool ccw) {
    return gcode::ShapeOf(from, to, centre, gcode::Plane::XY, !ccw).sweep;
  }

  const InterpretedProgram& p_;
  ProgramWriter w_;
  double safeZ_;
  size_t lines_ = 0;
  std::string refusal_;
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
  const std::optional<double> highest = HighestZOf(p);
  const double safeZ = r.safeZ ? *r.safeZ * unit : highest.value_or(0);
  if (highest && safeZ < *highest - kLevel) return Refused(SafeZBelow(safeZ / unit, *highest / unit));
  std::vector<Planned> plans;
  std::string splits;
  size_t after = 0;  // lines before this belong to the contour before
  for (const Contour& c : found.contours) {
    const int number = p.lines[c.first].block.number;
    for (size_t i = c.first; i <= c.last; ++i) {
      if (p.lines[i].after.compensation != gcode::Compensation::Off)
        return Refused(LineRefusal(p.lines[i].block.number,
                                   "takım telafisi (G41/G42) açık; Kestrom'un kaydırması ona eklenirdi",
                                   "cutter compensation (G41/G42) is on; Kestrom's offset would add to it"));
      // A contour cut wherever Z happens to stand has no depth to come down to,
      // and nothing to lift to between its pieces.
      if (p.lines[i].block.unknown & 4)
        return Refused(LineRefusal(p.lines[i].block.number,
                                   "program bu konturun Z'sini hiç söylemiyor (makine nerede durursa orada keser); "
                                   "kaydırma derinliği bilmeden yazılamaz",
                                   "the program never says this contour's Z (it cuts wherever the machine stands); "
                                   "the offset cannot be written without its depth"));
    }
    Planned plan;
    plan.contour = c;
    plan.path = PathOf(p, c);
    const bool ccw = SignedArea(plan.path.segments) >= 0;
    plan.inside = r.inside;
    plan.left = c.closed ? r.inside == ccw : !r.right;
    const OffsetSide side = c.closed ? (r.inside ? OffsetSide::Inside : OffsetSide::Outside)
                                     : (r.right ? OffsetSide::Right : OffsetSide::Left);
    plan.offsets = OffsetOf(plan.path, radius, side);
    if (!plan.offsets.failure.empty())
      return Refused(LineRefusal(number, "takım kaydırması hesaplanamıyor (" + plan.offsets.failure + ")",
                                 "the tool's offset cannot be made (" + plan.offsets.failure + ")"));
    if (plan.offsets.paths.empty())
      return Refused(LineRefusal(number, "takım bu konturun hiçbir yerine sığmıyor",
                                 "the tool fits nowhere along this contour"));
    if (plan.offsets.paths.size() > 1)
      splits += " Satır " + std::to_string(number) + "'deki kontur " + std::to_string(plan.offsets.paths.size()) +
                " parça oldu (the contour on line " + std::to_string(number) + " became " +
                std::to_string(plan.offsets.paths.size()) + ").";
    plan.start = PlaneOf(p.lines[c.first].block.moves.front().from);
    plan.end = PlaneOf(p.lines[c.last].block.moves.back().to);
    // The moves that bring the tool down to the start go with it, and those that lift it from the end.
    plan.leadIn = c.first;
    for (size_t j = c.first; j > after; --j) {
      const gcode::Block& b = p.lines[j - 1].block;
      if (!b.moves.empty() && !EndsAt(b, plan.start)) break;
      if (!b.moves.empty()) plan.leadIn = j - 1;
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
  RadiusWriter writer(p, safeZ);
  if (!writer.Program(plans)) return Refused(writer.refusal());
  const uint64_t lines = LineCount(writer.text());
  if (lines > kMostCopiedLines) return Refused(LinesTooMany());

  // Proven before anything changes: the new program read back, every cut against its contour.
  const InterpretedProgram written = InterpretProgram(writer.text());
  std::vector<CutToProve> proofs;
  for (const Planned& plan : plans) {
    CutToProve c;
    c.contour = plan.path;
    c.inside = plan.inside;
    c.left = plan.left;
    c.radius = radius;
    c.rounding = 5e-7 * unit;
    c.z = plan.contour.z;
    c.safeZ = safeZ;
    c.firstLine = plan.firstWritten;
    c.lastLine = plan.lastWritten;
    c.truth = plan.offsets.truth;
    c.within = plan.offsets.within;
    c.line = p.lines[plan.contour.first].block.number;
    proofs.push_back(std::move(c));
  }
  const std::string wrong = ProveCuts(written, proofs);
  if (!wrong.empty()) return Refused(wrong);

  const std::string k = std::to_string(plans.size()), d = Number(r.diameter), n = Thousands(lines);
  return {std::move(writer.text()), "Takım yarıçapı kadar kaydırıldı: " + k + " kontur, çap " + d + "; " + n +
                                        " satır (offset by the tool's radius: " + k +
                                        (k == "1" ? " contour" : " contours") + ", diameter " + d + "; " + n +
                                        (n == "1" ? " line)." : " lines).") + splits};
}

}  // namespace kestrom
