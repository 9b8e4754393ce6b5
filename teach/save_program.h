// The save of a program text as C:\<name>.tap, and its messages.
#pragma once
#include <string>

#include "teach/file_store.h"

namespace kestrom {

struct SaveOutcome {
  bool saved = false;
  std::string message;  // what the operator is shown
};

// The file name checked, then the text + CR LF written whole; an earlier file
// is replaced only by a complete new one.
SaveOutcome SaveProgramText(FileStore& store, const std::string& name, const std::string& program);

// The same save to a path the operator chose (the Save dialog).
SaveOutcome SaveProgramTextAs(FileStore& store, const std::string& path, const std::string& program);

std::string SavedMessage(const std::string& name);
// "<folder> Dizinine (<file>) dosya adı ile kaydedildi."
std::string SavedMessageAt(const std::string& folder, const std::string& file);
std::string NotSavedMessage(const std::string& name, const std::string& reason);

}  // namespace kestrom
