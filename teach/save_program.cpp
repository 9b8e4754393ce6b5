#include "teach/save_program.h"

#include "teach/file_name.h"
#include "teach/teach_program.h"

namespace kestrom {

std::string SavedMessage(const std::string& name) {
  return "C:\\ Dizinine (" + name + ".tap" + ") dosya adı ile kaydedildi.";
}

std::string NotSavedMessage(const std::string& name, const std::string& reason) {
  return "Dosya kaydedilemedi (file not saved): " + ProgramPath(name) + "\r\n" + reason;
}

void SaveProgram(Controls& controls, FileStore& store) {
  controls.SetValue(ControlId::Check1, 0);  // no taught line may join the text being saved
  const std::string name = controls.Text(ControlId::Text1);
  if (auto problem = FileNameProblem(name)) {
    controls.ShowMessage(NotSavedMessage(name, *problem));
    return;
  }
  const std::string program = controls.Text(ControlId::Text2);
  if (auto failure = store.WriteWhole(ProgramPath(name), program + kLineEnd)) {
    controls.ShowMessage(NotSavedMessage(name, *failure));
    return;
  }
  controls.ShowMessage(SavedMessage(name));
}

}  // namespace kestrom
