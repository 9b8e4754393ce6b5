#include "window/form.h"

#include "window/save_command.h"

namespace kestrom {

// The order is binding: "Goto Page" turns the list position 0 to 5 into page 1 to 6.
const char* const kPageNames[6] = {"Run", "MDI", "Toolpath", "Positioning", "Diagonistics", "Corrections"};

Form::Form(Controls& controls, FileStore& store, ConnectionHolder::Factory makeConnection,
           std::optional<ProgramFileServices> files)
    : controls_(controls),
      store_(store),
      connection_(std::move(makeConnection)),
      program_(controls, ControlId::Text2),
      recorder_(controls, program_, connection_),
      panel_(controls, connection_, [this] { Load(); }) {
  if (files) files_.emplace(controls, store, files->reader, files->dialogs, connection_);
}

void Form::Load() {
  CMach& mach = connection_.Get();
  if (!mach.InitMach()) controls_.ShowMessage(mach.InitErrorMsg());
  controls_.ClearList(ControlId::cboPage);
  for (const char* name : kPageNames) controls_.AddItem(ControlId::cboPage, name);
  controls_.SetListIndex(ControlId::cboPage, 0);
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
      if (files_) files_->Save();
      else SaveProgram(controls_, store_);
      break;
    case FormCommand::SaveAs: if (files_) files_->SaveAs(); break;
    case FormCommand::Open: if (files_) files_->Open(); break;
    case FormCommand::LoadIntoMach3: if (files_) files_->LoadIntoMach3(); break;
    case FormCommand::RecordPoint: recorder_.RecordPoint(); break;
    case FormCommand::RemoveLastLine: recorder_.RemoveLastLine(); break;
  }
}

void Form::OnDoubleClick(ControlId id) {
  if (id == ControlId::Text2) recorder_.ResetProgram();
}

}  // namespace kestrom
