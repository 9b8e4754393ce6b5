#include "sim/sim_machine.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "gcode/numbers.h"
#include "machine/number_text.h"

namespace kestrom::sim {
namespace {

constexpr int kToggleJogMode = mach3::kToggleJogModeOemCode;

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

bool SimMachine::SegmentsFor(const gcode::Block& block, const gcode::Modal& state, std::deque<Segment>& out,
                             std::string& why) const {
  const double unit = gcode::MillimetresPerUnit(state);
  for (const gcode::Move& move : block.moves) {
    Segment s;
    s.origin = move.origin;
    for (int a = 0; a < kAxes; ++a) {
      s.from[a] = move.from[a] + move.origin[a];
      s.to[a] = move.to[a] + move.origin[a];
      s.centre[a] = move.centre[a] + move.origin[a];
    }
    s.line = block.number;
    if (move.kind == gcode::MoveKind::Dwell) {
      s.durationMs = move.seconds * 1000.0;
      out.push_back(s);
      continue;
    }
    double length = 0;
    if (move.kind == gcode::MoveKind::Arc) {
      s.arc = true;
      s.plane = move.plane;
      s.shape = gcode::ShapeOf(s.from, s.to, s.centre, s.plane, move.clockwise, move.turns);
      length = gcode::ArcLength(s.from, s.to, s.centre, s.plane, s.shape);
    } else {
      double d2 = 0;
      for (int a = 0; a < kAxes; ++a) d2 += (s.to[a] - s.from[a]) * (s.to[a] - s.from[a]);
      length = std::sqrt(d2);
    }
    if (move.kind == gcode::MoveKind::Rapid) {
      s.durationMs = length / kRapidRate * 60000.0;
    } else if (state.feedMode == gcode::FeedMode::InverseTime) {
      if (state.feed <= 0) return why = "G93 needs F on every feed move", false;
      s.durationMs = 60000.0 / state.feed;
    } else {
      double rate = feed_ * unit;  // per minute
      if (state.feedMode == gcode::FeedMode::PerRevolution) rate *= state.speed;
      if (rate <= 0) return why = "no feed rate (F)", false;
      s.durationMs = length / rate * 60000.0;
    }
    out.push_back(s);
  }
  if (!out.empty()) {
    out.back().last = true;
    out.back().stop = block.stop;
  }
  return true;
}

void SimMachine::Apply(const gcode::Block& block, const gcode::Modal& after) {
  inches_ = after.inches;
  // The feed a line names is the one its moves go at, whatever SetFeedRate said since.
  if (block.Names('F')) feed_ = after.feed;
  if (block.Names('S')) spinSpeed_ = after.speed;
  if (block.spindleChanged)
    spin_ = after.spindle == gcode::Spindle::Cw ? 1 : after.spindle == gcode::Spindle::Ccw ? -1 : 0;
  if (block.stop == gcode::Stop::M2 || block.stop == gcode::Stop::M30) spin_ = 0;
}

std::string SimMachine::DroString(int axis) const {
  if (!Valid(axis)) return {};
  double v = std::round((position_[axis] - origin_[axis]) / Scale(axis) * 10000.0) / 10000.0;
  if (v == 0.0) v = 0.0;  // no "-0.0000"
  char buf[48];
  std::snprintf(buf, sizeof buf, "%+.4f", v);
  return buf;
}

void SimMachine::SetDro(int axis, double value) {
  if (Valid(axis)) position_[axis] = value * Scale(axis) + origin_[axis];
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
  gcode::Interpreter trial = modal_;
  trial.SetMachine(QueueEnd());
  gcode::Block block;
  if (!trial.Read(text, block)) return false;
  const gcode::Modal& state = trial.state();
  // A line's F is its moves' feed, so the check uses it too.
  const double before = feed_;
  if (block.Names('F')) feed_ = state.feed;
  std::deque<Segment> segments;
  std::string why;
  if (!SegmentsFor(block, state, segments, why)) {
    feed_ = before;
    return false;
  }
  for (Segment& s : segments) s.line = 0;
  Apply(block, state);
  modal_ = trial;
  if (segments.empty()) origin_ = modal_.origin();
  for (Segment& s : segments) queue_.push_back(s);
  return true;
}

void SimMachine::GotoSafeZ() {
  Segment s;
  s.from = QueueEnd();
  s.to = s.from;
  s.to[2] = safeZ_ * Scale(2) + origin_[2];
  s.origin = origin_;
  s.durationMs = std::fabs(s.to[2] - s.from[2]) / kRapidRate * 60000.0;
  queue_.push_back(s);
}

bool SimMachine::IsMoving() const {
  if (nowMs_ < forcedMovingUntil_) return true;
  if (!queue_.empty() || (active_ && run_ != RunState::Held)) return true;
  if (run_ == RunState::Running && (!pending_.empty() || (!walk_.ended() && !walk_.failed()))) return true;
  return std::any_of(jog_.begin(), jog_.end(), [](int j) { return j != 0; });
}

// The next move: a line of MDI waiting, or the run's next move, after the
// lines before it that only change the state or stop the run.
bool SimMachine::NextSegment() {
  if (!queue_.empty()) {
    active_ = queue_.front();
    queue_.pop_front();
    origin_ = active_->origin;
    return true;
  }
  if (run_ != RunState::Running) return false;
  while (pending_.empty()) {
    gcode::Block block;
    modal_.SetMachine(position_);
    const std::string coolantBefore = Coolant();
    if (!walk_.Next(modal_, block)) {
      if (walk_.failed()) {
        Fail(block.number, std::string(walk_.Line(walk_.lineIndex())), block.why + (block.bad.empty() ? "" : ": " + block.bad));
        return false;
      }
      run_ = RunState::Ended;
      Event("RunEnd(end of program, line " + std::to_string(runLine_) + ")");
      return false;
    }
    runLine_ = block.number;
    std::string why;
    const int spinBefore = spin_;
    const double speedBefore = spinSpeed_;
    Apply(block, modal_.state());  // the line's F is its own moves' feed
    // The log says when the spindle and the coolant change, so that a run can be checked for them.
    if (spin_ != spinBefore || (spin_ && spinSpeed_ != speedBefore))
      Event("RunSpindle(" + std::string(spin_ > 0 ? "CW " : spin_ < 0 ? "CCW " : "off") +
            (spin_ ? gcode::WriteExact(spinSpeed_, {0, false, '.'}) + " rpm" : "") + ", line " + std::to_string(block.number) + ")");
    if (Coolant() != coolantBefore) Event("RunCoolant(" + Coolant() + ", line " + std::to_string(block.number) + ")");
    if (!SegmentsFor(block, modal_.state(), pending_, why)) {
      Fail(block.number, std::string(walk_.Line(walk_.lineIndex())), why);
      return false;
    }
    if (pending_.empty()) origin_ = modal_.origin();
    if (block.toolChange) {
      // Mach3 stops for the operator to change the tool; Cycle Start goes on.
      const std::string where = "line " + std::to_string(block.number);
      const std::string tool = "T" + std::to_string(*block.toolChange);
      run_ = RunState::Paused;
      runMessage_ = "Tool change: " + tool + " at " + where + ": Cycle Start goes on";
      Event("RunToolChange(" + tool + ", " + where + ")");
      if (pending_.empty() && block.stop != gcode::Stop::None) HandleStop(block.stop, block.number);
      return false;
    }
    if (pending_.empty() && block.stop != gcode::Stop::None) {
      HandleStop(block.stop, block.number);
      if (run_ != RunState::Running) return false;
    }
  }
  active_ = pending_.front();
  pending_.pop_front();
  origin_ = active_->origin;
  return true;
}

void SimMachine::Finished(const Segment& segment) {
  if (segment.line == 0 || !segment.last) return;
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
  walk_ = gcode::ProgramWalk(program);
  pending_.clear();
  runLine_ = 0;
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
  pending_.clear();
  // As Mach3's Stop does: the spindle and the coolant go off, the modes stay.
  spin_ = 0;
  gcode::Block off;
  modal_.SetMachine(position_);
  modal_.Read("M5 M9", off);
  runMessage_ = "Stopped at line " + std::to_string(runLine_) + ": spindle and coolant off";
  Event("RunStop(line " + std::to_string(runLine_) + ")");
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
  const std::string line = "line " + std::to_string(runLine_);
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
