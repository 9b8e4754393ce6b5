// Arbitrary program texts through the interpreter and every command that
// changes a program: nothing may crash, and whatever a command writes must
// read back whole. Every tool offset made is proven before it is written; a
// program of one contour is checked again here, by brute force: no cut at its
// depth comes nearer it than the tool's radius.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>
#include <cstdlib>
#include <string>

#include "gcode/program_walk.h"
#include "toolpath/depth_passes.h"
#include "toolpath/dxf_drawing.h"
#include "teach/hole_lines.h"
#include "teach/line_edits.h"
#include "toolpath/program_copies.h"
#include "teach/interpreted_program.h"
#include "toolpath/contours.h"
#include "toolpath/program_measures.h"
#include "toolpath/tool_radius.h"

namespace {

bool ReadsWhole(const std::string& program) {
  kestrom::gcode::ProgramWalk walk(program);
  kestrom::gcode::Interpreter interpreter;
  kestrom::gcode::Block block;
  while (walk.Next(interpreter, block)) {
  }
  return !walk.failed();
}

void Check(const kestrom::CopiedProgram& copy) {
  if (copy.text && !ReadsWhole(*copy.text)) std::abort();
}

// The points a move passes, a hundredth of a millimetre apart at most (arcs'
// chords standing within a hair of them).
std::vector<kestrom::gcode::Point> Along(const kestrom::gcode::Move& m) {
  const double length = kestrom::LengthOf(m);
  const int steps = static_cast<int>(std::min(2000.0, std::ceil(length / 0.01))) + 1;
  std::vector<kestrom::gcode::Point> points;
  for (int k = 0; k <= steps; ++k) points.push_back(kestrom::Along(m, length * k / steps, length));
  return points;
}

double SegmentDistance(const kestrom::gcode::Point& p, const kestrom::gcode::Point& a, const kestrom::gcode::Point& b) {
  const double dx = b[0] - a[0], dy = b[1] - a[1], n2 = dx * dx + dy * dy;
  const double t = n2 > 0 ? std::clamp(((p[0] - a[0]) * dx + (p[1] - a[1]) * dy) / n2, 0.0, 1.0) : 0;
  return std::hypot(p[0] - a[0] - dx * t, p[1] - a[1] - dy * t);
}

// A program of one contour: every cut of its offset at the contour's depth at the radius from it or farther.
void CheckOffset(const std::string& program, const kestrom::ToolRadiusRequest& request) {
  using namespace kestrom;
  const CopiedProgram cut = OffsetByToolRadius(program, request);
  Check(cut);
  if (!cut.text || program.size() > 4000) return;
  const InterpretedProgram original = InterpretProgram(program), written = InterpretProgram(*cut.text);
  const FoundContours found = FindContours(original);
  if (found.contours.size() != 1 || !written.ok()) return;
  const Contour& c = found.contours.front();
  std::vector<gcode::Point> contour;
  for (size_t i = c.first; i <= c.last; ++i)
    for (const gcode::Move& m : original.lines[i].block.moves)
      for (const gcode::Point& p : Along(m)) contour.push_back(p);
  const double radius = request.diameter * UnitOf(original) / 2;
  if (contour.size() > 20000) return;
  for (const ProgramLine& line : written.lines)
    for (const gcode::Move& m : line.block.moves) {
      if ((m.kind != gcode::MoveKind::Feed && m.kind != gcode::MoveKind::Arc) || m.FromUnknown() ||
          std::fabs(m.from[2] - c.z) > 1e-6 || std::fabs(m.to[2] - c.z) > 1e-6 ||
          (m.kind == gcode::MoveKind::Feed && m.from == m.to))  // a move that goes nowhere cuts nothing
        continue;
      for (const gcode::Point& p : Along(m)) {
        double nearest = 1e300;
        for (size_t k = 0; k + 1 < contour.size(); ++k) nearest = std::min(nearest, SegmentDistance(p, contour[k], contour[k + 1]));
        // The chords stand off the arcs by less than this, and the numbers round by less.
        if (nearest < radius - 2e-3) std::abort();
      }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kestrom;
  const std::string program(reinterpret_cast<const char*>(data), size);
  ReadsWhole(program);
  Check(MoveProgram(program, 1.5, -2, 0.25));
  Check(MakeRelative(program));
  GridLayout grid;
  grid.rows = 2;
  grid.columns = 2;
  grid.dx = grid.dy = 10;
  grid.safeZ = CopyStartOf(program).highestZ.value_or(0) + 1;
  Check(RepeatInGrid(program, grid));
  const DepthPassStart start = DepthPassStartOf(program);
  DepthPassRequest passes;
  passes.surfaceZ = start.surfaceZ.value_or(0);
  passes.finalZ = passes.surfaceZ - 2.5;
  passes.safeZ = start.highestZ.value_or(0) + 1;
  passes.tabs = 2;
  passes.tabWidth = 0.5;
  passes.tabHeight = 1;
  Check(DepthPasses(program, passes));
  (void)HoleRunEnd(program);
  CheckOffset(program, {2.5, size % 2 == 0, size % 3 == 0, std::nullopt});
  CheckOffset(program, {0.5, size % 2 != 0, size % 3 != 0, std::nullopt});
  (void)DrawingOf(program);
  const Readouts here = {"+1.0000", "+2.0000", "+3.0000", "+0.0000", "+0.0000", "+0.0000"};
  const size_t caret = size / 2;
  for (const LineEdit& e : {ReteachLine(program, caret, here), InsertLineAfter(program, caret, "G01  X+1.0000 Y+2.0000", "X+1.0000 Y+2.0000"),
                            DeleteLine(program, caret)})
    if (e.made() && (e.start > program.size() || e.length > program.size() - e.start)) std::abort();
  return 0;
}
