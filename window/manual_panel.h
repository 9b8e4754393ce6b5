// The manual command panel: one short sequence of machine calls per click.
#pragma once
#include <functional>

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

 private:
  Controls& controls_;
  ConnectionHolder& connection_;
  std::function<void()> loadRoutine_;
};

extern const char* const kArrivedMessage;
extern const char* const kInvalidRpmMessage;
extern const char* const kInvalidOemMessage;

}  // namespace kestrom
