// A program read line by line through the interpreter, kept for the commands
// that change it, and the writer that puts its lines back so that each lands
// where it must: every change is made on what the program means, in the
// modes in force at each line's place, changing only the numbers that must
// change (and adding an axis word where a line must name one it left out).
#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gcode/interpreter.h"
#include "gcode/numbers.h"

namespace kestrom {

struct ProgramLine {
  size_t start = 0, end = 0;  // the line's bytes, without its line end
  gcode::Block block;         // as read: words, moves, where it ends
  gcode::Modal before, after;  // the modes in force before and after it
  gcode::Point from{};        // where the machine stands before it, work coordinates (millimetres)
  gcode::Point local{};       // the G52 offset in force before it (millimetres)
};

// Where a command puts the program's places, in millimetres: X and Y through
// a rotation or a reflection (x' = xx·x + xy·y, y' = yx·x + yy·y), then the
// shift; Z only shifted, rotary axes as they were. A bare shift converts.
struct Placement {
  double xx = 1, xy = 0, yx = 0, yy = 1;
  gcode::Point shift{};
  Placement() = default;
  Placement(const gcode::Point& s) : shift(s) {}  // NOLINT: a shift is a placement
  bool Turns() const { return xx != 1 || xy != 0 || yx != 0 || yy != 1; }
  bool Mirrors() const { return xx * yy - xy * yx < 0; }
  gcode::Point Apply(gcode::Point p) const {
    const double x = p[0], y = p[1];
    p[0] = xx * x + xy * y + shift[0];
    p[1] = yx * x + yy * y + shift[1];
    p[2] += shift[2];
    return p;
  }
};

struct InterpretedProgram {
  std::string_view text;
  // Lines before `detailFrom` keep their place, modes and end but not their
  // words and moves (an edit in the middle of a long program needs no more);
  // reading stops before `detailTo`, and `complete` says whether it read every line.
  size_t detailFrom = 0;
  bool complete = true;
  gcode::Interpreter atDetail;  // the interpreter as it stood before line `detailFrom`
  std::vector<ProgramLine> lines;
  size_t header = 0;       // Kestrom's own header lines at the start (0 or 2), which commands leave alone
  std::string refusal;     // why the program cannot be changed, the line named; empty when it can
  std::string_view Line(size_t i) const { return text.substr(lines[i].start, lines[i].end - lines[i].start); }
  bool Blank(size_t i) const { return Line(i).find_first_not_of(" \t") == std::string_view::npos; }
  // The first line at or after `from` whose block moves the machine.
  std::optional<size_t> NextMoving(size_t from) const;
  bool ok() const { return refusal.empty(); }
};

// Reads every line in order; a line the interpreter cannot read, or a
// subprogram call (whose lines are elsewhere), makes the refusal.
InterpretedProgram InterpretProgram(std::string_view program, size_t detailFrom = 0,
                                    size_t detailTo = static_cast<size_t>(-1));

// "Satır 12 okunamıyor: G51 (scaling is not read); hiçbir şey değişmedi (line 12 cannot be read: ...; nothing changed)."
std::string UnreadableMessage(const gcode::Block& block);
// "Satır 12: ... (line 12: ...); hiçbir şey değişmedi (nothing changed)."
std::string LineRefusal(int line, const std::string& turkish, const std::string& english);

// Whether two states read a line's numbers alike: the same motion, plane,
// distance modes, units, feed mode, work offset and drilling cycle.
bool SameGeometryModes(const gcode::Modal& a, const gcode::Modal& b);

// The refusal of a change that would move the start of the arc on `line`.
std::string ArcWouldMove(int line);

// The style a program writes its first axis number in, for the numbers a command adds.
gcode::NumberStyle ProgramStyle(const InterpretedProgram& program);

// Writes lines one after another and reads each back through an interpreter
// of its own: where the machine is in the new text at every line, in the
// new text's modes.
class ProgramWriter {
 public:
  explicit ProgramWriter(gcode::NumberStyle style) : style_(style) {}
  // Line `i` of `source`, its moves landing at the original's placed by `place`
  // (moves to places fixed on the machine stay; under a reflection every arc
  // turns the other way and G02/G03, G41/G42 swap on the line). `relative`:
  // G90 and G90.1 on the line become G91 and G91.1. False, with `refusal()`
  // set, when the line cannot be written so. `addWords` ("F100") go after the line's last word.
  bool Put(const InterpretedProgram& source, size_t i, const Placement& place, bool relative = false,
           std::string_view addWords = {});
  // A line of the command's own, read as it is.
  bool PutOwn(const std::string& text);
  // Line `i` of `source` as it stands where the text written so far stands
  // where and as the source did before it (the cheap, usual case); else
  // through Put, unshifted.
  bool PutAsItWas(const InterpretedProgram& source, size_t i);
  // "F100" when the feed in force is not `feed` (the program's units), else nothing.
  std::string FeedWord(double feed) const;
  // A straight move (`g` "G00" or "G01") or an arc ("G02", "G03" around
  // `centre`, in XY: "G17" on the line where another plane is in force) of
  // the command's own to `to` (millimetres), its numbers
  // in the modes in force and the writer's style, `feed` ("F100") after them;
  // nothing is written for a move that goes nowhere. False, with the refusal
  // naming `line`, when it would not land there.
  bool PutMove(const char* g, const gcode::Point& to, const std::string& feed, const gcode::Point* centre, int line);
  // A line's text as it would be written, without writing it.
  std::optional<std::string> Landing(const InterpretedProgram& source, size_t i, const Placement& place,
                                     bool relative) const;
  const gcode::Interpreter& written() const { return written_; }
  gcode::Interpreter& interpreter() { return written_; }
  std::string& text() { return text_; }
  const std::string& refusal() const { return refusal_; }
  const gcode::Block& last() const { return block_; }
  void SetStyle(gcode::NumberStyle style) { style_ = style; }

 private:
  bool Append(const std::string& line);
  gcode::NumberStyle style_;
  gcode::Interpreter written_;
  gcode::Block block_;
  std::string text_;
  std::string refusal_;
  bool first_ = true;
};

// True when `written`'s moves are `original`'s placed by `place` (moves to
// places fixed on the machine as they were): the same kinds, ends and centres,
// arcs the same way round (the other way under a reflection).
bool Lands(const gcode::Block& written, const gcode::Block& original, const Placement& place);

}  // namespace kestrom
