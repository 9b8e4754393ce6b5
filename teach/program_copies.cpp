#include "teach/program_copies.h"

#include "teach/teach_program.h"

#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

namespace kestrom {
namespace {


std::vector<std::string_view> LinesOf(const std::string& program) {
  std::vector<std::string_view> lines;
  gcode::ForEachLine(program, [&](std::string_view line, size_t, size_t) {
    lines.push_back(line);
    return true;
  });
  return lines;
}

// A line split where its shifted numbers go: the text before each, and the number with its axis.
struct Template {
  struct Number {
    std::string before;
    int axis = 0;  // 0 to 2: X, Y, Z (I, J, K of an absolute arc centre go with them)
    double value = 0;
    gcode::NumberStyle style;
  };
  std::vector<Number> numbers;
  std::string after;
  bool blank = false;
};

// How each line of the program shifts: the moves' X, Y and Z (and an absolute
// arc centre's I, J and K); a line read in incremental mode, or not read, as it is.
struct Plan {
  std::vector<Template> lines;
  size_t unread = 0;
  std::optional<gcode::Point> first;  // the first move's end, in the program's units
};

Plan PlanOf(const std::vector<std::string_view>& lines) {
  Plan plan;
  gcode::Reader reader;
  gcode::Line read;
  gcode::Point at{};
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string_view text = lines[i];
    Template t;
    t.blank = text.find_first_not_of(" \t") == std::string_view::npos;
    const bool ok = reader.Read(text, read);
    if (!ok) ++plan.unread;
    const gcode::Modal& state = reader.state();
    size_t copied = 0;
    if (ok && read.moves && i >= kHeaderLines && !state.incremental) {
      const bool absoluteCentre = (state.motion == gcode::Motion::ArcCw || state.motion == gcode::Motion::ArcCcw) &&
                                  !state.arcIncremental;
      for (const gcode::WordSpan& w : gcode::WordsOf(text)) {
        int axis = -1;
        if (w.letter >= 'X' && w.letter <= 'Z') axis = w.letter - 'X';
        if (absoluteCentre && w.letter >= 'I' && w.letter <= 'K') axis = w.letter - 'I';
        double value = 0;
        const std::string_view number = text.substr(w.numberStart, w.numberEnd - w.numberStart);
        if (axis < 0 || !gcode::ReadNumber(number, value)) continue;
        t.numbers.push_back({std::string(text.substr(copied, w.numberStart - copied)), axis, value,
                             gcode::StyleOf(number)});
        copied = w.numberEnd;
      }
    }
    t.after = std::string(text.substr(copied));
    plan.lines.push_back(std::move(t));
    if (ok && read.moves) {
      at = gcode::TargetOf(read, state, at);
      if (!plan.first && i >= kHeaderLines) {
        const double unit = gcode::MillimetresPerUnit(state);
        plan.first = gcode::Point{at[0] / unit, at[1] / unit, at[2] / unit, at[3], at[4], at[5]};
      }
    }
  }
  return plan;
}

void AppendShifted(const Template& t, const double offset[3], std::string& out) {
  for (const Template::Number& n : t.numbers) {
    out += n.before;
    out += gcode::WriteExact(n.value + offset[n.axis], n.style);
  }
  out += t.after;
}

std::string UnreadNote(size_t unread) {
  if (unread == 0) return "";
  const std::string n = Thousands(unread);
  return " " + n + " satır okunamadı, olduğu gibi kaldı (" + n + " lines could not be read and were kept as they were).";
}

// The style the program writes its first X in, for the lines a grid adds.
gcode::NumberStyle FirstStyle(const Plan& plan) {
  for (const Template& t : plan.lines)
    if (!t.numbers.empty()) return t.numbers.front().style;
  return {};
}

}  // namespace

