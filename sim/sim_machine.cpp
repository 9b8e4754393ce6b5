#include "sim/sim_machine.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "machine/number_text.h"

namespace kestrom::sim {
namespace {

using mach3::kAxisLetters;
constexpr int kToggleJogMode = mach3::kToggleJogModeOemCode;

}  // namespace

void SimMachine::Advance(double nowMs) {
  const double dt = std::max(0.0, nowMs - nowMs_);
  nowMs_ = nowMs;
  for (int a = 0; a < kAxes; ++a) position_[a] += jog_[a] * kJogRate / 60000.0 * dt;
  while (active_ || !queue_.empty()) {
    if (!active_) StartNextMove();
    const ActiveMove& m = *active_;
    const double t = m.durationMs <= 0 ? 1.0 : std::min(1.0, (nowMs_ - m.startMs) / m.durationMs);
    for (int a = 0; a < kAxes; ++a) position_[a] = m.from[a] + (m.to[a] - m.from[a]) * t;
    if (t < 1.0) break;
    const double endMs = m.startMs + m.durationMs;
    active_.reset();
    if (!queue_.empty()) {
      StartNextMove();
      active_->startMs = endMs;  // the next move starts where the last one ended
    }
  }
}

void SimMachine::StartNextMove() {
  const Move move = queue_.front();
  queue_.pop_front();
  ActiveMove m{position_, position_, nowMs_, 0.0};
  double distance2 = 0.0;
  for (int a = 0; a < kAxes; ++a) {
    if (move.target[a]) m.to[a] = move.incremental ? position_[a] + *move.target[a] : *move.target[a];
    distance2 += (m.to[a] - m.from[a]) * (m.to[a] - m.from[a]);
  }
  m.durationMs = move.rate > 0 ? std::sqrt(distance2) / move.rate * 60000.0 : 0.0;
  active_ = m;
}

std::string SimMachine::DroString(int axis) const {
  if (!Valid(axis)) return {};
  double v = std::round(position_[axis] * 10000.0) / 10000.0;
  if (v == 0.0) v = 0.0;  // no "-0.0000"
  char buf[48];
  std::snprintf(buf, sizeof buf, "%+.4f", v);
  return buf;
}

void SimMachine::SetDro(int axis, double value) {
  if (Valid(axis)) position_[axis] = value;
}

void SimMachine::JogOn(int axis, int direction) {
  if (Valid(axis)) jog_[axis] = direction == 0 ? 1 : -1;
}
void SimMachine::JogOff(int axis) {
  if (Valid(axis)) jog_[axis] = 0;
}
void SimMachine::JogStep(int axis, double distance) {
  if (Valid(axis)) position_[axis] += distance;
}

bool SimMachine::Code(const std::string& line) {
  std::string text;
  for (char c : line) {
    if (c == '(' ) break;  // a comment ends what is read
    if (!std::isspace(static_cast<unsigned char>(c))) text += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  Move move{{}, incremental_, 0.0};
  bool motion = false, rapid = rapid_, incremental = incremental_;
  std::optional<double> feed;
  size_t i = 0;
  while (i < text.size()) {
    const char letter = text[i++];
    size_t j = i;
    while (j < text.size() && (std::isdigit(static_cast<unsigned char>(text[j])) || text[j] == '.' ||
                               text[j] == '-' || text[j] == '+'))
      ++j;
    const auto number = ParseNumber(text.substr(i, j - i));
    if (!std::isalpha(static_cast<unsigned char>(letter)) || !number) return false;
    i = j;
    const char* axis = std::strchr(kAxisLetters, letter);
    if (axis && *axis) {
      move.target[axis - kAxisLetters] = *number;
      motion = true;
    } else if (letter == 'G') {
      if (*number == 0) rapid = true;
      else if (*number == 1) rapid = false;
      else if (*number == 90) incremental = false;
      else if (*number == 91) incremental = true;
    } else if (letter == 'F') {
      feed = *number;
    } else if (letter == 'M') {
      if (*number == 3) SpinCW();
      else if (*number == 4) SpinCCW();
      else if (*number == 5) SpinStop();
    }
  }
  rapid_ = rapid;
  incremental_ = incremental;
  if (feed) feed_ = *feed;
  if (motion) {
    move.incremental = incremental_;
    move.rate = rapid_ ? kRapidRate : feed_;
    queue_.push_back(move);
    if (!active_) StartNextMove();  // an idle machine starts now, not at the next advance
  }
  return true;
}

bool SimMachine::RunText(const std::string& program) {
  std::istringstream lines(program);
  std::string line;
  bool all = true;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    all = Code(line) && all;
  }
  return all;
}

bool SimMachine::IsMoving() const {
  if (nowMs_ < forcedMovingUntil_) return true;
  if (active_ || !queue_.empty()) return true;
  return std::any_of(jog_.begin(), jog_.end(), [](int j) { return j != 0; });
}

void SimMachine::DoOEMButton(int code) {
  if (code == kToggleJogMode) stepJogMode_ = !stepJogMode_;
  else if (code >= 1 && code <= 6) page_ = code;
}

void SimMachine::GotoSafeZ() {
  Move move{{}, false, kRapidRate};
  move.target[2] = safeZ_;
  queue_.push_back(move);
  if (!active_) StartNextMove();
}

void SimMachine::LoadFile(const std::string& path, const std::string& content) {
  fileName_ = path;
  loaded_ = content;
}

}  // namespace kestrom::sim
