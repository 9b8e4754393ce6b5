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

namespace kestrom {

extern const char* const kUnsavedQuestion;
extern const char* const kNotConnectedNotLoaded;
std::string NotLoadedMessage(const std::string& path);
std::string NotOpenedMessage(const std::string& path, const std::string& reason);

class ProgramCommands {
 public:
  ProgramCommands(Controls& controls, FileStore& store, FileReader& reader, FileDialogs& dialogs,
                  ConnectionHolder& connection);

  // KAYDET. On a failure, after its message, the Save dialog opens by itself.
  // The path written, or nothing.
  std::optional<std::string> Save();
  std::optional<std::string> SaveAs();
  void Open();
  void LoadIntoMach3();

 private:
  bool HasUnsavedLines(const std::string& text) const;

  Controls& controls_;
  FileStore& store_;
  FileReader& reader_;
  FileDialogs& dialogs_;
  ConnectionHolder& connection_;
  std::string clean_;  // the program as last saved or opened
};

}  // namespace kestrom
