#include "teach/interpreted_program.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "gcode/lines.h"
#include "teach/teach_program.h"

namespace kestrom {
namespace {

// Two places closer than this are one (millimetres): the numbers written keep
// six places at most, so a rounding stays far below it.
constexpr double kLands = 1e-4;
// Less than this (in the line's units) is no move to write: six places cannot
// say it, and a turned place written to six places lies this near.
constexpr double kUnwritten = 1e-6;

bool Near(const gcode::Point& a, const gcode::Point& b) {
  for (int i = 0; i < gcode::kAxes; ++i)
    if (std::fabs(a[i] - b[i]) > kLands) return false;
  return true;
}

// G02 and G03, G41 and G42 swapped, for a program seen in a mirror; every other byte as it was.
std::string Mirrored(std::string text, const std::vector<gcode::Word>& words) {
  for (const gcode::Word& w : words) {
    if (w.letter != 'G') continue;
    const bool arc = w.value == 2 || w.value == 3, side = w.value == 41 || w.value == 42;
    if (!arc && !side) continue;
    // The integer part's last digit: "2", "02", "2." and "42.0" alike.
    size_t last = w.numberStart;
    while (last + 1 < w.numberEnd && std::isdigit(static_cast<unsigned char>(text[last + 1]))) ++last;
    char& digit = text[last];
    if (arc) digit = digit == '2' ? '3' : '2';
    else digit = digit == '1' ? '2' : '1';
  }
  return text;
}

// G90 and G90.1 written as G91 and G91.1, every other byte as it was.
std::string WithRelativeModes(std::string_view text) {
  std::string out;
  size_t copied = 0;
  for (const gcode::Word& w : gcode::WordsOf(text)) {
    if (w.letter != 'G' || (std::fabs(w.value - 90) > 1e-9 && std::fabs(w.value - 90.1) > 1e-9)) continue;
    out.append(text.substr(copied, w.numberStart - copied));
    out += std::fabs(w.value - 90) < 1e-9 ? "91" : "91.1";
    copied = w.numberEnd;
  }
  out.append(text.substr(copied));
  return out;
}

}  // namespace

bool SameGeometryModes(const gcode::Modal& a, const gcode::Modal& b) {
  return a.motion == b.motion && a.cycle == b.cycle && a.plane == b.plane && a.incremental == b.incremental &&
         a.arcIncremental == b.arcIncremental && a.inches == b.inches && a.feedMode == b.feedMode &&
         a.workOffset == b.workOffset && a.returnToR == b.returnToR && a.cycleZ == b.cycleZ && a.cycleR == b.cycleR &&
         a.cycleQ == b.cycleQ && a.cycleP == b.cycleP && a.cycleBase == b.cycleBase;
}

std::string LineRefusal(int line, const std::string& turkish, const std::string& english) {
  const std::string n = std::to_string(line);
  return "Satır " + n + ": " + turkish + "; hiçbir şey değişmedi (line " + n + ": " + english + "; nothing changed).";
}

std::string UnreadableMessage(const gcode::Block& block) {
  return LineRefusal(block.number, "okunamıyor, " + block.bad + " (" + block.why + ")",
                     "cannot be read, " + block.bad + " (" + block.why + ")");
}

std::optional<size_t> InterpretedProgram::NextMoving(size_t from) const {
  for (size_t i = from; i < lines.size(); ++i)
    if (!lines[i].block.moves.empty()) return i;
  return std::nullopt;
}

InterpretedProgram InterpretProgram(std::string_view program, size_t detailFrom, size_t detailTo) {
  InterpretedProgram p;
  p.text = program;
  p.header = HeaderLinesOf(program);
  p.detailFrom = detailFrom;
  // Room for every line at once: a vector grown line by line copies its lines again and again.
  p.lines.reserve(std::min<size_t>(static_cast<size_t>(std::count(program.begin(), program.end(), '\n')) + 1, detailTo));
  gcode::Interpreter interpreter;
  gcode::Block scratch;
  gcode::ForEachLine(program, [&](std::string_view text, size_t start, size_t) {
    const size_t index = p.lines.size();
    if (index == detailTo) {
      p.complete = false;
      return false;
    }
    if (index == detailFrom) p.atDetail = interpreter;
    ProgramLine line;
    line.start = start;
    line.end = start + text.size();
    line.before = interpreter.state();
    line.from = interpreter.position();
    line.local = interpreter.LocalOffset();
    const bool detail = index >= detailFrom;
    gcode::Block& block = detail ? line.block : scratch;
    if (!interpreter.Read(text, block)) {
      p.refusal = UnreadableMessage(block);
      return false;
    }
    if (block.call) {
      p.refusal = LineRefusal(block.number, "bir alt program çağırıyor (M98); alt programlı programlar değiştirilmez",
                              "it calls a subprogram (M98); programs with subprograms are not changed");
      return false;
    }
    if (!detail) {
      line.block.number = block.number;
      line.block.end = block.end;
    }
    line.after = interpreter.state();
    p.lines.push_back(std::move(line));
    return true;
  });
  return p;
}

gcode::NumberStyle ProgramStyle(const InterpretedProgram& program) {
  for (size_t i = 0; i < program.lines.size(); ++i)
    for (const gcode::Word& w : program.lines[i].block.words)
      if (gcode::AxisOf(w.letter) >= 0) return gcode::StyleOf(w.NumberIn(program.Line(i)));
  return {};
}

bool Lands(const gcode::Block& written, const gcode::Block& original, const Placement& place) {
  auto expected = [&](const gcode::Move& o) {
    gcode::Point p = place.Apply(o.to);
    for (int a = 0; a < 3; ++a)
      if (o.Fixed(a)) p[a] = o.to[a];
    return p;
  };
  if (original.fixedPlace) {
    // Written as it stands, the line goes where it goes: only the axes it
    // takes to a place fixed on the machine must end where they ended; the
    // others stay where the machine stands, shifted or not.
    if (written.moves.empty() || original.moves.empty()) return false;
    const gcode::Move& w = written.moves.back();
    const gcode::Move& o = original.moves.back();
    for (int a = 0; a < gcode::kAxes; ++a)
      if (o.Fixed(a) && (!w.Fixed(a) || std::fabs(w.to[a] - o.to[a]) > kLands)) return false;
    return true;
  }
  if (written.moves.size() != original.moves.size()) return false;
  for (size_t i = 0; i < written.moves.size(); ++i) {
    const gcode::Move& w = written.moves[i];
    const gcode::Move& o = original.moves[i];
    if (w.kind != o.kind || !Near(w.to, expected(o))) return false;
    if (w.kind == gcode::MoveKind::Arc &&
        (w.clockwise != (o.clockwise != place.Mirrors()) || w.plane != o.plane || w.turns != o.turns ||
         !Near(w.from, place.Apply(o.from)) || !Near(w.centre, place.Apply(o.centre))))
      return false;
  }
  return true;
}

std::optional<std::string> ProgramWriter::Landing(const InterpretedProgram& source, size_t i,
                                                  const Placement& place, bool relative) const {
  const ProgramLine& line = source.lines[i];
  const gcode::Block& original = line.block;
  std::string text = relative ? WithRelativeModes(source.Line(i)) : std::string(source.Line(i));
  if (place.Mirrors()) text = Mirrored(std::move(text), original.words);  // the same words at the same places
  // The modes the line's numbers are read in: the original's, where the text
  // written so far stands in the modes the original stood in (the usual case).
  gcode::Modal st;
  if (!relative && SameGeometryModes(written_.state(), line.before)) st = line.after;
  else if (!written_.ModesAfter(text, st)) return std::nullopt;
  if (original.moves.empty() || original.fixedPlace) return text;
  // The words' places in `text`: the original's, unless G90 became G91 there.
  std::vector<gcode::Word> relativeWords;
  if (relative) relativeWords = gcode::WordsOf(text);
  const std::vector<gcode::Word>& words = relative ? relativeWords : original.words;
  const double unit = gcode::MillimetresPerUnit(st);
  auto scale = [&](int a) { return a < 3 ? unit : 1.0; };
  const gcode::Point start = written_.position();
  const gcode::Point want = place.Apply(original.end);
  // The new numbers, by the word they replace; the words added, by axis.
  std::vector<std::pair<size_t, double>> changes;  // index into words
  std::vector<std::pair<char, double>> added;
  auto axisValue = [&](int a, double to) { return st.incremental ? (to - start[a]) / scale(a) : to / scale(a); };

  bool named[gcode::kAxes] = {};
  const bool cycle = st.motion == gcode::Motion::Cycle;
  for (size_t w = 0; w < words.size(); ++w) {
    const int a = gcode::AxisOf(words[w].letter);
    if (a >= 0) named[a] = true;
  }
  if (cycle) {
    const gcode::Modal& o = line.after;
    const double u0 = gcode::MillimetresPerUnit(o);
    const double r = o.cycleR ? (o.incremental ? o.cycleBase + *o.cycleR * u0 : *o.cycleR * u0) : 0;
    const double bottom = o.cycleZ ? (o.incremental ? r + *o.cycleZ * u0 : *o.cycleZ * u0) : 0;
    const double r2 = r + place.shift[2], bottom2 = bottom + place.shift[2];
    // Where the run begins in the new text: here, when this line begins it.
    const gcode::Modal& now = written_.state();
    const bool begins = now.motion != gcode::Motion::Cycle || now.cycle != st.cycle;
    const double base = begins ? start[2] : st.cycleBase;
    // The hole: where the cycle's first move across goes, or where it starts.
    gcode::Point hole = place.Apply(line.from);
    for (const gcode::Move& m : original.moves)
      if (m.kind == gcode::MoveKind::Rapid && (m.to[0] != m.from[0] || m.to[1] != m.from[1])) {
        hole = place.Apply(m.to);
        break;
      }
    for (size_t w = 0; w < words.size(); ++w) {
      const char letter = words[w].letter;
      if (letter == 'X' || letter == 'Y') changes.emplace_back(w, axisValue(letter - 'X', hole[letter - 'X']));
      if (letter == 'R') changes.emplace_back(w, st.incremental ? (r2 - base) / unit : r2 / unit);
      if (letter == 'Z') changes.emplace_back(w, st.incremental ? (bottom2 - r2) / unit : bottom2 / unit);
    }
    for (int a = 0; a < 2; ++a)
      if (!named[a] && std::fabs(start[a] - hole[a]) > kUnwritten * scale(a)) added.emplace_back(gcode::kAxisLetters[a], axisValue(a, hole[a]));
  } else {
    for (size_t w = 0; w < words.size(); ++w) {
      const int a = gcode::AxisOf(words[w].letter);
      if (a >= 0) changes.emplace_back(w, axisValue(a, want[a]));
    }
    for (int a = 0; a < gcode::kAxes; ++a)
      if (!named[a] && std::fabs(start[a] - want[a]) > kUnwritten * scale(a)) added.emplace_back(gcode::kAxisLetters[a], axisValue(a, want[a]));
    if (original.moves.back().kind == gcode::MoveKind::Arc) {
      const gcode::Move& arc = original.moves.back();
      const gcode::Point centre = place.Apply(arc.centre);
      const auto [u, v] = gcode::PlaneAxes(arc.plane);
      bool offsetNamed[3] = {};
      bool hasR = false;
      for (size_t w = 0; w < words.size(); ++w) {
        const char letter = words[w].letter;
        hasR |= letter == 'R';
        if (letter < 'I' || letter > 'K') continue;
        const int a = letter - 'I';
        offsetNamed[a] = true;
        if (a == u || a == v)
          changes.emplace_back(w, st.arcIncremental ? (centre[a] - start[a]) / unit : centre[a] / unit);
      }
      for (const int a : {u, v})
        if (!hasR && !offsetNamed[a] && std::fabs(centre[a] - start[a]) > kUnwritten * unit)
          added.emplace_back(static_cast<char>('I' + a),
                             st.arcIncremental ? (centre[a] - start[a]) / unit : centre[a] / unit);
    }
  }

  // A number that keeps its value keeps its text ("5." stays "5.").
  changes.erase(std::remove_if(changes.begin(), changes.end(),
                               [&](const auto& c) { return std::fabs(c.second - words[c.first].value) < 1e-12; }),
                changes.end());
  // The text: each changed number in its own style, the added words after the
  // last axis word (or the last G word, or the last word).
  std::sort(changes.begin(), changes.end());
  size_t insertAt = std::string::npos;
  gcode::NumberStyle addedStyle = style_;
  for (const gcode::Word& w : words)
    if (gcode::AxisOf(w.letter) >= 0) {
      insertAt = w.numberEnd;
      addedStyle = gcode::StyleOf(w.NumberIn(text));
    }
  if (insertAt == std::string::npos)
    for (const gcode::Word& w : words)
      if (w.letter == 'G') insertAt = w.numberEnd;
  if (insertAt == std::string::npos) insertAt = words.empty() ? text.size() : words.back().numberEnd;
  std::string out;
  size_t copied = 0;
  auto addWords = [&] {
    for (const auto& [letter, value] : added) out += std::string(" ") + letter + gcode::WriteExact(value, addedStyle);
    added.clear();
  };
  for (const auto& [w, value] : changes) {
    const gcode::Word& word = words[w];
    if (insertAt <= word.numberStart && insertAt >= copied) {
      out.append(text, copied, insertAt - copied);
      copied = insertAt;
      addWords();
    }
    out.append(text, copied, word.numberStart - copied);
    out += gcode::WriteExact(value, gcode::StyleOf(word.NumberIn(text)));
    copied = word.numberEnd;
  }
  if (!added.empty()) {
    if (insertAt >= copied) {
      out.append(text, copied, insertAt - copied);
      copied = insertAt;
    }
    addWords();
  }
  out.append(text, copied, std::string::npos);
  return out;
}

bool ProgramWriter::Append(const std::string& line) {
  if (!first_) text_ += "\r\n";
  first_ = false;
  text_ += line;
  return written_.Read(line, block_);
}

bool ProgramWriter::PutOwn(const std::string& text) {
  if (Append(text)) return true;
  refusal_ = UnreadableMessage(block_);
  return false;
}

bool ProgramWriter::PutAsItWas(const InterpretedProgram& source, size_t i) {
  const ProgramLine& line = source.lines[i];
  bool same = written_.state().feed == line.before.feed && SameGeometryModes(written_.state(), line.before);
  for (int a = 0; a < gcode::kAxes && same; ++a) same = std::fabs(written_.position()[a] - line.from[a]) < 1e-7;
  return same ? PutOwn(std::string(source.Line(i))) : Put(source, i, {});
}

std::string ProgramWriter::FeedWord(double feed) const {
  return written_.state().feed == feed ? std::string() : "F" + gcode::WriteExact(feed, {0, false, '.'});
}

bool ProgramWriter::PutMove(const char* g, const gcode::Point& to, const std::string& feed, const gcode::Point* centre,
                            int line) {
  const gcode::Modal& st = written_.state();
  const gcode::Point at = written_.position();
  const double unit = gcode::MillimetresPerUnit(st);
  // An arc in XY says so where another plane is in force.
  std::string text = centre && st.plane != gcode::Plane::XY ? std::string("G17 ") + g : std::string(g);
  bool any = centre != nullptr;
  for (int a = 0; a < gcode::kAxes; ++a) {
    // An axis no word has placed yet is named: where it stands is not known.
    const bool named = (centre && a < 2) || (a < 3 && (written_.unknown() >> a & 1) && !st.incremental);
    if (!named && std::fabs(to[a] - at[a]) < 1e-9) continue;
    const double scale = a < 3 ? unit : 1.0;
    text += ' ';
    text += gcode::kAxisLetters[a];
    text += gcode::WriteExact(st.incremental ? (to[a] - at[a]) / scale : to[a] / scale, style_);
    any = true;
  }
  if (!any) return true;
  if (centre)
    for (int a = 0; a < 2; ++a)
      text += std::string(a ? " J" : " I") +
              gcode::WriteExact(st.arcIncremental ? ((*centre)[a] - at[a]) / unit : (*centre)[a] / unit, style_);
  if (!feed.empty()) text += " " + feed;
  if (!PutOwn(text)) return false;
  if (Near(written_.position(), to)) return true;
  refusal_ = LineRefusal(line, "doğru yazılamıyor", "cannot be written to land where it must");
  return false;
}

std::string ArcWouldMove(int line) {
  return LineRefusal(line, "bu değişiklik bu satırdaki yayın başlangıcını kaydırırdı; yayın I ve J'si oradan ölçülür",
                     "this would move the start of the arc on this line, whose I and J are measured from there");
}

bool ProgramWriter::Put(const InterpretedProgram& source, size_t i, const Placement& place, bool relative,
                        std::string_view addWords) {
  const ProgramLine& line = source.lines[i];
  const int number = line.block.number;
  // An arc is kept only where it starts where it did (shifted): its centre and radius hang on its start.
  for (const gcode::Move& m : line.block.moves)
    if (m.kind == gcode::MoveKind::Arc && !Near(written_.position(), place.Apply(line.from))) {
      refusal_ = ArcWouldMove(number);
      return false;
    }
  auto text = Landing(source, i, place, relative);
  if (!text) {
    refusal_ = LineRefusal(number, "yeni yerinde okunamıyor", "cannot be read at its new place");
    return false;
  }
  if (!addWords.empty()) {
    const std::vector<gcode::Word> words = gcode::WordsOf(*text);
    const size_t at = words.empty() ? text->size() : words.back().numberEnd;
    text->insert(at, " " + std::string(addWords));
  }
  if (!Append(*text)) {
    refusal_ = LineRefusal(number, "yeni yerinde okunamıyor, " + block_.bad + " (" + block_.why + ")",
                           "cannot be read at its new place, " + block_.bad + " (" + block_.why + ")");
    return false;
  }
  if (Lands(block_, line.block, place)) return true;
  refusal_ = LineRefusal(number, "olması gereken yere yazılamıyor", "cannot be written to land where it must");
  return false;
}

}  // namespace kestrom
