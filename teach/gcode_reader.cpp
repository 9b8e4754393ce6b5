#include "teach/gcode_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace kestrom::gcode {

bool ReadNumber(std::string_view text, double& out) {
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

constexpr double kPi = 3.14159265358979323846;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsNumberChar(char c) { return (c >= '0' && c <= '9') || c == '.' || c == ',' || c == '+' || c == '-'; }

// A tape's start or end mark: "%" alone on its line.
bool IsTapeMark(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  if (i == text.size() || text[i] != '%') return false;
  for (++i; i < text.size(); ++i)
    if (!IsBlank(text[i])) return false;
  return true;
}

// A G or M code as ten times its number (G90.1 is 901); -1 when it has more decimals.
int CodeOf(double value) {
  const double tenths = value * 10;
  const double rounded = std::round(tenths);
  return std::fabs(tenths - rounded) < 1e-6 && rounded >= 0 && rounded < 1e6 ? static_cast<int>(rounded) : -1;
}

bool ApplyG(int code, Modal& next) {
  switch (code) {
    case 0: next.motion = Motion::Rapid; return true;
    case 10: next.motion = Motion::Line; return true;
    case 20: next.motion = Motion::ArcCw; return true;
    case 30: next.motion = Motion::ArcCcw; return true;
    case 170: next.plane = Plane::XY; return true;
    case 180: next.plane = Plane::XZ; return true;
    case 190: next.plane = Plane::YZ; return true;
    case 200: next.inches = true; return true;
    case 210: next.inches = false; return true;
    case 900: next.incremental = false; return true;
    case 910: next.incremental = true; return true;
    case 901: next.arcIncremental = false; return true;
    case 911: next.arcIncremental = true; return true;
    // What programs' headers say and a path does not depend on: cutter and tool
    // length compensation off, first work offset, exact stop or constant
    // velocity, no canned cycle, feed per minute.
    case 400: case 490: case 540: case 610: case 640: case 800: case 940: return true;
    default: return false;
  }
}

bool ApplyM(int code, Line& line, Modal& next) {
  switch (code) {
    case 0: line.stop = Stop::M0; return true;
    case 10: line.stop = Stop::M1; return true;
    case 20: line.stop = Stop::M2; next.spindle = Spindle::Off; return true;
    case 300: line.stop = Stop::M30; next.spindle = Spindle::Off; return true;
    case 30: next.spindle = Spindle::Cw; line.spindleChanged = true; return true;
    case 40: next.spindle = Spindle::Ccw; line.spindleChanged = true; return true;
    case 50: next.spindle = Spindle::Off; line.spindleChanged = true; return true;
    default: return false;
  }
}

int AxisIndex(char letter) {
  for (int a = 0; a < kAxes; ++a)
    if (kAxisLetters[a] == letter) return a;
  return -1;
}

double LinearScale(const Modal& state, int axis) { return axis < 3 ? MillimetresPerUnit(state) : 1.0; }

}  // namespace

bool Reader::Read(std::string_view text, Line& line) {
  line = Line();
  line.number = ++lineNumber_;
  if (IsTapeMark(text)) return true;
  Modal next = state_;
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (IsBlank(c)) {
      ++i;
      continue;
    }
    if (c == ';') break;
    if (c == '(') {
      const size_t close = text.find(')', i);
      if (close == std::string_view::npos) {
        line.unknown = std::string(text.substr(i));
        return false;
      }
      i = close + 1;
      continue;
    }
    size_t end = i + 1;
    while (end < text.size() && IsBlank(text[end])) ++end;  // "X 10" is X10
    const size_t start = end;
    while (end < text.size() && IsNumberChar(text[end])) ++end;
    double value = 0;
    if (!IsLetter(c) || !ReadNumber(text.substr(start, end - start), value)) {
      line.unknown = std::string(text.substr(i, std::max<size_t>(end - i, 1)));
      return false;
    }
    const char letter = static_cast<char>(c & ~0x20);
    bool known = true;
    if (const int axis = AxisIndex(letter); axis >= 0) {
      line.axis[axis] = value;
      line.moves = true;
    } else {
      switch (letter) {
        case 'I': case 'J': case 'K': line.centre[letter - 'I'] = value; break;
        case 'F': next.feed = value; break;
        case 'S': next.speed = value; break;
        case 'N': line.n = value; break;
        case 'G': known = ApplyG(CodeOf(value), next); break;
        case 'M': known = ApplyM(CodeOf(value), line, next); break;
        default: known = false; break;
      }
    }
    if (!known) {
      line.unknown = std::string(text.substr(i, end - i));
      return false;
    }
    i = end;
  }
  state_ = next;
  return true;
}

