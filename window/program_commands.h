// The taught program's road into Mach3: KAYDET with Save As when it fails,
// Save As, Open and Load into Mach3.
#pragma once
#include <optional>
#include <string>

#include "teach/file_reader.h"
#include "teach/file_store.h"
#include "window/connection_holder.h"
#include "window/controls.h"
#include "window/file_dialogs.h"
#include "window/program_box.h"
#include "window/program_journal.h"

namespace kestrom {

extern const char* const kUnsavedQuestion;
extern const char* const kNotConnectedNotLoaded;
std::string NotLoadedMessage(const std::string& path);
std::string NotOpenedMessage(const std::string& path, const std::string& reason);
// KAYDET would replace a file the operator did not open or choose.
std::string ReplaceQuestion(const std::string& path);

class ProgramCommands {
 public:
  ProgramCommands(Controls& controls, FileStore& store, FileReader& reader, FileDialogs& dialogs,
                  ConnectionHolder& connection, TeachProgram& program, ProgramJournal& journal, Clock& clock);
  // Mach3 may take far longer than a call's deadline to load a program and draw
  // its toolpath; the load is confirmed (or not) by this long.
  static constexpr uint32_t kLoadConfirmMs = 60000;

  // KAYDET. On a failure, after its message, the Save dialog opens by itself.
  // The path written, or nothing.
  std::optional<std::string> Save();
  std::optional<std::string> SaveAs();
  void Open();
  void LoadIntoMach3();
  // A file Kestrom has just written, loaded into Mach3 (not run); `loaded` is
  // said once Mach3 names the file, a failure is said always.
  void LoadWritten(const std::string& path, const std::string& loaded);
  // The file the program was last saved to or opened from.
  const std::optional<std::string>& lastFile() const { return lastFile_; }
  // "Çizim Olarak Kaydet": the program's path as a DXF, through the same safe write as KAYDET.
  void SaveDrawing();
  // From the timer: a load that went on past its call's deadline, confirmed once Mach3 answers.
  void Poll();

 private:
  bool HasUnsavedLines(const std::string& text) const;
  bool AskBeforeReplacing(const std::string& target);
  void ConfirmLoad(const std::string& path, const std::string& loaded);
  void SavedAt(const std::string& path, const std::string& program);

  Controls& controls_;
  FileStore& store_;
  FileReader& reader_;
  FileDialogs& dialogs_;
  ConnectionHolder& connection_;
  TeachProgram& program_;
  ProgramJournal& journal_;
  std::string clean_;  // the program as last saved or opened
  // After Open, the file it came from; KAYDET's own target is then not
  // necessarily the operator's file, until it has been saved there once.
  std::optional<std::string> openedFrom_;
  std::optional<std::string> ownTarget_;
  std::optional<std::string> lastFile_;
  Clock& clock_;
  std::optional<std::string> loading_;  // a load Mach3 is still busy with
  std::string loadedMessage_;           // and what it says once done
  uint32_t loadingSince_ = 0;
};

}  // namespace kestrom
