// Where opened programs come from.
#pragma once
#include <cstddef>
#include <string>

namespace kestrom {

struct ReadOutcome {
  bool ok = false;
  std::string text;    // UTF-8, decoded from the machine's 8-bit code page
  std::string reason;  // why it could not be read
};

class FileReader {
 public:
  virtual ~FileReader() = default;
  // The whole file, refused when it is larger than `maxBytes`.
  virtual ReadOutcome ReadWhole(const std::string& path, size_t maxBytes) = 0;
  // Whether a file (or folder) of this path is there.
  virtual bool Exists(const std::string& path) = 0;
};

}  // namespace kestrom
