// The path a program describes, as the interpreter runs it: the points its
// moves reach, and whether the spindle turned while moving there.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gcode/interpreter.h"
#include "gcode/program_walk.h"

namespace kestrom {

// How the machine reached a point: a feed move with the spindle off or on, or
// a rapid (G0), or a move the view does not draw. A program's first moves
// start at the origin, as in a toolpath preview, and are drawn as rapids
// are: they approach from wherever the machine stands, which no program says.
enum class MoveKind : unsigned char { Off, On, Rapid, Jump };

struct PathPoint {
  double x = 0, y = 0, z = 0;  // millimetres, work coordinates
  MoveKind kind = MoveKind::Off;
};

// A point of the interpreter (millimetres) as the view draws it.
inline PathPoint ToPathPoint(const gcode::Point& p, MoveKind kind = MoveKind::Off) { return {p[0], p[1], p[2], kind}; }

// Reads a program in the order Mach3 runs it (subprograms followed, nothing
// after M2 or M30), as it grows. A line the interpreter cannot read stops
// the reading there: nothing after it is drawn from a wrong place.
class PathReader {
 public:
  // Reads `text`, the program's next piece (its whole the first time; a later
  // piece starts with its line break), adding the points its moves pass
  // through: each move's end, and along an arc as many points as keep the
  // drawing within a fraction of a pixel of the true arc.
  void Read(std::string_view text, std::vector<PathPoint>& points);
  // Where the machine stands after the lines read, in millimetres, and whether any moved it.
  const gcode::Point& at() const { return at_; }
  bool moved() const { return moved_; }
  // Where and why reading stopped ("line 12: G51 (scaling is not read)"), when it did.
  const std::string& problem() const { return problem_; }
  // The program ran to its end (M2, M30).
  bool ended() const { return walk_.ended(); }
  // A line of the program turned cutter compensation on: the path is the programmed one.
  bool compensation() const { return compensation_; }
  const gcode::ProgramWalk& walk() const { return walk_; }
  // Where each drilling cycle drilled, at its bottom, in the order read.
  const std::vector<PathPoint>& holes() const { return holes_; }

 private:
  void Add(const gcode::Block& block, std::vector<PathPoint>& points);

  gcode::ProgramWalk walk_;
  gcode::Interpreter interpreter_;
  gcode::Block block_;
  gcode::Point at_{};
  bool spindle_ = false;
  bool moved_ = false;
  bool compensation_ = false;
  std::string problem_;
  std::vector<PathPoint> holes_;
};

// Every line of a program, in order; lines end in LF or CR LF.
std::vector<PathPoint> ReadPath(std::string_view program);

// Where the program's last move ends; nothing when no line moves the machine.
std::optional<gcode::Point> LastPointOf(std::string_view program);

// Where the machine stands and the modes in force once the program has run,
// or where and why it cannot be read.
struct ProgramEnd {
  bool moved = false;
  gcode::Point at{};  // millimetres, work coordinates
  gcode::Modal state;
  std::string problem;
};
ProgramEnd EndOfProgram(std::string_view program);
// Where the machine stands once the line that holds byte `offset` has run
// (the first time it runs).
PathPoint PointAfterLineAt(std::string_view program, size_t offset);

}  // namespace kestrom
