#include "toolpath/dxf_drawing.h"

#include <cmath>

#include "gcode/numbers.h"
#include "gcode/program_walk.h"
#include "teach/interpreted_program.h"

namespace kestrom {
namespace {

constexpr double kPi = 3.14159265358979323846;

class DxfWriter {
 public:
  void Pair(int code, const std::string& value) {
    out_ += std::to_string(code);
    out_ += "\r\n";
    out_ += value;
    out_ += "\r\n";
  }
  void Number(int code, double value) { Pair(code, gcode::Write(value, {6, false, '.'})); }
  void Point(int code, double x, double y, double z) {
    Number(code, x);
    Number(code + 10, y);
    Number(code + 20, z);
  }
  std::string& text() { return out_; }

 private:
  std::string out_;
};

}  // namespace

Drawing DrawingOf(std::string_view program) {
  Drawing drawing;
  gcode::ProgramWalk walk(program);
  gcode::Interpreter interpreter;
  gcode::Block block;
  DxfWriter entities;
  bool inches = false, unitsKnown = false;
  while (walk.Next(interpreter, block)) {
    const gcode::Modal& st = interpreter.state();
    if (!unitsKnown && !block.moves.empty()) inches = st.inches, unitsKnown = true;
    const double unit = inches ? 25.4 : 1.0;
    auto line = [&](const char* layer, const gcode::Point& a, const gcode::Point& b) {
      entities.Pair(0, "LINE");
      entities.Pair(8, layer);
      entities.Point(10, a[0] / unit, a[1] / unit, a[2] / unit);
      entities.Point(11, b[0] / unit, b[1] / unit, b[2] / unit);
    };
    for (const gcode::Move& m : block.moves) {
      // A hole is drawn as the point of its bottom; a move from where the
      // machine happened to stand has no start the drawing could show.
      if (m.kind == gcode::MoveKind::Dwell || m.cycle || m.FromUnknown()) continue;
      if (m.kind == gcode::MoveKind::Rapid) {
        line(kRapidLayer, m.from, m.to);
        ++drawing.rapids;
      } else if (m.kind == gcode::MoveKind::Feed) {
        line(kCutLayer, m.from, m.to);
        ++drawing.lines;
      } else if (m.plane == gcode::Plane::XY && std::fabs(m.from[2] - m.to[2]) < 1e-9) {
        // An ARC runs counter-clockwise from its start angle to its end angle.
        const gcode::ArcShape shape = gcode::ShapeOf(m.from, m.to, m.centre, m.plane, m.clockwise, m.turns);
        const double a0 = shape.startAngle * 180 / kPi, a1 = (shape.startAngle + shape.sweep) * 180 / kPi;
        double from = m.clockwise ? a1 : a0, to = m.clockwise ? a0 : a1;
        if (std::fabs(shape.sweep) >= 2 * kPi - 1e-9) from = 0, to = 360;
        entities.Pair(0, "ARC");
        entities.Pair(8, kCutLayer);
        entities.Point(10, m.centre[0] / unit, m.centre[1] / unit, m.from[2] / unit);
        entities.Number(40, shape.radius / unit);
        entities.Number(50, std::fmod(std::fmod(from, 360) + 360, 360));
        entities.Number(51, to == 360 ? 360 : std::fmod(std::fmod(to, 360) + 360, 360));
        ++drawing.arcs;
      } else {  // helical or in another plane: its chords, a 64th of a turn each
        const gcode::ArcShape shape = gcode::ShapeOf(m.from, m.to, m.centre, m.plane, m.clockwise, m.turns);
        const int steps = std::max(2, static_cast<int>(std::ceil(std::fabs(shape.sweep) / (2 * kPi / 64))));
        gcode::Point at = m.from;
        for (int i = 1; i <= steps; ++i) {
          const gcode::Point next = gcode::PointOnArc(m.from, m.to, m.centre, m.plane, shape, double(i) / steps);
          line(kCutLayer, at, next);
          ++drawing.lines;
          at = next;
        }
      }
    }
    for (const gcode::Point& bottom : gcode::HolesOf(block)) {
      entities.Pair(0, "POINT");
      entities.Pair(8, kHoleLayer);
      entities.Point(10, bottom[0] / unit, bottom[1] / unit, bottom[2] / unit);
      ++drawing.holes;
    }
  }
  if (walk.failed()) {
    drawing.refusal = UnreadableMessage(block);
    return drawing;
  }
  DxfWriter dxf;
  dxf.Pair(0, "SECTION");
  dxf.Pair(2, "HEADER");
  dxf.Pair(9, "$ACADVER");
  dxf.Pair(1, "AC1009");
  dxf.Pair(9, "$INSUNITS");  // 1 inches, 4 millimetres
  dxf.Pair(70, inches ? "1" : "4");
  dxf.Pair(9, "$MEASUREMENT");  // 0 imperial, 1 metric
  dxf.Pair(70, inches ? "0" : "1");
  dxf.Pair(0, "ENDSEC");
  dxf.Pair(0, "SECTION");
  dxf.Pair(2, "TABLES");
  dxf.Pair(0, "TABLE");
  dxf.Pair(2, "LAYER");
  dxf.Pair(70, "3");
  for (const auto& [name, colour] : {std::pair{kCutLayer, "1"}, std::pair{kRapidLayer, "8"}, std::pair{kHoleLayer, "3"}}) {
    dxf.Pair(0, "LAYER");
    dxf.Pair(2, name);
    dxf.Pair(70, "0");
    dxf.Pair(62, colour);
    dxf.Pair(6, "CONTINUOUS");
  }
  dxf.Pair(0, "ENDTAB");
  dxf.Pair(0, "ENDSEC");
  dxf.Pair(0, "SECTION");
  dxf.Pair(2, "ENTITIES");
  dxf.text() += entities.text();
  dxf.Pair(0, "ENDSEC");
  dxf.Pair(0, "EOF");
  drawing.dxf = std::move(dxf.text());
  return drawing;
}

}  // namespace kestrom
