#include "teach/program_path.h"

#include <algorithm>
#include <cmath>

namespace kestrom {

namespace {
constexpr double kPi = 3.14159265358979323846;
// Chords of at most a 256th of a turn: an arc that fills a view of 4,000 pixels
// stays within a fifth of a pixel of its chords.
constexpr double kChordStep = 2 * kPi / 256;
}  // namespace

size_t PathReader::Read(std::string_view line, std::vector<PathPoint>& points) {
  if (!reader_.Read(line, line_)) return 0;
  const gcode::Modal& state = reader_.state();
  // The spindle starts before the line's move and stops after it.
  const bool on = state.spindle != gcode::Spindle::Off;
  const bool spindleDuringMove = (line_.spindleChanged && on) || spindle_;
  spindle_ = on;
  if (!line_.moves) return 0;
  const gcode::Point from = at_;
  at_ = gcode::TargetOf(line_, state, from);
  moved_ = true;
  const MoveKind feed = spindleDuringMove ? MoveKind::On : MoveKind::Off;
  if (state.motion == gcode::Motion::Rapid) {
    points.push_back(ToPathPoint(at_, MoveKind::Rapid));
    return 1;
  }
  if (state.motion == gcode::Motion::Line) {
    points.push_back(ToPathPoint(at_, feed));
    return 1;
  }
  const gcode::Point centre = gcode::ArcCentreOf(line_, state, from);
  const gcode::ArcShape shape =
      gcode::ShapeOf(from, at_, centre, state.plane, state.motion == gcode::Motion::ArcCw);
  const size_t steps = std::max<size_t>(2, static_cast<size_t>(std::ceil(std::fabs(shape.sweep) / kChordStep)));
  for (size_t i = 1; i <= steps; ++i)
    points.push_back(ToPathPoint(gcode::PointOnArc(from, at_, centre, state.plane, shape,
                                                   static_cast<double>(i) / static_cast<double>(steps)),
                                 feed));
  return steps;
}

void ReadPathInto(std::string_view program, PathReader& reader, std::vector<PathPoint>& points) {
  gcode::ForEachLine(program, [&](std::string_view line, size_t, size_t) {
    reader.Read(line, points);
    return true;
  });
}

namespace {
// The program's lines read up to the one that holds byte `upTo`, or all of them.
PathReader ReadUpTo(std::string_view program, size_t upTo = std::string_view::npos) {
  PathReader reader;
  std::vector<PathPoint> scratch;
  gcode::ForEachLine(program, [&](std::string_view line, size_t, size_t end) {
    scratch.clear();
    reader.Read(line, scratch);
    return upTo > end;
  });
  return reader;
}
}  // namespace

std::optional<gcode::Point> LastPointOf(std::string_view program) {
  const PathReader reader = ReadUpTo(program);
  if (!reader.moved()) return std::nullopt;
  return reader.at();
}

PathPoint PointAfterLineAt(std::string_view program, size_t offset) {
  return ToPathPoint(ReadUpTo(program, offset).at(), MoveKind::Off);
}

std::vector<PathPoint> ReadPath(std::string_view program) {
  PathReader reader;
  std::vector<PathPoint> points;
  ReadPathInto(program, reader, points);
  return points;
}

}  // namespace kestrom
