#include "teach/line_edits.h"

#include <cstring>
#include <string_view>
#include <vector>

#include "teach/teach_program.h"

namespace kestrom {

const char* const kHeaderNeverChanges =
    "Başlığın iki satırı değiştirilemez (the two header lines are never changed).";
const char* const kArcStartWouldMove =
    "Bu değişiklik bir yayın başlangıcını kaydırır; yayın I ve J'si oradan ölçülür (this edit would move the start "
    "of an arc, whose I and J are measured from there).";
const char* const kOnlyStraightLinesReteach =
    "Yalnızca G00 ve G01 satırları yeniden öğretilebilir (only G00 and G01 lines can be taught again).";

namespace {

// One line of the program: where its text starts and ends (before its line
// end), whether it moves the machine, and whether that move is an arc.
struct ProgramLine {
  size_t start = 0, end = 0;
  bool moves = false, arc = false;
};

std::vector<ProgramLine> LinesOf(const std::string& program) {
  std::vector<ProgramLine> lines;
  gcode::Reader reader;
  gcode::Line read;
  gcode::ForEachLine(program, [&](std::string_view text, size_t start, size_t) {
    ProgramLine line{start, start + text.size()};
    if (reader.Read(text, read) && read.moves) {
      const gcode::Motion m = reader.state().motion;
      line.moves = true;
      line.arc = m == gcode::Motion::ArcCw || m == gcode::Motion::ArcCcw;
    }
    lines.push_back(line);
    return true;
  });
  return lines;
}

size_t LineAtOffset(const std::vector<ProgramLine>& lines, size_t offset) {
  size_t index = 0;
  while (index + 1 < lines.size() && lines[index + 1].start <= offset) ++index;
  return index;
}

// True when the first move after line `index` is an arc: what ends at or
// before that line is where the arc starts.
bool NextMoveIsArc(const std::vector<ProgramLine>& lines, size_t index) {
  for (size_t i = index + 1; i < lines.size(); ++i)
    if (lines[i].moves) return lines[i].arc;
  return false;
}

LineEdit Refused(const char* why) {
  LineEdit edit;
  edit.refusal = why;
  return edit;
}

}  // namespace

std::string Applied(const std::string& program, const LineEdit& edit) {
  std::string out;
  out.reserve(program.size() + edit.insert.size());
  out.append(program, 0, edit.start);
  out += edit.insert;
  out.append(program, edit.start + edit.length, std::string::npos);
  return out;
}

LineEdit ReteachLine(const std::string& program, size_t caret, const Readouts& readouts) {
  const auto lines = LinesOf(program);
  const size_t index = LineAtOffset(lines, caret);
  if (index < kHeaderLines) return Refused(kHeaderNeverChanges);
  const ProgramLine& line = lines[index];
  if (!line.moves || line.arc) return Refused(kOnlyStraightLinesReteach);
  if (NextMoveIsArc(lines, index)) return Refused(kArcStartWouldMove);
  // Each axis word's number replaced where it stands; comments are left alone.
  const std::string_view text = std::string_view(program).substr(line.start, line.end - line.start);
  std::string out;
  size_t copied = 0;
  for (const gcode::WordSpan& word : gcode::WordsOf(text)) {
    const char* axis = std::strchr(gcode::kAxisLetters, word.letter);
    if (!axis) continue;
    out.append(text.substr(copied, word.numberStart - copied));
    out += readouts[static_cast<size_t>(axis - gcode::kAxisLetters)];
    copied = word.numberEnd;
  }
  out.append(text.substr(copied));
  LineEdit edit;
  edit.start = line.start;
  edit.length = line.end - line.start;
  edit.insert = out;
  edit.caret = line.start;
  return edit;
}

LineEdit InsertLineAfter(const std::string& program, size_t caret, const std::string& body) {
  const auto lines = LinesOf(program);
  size_t index = LineAtOffset(lines, caret);
  if (index < kHeaderLines) {
    // On the header: the point goes first in the program, after the header's blank line.
    index = kHeaderLines - 1;
    if (lines.size() > kHeaderLines && lines[kHeaderLines].start == lines[kHeaderLines].end) index = kHeaderLines;
  }
  if (NextMoveIsArc(lines, index)) return Refused(kArcStartWouldMove);
  LineEdit edit;
  edit.start = lines[index].end;
  edit.insert = "\r\n" + body;
  edit.caret = edit.start + 2;
  return edit;
}

LineEdit DeleteLine(const std::string& program, size_t caret) {
  const auto lines = LinesOf(program);
  const size_t index = LineAtOffset(lines, caret);
  if (index < kHeaderLines) return Refused(kHeaderNeverChanges);
  if (lines[index].moves && NextMoveIsArc(lines, index)) return Refused(kArcStartWouldMove);
  // The line goes with the line end before it.
  LineEdit edit;
  edit.start = lines[index - 1].end;
  edit.length = lines[index].end - edit.start;
  edit.caret = index + 1 < lines.size() ? lines[index + 1].start - edit.length : lines[index - 1].start;
  return edit;
}

}  // namespace kestrom
