// The timer's tick: DROs polled, changes recorded as G01 lines in teach mode,
// displays refreshed, and the window kept above the foreground one.
#pragma once
#include <array>
#include <functional>
#include <string>

#include "window/program_box.h"
#include "window/connection_holder.h"
#include "window/controls.h"

namespace kestrom {

constexpr int kAxisCount = 6;

struct AxisRow {
  ControlId enableBox;
  ControlId displayBox;
  const char* displayPrefix;
  const char* wordPrefix;
};
extern const std::array<AxisRow, kAxisCount> kAxisRows;
extern const char* const kPointNotRecorded;  // Record point with Mach3 unreachable

class TeachRecorder {
 public:
  TeachRecorder(Controls& controls, TeachProgram& program, ConnectionHolder& connection)
      : controls_(controls), program_(program), connection_(connection) {}

  void Tick();
  void AppendMCode(const char* code);  // M3, M5, M1 buttons
  void ResetProgram();                 // double-click on the program box
  void ShowXDro();                     // Command2
  // Point teaching: one taught line for where the machine stands now, whatever
  // teach mode says; and taking back the last line after the header.
  void RecordPoint();
  void RemoveLastLine();
  // Told the six readouts of every tick on which all of them answered.
  using ReadoutsListener = std::function<void(const std::array<std::string, kAxisCount>&)>;
  void OnReadouts(ReadoutsListener listener) { onReadouts_ = std::move(listener); }

 private:
  void RecordChange();
  std::string AxisWords() const;
  void AppendTaughtLineByFeedBox(bool teachModeTest);
  void KeepAboveForeground();

  Controls& controls_;
  TeachProgram& program_;
  ConnectionHolder& connection_;
  std::array<std::string, kAxisCount> currentDro_;
  std::array<std::string, kAxisCount> previousDro_;  // no value yet reads as empty text
  std::string axisWords_;
  bool ticking_ = false;
  ReadoutsListener onReadouts_;
};

}  // namespace kestrom
