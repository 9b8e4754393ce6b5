#include "toolpath/cut_proof.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "gcode/numbers.h"
#include "toolpath/offset_region.h"
#include "toolpath/piece_distance.h"
#include "toolpath/program_measures.h"

namespace kestrom {
namespace {

constexpr double kLevel = 1e-6;  // millimetres: one height
constexpr double kSampleStep = 0.05;

std::string Mm(double value) { return gcode::Write(value, {4, false, '.'}); }
XY PlaneOf(const gcode::Point& p) { return {p[0], p[1]}; }

// A move as read back, in XY: a line, or an arc with the centre and sweep the interpreter gives it.
Segment PlaneCut(const gcode::Move& m) {
  if (m.kind != gcode::MoveKind::Arc) return Segment::Line(PlaneOf(m.from), PlaneOf(m.to));
  const gcode::ArcShape shape = gcode::ShapeOf(m.from, m.to, m.centre, m.plane, m.clockwise, m.turns);
  return Segment::Spiral(PlaneOf(m.centre), shape.radius, gcode::PlaneRadius(m.to, m.centre, m.plane),
                         shape.startAngle, shape.sweep);
}

class Proof {
 public:
  // The numbers written keep up to six places: a cut's ends and an arc's
  // centre may each stand that much off the exact offset, and a read-back
  // arc's radius the sum of two of them, its end off its circle as much again.
  Proof(const InterpretedProgram& written, const CutToProve& cut)
      : w_(written), c_(cut), near_(cut.contour.segments, cut.radius + 1), kSlack(8 * cut.rounding + 1e-9) {
    if (cut.contour.closed) outline_ = Flattened(cut.contour.segments);
  }

  std::string Run() {
    size_t exit = c_.lastLine + 1;  // the first move after the stretch: it leaves from where the stretch ends
    while (exit < w_.lines.size() && w_.lines[exit].block.moves.empty()) ++exit;
    const size_t last = std::min(exit, w_.lines.size() - 1);
    bool sideSeen = false;  // along a chain of cuts that never nears the contour, the side cannot change
    bool onMachine = ZOnMachineBefore(w_, c_.firstLine);
    for (size_t i = c_.firstLine; i <= last && i < w_.lines.size(); ++i)
      for (const gcode::Move& m : w_.lines[i].block.moves) {
        if (m.kind == gcode::MoveKind::Dwell) continue;
        std::string wrong = Check(m, w_.lines[i].block.unknown, onMachine, sideSeen);
        if (!wrong.empty()) return wrong;
        onMachine = ZOnMachineAfter(m, onMachine);
      }
    return Covered();
  }

 private:
  std::string Refuse(const std::string& tr, const std::string& en) const { return LineRefusal(c_.line, tr, en); }

  bool OnSide(XY q) const {
    if (c_.contour.closed) return Encloses(outline_, q) == c_.inside;
    const double nearest = near_.Distance(q);
    if (nearest > c_.radius * 2) return true;  // nowhere near the path: no side to be wrong on
    // Seen from every point of the path as near as the nearest: where two
    // pieces of the path are as near (a cut passing from one's round end to
    // the other's), it is on the asked side of either.
    bool seen = false;
    const std::vector<Segment>& path = c_.contour.segments;
    for (size_t i : near_.Around(q)) {
      const Segment& s = path[i];
      if (DistanceToPiece(q, s) > nearest + 1e-6) continue;
      const XY foot = NearestOn(s, q);
      // Beyond an end of the path there is no side: the cut goes round it on the side it comes from.
      if ((i == 0 && Norm(foot - s.a) < 1e-9) || (i + 1 == path.size() && Norm(foot - s.b) < 1e-9)) return true;
      // On the line the path runs on beyond its end (where each end's quarter ends), either side will do.
      const double side = Cross(Tangent(s, std::clamp(ParamOf(s, foot), 0.0, 1.0)), q - foot);
      seen |= c_.left ? side > -1e-6 * c_.radius : side < 1e-6 * c_.radius;
    }
    return seen;
  }

  std::string TooNear(double d) const {
    return Refuse("bir kesim konturun " + Mm(d) + " mm yakınından geçerdi, takımın yarıçapı " + Mm(c_.radius) + " mm",
                  "a cut would pass " + Mm(d) + " mm from the contour, nearer than the tool's radius, " +
                      Mm(c_.radius) + " mm");
  }
  std::string WrongSide() const {
    return Refuse("bir kesim konturun istenmeyen yanında kalırdı", "a cut would lie on the other side of the contour");
  }

