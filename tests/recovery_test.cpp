// The recovery journal: what a cut-off or damaged file gives back, when it is
// flushed, and that every wipe of the program box can be taken back.
#include <gtest/gtest.h>

#include "fakes/fake_recovery.h"
#include "fakes/form_fixture.h"
#include "machine/code_page.h"
#include "teach/recovery_journal.h"

namespace kestrom {
namespace {
using C = ControlId;
using testing::ManualClock;
using testing::MemoryRecoveryFile;

bool Same(const JournalState& a, const JournalState& b) {
  return a.text == b.text && a.name == b.name && a.saved == b.saved && a.kept == b.kept;
}

TEST(RecoveryJournal, ACutOrDamagedFileGivesBackTheLastWholeRecordsState) {
  // Records with the states they lead to; the payloads hold the record syntax itself.
  const std::vector<std::pair<std::string, std::function<void(JournalState&)>>> steps = {
      {journal::Text("(Kestrom File) \r\nG21\r\n"), [](JournalState& s) { s.text = "(Kestrom File) \r\nG21\r\n"; s.saved = false; }},
      {journal::Append("\r\nG01  X1\nA5 00000000\n"), [](JournalState& s) { s.text += "\r\nG01  X1\nA5 00000000\n"; }},
      {journal::Name("parça"), [](JournalState& s) { s.name = "parça"; }},
      {journal::Saved(), [](JournalState& s) { s.saved = true; }},
      {journal::Keep(), [](JournalState& s) { s.kept = s.text; }},
      {journal::Cut(5), [](JournalState& s) { s.text.resize(5); s.saved = false; }},
      {journal::Swap(), [](JournalState& s) { std::swap(s.text, *s.kept); }},
  };
  std::string bytes = journal::Header();
  std::vector<size_t> ends;
  std::vector<JournalState> states;
  JournalState state;
  for (const auto& [record, apply] : steps) {
    bytes += record;
    ends.push_back(bytes.size());
    apply(state);
    states.push_back(state);
  }
  for (size_t cut = 0; cut <= bytes.size(); ++cut) {
    const ReadJournalResult read = ReadJournal(bytes.substr(0, cut));
    size_t whole = 0;
    while (whole < ends.size() && ends[whole] <= cut) ++whole;
    ASSERT_EQ(read.records, whole) << cut;
    ASSERT_TRUE(Same(read.state, whole ? states[whole - 1] : JournalState{})) << cut;
    ASSERT_EQ(read.damaged, cut != ends[whole ? whole - 1 : 0] && cut != journal::Header().size() && cut != 0) << cut;
  }
  // A flipped byte inside the third record: the two before it, nothing after.
  for (size_t at = ends[1]; at < ends[2]; ++at) {
    std::string damaged = bytes;
    damaged[at] ^= 0x20;
    const ReadJournalResult read = ReadJournal(damaged);
    EXPECT_TRUE(read.damaged) << at;
    EXPECT_TRUE(Same(read.state, states[1])) << at;
  }
  EXPECT_FALSE(ReadJournal("not a journal").known);
  EXPECT_TRUE(Same(ReadJournal(journal::Snapshot(states.back())).state, states.back()));
  EXPECT_EQ(ProgramLineCount(std::string(kStartHeader) + "\r\nG01  X1\r\nM3"), 2u);
  EXPECT_EQ(ProgramLineCount(kResetHeader), 0u);
}

struct RecoveryForm : testing::FormFixture {
  MemoryRecoveryFile file;
  ManualClock clock;
  struct Answers : FileReader, FileDialogs {
    std::deque<bool> yes;
    std::vector<std::string> questions;
    std::optional<std::string> openPath;
    std::string openText;
    ReadOutcome ReadWhole(const std::string&, size_t) override { return {true, openText, ""}; }
    bool Exists(const std::string&) override { return false; }
    std::optional<std::string> AskSavePath(const std::string&) override { return std::nullopt; }
    std::optional<std::string> AskOpenPath() override { return openPath; }
    bool AskYesNo(const std::string& q) override {
      questions.push_back(q);
      const bool a = yes.front();
      yes.pop_front();
      return a;
    }
  } answers;
  std::unique_ptr<Form> kestrom;

