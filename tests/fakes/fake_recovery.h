// A clock the test moves by hand, and a recovery journal in memory that can be
// made to fail and that counts its flushes.
#pragma once
#include <string>

#include "teach/recovery_file.h"

namespace kestrom::testing {

struct ManualClock : Clock {
  uint32_t now = 0;
  uint32_t NowMs() override { return now; }
};

struct MemoryRecoveryFile : RecoveryFile {
  std::string bytes;        // as written, flushed or not
  std::string flushed;      // what a power cut would leave
  std::string lastWritten = "2026-12-08 14:03";
  bool claimFails = false, writesFail = false;
  int flushes = 0, rewrites = 0;

  ClaimedJournal Claim(const std::function<bool(const std::string&)>&) override {
    if (claimFails) return {false, "", "", "", "refused"};
    return {true, bytes, lastWritten, "memory", ""};
  }
  bool Append(const std::string& b) override {
    if (writesFail) return false;
    bytes += b;
    return true;
  }
  bool Flush() override {
    if (writesFail) return false;
    ++flushes;
    flushed = bytes;
    return true;
  }
  bool Rewrite(const std::string& b) override {
    if (writesFail) return false;
    ++rewrites;
    bytes = flushed = b;
    return true;
  }
};

}  // namespace kestrom::testing
