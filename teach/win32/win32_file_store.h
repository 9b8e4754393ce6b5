// Program files on disk: written the safe way (teach/safe_write.h), read whole,
// in the PC's 8-bit code page.
#pragma once
#include "teach/file_reader.h"
#include "teach/file_store.h"

namespace kestrom::win32 {

class Win32FileStore : public FileStore, public FileReader {
 public:
  // 0: the machine's ANSI code page; another for tests.
  explicit Win32FileStore(unsigned codePage = 0) : codePage_(codePage) {}
  std::optional<std::string> WriteWhole(const std::string& path, const std::string& content) override;
  ReadOutcome ReadWhole(const std::string& path, size_t maxBytes) override;
  bool Exists(const std::string& path) override;

 private:
  unsigned codePage_;
};

}  // namespace kestrom::win32
