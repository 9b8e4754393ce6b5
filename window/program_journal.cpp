#include "window/program_journal.h"

#include "teach/teach_program.h"

namespace kestrom {

const char* const kRecoveryNotWritten =
    "Kurtarma dosyası yazılamıyor. Öğrenme sürüyor, ama Kestrom kapanırsa kaydedilmemiş satırlar "
    "kaybolabilir: programı sık kaydedin. (The recovery file cannot be written. Teaching goes on, but "
    "unsaved lines may be lost if Kestrom ends: save the program often.)";

std::string RecoveryQuestion(size_t lines, const std::string& lastChange) {
  const std::string n = std::to_string(lines);
  return "Kaydedilmemiş bir program bulundu: " + n + " satır, son değişiklik " + lastChange +
         ". Geri yüklensin mi? (An unsaved program was found: " + n + (lines == 1 ? " line" : " lines") +
         ", last changed " + lastChange + ". Restore it?)";
}

namespace {
constexpr uint32_t kNameCheckMs = 1000;
// A journal grown past this (beyond the state it holds) is rewritten compact.
constexpr size_t kRewriteSlackBytes = 8u * 1024 * 1024;

bool IsBareHeader(const std::string& text) { return text == kStartHeader || text == kResetHeader; }
}  // namespace

ProgramJournal::ProgramJournal(Controls& controls, RecoveryFile* file, Clock& clock)
    : controls_(controls), file_(file), clock_(clock) {
  state_.text = controls_.Text(ControlId::Text2);
  state_.name = controls_.Text(ControlId::Text1);
}

ProgramJournal::~ProgramJournal() {
  if (dirty_ && !failed_ && file_) file_->Flush();
}

std::optional<JournalState> ProgramJournal::Start() {
  nameCheckedAt_ = clock_.NowMs();
  if (!file_) {
    started_ = true;
    return std::nullopt;
  }
  const auto unsaved = [](const std::string& bytes) {
    const ReadJournalResult read = ReadJournal(bytes);
    return !read.state.saved && !IsBareHeader(read.state.text);
  };
  const ClaimedJournal claimed = file_->Claim(unsaved);
  if (!claimed.ok) {
    file_ = nullptr;  // memory only from now on
    started_ = true;
    messagePending_ = true;
    Poll();
    return std::nullopt;
  }
  const ReadJournalResult read = ReadJournal(claimed.bytes);
  foundLastWritten_ = claimed.lastWritten;
  std::optional<JournalState> found;
  if (!read.state.saved && !IsBareHeader(read.state.text)) found = read.state;
  // Until the question is answered the found work stays in the file as it was;
  // what was kept before carries over to this run.
  if (!found) {
    state_.kept = read.state.kept;
    state_.saved = true;
    Recover();
  }
  return found;  // answered by Restore or Decline
}

void ProgramJournal::Restore(const JournalState& found) {
  controls_.SetText(ControlId::Text2, found.text);
  controls_.SetText(ControlId::Text1, found.name);
  controls_.CaretToEnd(ControlId::Text2);
  state_ = found;
  state_.saved = false;
  Recover();
}

void ProgramJournal::Decline(const JournalState& found) {
  state_.kept = found.text;
  state_.saved = true;
  Recover();
}

void ProgramJournal::Write(const std::string& record) {
  if (!file_ || !started_ || failed_) return;
  if (!file_->Append(record)) return Failed();
  writtenSinceRewrite_ += record.size();
  if (!dirty_) {
    dirty_ = true;
    dirtySince_ = clock_.NowMs();
  }
}

// The state kept here changes exactly as a reader of the file will change it.
void ProgramJournal::Change(char tag, const std::string& payload) {
  journal::Apply(state_, tag, payload);
  Write(journal::Encode(tag, payload));
}

void ProgramJournal::Appended(const std::string& piece, bool flushNow) {
  Change(journal::kAppend, piece);
  if (flushNow) FlushNow();
}

void ProgramJournal::Replaced(const std::string& text) {
  Change(journal::kText, text);
  FlushNow();
}

void ProgramJournal::Cut(size_t length) {
  Change(journal::kCut, std::to_string(length));
  FlushNow();
}

void ProgramJournal::Keep() {
  if (IsBareHeader(state_.text)) return;  // a second reset must not drop the program kept by the first
  Change(journal::kKeep, "");
}

void ProgramJournal::Swap() {
  if (!state_.kept) return;
  Change(journal::kSwap, "");
  FlushNow();
}

void ProgramJournal::Saved(const std::string& text) {
  if (text != state_.text) return;
  Change(journal::kName, controls_.Text(ControlId::Text1));
  Change(journal::kSaved, "");
  FlushNow();
}

void ProgramJournal::FlushNow() {
  if (!dirty_ || !file_ || failed_) return;
  if (!file_->Flush()) return Failed();
  dirty_ = false;
}

void ProgramJournal::Failed() {
  failed_ = true;
  failedAt_ = clock_.NowMs();
  dirty_ = false;
  if (!told_) messagePending_ = true;
}

// The whole state written afresh: at start, after a failure, and when the
// journal has grown far beyond what it holds.
void ProgramJournal::Recover() {
  started_ = true;
  if (!file_) return;
  const std::string snapshot = journal::Snapshot(state_);
  if (!file_->Rewrite(snapshot)) return Failed();
  failed_ = false;
  dirty_ = false;
  writtenSinceRewrite_ = 0;
}

void ProgramJournal::Poll() {
  const uint32_t now = clock_.NowMs();
  if (started_ && now - nameCheckedAt_ >= kNameCheckMs) {
    nameCheckedAt_ = now;
    const std::string name = controls_.Text(ControlId::Text1);
    if (name != state_.name) Change(journal::kName, name);
  }
  if (dirty_ && now - dirtySince_ >= kFlushAfterMs) FlushNow();
  if (failed_ && file_ && now - failedAt_ >= kRetryAfterMs) {
    failedAt_ = now;
    Recover();
  }
  const size_t held = state_.text.size() + (state_.kept ? state_.kept->size() : 0);
  if (!failed_ && writtenSinceRewrite_ > kRewriteSlackBytes + 2 * held) Recover();
  if (messagePending_) {
    // Shown after the tick: ticks run on inside the message box, so teaching goes on.
    messagePending_ = false;
    told_ = true;
    controls_.ShowMessage(kRecoveryNotWritten);
  }
}

}  // namespace kestrom
