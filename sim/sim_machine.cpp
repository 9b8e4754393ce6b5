#include "sim/sim_machine.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "machine/number_text.h"

namespace kestrom::sim {
namespace {

constexpr int kToggleJogMode = mach3::kToggleJogModeOemCode;
// Start and end radii of an arc may differ this much (millimetres) before it is refused.
constexpr double kArcRadiusTolerance = 0.005;

}  // namespace

void SimMachine::Advance(double nowMs) {
  const double dt = std::max(0.0, nowMs - nowMs_);
  nowMs_ = nowMs;
  for (int a = 0; a < kAxes; ++a) position_[a] += jog_[a] * kJogRate / 60000.0 * dt;
  if (run_ == RunState::Held) return;
  // A run goes at its speed factor; a line of MDI at the machine's own pace.
  double left = dt * (run_ == RunState::Running ? speed_ : 1.0);
  while (active_ || NextSegment()) {
    Segment& s = *active_;
    const double remaining = s.durationMs - s.doneMs;
    if (left < remaining) {
      s.doneMs += left;
      position_ = s.At(s.doneMs / s.durationMs);
      return;
    }
    left -= remaining;
    const Segment done = std::move(*active_);
    active_.reset();
    position_ = done.to;
    Finished(done);
  }
}

gcode::Point SimMachine::Segment::At(double t) const {
  if (arc) return gcode::PointOnArc(from, to, centre, plane, shape, t);
  gcode::Point p;
  for (int a = 0; a < kAxes; ++a) p[a] = from[a] + (to[a] - from[a]) * t;
  return p;
}

std::optional<SimMachine::Segment> SimMachine::SegmentFor(const gcode::Line& line, const gcode::Modal& state,
                                                          const gcode::Point& from, double feed,
                                                          std::string& why) const {
  Segment s;
  s.from = from;
  s.to = gcode::TargetOf(line, state, from);
  const double rate = state.motion == gcode::Motion::Rapid ? kRapidRate : feed * (state.inches ? 25.4 : 1.0);
  if (rate <= 0) {
    why = "no feed rate (F)";
    return std::nullopt;
  }
  double length = 0;
  if (state.motion == gcode::Motion::ArcCw || state.motion == gcode::Motion::ArcCcw) {
    const auto [u, v] = gcode::PlaneAxes(state.plane);
    const int word[3] = {0, 1, 2};  // I, J, K go with X, Y, Z
    if (!line.centre[word[u]] && !line.centre[word[v]]) {
      why = "an arc needs its centre (I, J or K)";
      return std::nullopt;
    }
    s.arc = true;
    s.plane = state.plane;
    s.centre = gcode::ArcCentreOf(line, state, from);
    s.shape = gcode::ShapeOf(s.from, s.to, s.centre, s.plane, state.motion == gcode::Motion::ArcCw);
    const double endRadius = std::hypot(s.to[u] - s.centre[u], s.to[v] - s.centre[v]);
    if (s.shape.radius < 1e-6) {
      why = "an arc of no radius";
      return std::nullopt;
    }
    // As a controller does: an arc whose start and end lie on different circles is refused.
    if (std::fabs(s.shape.radius - endRadius) > kArcRadiusTolerance) {
      why = "the arc's start and end radii differ by " + FormatReal(std::fabs(s.shape.radius - endRadius)) + " mm";
      return std::nullopt;
    }
    length = gcode::ArcLength(s.from, s.to, s.centre, s.plane, s.shape);
  } else {
    double d2 = 0;
    for (int a = 0; a < kAxes; ++a) d2 += (s.to[a] - s.from[a]) * (s.to[a] - s.from[a]);
    length = std::sqrt(d2);
  }
  s.durationMs = length / rate * 60000.0;
  return s;
}

void SimMachine::Apply(const gcode::Line& line, const gcode::Modal& before, const gcode::Modal& after) {
  inches_ = after.inches;
  if (after.feed != before.feed) feed_ = after.feed;
  if (after.speed != before.speed) spinSpeed_ = after.speed;
  if (line.spindleChanged)
    spin_ = after.spindle == gcode::Spindle::Cw ? 1 : after.spindle == gcode::Spindle::Ccw ? -1 : 0;
}

std::string SimMachine::DroString(int axis) const {
  if (!Valid(axis)) return {};
  double v = std::round(position_[axis] / Scale(axis) * 10000.0) / 10000.0;
  if (v == 0.0) v = 0.0;  // no "-0.0000"
  char buf[48];
  std::snprintf(buf, sizeof buf, "%+.4f", v);
  return buf;
}

void SimMachine::SetDro(int axis, double value) {
  if (Valid(axis)) position_[axis] = value * Scale(axis);
}

void SimMachine::JogOn(int axis, int direction) {
  if (Valid(axis)) jog_[axis] = direction == 0 ? 1 : -1;
}
void SimMachine::JogOff(int axis) {
  if (Valid(axis)) jog_[axis] = 0;
}
void SimMachine::JogStep(int axis, double distance) {
  if (Valid(axis)) position_[axis] += distance * Scale(axis);
}

gcode::Point SimMachine::QueueEnd() const {
  if (!queue_.empty()) return queue_.back().to;
  return active_ ? active_->to : position_;
}

bool SimMachine::Code(const std::string& text) {
  gcode::Reader trial = mdi_;
  gcode::Line line;
  if (!trial.Read(text, line)) return false;
  std::optional<Segment> segment;
  if (line.moves) {
    std::string why;
    // The feed a line names is the one its move goes at.
    const double feed = trial.state().feed != mdi_.state().feed ? trial.state().feed : feed_;
    segment = SegmentFor(line, trial.state(), QueueEnd(), feed, why);
    if (!segment) return false;
  }
  Apply(line, mdi_.state(), trial.state());
  mdi_ = trial;
  if (segment) queue_.push_back(*segment);
  return true;
}

void SimMachine::GotoSafeZ() {
  Segment s;
  s.from = QueueEnd();
  s.to = s.from;
  s.to[2] = safeZ_ * Scale(2);
  s.durationMs = std::fabs(s.to[2] - s.from[2]) / kRapidRate * 60000.0;
  queue_.push_back(s);
}

bool SimMachine::IsMoving() const {
  if (nowMs_ < forcedMovingUntil_) return true;
  if (!queue_.empty() || (active_ && run_ != RunState::Held)) return true;
  if (run_ == RunState::Running && nextLine_ < lines_.size()) return true;
  return std::any_of(jog_.begin(), jog_.end(), [](int j) { return j != 0; });
}

// The next move: a line of MDI waiting, or the run's next line that moves,
// after the lines before it that only change the state or stop the run.
bool SimMachine::NextSegment() {
  if (!queue_.empty()) {
    active_ = queue_.front();
    queue_.pop_front();
    return true;
  }
  if (run_ != RunState::Running) return false;
  while (nextLine_ < lines_.size()) {
    const std::string& text = lines_[nextLine_++];
    gcode::Line line;
    const gcode::Modal before = program_.state();
    if (!program_.Read(text, line)) {
      Fail(line.number, text, "unknown word " + line.unknown);
      return false;
    }
    Apply(line, before, program_.state());
    if (line.moves) {
      std::string why;
      auto segment = SegmentFor(line, program_.state(), position_, feed_, why);
      if (!segment) {
        Fail(line.number, text, why);
        return false;
      }
      segment->line = line.number;
      segment->stop = line.stop;
      active_ = std::move(segment);
      return true;
    }
    if (line.stop != gcode::Stop::None) {
      HandleStop(line.stop, line.number);
      if (run_ != RunState::Running) return false;
    }
  }
  run_ = RunState::Ended;
  Event("RunEnd(end of program, line " + std::to_string(program_.lineNumber()) + ")");
  return false;
}

void SimMachine::Finished(const Segment& segment) {
  if (segment.line == 0) return;
  std::string at;
  for (int a = 0; a < kAxes; ++a) at += std::string(a ? " " : "") + mach3::kAxisLetters[a] + DroString(a);
  Event("RunMove(line " + std::to_string(segment.line) + ": " + at + ")");
  if (segment.stop != gcode::Stop::None) HandleStop(segment.stop, segment.line);
}

void SimMachine::HandleStop(gcode::Stop stop, int line) {
  const std::string where = "line " + std::to_string(line);
  switch (stop) {
    case gcode::Stop::M1:
      if (!optionalStop_) return;
      [[fallthrough]];
    case gcode::Stop::M0: {
      const char* code = stop == gcode::Stop::M0 ? "M0" : "M1";
      run_ = RunState::Paused;
      runMessage_ = std::string("Paused at ") + code + ", " + where + ": Cycle Start goes on";
      Event(std::string("RunPause(") + code + ", " + where + ")");
      return;
    }
    case gcode::Stop::M2:
    case gcode::Stop::M30:
      run_ = RunState::Ended;
      spin_ = 0;
      Event(std::string("RunEnd(") + (stop == gcode::Stop::M2 ? "M2" : "M30") + ", " + where + ")");
      return;
    case gcode::Stop::None: return;
  }
}

void SimMachine::StartRun(const std::string& program) {
  lines_.clear();
  gcode::ForEachLine(program, [&](std::string_view line, size_t start, size_t) {
    // The line end after the last line opens no line of its own.
    if (start < program.size()) lines_.emplace_back(line);
    return true;
  });
  nextLine_ = 0;
  program_ = gcode::Reader();
  runMessage_.clear();
  run_ = RunState::Running;
  Event("RunStart(" + fileName_ + ")");
}

void SimMachine::RunFile() { CycleStart(); }

void SimMachine::RunProgram(const std::string& program) {
  if (run_ == RunState::Running || run_ == RunState::Held || run_ == RunState::Paused) return;
  StartRun(program);
}

void SimMachine::CycleStart() {
  if (run_ == RunState::Held || run_ == RunState::Paused) {
    run_ = RunState::Running;
    runMessage_.clear();
    Event("RunResume()");
    return;
  }
  if (run_ == RunState::Running || loaded_.empty()) return;
  StartRun(loaded_);
}

void SimMachine::FeedHold() {
  if (run_ == RunState::Running) {
    run_ = RunState::Held;
    Event("RunHold()");
  } else if (run_ == RunState::Held) {
    run_ = RunState::Running;
    Event("RunResume()");
  }
}

void SimMachine::StopRun() {
  if (run_ != RunState::Running && run_ != RunState::Held && run_ != RunState::Paused) return;
  run_ = RunState::Idle;
  active_.reset();
  queue_.clear();
  runMessage_ = "Stopped at line " + std::to_string(program_.lineNumber());
  Event("RunStop(line " + std::to_string(program_.lineNumber()) + ")");
}

void SimMachine::Fail(int line, const std::string& text, const std::string& why) {
  run_ = RunState::Failed;
  runMessage_ = "Stopped at line " + std::to_string(line) + ": " + text + " (" + why + ")";
  Event("RunError(line " + std::to_string(line) + ": " + why + ")");
}

void SimMachine::Event(const std::string& text) const {
  if (eventLog_) eventLog_(text);
}

std::string SimMachine::RunStatus() const {
  const std::string line = "line " + std::to_string(program_.lineNumber());
  switch (run_) {
    case RunState::Idle:
      if (!runMessage_.empty()) return runMessage_;
      return fileName_.empty() ? std::string("No program loaded") : "Loaded " + fileName_;
    case RunState::Running: return "Running " + line;
    case RunState::Held: return "Feed hold at " + line;
    case RunState::Paused: return runMessage_;
    case RunState::Ended: return "Program ended at " + line;
    case RunState::Failed: return runMessage_;
  }
  return {};
}

void SimMachine::DoOEMButton(int code) {
  if (code == kToggleJogMode) stepJogMode_ = !stepJogMode_;
  else if (code >= 1 && code <= 6) page_ = code;
}

void SimMachine::LoadFile(const std::string& path, const std::string& content) {
  fileName_ = path;
  loaded_ = content;
}

}  // namespace kestrom::sim
