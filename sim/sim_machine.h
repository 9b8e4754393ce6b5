// The simulated controller behind SimMach3: six axes that jog and move over
// time, a spindle, feed and safe Z, and the DRO texts in Mach3's style.
#pragma once
#include <array>
#include <deque>
#include <optional>
#include <string>

#include "machine/mach3_contract.h"

namespace kestrom::sim {

constexpr int kAxes = mach3::kAxisCount;

class SimMachine {
 public:
  static constexpr double kJogRate = 600.0;     // units per minute
  static constexpr double kRapidRate = 3000.0;  // units per minute

  // Moves everything on to the time `nowMs` (monotonic milliseconds).
  void Advance(double nowMs);

  std::string DroString(int axis) const;  // "+1.2500"; empty for an unknown DRO
  double Position(int axis) const { return Valid(axis) ? position_[axis] : 0.0; }
  void SetDro(int axis, double value);

  void JogOn(int axis, int direction);  // direction 0: positive, 1: negative
  void JogOff(int axis);
  bool Jogging(int axis) const { return Valid(axis) && jog_[axis] != 0; }
  void JogStep(int axis, double distance);  // a person's step from the window

  // One line of G-code: G0/G1 (G00/G01), G90/G91, axis words, F, M3/M4/M5.
  // False when the line is not understood; then nothing is queued.
  bool Code(const std::string& line);
  bool RunText(const std::string& program);  // every line of a program, queued
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

  double FeedRate() const { return feed_; }
  void SetFeedRate(double f) { feed_ = f; }
  double SafeZ() const { return safeZ_; }
  void SetSafeZ(double z) { safeZ_ = z; }
  void GotoSafeZ();
  bool IsSafeZ() const { return position_[2] >= safeZ_; }

  void LoadFile(const std::string& path, const std::string& content);
  void RunFile() { RunText(loaded_); }
  const std::string& FileName() const { return fileName_; }

  void Message(const std::string& text) { lastMessage_ = text; }
  const std::string& LastMessage() const { return lastMessage_; }

 private:
  struct Move {
    std::array<std::optional<double>, kAxes> target;
    bool incremental;
    double rate;
  };
  struct ActiveMove {
    std::array<double, kAxes> from, to;
    double startMs, durationMs;
  };
  static bool Valid(int axis) { return axis >= 0 && axis < kAxes; }
  void StartNextMove();

  std::array<double, kAxes> position_{};
  std::array<int, kAxes> jog_{};  // +1, -1 or 0
  std::deque<Move> queue_;
  std::optional<ActiveMove> active_;
  double nowMs_ = 0.0;
  double forcedMovingUntil_ = -1.0;
  bool incremental_ = false;
  bool rapid_ = true;
  double feed_ = 1000.0;
  double safeZ_ = 10.0;
  double spinSpeed_ = 0.0;
  int spin_ = 0;
  int page_ = 1;
  bool stepJogMode_ = false;
  std::string loaded_, fileName_, lastMessage_;
};

}  // namespace kestrom::sim
