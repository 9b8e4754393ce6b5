#include "window/manual_panel.h"

#include "machine/number_text.h"

namespace kestrom {

const char* const kArrivedMessage = "Just arrived at location now";
const char* const kInvalidRpmMessage = "Invalid spindle rpm";
const char* const kInvalidOemMessage = "Invalid OEM code (a whole number from -32768 to 32767)";

namespace {
constexpr int32_t kToggleJogModeCode = mach3::kToggleJogModeOemCode;
constexpr int kXYZ = 3;
}  // namespace

void ManualPanel::CreateMachObject() { loadRoutine_(); }

void ManualPanel::RunGCode() {
  const std::string line = controls_.Text(ControlId::txtGCode);
  const bool andWait = controls_.Value(ControlId::chkAndWait) == 1;
  connection_.Get().RunGCode(line, andWait);
  // Read again: unticking the box during the wait suppresses the message.
  if (controls_.Value(ControlId::chkAndWait) != 0) controls_.ShowMessage(kArrivedMessage);
}

void ManualPanel::ToggleJog() {
  CMach& mach = connection_.Get();
  if (controls_.Text(ControlId::cmdJog) == "Start Jogging") {
    for (int axis = 0; axis < kXYZ; ++axis) mach.JogOn(axis, true);
    controls_.SetText(ControlId::cmdJog, "Jog Off");
  } else {
    for (int axis = 0; axis < kXYZ; ++axis) mach.JogOff(axis);
    controls_.SetText(ControlId::cmdJog, "Start Jogging");
  }
}

void ManualPanel::SendOEM() {
  const auto number = ParseNumber(controls_.Text(ControlId::txtOEM));
  const auto code = number ? ToInt16(*number) : std::nullopt;
  if (!code) {
    controls_.ShowMessage(kInvalidOemMessage);
    return;
  }
  connection_.Get().SendOEMCode(*code);
}

void ManualPanel::ReadDro() {
  CMach& mach = connection_.Get();
  static const char* const kLabels[kXYZ] = {"X: ", "Y: ", "Z: "};
  std::string text;
  for (int axis = 0; axis < kXYZ; ++axis) text += kLabels[axis] + mach.ReadDRO(axis) + "\r\n";
  controls_.ShowMessage(text);
}

void ManualPanel::ToggleSpindle() {
  const auto rpm = ParseNumber(controls_.Text(ControlId::txtRPM));
  if (!rpm) {
    controls_.ShowMessage(kInvalidRpmMessage);
    return;
  }
  CMach& mach = connection_.Get();
  mach.SpindleRPM(*rpm);
  if (controls_.Text(ControlId::cmdSpindle) == "Spindle On") {
    mach.StopSpindle();
    controls_.SetText(ControlId::cmdSpindle, "Spindle Off");
  } else {
    controls_.SetText(ControlId::cmdSpindle, "Spindle On");
    mach.StartSpindle(true, -1.0);
  }
}

void ManualPanel::ToggleJogMode() { connection_.Get().SendOEMCode(kToggleJogModeCode); }

void ManualPanel::ZeroAxis() {
  CMach& mach = connection_.Get();
  for (int axis = 0; axis < kXYZ; ++axis) mach.SetDRO(axis, 0.0);
}

void ManualPanel::GotoPage() {
  // 16-bit arithmetic as the page list's index is 16-bit; -1 (no selection) gives 0.
  const int16_t page = static_cast<int16_t>(controls_.ListIndex(ControlId::cboPage) + mach3::kFirstPage);
  connection_.Get().GotoUIPage(page);
}

}  // namespace kestrom
