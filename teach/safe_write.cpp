#include "teach/safe_write.h"

#include <functional>

#include "teach/program_file.h"

namespace kestrom {
namespace {
using Status = SafeWriteSystem::Status;
using Kind = SafeWriteSystem::Kind;
using Step = SafeWriteSystem::Step;

// One step, tried again while it is only busy.
Step Retried(SafeWriteSystem& system, const std::function<Step()>& step) {
  for (int attempt = 1;; ++attempt) {
    Step s = step();
    if (s.status != Status::Busy || attempt >= kBusyAttempts) return s;
    system.Pause(kBusyPauseMs);
  }
}

bool Holds(SafeWriteSystem& system, const std::string& path, const std::string& bytes) {
  std::string back;
  return Retried(system, [&] { return system.Read(path, back); }).status == Status::Ok && back == bytes;
}

// The target written where it stands, the old file's copy kept until the new
// content is read back whole; on failure the old content goes back.
std::optional<std::string> WriteInPlace(SafeWriteSystem& system, const std::string& target, const std::string& bytes,
                                        const std::string& denied) {
  const std::string keep = system.KeepFolder();
  if (keep.empty()) return denied;
  std::string old;
  Step step = Retried(system, [&] { return system.Read(target, old); });
  if (step.status != Status::Ok) return step.reason;
  std::string copy;
  step = Retried(system, [&] {
    if (!copy.empty()) system.Remove(copy);
    copy.clear();
    return system.WriteTemp(keep, old, copy);
  });
  if (step.status != Status::Ok) {
    if (!copy.empty()) system.Remove(copy);
    return "Eski dosyanın kopyası alınamadı, dosyaya dokunulmadı (no copy of the old file could be kept; the file "
           "is untouched): " + step.reason;
  }
  step = Retried(system, [&] { return system.Overwrite(target, bytes); });
  if (step.status == Status::Ok && Holds(system, target, bytes)) {
    system.Remove(copy);
    return std::nullopt;
  }
  const std::string reason = step.status == Status::Ok
                                 ? std::string("Dosya geri okunduğunda yazılandan farklı (the file read back differs "
                                               "from what was written).")
                                 : step.reason;
  // Not opened at all (held by another program): the earlier file is as it was.
  if (Holds(system, target, old)) {
    system.Remove(copy);
    return reason;
  }
  if (Retried(system, [&] { return system.Overwrite(target, old); }).status == Status::Ok &&
      Holds(system, target, old)) {
    system.Remove(copy);
    return reason + " Eski dosya geri yazıldı (the earlier file was put back).";
  }
  return reason + " Eski dosya geri yazılamadı; kopyası: " + copy + " (the earlier file could not be put back; its "
         "copy is kept there).";
}

}  // namespace

std::optional<std::string> SafeWrite(SafeWriteSystem& system, const std::string& target, const std::string& bytes) {
  const Kind kind = system.KindOf(target);
  if (kind == Kind::Folder) return std::string("Bu adda bir klasör var (a folder of this name exists).");
  if (kind == Kind::ReadOnlyFile) return std::string("Dosya salt okunur (the file is read-only).");

  const std::string folder = FolderOf(target).empty() ? std::string(".\\") : FolderOf(target);
  std::string temp;
  Step step = Retried(system, [&] {
    if (!temp.empty()) system.Remove(temp);
    temp.clear();
    return system.WriteTemp(folder, bytes, temp);
  });
  if (step.status != Status::Ok) {
    if (!temp.empty()) system.Remove(temp);
    // No new file may be made beside the target, but the target itself may be changed.
    if (step.status == Status::Denied && kind == Kind::File) return WriteInPlace(system, target, bytes, step.reason);
    return step.reason;
  }
  // The target may come or go between tries (a sync client), so look each time.
  step = Retried(system, [&] {
    return system.KindOf(target) == Kind::Missing ? system.MoveInto(temp, target)
                                                  : system.ReplaceKeeping(temp, target);
  });
  if (step.status == Status::Ok) return std::nullopt;
  system.Remove(temp);
  if (step.status == Status::Denied && system.KindOf(target) == Kind::File)
    return WriteInPlace(system, target, bytes, step.reason);
  return step.reason;
}

}  // namespace kestrom
