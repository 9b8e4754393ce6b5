// The numbers the call worker gives its calls. They count in 32 bits (the
// worker's shared counter is a LONG, for Windows XP's interlocked calls), so
// they wrap after 2^32 calls: about 65 days at 768 calls a second. Number 0
// marks a job nobody waits for, so it is never given to a call, and "ended" is
// decided by the signed distance, which stays right across the wrap.
#pragma once
#include <cstdint>

namespace kestrom {

inline uint32_t NextCallNumber(uint32_t last) {
  const uint32_t next = last + 1;
  return next == 0 ? 1 : next;
}

// Calls end in order, so the call `number` has ended once the latest ended call
// is it or one after it.
inline bool CallHasEnded(uint32_t latestEnded, uint32_t number) {
  return latestEnded != 0 && static_cast<int32_t>(latestEnded - number) >= 0;
}

}  // namespace kestrom
