// The path a program describes, read from its text: the points its motion
// lines reach, and whether the spindle turned while moving there.
#pragma once
#include <optional>
#include <string_view>
#include <vector>

#include "teach/gcode_reader.h"

namespace kestrom {

// How the machine reached a point: a feed move with the spindle off or on, or
// a rapid (G0), or a move the view does not draw. A program's first move
// starts at the origin, as in a toolpath preview.
enum class MoveKind : unsigned char { Off, On, Rapid, Jump };

struct PathPoint {
  double x = 0, y = 0, z = 0;  // millimetres
  MoveKind kind = MoveKind::Off;
};

// A point of the reader (millimetres) as the view draws it.
inline PathPoint ToPathPoint(const gcode::Point& p, MoveKind kind = MoveKind::Off) { return {p[0], p[1], p[2], kind}; }

// Reads a program line by line through the G-code reader, which keeps the
// modal state between lines (motion, G90/G91, G20/G21, the spindle, every
// axis's last value). A line with a word the reader does not know is left out
// of the picture and changes nothing.
class PathReader {
 public:
  // The points the line moves the machine through, added to `points`: its end,
  // and for an arc as many points along it as keep the drawing within a
  // fraction of a pixel of the true arc. Returns how many were added.
  size_t Read(std::string_view line, std::vector<PathPoint>& points);
  bool spindleOn() const { return spindle_; }
  // Where the machine stands after the lines read, in millimetres, and whether any moved it.
  const gcode::Point& at() const { return at_; }
  bool moved() const { return moved_; }

 private:
  gcode::Reader reader_;
  gcode::Line line_;
  gcode::Point at_{};
  bool spindle_ = false;
  bool moved_ = false;
};

// Every line of a program, in order; lines end in LF or CR LF.
std::vector<PathPoint> ReadPath(std::string_view program);
// Reads the rest of `program` after what `reader` has read: the same points
// as reading the whole program, for text appended since.
void ReadPathInto(std::string_view program, PathReader& reader, std::vector<PathPoint>& points);

// Where the program's last move ends; nothing when no line moves the machine.
std::optional<gcode::Point> LastPointOf(std::string_view program);
// Where the machine stands once the line that holds byte `offset` has run.
PathPoint PointAfterLineAt(std::string_view program, size_t offset);

}  // namespace kestrom
