// Form1: the main window's behaviour. The Win32 layer forwards its events here.
#pragma once
#include <optional>

#include "teach/file_store.h"
#include "window/program_box.h"
#include "window/connection_holder.h"
#include "window/controls.h"
#include "window/manual_panel.h"
#include "window/program_commands.h"
#include "window/teach_recorder.h"

namespace kestrom {

extern const char* const kPageNames[6];

// The commands of the window menu and the keys, beyond the controls' own events.
enum class FormCommand { Save, SaveAs, Open, LoadIntoMach3, RecordPoint, RemoveLastLine };

// What the file commands beyond KAYDET need; without it KAYDET saves alone.
struct ProgramFileServices {
  FileReader& reader;
  FileDialogs& dialogs;
};

class Form {
 public:
  Form(Controls& controls, FileStore& store, ConnectionHolder::Factory makeConnection,
       std::optional<ProgramFileServices> files = std::nullopt);

  void Load();                        // also run again by "Create Mach Object"
  void OnTimer() { recorder_.Tick(); }
  bool OnClick(ControlId id);         // false: the control has no click handler
  void OnDoubleClick(ControlId id);
  void OnCommand(FormCommand command);
  ConnectionHolder& connection() { return connection_; }

 private:
  Controls& controls_;
  FileStore& store_;
  ConnectionHolder connection_;
  TeachProgram program_;
  TeachRecorder recorder_;
  ManualPanel panel_;
  std::optional<ProgramCommands> files_;
};

}  // namespace kestrom
