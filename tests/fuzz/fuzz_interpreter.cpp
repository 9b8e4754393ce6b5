// Arbitrary program texts through the interpreter and every command that
// changes a program: nothing may crash, and whatever a command writes must
// read back whole.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "gcode/program_walk.h"
#include "teach/depth_passes.h"
#include "teach/dxf_drawing.h"
#include "teach/hole_lines.h"
#include "teach/line_edits.h"
#include "teach/program_copies.h"
#include "teach/tool_radius.h"

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
  (void)EndsInHoleRun(program);
  Check(OffsetByToolRadius(program, {2.5, size % 2 == 0, size % 3 == 0}));
  (void)DrawingOf(program);
  const Readouts here = {"+1.0000", "+2.0000", "+3.0000", "+0.0000", "+0.0000", "+0.0000"};
  const size_t caret = size / 2;
  for (const LineEdit& e : {ReteachLine(program, caret, here), InsertLineAfter(program, caret, "G01  X+1.0000 Y+2.0000", "X+1.0000 Y+2.0000"),
                            DeleteLine(program, caret)})
    if (e.made() && (e.start > program.size() || e.length > program.size() - e.start)) std::abort();
  return 0;
}
