#include "window/teach_recorder.h"

#include <algorithm>

namespace kestrom {

const std::array<AxisRow, kAxisCount> kAxisRows = {{
    {ControlId::Check2, ControlId::Text3, "X:", " X"},
    {ControlId::Check3, ControlId::Text4, "Y:", " Y"},
    {ControlId::Check4, ControlId::Text5, "Z:", " Z"},
    {ControlId::Check5, ControlId::Text7, "A:", " A"},
    {ControlId::Check6, ControlId::Text8, "B:", " B"},
    {ControlId::Check7, ControlId::Text9, "C:", " C"},
}};

void TeachRecorder::Tick() {
  // A cross-process call can let the window handle messages while it waits;
  // a tick arriving then is dropped rather than run inside this one.
  if (ticking_) return;
  ticking_ = true;
  CMach& mach = connection_.Get();

  for (int axis = 0; axis < kAxisCount; ++axis) currentDro_[axis] = mach.ReadDRO(axis);
  // An empty readout means Mach3 was not reached, or was lost part way through
  // the tick: such a tick is no position, so it records nothing and keeps the
  // reference, and the next answering tick compares with the last real position.
  const bool reachedMach3 =
      std::none_of(currentDro_.begin(), currentDro_.end(), [](const std::string& t) { return t.empty(); });
  if (reachedMach3 && currentDro_ != previousDro_) RecordChange();

  for (int axis = 0; axis < kAxisCount; ++axis)
    controls_.SetText(kAxisRows[axis].displayBox, kAxisRows[axis].displayPrefix + mach.ReadDRO(axis));

  if (controls_.Value(ControlId::Check1) == 1) KeepAboveForeground();
  ticking_ = false;
}

void TeachRecorder::RecordChange() {
  axisWords_.clear();
  for (int axis = 0; axis < kAxisCount; ++axis)
    if (controls_.Value(kAxisRows[axis].enableBox) == 1)
      axisWords_ += kAxisRows[axis].wordPrefix + currentDro_[axis];

  if (controls_.Value(ControlId::Check1) == 1 && controls_.Value(ControlId::Check8) == 1)
    program_.AppendTaughtLine(axisWords_, controls_.Text(ControlId::Text6));
  if (controls_.Value(ControlId::Check1) == 1 && controls_.Value(ControlId::Check8) == 0)
    program_.AppendTaughtLine(axisWords_, std::nullopt);

  previousDro_ = currentDro_;
  controls_.CaretToEnd(ControlId::Text2);
}

void TeachRecorder::KeepAboveForeground() {
  const WindowHandle own = controls_.OwnWindow();
  if (controls_.ForegroundWindow() == own) return;
  controls_.SetTopmost(controls_.ForegroundWindow(), false);
  controls_.SetTopmost(own, true);
}

void TeachRecorder::AppendMCode(const char* code) {
  program_.AppendMCode(code);
  controls_.CaretToEnd(ControlId::Text2);
}

void TeachRecorder::ResetProgram() { program_.ResetProgram(); }

void TeachRecorder::ShowXDro() { controls_.ShowMessage(connection_.Get().ReadDRO(0)); }

}  // namespace kestrom
