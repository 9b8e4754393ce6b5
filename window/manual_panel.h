// The manual command panel: one short sequence of machine calls per click.
// Every command reaches Mach3 or the operator is told it did not. A stop (Jog
// Off, Spindle Off) that Mach3 cannot take now, because an earlier call is
// late, is queued and made as soon as Mach3 answers; any other command is
// refused while Mach3 does not answer, since a start that arrives seconds late
// is more dangerous than one refused. A toggle's caption changes only once its
// command was made.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "window/connection_holder.h"
#include "window/controls.h"

namespace kestrom {

class ManualPanel {
 public:
  ManualPanel(Controls& controls, ConnectionHolder& connection, std::function<void()> loadRoutine)
      : controls_(controls), connection_(connection), loadRoutine_(std::move(loadRoutine)) {}

  void CreateMachObject();
  void RunGCode();
  void ToggleJog();
  void SendOEM();
  void ReadDro();
  void ToggleSpindle();
  void ToggleJogMode();
  void ZeroAxis();
  void GotoPage();
  // From the timer: the queued stops that have been made or have failed.
  void Poll();

 private:
  struct PendingStop {
    std::vector<std::shared_ptr<QueuedCall>> calls;
    std::function<void()> made;  // the caption that follows the stop
  };
  // False (with the message) when the command cannot be sent now.
  bool CanSend(CMach& mach);
  // A start or a change: refused (with the message) while Mach3 cannot take it;
  // otherwise made, and the operator told when its calls did not all go through.
  enum class Sent { Refused, Failed, Made };
  Sent Send(const std::function<void(CMach&)>& calls);
  void Stop(std::vector<std::function<std::shared_ptr<QueuedCall>()>> stops, std::function<void()> made);

  Controls& controls_;
  ConnectionHolder& connection_;
  std::function<void()> loadRoutine_;
  std::vector<PendingStop> pending_;
};

extern const char* const kArrivedMessage;
extern const char* const kInvalidRpmMessage;
extern const char* const kInvalidOemMessage;
extern const char* const kNotAnsweringNotSent;
extern const char* const kNotConnectedNotSent;
extern const char* const kCommandNotMade;
extern const char* const kStopQueued;
extern const char* const kStopNotSent;
// Which of X, Y, Z a Zero Axis left as they were.
std::string NotZeroedMessage(const std::string& axes);

}  // namespace kestrom