  // `unknown`: the axes still where the machine happened to stand after the move's line.
  // `onMachine`: the move starts at a height fixed on the machine (G53, G28, G30).
  std::string Check(const gcode::Move& m, unsigned char unknown, bool onMachine, bool& sideSeen) {
    const bool across = m.kind == gcode::MoveKind::Arc || Norm(PlaneOf(m.to) - PlaneOf(m.from)) > 1e-9;
    // From a height the program does not know (its first move, from wherever
    // the machine stands, or from a place on the machine, whose height in the
    // part's coordinates waits for the tool's length offset): the program's
    // own approach where it ends above safe Z. Across at such a place on the
    // machine is where the program itself travels, above the part.
    const bool fromNowhere = (m.unknownFrom & 4) != 0 || onMachine;
    const bool staysOnMachine = ZOnMachineAfter(m, onMachine);
    if (staysOnMachine || (fromNowhere ? m.to[2] : std::min(m.from[2], m.to[2])) >= c_.safeZ - kLevel) {
      sideSeen = false;
      return {};  // above safe Z the tool goes anywhere
    }
    if (!across) {  // up or down below safe Z: where it stands must be beside the contour
      sideSeen = false;
      if (unknown & 3) {  // wherever the machine stands in X and Y: up is safe, down is not provable
        if (m.to[2] >= m.from[2] - kLevel) return {};
        return Refuse("takım, program X ve Y'yi söylemeden güvenli Z'nin (" + Mm(c_.safeZ) +
                          ") altına inerdi (makine nerede durursa orada)",
                      "the tool would come down below safe Z (" + Mm(c_.safeZ) +
                          ") before the program says X and Y (wherever the machine stands)");
      }
      const XY at = PlaneOf(m.to);
      const double d = near_.Distance(at);
      if (d < c_.radius - kSlack) return TooNear(d);
      return OnSide(at) ? std::string() : WrongSide();
    }
    const bool cut = (m.kind == gcode::MoveKind::Feed ||
                      (m.kind == gcode::MoveKind::Arc && m.plane == gcode::Plane::XY)) &&
                     !m.FromUnknown() && std::fabs(m.from[2] - c_.z) <= kLevel && std::fabs(m.to[2] - c_.z) <= kLevel;
    if (!cut)
      return Refuse("araç güvenli Z'nin (" + Mm(c_.safeZ) + ") altında kesim dışında yana giderdi",
                    "the tool would move across below safe Z (" + Mm(c_.safeZ) + ") other than along its cut");
    const Segment s = PlaneCut(m);
    // Exactly where the cut comes nearest each piece of the contour, and at points along it.
    double d = near_.Distance(s, c_.radius);
    const double length = s.Length();
    const int steps = static_cast<int>(std::min(1e5, std::ceil(length / std::min(kSampleStep, c_.radius / 8))));
    for (int k = 0; k <= steps && d >= c_.radius - kSlack; ++k)
      d = std::min(d, near_.Distance(s.At(steps ? static_cast<double>(k) / steps : 0)));
    // A read-back arc a rounding off its circle is a hair nearer at worst.
    if (s.Spiralled()) d -= s.Outer() - s.Inner();
    if (d < c_.radius - kSlack) return TooNear(d);
    if (!sideSeen || !c_.contour.closed) {
      if (!OnSide(s.At(0.5))) return WrongSide();
      sideSeen = true;
    }
    cuts_.push_back(s);
    return {};
  }

  // The whole true offset cut: nothing left that the tool could reach.
  std::string Covered() const {
    if (c_.truth.empty()) return {};
    auto uncut = [&](XY p) {
      return Refuse("takım kaydırmasının (" + Mm(p.x) + ", " + Mm(p.y) + ") yanındaki bölümü kesilmeden kalırdı",
                    "the tool's offset near (" + Mm(p.x) + ", " + Mm(p.y) + ") would be left uncut");
    };
    if (cuts_.empty()) return uncut(c_.truth.front());
    const double within = c_.within + 1e-4;  // and the numbers' rounding
    const NearPieces cuts(cuts_, within * 2);
    for (const XY& p : c_.truth) {
      // The point of the true offset beside the same piece of the contour,
      // exactly at the radius; where another piece is nearer (a sliver of
      // the region where the tool would not quite fit), no place it can reach.
      const long i = near_.Nearest(p);
      if (i < 0) continue;
      const XY foot = NearestOn(c_.contour.segments[static_cast<size_t>(i)], p), away = p - foot;
      if (Norm(away) < 1e-12) continue;
      const XY q = foot + away * (c_.radius / Norm(away));
      if (near_.Distance(q) < c_.radius - 1e-6) continue;
      if (cuts.Distance(q) > within) return uncut(q);
    }
    return {};
  }

  const InterpretedProgram& w_;
  const CutToProve& c_;
  NearPieces near_;
  std::vector<XY> outline_;
  std::vector<Segment> cuts_;
  const double kSlack;
};

}  // namespace

std::string ProveCuts(const InterpretedProgram& written, const std::vector<CutToProve>& cuts) {
  if (!written.ok()) return written.refusal;
  for (const CutToProve& c : cuts) {
    const std::string wrong = Proof(written, c).Run();
    if (!wrong.empty()) return wrong;
  }
  return {};
}

}  // namespace kestrom
