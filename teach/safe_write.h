// The one safe way a whole file is written (KAYDET, Save As, the recovery
// journal): a new temporary file beside the target, written and flushed, then
// put in the target's place in one step that keeps the old file's attributes,
// rights and links. A file held for a moment by a virus scan, the indexer or a
// sync client is tried again a few times; on every failure the temporary file
// is removed and an earlier target is left as it was.
//
// Where the folder's rights forbid a new file but the existing target may be
// changed (C:\ for a standard user since Vista, many shared folders), the
// target is written in place instead: a copy of the old file is kept first in
// a folder of Kestrom's own, the target is written, flushed and read back, and
// on any failure the old content is put back from the copy.
#pragma once
#include <optional>
#include <string>

namespace kestrom {

class SafeWriteSystem {
 public:
  // Busy: a sharing or lock violation, worth another try. Denied: the rights
  // forbid it, which no retry changes.
  enum class Status { Ok, Busy, Denied, Failed };
  struct Step {
    Status status = Status::Ok;
    std::string reason;  // for the operator, when not Ok
  };
  enum class Kind { Missing, File, ReadOnlyFile, Folder };

  virtual ~SafeWriteSystem() = default;
  virtual Kind KindOf(const std::string& path) = 0;
  // A new file of a name not yet used in `folder`, written whole, flushed and
  // closed. `tempPath` is set as soon as the file exists, even when a later step fails.
  virtual Step WriteTemp(const std::string& folder, const std::string& bytes, std::string& tempPath) = 0;
  // The temporary file takes the place of the existing target, keeping its attributes and rights.
  virtual Step ReplaceKeeping(const std::string& temp, const std::string& target) = 0;
  // The temporary file moved to a target that does not exist.
  virtual Step MoveInto(const std::string& temp, const std::string& target) = 0;
  virtual void Remove(const std::string& path) = 0;
  virtual void Pause(int ms) = 0;
  // Where the copy of a file written in place is kept (with its separator);
  // empty when there is no such folder, and then nothing is written in place.
  virtual std::string KeepFolder() = 0;
  virtual Step Read(const std::string& path, std::string& bytes) = 0;
  // The existing file opened for writing, `bytes` written over it, cut to
  // their length, flushed and closed.
  virtual Step Overwrite(const std::string& path, const std::string& bytes) = 0;
};

constexpr int kBusyAttempts = 10;
constexpr int kBusyPauseMs = 100;

// Nothing when the target now holds `bytes`; otherwise why not.
std::optional<std::string> SafeWrite(SafeWriteSystem& system, const std::string& target, const std::string& bytes);

}  // namespace kestrom
