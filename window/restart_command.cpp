#include "window/restart_command.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "gcode/numbers.h"
#include "teach/file_name.h"
#include "teach/program_file.h"
#include "teach/save_program.h"
#include "toolpath/restart.h"
#include "window/typed_numbers.h"

namespace kestrom {

std::optional<std::string> RestartPath(const std::optional<std::string>& lastFile, const std::string& boxName,
                                       int lineNumber) {
  if (!lastFile && FileNameProblem(boxName)) return std::nullopt;
  const std::string path = lastFile ? *lastFile : ProgramPath(boxName);
  std::string file = FileOf(path);
  const size_t dot = file.rfind('.');
  if (dot != std::string::npos && dot > 0) file.erase(dot);
  return FolderOf(path) + file + "-" + std::to_string(lineNumber) + ".tap";
}

std::string RestartLoadedMessage(int lineNumber, const std::string& path) {
  const std::string n = std::to_string(lineNumber);
  return "Satır " + n + ": yeniden başlatma programı yazıldı ve Mach3'e yüklendi: " + path +
         "; Mach3'te Cycle Start ile çalıştırın (the restart from line " + n + " was written and loaded into Mach3: " +
         path + "; run it with Cycle Start).";
}

namespace {
// Rounded to `places`, with no zeros after the last digit that counts.
std::string Plain(double value, int places) {
  const double scale = std::pow(10.0, places);
  return gcode::WriteExact(std::round(value * scale) / scale, {0, false, '.'});
}

// Where the machine stands (work coordinates, the readouts' units), or nothing.
std::optional<gcode::Point> MachineStands(ConnectionHolder& connection) {
  CMach& mach = connection.Get();
  if (!mach.isMachInit()) return std::nullopt;
  gcode::Point at{};
  for (int axis = 0; axis < gcode::kAxes; ++axis)
    if (!gcode::ReadNumber(mach.ReadDRO(axis), at[static_cast<size_t>(axis)])) return std::nullopt;
  return at;
}
}  // namespace

void RestartAtCaretLine(const RestartServices& s) {
  Controls& controls = s.controls;
  const std::string program = controls.Text(ControlId::Text2);
  const size_t caret = std::min(controls.CaretOffset(ControlId::Text2), program.size());
  const size_t line = static_cast<size_t>(std::count(program.begin(), program.begin() + static_cast<long>(caret), '\n'));
  const LineState state = StateAtLine(program, line);
  if (!state.ok()) return controls.ShowMessage(state.refusal);

  const bool inches = state.modal.inches;
  RestartStart start;
  start.line = "Satır " + std::to_string(state.number) + " / " + std::to_string(state.lines) + " (line " +
               std::to_string(state.number) + " of " + std::to_string(state.lines) + "): " + state.text;
  start.state = Describe(state);
  start.units = inches ? "inch" : "mm";
  const double unit = inches ? 25.4 : 1;
  start.texts.safeZ = state.highestZ ? gcode::WriteExact(*state.highestZ / unit, {0, false, '.'}) : inches ? "0.2" : "5";
  start.texts.plungeFeed = state.modal.feed > 0 ? Plain(state.modal.feed / unit / 3, inches ? 2 : 1) : inches ? "4" : "100";
  start.texts.toolChange = state.toolChanged;
  const auto here = MachineStands(s.connection);
  start.fromMachineOffered = here && OnLinePath(program, line, *here);

  // No line is recorded while the dialog is open; teaching goes on after it.
  const bool teaching = controls.Value(ControlId::Check1) == 1;
  controls.SetValue(ControlId::Check1, 0);
  const auto asked = s.dialogs.AskRestart(start);
  if (teaching) controls.SetValue(ControlId::Check1, 1);
  if (!asked) return;

  RestartRequest r;
  r.line = line;
  if (!NumbersIn({{asked->safeZ, "Güvenli Z (safe Z)", &r.safeZ},
                  {asked->plungeFeed, "Dalış İlerlemesi (plunge feed)", &r.plungeFeed},
                  {asked->spindleWait, "İş Mili Bekleme (spindle wait, s)", &r.spindleWait}},
                 controls))
    return;
  if (r.spindleWait < 0 || r.spindleWait > 3600)
    return controls.ShowMessage("İş mili bekleme 0 ile 3600 saniye arasında olmalı; hiçbir şey yazılmadı (the spindle "
                                "wait must be from 0 to 3600 seconds; nothing was written).");
  r.toolChange = asked->toolChange;
  if (asked->fromMachine && start.fromMachineOffered) r.from = here;
  const std::string box = controls.Text(ControlId::Text1);
  const auto path = RestartPath(s.files.lastFile(), box, state.number);
  if (!path) return controls.ShowMessage(NotSavedMessage(box, *FileNameProblem(box)));
  r.original = s.files.lastFile() ? FileOf(*s.files.lastFile()) : FileOf(ProgramPath(box));

  const Restart restart = RestartProgram(program, r);
  if (!restart.text) return controls.ShowMessage(restart.message);
  const SaveOutcome saved = SaveProgramTextAs(s.store, *path, *restart.text);
  if (!saved.saved) return controls.ShowMessage(saved.message);
  s.files.LoadWritten(*path, RestartLoadedMessage(state.number, *path));
}

}  // namespace kestrom
