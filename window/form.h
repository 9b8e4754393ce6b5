// Form1: the main window's behaviour. The Win32 layer forwards its events here.
#pragma once
#include <optional>

#include "teach/file_store.h"
#include "toolpath/program_copies.h"
#include "teach/recovery_file.h"
#include "window/connection_holder.h"
#include "window/controls.h"
#include "window/copy_dialogs.h"
#include "window/manual_panel.h"
#include "window/path_view.h"
#include "window/program_box.h"
#include "window/program_commands.h"
#include "window/program_journal.h"
#include "window/system_info.h"
#include "window/teach_recorder.h"

namespace kestrom {

extern const char* const kPageNames[6];
extern const char* const kNothingToBringBack;
extern const char* const kPointerWhileTeaching;

// The commands of the window menu and the keys, beyond the controls' own events.
enum class FormCommand {
  Save, SaveAs, Open, LoadIntoMach3, RecordPoint, RemoveLastLine, BringBack, CheckMach3, SimplifyPath, PathView,
  RecordRapidPoint, ArcViaPoint, ArcEndPoint, ReteachLine, InsertPoint, DeleteLine,
  MoveProgram, RepeatInGrid, MakeRelative, DepthPasses,  // "Programı Çoğalt (Copy the program)"
  RecordHole, DrillingSettings, BoltCircle, SaveDrawing, PointerOffset, ToolRadius, RestartAtLine,
  AlignToPart, Rotate, Mirror  // "Programı Çoğalt (Copy the program)" too
};

// The tolerances "Simplify path" offers, in millimetres; the first one chosen at start is kDefaultTolerance.
inline constexpr double kThinningTolerances[] = {0.001, 0.005, 0.01, 0.05, 0.1};
inline constexpr const char* kToleranceCaptions[] = {"0.001 mm", "0.005 mm", "0.01 mm", "0.05 mm", "0.1 mm"};
inline constexpr int kDefaultTolerance = 2;
std::string ThinnedMessage(size_t before, size_t after);
// The command's name in messages, and what a command that failed says.
std::string CommandName(FormCommand command);
std::string ControlCaption(ControlId id);
std::string CommandFailedMessage(const std::string& command, const std::string& what);

// What the file commands beyond KAYDET need; without it KAYDET saves alone.
struct ProgramFileServices {
  FileReader& reader;
  FileDialogs& dialogs;
  SystemInfo* info = nullptr;  // for the Mach3 check
  CopyDialogs* copies = nullptr;  // for "Programı Çoğalt (Copy the program)"
};

// Where the program box's journal goes; without a file it lives in memory only.
struct RecoveryServices {
  RecoveryFile* file = nullptr;
  Clock* clock = nullptr;
};

class Form {
 public:
  Form(Controls& controls, FileStore& store, ConnectionHolder::Factory makeConnection,
       std::optional<ProgramFileServices> files = std::nullopt, RecoveryServices recovery = {},
       PathSurface* pathSurface = nullptr);

  void Load();                        // also run again by "Create Mach Object"
  // Once at start, after Load: work found unsaved in the journal is offered back.
  void OfferRecovery();
  void OnTimer();
  bool OnClick(ControlId id);         // false: the control has no click handler
  void OnDoubleClick(ControlId id);
  void OnCommand(FormCommand command);
  ConnectionHolder& connection() { return connection_; }
  // The place in kThinningTolerances of the tolerance "Simplify path" uses; kept while the program runs.
  int thinningTolerance() const { return tolerance_; }
  void ChooseThinningTolerance(int index);
  ProgramJournal& journal() { return journal_; }
  PathView& pathView() { return pathView_; }
  // Points are taught where the pointer is (the menu item shows a check).
  bool teachingWithPointer() const { return pointer_.teach; }

 private:
  template <class Command>
  void Guarded(const std::string& name, Command&& command);
  void RunCommand(FormCommand command);
  bool Click(ControlId id);
  void CheckMach3();
  void SimplifyPath();
  void ShowViaInView();
  void CopyProgram(FormCommand command);
  void CutDepthPasses();
  void AskDrilling();
  // The drilling settings as numbers, or nothing with the message shown.
  std::optional<Drilling> DrillingNow();
  void DrillBoltCircle();
  void AskPointer();
  // The two steps of measuring the pointer's offset; nothing when Mach3 did not answer.
  std::optional<PointerTexts> MeasurePointer();
  void OffsetByTool();
  // Align to the part, Rotate and Mirror: the program turned with its part.
  void TurnPart(FormCommand command);
  // The copy's result as one change of the program box, and its message.
  void TakeCopy(const CopiedProgram& copy);
  // The point of the caret's line, marked in the path view whenever the caret moves.
  void FollowCaret();
  struct StoppedClock : Clock {
    uint32_t NowMs() override { return 0; }
  };

  Controls& controls_;
  FileStore& store_;
  StoppedClock stoppedClock_;
  Clock& clock_;
  ProgramJournal journal_;
  ConnectionHolder connection_;
  PathView pathView_;
  TeachProgram program_;
  TeachRecorder recorder_;
  ManualPanel panel_;
  FileDialogs* dialogs_ = nullptr;
  SystemInfo* info_ = nullptr;
  CopyDialogs* copies_ = nullptr;
  int tolerance_ = kDefaultTolerance;
  DrillSettings drilling_;  // kept for the session
  PointerTexts pointer_;    // kept for the session
  std::optional<size_t> caretMark_;  // where the caret was when last followed
  std::optional<ProgramCommands> files_;
};

}  // namespace kestrom
