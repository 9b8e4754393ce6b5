#include "window/part_commands.h"

#include <cmath>
#include <string>

#include "gcode/numbers.h"
#include "toolpath/part_transform.h"
#include "window/teach_recorder.h"
#include "window/typed_numbers.h"

namespace kestrom {

const char* const kAlignFirstStep =
    "1/2: put the tool (or the pointer) on the part's corner, the program's X0 Y0, then press OK";
const char* const kAlignSecondStep =
    "2/2: put it on a point further along the part's edge that the program's +X axis follows, then press OK";

namespace {
std::string Rounded(double value, int places) {
  const double scale = std::pow(10.0, places);
  return gcode::WriteExact(std::round(value * scale) / scale, {0, false, '.'});
}

// Where the tool (or the pointer, while points are taught with it) stands, read after the step's box.
std::optional<std::array<double, 2>> PointAfter(const char* step, const PartServices& s) {
  s.controls.ShowMessage(step);  // modal to Kestrom alone: Mach3 is jogged meanwhile
  CMach& mach = s.connection.Get();
  std::array<double, 2> at{};
  for (int axis = 0; axis < 2; ++axis) {
    if (!gcode::ReadNumber(mach.ReadDRO(axis), at[static_cast<size_t>(axis)])) {
      s.controls.ShowMessage(kPointNotRecorded);
      return std::nullopt;
    }
    if (s.pointer) at[static_cast<size_t>(axis)] += (*s.pointer)[static_cast<size_t>(axis)];
  }
  return at;
}
}  // namespace

void AlignToPart(const PartServices& s) {
  const std::string program = s.controls.Text(ControlId::Text2);
  const std::string units = CopyStartOf(program).units;
  const auto corner = PointAfter(kAlignFirstStep, s);
  if (!corner) return;
  const auto along = PointAfter(kAlignSecondStep, s);
  if (!along) return;
  const EdgeAngle edge = EdgeAngleOf((*corner)[0], (*corner)[1], (*along)[0], (*along)[1], units == "inch");
  if (!edge.degrees) return s.controls.ShowMessage(edge.refusal);
  const int places = units == "inch" ? 5 : 4;
  const auto asked = s.dialogs.AskAlign({Rounded(*edge.degrees, 4), Rounded((*corner)[0], places),
                                         Rounded((*corner)[1], places)},
                                        units);
  if (!asked) return;
  double degrees = 0, x = 0, y = 0;
  if (!NumbersIn({{asked->degrees, "Kenar Açısı (edge angle)", &degrees},
                  {asked->x, "Köşe X (corner X)", &x},
                  {asked->y, "Köşe Y (corner Y)", &y}},
                 s.controls))
    return;
  s.take(AlignProgram(program, degrees, x, y));
}

void RotatePart(const PartServices& s) {
  const std::string program = s.controls.Text(ControlId::Text2);
  const auto asked = s.dialogs.AskRotate(CopyStartOf(program).units);
  if (!asked) return;
  double degrees = 0, x = 0, y = 0;
  if (!NumbersIn({{asked->degrees, "Açı (angle)", &degrees}, {asked->x, "X", &x}, {asked->y, "Y", &y}}, s.controls))
    return;
  s.take(RotateProgram(program, degrees, x, y));
}

void MirrorPart(const PartServices& s) {
  const std::string program = s.controls.Text(ControlId::Text2);
  const auto asked = s.dialogs.AskMirror(CopyStartOf(program).units);
  if (!asked) return;
  double at = 0;
  if (!NumbersIn({{asked->value, asked->acrossY ? "Y" : "X", &at}}, s.controls)) return;
  s.take(MirrorProgram(program, !asked->acrossY, at));
}

}  // namespace kestrom
