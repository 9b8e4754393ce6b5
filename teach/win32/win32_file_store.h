// Saves a program file the safe way: a temporary file beside the target,
// written, flushed and closed, then moved over the target in one step.
#pragma once
#include "teach/file_store.h"

namespace kestrom::win32 {

class Win32FileStore : public FileStore {
 public:
  std::optional<std::string> WriteWhole(const std::string& path, const std::string& content) override;
};

}  // namespace kestrom::win32
