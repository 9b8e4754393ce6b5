#include "gcode/codes.h"

#include <cmath>
#include <iterator>

namespace kestrom::gcode {
namespace {

using G = Group;
constexpr Code kCodes[] = {
    {'G', 0, G::Motion, Op::Rapid, false},
    {'G', 10, G::Motion, Op::Line, false},
    {'G', 20, G::Motion, Op::ArcCw, false},
    {'G', 30, G::Motion, Op::ArcCcw, false},
    {'G', 40, G::NonModal, Op::Dwell, false},
    {'G', 100, G::NonModal, Op::SetOffsets, true},
    {'G', 170, G::Plane, Op::PlaneXY, false},
    {'G', 180, G::Plane, Op::PlaneXZ, false},
    {'G', 190, G::Plane, Op::PlaneYZ, false},
    {'G', 200, G::Units, Op::Inches, false},
    {'G', 210, G::Units, Op::Millimetres, false},
    {'G', 280, G::NonModal, Op::Home, true},
    {'G', 281, G::NonModal, Op::HomeSet, true},
    {'G', 300, G::NonModal, Op::SecondHome, true},
    {'G', 310, G::Motion, Op::Probe, false},
    {'G', 400, G::CutterCompensation, Op::CompensationOff, false},
    {'G', 410, G::CutterCompensation, Op::CompensationLeft, false},
    {'G', 420, G::CutterCompensation, Op::CompensationRight, false},
    {'G', 430, G::ToolLength, Op::LengthOffset, false},
    {'G', 490, G::ToolLength, Op::LengthOffsetOff, false},
    {'G', 500, G::Scaling, Op::ScalingOff, false},
    {'G', 520, G::NonModal, Op::LocalOffset, true},
    {'G', 530, G::NonModal, Op::MachineCoordinates, false},
    {'G', 540, G::WorkOffset, Op::WorkOffset, false},
    {'G', 550, G::WorkOffset, Op::WorkOffset, false},
    {'G', 560, G::WorkOffset, Op::WorkOffset, false},
    {'G', 570, G::WorkOffset, Op::WorkOffset, false},
    {'G', 580, G::WorkOffset, Op::WorkOffset, false},
    {'G', 590, G::WorkOffset, Op::WorkOffset, false},
    {'G', 610, G::PathControl, Op::ExactStopMode, false},
    {'G', 611, G::PathControl, Op::ExactStopMode, false},
    {'G', 640, G::PathControl, Op::ContinuousMode, false},
    // Mach3's older names for G20 and G21, which Mach3 posts still write (LinuxCNC reads them as lathe cycles).
    {'G', 700, G::Units, Op::Inches, false},
    {'G', 710, G::Units, Op::Millimetres, false},
    {'G', 730, G::Motion, Op::Cycle, false},
    {'G', 800, G::Motion, Op::CycleOff, false},
    {'G', 810, G::Motion, Op::Cycle, false},
    {'G', 820, G::Motion, Op::Cycle, false},
    {'G', 830, G::Motion, Op::Cycle, false},
    {'G', 850, G::Motion, Op::Cycle, false},
    {'G', 860, G::Motion, Op::Cycle, false},
    {'G', 880, G::Motion, Op::Cycle, false},
    {'G', 890, G::Motion, Op::Cycle, false},
    {'G', 900, G::Distance, Op::Absolute, false},
    {'G', 910, G::Distance, Op::Incremental, false},
    {'G', 901, G::ArcDistance, Op::ArcAbsolute, false},
    {'G', 911, G::ArcDistance, Op::ArcIncremental, false},
    {'G', 920, G::NonModal, Op::ShiftOffsets, true},
    {'G', 921, G::NonModal, Op::ShiftClear, false},
    {'G', 922, G::NonModal, Op::ShiftSuspend, false},
    {'G', 923, G::NonModal, Op::ShiftRestore, false},
    {'G', 930, G::FeedMode, Op::InverseTime, false},
    {'G', 940, G::FeedMode, Op::PerMinute, false},
    {'G', 950, G::FeedMode, Op::PerRevolution, false},
    {'G', 980, G::CycleReturn, Op::ReturnToStart, false},
    {'G', 990, G::CycleReturn, Op::ReturnToR, false},
    {'M', 0, G::Stopping, Op::Pause, false},
    {'M', 10, G::Stopping, Op::OptionalPause, false},
    {'M', 20, G::Stopping, Op::End, false},
    {'M', 300, G::Stopping, Op::EndRewind, false},
    {'M', 980, G::Stopping, Op::CallSubprogram, false},
    {'M', 990, G::Stopping, Op::Return, false},
    {'M', 60, G::ToolChange, Op::ToolChange, false},
    {'M', 30, G::Spindle, Op::SpindleCw, false},
    {'M', 40, G::Spindle, Op::SpindleCcw, false},
    {'M', 50, G::Spindle, Op::SpindleOff, false},
    {'M', 70, G::Coolant, Op::Mist, false},
    {'M', 80, G::Coolant, Op::Flood, false},
    {'M', 90, G::Coolant, Op::CoolantOff, false},
    {'M', 480, G::Overrides, Op::OverridesOn, false},
    {'M', 490, G::Overrides, Op::OverridesOff, false},
};

}  // namespace

std::optional<Code> FindCode(char letter, double number) {
  const double tenths = number * 10;
  const double rounded = std::round(tenths);
  if (std::fabs(tenths - rounded) > 1e-6 || rounded < 0 || rounded > 1e6) return std::nullopt;
  const int code = static_cast<int>(rounded);
  for (const Code& c : kCodes)
    if (c.letter == letter && c.tenths == code) return c;
  return std::nullopt;
}

}  // namespace kestrom::gcode
