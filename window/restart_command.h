// "Satırdan Yeniden Başlat (Restart at this line)": after a stop, the rest of
// the program from the caret's line, written beside the program and loaded
// into Mach3 for Cycle Start. The program box stays as it is.
#pragma once
#include <optional>
#include <string>

#include "teach/file_store.h"
#include "window/connection_holder.h"
#include "window/controls.h"
#include "window/copy_dialogs.h"
#include "window/program_commands.h"

namespace kestrom {

// "<name>-N.tap" in the folder of the program's last save or open, else as
// KAYDET names it under C:\; nothing when the name box holds no file name.
std::optional<std::string> RestartPath(const std::optional<std::string>& lastFile, const std::string& boxName,
                                       int lineNumber);
std::string RestartLoadedMessage(int lineNumber, const std::string& path);

struct RestartServices {
  Controls& controls;
  FileStore& store;
  ConnectionHolder& connection;
  CopyDialogs& dialogs;
  ProgramCommands& files;
};
void RestartAtCaretLine(const RestartServices& s);

}  // namespace kestrom
