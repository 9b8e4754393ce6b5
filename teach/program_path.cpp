#include "teach/program_path.h"

namespace kestrom {

bool PathReader::Read(std::string_view line, PathPoint& to) {
  if (!reader_.Read(line, line_)) return false;
  const gcode::Modal& state = reader_.state();
  // The spindle starts before the line's move and stops after it.
  const bool on = state.spindle != gcode::Spindle::Off;
  const bool spindleDuringMove = (line_.spindleChanged && on) || spindle_;
  spindle_ = on;
  if (!line_.moves) return false;
  at_ = gcode::TargetOf(line_, state, at_);
  to.x = at_[0];
  to.y = at_[1];
  to.z = at_[2];
  if (state.motion == gcode::Motion::Rapid) to.kind = MoveKind::Rapid;
  else if (state.motion == gcode::Motion::Line) to.kind = spindleDuringMove ? MoveKind::On : MoveKind::Off;
  else to.kind = MoveKind::Jump;  // an arc: its end is right, its straight chord would not be
  return true;
}

void ReadPathInto(std::string_view program, PathReader& reader, std::vector<PathPoint>& points) {
  size_t start = 0;
  while (start <= program.size()) {
    size_t end = program.find('\n', start);
    if (end == std::string_view::npos) end = program.size();
    PathPoint p;
    if (reader.Read(program.substr(start, end - start), p)) points.push_back(p);
    start = end + 1;
  }
}

std::vector<PathPoint> ReadPath(std::string_view program) {
  PathReader reader;
  std::vector<PathPoint> points;
  ReadPathInto(program, reader, points);
  return points;
}

}  // namespace kestrom
