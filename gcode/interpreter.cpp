#include "gcode/interpreter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "gcode/codes.h"

namespace kestrom::gcode {
namespace {

constexpr int kGroups = static_cast<int>(Group::Overrides) + 1;
// The letters a line may hold beside G and M.
constexpr const char kValueLetters[] = "ABCDFHIJKLNOPQRSTXYZ";
// A peck's retract above where it reached, and where the next peck starts above the last.
constexpr double kPeckClearance = 0.254;
constexpr int kDeepestTurns = 1000;

// How far an arc's end may lie off its start's circle, as LinuxCNC's
// interpreter allows it: more than both of these is refused (0.02 mm, or
// 0.002 inch, and a thousandth of the radius).
constexpr double kArcAbsoluteToleranceMm = 0.02;
constexpr double kArcAbsoluteToleranceInch = 0.002;
constexpr double kArcRelativeTolerance = 0.001;
// How far half an R arc's chord may pass its radius, from a post's rounding,
// as LinuxCNC allows it (0.00005 inch, in either unit): the arc is then the
// half circle around the chord's middle.
constexpr double kRadiusShortMm = 0.00005 * 25.4;
constexpr double kTiny = 1e-12;


std::string CodeText(const Code& code) {
  std::string text(1, code.letter);
  text += std::to_string(code.tenths / 10);
  if (code.tenths % 10) text += "." + std::to_string(code.tenths % 10);
  return text;
}

bool IsWhole(double v) { return std::fabs(v - std::round(v)) < 1e-9; }
// A number that names something (an O number, a tool, repeats): whole, and
// within what Mach3 takes, so that it fits an int.
constexpr double kLargestName = 99999;
bool IsName(double v, double lowest = 0) { return IsWhole(v) && v >= lowest && v <= kLargestName; }

}  // namespace

std::vector<Point> HolesOf(const Block& block) {
  std::vector<Point> holes;
  bool open = false;  // the hole being drilled has a bottom already
  for (const Move& m : block.moves) {
    if (!m.cycle) continue;
    // A move across goes to the next hole.
    if (m.kind != MoveKind::Dwell && (m.to[0] != m.from[0] || m.to[1] != m.from[1])) open = false;
    if (m.kind != MoveKind::Feed) continue;
    if (!open) holes.push_back(m.to);
    else if (m.to[2] < holes.back()[2]) holes.back() = m.to;
    open = true;
  }
  return holes;
}

std::string Block::Problem() const {
  return "line " + std::to_string(number) + ": " + bad + " (" + why + ")";
}

Point Interpreter::origin() const {
  Point o;
  const Point& table = offsets_[static_cast<size_t>(state_.workOffset - 1)];
  for (int a = 0; a < kAxes; ++a) o[a] = table[a] + local_[a] + shift_[a];
  return o;
}

Point Interpreter::position() const {
  const Point o = origin();
  Point p;
  for (int a = 0; a < kAxes; ++a) p[a] = machine_[a] - o[a];
  return p;
}

void Interpreter::SetWorkOffset(int index, const Point& offset) {
  if (index >= 1 && index <= 6) offsets_[static_cast<size_t>(index - 1)] = offset;
}

// One line's execution, on copies of what the interpreter keeps, so that a
// line refused half way changes nothing.
struct Execution {
  Interpreter& in;
  Block& b;
  Modal next;
  Point machine;
  std::array<Point, 6> offsets;
  Point local, shift, shiftSaved, home28, home30;
  unsigned char unknown;  // the axes no word has put anywhere yet

  std::array<std::optional<Code>, kGroups> codes{};
  std::array<const Word*, kGroups> codeWord{};
  std::array<std::optional<double>, 26> value{};
  std::array<const Word*, 26> word{};
  bool mist = false, flood = false;
  bool modesOnly = false;

  Execution(Interpreter& i, Block& block)
      : in(i), b(block), next(i.state_), machine(i.machine_), offsets(i.offsets_), local(i.local_),
        shift(i.shift_), shiftSaved(i.shiftSaved_), home28(i.home28_), home30(i.home30_), unknown(i.unknown_) {}

  bool Fail(const Word* w, std::string why) {
    b.bad = w ? std::string(w->TextIn(line)) : std::string();
    b.why = std::move(why);
    return false;
  }
  std::string_view line;

