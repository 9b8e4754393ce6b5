#include "teach/save_program.h"

#include "teach/file_name.h"
#include "teach/program_file.h"
#include "teach/teach_program.h"

namespace kestrom {

std::string SavedMessageAt(const std::string& folder, const std::string& file) {
  return folder + " Dizinine (" + file + ") dosya adı ile kaydedildi.";
}

std::string SavedMessage(const std::string& name) { return SavedMessageAt("C:\\", name + ".tap"); }

namespace {
std::string NotSavedAt(const std::string& path, const std::string& reason) {
  return "Dosya kaydedilemedi (file not saved): " + path + "\r\n" + reason;
}
}  // namespace

std::string NotSavedMessage(const std::string& name, const std::string& reason) {
  return NotSavedAt(ProgramPath(name), reason);
}

SaveOutcome SaveProgramTextAs(FileStore& store, const std::string& path, const std::string& program) {
  if (auto failure = store.WriteWhole(path, program + kLineEnd)) return {false, NotSavedAt(path, *failure)};
  return {true, SavedMessageAt(FolderOf(path), FileOf(path))};
}

SaveOutcome SaveProgramText(FileStore& store, const std::string& name, const std::string& program) {
  if (auto problem = FileNameProblem(name)) return {false, NotSavedMessage(name, *problem)};
  if (auto failure = store.WriteWhole(ProgramPath(name), program + kLineEnd))
    return {false, NotSavedMessage(name, *failure)};
  return {true, SavedMessage(name)};
}

}  // namespace kestrom
