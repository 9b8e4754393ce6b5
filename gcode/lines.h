// A program's text as lines.
#pragma once
#include <string_view>

namespace kestrom::gcode {

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

}  // namespace kestrom::gcode
