#include "toolpath/part_transform.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "gcode/codes.h"
#include "gcode/lines.h"
#include "teach/interpreted_program.h"
#include "toolpath/program_measures.h"

namespace kestrom {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kFarthest = 1e6;  // millimetres: no machine's table reaches beyond a kilometre

CopiedProgram Refused(std::string why) { return {std::nullopt, std::move(why)}; }

std::string Plain(double value) { return gcode::WriteExact(value, {0, false, '.'}); }

// cos and sin of whole quarter turns exactly: a turn by 90° leaves 10 at 10, not 10.000000000000002.
void CosSin(double degrees, double& c, double& s) {
  const double quarters = degrees / 90;
  if (quarters == std::round(quarters)) {
    const long q = static_cast<long>(std::fmod(std::fmod(quarters, 4) + 4, 4));
    static const double kCos[] = {1, 0, -1, 0}, kSin[] = {0, 1, 0, -1};
    c = kCos[q];
    s = kSin[q];
    return;
  }
  c = std::cos(degrees * kPi / 180);
  s = std::sin(degrees * kPi / 180);
}

// Why the line keeps the program from turning with its part, named; empty when it does not.
std::string TurnRefusal(const ProgramLine& line, bool turns) {
  const gcode::Block& b = line.block;
  for (const gcode::Word& w : b.words) {
    if (w.letter != 'G') continue;
    const auto code = gcode::FindCode('G', w.value);
    if (!code) continue;
    if (code->op == gcode::Op::ShiftOffsets || code->op == gcode::Op::ShiftRestore)
      return LineRefusal(b.number, "G92 sıfırı makinenin durduğu yerden kuruyor; program parçayla döndürülemez",
                         "G92 sets the origin from where the machine stands; the program cannot turn with the part");
    if (code->op == gcode::Op::SetOffsets ||
        (code->op == gcode::Op::WorkOffset && line.after.workOffset != line.before.workOffset))
      return LineRefusal(b.number, "iş sıfırını değiştiriyor; parçanın çerçevesi onunla dönmezdi",
                         "it changes the work offset; the part's frame would not turn with it");
  }
  if (turns)
    for (const gcode::Move& m : b.moves)
      if (m.kind == gcode::MoveKind::Arc && m.plane != gcode::Plane::XY)
        return LineRefusal(b.number, "G18/G19 düzleminde bir yay; Z çevresinde döndürmek onu düzleminden çıkarırdı",
                           "an arc in the G18/G19 plane; turning it about Z would take it out of its plane");
  return "";
}

bool Beyond(const gcode::Point& p) { return std::fabs(p[0]) > kFarthest || std::fabs(p[1]) > kFarthest; }

// A G52 line with its X and Y set to (x, y) in the line's units: the words it
// has changed in their own style, the ones it left out added after its last word.
std::string G52At(std::string_view text, const std::vector<gcode::Word>& words, double x, double y,
                  const gcode::NumberStyle& style) {
  std::string out;
  size_t copied = 0, last = 0;
  bool named[2] = {};
  for (const gcode::Word& w : words) {
    last = w.numberEnd;
    if (w.letter != 'X' && w.letter != 'Y') continue;
    const int a = w.letter - 'X';
    named[a] = true;
    out.append(text.substr(copied, w.numberStart - copied));
    out += gcode::WriteExact(a ? y : x, gcode::StyleOf(w.NumberIn(text)));
    copied = w.numberEnd;
  }
  std::string added;
  for (int a = 0; a < 2; ++a)
    if (!named[a]) added += std::string(" ") + (a ? 'Y' : 'X') + gcode::WriteExact(a ? y : x, style);
  if (last >= copied) {
    out.append(text.substr(copied, last - copied));
    copied = last;
  }
  out += added;
  out.append(text.substr(copied));
  return out;
}

// What the transform needs before its first line: the millimetres in one of
// the program's units (its first move's) and the style of its first axis number.
struct ProgramStart {
  double unit = 1;
  gcode::NumberStyle style;
};
ProgramStart StartOf(const std::string& program) {
  ProgramStart start;
  gcode::Interpreter in;
  gcode::Block b;
  bool moved = false, styled = false;
  gcode::ForEachLine(program, [&](std::string_view text, size_t, size_t) {
    if (!in.Read(text, b)) return false;  // the pass itself names the line
    if (!moved && !b.moves.empty()) {
      moved = true;
      start.unit = gcode::MillimetresPerUnit(in.state());
    }
    for (const gcode::Word& w : b.words)
      if (!styled && gcode::AxisOf(w.letter) >= 0) {
        styled = true;
        start.style = gcode::StyleOf(w.NumberIn(text));
      }
    return !(moved && styled);
  });
  return start;
}

bool SetsLocal(const gcode::Block& b) {
  return std::any_of(b.words.begin(), b.words.end(), [](const gcode::Word& w) {
    const auto code = w.letter == 'G' ? gcode::FindCode('G', w.value) : std::nullopt;
    return code && code->op == gcode::Op::LocalOffset;
  });
}

// The program with every place of the part put by `placeFor(unit)` (millimetres),
// line by line: one line's reading kept at a time, so a million lines cost no
// more memory than their text.
template <class PlaceFor>
CopiedProgram PlaceProgram(const std::string& program, PlaceFor&& placeFor, std::string message) {
  const ProgramStart start = StartOf(program);
  const Placement place = placeFor(start.unit);
  // Inside a G52 the offset turns with the part (it is a place of the part
  // too), and the moves there turn about it: only the rotation is left.
  Placement turned = place;
  turned.shift[0] = turned.shift[1] = 0;
  ProgramWriter writer(start.style);
  writer.text().reserve(program.size() + program.size() / 2);
  InterpretedProgram one;
  one.text = program;
  one.lines.resize(1);
  ProgramLine& line = one.lines[0];
  gcode::Interpreter in;
  std::string refusal;
  gcode::ForEachLine(program, [&](std::string_view text, size_t from, size_t) {
    line.start = from;
    line.end = from + text.size();
    line.before = in.state();
    line.from = in.position();
    line.local = in.LocalOffset();
    if (!in.Read(text, line.block)) return refusal = UnreadableMessage(line.block), false;
    if (line.block.call) {
      refusal = LineRefusal(line.block.number, "bir alt program çağırıyor (M98); alt programlı programlar değiştirilmez",
                            "it calls a subprogram (M98); programs with subprograms are not changed");
      return false;
    }
    line.after = in.state();
    if (refusal = TurnRefusal(line, place.Turns()); !refusal.empty()) return false;
    const bool local = line.local[0] != 0 || line.local[1] != 0;
    const Placement& here = local ? turned : place;
    for (const gcode::Move& m : line.block.moves)
      if (Beyond(here.Apply(m.to)) || (m.kind == gcode::MoveKind::Arc && Beyond(here.Apply(m.centre)))) {
        refusal = LineRefusal(line.block.number, "sonuç sayıların sınırını aşardı",
                              "the result would be beyond the numbers' range");
        return false;
      }
    const gcode::Point& next = in.LocalOffset();
    if (SetsLocal(line.block) && (next[0] != 0 || next[1] != 0)) {
      const gcode::Point at = place.Apply(next);
      const double unit = gcode::MillimetresPerUnit(line.after);
      if (!writer.PutOwn(G52At(text, line.block.words, at[0] / unit, at[1] / unit, start.style)))
        return refusal = writer.refusal(), false;
      return true;
    }
    if (!writer.Put(one, 0, here)) return refusal = writer.refusal(), false;
    return true;
  });
  if (!refusal.empty()) return Refused(refusal);
  return {std::move(writer.text()), std::move(message)};
}

// A turn about the origin, counterclockwise.
Placement TurnedBy(double degrees) {
  double c = 0, s = 0;
  CosSin(degrees, c, s);
  Placement p;
  p.xx = c, p.xy = -s, p.yx = s, p.yy = c;
  return p;
}

}  // namespace

