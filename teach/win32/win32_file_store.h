// Saves a program file the safe way: a temporary file beside the target,
// written, flushed and closed, then moved over the target in one step.
#pragma once
#include "teach/file_reader.h"
#include "teach/file_store.h"

namespace kestrom::win32 {

class Win32FileStore : public FileStore, public FileReader {
 public:
  std::optional<std::string> WriteWhole(const std::string& path, const std::string& content) override;
  ReadOutcome ReadWhole(const std::string& path, size_t maxBytes) override;
};

}  // namespace kestrom::win32
