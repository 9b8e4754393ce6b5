#include "toolpath/contours.h"

#include <algorithm>
#include <cmath>

namespace kestrom {

bool Cuts(const gcode::Block& b) {
  if (b.moves.empty() || b.fixedPlace) return false;
  bool across = false;
  for (const gcode::Move& m : b.moves) {
    // A move from where the machine happened to stand (a program's first) approaches; it cuts nothing known.
    if ((m.kind != gcode::MoveKind::Feed && m.kind != gcode::MoveKind::Arc) || m.cycle || m.machineFrame ||
        m.FromUnknown())
      return false;
    across |= m.kind == gcode::MoveKind::Arc || std::fabs(m.to[0] - m.from[0]) > 1e-9 ||
              std::fabs(m.to[1] - m.from[1]) > 1e-9;
  }
  return across;
}

bool Quiet(const gcode::Block& b) {
  // A move that goes nowhere (a readout read again, rounded to what it was) moves nothing.
  for (const gcode::Move& m : b.moves)
    if (m.kind == gcode::MoveKind::Dwell || m.cycle || m.machineFrame || m.FromUnknown() || m.from != m.to) return false;
  return b.stop == gcode::Stop::None && !b.spindleChanged && !b.toolChange && !b.changesOrigin && !b.label &&
         !b.returns && !b.tapeMark && !b.Names('M') && !b.Names('T');
}

double LengthOf(const gcode::Move& m) {
  if (m.kind != gcode::MoveKind::Arc) return std::hypot(m.to[0] - m.from[0], m.to[1] - m.from[1]);
  const gcode::ArcShape shape = gcode::ShapeOf(m.from, m.to, m.centre, m.plane, m.clockwise, m.turns);
  return std::fabs(shape.sweep) * shape.radius;
}

gcode::Point Along(const gcode::Move& m, double length, double total) {
  const double t = total > 0 ? std::clamp(length / total, 0.0, 1.0) : 1.0;
  if (m.kind == gcode::MoveKind::Arc) {
    const gcode::ArcShape shape = gcode::ShapeOf(m.from, m.to, m.centre, m.plane, m.clockwise, m.turns);
    return gcode::PointOnArc(m.from, m.to, m.centre, m.plane, shape, t);
  }
  gcode::Point p{};
  for (int a = 0; a < gcode::kAxes; ++a) p[a] = m.from[a] + (m.to[a] - m.from[a]) * t;
  return p;
}

namespace {
// A cutting line whose moves all stay at one height, in the XY plane.
bool Level(const gcode::Block& b) {
  for (const gcode::Move& m : b.moves)
    if (std::fabs(m.from[2] - m.to[2]) > 1e-6 || (m.kind == gcode::MoveKind::Arc && m.plane != gcode::Plane::XY))
      return false;
  return true;
}
}  // namespace

FoundContours FindContours(const InterpretedProgram& p) {
  FoundContours found;
  auto refuse = [&](int line, const char* tr, const char* en) {
    found.refusal = LineRefusal(line, tr, en);
    return found;
  };
  auto level = [&](size_t j) { return Cuts(p.lines[j].block) && Level(p.lines[j].block); };
  for (size_t i = 0; i < p.lines.size(); ++i) {
    if (!Cuts(p.lines[i].block)) continue;
    size_t last = i;
    for (size_t j = i + 1; j < p.lines.size(); ++j) {
      if (Cuts(p.lines[j].block)) last = j;
      else if (!Quiet(p.lines[j].block)) break;
    }
    // A ramp or a helix into the run, or out of it, is the contour's way in
    // or out (as CAM posts enter a contour): cut once, as the program has it.
    // A run of nothing else holds no contour.
    size_t first = i, end = last + 1;
    while (first < end && !level(first)) ++first;
    while (end > first && !level(end - 1)) --end;
    const size_t run = last;
    if (first == end) {
      i = run;
      continue;
    }
    Contour c;
    c.first = first;
    c.last = end - 1;
    const gcode::Move& start = p.lines[c.first].block.moves.front();
    c.z = start.from[2];
    for (size_t j = c.first; j <= c.last; ++j) {
      const ProgramLine& line = p.lines[j];
      if (line.block.moves.empty()) continue;
      if (line.after.feedMode == gcode::FeedMode::InverseTime)
        return refuse(line.block.number, "ters zaman ilerlemesi (G93) ile kesiyor; pasoların ilerlemesi yazılamaz",
                      "it cuts with inverse-time feed (G93); the passes' feeds cannot be written");
      for (const gcode::Move& m : line.block.moves) {
        if (std::fabs(m.from[2] - c.z) > 1e-6 || std::fabs(m.to[2] - c.z) > 1e-6 ||
            (m.kind == gcode::MoveKind::Arc && m.plane != gcode::Plane::XY))
          return refuse(line.block.number, "kontur keserken Z değişiyor", "the contour's Z changes while it cuts");
        c.length += LengthOf(m);
      }
    }
    const gcode::Point& endPoint = p.lines[c.last].block.moves.back().to;
    c.closed = std::hypot(endPoint[0] - start.from[0], endPoint[1] - start.from[1]) <= kClosedWithin;
    found.contours.push_back(c);
    i = run;
  }
  return found;
}

}  // namespace kestrom