CopiedProgram RotateProgram(const std::string& program, double degrees, double x, double y) {
  auto place = [&](double unit) {
    Placement p = TurnedBy(degrees);
    const double px = x * unit, py = y * unit;
    p.shift = {px - (p.xx * px + p.xy * py), py - (p.yx * px + p.yy * py), 0, 0, 0, 0};
    return p;
  };
  const std::string a = Plain(degrees), at = "X " + Plain(x) + ", Y " + Plain(y);
  return PlaceProgram(program, place,
                      "Program döndürüldü: " + a + "°, " + at + " çevresinde (the program turned by " + a + "° about " +
                          at + ").");
}

CopiedProgram MirrorProgram(const std::string& program, bool acrossX, double at) {
  auto place = [&](double unit) {
    Placement p;
    if (acrossX) p.xx = -1, p.shift[0] = 2 * at * unit;
    else p.yy = -1, p.shift[1] = 2 * at * unit;
    return p;
  };
  const std::string line = std::string(acrossX ? "X" : "Y") + " = " + Plain(at);
  return PlaceProgram(program, place,
                      "Program aynalandı: " + line + " çizgisine göre; her yay ters yönde döner, G41 ile G42 yer "
                      "değiştirdi, kesme yönü (tırmanma ya da geleneksel) de tersine döndü (the program mirrored about " +
                          line + "; every arc turns the other way and G41 and G42 swapped: the cut's direction, climb "
                                 "or conventional, is reversed too).");
}

CopiedProgram AlignProgram(const std::string& program, double degrees, double x, double y) {
  auto place = [&](double unit) {
    Placement p = TurnedBy(degrees);
    p.shift = {x * unit, y * unit, 0, 0, 0, 0};
    return p;
  };
  const std::string a = Plain(degrees), at = "X " + Plain(x) + ", Y " + Plain(y);
  return PlaceProgram(program, place,
                      "Program parçaya hizalandı: köşe " + at + ", kenar " + a + "° (the program aligned to the part: "
                      "its corner at " + at + ", its edge at " + a + "°).");
}

EdgeAngle EdgeAngleOf(double cornerX, double cornerY, double alongX, double alongY, bool inches) {
  const double dx = alongX - cornerX, dy = alongY - cornerY;
  const double least = inches ? 0.2 : 5;
  if (std::hypot(dx, dy) < least)
    return {std::nullopt, std::string("İki nokta ") + (inches ? "0.2 inç" : "5 mm") +
                              "'den yakın: kenarın açısı okunmaya değmez; hiçbir şey değişmedi (the two points are "
                              "closer than " + (inches ? "0.2 inch" : "5 mm") +
                              ": the edge's angle would not be worth reading; nothing changed)."};
  return {std::atan2(dy, dx) * 180 / kPi, ""};
}

}  // namespace kestrom
