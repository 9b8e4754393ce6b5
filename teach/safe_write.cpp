#include "teach/safe_write.h"

#include "teach/program_file.h"

namespace kestrom {

std::optional<std::string> SafeWrite(SafeWriteSystem& system, const std::string& target, const std::string& bytes) {
  using Status = SafeWriteSystem::Status;
  using Kind = SafeWriteSystem::Kind;
  const Kind kind = system.KindOf(target);
  if (kind == Kind::Folder) return std::string("Bu adda bir klasör var (a folder of this name exists).");
  if (kind == Kind::ReadOnlyFile) return std::string("Dosya salt okunur (the file is read-only).");

  const std::string folder = FolderOf(target).empty() ? std::string(".\\") : FolderOf(target);
  std::string temp;
  SafeWriteSystem::Step step;
  for (int attempt = 1;; ++attempt) {
    step = system.WriteTemp(folder, bytes, temp);
    if (step.status == Status::Ok) break;
    if (!temp.empty()) system.Remove(temp);
    temp.clear();
    if (step.status != Status::Busy || attempt >= kBusyAttempts) return step.reason;
    system.Pause(kBusyPauseMs);
  }
  for (int attempt = 1;; ++attempt) {
    // The target may come or go between tries (a sync client), so look each time.
    step = system.KindOf(target) == Kind::Missing ? system.MoveInto(temp, target)
                                                  : system.ReplaceKeeping(temp, target);
    if (step.status == Status::Ok) return std::nullopt;
    if (step.status != Status::Busy || attempt >= kBusyAttempts) break;
    system.Pause(kBusyPauseMs);
  }
  system.Remove(temp);
  return step.reason;
}

}  // namespace kestrom
