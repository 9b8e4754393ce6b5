#include "toolpath/program_copies.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "gcode/codes.h"
#include "teach/interpreted_program.h"
#include "toolpath/program_measures.h"

namespace kestrom {
namespace {

CopiedProgram Refused(std::string why) { return {std::nullopt, std::move(why)}; }

bool HasCode(const gcode::Block& block, char letter, double number) {
  return std::any_of(block.words.begin(), block.words.end(), [&](const gcode::Word& w) {
    return w.letter == letter && std::fabs(w.value - number) < 1e-9;
  });
}

// G92 (and G92.3, which brings a G92 back) set the origin from where the
// machine stands: in a moved program they would cancel the move.
std::string ShiftedOriginRefusal(const InterpretedProgram& p) {
  for (const ProgramLine& line : p.lines)
    if (HasCode(line.block, 'G', 92) || HasCode(line.block, 'G', 92.3))
      return LineRefusal(line.block.number, "G92 sıfırı makinenin durduğu yerden kuruyor; program taşınamaz",
                         "G92 sets the origin from where the machine stands; the program cannot be moved");
  return "";
}

const char* const kNoMove = "Programda çoğaltılacak hareket yok (the program has no move to repeat).";

}  // namespace

double UnitOf(const InterpretedProgram& p) {
  const auto first = p.NextMoving(0);
  return first ? gcode::MillimetresPerUnit(p.lines[*first].after) : 1.0;
}

std::string SafeZBelow(double safeZ, double highestZ) {
  const std::string h = gcode::WriteExact(highestZ, {0, false, '.'});
  const std::string s = gcode::WriteExact(safeZ, {0, false, '.'});
  return "Güvenli Z (" + s + ") programın en yüksek Z'sinin (" + h + ") altında; hiçbir şey değişmedi (safe Z " + s +
         " is below the highest Z the program reaches, " + h + "; nothing changed).";
}

std::string LinesTooMany() {
  const std::string n = Thousands(kMostCopiedLines);
  return "Sonuç " + n + " satırdan uzun olurdu; hiçbir şey değişmedi (the result would be longer than " + n +
         " lines; nothing changed).";
}

uint64_t LineCount(const std::string& text) {
  return static_cast<uint64_t>(std::count(text.begin(), text.end(), '\n')) + 1;
}

std::string Thousands(uint64_t n) {
  std::string digits = std::to_string(n), out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

CopiedProgram MoveProgram(const std::string& program, double dx, double dy, double dz) {
  const InterpretedProgram p = InterpretProgram(program);
  if (!p.ok()) return Refused(p.refusal);
  if (const std::string why = ShiftedOriginRefusal(p); !why.empty()) return Refused(why);
  const double unit = UnitOf(p);
  const gcode::Point shift{dx * unit, dy * unit, dz * unit, 0, 0, 0};
  const gcode::NumberStyle style = ProgramStyle(p);
  ProgramWriter writer(style);
  writer.text().reserve(program.size() + program.size() / 8);
  for (size_t i = 0; i < p.lines.size(); ++i)
    if (!writer.Put(p, i, shift)) return Refused(writer.refusal());
  const std::string by = "X " + gcode::Write(dx, style) + ", Y " + gcode::Write(dy, style) + ", Z " +
                         gcode::Write(dz, style);
  return {std::move(writer.text()), "Program taşındı: " + by + " (the program moved by " + by + ")."};
}

OffsetResult OffsetToHere(const std::string& program, const gcode::Point& here) {
  const InterpretedProgram p = InterpretProgram(program);
  if (!p.ok()) return {std::nullopt, p.refusal};
  for (const ProgramLine& line : p.lines) {
    if (line.block.moves.empty() || line.block.fixedPlace) continue;
    const double unit = gcode::MillimetresPerUnit(line.after);
    const gcode::Point& at = line.block.end;
    return {gcode::Point{here[0] - at[0] / unit, here[1] - at[1] / unit, here[2] - at[2] / unit, 0, 0, 0}, ""};
  }
  return {std::nullopt, "Programda taşınacak hareket yok (the program has no move to move)."};
}

namespace {
// "1 copy", "6 copies": the Turkish half has no plural after a number, the English one does.
std::string Counted(const std::string& number, const char* one, const char* many) {
  return number + " " + (number == "1" ? one : many);
}

}  // namespace

std::optional<double> HighestZOf(const InterpretedProgram& p) {
  std::optional<double> highest;
  for (const ProgramLine& line : p.lines)
    for (const gcode::Move& m : line.block.moves) {
      if (m.kind == gcode::MoveKind::Dwell) continue;
      // Where the machine stood before the program's first move is no height the program reaches.
      const double z = (m.unknownFrom & 4) ? m.to[2] : std::max(m.from[2], m.to[2]);
      highest = highest ? std::max(*highest, z) : z;
    }
  return highest;
}

bool ZOnMachineAfter(const gcode::Move& m, bool before) {
  if (m.kind == gcode::MoveKind::Dwell) return before;
  if (m.machineFrame && m.Fixed(2)) return true;
  return before && !(m.unknownFrom & 4) && std::fabs(m.to[2] - m.from[2]) <= 1e-6;
}

bool ZOnMachineBefore(const InterpretedProgram& p, size_t before) {
  // Back to the last move whose answer does not depend on the one before it.
  for (size_t i = std::min(before, p.lines.size()); i-- > 0;) {
    const std::vector<gcode::Move>& moves = p.lines[i].block.moves;
    for (auto m = moves.rbegin(); m != moves.rend(); ++m)
      if (ZOnMachineAfter(*m, false) == ZOnMachineAfter(*m, true)) return ZOnMachineAfter(*m, false);
  }
  return false;
}

namespace {
// The parts of a program a grid writes once: its start (Kestrom's header, %,
// an O number, blank lines before them) and its end (from M2 or M30, or a
// closing %, to the last line).
struct GridParts {
  size_t bodyStart = 0, bodyEnd = 0;
};
GridParts PartsOf(const InterpretedProgram& p) {
  GridParts parts;
  size_t i = p.header;
  while (i < p.lines.size() && (p.lines[i].block.tapeMark || (p.lines[i].block.label && p.lines[i].block.moves.empty())))
    ++i;
  parts.bodyStart = i;
  size_t end = p.lines.size();
  for (size_t k = parts.bodyStart; k < p.lines.size(); ++k)
    if (p.lines[k].block.stop == gcode::Stop::M2 || p.lines[k].block.stop == gcode::Stop::M30) {
      end = k;
      break;
    }
  if (end == p.lines.size())
    while (end > parts.bodyStart && (p.lines[end - 1].block.tapeMark || p.Blank(end - 1))) --end;
  parts.bodyEnd = end;
  return parts;
}

// Whether the body sets a mode of `group` before its first move: then the mode
// need not be put back before each copy.
bool BodySets(const InterpretedProgram& p, size_t from, size_t firstMove, gcode::Group group) {
  for (size_t i = from; i <= firstMove; ++i)
    for (const gcode::Word& w : p.lines[i].block.words)
      if (w.letter == 'G')
        if (const auto code = gcode::FindCode('G', w.value); code && code->group == group) return true;
  return false;
}

// The modes the copy's lines were read in, where the text written so far left others.
std::string ModesBack(const InterpretedProgram& p, size_t bodyStart, size_t firstMove, const gcode::Modal& now) {
  const gcode::Modal& was = p.lines[bodyStart].before;
  std::string words;
  auto add = [&](gcode::Group group, bool differs, const char* word) {
    if (differs && !BodySets(p, bodyStart, firstMove, group)) words += std::string(words.empty() ? "" : " ") + word;
  };
  static const char* const kMotion[] = {"G00", "G01", "G02", "G03", "G31", "", "G80"};
  add(gcode::Group::Motion, now.motion != was.motion && was.motion != gcode::Motion::Cycle,
      kMotion[static_cast<int>(was.motion)]);
  add(gcode::Group::Units, now.inches != was.inches, was.inches ? "G20" : "G21");
  add(gcode::Group::Distance, now.incremental != was.incremental, was.incremental ? "G91" : "G90");
  add(gcode::Group::ArcDistance, now.arcIncremental != was.arcIncremental, was.arcIncremental ? "G91.1" : "G90.1");
  add(gcode::Group::Plane, now.plane != was.plane,
      was.plane == gcode::Plane::XY ? "G17" : was.plane == gcode::Plane::XZ ? "G18" : "G19");
  return words;
}
}  // namespace

std::string GridMessage(const GridLayout& grid, uint64_t lines) {
  const std::string copies = Thousands(static_cast<uint64_t>(grid.rows) * static_cast<uint64_t>(grid.columns));
  const std::string r = std::to_string(grid.rows), c = std::to_string(grid.columns), n = Thousands(lines);
  return copies + " kopya, " + r + " satır × " + c + " sütun; " + n + " satır (" +
         Counted(copies, "copy", "copies") + ", " + Counted(r, "row", "rows") + " × " +
         Counted(c, "column", "columns") + "; " + Counted(n, "line", "lines") + ").";
}

CopyStart CopyStartOf(const std::string& program) {
  const InterpretedProgram p = InterpretProgram(program);
  const double unit = UnitOf(p);
  CopyStart start;
  start.units = unit == 1.0 ? "mm" : "inch";
  if (const auto highest = HighestZOf(p)) start.highestZ = *highest / unit;
  return start;
}

CopiedProgram RepeatInGrid(const std::string& program, const GridLayout& grid) {
  if (grid.rows < 1 || grid.columns < 1)
    return Refused("Satır ve sütun sayısı en az 1 olmalı (rows and columns must be at least 1).");
  const InterpretedProgram p = InterpretProgram(program);
  if (!p.ok()) return Refused(p.refusal);
  if (const std::string why = ShiftedOriginRefusal(p); !why.empty()) return Refused(why);
  const GridParts parts = PartsOf(p);
  const auto firstMove = p.NextMoving(parts.bodyStart);
  if (!firstMove || *firstMove >= parts.bodyEnd) return Refused(kNoMove);

  // Counted in 64 bits before anything is made: rows × columns cannot wrap.
  // Later copies leave out blank lines and add two moves between (three when
  // the copy is entered at an arc's start), and perhaps a line of modes.
  const uint64_t copies = static_cast<uint64_t>(grid.rows) * static_cast<uint64_t>(grid.columns);
  uint64_t body = 0;
  for (size_t i = parts.bodyStart; i < parts.bodyEnd; ++i) body += !p.Blank(i);
  const uint64_t total = p.lines.size() + (copies - 1) * (body + 2);
  if (copies > kMostCopiedLines || total > kMostCopiedLines) return Refused(LinesTooMany());

  const double unit = UnitOf(p);
  const auto highest = HighestZOf(p);
  if (highest && grid.safeZ * unit < *highest - 1e-9) {
    return Refused(SafeZBelow(grid.safeZ, *highest / unit));
  }

  const gcode::NumberStyle style = ProgramStyle(p);
  ProgramWriter writer(style);
  writer.text().reserve(static_cast<size_t>(program.size() * copies + copies * 64));
  const gcode::Point none{};
  for (size_t i = 0; i < parts.bodyStart; ++i)
    if (!writer.Put(p, i, none)) return Refused(writer.refusal());
  // Where a copy is entered: above its first move that goes to a place of
  // the part (a move to a place fixed on the machine goes where it goes):
  // above that move's end when it is a straight move, which then goes down
  // itself; else above its start, then down to it.
  size_t entryLine = *firstMove;
  while (entryLine < parts.bodyEnd && (p.lines[entryLine].block.moves.empty() || p.lines[entryLine].block.fixedPlace))
    ++entryLine;
  if (entryLine >= parts.bodyEnd) entryLine = *firstMove;
  const gcode::Move& entry = p.lines[entryLine].block.moves.front();
  const bool straightEntry = (entry.kind == gcode::MoveKind::Rapid || entry.kind == gcode::MoveKind::Feed) &&
                             !entry.cycle && !p.lines[entryLine].block.fixedPlace;
  const gcode::Point first = straightEntry ? p.lines[entryLine].block.end : entry.from;
  gcode::Point shift{};
  uint64_t copy = 0;
  for (int r = 0; r < grid.rows; ++r)
    for (int k = 0; k < grid.columns; ++k, ++copy) {
      const int c = grid.serpentine && r % 2 ? grid.columns - 1 - k : k;
      shift = {c * grid.dx * unit, r * grid.dy * unit, 0, 0, 0, 0};
      if (copy > 0) {
        // Up, across at safe Z, in the modes in force here; the copy's own first move goes down.
        const gcode::Modal& now = writer.written().state();
        const double u = gcode::MillimetresPerUnit(now);
        const gcode::Point at = writer.written().position();
        const double safe = grid.safeZ * unit;
        auto value = [&](int a, double to) { return gcode::WriteExact((now.incremental ? to - at[a] : to) / u, style); };
        if (!writer.PutOwn("G00  Z" + value(2, safe))) return Refused(writer.refusal());
        if (!writer.PutOwn("G00  X" + value(0, first[0] + shift[0]) + " Y" + value(1, first[1] + shift[1])))
          return Refused(writer.refusal());
        if (!straightEntry && !writer.PutOwn("G00  Z" + value(2, first[2]))) return Refused(writer.refusal());
        const std::string modes = ModesBack(p, parts.bodyStart, *firstMove, writer.written().state());
        if (!modes.empty() && !writer.PutOwn(modes)) return Refused(writer.refusal());
      }
      for (size_t i = parts.bodyStart; i < parts.bodyEnd; ++i) {
        if (copy > 0 && p.Blank(i)) continue;
        if (!writer.Put(p, i, shift)) return Refused(writer.refusal());
      }
    }
  for (size_t i = parts.bodyEnd; i < p.lines.size(); ++i)
    if (!writer.Put(p, i, shift)) return Refused(writer.refusal());
  const uint64_t lines = LineCount(writer.text());
  if (lines > kMostCopiedLines) return Refused(LinesTooMany());
  return {std::move(writer.text()), GridMessage(grid, lines)};
}

CopiedProgram MakeRelative(const std::string& program) {
  const InterpretedProgram p = InterpretProgram(program);
  if (!p.ok()) return Refused(p.refusal);
  for (const ProgramLine& line : p.lines)
    if (line.block.fixedPlace || line.block.changesOrigin)
      return Refused(LineRefusal(line.block.number,
                                 "makine koordinatı ya da sıfır değişikliği var; göreli programda korunamaz",
                                 "it uses machine coordinates or changes the work origin (G53, G28, G30, G92, G52, "
                                 "G10, G54-G59), which a relative program cannot keep"));
  const auto firstMove = p.NextMoving(0);
  if (!firstMove) return Refused(kNoMove);
  ProgramWriter writer(ProgramStyle(p));
  // The first move starts where the machine stands: from its own end.
  writer.interpreter().SetMachine(p.lines[*firstMove].block.end);
  // G91 where the program starts; G90 again where it ends (before M2 or M30,
  // which Mach3 runs nothing after), so that what follows in Mach3 is not surprised.
  const GridParts parts = PartsOf(p);
  for (size_t i = 0; i < p.lines.size(); ++i) {
    if (i == parts.bodyStart && !writer.PutOwn("G91 G91.1")) return Refused(writer.refusal());
    if (i == parts.bodyEnd && !writer.PutOwn("G90")) return Refused(writer.refusal());
    if (!writer.Put(p, i, {}, i >= p.header)) return Refused(writer.refusal());
  }
  if (parts.bodyEnd >= p.lines.size() && !writer.PutOwn("G90")) return Refused(writer.refusal());
  const std::string n = Thousands(LineCount(writer.text()));
  return {std::move(writer.text()), "Program göreli yapıldı (G91): " + n + " satır (the program made relative (G91): " +
                                        n + " lines)."};
}

}  // namespace kestrom
