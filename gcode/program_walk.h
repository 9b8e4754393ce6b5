// A program's lines in the order Mach3 runs them: from the first line to M2 or
// M30 (or the last line), into a subprogram at M98 (its O number, L times) and
// back at M99. The text may grow at its end between two steps (lines taught).
#pragma once
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "gcode/interpreter.h"

namespace kestrom::gcode {

class ProgramWalk {
 public:
  ProgramWalk() = default;
  explicit ProgramWalk(std::string_view program) { Append(program); }
  // More text at the program's end; it starts with its line break.
  void Append(std::string_view text);

  // Interprets the next line run. False when there is none (the program
  // ended, or every line there is has run) or when the line cannot be run:
  // then `block.ok()` is false and the walk stays stopped there.
  bool Next(Interpreter& interpreter, Block& block);
  bool ended() const { return ended_; }    // M2, M30, or M99 outside a subprogram
  bool failed() const { return failed_; }
  size_t lineIndex() const { return current_; }  // of the last line read, from 0
  size_t lineCount() const { return lines_.size(); }
  std::string_view Line(size_t index) const {
    return std::string_view(text_).substr(lines_[index].first, lines_[index].second - lines_[index].first);
  }

 private:
  struct Frame {
    size_t returnTo = 0;  // the line after the call
    size_t body = 0;      // the subprogram's first line
    int repeatsLeft = 0;
  };
  bool Fail(Block& block, std::string why);

  std::string text_;
  std::vector<std::pair<size_t, size_t>> lines_;  // each line's text, without its line end
  std::unordered_map<int, size_t> labels_;        // O number: its line
  std::vector<Frame> stack_;
  size_t next_ = 0, current_ = 0;
  size_t run_ = 0;  // lines run, against a program that never ends
  bool ended_ = false, failed_ = false;
};

}  // namespace kestrom::gcode
