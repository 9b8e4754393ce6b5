#include "window/program_commands.h"

#include <algorithm>
#include <cctype>

#include "toolpath/dxf_drawing.h"
#include "teach/file_name.h"
#include "teach/program_file.h"
#include "teach/save_program.h"
#include "teach/teach_program.h"
#include "window/save_command.h"

namespace kestrom {

const char* const kUnsavedQuestion =
    "Programda kaydedilmemiş satırlar var. Yine de dosya açılsın mı? "
    "(The program has unsaved lines. Open a file anyway?)";
const char* const kNotConnectedNotLoaded =
    "Mach3 bağlı değil: dosya kaydedildi, ama Mach3'e yüklenmedi. "
    "(Mach3 is not connected: the file was saved, but not loaded.)";

std::string NotLoadedMessage(const std::string& path) {
  return "Dosya kaydedildi, ama Mach3 onu yüklemedi (the file was saved, but Mach3 did not load it): " + path;
}

std::string ReplaceQuestion(const std::string& path) {
  return path + " zaten var ve açtığınız dosya değil. Üzerine yazılsın mı? (" + path +
         " already exists and is not the file you opened. Replace it?)";
}

std::string NotOpenedMessage(const std::string& path, const std::string& reason) {
  return "Dosya açılamadı (file not opened): " + path + "\r\n" + reason;
}

namespace {
bool SamePath(std::string a, std::string b) {
  auto lower = [](std::string& s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  };
  lower(a);
  lower(b);
  return a == b;
}
}  // namespace

ProgramCommands::ProgramCommands(Controls& controls, FileStore& store, FileReader& reader, FileDialogs& dialogs,
                                 ConnectionHolder& connection, TeachProgram& program, ProgramJournal& journal,
                                 Clock& clock)
    : controls_(controls), store_(store), reader_(reader), dialogs_(dialogs), connection_(connection),
      program_(program), journal_(journal), clean_(kStartHeader), clock_(clock) {}

bool ProgramCommands::HasUnsavedLines(const std::string& text) const {
  return text != clean_ && text != kStartHeader && text != kResetHeader;
}

void ProgramCommands::SavedAt(const std::string& path, const std::string& program) {
  clean_ = program;
  ownTarget_ = path;
  lastFile_ = path;
  journal_.Saved(program);
}

// Only after Open: the plain flow (KAYDET to C:\<name>.tap again and again) asks nothing.
bool ProgramCommands::AskBeforeReplacing(const std::string& target) {
  if (!openedFrom_ || SamePath(*openedFrom_, target)) return true;
  if (ownTarget_ && SamePath(*ownTarget_, target)) return true;
  if (!reader_.Exists(target)) return true;
  controls_.SetValue(ControlId::Check1, 0);  // KAYDET's first step, before the question waits
  return dialogs_.AskYesNo(ReplaceQuestion(target));
}

std::optional<std::string> ProgramCommands::Save() {
  const std::string name = controls_.Text(ControlId::Text1);
  if (!FileNameProblem(name) && !AskBeforeReplacing(ProgramPath(name))) return std::nullopt;
  const auto program =
      SaveProgram(controls_, store_, [&](const std::string& saved) { SavedAt(ProgramPath(name), saved); });
  if (!program) return SaveAs();  // a refused C:\ root never leaves the program unsaved
  return ProgramPath(name);
}

std::optional<std::string> ProgramCommands::SaveAs() {
  // No line may be recorded while the dialog is open; Cancel puts teach mode back.
  const bool teaching = controls_.Value(ControlId::Check1) == 1;
  controls_.SetValue(ControlId::Check1, 0);
  const auto path = dialogs_.AskSavePath(controls_.Text(ControlId::Text1) + ".tap");
  if (!path) {
    if (teaching) controls_.SetValue(ControlId::Check1, 1);
    return std::nullopt;
  }
  const std::string program = controls_.Text(ControlId::Text2);
  const SaveOutcome saved = SaveProgramTextAs(store_, *path, program);
  if (saved.saved) SavedAt(*path, program);
  controls_.ShowMessage(saved.message);
  if (!saved.saved) return std::nullopt;
  return path;
}

void ProgramCommands::SaveDrawing() {
  const Drawing drawing = DrawingOf(controls_.Text(ControlId::Text2));
  if (drawing.dxf.empty()) return controls_.ShowMessage("Çizim kaydedilmedi (drawing not saved): " + drawing.refusal);
  // No line is recorded while the dialog is open; teaching goes on after it.
  const bool teaching = controls_.Value(ControlId::Check1) == 1;
  controls_.SetValue(ControlId::Check1, 0);
  const auto path = dialogs_.AskDrawingPath(controls_.Text(ControlId::Text1) + ".dxf");
  if (path) {
    const auto failure = store_.WriteWhole(*path, drawing.dxf);
    const std::string counts = std::to_string(drawing.lines) + " LINE, " + std::to_string(drawing.arcs) + " ARC, " +
                               std::to_string(drawing.rapids) + " HIZLI, " + std::to_string(drawing.holes) + " DELIK";
    controls_.ShowMessage(failure ? "Çizim kaydedilemedi (drawing not saved): " + *path + "\r\n" + *failure
                                  : "Çizim kaydedildi (drawing saved): " + *path + " (" + counts + ")");
  }
  if (teaching) controls_.SetValue(ControlId::Check1, 1);
}

void ProgramCommands::Open() {
  if (HasUnsavedLines(controls_.Text(ControlId::Text2)) && !dialogs_.AskYesNo(kUnsavedQuestion)) return;
  const auto path = dialogs_.AskOpenPath();
  if (!path) return;
  const ReadOutcome read = reader_.ReadWhole(*path, kOpenLimitBytes);
  if (!read.ok) {
    controls_.ShowMessage(NotOpenedMessage(*path, read.reason));
    return;
  }
  const OpenedProgram program = ProgramFromFileText(read.text);
  if (!program.ok) {
    controls_.ShowMessage(NotOpenedMessage(*path, program.problem));
    return;
  }
  // Teaching goes on from here: the recorder's reference is left as it is.
  program_.ReplaceWith(program.text);
  controls_.SetText(ControlId::Text1, NameForSaveBox(*path));
  controls_.CaretToEnd(ControlId::Text2);
  clean_ = program.text;
  openedFrom_ = *path;
  lastFile_ = *path;
  ownTarget_.reset();
  journal_.Saved(program.text);
}

void ProgramCommands::LoadIntoMach3() {
  if (const auto path = Save()) LoadWritten(*path, "");
}

void ProgramCommands::LoadWritten(const std::string& path, const std::string& loaded) {
  CMach& mach = connection_.Get();
  if (!mach.isMachInit() || !mach.oScript()) {
    controls_.ShowMessage(kNotConnectedNotLoaded);
    return;
  }
  if (mach.Late()) {
    controls_.ShowMessage(NotLoadedMessage(path));
    return;
  }
  const size_t failedBefore = mach.failedCalls();
  mach.LoadFile(path, false);
  if (mach.failedCalls() != failedBefore && mach.Late()) {
    loading_ = path;  // still loading: confirmed by Poll, the window usable meanwhile
    loadedMessage_ = loaded;
    loadingSince_ = clock_.NowMs();
    return;
  }
  ConfirmLoad(path, loaded);
}

// Mach3 names the file it holds; anything else means the load did not happen.
void ProgramCommands::ConfirmLoad(const std::string& path, const std::string& loaded) {
  if (!SamePath(connection_.Get().FileName(), path)) controls_.ShowMessage(NotLoadedMessage(path));
  else if (!loaded.empty()) controls_.ShowMessage(loaded);
}

void ProgramCommands::Poll() {
  if (!loading_) return;
  const bool late = connection_.Get().Late();
  if (late && clock_.NowMs() - loadingSince_ < kLoadConfirmMs) return;
  const std::string path = *loading_;
  loading_.reset();
  if (late) controls_.ShowMessage(NotLoadedMessage(path));
  else ConfirmLoad(path, loadedMessage_);
}

}  // namespace kestrom
