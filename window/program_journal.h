// Keeps every change of the program box in the recovery journal as it happens,
// and the text that the last change taking text away removed, so that neither a
// killed Kestrom nor a stray double-click loses what the operator taught.
#pragma once
#include <optional>
#include <string>

#include "teach/recovery_file.h"
#include "teach/recovery_journal.h"
#include "window/controls.h"

namespace kestrom {

extern const char* const kRecoveryNotWritten;
// "Kaydedilmemiş bir program bulundu: N satır, son değişiklik ... (...)"
std::string RecoveryQuestion(size_t lines, const std::string& lastChange);

class ProgramJournal {
 public:
  static constexpr uint32_t kFlushAfterMs = 1000;  // a power cut costs at most this much jogging
  static constexpr uint32_t kRetryAfterMs = 5000;  // a journal that failed is tried again this often

  // Without a file the journal lives in memory only: "Bring back" still works.
  ProgramJournal(Controls& controls, RecoveryFile* file, Clock& clock);
  ~ProgramJournal();
  ProgramJournal(const ProgramJournal&) = delete;
  ProgramJournal& operator=(const ProgramJournal&) = delete;

  // At start, with the box in its design state: claims the journal and returns
  // the state it held (for the question) when that holds unsaved work.
  std::optional<JournalState> Start();
  // The start's answer: the found text back in the box, or kept to bring back.
  void Restore(const JournalState& found);
  void Decline(const JournalState& found);

  void Appended(const std::string& piece, bool flushNow);
  void Replaced(const std::string& text);  // the whole box set
  void Cut(size_t length);
  void Keep();   // the box's text becomes the kept text
  void Swap();   // box and kept text trade places
  // `text` is saved (or was just read from its file); it counts only while the
  // box still holds exactly that text.
  void Saved(const std::string& text);
  const std::optional<std::string>& kept() const { return state_.kept; }
  // When the journal that Start found work in was last written.
  const std::string& foundLastWritten() const { return foundLastWritten_; }
  const JournalState& state() const { return state_; }

  // From the timer, after each tick: the flush that is due, the name box, and
  // the one message about a journal that cannot be written.
  void Poll();
  void FlushNow();

 private:
  void Change(char tag, const std::string& payload);
  void Write(const std::string& record);
  void Failed();
  void Recover();

  Controls& controls_;
  RecoveryFile* file_;
  Clock& clock_;
  JournalState state_;
  bool started_ = false;
  bool dirty_ = false;       // written but not yet flushed
  uint32_t dirtySince_ = 0;
  bool failed_ = false;      // the file is not to be trusted until rewritten
  uint32_t failedAt_ = 0;
  bool told_ = false;        // the operator has been told once
  bool messagePending_ = false;
  uint32_t nameCheckedAt_ = 0;
  size_t writtenSinceRewrite_ = 0;
  std::string foundLastWritten_;
};

}  // namespace kestrom