  std::optional<double> Value(char letter) const { return value[static_cast<size_t>(letter - 'A')]; }
  const Word* WordOf(char letter) const { return word[static_cast<size_t>(letter - 'A')]; }
  const Word* CodeWord(Group g) const { return codeWord[static_cast<size_t>(g)]; }
  const std::optional<Code>& CodeIn(Group g) const { return codes[static_cast<size_t>(g)]; }
  double Scale(int axis) const { return axis < 3 ? MillimetresPerUnit(next) : 1.0; }

  Point Origin() const {
    Point o;
    const Point& table = offsets[static_cast<size_t>(next.workOffset - 1)];
    for (int a = 0; a < kAxes; ++a) o[a] = table[a] + local[a] + shift[a];
    return o;
  }
  Point Work() const {
    const Point o = Origin();
    Point p;
    for (int a = 0; a < kAxes; ++a) p[a] = machine[a] - o[a];
    return p;
  }
  // Where the line's axis words lead, in work coordinates.
  Point Target(bool machineFrame) const {
    const Point work = Work(), o = Origin();
    Point t = work;
    for (int a = 0; a < kAxes; ++a) {
      const auto v = Value(kAxisLetters[a]);
      if (!v) continue;
      const double mm = *v * Scale(a);
      t[a] = machineFrame ? mm - o[a] : next.incremental ? work[a] + mm : mm;
    }
    return t;
  }

  // The axes a move to a fixed place fixes: those the line names, or all when it names none.
  unsigned char FixedAxes() const {
    unsigned char mask = 0;
    for (int a = 0; a < kAxes; ++a)
      if (!b.hasAxisWords || Value(kAxisLetters[a])) mask = static_cast<unsigned char>(mask | (1u << a));
    return mask;
  }
  // The axes the line's words put at a place of their own: absolute words (an
  // increment from where the machine happened to stand is no place).
  unsigned char PlacedAxes() const {
    if (next.incremental) return 0;
    unsigned char mask = 0;
    for (int a = 0; a < kAxes; ++a)
      if (Value(kAxisLetters[a])) mask = static_cast<unsigned char>(mask | (1u << a));
    return mask;
  }

  // `places`: the axes whose end the move makes known.
  void Straight(MoveKind kind, const Point& to, bool machineFrame, bool cycle, unsigned char places) {
    Move m;
    m.kind = kind;
    if (machineFrame) m.fixedAxes = FixedAxes();
    m.from = Work();
    m.to = to;
    m.origin = Origin();
    m.machineFrame = machineFrame;
    m.cycle = cycle;
    m.unknownFrom = static_cast<unsigned char>(unknown & places);
    b.moves.push_back(m);
    unknown = static_cast<unsigned char>(unknown & ~places);
    for (int a = 0; a < kAxes; ++a) machine[a] = to[a] + m.origin[a];
  }
  void Dwell(double seconds, bool cycle = false) {
    Move m;
    m.kind = MoveKind::Dwell;
    m.from = m.to = Work();
    m.origin = Origin();
    m.seconds = seconds;
    m.cycle = cycle;
    b.moves.push_back(m);
  }
  // A cycle's move along Z, known where the run's heights are.
  void ZTo(MoveKind kind, double z, bool known) {
    Point to = Work();
    to[2] = z;
    Straight(kind, to, false, true, known ? 4 : 0);
  }

