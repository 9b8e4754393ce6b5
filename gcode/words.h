// A line's words as written: each letter with its number and the bytes they
// stand in, so that a writer can change one number and keep every other byte.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace kestrom::gcode {

struct Word {
  char letter = 0;  // upper case
  double value = 0;
  size_t start = 0;                    // the letter's place in the line
  size_t numberStart = 0, numberEnd = 0;
  std::string_view NumberIn(std::string_view line) const { return line.substr(numberStart, numberEnd - numberStart); }
  std::string_view TextIn(std::string_view line) const { return line.substr(start, numberEnd - start); }
};

struct ScannedLine {
  std::vector<Word> words;
  bool tapeMark = false;     // "%" alone on its line
  bool blockDelete = false;  // "/" before its words
  std::string bad;           // what could not be read, as written, when something could not
  std::string why;
};

// Comments, "(...)" and from ";" on, are passed over, as is a UTF-8 byte-order
// mark. False when the line holds what is no word (`bad` and `why` say what).
bool ScanLine(std::string_view line, ScannedLine& out);

// The words of a line as far as they go, for writers: a letter whose number
// cannot be read stands with an empty number.
std::vector<Word> WordsOf(std::string_view line);

}  // namespace kestrom::gcode
