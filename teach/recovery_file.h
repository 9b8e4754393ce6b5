// Where the recovery journal is kept: a file per running Kestrom in the user's
// application-data folder, held for as long as the program runs.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace kestrom {

struct ClaimedJournal {
  bool ok = false;
  std::string bytes;        // what the journal held
  std::string lastWritten;  // when it was last written, local time "YYYY-MM-DD HH:MM"
  std::string path;
  std::string reason;       // why no journal could be had
};

class RecoveryFile {
 public:
  virtual ~RecoveryFile() = default;
  // Takes a journal no other running Kestrom holds, preferring one for which
  // `wanted(bytes)` is true (it holds work that was never saved).
  virtual ClaimedJournal Claim(const std::function<bool(const std::string& bytes)>& wanted) = 0;
  // Written to the end of the journal at once (it survives the process being
  // killed), not yet flushed to the disk.
  virtual bool Append(const std::string& bytes) = 0;
  virtual bool Flush() = 0;
  // The whole journal replaced the safe way (temporary file, flush, replace).
  virtual bool Rewrite(const std::string& bytes) = 0;
};

// Milliseconds from a fixed moment; differences are taken modulo 2^32, so a
// count that wraps (49.7 days) still gives the right elapsed time.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual uint32_t NowMs() = 0;
};

}  // namespace kestrom
