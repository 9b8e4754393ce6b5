#include "teach/line_edits.h"

#include <algorithm>
#include <map>
#include <cmath>
#include <optional>
#include <vector>

#include "teach/hole_lines.h"
#include "teach/interpreted_program.h"
#include "teach/teach_program.h"

namespace kestrom {

const char* const kHeaderNeverChanges =
    "Başlığın iki satırı değiştirilemez (the two header lines are never changed).";
const char* const kOnlyStraightLinesReteach =
    "Yalnızca G00 ve G01 satırları yeniden öğretilebilir (only G00 and G01 lines can be taught again).";

namespace {

size_t LineAtOffset(const InterpretedProgram& p, size_t offset) {
  size_t index = 0;
  while (index + 1 < p.lines.size() && p.lines[index + 1].start <= offset) ++index;
  return index;
}

LineEdit Refused(std::string why) {
  LineEdit edit;
  edit.refusal = std::move(why);
  return edit;
}

bool SamePlace(const gcode::Point& a, const gcode::Point& b) {
  for (int i = 0; i < gcode::kAxes; ++i)
    if (std::fabs(a[i] - b[i]) > 1e-7) return false;
  return true;
}

// The interpreter as it stands before line `index` (at or after the program's detail).
gcode::Interpreter Before(const InterpretedProgram& p, size_t index) {
  gcode::Interpreter interpreter = p.atDetail;
  gcode::Block block;
  for (size_t i = p.detailFrom; i < index; ++i) interpreter.Read(p.Line(i), block);
  return interpreter;
}

// Lines [from, to) replaced by `replacement` (each read in the modes of its
// place), then the lines after them written again until one starts where it
// did in the modes it did: from there on the program is as it was. Nothing
// when the lines read ran out first: the edit needs more of the program.
std::optional<LineEdit> Spliced(const InterpretedProgram& p, size_t from, size_t to,
                                const std::vector<std::string>& replacement) {
  ProgramWriter writer(ProgramStyle(p));
  writer.interpreter() = Before(p, from);
  for (const std::string& line : replacement)
    if (!writer.PutOwn(line)) return Refused(writer.refusal());
  size_t end = to;
  for (; end < p.lines.size(); ++end) {
    const ProgramLine& line = p.lines[end];
    if (SamePlace(writer.written().position(), line.from) && SameGeometryModes(writer.written().state(), line.before)) break;
    if (!writer.Put(p, end, {})) return Refused(writer.refusal());
  }
  if (end == p.lines.size() && !p.complete) return std::nullopt;
  const bool wroteAny = !replacement.empty() || end > to;
  LineEdit edit;
  if (from > 0) {
    edit.start = p.lines[from - 1].end;
    edit.length = end > from ? p.lines[end - 1].end - edit.start : 0;
    if (wroteAny) edit.insert = "\r\n" + writer.text();
  } else {
    edit.start = 0;
    edit.length = end < p.lines.size() ? p.lines[end].start : p.lines[end - 1].end;
    edit.insert = writer.text();
    if (wroteAny && end < p.lines.size()) edit.insert += "\r\n";
  }
  return edit;
}

// An edit at the caret's line, made on the program read in detail from just
// before that line to a few lines after it, and on more of it only where the
// lines after the edit take longer to stand where they stood.
template <class Edit>
LineEdit EditAt(const std::string& program, size_t caret, Edit&& edit) {
  const size_t caretLine = static_cast<size_t>(
      std::count(program.begin(), program.begin() + static_cast<long>(std::min(caret, program.size())), '\n'));
  const size_t detailFrom = caretLine > kHeaderLines ? caretLine - 1 : 0;
  constexpr size_t kLinesAfter = 64;
  const InterpretedProgram near = InterpretProgram(program, detailFrom, caretLine + kLinesAfter);
  if (!near.ok()) return Refused(near.refusal);
  if (std::optional<LineEdit> made = edit(near)) return *made;
  // Read whole, the program always decides: its last line stands where it stood, or is rewritten.
  const InterpretedProgram whole = InterpretProgram(program, detailFrom);
  if (!whole.ok()) return Refused(whole.refusal);
  return *edit(whole);
}

// Deleting the first hole of a run: the next hole takes the cycle's words,
// so that it still drills as it did (the edit's `insert` is its new line).
// Nothing when line `index` is no such hole.
std::optional<LineEdit> FirstHoleGone(const InterpretedProgram& p, size_t index) {
  if (index + 1 >= p.lines.size() || !NamesCycle(p.lines[index].block) || !IsHoleLine(p.lines[index].block))
    return std::nullopt;
  const ProgramLine& next = p.lines[index + 1];
  if (!IsHoleLine(next.block) || NamesCycle(next.block)) return std::nullopt;
  const ProgramLine& first = p.lines[index];
  const std::string_view nextText = p.Line(index + 1);
  std::map<char, std::string> words;
  for (const gcode::Word& w : next.block.words)
    if (std::string_view("XYZRQPFL").find(w.letter) != std::string_view::npos) words[w.letter] = std::string(w.NumberIn(nextText));
  if (first.after.incremental) {
    // The next hole's X and Y as increments from where the deleted one started.
    const double unit = gcode::MillimetresPerUnit(first.after);
    gcode::Point hole = next.from;
    for (const gcode::Move& m : next.block.moves)
      if (m.kind == gcode::MoveKind::Rapid && (m.to[0] != m.from[0] || m.to[1] != m.from[1])) {
        hole = m.to;
        break;
      }
    for (int a = 0; a < 2; ++a) {
      const auto named = words.find(gcode::kAxisLetters[a]);
      const gcode::NumberStyle style = named != words.end() ? gcode::StyleOf(named->second) : ProgramStyle(p);
      if (std::fabs(hole[a] - first.from[a]) > 1e-9 || named != words.end())
        words[gcode::kAxisLetters[a]] = gcode::WriteExact((hole[a] - first.from[a]) / unit, style);
    }
  }
  LineEdit merged;
  merged.insert = WithWords(p.Line(index), first.block.words, words);
  // It must drill where the next hole did, as deep, and end where it ended
  // (the way there may differ: it starts where the deleted hole started).
  gcode::Interpreter check = Before(p, index);
  gcode::Block block;
  auto drills = [](const gcode::Block& b) {
    std::vector<gcode::Point> at;
    for (const gcode::Move& m : b.moves)
      if (m.cycle && m.kind == gcode::MoveKind::Feed) at.push_back(m.to);
    at.push_back(b.end);
    return at;
  };
  auto same = [&](const std::vector<gcode::Point>& a, const std::vector<gcode::Point>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
      if (!SamePlace(a[i], b[i])) return false;
    return true;
  };
  if (!check.Read(merged.insert, block) || !same(drills(block), drills(next.block)))
    return Refused(LineRefusal(first.block.number, "bu deliği silmek sonraki deliği değiştirirdi",
                               "deleting this hole would change the next one"));
  return merged;
}

}  // namespace

std::string InPlace(std::string_view body, const gcode::Modal& modes, const gcode::Point& here) {
  if (!modes.incremental) return std::string(body);
  const double unit = gcode::MillimetresPerUnit(modes);
  std::string out;
  size_t copied = 0;
  for (const gcode::Word& w : gcode::WordsOf(body)) {
    const int a = gcode::AxisOf(w.letter);
    if (a < 0 || w.numberEnd == w.numberStart) continue;
    out.append(body.substr(copied, w.numberStart - copied));
    out += gcode::WriteExact(w.value - here[a] / (a < 3 ? unit : 1.0), gcode::StyleOf(w.NumberIn(body)));
    copied = w.numberEnd;
  }
  out.append(body.substr(copied));
  return out;
}

std::string Applied(const std::string& program, const LineEdit& edit) {
  std::string out;
  out.reserve(program.size() + edit.insert.size());
  out.append(program, 0, edit.start);
  out += edit.insert;
  out.append(program, edit.start + edit.length, std::string::npos);
  return out;
}

LineEdit ReteachLine(const std::string& program, size_t caret, const Readouts& readouts) {
  return EditAt(program, caret, [&](const InterpretedProgram& p) -> std::optional<LineEdit> {
  const size_t index = LineAtOffset(p, caret);
  if (index < p.header) return Refused(kHeaderNeverChanges);
  const ProgramLine& line = p.lines[index];
  const gcode::Block& block = line.block;
  if (IsHoleLine(block)) {
    // A hole moves to its new X and Y; its depth, R plane and the rest stay.
    const double unit = gcode::MillimetresPerUnit(line.after);
    std::map<char, std::string> xy;
    for (int a = 0; a < 2; ++a) {
      double value = 0;
      gcode::ReadNumber(readouts[static_cast<size_t>(a)], value);
      const gcode::NumberStyle style = gcode::StyleOf(readouts[static_cast<size_t>(a)]);
      xy[gcode::kAxisLetters[a]] = line.after.incremental ? gcode::WriteExact(value - line.from[a] / unit, style)
                                                          : readouts[static_cast<size_t>(a)];
    }
    std::optional<LineEdit> edit = Spliced(p, index, index + 1, {WithWords(p.Line(index), block.words, xy)});
    if (edit && edit->made()) edit->caret = index > 0 ? edit->start + 2 : 0;
    return edit;
  }
  if (block.moves.empty() || block.fixedPlace || block.moves.size() != 1 ||
      block.moves.front().kind == gcode::MoveKind::Arc || block.moves.front().cycle)
    return Refused(kOnlyStraightLinesReteach);
  // Each axis word's number replaced where it stands; comments are left alone.
  const std::string_view text = p.Line(index);
  std::string body;
  size_t copied = 0;
  for (const gcode::Word& word : block.words) {
    const int axis = gcode::AxisOf(word.letter);
    if (axis < 0) continue;
    body.append(text.substr(copied, word.numberStart - copied));
    body += readouts[static_cast<size_t>(axis)];
    copied = word.numberEnd;
  }
  body.append(text.substr(copied));
  // Under G91 (in force, or set on the line itself) the numbers are increments from the line's start.
  const std::string placed = InPlace(body, line.after, line.from);
  std::optional<LineEdit> edit = Spliced(p, index, index + 1, {placed});
  if (edit && edit->made()) edit->caret = index > 0 ? edit->start + 2 : 0;
  return edit;
  });
}

LineEdit InsertLineAfter(const std::string& program, size_t caret, const std::string& body,
                         const std::string& holeBody) {
  return EditAt(program, caret, [&](const InterpretedProgram& p) -> std::optional<LineEdit> {
  size_t index = LineAtOffset(p, caret);
  if (index < p.header) {
    // On the header: the point goes first in the program, after the header's blank line.
    index = p.header - 1;
    if (p.lines.size() > p.header && p.lines[p.header].start == p.lines[p.header].end) index = p.header;
  }
  // After a hole of a run that goes on, another hole of the run.
  const bool hole = !holeBody.empty() && IsHoleLine(p.lines[index].block) &&
                    p.lines[index].after.motion == gcode::Motion::Cycle;
  const std::string placed = InPlace(hole ? holeBody : body, p.lines[index].after, p.lines[index].block.end);
  std::optional<LineEdit> edit = Spliced(p, index, index + 1, {std::string(p.Line(index)), placed});
  if (edit && edit->made()) edit->caret = (index > 0 ? edit->start + 2 : 0) + p.Line(index).size() + 2;
  return edit;
  });
}

LineEdit DeleteLine(const std::string& program, size_t caret) {
  return EditAt(program, caret, [&](const InterpretedProgram& p) -> std::optional<LineEdit> {
    const size_t index = LineAtOffset(p, caret);
    if (index < p.header) return Refused(kHeaderNeverChanges);
    std::optional<LineEdit> edit;
    if (const auto merged = FirstHoleGone(p, index)) {
      if (!merged->made()) return merged;
      edit = Spliced(p, index, index + 2, {merged->insert});
    } else {
      edit = Spliced(p, index, index + 1, {});
    }
    if (!edit || !edit->made()) return edit;
    // The caret goes to the line that took the deleted one's place, or the one before.
    if (index + 1 < p.lines.size() || !p.complete) edit->caret = index > 0 ? edit->start + 2 : 0;
    else edit->caret = index > 0 ? p.lines[index - 1].start : 0;
    return edit;
  });
}

}  // namespace kestrom
