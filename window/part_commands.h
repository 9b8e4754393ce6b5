// "Parçaya Hizala (Align to the part)", "Döndür (Rotate)" and "Aynala
// (Mirror)": the dialogs' texts read, the two points of the part's edge
// measured from the readouts, and the program turned as one change of the box.
#pragma once
#include <array>
#include <functional>
#include <optional>

#include "toolpath/program_copies.h"
#include "window/connection_holder.h"
#include "window/controls.h"
#include "window/copy_dialogs.h"

namespace kestrom {

extern const char* const kAlignFirstStep;
extern const char* const kAlignSecondStep;

struct PartServices {
  Controls& controls;
  ConnectionHolder& connection;
  CopyDialogs& dialogs;
  std::optional<std::array<double, 2>> pointer;  // ΔX, ΔY while points are taught with the pointer
  std::function<void(const CopiedProgram&)> take;  // the result into the box, and its message
};
void AlignToPart(const PartServices& s);
void RotatePart(const PartServices& s);
void MirrorPart(const PartServices& s);

}  // namespace kestrom
