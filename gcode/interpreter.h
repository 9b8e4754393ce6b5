// The interpreter of the G-code Mach3 runs. Line by line it keeps the modal
// state, where the machine is (work and machine coordinates, through the work
// offsets, G52 and G92), and tells what each line does: its moves (rapids,
// feeds, arcs with centre, plane and turns, a drilling cycle's moves, moves in
// machine coordinates and home moves), dwells, tool changes, program stops and
// subprogram calls, with the line's words as written. What it cannot
// interpret is refused with the word named, never skipped.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gcode/arc_geometry.h"
#include "gcode/words.h"

namespace kestrom::gcode {

enum class Motion : signed char { Rapid, Line, ArcCw, ArcCcw, Probe, Cycle, None /* G80 */ };
enum class Spindle : unsigned char { Off, Cw, Ccw };
enum class Stop : unsigned char { None, M0, M1, M2, M30 };
enum class FeedMode : unsigned char { PerMinute, InverseTime, PerRevolution };
enum class Compensation : unsigned char { Off, Left, Right };

// The state a program leaves for the lines after it.
struct Modal {
  Motion motion = Motion::Line;  // axis words alone move in a straight line until told otherwise
  int cycle = 0;                 // 73, 81 to 89 while motion is Cycle
  Plane plane = Plane::XY;
  bool incremental = false;     // G91
  bool arcIncremental = true;   // G91.1: I, J, K measured from the arc's start; G90.1: absolute
  bool inches = false;          // G20
  FeedMode feedMode = FeedMode::PerMinute;
  double feed = 0;              // F, in the program's units per minute (or as the feed mode says)
  double speed = 0;             // S
  Spindle spindle = Spindle::Off;
  int tool = 0, selectedTool = 0;  // in the spindle; named by T
  bool mist = false, flood = false;
  Compensation compensation = Compensation::Off;  // read; the path shown and run is the one programmed
  bool lengthOffset = false;
  int workOffset = 1;            // G54 to G59: 1 to 6
  bool returnToR = false;        // G99; G98 returns to where the cycle started
  bool overrides = true;         // M48/M49
  // A drilling cycle's words, kept from hole to hole (program units, as written).
  std::optional<double> cycleZ, cycleR;
  double cycleQ = 0, cycleP = 0;
  // Where the run of holes began (Z, millimetres, work coordinates): under G91
  // R is measured from it for every hole of the run, and G98 returns to it.
  double cycleBase = 0;
};

// Millimetres in one unit of the program's X, Y and Z: 25.4 under G20, else 1.
inline double MillimetresPerUnit(const Modal& state) { return state.inches ? 25.4 : 1.0; }
inline bool IsArc(Motion m) { return m == Motion::ArcCw || m == Motion::ArcCcw; }

enum class MoveKind : unsigned char { Rapid, Feed, Arc, Dwell };

// One motion of the machine, in millimetres.
struct Move {
  MoveKind kind = MoveKind::Rapid;
  Point from{}, to{};   // work coordinates
  Point origin{};       // where work zero stands, in machine coordinates, during the move
  Point centre{};       // an arc's, work coordinates
  Plane plane = Plane::XY;
  bool clockwise = false;
  int turns = 1;
  double seconds = 0;   // a dwell's
  bool cycle = false;   // one of a drilling cycle's moves
  bool machineFrame = false;  // to a place fixed on the machine (G53, G28, G30)
  unsigned char fixedAxes = 0;  // bit a: axis a ends at a place fixed on the machine
  // Bit a: the move puts axis a at a place of the program's own, from where
  // the machine happened to stand, which no program says (a program's first
  // moves, until its words have put each axis somewhere).
  unsigned char unknownFrom = 0;
  bool Fixed(int axis) const { return (fixedAxes >> axis) & 1; }
  // A move from a place the program does not know in X, Y or Z: an approach, not a cut.
  bool FromUnknown() const { return (unknownFrom & 7) != 0; }
};

struct SubprogramCall {
  int label = 0;    // O number
  int repeats = 1;  // L
};

// What one line says and does.
struct Block {
  int number = 0;  // its place in the program, from 1
  std::vector<Word> words;
  bool tapeMark = false, blockDelete = false;
  std::optional<int> label;     // an O number: a program's or subprogram's name
  std::vector<Move> moves;      // in the order the machine makes them
  Stop stop = Stop::None;       // after the line's moves
  bool spindleChanged = false;
  std::optional<int> toolChange;  // M6: the tool now in the spindle
  std::optional<SubprogramCall> call;
  bool returns = false;         // M99
  bool hasAxisWords = false;
  bool fixedPlace = false;      // a move to a place fixed on the machine (G53, G28, G28.1, G30)
  bool changesOrigin = false;   // G10 L2, G52, G92, or another work offset
  Point end{};                  // where the machine is after it, work coordinates
  unsigned char unknown = 0;    // bit a: axis a still stands where the machine happened to stand after it
  std::string bad, why;         // what could not be interpreted, as written, and why
  bool ok() const { return why.empty(); }
  bool Names(char letter) const {  // the line writes a word of this letter
    for (const Word& w : words)
      if (w.letter == letter) return true;
    return false;
  }
  // "line 12: G51 (scaling is not read)".
  std::string Problem() const;
};

// Each hole a drilling cycle's line drills (several with L, or peck by peck):
// the deepest point of its feeds, in the order drilled.
std::vector<Point> HolesOf(const Block& block);

class Interpreter {
 public:
  // Reads the next line (or the line numbered `number`, when a subprogram
  // jumps). False when the line cannot be interpreted: `block.bad` and
  // `block.why` say why, and nothing the interpreter keeps has changed.
  bool Read(std::string_view text, Block& block, int number = 0);

  // The modes `text` would leave, without its moves: for a writer that must
  // know a line's modes before its numbers are right for its new place.
  bool ModesAfter(std::string_view text, Modal& after) const;

  const Modal& state() const { return state_; }
  Point position() const;                     // work coordinates, millimetres
  const Point& machine() const { return machine_; }
  // Bit a: no word has put axis a anywhere yet (it stands where the machine happened to stand).
  unsigned char unknown() const { return unknown_; }
  Point origin() const;                       // work zero in machine coordinates
  // The machine moved by other means (jogged), in machine coordinates: from
  // now on the interpreter knows where every axis is.
  void SetMachine(const Point& machine) {
    machine_ = machine;
    unknown_ = 0;
  }
  void SetWorkOffset(int index, const Point& offset);  // index 1 to 6 (G54 to G59), millimetres
  const Point& WorkOffset(int index) const { return offsets_[static_cast<size_t>(index - 1)]; }
  const Point& LocalOffset() const { return local_; }  // G52's, millimetres
  // A G92 shift is in force: it hangs on where the machine stood when it was set.
  bool Shifted() const {
    for (double v : shift_)
      if (v != 0) return true;
    return false;
  }
  int lineNumber() const { return line_; }

 private:
  bool Interpret(const std::vector<Word>& words, Block& block);

  Modal state_;
  Point machine_{};
  std::array<Point, 6> offsets_{};  // G54 to G59
  Point local_{}, shift_{}, shiftSaved_{};  // G52, G92 and what G92.2 suspended
  Point home28_{}, home30_{};       // machine coordinates
  unsigned char unknown_ = (1u << kAxes) - 1;  // the axes no word has put anywhere yet
  int line_ = 0;
  friend struct Execution;
};

}  // namespace kestrom::gcode
