// Edits of the program at the line that holds the caret: a line taught again,
// a point inserted after it, the line deleted. Each is made on what the
// program means: only the point the operator names moves. Every other line
// starts and ends where it did, so in a G91 block the line after the edit
// gets new increments, and a line that left out an axis the edit changed gets
// its word; an edit that would move the start, end or centre of an arc is
// refused, naming the arc's line. Kestrom's header never changes.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

#include "gcode/interpreter.h"
#include "teach/arc_line.h"

namespace kestrom {

struct LineEdit {
  size_t start = 0, length = 0;  // the bytes of the text that `insert` replaces
  std::string insert;
  size_t caret = 0;              // the changed line's start, once the edit is made
  std::string refusal;           // when not empty, nothing changes and this says why
  bool made() const { return refusal.empty(); }
};

// The line's axis words take the readouts' values (their texts as they are
// under G90; increments from the line's start under G91); its words, their
// order, its G word and its feed word stay. Only G00 and G01 lines, and
// holes, which take the readouts' X and Y alone.
LineEdit ReteachLine(const std::string& program, size_t caret, const Readouts& readouts);
// `body` (a taught line in the readouts' texts, without its line end) after
// the caret's line, written in the modes in force there; on a header line,
// after the blank line that follows the header. After a hole of a run,
// `holeBody` ("X… Y…" in the readouts' texts) is inserted instead: another hole of the run.
LineEdit InsertLineAfter(const std::string& program, size_t caret, const std::string& body,
                         const std::string& holeBody = {});
// Deleting the first hole of a run gives its cycle's words to the next hole.
LineEdit DeleteLine(const std::string& program, size_t caret);

// `body`'s axis words (readouts, the program's units) for a place with these
// modes where the machine stands at `here` (millimetres): as they are under
// G90, increments from `here` under G91, in the numbers' own style.
std::string InPlace(std::string_view body, const gcode::Modal& modes, const gcode::Point& here);

// `program` with the edit made.
std::string Applied(const std::string& program, const LineEdit& edit);

extern const char* const kHeaderNeverChanges;
extern const char* const kOnlyStraightLinesReteach;

}  // namespace kestrom