  bool Gather(const std::vector<Word>& words);
  bool Run();
  bool NonModal();
  bool Motion();
  bool Arc(const Point& to);
  bool Cycle();
  bool Home(const Point& home);
};

bool Execution::Gather(const std::vector<Word>& words) {
  for (const Word& w : words) {
    if (w.letter == 'G' || w.letter == 'M') {
      const auto code = FindCode(w.letter, w.value);
      if (!code) {
        const bool g = w.letter == 'G';
        if (g && IsWhole(w.value) && (w.value == 51 || w.value == 50.1)) return Fail(&w, "scaling is not read");
        if (g && IsWhole(w.value) && w.value == 68) return Fail(&w, "coordinate rotation is not read");
        return Fail(&w, "not a code Kestrom reads");
      }
      const size_t g = static_cast<size_t>(code->group);
      if (code->group == Group::Coolant) {
        mist |= code->op == Op::Mist;
        flood |= code->op == Op::Flood;
      }
      // M7 and M8 together turn on both coolants, as RS274 interpreters allow.
      const bool bothCoolants = codes[g] && code->group == Group::Coolant && code->op != Op::CoolantOff &&
                                codes[g]->op != Op::CoolantOff;
      // G80 beside another motion code (the safety line of many posts,
      // "G0 G17 G40 G49 G80 G90"): the cycle ends, the other motion is in force.
      if (codes[g] && code->group == Group::Motion && (code->op == Op::CycleOff) != (codes[g]->op == Op::CycleOff)) {
        if (code->op == Op::CycleOff) continue;
        codes[g] = code;
        codeWord[g] = &w;
        continue;
      }
      if (codes[g] && !bothCoolants)
        return Fail(&w, CodeText(*codes[g]) + " and " + CodeText(*code) + " are of one modal group");
      codes[g] = code;
      codeWord[g] = &w;
      continue;
    }
    if (!std::strchr(kValueLetters, w.letter)) return Fail(&w, "no such word");
    const size_t i = static_cast<size_t>(w.letter - 'A');
    if (value[i]) return Fail(&w, std::string(1, w.letter) + " twice on one line");
    value[i] = w.value;
    word[i] = &w;
    if (AxisOf(w.letter) >= 0) b.hasAxisWords = true;
  }
  return true;
}

bool Execution::Run() {
  const auto& motionCode = CodeIn(Group::Motion);
  const auto& nonModal = CodeIn(Group::NonModal);
  const bool axisUser = nonModal && nonModal->usesAxes;
  if (axisUser && motionCode && b.hasAxisWords)
    return Fail(CodeWord(Group::Motion), CodeText(*nonModal) + " and " + CodeText(*motionCode) +
                                             " both take the line's axis words");
  if (const auto o = Value('O')) {
    if (!IsName(*o)) return Fail(WordOf('O'), "an O number is a whole number up to 99999");
    b.label = static_cast<int>(*o);
  }

  if (const auto& c = CodeIn(Group::FeedMode))
    next.feedMode = c->op == Op::InverseTime ? FeedMode::InverseTime
                    : c->op == Op::PerRevolution ? FeedMode::PerRevolution : FeedMode::PerMinute;
  if (const auto f = Value('F')) {
    if (*f < 0) return Fail(WordOf('F'), "a negative feed");
    next.feed = *f;
  }
  if (const auto s = Value('S')) {
    if (*s < 0) return Fail(WordOf('S'), "a negative spindle speed");
    next.speed = *s;
  }
  if (const auto t = Value('T')) {
    if (!IsName(*t)) return Fail(WordOf('T'), "a tool is a whole number up to 99999");
    next.selectedTool = static_cast<int>(*t);
  }
  if (CodeIn(Group::ToolChange)) {
    next.tool = next.selectedTool;
    b.toolChange = next.tool;
  }
  if (const auto& c = CodeIn(Group::Spindle)) {
    next.spindle = c->op == Op::SpindleCw ? Spindle::Cw : c->op == Op::SpindleCcw ? Spindle::Ccw : Spindle::Off;
    b.spindleChanged = true;
  }
  if (CodeIn(Group::Coolant)) {
    next.mist = mist;
    next.flood = flood;
  }
  if (const auto& c = CodeIn(Group::Overrides)) next.overrides = c->op == Op::OverridesOn;
  if (nonModal && nonModal->op == Op::Dwell && !modesOnly) {
    const auto p = Value('P');
    if (!p || *p < 0) return Fail(CodeWord(Group::NonModal), "a dwell needs P, its seconds");
    Dwell(*p);
  }
  if (const auto& c = CodeIn(Group::Plane))
    next.plane = c->op == Op::PlaneXY ? Plane::XY : c->op == Op::PlaneXZ ? Plane::XZ : Plane::YZ;
  if (const auto& c = CodeIn(Group::Units)) next.inches = c->op == Op::Inches;
  if (const auto& c = CodeIn(Group::CutterCompensation))
    next.compensation = c->op == Op::CompensationLeft    ? Compensation::Left
                        : c->op == Op::CompensationRight ? Compensation::Right : Compensation::Off;
  if (const auto& c = CodeIn(Group::ToolLength)) next.lengthOffset = c->op == Op::LengthOffset;
  if (const auto& c = CodeIn(Group::WorkOffset)) {
    const int offset = (c->tenths - 530) / 10;
    if (offset != next.workOffset) b.changesOrigin = true;
    next.workOffset = offset;
  }
  if (const auto& c = CodeIn(Group::Distance)) next.incremental = c->op == Op::Incremental;
  if (const auto& c = CodeIn(Group::ArcDistance)) next.arcIncremental = c->op == Op::ArcIncremental;
  if (const auto& c = CodeIn(Group::CycleReturn)) next.returnToR = c->op == Op::ReturnToR;
  if (!NonModal()) return false;
  if (!Motion()) return false;

  if (const auto& c = CodeIn(Group::Stopping)) {
    switch (c->op) {
      case Op::Pause: b.stop = Stop::M0; break;
      case Op::OptionalPause: b.stop = Stop::M1; break;
      case Op::End:
      case Op::EndRewind:
        b.stop = c->op == Op::End ? Stop::M2 : Stop::M30;
        next.spindle = Spindle::Off;
        next.mist = next.flood = false;
        break;
      case Op::CallSubprogram: {
        const auto p = Value('P');
        const auto l = Value('L');
        if (!p || !IsName(*p)) return Fail(CodeWord(Group::Stopping), "M98 needs P, the O number it calls");
        if (l && !IsName(*l, 1)) return Fail(WordOf('L'), "repeats are a whole number from 1 to 99999");
        b.call = SubprogramCall{static_cast<int>(*p), l ? static_cast<int>(*l) : 1};
        break;
      }
      case Op::Return: b.returns = true; break;
      default: break;
    }
  }
  return true;
}

bool Execution::NonModal() {
  const auto& c = CodeIn(Group::NonModal);
  if (!c || modesOnly) return true;
  const Word* w = CodeWord(Group::NonModal);
  switch (c->op) {
    case Op::SetOffsets: {
      const auto l = Value('L');
      if (l && *l == 1) return true;  // the tool table: not a place the path depends on
      if (!l || *l != 2) return Fail(w, "G10 is read with L2 (work offsets) or L1 (tool table)");
      const auto p = Value('P');
      if (!p || !IsWhole(*p) || *p < 0 || *p > 6) return Fail(w, "G10 L2 needs P, a work offset from 1 to 6");
      const int index = *p == 0 ? next.workOffset : static_cast<int>(*p);
      for (int a = 0; a < kAxes; ++a)
        if (const auto v = Value(kAxisLetters[a])) offsets[static_cast<size_t>(index - 1)][a] = *v * Scale(a);
      if (index == next.workOffset) b.changesOrigin = true;
      return true;
    }
    case Op::Home: return Home(home28);
    case Op::SecondHome: return Home(home30);
    case Op::HomeSet: {
      // Mach3's G28.1 references the axes it names (every axis without any): they go to machine zero.
      Point to = Work();
      const Point o = Origin();
      for (int a = 0; a < kAxes; ++a)
        if (!b.hasAxisWords || Value(kAxisLetters[a])) to[a] = -o[a];
      b.fixedPlace = true;
      Straight(MoveKind::Rapid, to, true, false, FixedAxes());
      return true;
    }
    case Op::LocalOffset:
      for (int a = 0; a < kAxes; ++a)
        if (const auto v = Value(kAxisLetters[a])) local[a] = *v * Scale(a);
      b.changesOrigin = true;
      return true;
    case Op::ShiftOffsets: {
      if (!b.hasAxisWords) return Fail(w, "G92 needs the axis words it sets");
      const Point& table = offsets[static_cast<size_t>(next.workOffset - 1)];
      for (int a = 0; a < kAxes; ++a)
        if (const auto v = Value(kAxisLetters[a])) shift[a] = machine[a] - table[a] - local[a] - *v * Scale(a);
      b.changesOrigin = true;
      return true;
    }
    case Op::ShiftClear: shift = shiftSaved = Point{}; b.changesOrigin = true; return true;
    case Op::ShiftSuspend: shiftSaved = shift; shift = Point{}; b.changesOrigin = true; return true;
    case Op::ShiftRestore: shift = shiftSaved; b.changesOrigin = true; return true;
    default: return true;  // G4 is made before, G53 with the motion
  }
}

bool Execution::Home(const Point& home) {
  b.fixedPlace = true;
  const Point o = Origin();
  Point to;
  if (b.hasAxisWords) {
    const Point via = Target(false);  // the intermediate point, in the distance mode in force
    if (via != Work()) Straight(MoveKind::Rapid, via, false, false, PlacedAxes());
    to = via;
    for (int a = 0; a < kAxes; ++a)
      if (Value(kAxisLetters[a])) to[a] = home[a] - o[a];
  } else {
    for (int a = 0; a < kAxes; ++a) to[a] = home[a] - o[a];
  }
  Straight(MoveKind::Rapid, to, true, false, FixedAxes());
  return true;
}

bool Execution::Motion() {
  if (const auto& c = CodeIn(Group::Motion)) {
    switch (c->op) {
      case Op::Rapid: next.motion = Motion::Rapid; break;
      case Op::Line: next.motion = Motion::Line; break;
      case Op::ArcCw: next.motion = Motion::ArcCw; break;
      case Op::ArcCcw: next.motion = Motion::ArcCcw; break;
      case Op::Probe: next.motion = Motion::Probe; break;
      case Op::Cycle: next.motion = Motion::Cycle; next.cycle = c->tenths / 10; break;
      default: next.motion = Motion::None; break;  // G80
    }
    if (next.motion != Motion::Cycle) {
      next.cycle = 0;
      next.cycleZ.reset();
      next.cycleR.reset();
      next.cycleQ = next.cycleP = 0;
      next.cycleBase = 0;
    } else if (in.state_.motion != Motion::Cycle || in.state_.cycle != next.cycle) {
      next.cycleBase = Work()[2];  // a run of holes begins here
    }
  }
  const auto& nonModal = CodeIn(Group::NonModal);
  const bool axisUser = nonModal && nonModal->usesAxes;
  const bool machineFrame = nonModal && nonModal->op == Op::MachineCoordinates;
  if (next.motion == Motion::Cycle) {
    if (const auto r = Value('R')) next.cycleR = *r;
    if (const auto z = Value('Z')) next.cycleZ = *z;
    if (const auto q = Value('Q')) next.cycleQ = *q;
    if (const auto p = Value('P')) next.cycleP = *p;
  }
  if (modesOnly) return true;
  const bool fullCircle = IsArc(next.motion) && !b.hasAxisWords && (Value('I') || Value('J') || Value('K') || Value('R'));
  if (axisUser || (!b.hasAxisWords && !fullCircle)) {
    if (machineFrame) return Fail(CodeWord(Group::NonModal), "G53 needs the axis words of its move");
    return true;
  }
  if (machineFrame && next.motion != Motion::Rapid && next.motion != Motion::Line)
    return Fail(CodeWord(Group::NonModal), "G53 goes with G0 or G1");
  if (machineFrame) b.fixedPlace = true;
  const unsigned char places = machineFrame ? FixedAxes() : PlacedAxes();
  switch (next.motion) {
    case Motion::Rapid: Straight(MoveKind::Rapid, Target(machineFrame), machineFrame, false, places); return true;
    case Motion::Line:
    case Motion::Probe: Straight(MoveKind::Feed, Target(machineFrame), machineFrame, false, places); return true;
    case Motion::ArcCw:
    case Motion::ArcCcw: return Arc(Target(false));
    case Motion::Cycle: return Cycle();
    case Motion::None: break;
  }
  for (int a = 0; a < kAxes; ++a)
    if (const Word* w = WordOf(kAxisLetters[a])) return Fail(w, "an axis word with no motion in force (G80)");
  return true;
}

bool Execution::Arc(const Point& to) {
  const bool clockwise = next.motion == Motion::ArcCw;
  const auto [u, v] = PlaneAxes(next.plane);
  const char offsetLetter[3] = {'I', 'J', 'K'};
  const auto ou = Value(offsetLetter[u]), ov = Value(offsetLetter[v]);
  const Word* arcWord = CodeWord(Group::Motion);
  if (!arcWord) arcWord = b.words.empty() ? nullptr : &b.words.front();
  const Point from = Work();
  const double unit = MillimetresPerUnit(next);
  const double absoluteTolerance = next.inches ? kArcAbsoluteToleranceInch * 25.4 : kArcAbsoluteToleranceMm;
  Point centre = from;
  if (const auto r = Value('R')) {
    if (ou || ov) return Fail(WordOf('R'), "R and I, J or K on one arc");
    const double radius = *r * unit;
    const double du = to[u] - from[u], dv = to[v] - from[v], chord = std::hypot(du, dv);
    if (chord < 1e-9) return Fail(WordOf('R'), "a whole circle cannot be given by R");
    const double half = chord / 2;
    double reach = std::fabs(radius);
    if (reach < 1e-9 || half - reach > kRadiusShortMm + kTiny)
      return Fail(WordOf('R'), "the radius is too small to reach the end point");
    reach = std::max(reach, half);
    const double off = std::sqrt(std::max(0.0, reach * reach - half * half));
    // Positive R: at most half a turn, the centre on the side the arc turns to.
    const double side = (clockwise ? -1.0 : 1.0) * (radius < 0 ? -1.0 : 1.0);
    centre[u] = from[u] + du / 2 - side * off * dv / chord;
    centre[v] = from[v] + dv / 2 + side * off * du / chord;
  } else {
    if (!ou && !ov) {
      const Word* named = CodeWord(Group::Motion) ? CodeWord(Group::Motion) : nullptr;
      for (int a = 0; !named && a < kAxes; ++a) named = WordOf(kAxisLetters[a]);
      return Fail(named, std::string("an arc in this plane needs ") + offsetLetter[u] + " or " + offsetLetter[v] +
                             ", or R");
    }
    if (next.arcIncremental) {
      centre[u] = from[u] + ou.value_or(0) * unit;
      centre[v] = from[v] + ov.value_or(0) * unit;
    } else {
      // An absolute centre is a place: both its words must be there.
      if (!ou || !ov)
        return Fail(WordOf(ou ? offsetLetter[u] : offsetLetter[v]),
                    std::string(1, ou ? offsetLetter[v] : offsetLetter[u]) + " missing in an absolute centre (G90.1)");
      centre[u] = *ou * unit;
      centre[v] = *ov * unit;
    }
    const double r1 = PlaneRadius(from, centre, next.plane), r2 = PlaneRadius(to, centre, next.plane);
    const Word* named = ou ? WordOf(offsetLetter[u]) : WordOf(offsetLetter[v]);
    if (r1 < 1e-6) return Fail(named, "an arc of no radius");
    const double error = std::fabs(r1 - r2);
    if (error > absoluteTolerance + kTiny && error / std::max(r1, r2) > kArcRelativeTolerance)
      return Fail(named, "the arc's end lies " + std::to_string(std::round(error * 1000) / 1000).substr(0, 5) +
                             " mm off its start's circle");
  }
  int turns = 1;
  if (const auto p = Value('P')) {
    if (!IsWhole(*p) || *p < 1 || *p > kDeepestTurns) return Fail(WordOf('P'), "an arc's turns are a whole number");
    turns = static_cast<int>(*p);
  }
  Move m;
  m.kind = MoveKind::Arc;
  m.from = from;
  m.to = to;
  m.origin = Origin();
  m.centre = centre;
  m.plane = next.plane;
  m.clockwise = clockwise;
  m.turns = turns;
  m.unknownFrom = static_cast<unsigned char>(unknown & PlacedAxes());
  b.moves.push_back(m);
  unknown = static_cast<unsigned char>(unknown & ~PlacedAxes());
  for (int a = 0; a < kAxes; ++a) machine[a] = to[a] + m.origin[a];
  return true;
}

bool Execution::Cycle() {
  const Word* cycleWord = CodeWord(Group::Motion) ? CodeWord(Group::Motion) : WordOf('X') ? WordOf('X') : WordOf('Y');
  if (!cycleWord) cycleWord = WordOf('Z');
  if (next.plane != Plane::XY) return Fail(cycleWord, "drilling cycles are read in the XY plane (G17) only");
  if (!next.cycleR) return Fail(cycleWord, "a drilling cycle needs R");
  if (!next.cycleZ) return Fail(cycleWord, "a drilling cycle needs Z, the hole's bottom");
  const int kind = next.cycle;
  if ((kind == 83 || kind == 73) && next.cycleQ <= 0) return Fail(cycleWord, "a peck cycle needs Q above 0");
  int repeats = 1;
  if (const auto l = Value('L')) {
    if (!IsWhole(*l) || *l < 0 || *l > 10000) return Fail(WordOf('L'), "repeats are a whole number");
    repeats = static_cast<int>(*l);
  }
  const double unit = MillimetresPerUnit(next);
  const double start = Work()[2];
  // As LinuxCNC reads a run: under G91 R is measured from where the run
  // began, for every hole of it, and the bottom from R; G98 goes back up to
  // where the run began (or to R, when it began below R).
  const double base = next.cycleBase;
  const double r = next.incremental ? base + *next.cycleR * unit : *next.cycleR * unit;
  const double bottom = next.incremental ? r + *next.cycleZ * unit : *next.cycleZ * unit;
  if (bottom > r) return Fail(WordOf('Z') ? WordOf('Z') : cycleWord, "the hole's bottom is above R");
  const bool known = !next.incremental || !(unknown & 4);  // the heights are places, not increments from nowhere
  const double q = next.cycleQ * unit;
  if (start < r) ZTo(MoveKind::Rapid, r, known);
  const double clear = next.returnToR ? r : std::max(base, r);
  unsigned char places = 0;
  for (int a = 0; a < 2; ++a)
    if (!next.incremental && Value(kAxisLetters[a])) places = static_cast<unsigned char>(places | (1u << a));
  for (int k = 0; k < repeats; ++k) {
    Point hole = Work();
    for (int a = 0; a < 2; ++a)
      if (const auto v = Value(kAxisLetters[a])) hole[a] = next.incremental ? hole[a] + *v * unit : *v * unit;
    if (hole[0] != Work()[0] || hole[1] != Work()[1]) Straight(MoveKind::Rapid, hole, false, true, places);
    ZTo(MoveKind::Rapid, r, known);
    switch (kind) {
      case 83: {  // back to R after each peck, then quickly down to just above the depth reached
        for (double depth = r; depth > bottom + 1e-9;) {
          if (depth < r) ZTo(MoveKind::Rapid, std::min(r, depth + kPeckClearance), known);
          depth = std::max(depth - q, bottom);
          ZTo(MoveKind::Feed, depth, known);
          if (depth > bottom + 1e-9) ZTo(MoveKind::Rapid, r, known);
        }
        break;
      }
      case 73:  // a chip break: up a little after each peck, and on from there
        for (double depth = r; depth > bottom + 1e-9;) {
          depth = std::max(depth - q, bottom);
          ZTo(MoveKind::Feed, depth, known);
          if (depth > bottom + 1e-9) ZTo(MoveKind::Rapid, std::min(r, depth + kPeckClearance), known);
        }
        break;
      case 82:
      case 86:
      case 88:
        ZTo(MoveKind::Feed, bottom, known);
        if (next.cycleP > 0) Dwell(next.cycleP, true);
        break;
      case 85:
      case 89:
        ZTo(MoveKind::Feed, bottom, known);
        if (kind == 89 && next.cycleP > 0) Dwell(next.cycleP, true);
        ZTo(MoveKind::Feed, r, known);
        break;
      default: ZTo(MoveKind::Feed, bottom, known); break;  // G81
    }
    if (Work()[2] != clear) ZTo(MoveKind::Rapid, clear, known);
  }
  return true;
}

bool Interpreter::ModesAfter(std::string_view text, Modal& after) const {
  Interpreter trial = *this;
  Block block;
  ScannedLine scanned;
  if (!ScanLine(text, scanned)) return false;
  block.words = std::move(scanned.words);
  Execution run(trial, block);
  run.line = text;
  run.modesOnly = true;
  if (!run.Gather(block.words) || !run.Run()) return false;
  after = run.next;
  return true;
}

bool Interpreter::Read(std::string_view text, Block& block, int number) {
  // The block's lists keep their room from line to line: a million lines read without a million allocations.
  ScannedLine scanned;
  scanned.words = std::move(block.words);
  std::vector<Move> moves = std::move(block.moves);
  moves.clear();
  block = Block();
  block.moves = std::move(moves);
  line_ = number > 0 ? number : line_ + 1;
  block.number = line_;
  if (!ScanLine(text, scanned)) {
    block.bad = scanned.bad;
    block.why = scanned.why;
    block.end = position();
    block.unknown = unknown_;
    return false;
  }
  block.tapeMark = scanned.tapeMark;
  block.blockDelete = scanned.blockDelete;
  block.words = std::move(scanned.words);
  Execution run(*this, block);
  run.line = text;
  if (!run.Gather(block.words) || !run.Run()) {
    block.moves.clear();
    block.end = position();
    block.unknown = unknown_;
    return false;
  }
  state_ = run.next;
  machine_ = run.machine;
  offsets_ = run.offsets;
  local_ = run.local;
  shift_ = run.shift;
  shiftSaved_ = run.shiftSaved;
  unknown_ = run.unknown;
  block.end = position();
  block.unknown = unknown_;
  return true;
}

}  // namespace kestrom::gcode
