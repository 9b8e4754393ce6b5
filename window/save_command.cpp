#include "window/save_command.h"

namespace kestrom {

std::optional<std::string> SaveProgram(Controls& controls, FileStore& store,
                                       const std::function<void(const std::string& program)>& onSaved) {
  controls.SetValue(ControlId::Check1, 0);  // no taught line may join the text being saved
  const std::string name = controls.Text(ControlId::Text1);
  const std::string program = controls.Text(ControlId::Text2);
  const SaveOutcome saved = SaveProgramText(store, name, program);
  if (saved.saved && onSaved) onSaved(program);
  controls.ShowMessage(saved.message);
  return saved.saved ? std::optional<std::string>(program) : std::nullopt;
}

}  // namespace kestrom
