#include "toolpath/restart.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <vector>

#include "gcode/codes.h"
#include "gcode/lines.h"
#include "gcode/numbers.h"
#include "teach/hole_lines.h"
#include "teach/interpreted_program.h"
#include "toolpath/program_measures.h"

namespace kestrom {
namespace {

constexpr double kSame = 1e-4;           // millimetres: one place, as the numbers written keep six places
constexpr double kOnPathMm = 0.05;       // a readout this near a line's path stands on it
constexpr double kOnPathInch = 0.002;
constexpr double kLevel = 1e-6;

std::string Plain(double value) { return gcode::WriteExact(value, {0, false, '.'}); }
std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

// The walk up to the line, with what a restart there must bring back.
struct Walked {
  LineState state;
  gcode::Interpreter before;  // as it stood at the line's start
  // The program's own words for the modes it set (as it wrote them last).
  std::string units, plane, arcMode, feedMode, workOffset;
  std::map<int, bool> offsetsSet;  // the work offsets G10 L2 set (1 to 6)
  bool shifted = false;            // a G92 is in force (even one that shifts nothing here)
  // The height fixed on the machine the tool stands at (machine coordinates,
  // millimetres), when the last move to change Z went to one (G53, G28, G30):
  // a CAM post's G53 Z0 before the tool's length offset, whose height in the
  // part's coordinates Kestrom cannot know.
  std::optional<double> machineZ;
};

// Whether a line from `line` on drills before the drilling run in force there ends.
bool DrillsInRun(const std::string& program, size_t line, gcode::Interpreter in) {
  const gcode::Modal run = in.state();
  size_t index = 0;
  bool drills = false;
  gcode::Block b;
  gcode::ForEachLine(program, [&](std::string_view text, size_t, size_t) {
    if (index++ < line) return true;
    if (!in.Read(text, b)) return false;
    for (const gcode::Move& m : b.moves) drills |= m.cycle;
    return !drills && in.state().motion == gcode::Motion::Cycle && in.state().cycle == run.cycle &&
           b.stop != gcode::Stop::M2 && b.stop != gcode::Stop::M30;
  });
  return drills;
}

// Why reading a line stops a restart: it cannot be read, or it calls a
// subprogram; nothing when neither.
std::string ReadRefusal(gcode::Interpreter& in, std::string_view text, gcode::Block& b) {
  if (!in.Read(text, b)) return UnreadableMessage(b);
  if (b.call)
    return LineRefusal(b.number, "bir alt program çağırıyor (M98); alt programlı programlar yeniden başlatılamaz",
                       "it calls a subprogram (M98); programs with subprograms cannot be restarted");
  return {};
}

Walked Walk(const std::string& program, size_t line) {
  Walked w;
  LineState& st = w.state;
  st.line = line;
  gcode::ForEachLine(program, [&](std::string_view, size_t, size_t) {
    ++st.lines;
    return true;
  });
  st.number = static_cast<int>(line) + 1;
  if (line >= st.lines) {
    st.refusal = LineRefusal(st.number, "programda böyle bir satır yok", "the program has no such line");
    return w;
  }
  gcode::Interpreter in;
  gcode::Block b;
  size_t index = 0;
  gcode::ForEachLine(program, [&](std::string_view text, size_t, size_t) {
    if (index == line) {
      st.text = std::string(text);
      w.before = in;
      st.modal = in.state();
      st.at = in.position();
      return false;
    }
    ++index;
    st.refusal = ReadRefusal(in, text, b);
    if (!st.ok()) return false;
    for (const gcode::Word& word : b.words) {
      if (word.letter != 'G') continue;
      const auto code = gcode::FindCode('G', word.value);
      if (!code) continue;
      const std::string written = Upper(word.TextIn(text));
      if (code->group == gcode::Group::Units) w.units = written;
      if (code->group == gcode::Group::Plane) w.plane = written;
      if (code->group == gcode::Group::ArcDistance) w.arcMode = written;
      if (code->group == gcode::Group::FeedMode) w.feedMode = written;
      if (code->group == gcode::Group::WorkOffset) w.workOffset = written;
      if (code->op == gcode::Op::ShiftOffsets || code->op == gcode::Op::ShiftRestore) w.shifted = true;
      if (code->op == gcode::Op::ShiftClear || code->op == gcode::Op::ShiftSuspend) w.shifted = false;
      if (code->op == gcode::Op::SetOffsets) {
        for (const gcode::Word& p : b.words)
          if (p.letter == 'P') w.offsetsSet[p.value == 0 ? in.state().workOffset : static_cast<int>(p.value)] = true;
      }
    }
    if (b.toolChange) st.toolChanged = true;
    if (b.Names('S')) st.speedSet = true;
    const gcode::Modal& now = in.state();
    if (!now.lengthOffset) st.lengthH.reset();
    else if (b.Names('H'))
      for (const gcode::Word& word : b.words)
        if (word.letter == 'H') st.lengthH = word.value;
    for (const gcode::Move& m : b.moves) {
      if (m.kind == gcode::MoveKind::Dwell) continue;
      if (!ZOnMachineAfter(m, w.machineZ.has_value())) w.machineZ.reset();
      else if (m.machineFrame && m.Fixed(2)) w.machineZ = m.to[2] + m.origin[2];
      const double z = (m.unknownFrom & 4) ? m.to[2] : std::max(m.from[2], m.to[2]);
      st.highestZ = st.highestZ ? std::max(*st.highestZ, z) : z;
    }
    if (b.stop == gcode::Stop::M2 || b.stop == gcode::Stop::M30 || b.returns) {
      st.refusal = LineRefusal(st.number, "program satır " + std::to_string(b.number) + "'de bitiyor; bu satır hiç çalışmaz",
                               "the program ends on line " + std::to_string(b.number) + "; this line never runs");
      return false;
    }
    return true;
  });
  if (!st.ok()) return w;
  // The line itself must read where it stands.
  gcode::Interpreter trial = w.before;
  st.refusal = ReadRefusal(trial, st.text, b);
  if (!st.ok()) return w;
  if (st.modal.compensation != gcode::Compensation::Off)
    st.refusal = LineRefusal(st.number, "takım telafisi (G41/G42) açık; telafinin ilk hareketi bu satırdan önceydi",
                             "cutter compensation (G41/G42) is in force; its entry move came before this line");
  else if (w.shifted || w.before.Shifted())
    st.refusal = LineRefusal(st.number, "bir G92 kaydırması geçerli; o, makinenin o an durduğu yere bağlı",
                             "a G92 shift is in force; it hangs on where the machine stood when it was set");
  else if (st.modal.motion == gcode::Motion::Cycle && st.modal.incremental && DrillsInRun(program, line, w.before))
    st.refusal = LineRefusal(st.number, "G91 altında bir delme dizisinin içinde; yükseklikleri dizinin başladığı yere bağlı; "
                                        "dizinin ilk deliğinden yeniden başlatın",
                             "it is inside a run of holes under G91, whose heights hang on where the run began; "
                             "restart at the run's first hole");
  return w;
}

// The one move of a line that a restart may begin part way along.
std::optional<gcode::Move> SingleMove(const gcode::Interpreter& before, const std::string& text) {
  gcode::Interpreter trial = before;
  gcode::Block b;
  if (!trial.Read(text, b) || b.moves.size() != 1 || b.fixedPlace) return std::nullopt;
  const gcode::Move& m = b.moves[0];
  if (m.cycle || m.kind == gcode::MoveKind::Dwell) return std::nullopt;
  return m;
}

// The point of the move nearest `p` (millimetres), as the fraction along it, and how near.
std::pair<double, double> Nearest(const gcode::Move& m, const gcode::Point& p) {
  double bestT = 0, best = 1e300;
  auto at = [&](double t) {
    if (m.kind != gcode::MoveKind::Arc) {
      gcode::Point q{};
      for (int a = 0; a < 3; ++a) q[a] = m.from[a] + (m.to[a] - m.from[a]) * t;
      return q;
    }
    return gcode::PointOnArc(m.from, m.to, m.centre, m.plane,
                             gcode::ShapeOf(m.from, m.to, m.centre, m.plane, m.clockwise, m.turns), t);
  };
  auto distance = [&](double t) {
    const gcode::Point q = at(t);
    return std::sqrt((q[0] - p[0]) * (q[0] - p[0]) + (q[1] - p[1]) * (q[1] - p[1]) + (q[2] - p[2]) * (q[2] - p[2]));
  };
  // Sampled, then narrowed: a move's distance has one valley near its nearest point.
  constexpr int kSamples = 400;
  for (int k = 0; k <= kSamples; ++k) {
    const double t = static_cast<double>(k) / kSamples, d = distance(t);
    if (d < best) best = d, bestT = t;
  }
  double lo = std::max(0.0, bestT - 1.0 / kSamples), hi = std::min(1.0, bestT + 1.0 / kSamples);
  for (int k = 0; k < 60; ++k) {
    const double a = lo + (hi - lo) / 3, b = hi - (hi - lo) / 3;
    if (distance(a) < distance(b)) hi = b;
    else lo = a;
  }
  bestT = (lo + hi) / 2;
  return {bestT, distance(bestT)};
}

gcode::Point ToMm(const gcode::Point& p, double unit) {
  gcode::Point q = p;
  for (int a = 0; a < 3; ++a) q[a] *= unit;
  return q;
}

// Line `text` begun at `from` (millimetres, on its one move `m`) instead of
// its start: increments, an arc's centre and R's sign taken from there.
std::string FromPoint(const std::string& text, const gcode::Move& m, const gcode::Modal& st, const gcode::Point& from) {
  const std::vector<gcode::Word> words = gcode::WordsOf(text);
  const double unit = gcode::MillimetresPerUnit(st);
  std::map<char, std::string> numbers;
  auto styleOf = [&](char letter) {
    for (const gcode::Word& w : words)
      if (w.letter == letter) return gcode::StyleOf(w.NumberIn(text));
    return gcode::NumberStyle{};
  };
  for (const gcode::Word& w : words) {
    const int a = gcode::AxisOf(w.letter);
    if (a < 0 || !st.incremental) continue;
    const double scale = a < 3 ? unit : 1;
    numbers[w.letter] = gcode::WriteExact((m.to[a] - from[a]) / scale, styleOf(w.letter));
  }
  if (m.kind == gcode::MoveKind::Arc) {
    const auto [u, v] = gcode::PlaneAxes(m.plane);
    bool hasR = false;
    for (const gcode::Word& w : words) hasR |= w.letter == 'R';
    if (hasR) {
      gcode::Point start = from;
      const double sweep = gcode::ShapeOf(start, m.to, m.centre, m.plane, m.clockwise).sweep;
      const double r = gcode::PlaneRadius(start, m.centre, m.plane) / unit;
      numbers['R'] = gcode::WriteExact(std::fabs(sweep) > 3.14159265358979323846 ? -r : r, styleOf('R'));
    } else if (st.arcIncremental) {
      for (const int a : {u, v}) {
        const char letter = static_cast<char>('I' + a);
        numbers[letter] = gcode::WriteExact((m.centre[a] - from[a]) / unit, styleOf(letter));
      }
    }
  }
  return numbers.empty() ? text : WithWords(text, words, numbers);
}

std::string MotionCode(const gcode::Modal& st) {
  switch (st.motion) {
    case gcode::Motion::Rapid: return "G0";
    case gcode::Motion::Line: return "G1";
    case gcode::Motion::ArcCw: return "G2";
    case gcode::Motion::ArcCcw: return "G3";
    case gcode::Motion::Probe: return "G31";
    default: return "";
  }
}

bool SameMoves(const gcode::Block& restart, const gcode::Block& original, bool fromPoint) {
  if (restart.moves.size() != original.moves.size()) return false;
  auto near = [](const gcode::Point& a, const gcode::Point& oa, const gcode::Point& b, const gcode::Point& ob) {
    for (int i = 0; i < gcode::kAxes; ++i)
      if (std::fabs((a[i] + oa[i]) - (b[i] + ob[i])) > kSame) return false;
    return true;
  };
  for (size_t i = 0; i < restart.moves.size(); ++i) {
    const gcode::Move& r = restart.moves[i];
    const gcode::Move& o = original.moves[i];
    if (r.kind != o.kind || r.cycle != o.cycle || !near(r.to, r.origin, o.to, o.origin)) return false;
    // From where the machine happened to stand, in both: no place to compare.
    if (!fromPoint && !r.unknownFrom && !o.unknownFrom && !near(r.from, r.origin, o.from, o.origin)) return false;
    if (r.kind == gcode::MoveKind::Arc && (r.clockwise != o.clockwise || r.plane != o.plane || r.turns != o.turns ||
                                           !near(r.centre, r.origin, o.centre, o.origin)))
      return false;
    if (r.kind == gcode::MoveKind::Dwell && std::fabs(r.seconds - o.seconds) > 1e-9) return false;
  }
  return true;
}

}  // namespace

LineState StateAtLine(const std::string& program, size_t line) { return Walk(program, line).state; }

std::string Describe(const LineState& s) {
  const gcode::Modal& m = s.modal;
  std::string tr, en;
  const std::string tool = std::to_string(m.tool);
  tr += "Takım T" + tool + (s.toolChanged ? "" : " (program takım değiştirmedi)");
  en += "tool T" + tool + (s.toolChanged ? "" : " (the program changed no tool)");
  const std::string speed = Plain(m.speed);
  if (m.spindle == gcode::Spindle::Off) {
    tr += ", iş mili kapalı";
    en += ", spindle off";
  } else {
    const bool cw = m.spindle == gcode::Spindle::Cw;
    tr += ", iş mili " + (s.speedSet ? "S" + speed + " " : "") + (cw ? "saat yönünde (M3)" : "saat yönü tersine (M4)") +
          (s.speedSet ? "" : ", Mach3'ün hızıyla");
    en += ", spindle " + (s.speedSet ? "S" + speed + " " : "") + (cw ? "clockwise (M3)" : "counter-clockwise (M4)") +
          (s.speedSet ? "" : " at Mach3's own speed");
  }
  const std::string coolant = m.mist && m.flood ? "M7 M8" : m.mist ? "M7" : m.flood ? "M8" : "";
  tr += coolant.empty() ? ", soğutma kapalı" : ", soğutma " + coolant;
  en += coolant.empty() ? ", coolant off" : ", coolant " + coolant;
  tr += m.inches ? ", inç" : ", mm";
  en += m.inches ? ", inch" : ", mm";
  const std::string offset = "G5" + std::to_string(3 + m.workOffset);
  const std::string length = m.lengthOffset ? (s.lengthH ? "G43 H" + Plain(*s.lengthH) : "G43") : "G49";
  tr += ", " + offset + ", " + length;
  en += ", " + offset + ", " + length;
  return tr + " (" + en + ")";
}

bool OnLinePath(const std::string& program, size_t line, const gcode::Point& readout) {
  const Walked w = Walk(program, line);
  if (!w.state.ok()) return false;
  const auto move = SingleMove(w.before, w.state.text);
  if (!move) return false;
  const double unit = gcode::MillimetresPerUnit(w.state.modal);
  return Nearest(*move, ToMm(readout, unit)).second <= (w.state.modal.inches ? kOnPathInch * 25.4 : kOnPathMm);
}

Restart RestartProgram(const std::string& program, const RestartRequest& r) {
  auto refused = [](std::string why) { return Restart{std::nullopt, std::move(why)}; };
  Walked w = Walk(program, r.line);
  const LineState& st = w.state;
  if (!st.ok()) return refused(st.refusal);
  const gcode::Modal& m = st.modal;
  const double unit = gcode::MillimetresPerUnit(m);
  const double safeZ = r.safeZ * unit;
  if (st.highestZ && safeZ < *st.highestZ - kLevel) return refused(SafeZBelow(r.safeZ, *st.highestZ / unit));
  if (!(r.plungeFeed > 0))
    return refused("Dalış ilerlemesi 0'dan büyük olmalı; hiçbir şey yazılmadı (the plunge feed must be more than 0; "
                   "nothing was written).");
  // Where the restart begins: the line's start, or the point of its path where the machine stands.
  gcode::Point start = st.at;
  std::string first = st.text;
  std::optional<gcode::Move> along;
  if (r.from) {
    along = SingleMove(w.before, st.text);
    const auto [t, off] = along ? Nearest(*along, ToMm(*r.from, unit)) : std::pair<double, double>{0, 1e300};
    if (!along || off > (m.inches ? kOnPathInch * 25.4 : kOnPathMm))
      return refused(LineRefusal(st.number, "makine bu satırın yolunda durmuyor", "the machine does not stand on this line's path"));
    if (along->kind == gcode::MoveKind::Arc)
      start = gcode::PointOnArc(along->from, along->to, along->centre, along->plane,
                                gcode::ShapeOf(along->from, along->to, along->centre, along->plane, along->clockwise,
                                               along->turns),
                                t);
    else
      for (int a = 0; a < gcode::kAxes; ++a) start[a] = along->from[a] + (along->to[a] - along->from[a]) * t;
    gcode::Modal modes;  // the modes the line's own numbers are read in
    if (!w.before.ModesAfter(st.text, modes)) modes = m;
    first = FromPoint(st.text, *along, modes, start);
  }

  // The modes first, in the program's own words; then up, the tool, the spindle, the coolant, across and down.
  gcode::NumberStyle style{4, false, '.'};
  for (const gcode::Word& word : gcode::WordsOf(st.text))
    if (gcode::AxisOf(word.letter) >= 0) style = gcode::StyleOf(word.NumberIn(st.text));
  ProgramWriter writer(style);
  std::vector<std::string> head;
  // The comment is ASCII: it is written in the PC's code page, whatever that is.
  std::string name;
  for (size_t i = 0; i < r.original.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(r.original[i]);
    if (c == '(' || c == ')') continue;
    if (c < 0x80) name += static_cast<char>(c);
    else if ((c & 0xC0) != 0x80) name += '?';  // one for each character, not each byte
  }
  head.push_back("(Kestrom: " + (name.empty() ? std::string("program") : name) + ", restart at line " +
                 std::to_string(st.number) + " of " + std::to_string(st.lines) + ")");
  std::string modes = !w.units.empty() ? w.units : m.inches ? "G20" : "G21";
  modes += " " + (!w.plane.empty() ? w.plane : m.plane == gcode::Plane::XY ? "G17" : m.plane == gcode::Plane::XZ ? "G18" : "G19");
  modes += " G90";
  if (!w.arcMode.empty()) modes += " " + w.arcMode;
  if (!w.feedMode.empty()) modes += " " + w.feedMode;
  modes += " G40 G80";
  head.push_back(modes);
  for (const auto& [index, set] : w.offsetsSet) {
    if (!set || index < 1 || index > 6) continue;
    const gcode::Point& o = w.before.WorkOffset(index);
    std::string g10 = "G10 L2 P" + std::to_string(index);
    for (int a = 0; a < gcode::kAxes; ++a)
      if (a < 3 || o[a] != 0) g10 += std::string(" ") + gcode::kAxisLetters[a] + Plain(o[a] / (a < 3 ? unit : 1));
    head.push_back(g10);
  }
  if (!w.workOffset.empty()) head.push_back(w.workOffset);
  const gcode::Point& local = w.before.LocalOffset();
  if (local[0] != 0 || local[1] != 0 || local[2] != 0) {
    std::string g52 = "G52";
    for (int a = 0; a < 3; ++a) g52 += std::string(" ") + gcode::kAxisLetters[a] + Plain(local[a] / unit);
    head.push_back(g52);
  }
  const std::string length = m.lengthOffset ? (st.lengthH ? "G43 H" + Plain(*st.lengthH) : "G43") : "G49";
  head.push_back(length);
  for (const std::string& line : head)
    if (!writer.PutOwn(line)) return refused(writer.refusal());
  // Straight up from wherever the machine stands: to safe Z, or to the place on
  // the machine where the program stood, as the program itself went there.
  const std::string up = w.machineZ ? "G53 G00 Z" + gcode::WriteExact(*w.machineZ / unit, style)
                                    : "G00 Z" + gcode::WriteExact(r.safeZ, style);
  // Before the program's first Z it stood wherever the machine was: no move.
  if (!(w.before.unknown() & 4) && !writer.PutOwn(up)) return refused(writer.refusal());
  if (r.toolChange && m.tool > 0 &&
      (!writer.PutOwn("T" + std::to_string(m.tool) + " M6") || (m.lengthOffset && !writer.PutOwn(length))))
    return refused(writer.refusal());
  if (m.spindle != gcode::Spindle::Off) {
    // A program that never named a speed runs at the one set in Mach3: S0 would stop the spindle.
    const std::string on = m.spindle == gcode::Spindle::Cw ? "M3" : "M4";
    if (!writer.PutOwn(st.speedSet ? "S" + Plain(m.speed) + " " + on : on)) return refused(writer.refusal());
    if (r.spindleWait > 0 && !writer.PutOwn("G4 P" + Plain(r.spindleWait))) return refused(writer.refusal());
  } else if (st.speedSet && !writer.PutOwn("S" + Plain(m.speed))) {  // for a later M3 without its S
    return refused(writer.refusal());
  }
  if ((m.mist || m.flood) && !writer.PutOwn(m.mist && m.flood ? "M7 M8" : m.mist ? "M7" : "M8"))
    return refused(writer.refusal());
  // Across only where the program knows where it stood in X and Y: before its
  // first moves there it stood wherever the machine was, and the restart
  // leaves it there. Then down to the line's Z, as the program came to it.
  const unsigned char unknown = w.before.unknown();
  gcode::Point across = start;
  across[2] = w.machineZ ? writer.written().position()[2] : safeZ;
  // Still at no height of the program's own: across where the machine stands, as the program went.
  const std::string acrossOnly = "G00 X" + gcode::WriteExact(start[0] / unit, style) + " Y" +
                                 gcode::WriteExact(start[1] / unit, style);
  if (!(unknown & 3) && !((unknown & 4) ? writer.PutOwn(acrossOnly)
                                        : writer.PutMove("G00", across, "", nullptr, st.number)))
    return refused(writer.refusal());
  const std::string plunge = "F" + gcode::WriteExact(r.plungeFeed, {0, false, '.'});
  if (!w.machineZ && !(unknown & 4) &&
      !((unknown & 3) ? writer.PutOwn("G01 Z" + gcode::WriteExact(start[2] / unit, style) + " " + plunge)
                      : writer.PutMove("G01", start, plunge, nullptr, st.number)))
    return refused(writer.refusal());
  // The modes the line relies on that differ from the approach's.
  std::string relies;
  const gcode::Motion left = writer.written().state().motion;  // what the approach leaves in force
  if (m.motion == gcode::Motion::None && left != gcode::Motion::None) relies += "G80";
  if (m.incremental) relies += relies.empty() ? "G91" : " G91";
  if (m.feed > 0 && m.feed != writer.written().state().feed && m.feedMode == gcode::FeedMode::PerMinute)
    relies += (relies.empty() ? "F" : " F") + Plain(m.feed);
  if (!relies.empty() && !writer.PutOwn(relies)) return refused(writer.refusal());
  const size_t preamble = static_cast<size_t>(std::count(writer.text().begin(), writer.text().end(), '\n')) + 1;

  // The rest of the program from the line, byte for byte; the motion in force
  // (and a drilling cycle's words) written into the first line that moves by it.
  std::string text = writer.text();
  size_t index = 0;
  bool motionGiven = m.motion == left || m.motion == gcode::Motion::None;
  gcode::ForEachLine(program, [&](std::string_view l, size_t, size_t) {
    if (index >= r.line) {
      std::string out = index == r.line ? first : std::string(l);
      if (!motionGiven) {
        const std::vector<gcode::Word> words = gcode::WordsOf(out);
        bool axes = false, namesMotion = false, usesAxes = false;
        for (const gcode::Word& word : words) {
          axes |= gcode::AxisOf(word.letter) >= 0;
          if (word.letter != 'G') continue;
          const auto code = gcode::FindCode('G', word.value);
          if (!code) continue;
          namesMotion |= code->group == gcode::Group::Motion;
          usesAxes |= code->usesAxes;
        }
        if (namesMotion) {
          motionGiven = true;
        } else if (axes && !usesAxes) {
          if (m.motion == gcode::Motion::Cycle) {
            std::map<char, std::string> cycle;
            if (m.cycleZ) cycle['Z'] = Plain(*m.cycleZ);
            if (m.cycleR) cycle['R'] = Plain(*m.cycleR);
            if (m.cycle == 83 || m.cycle == 73) cycle['Q'] = Plain(m.cycleQ);
            if (m.cycleP > 0) cycle['P'] = Plain(m.cycleP);
            std::map<char, std::string> missing;
            for (const auto& [letter, number] : cycle) {
              bool named = false;
              for (const gcode::Word& word : words) named |= word.letter == letter;
              if (!named) missing[letter] = number;
            }
            out = std::string(m.returnToR ? "G99" : "G98") + " G" + std::to_string(m.cycle) + " " +
                  WithWords(out, gcode::WordsOf(out), missing);
          } else {
            out = MotionCode(m) + " " + out;
          }
          motionGiven = true;
        }
      }
      text += "\r\n" + out;
    }
    ++index;
    return true;
  });

  // Proven before it is written: before the line no move goes below safe Z
  // but the last one, down where the line begins; from the line on every
  // move is the original's, in machine coordinates, both read as Mach3 runs them.
  std::vector<std::string_view> rest;
  index = 0;
  gcode::ForEachLine(program, [&](std::string_view l, size_t, size_t) {
    if (index++ >= r.line) rest.push_back(l);
    return true;
  });
  gcode::Interpreter re, original = w.before;
  gcode::Block a, b;
  size_t n = 0;
  std::string wrong;
  bool ended = false, preambleOnMachine = false;
  gcode::ForEachLine(text, [&](std::string_view l, size_t, size_t) {
    const size_t here = n++;
    if (!re.Read(l, a)) {
      wrong = UnreadableMessage(a);
      return false;
    }
    if (here < preamble) {
      for (const gcode::Move& mv : a.moves) {
        const double low = (mv.unknownFrom & 4) ? mv.to[2] : std::min(mv.from[2], mv.to[2]);
        const bool down = std::fabs(mv.to[0] - start[0]) < kSame && std::fabs(mv.to[1] - start[1]) < kSame &&
                          std::fabs(mv.from[0] - mv.to[0]) < kSame && std::fabs(mv.from[1] - mv.to[1]) < kSame;
        // At the program's own height on the machine, or at no height of its own
        // yet (where the machine stands): where the program travels itself.
        const bool onMachine = ZOnMachineAfter(mv, preambleOnMachine) || (a.unknown & 4);
        preambleOnMachine = onMachine;
        if (low < safeZ - kSame && !down && !onMachine)
          wrong = LineRefusal(st.number, "yeniden başlatmanın yaklaşması güvenli Z'nin altına inerdi",
                              "the restart's approach would go below safe Z");
      }
      return wrong.empty();
    }
    if (ended) return false;  // what stands after the program's end runs in neither
    const size_t k = here - preamble;
    if (k >= rest.size() || !original.Read(rest[k], b) || !SameMoves(a, b, k == 0 && r.from.has_value())) {
      wrong = LineRefusal(st.number + static_cast<int>(k), "yeniden başlatmada bu satırın hareketi programdakinden farklı olurdu",
                          "in the restart this line's move would differ from the program's");
      return false;
    }
    ended = b.stop == gcode::Stop::M2 || b.stop == gcode::Stop::M30;
    return true;
  });
  if (!wrong.empty()) return refused(wrong);
  return {std::move(text), {}};
}

}  // namespace kestrom
