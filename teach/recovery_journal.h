// The recovery journal: the program box's text, the file-name box, whether the
// text is saved since it last changed, and the text kept from the last change
// that took text away, as a file of appended records. Each record carries its
// length and a checksum, so a file cut off or damaged (a power cut) gives back
// the state after the last whole record before the damage: the old text or the
// new one, never half of one.
#pragma once
#include <cstddef>
#include <optional>
#include <string>

namespace kestrom {

struct JournalState {
  std::string text;                 // the program box
  std::string name;                 // the file-name box
  bool saved = true;                // the text is saved since it last changed
  std::optional<std::string> kept;  // what "Bring back" puts back
};

struct ReadJournalResult {
  JournalState state;
  bool known = false;      // the file began as a journal
  bool damaged = false;    // something after the last whole record could not be read
  size_t records = 0;
};

namespace journal {
// The records' tags.
constexpr char kText = 'T', kAppend = 'A', kCut = 'C', kKeep = 'K', kSwap = 'W', kName = 'N', kSaved = 'S';
// One record, as it is written.
std::string Encode(char tag, const std::string& payload);
std::string Header();
std::string Text(const std::string& text);      // box := text
std::string Append(const std::string& piece);   // box += piece
std::string Cut(size_t length);                 // box := its first `length` bytes
std::string Keep();                             // kept := box
std::string Swap();                             // box <-> kept
std::string Name(const std::string& name);
std::string Saved();                            // saved := true
// A whole journal that reads back as `state`.
std::string Snapshot(const JournalState& state);
// Applies one record to a state, as the reader does (and the writer, to the
// state it keeps).
void Apply(JournalState& state, char tag, const std::string& payload);
}  // namespace journal

ReadJournalResult ReadJournal(const std::string& bytes);

// The lines of a program beyond its two header lines that hold anything.
size_t ProgramLineCount(const std::string& text);

}  // namespace kestrom
