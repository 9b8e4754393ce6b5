#include "teach/program_path.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace kestrom {

bool ReadMachineNumber(std::string_view text, double& out) {
  // from_chars takes neither a leading "+" nor a decimal comma: a small copy mends both.
  char buffer[64];
  if (text.empty() || text.size() >= sizeof buffer) return false;
  size_t n = 0, i = 0;
  if (text[0] == '+') i = 1;
  for (; i < text.size(); ++i) buffer[n++] = text[i] == ',' ? '.' : text[i];
  if (n == 0) return false;
  const auto [end, error] = std::from_chars(buffer, buffer + n, out, std::chars_format::fixed);
  return error == std::errc() && end == buffer + n && std::isfinite(out);
}

namespace {

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsNumberChar(char c) { return (c >= '0' && c <= '9') || c == '.' || c == ',' || c == '+' || c == '-'; }

// One line's words, before they change the state: only a line read whole counts.
struct LineWords {
  double axis[3] = {0, 0, 0};
  bool named[3] = {false, false, false};
  int motion = -1;
  int distance = -1;  // 90 or 91
  int units = -1;     // 20 or 21
  int spindle = -1;   // 1 on, 0 off
  bool otherUse = false;  // axis words that are not a move (G92, G28, G53, dwell ...)
};

bool ParseLine(std::string_view line, LineWords& w) {
  size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r') { ++i; continue; }
    if (c == ';') break;
    if (c == '(') {
      const size_t close = line.find(')', i);
      if (close == std::string_view::npos) return false;
      i = close + 1;
      continue;
    }
    if (c == '%' && i == 0) return true;  // a tape's start or end mark
    if (!IsLetter(c)) return false;
    const char letter = static_cast<char>(c & ~0x20);
    size_t end = i + 1;
    while (end < line.size() && (line[end] == ' ' || line[end] == '\t')) ++end;  // "X 10" is X10
    const size_t start = end;
    while (end < line.size() && IsNumberChar(line[end])) ++end;
    double value = 0;
    if (!ReadMachineNumber(line.substr(start, end - start), value)) return false;
    i = end;
    const int code = static_cast<int>(std::lround(value * 10));  // G38.2 is 382, G1 is 10
    switch (letter) {
      case 'X': w.axis[0] = value; w.named[0] = true; break;
      case 'Y': w.axis[1] = value; w.named[1] = true; break;
      case 'Z': w.axis[2] = value; w.named[2] = true; break;
      case 'G':
        switch (code) {
          case 0: case 10: case 20: case 30: w.motion = code / 10; break;
          case 900: case 910: w.distance = code / 10; break;
          case 200: case 210: w.units = code / 10; break;
          case 40: case 100: case 280: case 300: case 520: case 530: case 920: case 921: case 922: case 923:
            w.otherUse = true;
            break;
          default: break;
        }
        break;
      case 'M':
        if (code == 30 || code == 40) w.spindle = 1;
        if (code == 50 || code == 20 || code == 300) w.spindle = 0;
        break;
      default: break;  // feed, line number, A/B/C, arc centre ...: no part of the picture
    }
  }
  return true;
}

}  // namespace

bool PathReader::Read(std::string_view line, PathPoint& to) {
  LineWords w;
  if (!ParseLine(line, w)) return false;
  if (w.units >= 0) inches_ = w.units == 20;
  if (w.distance >= 0) incremental_ = w.distance == 91;
  if (w.motion >= 0) motion_ = w.motion;
  // The spindle starts before the line's move and stops after it.
  const bool spindleDuringMove = w.spindle == 1 ? true : spindle_;
  if (w.spindle >= 0) spindle_ = w.spindle == 1;
  if (w.otherUse || !(w.named[0] || w.named[1] || w.named[2])) return false;
  const double unit = inches_ ? 25.4 : 1.0;
  for (int a = 0; a < 3; ++a)
    if (w.named[a]) at_[a] = incremental_ ? at_[a] + w.axis[a] * unit : w.axis[a] * unit;
  to.x = at_[0];
  to.y = at_[1];
  to.z = at_[2];
  if (motion_ == 0) to.kind = MoveKind::Rapid;
  else if (motion_ == 1) to.kind = spindleDuringMove ? MoveKind::On : MoveKind::Off;
  else to.kind = MoveKind::Jump;  // an arc: its end is right, its straight chord would not be
  return true;
}

void ReadPathInto(std::string_view program, PathReader& reader, std::vector<PathPoint>& points) {
  size_t start = 0;
  while (start <= program.size()) {
    size_t end = program.find('\n', start);
    if (end == std::string_view::npos) end = program.size();
    PathPoint p;
    if (reader.Read(program.substr(start, end - start), p)) points.push_back(p);
    start = end + 1;
  }
}

std::vector<PathPoint> ReadPath(std::string_view program) {
  PathReader reader;
  std::vector<PathPoint> points;
  ReadPathInto(program, reader, points);
  return points;
}

}  // namespace kestrom
