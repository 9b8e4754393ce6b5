// The path a program describes, read from its text: the points its motion
// lines reach, and whether the spindle turned while moving there.
#pragma once
#include <string_view>
#include <vector>

namespace kestrom {

// How the machine reached a point: a feed move with the spindle off or on, or
// a rapid (G0), or a move the view does not draw (an arc's end). A program's
// first move starts at the origin, as in a toolpath preview.
enum class MoveKind : unsigned char { Off, On, Rapid, Jump };

struct PathPoint {
  double x = 0, y = 0, z = 0;  // millimetres
  MoveKind kind = MoveKind::Off;
};

// Reads a program line by line, keeping the modal state between lines: the
// motion mode (G0/G1, G2/G3), absolute or incremental (G90/G91), inch or
// millimetre (G20/G21), the spindle (M3/M4 on, M5/M2/M30 off) and every axis's
// last value, which a line that does not name the axis keeps. Comments "(...)"
// and after ";" are skipped; a line with a word that is not a letter and a
// number is skipped whole and changes nothing.
class PathReader {
 public:
  // True when the line moves the machine; `to` is where it goes.
  bool Read(std::string_view line, PathPoint& to);
  bool spindleOn() const { return spindle_; }

 private:
  double at_[3] = {0, 0, 0};
  int motion_ = 1;        // G1 until a program says otherwise: plain "X.. Y.." lines draw
  bool incremental_ = false;
  bool inches_ = false;
  bool spindle_ = false;
};

// Every line of a program, in order; lines end in LF or CR LF.
std::vector<PathPoint> ReadPath(std::string_view program);
// Reads the rest of `program` after what `reader` has read: the same points
// as reading the whole program, for text appended since.
void ReadPathInto(std::string_view program, PathReader& reader, std::vector<PathPoint>& points);

// A number as Mach3's readouts and the recorder write it: "+1.2500", "1,25", "-.5".
bool ReadMachineNumber(std::string_view text, double& out);

}  // namespace kestrom
