#include "toolpath/path_thinning.h"

#include <array>
#include <cmath>
#include <string_view>
#include <utility>
#include <vector>

#include "gcode/lines.h"
#include "gcode/interpreter.h"
#include "gcode/numbers.h"
#include "teach/recovery_journal.h"
#include "teach/teach_program.h"

namespace kestrom {
namespace {

constexpr size_t kMaxAxes = gcode::kAxes;
using gcode::kAxisLetters;

struct Point {
  std::array<double, kMaxAxes> v{};
};

// A line in the recorder's form: its point, and the run it may join (axis
// letters and feed text).
struct Parsed {
  bool ok = false;
  Point point;
  size_t axes = 0;
  std::string key;
};

Parsed Parse(std::string_view line) {
  Parsed p;
  if (line.substr(0, 4) != "G01 ") return p;
  std::string_view rest = line.substr(4);
  size_t nextLetter = 0;
  while (rest.size() >= 2 && rest[0] == ' ') {
    const char letter = rest[1];
    size_t index = nextLetter;
    while (index < kMaxAxes && kAxisLetters[index] != letter) ++index;
    if (index == kMaxAxes) break;  // not an axis word: the feed word or another form
    const size_t end = rest.find(' ', 2);
    const std::string_view value = rest.substr(2, end == std::string_view::npos ? std::string_view::npos : end - 2);
    if (!gcode::ReadNumber(value, p.point.v[p.axes])) return p;
    p.key += letter;
    ++p.axes;
    nextLetter = index + 1;
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end);
  }
  if (p.axes == 0) return p;
  if (!rest.empty()) {
    if (rest.substr(0, 2) != " F") return p;
    p.key += '|';
    p.key += rest.substr(2);  // the feed text as it stands
  }
  p.ok = true;
  return p;
}

double SegmentDistance(const Point& x, const Point& a, const Point& b, size_t axes) {
  double ab2 = 0, t = 0;
  for (size_t i = 0; i < axes; ++i) {
    const double d = b.v[i] - a.v[i];
    ab2 += d * d;
    t += (x.v[i] - a.v[i]) * d;
  }
  t = ab2 > 0 ? std::fmin(1.0, std::fmax(0.0, t / ab2)) : 0.0;
  double dist2 = 0;
  for (size_t i = 0; i < axes; ++i) {
    const double d = x.v[i] - (a.v[i] + t * (b.v[i] - a.v[i]));
    dist2 += d * d;
  }
  return std::sqrt(dist2);
}

// Where a span is split, among its points beyond the tolerance: the farthest
// (in steps of a millionth of the tolerance, so that rounding makes no
// difference), then the one nearest the middle of the chord, then the lowest
// coordinates. The order depends on the points alone, not on their places in
// the text, so thinning the result again makes the same splits and removes
// nothing more; and a path of many equal turns (a staircase) is split in its
// middle, not at its first turn, which keeps the work near n log n.
struct Split {
  long long steps = -1;
  double toMiddle = 0;
  size_t index = 0;
};

bool Better(const Split& a, const Split& b, const std::vector<Point>& points, size_t axes) {
  if (a.steps != b.steps) return a.steps > b.steps;
  if (a.toMiddle != b.toMiddle) return a.toMiddle < b.toMiddle;
  for (size_t i = 0; i < axes; ++i)
    if (points[a.index].v[i] != points[b.index].v[i]) return points[a.index].v[i] < points[b.index].v[i];
  return false;  // the same point: the first one found stays
}

// Douglas-Peucker with a stack of its own: no recursion, however long the run.
void MarkKept(const std::vector<Point>& points, size_t axes, double tolerance, std::vector<bool>& keep) {
  keep.assign(points.size(), false);
  if (points.empty()) return;
  keep.front() = keep.back() = true;
  const double step = std::fmax(tolerance, 1e-9) * 1e-6;
  std::vector<std::pair<size_t, size_t>> stack = {{0, points.size() - 1}};
  while (!stack.empty()) {
    const auto [first, last] = stack.back();
    stack.pop_back();
    Point middle;
    for (size_t i = 0; i < axes; ++i) middle.v[i] = (points[first].v[i] + points[last].v[i]) / 2;
    Split best;
    for (size_t i = first + 1; i < last; ++i) {
      const double d = SegmentDistance(points[i], points[first], points[last], axes);
      if (d <= tolerance) continue;
      double toMiddle = 0;
      for (size_t k = 0; k < axes; ++k) toMiddle += (points[i].v[k] - middle.v[k]) * (points[i].v[k] - middle.v[k]);
      const Split candidate{std::llround(d / step), toMiddle, i};
      if (best.steps < 0 || Better(candidate, best, points, axes)) best = candidate;
    }
    if (best.steps < 0) continue;  // every point between lies within: all go
    const size_t at = best.index;
    keep[at] = true;
    stack.push_back({first, at});
    stack.push_back({at, last});
  }
}

// Points that lie on the straight line between their neighbours (a jog stroke,
// a step at a time) change nothing of the path; they go first, in one pass,
// so that the splitting above sees only the turns. A point leaves only when
// it lies within kOnLine of the segment between the points left either side
// of it, checked again after the pass; the splitting then works to the
// tolerance less kOnLine, so that no point ends up farther than the tolerance.
constexpr double kOnLine = 1e-9;

void MarkKeptFast(const std::vector<Point>& points, size_t axes, double tolerance, std::vector<bool>& keep) {
  const size_t n = points.size();
  std::vector<bool> turn(n, true);
  size_t anchor = 0;
  for (size_t i = 1; i + 1 < n; ++i) {
    turn[i] = SegmentDistance(points[i], points[anchor], points[i + 1], axes) > kOnLine;
    if (turn[i]) anchor = i;
  }
  for (bool changed = true; changed;) {  // a point found off its final segment stays after all
    changed = false;
    for (size_t left = 0, right; left + 1 < n; left = right) {
      right = left + 1;
      while (!turn[right]) ++right;
      for (size_t i = left + 1; i < right; ++i)
        if (SegmentDistance(points[i], points[left], points[right], axes) > kOnLine) {
          turn[i] = changed = true;
          break;
        }
    }
  }
  std::vector<Point> turns;
  std::vector<size_t> at;
  for (size_t i = 0; i < n; ++i)
    if (turn[i]) {
      turns.push_back(points[i]);
      at.push_back(i);
    }
  std::vector<bool> kept;
  MarkKept(turns, axes, std::fmax(0.0, tolerance - kOnLine), kept);
  keep.assign(n, false);
  for (size_t k = 0; k < turns.size(); ++k) keep[at[k]] = kept[k];
}

}  // namespace

