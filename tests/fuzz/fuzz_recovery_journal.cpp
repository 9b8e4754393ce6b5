// Reads arbitrary bytes as a recovery journal: it must never crash or hang, a
// snapshot of what it read must read back the same, and the bytes with a
// record appended must give at least as many records.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "teach/recovery_journal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kestrom;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const ReadJournalResult read = ReadJournal(journal::Header() + bytes);
  const ReadJournalResult again = ReadJournal(journal::Snapshot(read.state));
  if (again.damaged || again.state.text != read.state.text || again.state.name != read.state.name ||
      again.state.saved != read.state.saved || again.state.kept != read.state.kept)
    std::abort();
  ReadJournal(bytes);  // without the header, too
  if (!read.damaged) {
    const ReadJournalResult longer = ReadJournal(journal::Header() + bytes + journal::Append(bytes));
    if (longer.records != read.records + 1 || longer.state.text != read.state.text + bytes) std::abort();
  }
  return 0;
}
