// SimMach3's small window: the six DROs, the spindle and page, jog buttons
// (arrow keys and Page Up/Down jog too) so a person can move the machine, and
// a controller's run buttons: Cycle Start, Feed Hold, Stop, Optional Stop, and
// a speed factor for demonstrations. A run that stops on a line shows it.
#pragma once
#include <windows.h>

#include "sim/sim_machine.h"
#include "window/win32/window_procedure.h"

namespace kestrom::sim {

// The run's controls, by id, for a person and for the tests that press them.
enum SimControl : int {
  kCycleStartButton = 300,
  kFeedHoldButton,
  kStopButton,
  kOptionalStopBox,
  kSpeedOneBox,  // 1x
  kSpeedTenBox,  // 10x
  kRunStatusText,
};

class SimWindow : public win32::WindowProcedure<SimWindow> {
 public:
  SimWindow(HINSTANCE instance, SimMachine& machine);
  HWND hwnd() const { return hwnd_; }
  bool created() const { return created_; }
  // Arrow keys and Page Up/Down step the axes; true when the key was taken.
  bool HandleKey(const MSG& msg);

 private:
  friend class win32::WindowProcedure<SimWindow>;
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  void Refresh();

  SimMachine& machine_;
  bool created_ = false;
  HWND dros_[kAxes] = {};
  HWND status_ = nullptr;
  HWND runStatus_ = nullptr;
};

}  // namespace kestrom::sim
