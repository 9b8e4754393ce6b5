#include "gcode/words.h"

#include "gcode/numbers.h"

namespace kestrom::gcode {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsNumberChar(char c) { return (c >= '0' && c <= '9') || c == '.' || c == ',' || c == '+' || c == '-'; }
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

size_t SkipBlanks(std::string_view text, size_t i) {
  while (i < text.size() && IsBlank(text[i])) ++i;
  return i;
}

// The number after a letter: blanks between them are allowed ("X 10" is X10).
void NumberAfter(std::string_view text, Word& word) {
  word.numberStart = SkipBlanks(text, word.start + 1);
  word.numberEnd = word.numberStart;
  while (word.numberEnd < text.size() && IsNumberChar(text[word.numberEnd])) ++word.numberEnd;
}

bool Bad(ScannedLine& out, std::string_view what, const char* why) {
  out.bad = std::string(what);
  out.why = why;
  return false;
}

}  // namespace

bool ScanLine(std::string_view text, ScannedLine& out) {
  out.words.clear();
  out.tapeMark = out.blockDelete = false;
  out.bad.clear();
  out.why.clear();
  size_t i = 0;
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) i = kByteOrderMark.size();
  i = SkipBlanks(text, i);
  if (i < text.size() && text[i] == '%') {
    if (SkipBlanks(text, i + 1) != text.size()) return Bad(out, text.substr(i), "text after the tape mark %");
    out.tapeMark = true;
    return true;
  }
  if (i < text.size() && text[i] == '/') {
    out.blockDelete = true;
    ++i;
  }
  while (i < text.size()) {
    const char c = text[i];
    if (IsBlank(c)) {
      ++i;
      continue;
    }
    if (c == ';') break;
    if (c == '(') {
      const size_t close = text.find(')', i);
      if (close == std::string_view::npos) return Bad(out, text.substr(i), "a comment without its )");
      i = close + 1;
      continue;
    }
    if (c == '#' || c == '[') return Bad(out, text.substr(i, 1), "parameters and expressions are not read");
    if (!IsLetter(c)) return Bad(out, text.substr(i, 1), "no G-code word");
    Word word;
    word.letter = static_cast<char>(c & ~0x20);
    word.start = i;
    NumberAfter(text, word);
    if (word.numberEnd < text.size() && (text[word.numberEnd] == '#' || text[word.numberEnd] == '['))
      return Bad(out, text.substr(i, word.numberEnd + 1 - i), "parameters and expressions are not read");
    if (!ReadNumber(word.NumberIn(text), word.value))
      return Bad(out, text.substr(i, word.numberEnd > i + 1 ? word.numberEnd - i : 1), "a letter without its number");
    out.words.push_back(word);
    i = word.numberEnd;
  }
  return true;
}

std::vector<Word> WordsOf(std::string_view text) {
  std::vector<Word> words;
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == ';') break;
    if (c == '(') {
      const size_t close = text.find(')', i);
      if (close == std::string_view::npos) break;
      i = close + 1;
      continue;
    }
    if (!IsLetter(c)) {
      ++i;
      continue;
    }
    Word word;
    word.letter = static_cast<char>(c & ~0x20);
    word.start = i;
    NumberAfter(text, word);
    ReadNumber(word.NumberIn(text), word.value);
    words.push_back(word);
    i = word.numberEnd > word.numberStart ? word.numberEnd : i + 1;
  }
  return words;
}

}  // namespace kestrom::gcode
