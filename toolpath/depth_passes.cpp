#include "toolpath/depth_passes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "toolpath/contours.h"
#include "teach/interpreted_program.h"
#include "toolpath/program_measures.h"

namespace kestrom {
namespace {

CopiedProgram Refused(std::string why) { return {std::nullopt, std::move(why)}; }

std::string Number(double value) { return gcode::WriteExact(value, {0, false, '.'}); }

// Writes the passes: own lines in the modes in force where they go, the
// program's lines through the writer, which puts their numbers right.
class PassWriter {
 public:
  PassWriter(const InterpretedProgram& p, const DepthPassRequest& r, double unit)
      : p_(p), r_(r), unit_(unit), writer_(ProgramStyle(p)) {}

  bool Program(const std::vector<Contour>& contours) {
    size_t next = 0;
    for (const Contour& c : contours) {
      for (; next < c.first; ++next)
        if (!Keep(next)) return false;
      if (!Passes(c)) return false;
      next = c.last + 1;
    }
    for (; next < p_.lines.size(); ++next)
      if (!Keep(next)) return false;
    return true;
  }
  std::string& text() { return writer_.text(); }
  const std::string& refusal() const { return writer_.refusal(); }
  int passes() const { return passes_; }

 private:
  // A line outside the contours.
  bool Keep(size_t i) { return writer_.PutAsItWas(p_, i); }
  std::string FeedWord(double feed) const { return writer_.FeedWord(feed); }

  // A move of the passes' own; one that would land wrong names `line`, or the contour's first line.
  bool Own(const char* g, const gcode::Point& to, const std::string& feed, const gcode::Point* centre = nullptr,
           int line = 0) {
    return writer_.PutMove(g, to, feed, centre, line ? line : contourLine_);
  }

  gcode::Point WithZ(gcode::Point p, double z) const {
    p[2] = z;
    return p;
  }

  bool Passes(const Contour& c) {
    contourLine_ = p_.lines[c.first].block.number;
    const double surface = r_.surfaceZ * unit_, safe = r_.safeZ * unit_;
    const double top = (r_.finalZ + r_.tabHeight) * unit_;
    const gcode::Point start = p_.lines[c.first].block.moves.front().from;
    const std::string plunge = "F" + Number(r_.plungeFeed);
    const int count = static_cast<int>(std::ceil((r_.surfaceZ - r_.finalZ) / r_.step - 1e-9));
    passes_ = count;
    for (int k = 1; k <= count; ++k) {
      const double depth = (k == count ? r_.finalZ : r_.surfaceZ - k * r_.step) * unit_;
      const gcode::Point at = writer_.written().position();
      if (k == 1 || c.closed) {
        if (k == 1 && at[2] > surface + 1e-9 && !Own("G00", WithZ(at, surface), "")) return false;
        if (!Own("G01", WithZ(start, depth), plunge)) return false;
      } else {
        if (!Own("G00", WithZ(at, std::max(safe, at[2])), "") || !Own("G00", WithZ(start, std::max(safe, at[2])), "") ||
            !Own("G00", WithZ(start, surface), "") || !Own("G01", WithZ(start, depth), plunge))
          return false;
      }
      const bool tabbed = r_.tabs > 0 && depth < top - 1e-9;
      if (!(tabbed ? TabbedPass(c, depth, top) : Pass(c, depth))) return false;
    }
    // Back to the contour's own height: the program goes on from where it stood.
    return Own("G01", WithZ(writer_.written().position(), c.z), FeedWord(p_.lines[c.last].after.feed));
  }

  bool Pass(const Contour& c, double depth) {
    const gcode::Point shift{0, 0, depth - c.z, 0, 0, 0};
    for (size_t i = c.first; i <= c.last; ++i) {
      const ProgramLine& line = p_.lines[i];
      const std::string feed = line.block.moves.empty() || line.block.Names('F') ? "" : FeedWord(line.after.feed);
      if (!writer_.Put(p_, i, shift, false, feed)) return false;
    }
    return true;
  }

  // The pass with its moves split where tabs start and end, the tool rising
  // over each tab to its top and coming down again at the plunge feed.
  bool TabbedPass(const Contour& c, double depth, double top) {
    const double width = r_.tabWidth * unit_;
    std::vector<std::pair<double, double>> tabs;
    for (int t = 0; t < r_.tabs; ++t) {
      const double middle = c.length * (t + 0.5) / r_.tabs;
      tabs.emplace_back(middle - width / 2, middle + width / 2);
    }
    const std::string plunge = "F" + Number(r_.plungeFeed);
    double s = 0;  // along the contour
    for (size_t i = c.first; i <= c.last; ++i) {
      const ProgramLine& line = p_.lines[i];
      if (line.block.moves.empty()) {
        if (!writer_.PutOwn(std::string(p_.Line(i)))) return false;
        continue;
      }
      for (const gcode::Move& m : line.block.moves) {
        const double length = LengthOf(m);
        std::vector<double> cuts{s, s + length};
        for (const auto& [a, b] : tabs)
          for (double x : {a, b})
            if (x > s && x < s + length) cuts.push_back(x);
        std::sort(cuts.begin(), cuts.end());
        for (size_t k = 0; k + 1 < cuts.size(); ++k) {
          if (cuts[k + 1] - cuts[k] < 1e-9) continue;
          const double middle = (cuts[k] + cuts[k + 1]) / 2;
          const bool onTab = std::any_of(tabs.begin(), tabs.end(),
                                         [&](const auto& t) { return middle >= t.first && middle <= t.second; });
          const double level = onTab ? top : depth;
          const gcode::Point here = writer_.written().position();
          if (std::fabs(here[2] - level) > 1e-9 && !Own("G01", WithZ(here, level), level < here[2] ? plunge : ""))
            return false;
          const gcode::Point to = WithZ(Along(m, cuts[k + 1] - s, length), level);
          const std::string feed = FeedWord(line.after.feed);
          const bool arc = m.kind == gcode::MoveKind::Arc;
          if (!Own(arc ? (m.clockwise ? "G02" : "G03") : "G01", to, feed, arc ? &m.centre : nullptr,
                   line.block.number))
            return false;
        }
        s += length;
      }
    }
    return true;
  }