std::string Thousands(size_t n) {
  std::string digits = std::to_string(n), out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

CopiedProgram MoveProgram(const std::string& program, double dx, double dy, double dz) {
  const auto lines = LinesOf(program);
  const Plan plan = PlanOf(lines);
  const double offset[3] = {dx, dy, dz};
  std::string out;
  out.reserve(program.size() + program.size() / 8);
  for (size_t i = 0; i < plan.lines.size(); ++i) {
    if (i > 0) out += "\r\n";
    AppendShifted(plan.lines[i], offset, out);
  }
  const gcode::NumberStyle style = FirstStyle(plan);
  const std::string by = "X " + gcode::Write(dx, style) + ", Y " + gcode::Write(dy, style) + ", Z " +
                         gcode::Write(dz, style);
  return {out, "Program taşındı: " + by + " (the program moved by " + by + ")." + UnreadNote(plan.unread)};
}

std::optional<gcode::Point> OffsetToHere(const std::string& program, const gcode::Point& here) {
  gcode::Reader reader;
  gcode::Line read;
  gcode::Point at{};
  const auto lines = LinesOf(program);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!reader.Read(lines[i], read) || !read.moves) continue;
    at = gcode::TargetOf(read, reader.state(), at);
    if (i < kHeaderLines) continue;
    const double unit = gcode::MillimetresPerUnit(reader.state());
    return gcode::Point{(here[0] - at[0]) / unit, (here[1] - at[1]) / unit, (here[2] - at[2]) / unit, 0, 0, 0};
  }
  return std::nullopt;
}

namespace {
// "1 copy", "6 copies": the Turkish half has no plural after a number, the English one does.
std::string Counted(const std::string& number, const char* one, const char* many) {
  return number + " " + (number == "1" ? one : many);
}
}  // namespace

std::string GridMessage(const GridLayout& grid, size_t lines) {
  const std::string copies = Thousands(static_cast<size_t>(grid.rows) * static_cast<size_t>(grid.columns));
  const std::string r = std::to_string(grid.rows), c = std::to_string(grid.columns), n = Thousands(lines);
  return copies + " kopya, " + r + " satır × " + c + " sütun; " + n + " satır (" +
         Counted(copies, "copy", "copies") + ", " + Counted(r, "row", "rows") + " × " +
         Counted(c, "column", "columns") + "; " + Counted(n, "line", "lines") + ").";
}

CopiedProgram RepeatInGrid(const std::string& program, const GridLayout& grid) {
  if (grid.rows < 1 || grid.columns < 1)
    return {std::nullopt, "Satır ve sütun sayısı en az 1 olmalı (rows and columns must be at least 1)."};
  const auto lines = LinesOf(program);
  const Plan plan = PlanOf(lines);
  if (!plan.first) return {std::nullopt, "Programda çoğaltılacak hareket yok (the program has no move to repeat)."};
  const size_t copies = static_cast<size_t>(grid.rows) * static_cast<size_t>(grid.columns);
  size_t body = 0, bodyAfterFirst = 0;
  for (size_t i = kHeaderLines; i < plan.lines.size(); ++i) {
    ++body;
    bodyAfterFirst += !plan.lines[i].blank;
  }
  const size_t total = kHeaderLines + body + (copies - 1) * (bodyAfterFirst + 2);
  if (copies > kMostCopiedLines || total > kMostCopiedLines)
    return {std::nullopt, "Sonuç " + Thousands(kMostCopiedLines) + " satırdan uzun olurdu; hiçbir şey değişmedi (the "
                          "result would be longer than " + Thousands(kMostCopiedLines) + " lines; nothing changed)."};

  const gcode::NumberStyle style = FirstStyle(plan);
  std::string out;
  out.reserve(program.size() * copies + copies * 64);
  for (size_t i = 0; i < kHeaderLines && i < plan.lines.size(); ++i) {
    if (i > 0) out += "\r\n";
    out += plan.lines[i].after;
  }
  size_t copy = 0;
  for (int r = 0; r < grid.rows; ++r)
    for (int k = 0; k < grid.columns; ++k, ++copy) {
      const int c = grid.serpentine && r % 2 ? grid.columns - 1 - k : k;
      const double offset[3] = {c * grid.dx, r * grid.dy, 0};
      if (copy > 0) {  // up, across, and the copy's own first move goes down
        out += "\r\nG00  Z" + gcode::WriteExact(grid.safeZ, style);
        out += "\r\nG00  X" + gcode::WriteExact((*plan.first)[0] + offset[0], style) + " Y" +
               gcode::WriteExact((*plan.first)[1] + offset[1], style);
      }
      for (size_t i = kHeaderLines; i < plan.lines.size(); ++i) {
        if (copy > 0 && plan.lines[i].blank) continue;
        out += "\r\n";
        AppendShifted(plan.lines[i], offset, out);
      }
    }
  return {out, GridMessage(grid, total) + UnreadNote(plan.unread)};
}

