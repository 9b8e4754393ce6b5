// The one reader of the G-code that Kestrom writes and opens: the path view,
// SimMach3's lines and program runs, and the thinning read words and numbers
// only through it. It keeps the modal state from line to line and reports a
// word it does not know, with the line's number, instead of skipping it: each
// user decides what such a line means to it.
#pragma once
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrom::gcode {

constexpr int kAxes = 6;  // X Y Z A B C
constexpr const char kAxisLetters[kAxes + 1] = "XYZABC";

// A number as G-code and Mach3's readouts write it: "+1.2500", "1,25", "-.5", "10".
bool ReadNumber(std::string_view text, double& out);

// Where a word stands in a line's text: its letter (upper case) and its
// number's bytes. Comments are passed over.
struct WordSpan {
  char letter = 0;
  size_t start = 0;                    // the letter
  size_t numberStart = 0, numberEnd = 0;
};
std::vector<WordSpan> WordsOf(std::string_view line);

// Calls `each(line, start, end)` for every line of `text` in order, until it
// returns false: `line` is text[start, end) without its CR, `end` the LF's
// place or the text's end. A text that ends in a line end ends with an empty line.
template <class Each>
void ForEachLine(std::string_view text, Each&& each) {
  for (size_t start = 0;;) {
    const size_t lf = text.find('\n', start);
    const size_t end = lf == std::string_view::npos ? text.size() : lf;
    const size_t cut = end > start && text[end - 1] == '\r' ? 1 : 0;
    if (!each(text.substr(start, end - start - cut), start, end) || lf == std::string_view::npos) return;
    start = end + 1;
  }
}

// How a program writes its numbers, taken from one of them: places after the
// decimal sign, a "+" on positive numbers or not, "." or ",".
struct NumberStyle {
  int decimals = 4;
  bool plus = true;
  char separator = '.';
};
NumberStyle StyleOf(std::string_view number);
std::string Write(double value, const NumberStyle& style);  // never "-0.0000"
// The same, with more places (up to six) where the value needs them: 2.5 in the style of "3" is "2.5".
std::string WriteExact(double value, NumberStyle style);

enum class Motion : signed char { Rapid = 0, Line = 1, ArcCw = 2, ArcCcw = 3 };
enum class Plane : unsigned char { XY = 17, XZ = 18, YZ = 19 };
enum class Spindle : unsigned char { Off, Cw, Ccw };
enum class Stop : unsigned char { None, M0, M1, M2, M30 };

// The state a program leaves for the lines after it.
struct Modal {
  Motion motion = Motion::Line;  // axis words alone move in a straight line until told otherwise
  Plane plane = Plane::XY;
  bool incremental = false;     // G91
  bool arcIncremental = true;   // G91.1: I, J, K measured from the arc's start; G90.1: absolute
  bool inches = false;          // G20
  double feed = 0;              // F, in the program's units per minute
  double speed = 0;             // S
  Spindle spindle = Spindle::Off;
};

// Millimetres in one unit of the program's X, Y and Z: 25.4 under G20, else 1.
inline double MillimetresPerUnit(const Modal& state) { return state.inches ? 25.4 : 1.0; }

// What one line says, its numbers as written (in the program's units).
struct Line {
  int number = 0;  // its place in the program, from 1
  std::optional<double> n;
  std::array<std::optional<double>, kAxes> axis;
  std::array<std::optional<double>, 3> centre;  // I, J, K
  bool moves = false;                          // it names an axis: a move in the state's motion
  Stop stop = Stop::None;                      // a program stop, after the line's move
  bool spindleChanged = false;
  std::string unknown;                         // the first word the reader does not know, when there is one
};

class Reader {
 public:
  // Reads the next line of the program into `line`. False when the line holds
  // a word the reader does not know (`line.unknown` names it); the state is
  // then left as it was before the line.
  bool Read(std::string_view text, Line& line);
  const Modal& state() const { return state_; }
  int lineNumber() const { return lineNumber_; }

 private:
  Modal state_;
  int lineNumber_ = 0;
};

// Millimetres (degrees for A, B, C) as the machine stands.
using Point = std::array<double, kAxes>;

// Where a line read into `line`, with the state after it, takes the machine
// from `from`; an arc's centre in `centre` (millimetres, all axes filled from `from`).
Point TargetOf(const Line& line, const Modal& state, const Point& from);
Point ArcCentreOf(const Line& line, const Modal& state, const Point& from);

// The two axes of the arc plane, in the order that makes G02 clockwise:
// X Y for G17, Z X for G18, Y Z for G19.
std::array<int, 2> PlaneAxes(Plane plane);

// An arc from `from` to `to` around `centre` in the state's plane: its swept
// angle (radians, negative for clockwise; a whole turn when start and end meet)
// and its start radius.
struct ArcShape {
  double sweep = 0;
  double radius = 0;
  double startAngle = 0;
};
ArcShape ShapeOf(const Point& from, const Point& to, const Point& centre, Plane plane, bool clockwise);

// The point at fraction `t` (0 to 1) along an arc, the other axes moving evenly.
Point PointOnArc(const Point& from, const Point& to, const Point& centre, Plane plane, const ArcShape& shape, double t);

// The length of an arc, with its helical rise over the other axes.
double ArcLength(const Point& from, const Point& to, const Point& centre, Plane plane, const ArcShape& shape);

}  // namespace kestrom::gcode
