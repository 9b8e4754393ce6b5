#include "window/save_command.h"

namespace kestrom {

void SaveProgram(Controls& controls, FileStore& store) {
  controls.SetValue(ControlId::Check1, 0);  // no taught line may join the text being saved
  const std::string name = controls.Text(ControlId::Text1);
  controls.ShowMessage(SaveProgramText(store, name, controls.Text(ControlId::Text2)).message);
}

}  // namespace kestrom
