// The path a program describes, read from its text: the points its motion
// lines reach, and whether the spindle turned while moving there.
#pragma once
#include <string_view>
#include <vector>

#include "teach/gcode_reader.h"

namespace kestrom {

// How the machine reached a point: a feed move with the spindle off or on, or
// a rapid (G0), or a move the view does not draw (an arc's end). A program's
// first move starts at the origin, as in a toolpath preview.
enum class MoveKind : unsigned char { Off, On, Rapid, Jump };

struct PathPoint {
  double x = 0, y = 0, z = 0;  // millimetres
  MoveKind kind = MoveKind::Off;
};

// Reads a program line by line through the G-code reader, which keeps the
// modal state between lines (motion, G90/G91, G20/G21, the spindle, every
// axis's last value). A line with a word the reader does not know is left out
// of the picture and changes nothing.
class PathReader {
 public:
  // True when the line moves the machine; `to` is where it goes.
  bool Read(std::string_view line, PathPoint& to);
  bool spindleOn() const { return spindle_; }

 private:
  gcode::Reader reader_;
  gcode::Line line_;
  gcode::Point at_{};
  bool spindle_ = false;
};

// Every line of a program, in order; lines end in LF or CR LF.
std::vector<PathPoint> ReadPath(std::string_view program);
// Reads the rest of `program` after what `reader` has read: the same points
// as reading the whole program, for text appended since.
void ReadPathInto(std::string_view program, PathReader& reader, std::vector<PathPoint>& points);

}  // namespace kestrom
