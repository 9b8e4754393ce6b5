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

SaveOutcome SaveProgramText(FileStore& store, const std::string& name, const std::string& program) {
  if (auto problem = FileNameProblem(name)) return {false, NotSavedMessage(name, *problem)};
  if (auto failure = store.WriteWhole(ProgramPath(name), program + kLineEnd))
    return {false, NotSavedMessage(name, *failure)};
  return {true, SavedMessage(name)};
}

}  // namespace kestrom
