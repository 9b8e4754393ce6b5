// Edits of the program at the line that holds the caret: a line taught again,
// a point inserted after it, the line deleted. The header's two lines never
// change, and no edit may move the start of an arc: its I and J are measured
// from where the move before it ends.
#pragma once
#include <cstddef>
#include <string>

#include "teach/arc_line.h"

namespace kestrom {

struct LineEdit {
  size_t start = 0, length = 0;  // the bytes of the text that `insert` replaces
  std::string insert;
  size_t caret = 0;              // the changed line's start, once the edit is made
  std::string refusal;           // when not empty, nothing changes and this says why
  bool made() const { return refusal.empty(); }
};

// The line's axis words take the readouts' values; its words, their order,
// its G word and its feed word stay. Only G00 and G01 lines.
LineEdit ReteachLine(const std::string& program, size_t caret, const Readouts& readouts);
// `body` (a line without its line end) after the caret's line; on a header
// line, after the blank line that follows the header.
LineEdit InsertLineAfter(const std::string& program, size_t caret, const std::string& body);
LineEdit DeleteLine(const std::string& program, size_t caret);

// `program` with the edit made.
std::string Applied(const std::string& program, const LineEdit& edit);

extern const char* const kHeaderNeverChanges;
extern const char* const kArcStartWouldMove;
extern const char* const kOnlyStraightLinesReteach;

}  // namespace kestrom
