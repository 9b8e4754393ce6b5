#include "gcode/program_walk.h"

#include "gcode/lines.h"
#include "gcode/words.h"

namespace kestrom::gcode {
namespace {
constexpr size_t kDeepestCalls = 16;
constexpr size_t kMostLinesRun = 50000000;

// "O100" or "O0100" at a line's start names a subprogram.
bool LabelOf(std::string_view line, int& label) {
  ScannedLine scanned;
  if (!ScanLine(line, scanned) || scanned.words.empty() || scanned.words.front().letter != 'O') return false;
  const double value = scanned.words.front().value;
  if (value < 0 || value > 99999) return false;  // the interpreter refuses it where it runs
  label = static_cast<int>(value);
  return true;
}
}  // namespace

void ProgramWalk::Append(std::string_view text) {
  size_t from = text_.size();
  // The last line is read again: the new text may end it.
  if (!lines_.empty()) {
    from = lines_.back().first;
    lines_.pop_back();
  }
  text_.append(text);
  ForEachLine(std::string_view(text_).substr(from), [&](std::string_view line, size_t start, size_t) {
    const size_t index = lines_.size();
    lines_.emplace_back(from + start, from + start + line.size());
    int label = 0;
    if (line.find_first_of("Oo") != std::string_view::npos && LabelOf(line, label)) labels_.emplace(label, index);
    return true;
  });
}

bool ProgramWalk::Fail(Block& block, std::string why) {
  block.bad = Line(current_);
  block.why = std::move(why);
  failed_ = true;
  return false;
}

bool ProgramWalk::Next(Interpreter& interpreter, Block& block) {
  if (ended_ || failed_ || next_ >= lines_.size()) return false;
  // The line end after the last line opens no line of its own, until more text follows it.
  if (next_ + 1 == lines_.size() && !text_.empty() && text_.back() == '\n') return false;
  current_ = next_++;
  if (++run_ > kMostLinesRun) return Fail(block, "the program runs more lines than Kestrom follows");
  if (!interpreter.Read(Line(current_), block, static_cast<int>(current_ + 1))) {
    failed_ = true;
    return false;
  }
  if (block.call) {
    const auto label = labels_.find(block.call->label);
    if (label == labels_.end())
      return Fail(block, "no subprogram O" + std::to_string(block.call->label) + " in the program");
    if (stack_.size() >= kDeepestCalls) return Fail(block, "subprograms called too deep");
    stack_.push_back({next_, label->second + 1, block.call->repeats - 1});
    next_ = label->second + 1;
  } else if (block.returns) {
    if (stack_.empty()) {
      ended_ = true;  // M99 in the main program: Mach3 would run it again from its start
    } else if (stack_.back().repeatsLeft > 0) {
      --stack_.back().repeatsLeft;
      next_ = stack_.back().body;
    } else {
      next_ = stack_.back().returnTo;
      stack_.pop_back();
    }
  } else if (block.stop == Stop::M2 || block.stop == Stop::M30) {
    ended_ = true;
  }
  return true;
}

}  // namespace kestrom::gcode
