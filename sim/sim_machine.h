// The simulated controller behind SimMach3: six axes that jog and move over
// time, a spindle, feed and safe Z, the DRO texts in Mach3's style, and a
// loaded program that runs as a controller runs it (Cycle Start, Feed Hold,
// Stop, M0/M1 pauses, a line it cannot run stopping the run).
#pragma once
#include <array>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "machine/mach3_contract.h"
#include "gcode/interpreter.h"
#include "gcode/program_walk.h"

namespace kestrom::sim {

constexpr int kAxes = mach3::kAxisCount;
static_assert(kAxes == gcode::kAxes, "the reader and the machine count the same axes");

class SimMachine {
 public:
  static constexpr double kJogRate = 600.0;     // millimetres per minute
  static constexpr double kRapidRate = 3000.0;  // millimetres per minute

  enum class RunState { Idle, Running, Held, Paused, Ended, Failed };

  // Moves everything on to the time `nowMs` (monotonic milliseconds).
  void Advance(double nowMs);

  // "+1.2500", in work coordinates and the units the last G20/G21 chose; empty for an unknown DRO.
  std::string DroString(int axis) const;
  double Position(int axis) const { return Valid(axis) ? position_[axis] - origin_[axis] : 0.0; }  // millimetres, work
  double MachinePosition(int axis) const { return Valid(axis) ? position_[axis] : 0.0; }
  void SetDro(int axis, double value);  // in the DROs' units

  void JogOn(int axis, int direction);  // direction 0: positive, 1: negative
  void JogOff(int axis);
  bool Jogging(int axis) const { return Valid(axis) && jog_[axis] != 0; }
  void JogStep(int axis, double distance);  // a person's step from the window, in the DROs' units

  // One line of G-code, as Mach3's MDI takes it. False when the line holds a
  // word the interpreter does not read or a move it cannot make; then nothing
  // happens. MDI and program runs share one modal state, as in Mach3.
  bool Code(const std::string& line);
  bool IsMoving() const;
  void ForceMovingUntil(double untilMs) { forcedMovingUntil_ = untilMs; }

  void DoOEMButton(int code);
  int Page() const { return page_; }
  bool StepJogMode() const { return stepJogMode_; }

  void SetSpinSpeed(double rpm) { spinSpeed_ = rpm; }
  void SpinCW() { spin_ = 1; }
  void SpinCCW() { spin_ = -1; }
  void SpinStop() { spin_ = 0; }
  double Rpm() const { return spin_ ? spinSpeed_ : 0.0; }
  double SpinSpeed() const { return spinSpeed_; }
  int SpinDirection() const { return spin_; }
  // "M7", "M8", "M7 M8" or "off", as the last M7, M8 or M9 left it.
  std::string Coolant() const {
    const gcode::Modal& m = modal_.state();
    return m.mist && m.flood ? "M7 M8" : m.mist ? "M7" : m.flood ? "M8" : "off";
  }

  double FeedRate() const { return feed_; }
  void SetFeedRate(double f) { feed_ = f; }
  double SafeZ() const { return safeZ_; }
  void SetSafeZ(double z) { safeZ_ = z; }
  void GotoSafeZ();
  bool IsSafeZ() const { return Position(2) >= safeZ_; }
  // The work offsets' table (G54 to G59), all zero unless G10 L2 sets them; millimetres.
  void SetWorkOffset(int index, const gcode::Point& offset) { modal_.SetWorkOffset(index, offset); }
  int Tool() const { return modal_.state().tool; }

  void LoadFile(const std::string& path, const std::string& content);
  const std::string& FileName() const { return fileName_; }
  // The loaded program from its first line (the scripting call RunFile).
  void RunFile();
  // A program handed over as text, run as a loaded one.
  void RunProgram(const std::string& program);
  // Cycle Start: resumes a held or paused run, or starts the loaded program.
  void CycleStart();
  // Feed Hold: the run's motion stops where it is; again (or Cycle Start) goes on.
  void FeedHold();
  // Stop: the run ends; the machine stays where it stood, its spindle and coolant off.
  void StopRun();
  void SetSpeedFactor(double factor) { speed_ = factor > 0 ? factor : 1.0; }
  double SpeedFactor() const { return speed_; }
  void SetOptionalStop(bool on) { optionalStop_ = on; }
  bool OptionalStop() const { return optionalStop_; }
  RunState runState() const { return run_; }
  // What the window shows of the run: its state, the line, and why it stopped.
  std::string RunStatus() const;

  // Where the run's events go (its start, each move's end point, pauses and
  // end), one line each, for SimMach3's log.
  void SetEventLog(std::function<void(const std::string&)> log) { eventLog_ = std::move(log); }

  void Message(const std::string& text) { lastMessage_ = text; }
  const std::string& LastMessage() const { return lastMessage_; }

 private:
  // A move under way (a straight line, an arc, or a dwell), in machine
  // coordinates and machine time.
  struct Segment {
    gcode::Point from{}, to{}, centre{};
    gcode::Point origin{};  // work zero during the move
    bool arc = false;
    gcode::Plane plane = gcode::Plane::XY;
    gcode::ArcShape shape;
    double durationMs = 0, doneMs = 0;
    int line = 0;  // the program line it came from; 0 for a line of MDI
    bool last = false;  // its line's last move
    gcode::Stop stop = gcode::Stop::None;  // the program stop on its line, made once it has ended
    gcode::Point At(double t) const;
  };
  static bool Valid(int axis) { return axis >= 0 && axis < kAxes; }
  double Scale(int axis) const { return inches_ && axis < 3 ? 25.4 : 1.0; }
  // The moves a line read asks for, or why they cannot be made.
  bool SegmentsFor(const gcode::Block& block, const gcode::Modal& state, std::deque<Segment>& out,
                   std::string& why) const;
  gcode::Point QueueEnd() const;  // where the machine stands once the lines of MDI queued have run
  // Spindle and feed words of a line read, for the machine.
  void Apply(const gcode::Block& block, const gcode::Modal& after);
  bool NextSegment();
  void Finished(const Segment& segment);
  void HandleStop(gcode::Stop stop, int line);
  void StartRun(const std::string& program);
  void Fail(int line, const std::string& text, const std::string& why);
  void Event(const std::string& text) const;
  std::string Where() const;

  gcode::Point position_{};
  std::array<int, kAxes> jog_{};  // +1, -1 or 0
  std::deque<Segment> queue_;     // lines of MDI waiting their turn
  std::optional<Segment> active_;
  double nowMs_ = 0.0;
  double forcedMovingUntil_ = -1.0;
  gcode::Interpreter modal_;  // one state for MDI and program runs
  gcode::Point origin_{};     // work zero in machine coordinates, as the DROs read
  bool inches_ = false;
  double feed_ = 1000.0;  // in the program's units per minute
  double safeZ_ = 10.0;
  double spinSpeed_ = 0.0;
  int spin_ = 0;
  int page_ = 1;
  bool stepJogMode_ = false;
  std::string loaded_, fileName_, lastMessage_;

  // The run of a loaded program.
  RunState run_ = RunState::Idle;
  gcode::ProgramWalk walk_;
  std::deque<Segment> pending_;  // the moves of the run's line under way
  int runLine_ = 0;
  double speed_ = 1.0;
  bool optionalStop_ = false;
  std::string runMessage_;
  std::function<void(const std::string&)> eventLog_;
};

}  // namespace kestrom::sim
