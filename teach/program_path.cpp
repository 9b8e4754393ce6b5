#include "teach/program_path.h"

#include <algorithm>
#include <cmath>

#include "gcode/lines.h"

namespace kestrom {

namespace {
constexpr double kPi = 3.14159265358979323846;
// Chords of at most a 256th of a turn: an arc that fills a view of 4,000 pixels
// stays within a fifth of a pixel of its chords.
constexpr double kChordStep = 2 * kPi / 256;

bool Same(const gcode::Point& a, const gcode::Point& b) {
  for (int i = 0; i < 3; ++i)
    if (std::fabs(a[i] - b[i]) > 1e-9) return false;
  return true;
}
}  // namespace

void PathReader::Add(const gcode::Block& block, std::vector<PathPoint>& points) {
  const gcode::Modal& state = interpreter_.state();
  if (state.compensation != gcode::Compensation::Off) compensation_ = true;
  // The spindle starts before the line's move and stops after it.
  const bool on = state.spindle != gcode::Spindle::Off;
  const bool spindleDuringMove = (block.spindleChanged && on) || spindle_;
  spindle_ = on;
  const MoveKind feed = spindleDuringMove ? MoveKind::On : MoveKind::Off;
  for (const gcode::Point& hole : gcode::HolesOf(block)) holes_.push_back(ToPathPoint(hole, feed));
  for (const gcode::Move& move : block.moves) {
    if (move.kind == gcode::MoveKind::Dwell) continue;
    // Work zero moved under the machine (a work offset, G92): the path goes on from where it now reads.
    if (!Same(move.from, at_)) points.push_back(ToPathPoint(move.from, MoveKind::Jump));
    at_ = move.to;
    moved_ = true;
    // A move from where the machine happened to stand is the approach: drawn as a rapid is.
    if (move.kind == gcode::MoveKind::Rapid || move.FromUnknown()) {
      points.push_back(ToPathPoint(move.to, MoveKind::Rapid));
    } else if (move.kind == gcode::MoveKind::Feed) {
      points.push_back(ToPathPoint(move.to, feed));
    } else {
      const gcode::ArcShape shape =
          gcode::ShapeOf(move.from, move.to, move.centre, move.plane, move.clockwise, move.turns);
      const size_t steps =
          std::max<size_t>(2, static_cast<size_t>(std::ceil(std::fabs(shape.sweep) / kChordStep)));
      for (size_t i = 1; i <= steps; ++i)
        points.push_back(ToPathPoint(gcode::PointOnArc(move.from, move.to, move.centre, move.plane, shape,
                                                       static_cast<double>(i) / static_cast<double>(steps)),
                                     feed));
    }
  }
  if (block.moves.empty() && !Same(block.end, at_)) {
    // An origin changed with no move: later moves start from where the machine now reads.
    at_ = block.end;
  }
}

void PathReader::Read(std::string_view text, std::vector<PathPoint>& points) {
  walk_.Append(text);
  while (walk_.Next(interpreter_, block_)) Add(block_, points);
  if (walk_.failed() && problem_.empty()) problem_ = block_.Problem();
}

std::vector<PathPoint> ReadPath(std::string_view program) {
  PathReader reader;
  std::vector<PathPoint> points;
  reader.Read(program, points);
  return points;
}

std::optional<gcode::Point> LastPointOf(std::string_view program) {
  const ProgramEnd end = EndOfProgram(program);
  if (!end.moved) return std::nullopt;
  return end.at;
}

ProgramEnd EndOfProgram(std::string_view program) {
  gcode::ProgramWalk walk(program);
  gcode::Interpreter interpreter;
  gcode::Block block;
  ProgramEnd end;
  while (walk.Next(interpreter, block)) end.moved |= !block.moves.empty();
  if (walk.failed()) end.problem = block.Problem();
  end.at = interpreter.position();
  end.state = interpreter.state();
  return end;
}

PathPoint PointAfterLineAt(std::string_view program, size_t offset) {
  size_t target = 0;
  gcode::ForEachLine(program, [&](std::string_view, size_t, size_t end) {
    if (offset <= end) return false;
    ++target;
    return true;
  });
  gcode::ProgramWalk walk(program);
  gcode::Interpreter interpreter;
  gcode::Block block;
  while (walk.Next(interpreter, block))
    if (walk.lineIndex() == target) break;
  return ToPathPoint(interpreter.position(), MoveKind::Off);
}

}  // namespace kestrom