std::vector<WordSpan> WordsOf(std::string_view text) {
  std::vector<WordSpan> words;
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
    WordSpan word;
    word.letter = static_cast<char>(c & ~0x20);
    word.start = i;
    size_t at = i + 1;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    word.numberStart = word.numberEnd = at;
    while (word.numberEnd < text.size() && IsNumberChar(text[word.numberEnd])) ++word.numberEnd;
    words.push_back(word);
    i = word.numberEnd > at ? word.numberEnd : i + 1;
  }
  return words;
}

NumberStyle StyleOf(std::string_view number) {
  NumberStyle style;
  style.plus = !number.empty() && number[0] == '+';
  const size_t at = number.find_first_of(".,");
  if (at == std::string_view::npos) {
    style.decimals = 0;
    return style;
  }
  style.separator = number[at];
  size_t digits = 0;
  while (at + 1 + digits < number.size() && number[at + 1 + digits] >= '0' && number[at + 1 + digits] <= '9') ++digits;
  style.decimals = static_cast<int>(digits);
  return style;
}

std::string Write(double value, const NumberStyle& style) {
  if (std::round(std::fabs(value) * std::pow(10.0, style.decimals)) == 0) value = 0;  // no "-0.0000"
  char text[64];
  std::snprintf(text, sizeof text, style.plus ? "%+.*f" : "%.*f", style.decimals, value);
  std::string s = text;
  std::replace(s.begin(), s.end(), '.', style.separator);
  return s;
}

std::string WriteExact(double value, NumberStyle style) {
  constexpr int kMostPlaces = 6;
  while (style.decimals < kMostPlaces) {
    const double scale = std::pow(10.0, style.decimals);
    if (std::fabs(std::round(value * scale) / scale - value) < 1e-9) break;
    ++style.decimals;
  }
  return Write(value, style);
}

Point TargetOf(const Line& line, const Modal& state, const Point& from) {
  Point to = from;
  for (int a = 0; a < kAxes; ++a) {
    if (!line.axis[a]) continue;
    const double v = *line.axis[a] * LinearScale(state, a);
    to[a] = state.incremental ? from[a] + v : v;
  }
  return to;
}

Point ArcCentreOf(const Line& line, const Modal& state, const Point& from) {
  Point centre = from;
  for (int a = 0; a < 3; ++a) {
    if (!line.centre[a]) continue;
    const double v = *line.centre[a] * LinearScale(state, a);
    centre[a] = state.arcIncremental ? from[a] + v : v;
  }
  return centre;
}

std::array<int, 2> PlaneAxes(Plane plane) {
  switch (plane) {
    case Plane::XZ: return {2, 0};
    case Plane::YZ: return {1, 2};
    case Plane::XY: break;
  }
  return {0, 1};
}

ArcShape ShapeOf(const Point& from, const Point& to, const Point& centre, Plane plane, bool clockwise) {
  const auto [u, v] = PlaneAxes(plane);
  ArcShape shape;
  shape.startAngle = std::atan2(from[v] - centre[v], from[u] - centre[u]);
  shape.radius = std::hypot(from[u] - centre[u], from[v] - centre[v]);
  const double endAngle = std::atan2(to[v] - centre[v], to[u] - centre[u]);
  double sweep = endAngle - shape.startAngle;
  // Start and end at the same place make a whole turn.
  constexpr double kSame = 1e-9;
  if (clockwise) {
    while (sweep > -kSame) sweep -= 2 * kPi;
    while (sweep < -2 * kPi - kSame) sweep += 2 * kPi;
  } else {
    while (sweep < kSame) sweep += 2 * kPi;
    while (sweep > 2 * kPi + kSame) sweep -= 2 * kPi;
  }
  shape.sweep = sweep;
  return shape;
}

Point PointOnArc(const Point& from, const Point& to, const Point& centre, Plane plane, const ArcShape& shape,
                 double t) {
  if (t >= 1) return to;
  const auto [u, v] = PlaneAxes(plane);
  // The radius goes evenly from the start's to the end's, so the arc ends on its end point.
  const double endRadius = std::hypot(to[u] - centre[u], to[v] - centre[v]);
  const double radius = shape.radius + (endRadius - shape.radius) * t;
  const double angle = shape.startAngle + shape.sweep * t;
  Point at;
  for (int a = 0; a < kAxes; ++a) at[a] = from[a] + (to[a] - from[a]) * t;
  at[u] = centre[u] + radius * std::cos(angle);
  at[v] = centre[v] + radius * std::sin(angle);
  return at;
}

double ArcLength(const Point& from, const Point& to, const Point& centre, Plane plane, const ArcShape& shape) {
  const auto [u, v] = PlaneAxes(plane);
  double rise2 = 0;
  for (int a = 0; a < kAxes; ++a)
    if (a != u && a != v) rise2 += (to[a] - from[a]) * (to[a] - from[a]);
  const double endRadius = std::hypot(to[u] - centre[u], to[v] - centre[v]);
  const double planar = std::fabs(shape.sweep) * (shape.radius + endRadius) / 2;
  return std::sqrt(planar * planar + rise2);
}

}  // namespace kestrom::gcode
