// The recovery journals in %APPDATA%\Kestrom: recovery-1.ksr to recovery-8.ksr,
// one for each Kestrom running at once. A running Kestrom holds its journal's
// lock file (recovery-N.lock) open for no sharing, so a second Kestrom takes
// the next journal; the lock goes with the process however it ends.
#pragma once
#include <string>

#include "machine/win32/raii.h"
#include "teach/recovery_file.h"

namespace kestrom::win32 {

constexpr int kRecoverySlots = 8;

// %APPDATA%\Kestrom\ (with its backslash), made when missing; empty when there is none.
std::string KestromAppDataFolder();

class Win32RecoveryFile : public RecoveryFile {
 public:
  ClaimedJournal Claim(const std::function<bool(const std::string& bytes)>& wanted) override;
  bool Append(const std::string& bytes) override;
  bool Flush() override;
  bool Rewrite(const std::string& bytes) override;

 private:
  bool OpenForAppend();
  std::string path_;
  UniqueHandle lock_;
  UniqueHandle journal_;
};

class Win32Clock : public Clock {
 public:
  uint32_t NowMs() override;
};

}  // namespace kestrom::win32