ThinnedProgram ThinPath(const std::string& program, double tolerance) {
  std::vector<std::string_view> lines;
  for (size_t start = 0;;) {
    const size_t end = program.find("\r\n", start);
    lines.push_back(std::string_view(program).substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 2;
  }
  std::vector<bool> keep(lines.size(), true);
  std::vector<Point> run;
  std::vector<bool> runKeep;
  size_t runStart = 0, runAxes = 0;
  std::string runKey;
  double runTolerance = tolerance;
  auto closeRun = [&](size_t end) {
    if (run.size() > 2) {
      MarkKeptFast(run, runAxes, runTolerance, runKeep);
      for (size_t i = 0; i < run.size(); ++i) keep[runStart + i] = runKeep[i];
    }
    run.clear();
    runKey.clear();
    runStart = end;
  };
  // Only lines the interpreter reads as absolute moves may go: under G91 every
  // later point hangs on each line, and after a line it cannot read nothing is known.
  const size_t header = HeaderLinesOf(program);
  gcode::Interpreter interpreter;
  gcode::Block block;
  bool readable = true;
  for (size_t i = 0; i < lines.size(); ++i) {
    readable = readable && interpreter.Read(lines[i], block);
    const gcode::Modal& modes = interpreter.state();
    const bool absoluteLine = readable && !modes.incremental && block.moves.size() == 1 &&
                              block.moves[0].kind == gcode::MoveKind::Feed;
    Parsed p = i >= header && absoluteLine ? Parse(lines[i]) : Parsed{};  // the header is never part of a run
    if (p.ok && modes.inches) p.key += 'i';
    if (!p.ok || p.key != runKey) closeRun(i);
    if (!p.ok) {
      runStart = i + 1;
      continue;
    }
    if (run.empty()) {
      runStart = i;
      runKey = p.key;
      runAxes = p.axes;
      runTolerance = tolerance / gcode::MillimetresPerUnit(modes);  // the numbers are in the program's units
    }
    run.push_back(p.point);
  }
  closeRun(lines.size());

  ThinnedProgram out;
  out.linesBefore = ProgramLineCount(program);
  out.text.reserve(program.size());
  bool first = true;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!keep[i]) continue;
    if (!first) out.text += "\r\n";
    out.text += lines[i];
    first = false;
  }
  out.linesAfter = ProgramLineCount(out.text);
  return out;
}

}  // namespace kestrom
