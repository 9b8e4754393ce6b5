#include "window/form.h"

#include <iterator>

#include "teach/path_thinning.h"
#include "window/save_command.h"

namespace kestrom {

// The order is binding: "Goto Page" turns the list position 0 to 5 into page 1 to 6.
const char* const kPageNames[6] = {"Run", "MDI", "Toolpath", "Positioning", "Diagonistics", "Corrections"};
const char* const kNothingToBringBack =
    "Geri getirilecek silinmiş metin yok. (There is no cleared text to bring back.)";

Form::Form(Controls& controls, FileStore& store, ConnectionHolder::Factory makeConnection,
           std::optional<ProgramFileServices> files, RecoveryServices recovery, PathSurface* pathSurface)
    : controls_(controls),
      store_(store),
      clock_(recovery.clock ? *recovery.clock : stoppedClock_),
      journal_(controls, recovery.file, clock_),
      connection_(std::move(makeConnection)),
      pathView_(pathSurface),
      program_(controls, ControlId::Text2, journal_),
      recorder_(controls, program_, connection_),
      panel_(controls, connection_, [this] { Load(); }) {
  program_.Listen(&pathView_);
  // The view shows where the machine stands from the readouts the tick reads anyway.
  recorder_.OnReadouts([this](const std::array<std::string, kAxisCount>& dro) {
    if (!pathView_.open()) return;
    PathPoint at;
    if (gcode::ReadNumber(dro[0], at.x) && gcode::ReadNumber(dro[1], at.y) && gcode::ReadNumber(dro[2], at.z))
      pathView_.MachineAt(at);
    else
      pathView_.MachineAt(std::nullopt);
  });
  recorder_.OnViaChanged([this] { ShowViaInView(); });
  if (files) {
    dialogs_ = &files->dialogs;
    info_ = files->info;
    files_.emplace(controls, store, files->reader, files->dialogs, connection_, program_, journal_, clock_);
  }
}

void Form::Load() {
  CMach& mach = connection_.Get();
  if (!mach.InitMach()) controls_.ShowMessage(mach.InitErrorMsg());
  controls_.ClearList(ControlId::cboPage);
  for (const char* name : kPageNames) controls_.AddItem(ControlId::cboPage, name);
  controls_.SetListIndex(ControlId::cboPage, 0);
}

void Form::OfferRecovery() {
  const auto found = journal_.Start();
  if (!found) return;
  const std::string question = RecoveryQuestion(ProgramLineCount(found->text), journal_.foundLastWritten());
  // Without a Yes/No box nothing may be thrown away: the work comes back.
  if (!dialogs_ || dialogs_->AskYesNo(question)) {
    journal_.Restore(*found);
  } else {
    journal_.Decline(*found);
  }
}

void Form::OnTimer() {
  recorder_.Tick();
  panel_.Poll();
  if (files_) files_->Poll();
  journal_.Poll();
  FollowCaret();
}

namespace {
PathPoint ToPathPoint(const gcode::Point& p) { return {p[0], p[1], p[2], MoveKind::Off}; }
}  // namespace

void Form::ShowViaInView() {
  const auto via = recorder_.via();
  pathView_.MarkVia(via ? std::optional<PathPoint>(ToPathPoint(*via)) : std::nullopt);
}

void Form::FollowCaret() {
  if (!pathView_.open()) {
    caretMark_.reset();
    return;
  }
  // The cheap mark each tick; the program is read only when the caret has moved.
  const size_t mark = controls_.CaretMark(ControlId::Text2);
  if (caretMark_ == mark) return;
  caretMark_ = mark;
  const std::string program = controls_.Text(ControlId::Text2);
  pathView_.MarkCaretLine(PointAfterLineAt(program, controls_.CaretOffset(ControlId::Text2)));
}

bool Form::OnClick(ControlId id) {
  switch (id) {
    case ControlId::Command5: recorder_.AppendMCode("M3"); return true;
    case ControlId::Command6: recorder_.AppendMCode("M5"); return true;
    case ControlId::Command7: recorder_.AppendMCode("M1"); return true;
    case ControlId::Command2: recorder_.ShowXDro(); return true;
    case ControlId::Command4: OnCommand(FormCommand::Save); return true;
    case ControlId::cmdCreateMachObj: panel_.CreateMachObject(); return true;
    case ControlId::cmdGCode: panel_.RunGCode(); return true;
    case ControlId::cmdJog: panel_.ToggleJog(); return true;
    case ControlId::cmdOEM: panel_.SendOEM(); return true;
    case ControlId::cmdReadDro: panel_.ReadDro(); return true;
    case ControlId::cmdSpindle: panel_.ToggleSpindle(); return true;
    case ControlId::cmdToggleJogMode: panel_.ToggleJogMode(); return true;
    case ControlId::cmdZeroAxis: panel_.ZeroAxis(); return true;
    case ControlId::Command1: panel_.GotoPage(); return true;
    default: return false;
  }
}

void Form::OnCommand(FormCommand command) {
  switch (command) {
    case FormCommand::Save:
      if (files_) {
        files_->Save();
      } else {
        SaveProgram(controls_, store_, [this](const std::string& saved) { journal_.Saved(saved); });
      }
      break;
    case FormCommand::SaveAs: if (files_) files_->SaveAs(); break;
    case FormCommand::Open: if (files_) files_->Open(); break;
    case FormCommand::LoadIntoMach3: if (files_) files_->LoadIntoMach3(); break;
    case FormCommand::RecordPoint: recorder_.RecordPoint(); break;
    case FormCommand::RemoveLastLine: recorder_.RemoveLastLine(); break;
    case FormCommand::BringBack:
      if (!program_.BringBack()) controls_.ShowMessage(kNothingToBringBack);
      break;
    case FormCommand::CheckMach3: CheckMach3(); break;
    case FormCommand::SimplifyPath: SimplifyPath(); break;
    case FormCommand::PathView:
      if (pathView_.open()) {
        pathView_.Close();
      } else {
        pathView_.Open(controls_.Text(ControlId::Text2));
        ShowViaInView();
      }
      break;
    case FormCommand::RecordRapidPoint: recorder_.RecordRapidPoint(); break;
    case FormCommand::ArcViaPoint: recorder_.TakeArcVia(); break;
    case FormCommand::ArcEndPoint: recorder_.TakeArcEnd(); break;
    case FormCommand::ReteachLine: recorder_.ReteachCaretLine(); break;
    case FormCommand::InsertPoint: recorder_.InsertPointAfterCaretLine(); break;
    case FormCommand::DeleteLine: recorder_.DeleteCaretLine(); break;
  }
}

std::string ThinnedMessage(size_t before, size_t after) {
  const std::string b = std::to_string(before), a = std::to_string(after);
  return "Yol sadeleştirildi: " + b + " satırdan " + a + " satır kaldı. (Path simplified: " + a + " of " + b +
         " lines left.)";
}

void Form::ChooseThinningTolerance(int index) {
  if (index >= 0 && index < static_cast<int>(std::size(kThinningTolerances))) tolerance_ = index;
}

// Thinning takes lines away, so the text before it is kept for "Bring back".
void Form::SimplifyPath() {
  const std::string text = controls_.Text(ControlId::Text2);
  const ThinnedProgram thinned = ThinPath(text, kThinningTolerances[tolerance_]);
  if (thinned.text != text) {
    program_.ReplaceWith(thinned.text);
    controls_.CaretToEnd(ControlId::Text2);
  }
  controls_.ShowMessage(ThinnedMessage(thinned.linesBefore, thinned.linesAfter));
}

void Form::CheckMach3() {
  if (!info_) return;
  const Mach3Check check = connection_.Get().Check(info_->Describe());
  const std::string path = info_->CheckReportPath();
  const auto failure = path.empty() ? std::optional<std::string>("no application-data folder")
                                    : store_.WriteWhole(path, check.report);
  std::string summary = CheckSummary(check, path);
  if (failure) summary += "\r\nRapor yazılamadı (the report was not written): " + *failure;
  controls_.ShowMessage(summary);
}

void Form::OnDoubleClick(ControlId id) {
  if (id == ControlId::Text2) recorder_.ResetProgram();
}

}  // namespace kestrom