CopiedProgram MakeRelative(const std::string& program) {
  const auto lines = LinesOf(program);
  gcode::Reader reader;
  gcode::Line read;
  gcode::Point at{};
  std::optional<gcode::Point> previous;  // where the last move ended, in the program's units
  size_t unread = 0;
  std::string out;
  out.reserve(program.size() + 32);
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string_view text = lines[i];
    if (i > 0) out += "\r\n";
    const bool ok = reader.Read(text, read);
    if (i < kHeaderLines) {
      out += text;
      if (i + 1 == kHeaderLines) out += "\r\nG91 G91.1";  // where the program starts
      continue;
    }
    if (!ok) {
      ++unread;
      out += text;
      continue;
    }
    for (const gcode::WordSpan& w : gcode::WordsOf(text)) {
      double code = 0;
      if (w.letter == 'G' && gcode::ReadNumber(text.substr(w.numberStart, w.numberEnd - w.numberStart), code) &&
          (code == 90 || code == 91))
        return {std::nullopt, "Program G90/G91'i kendisi değiştiriyor; göreli yapılamaz (the program switches "
                              "between G90 and G91 itself and cannot be made relative)."};
    }
    const gcode::Modal& state = reader.state();
    if (!read.moves) {
      out += text;
      continue;
    }
    const double unit = gcode::MillimetresPerUnit(state);
    const gcode::Point from = at;
    at = gcode::TargetOf(read, state, at);
    gcode::Point here = at;
    for (int a = 0; a < 3; ++a) here[a] /= unit;
    // The first move starts where the machine stands: from its own end.
    const gcode::Point before = previous ? *previous : here;
    const bool arc = state.motion == gcode::Motion::ArcCw || state.motion == gcode::Motion::ArcCcw;
    const gcode::Point centre = gcode::ArcCentreOf(read, state, from);
    size_t copied = 0;
    for (const gcode::WordSpan& w : gcode::WordsOf(text)) {
      const std::string_view number = text.substr(w.numberStart, w.numberEnd - w.numberStart);
      const char* axis = std::strchr(gcode::kAxisLetters, w.letter);
      double value = 0;
      if (w.letter == 'G' && gcode::ReadNumber(number, value) && std::fabs(value - 90.1) < 1e-9) {
        // The line's own absolute centre mode becomes the relative one its I, J and K now are in.
        out.append(text.substr(copied, w.numberStart - copied));
        out += "91.1";
        copied = w.numberEnd;
        continue;
      }
      if (axis) {
        const size_t a = static_cast<size_t>(axis - gcode::kAxisLetters);
        value = here[a] - before[a];
      } else if (arc && !state.arcIncremental && w.letter >= 'I' && w.letter <= 'K') {
        const int a = w.letter - 'I';
        value = (centre[a] - from[a]) / unit;
      } else {
        continue;
      }
      out.append(text.substr(copied, w.numberStart - copied));
      out += gcode::WriteExact(value, gcode::StyleOf(number));
      copied = w.numberEnd;
    }
    out.append(text.substr(copied));
    previous = here;
  }
  out += "\r\nG90";  // what follows in Mach3 is not surprised
  const std::string n = Thousands(lines.size() + 2);
  return {out, "Program göreli yapıldı (G91): " + n + " satır (the program made relative (G91): " + n + " lines)." +
                   UnreadNote(unread)};
}

}  // namespace kestrom
