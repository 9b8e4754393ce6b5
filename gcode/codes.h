// The G and M codes the interpreter knows, one row each with its modal group
// (as RS274 interpreters keep them): two codes of one group on a line are
// refused. Adding a code is one row here and its meaning in the interpreter.
#pragma once
#include <optional>

namespace kestrom::gcode {

enum class Group : unsigned char {
  NonModal, Motion, Plane, Distance, ArcDistance, FeedMode, Units, CutterCompensation, ToolLength, CycleReturn,
  WorkOffset, PathControl, Scaling,                     // G codes
  Stopping, ToolChange, Spindle, Coolant, Overrides,  // M codes
};

enum class Op : unsigned char {
  Rapid, Line, ArcCw, ArcCcw, Dwell, SetOffsets, Home, HomeSet /* G28.1 */, SecondHome, Probe,
  PlaneXY, PlaneXZ, PlaneYZ, Inches, Millimetres, CompensationOff, CompensationLeft, CompensationRight,
  LengthOffset, LengthOffsetOff, ScalingOff, LocalOffset, MachineCoordinates, WorkOffset, ExactStop,
  ExactStopMode, ContinuousMode, Cycle, CycleOff, Absolute, Incremental, ArcAbsolute, ArcIncremental,
  ShiftOffsets /* G92 */, ShiftClear, ShiftSuspend, ShiftRestore, InverseTime, PerMinute, PerRevolution,
  ReturnToStart, ReturnToR,
  Pause, OptionalPause, End, EndRewind, ToolChange, SpindleCw, SpindleCcw, SpindleOff, Mist, Flood,
  CoolantOff, OverridesOn, OverridesOff, CallSubprogram, Return,
};

struct Code {
  char letter;  // 'G' or 'M'
  int tenths;   // the number times ten: G90.1 is 901
  Group group;
  Op op;
  bool usesAxes;  // the line's axis words are this code's, not a move's
};

// The row of a code; nothing for a code the interpreter does not know.
std::optional<Code> FindCode(char letter, double number);

}  // namespace kestrom::gcode
