// Where saved programs go. A store writes a whole file or nothing: an earlier
// file of the same name survives any failure.
#pragma once
#include <optional>
#include <string>

namespace kestrom {

class FileStore {
 public:
  virtual ~FileStore() = default;
  // Writes `content` (UTF-8, stored in the machine's 8-bit code page) as the whole
  // file at `path`, flushed and closed. Returns the reason when it could not.
  virtual std::optional<std::string> WriteWhole(const std::string& path, const std::string& content) = 0;
};

}  // namespace kestrom
