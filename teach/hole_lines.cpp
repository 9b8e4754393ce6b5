#include "teach/hole_lines.h"

#include <cmath>

#include "gcode/lines.h"
#include "gcode/program_walk.h"

namespace kestrom {
namespace {

std::string Plain(double value) { return gcode::WriteExact(value, {0, false, '.'}); }

bool Same(const std::optional<double>& kept, double value) { return kept && std::fabs(*kept - value) < 1e-9; }

// A box's text as a number, or the refusal naming the box.
bool Typed(const std::string& text, const char* box, double& value, std::string& refusal) {
  std::string trimmed = text;
  trimmed.erase(0, trimmed.find_first_not_of(' '));
  trimmed.erase(trimmed.find_last_not_of(' ') + 1);
  if (gcode::ReadNumber(trimmed, value)) return true;
  refusal = std::string(box) + " bir sayı değil: \"" + text + "\" (" + box + " is no number: \"" + text + "\").";
  return false;
}

}  // namespace

DrillSettings DefaultDrilling(bool inches) {
  DrillSettings d;
  if (inches) d.bottomZ = "-0.2", d.rPlane = "0.08", d.feed = "4";
  d.units = inches ? "inch" : "mm";
  return d;
}

DrillSettings DrillingInUnits(const DrillSettings& typed, bool inches, std::string& note) {
  note.clear();
  const std::string units = inches ? "inch" : "mm";
  if (typed.units.empty()) {
    DrillSettings d = DefaultDrilling(inches);
    d.peck = typed.peck, d.dwell = typed.dwell, d.returnToR = typed.returnToR;
    return d;
  }
  if (typed.units == units) return typed;
  DrillSettings d = typed;
  d.units = units;
  const double factor = inches ? 1 / 25.4 : 25.4;
  for (std::string* text : {&d.bottomZ, &d.rPlane, &d.feed, &d.peck}) {
    double value = 0;
    if (gcode::ReadNumber(*text, value)) *text = Plain(value * factor);
  }
  note = "Delme ayarları " + typed.units + " olarak girilmişti; bu program " + units + ": Z" + d.bottomZ + " R" +
         d.rPlane + " F" + d.feed + (d.peck != "0" ? " Q" + d.peck : "") + " olarak çevrildi (the drilling settings were typed in " +
         typed.units + "; this program is in " + units + ", so they were converted: Z" + d.bottomZ + " R" + d.rPlane +
         " F" + d.feed + (d.peck != "0" ? " Q" + d.peck : "") + ").";
  return d;
}

Drilling ReadDrilling(const DrillSettings& typed) {
  Drilling d;
  d.returnToR = typed.returnToR;
  if (!Typed(typed.bottomZ, "Delik Dibi Z (hole bottom Z)", d.bottomZ, d.refusal) ||
      !Typed(typed.rPlane, "R Düzlemi (R plane)", d.rPlane, d.refusal) ||
      !Typed(typed.feed, "İlerleme (feed)", d.feed, d.refusal) ||
      !Typed(typed.peck, "Gagalama Q (peck)", d.peck, d.refusal) ||
      !Typed(typed.dwell, "Bekleme P (dwell)", d.dwell, d.refusal))
    return d;
  if (!(d.bottomZ < d.rPlane))
    d.refusal = "Delik dibi R düzleminin altında olmalı (the hole's bottom must be below the R plane).";
  else if (!(d.feed > 0))
    d.refusal = "İlerleme 0'dan büyük olmalı (the feed must be more than 0).";
  else if (d.peck < 0 || d.dwell < 0)
    d.refusal = "Gagalama ve bekleme 0 ya da daha büyük olmalı (the peck and the dwell must be 0 or more).";
  d.cycle = d.peck > 0 ? 83 : d.dwell > 0 ? 82 : 81;
  return d;
}

HoleRun HoleLines(const std::vector<HolePlace>& holes, const Drilling& d, const gcode::NumberStyle& style,
                  const ProgramEnd& end) {
  const gcode::Modal& st = end.state;
  const bool sameRun = !st.incremental && st.motion == gcode::Motion::Cycle && st.cycle == d.cycle &&
                       st.returnToR == d.returnToR && Same(st.cycleZ, d.bottomZ) && Same(st.cycleR, d.rPlane) &&
                       (d.cycle != 83 || st.cycleQ == d.peck) && (d.cycle != 82 || st.cycleP == d.dwell) &&
                       st.feed == d.feed && st.feedMode == gcode::FeedMode::PerMinute;
  HoleRun run;
  for (const HolePlace& hole : holes) {
    std::string line = "X" + gcode::WriteExact(hole.x, style) + " Y" + gcode::WriteExact(hole.y, style);
    if (run.lines.empty() && !sameRun) {
      line = std::string(d.returnToR ? "G99" : "G98") + " G" + std::to_string(d.cycle) + " " + line + " Z" +
             Plain(d.bottomZ) + " R" + Plain(d.rPlane);
      if (d.cycle == 83) line += " Q" + Plain(d.peck);
      if (d.cycle == 82) line += " P" + Plain(d.dwell);
      line += " F" + Plain(d.feed);
      if (st.feedMode != gcode::FeedMode::PerMinute) line = "G94 " + line;
      if (st.incremental) line = "G90 " + line;
      run.end = st.incremental ? "G80 G91" : "G80";
    }
    run.lines.push_back(line);
  }
  return run;
}

std::vector<HolePlace> BoltCircle(double cx, double cy, int count, double radius, double startDegrees) {
  std::vector<HolePlace> holes;
  const double pi = std::acos(-1.0);
  for (int k = 0; k < count; ++k) {
    const double a = (startDegrees + 360.0 * k / count) * pi / 180;
    holes.push_back({cx + radius * std::cos(a), cy + radius * std::sin(a)});
  }
  return holes;
}

bool IsHoleLine(const gcode::Block& block) {
  for (const gcode::Move& m : block.moves)
    if (m.cycle) return true;
  return false;
}

bool NamesCycle(const gcode::Block& block) {
  for (const gcode::Word& w : block.words) {
    if (w.letter != 'G') continue;
    const double g = w.value;
    if (std::fabs(g - 73) < 1e-9 || (g >= 81 - 1e-9 && g <= 89 + 1e-9 && std::fabs(g - std::round(g)) < 1e-9))
      return true;
  }
  return false;
}

std::string HoleRunEnd(std::string_view program) {
  std::string_view last;
  gcode::ForEachLine(program, [&](std::string_view text, size_t, size_t) {
    if (text.find_first_not_of(" \t") != std::string_view::npos) last = text;
    return true;
  });
  // A line that sets another motion ends any run: no need to read the program.
  for (const gcode::Word& w : gcode::WordsOf(last))
    if (w.letter == 'G' && (w.value == 0 || w.value == 1 || w.value == 2 || w.value == 3 || w.value == 80)) return {};
  gcode::ProgramWalk walk(program);
  gcode::Interpreter interpreter;
  gcode::Block block;
  bool fromIncremental = false;  // the run in force began where G91 was, and set G90
  for (;;) {
    const gcode::Modal before = interpreter.state();
    if (!walk.Next(interpreter, block)) break;
    const gcode::Modal& after = interpreter.state();
    // A run that follows another without a G80 ends as the first one began.
    if (after.motion == gcode::Motion::Cycle && before.motion != gcode::Motion::Cycle)
      fromIncremental = before.incremental && !after.incremental;
  }
  if (walk.failed() || interpreter.state().motion != gcode::Motion::Cycle) return {};
  return fromIncremental ? "G80 G91" : "G80";
}

std::string WithWords(std::string_view text, const std::vector<gcode::Word>& words,
                      const std::map<char, std::string>& numbers) {
  std::string out;
  size_t copied = 0;
  std::map<char, std::string> missing = numbers;
  for (const gcode::Word& w : words) {
    const auto found = numbers.find(w.letter);
    if (found == numbers.end()) continue;
    out.append(text.substr(copied, w.numberStart - copied));
    out += found->second;
    copied = w.numberEnd;
    missing.erase(w.letter);
  }
  const size_t at = words.empty() ? text.size() : words.back().numberEnd;
  out.append(text.substr(copied, at - copied));
  for (const auto& [letter, number] : missing) out += std::string(" ") + letter + number;
  out.append(text.substr(at));
  return out;
}

}  // namespace kestrom