  const InterpretedProgram& p_;
  const DepthPassRequest& r_;
  double unit_;
  ProgramWriter writer_;
  int passes_ = 0;
  int contourLine_ = 0;  // the number of the contour's first line, being written
};

}  // namespace

DepthPassStart DepthPassStartOf(const std::string& program) {
  const InterpretedProgram p = InterpretProgram(program);
  DepthPassStart start;
  if (!p.ok()) return start;
  const double unit = UnitOf(p);
  start.units = unit == 1.0 ? "mm" : "inch";
  if (const auto highest = HighestZOf(p)) start.highestZ = *highest / unit;
  const FoundContours found = FindContours(p);
  if (!found.contours.empty()) {
    const Contour& c = found.contours.front();
    start.surfaceZ = c.z / unit;
    start.feed = p.lines[c.first].after.feed;
  }
  return start;
}

CopiedProgram DepthPasses(const std::string& program, const DepthPassRequest& r) {
  if (!(r.step > 0))
    return Refused("Paso 0'dan büyük olmalı; hiçbir şey değişmedi (the step down must be more than 0; nothing changed).");
  if (!(r.finalZ < r.surfaceZ))
    return Refused("Son derinlik yüzeyin altında olmalı; hiçbir şey değişmedi (the final depth must be below the "
                   "surface; nothing changed).");
  if (!(r.plungeFeed > 0))
    return Refused("Dalış ilerlemesi 0'dan büyük olmalı; hiçbir şey değişmedi (the plunge feed must be more than 0; "
                   "nothing changed).");
  if (r.tabs < 0 || (r.tabs > 0 && !(r.tabWidth > 0 && r.tabHeight > 0)))
    return Refused("Köprülerin genişliği ve yüksekliği 0'dan büyük olmalı; hiçbir şey değişmedi (tabs need a width "
                   "and a height of more than 0; nothing changed).");
  const InterpretedProgram p = InterpretProgram(program);
  if (!p.ok()) return Refused(p.refusal);
  const double unit = UnitOf(p);
  if (const auto highest = HighestZOf(p); highest && r.safeZ * unit < *highest - 1e-9)
    return Refused(SafeZBelow(r.safeZ, *highest / unit));
  const FoundContours found = FindContours(p);
  if (!found.refusal.empty()) return Refused(found.refusal);
  if (found.contours.empty())
    return Refused("Programda kontur yok: tek Z'de ilerleme hareketleri (the program has no contour: feed moves at "
                   "one Z); hiçbir şey değişmedi (nothing changed).");

  // Counted in 64 bits before anything is made.
  const double passes = std::ceil((r.surfaceZ - r.finalZ) / r.step - 1e-9);
  uint64_t total = p.lines.size();
  for (const Contour& c : found.contours) {
    if (c.z < r.surfaceZ * unit - 1e-6)
      return Refused(LineRefusal(p.lines[c.first].block.number,
                                 "kontur yüzeyin altında kesiyor; ilk paso ondan yukarıda olurdu",
                                 "the contour cuts below the surface Z, above which the first pass would be"));
    if (r.tabs > 0 && r.tabs * r.tabWidth * unit >= c.length)
      return Refused(LineRefusal(p.lines[c.first].block.number, "köprüler konturun boyuna sığmıyor",
                                 "the tabs do not fit along the contour"));
    if (r.tabs > 0)
      for (size_t i = c.first; i <= c.last; ++i)
        for (const gcode::Move& m : p.lines[i].block.moves)
          if (m.turns > 1)
            return Refused(LineRefusal(p.lines[i].block.number, "bir turdan uzun yaya köprü konmaz",
                                       "tabs are not put on an arc of more than one turn"));
    const double perPass = static_cast<double>(c.last - c.first + 1) + 4 + 4.0 * r.tabs;
    if (passes * perPass + static_cast<double>(total) > static_cast<double>(kMostCopiedLines))
      return Refused(LinesTooMany());
    total += static_cast<uint64_t>(passes * perPass);
  }

  PassWriter writer(p, r, unit);
  if (!writer.Program(found.contours)) return Refused(writer.refusal());
  const uint64_t lines = LineCount(writer.text());
  if (lines > kMostCopiedLines) return Refused(LinesTooMany());
  const std::string n = Thousands(lines), k = std::to_string(found.contours.size()),
                    s = std::to_string(writer.passes()), t = std::to_string(r.tabs);
  return {std::move(writer.text()),
          "Derinlik pasoları: " + k + " kontur × " + s + " paso, " + t + " köprü; " + n + " satır (depth passes: " + k +
              (k == "1" ? " contour × " : " contours × ") + s + (s == "1" ? " pass, " : " passes, ") + t +
              (t == "1" ? " tab; " : " tabs; ") + n + (n == "1" ? " line)." : " lines).")};
}

}  // namespace kestrom