  void StartKestrom() {
    kestrom = std::make_unique<Form>(
        controls, store, [this] { return std::make_unique<CMach>(automation, system.Services(), pump); },
        ProgramFileServices{answers, answers}, RecoveryServices{&file, &clock});
    kestrom->Load();
    kestrom->OfferRecovery();
  }
  // What the journal would give back after a power cut, and after a kill.
  JournalState AfterPowerCut() const { return ReadJournal(file.flushed).state; }
  JournalState AfterKill() const { return ReadJournal(file.bytes).state; }
  void Tick(uint32_t ms) {
    clock.now += ms;
    kestrom->OnTimer();
  }
};

TEST_F(RecoveryForm, LinesReachTheFileAtOnceAndTheDiskWithinASecond) {
  StartKestrom();
  controls.values[C::Check1] = 1;
  dro[0] = "+1.0000";
  Tick(1);
  const std::string line = "\r\nG01  X+1.0000 Y+0.0000 Z+0.0000 F200";
  EXPECT_EQ(AfterKill().text, kStartHeader + line);      // written before the tick returned
  EXPECT_EQ(AfterPowerCut().text, kStartHeader);          // not yet on the disk
  Tick(999);
  EXPECT_EQ(AfterPowerCut().text, kStartHeader);
  Tick(1);
  EXPECT_EQ(AfterPowerCut().text, kStartHeader + line);  // one second after the change
  kestrom->OnClick(C::Command5);
  EXPECT_EQ(AfterPowerCut().text, kStartHeader + line + "\r\nM3");  // an M-code at once
  EXPECT_FALSE(AfterPowerCut().saved);

  controls.texts[C::Text1] = "parça";
  kestrom->OnClick(C::Command4);  // KAYDET
  EXPECT_TRUE(AfterPowerCut().saved);
  EXPECT_EQ(AfterPowerCut().name, "parça");
  // A second Kestrom on the same journal asks nothing: the work is saved.
  StartKestrom();
  EXPECT_TRUE(answers.questions.empty());
  EXPECT_EQ(Program(), kStartHeader + line + "\r\nM3");  // the fixture's box is shared; nothing set
}

TEST_F(RecoveryForm, EveryWipeIsKeptAndBringBackUndoesItself) {
  StartKestrom();
  kestrom->OnClick(C::Command5);
  const std::string taught = kStartHeader + std::string("\r\nM3");
  kestrom->OnDoubleClick(C::Text2);
  kestrom->OnDoubleClick(C::Text2);  // a second reset does not drop what the first kept
  EXPECT_EQ(Program(), kResetHeader);
  kestrom->OnCommand(FormCommand::BringBack);
  EXPECT_EQ(Program(), taught);
  kestrom->OnCommand(FormCommand::BringBack);
  EXPECT_EQ(Program(), kResetHeader);
  kestrom->OnCommand(FormCommand::BringBack);
  EXPECT_EQ(Program(), taught);

  kestrom->OnCommand(FormCommand::RemoveLastLine);
  EXPECT_EQ(Program(), kStartHeader);
  EXPECT_EQ(AfterPowerCut().text, kStartHeader);
  kestrom->OnCommand(FormCommand::BringBack);
  EXPECT_EQ(Program(), taught);

  answers.yes = {true};  // Open over unsaved lines
  answers.openPath = "D:\\x\\part.tap";
  answers.openText = "G00 X0\r\n";
  kestrom->OnCommand(FormCommand::Open);
  EXPECT_EQ(Program(), "G00 X0");
  EXPECT_TRUE(AfterPowerCut().saved);  // as read from its file
  kestrom->OnCommand(FormCommand::BringBack);
  EXPECT_EQ(Program(), taught);
  // The journal always gives back what the box shows, and what it would bring back.
  EXPECT_EQ(AfterPowerCut().text, Program());
  EXPECT_EQ(AfterPowerCut().kept, std::optional<std::string>("G00 X0"));
}

TEST_F(RecoveryForm, StartOffersUnsavedWorkAndANoCanBeTakenBack) {
  const std::string work = kStartHeader + std::string("\r\nG01  X1 F200\r\nM3");
  file.bytes = journal::Header() + journal::Text(work) + journal::Name("kurtar");
  answers.yes = {false};
  StartKestrom();
  ASSERT_EQ(answers.questions.size(), 1u);
  EXPECT_EQ(answers.questions[0],
            "Kaydedilmemiş bir program bulundu: 2 satır, son değişiklik 2026-12-08 14:03. Geri yüklensin mi? "
            "(An unsaved program was found: 2 lines, last changed 2026-12-08 14:03. Restore it?)");
  EXPECT_EQ(Program(), kStartHeader);
  EXPECT_EQ(AfterPowerCut().kept, std::optional<std::string>(work));
  kestrom->OnCommand(FormCommand::BringBack);
  EXPECT_EQ(Program(), work);
  controls.texts[C::Text1] = "kurtar";
  Tick(1000);  // the name box is read into the journal once a second

  // Killed now, and started again: asked again, and Yes puts back box and name.
  answers.yes = {true};
  controls.texts[C::Text2] = kStartHeader;
  StartKestrom();
  EXPECT_EQ(answers.questions.size(), 2u);
  EXPECT_EQ(Program(), work);
  EXPECT_EQ(controls.Text(C::Text1), "kurtar");
  kestrom->OnClick(C::Command4);
  EXPECT_TRUE(AfterPowerCut().saved) << file.bytes;
}

TEST_F(RecoveryForm, AJournalThatCannotBeWrittenTellsOnceAndTeachingGoesOn) {
  StartKestrom();
  file.writesFail = true;
  controls.values[C::Check1] = 1;
  for (int i = 1; i <= 3; ++i) {
    dro[1] = "+" + std::to_string(i) + ".0000";
    Tick(10);
  }
  kestrom->OnClick(C::Command5);
  Tick(10);
  EXPECT_EQ(ProgramLineCount(Program()), 4u);
  EXPECT_EQ(controls.messages, std::vector<std::string>{kRecoveryNotWritten});
  // The disk has room again: the whole state is written afresh, without a word.
  file.writesFail = false;
  Tick(ProgramJournal::kRetryAfterMs);
  EXPECT_EQ(AfterPowerCut().text, Program());
  EXPECT_EQ(controls.messages.size(), 1u);
}

TEST(CodePage, FlagsAreTheOnesEachCodePageAllows) {
  using namespace win_flags;
  const AnsiConversionRule turkish = ConversionRuleFor(1254), utf8 = ConversionRuleFor(65001),
                           jis = ConversionRuleFor(50220), iscii = ConversionRuleFor(57004);
  EXPECT_EQ(turkish.toFlags, kNoBestFitChars);
  EXPECT_TRUE(turkish.askUsedDefault);
  EXPECT_EQ(utf8.toFlags, kErrInvalidChars);  // best fit and used-default are refused for UTF-8
  EXPECT_FALSE(utf8.askUsedDefault);
  EXPECT_EQ(utf8.fromFlags, kMbErrInvalidChars);
  for (const AnsiConversionRule& r : {jis, iscii}) {
    EXPECT_EQ(r.toFlags, 0u);
    EXPECT_FALSE(r.askUsedDefault);
    EXPECT_EQ(r.fromFlags, 0u);
  }
}

}  // namespace
}  // namespace kestrom
