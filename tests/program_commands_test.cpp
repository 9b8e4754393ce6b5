#include "window/program_commands.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>

#include "fakes/copy_answers.h"
#include "fakes/form_fixture.h"
#include "teach/teach_program.h"
#include "toolpath/restart.h"
#include "window/restart_command.h"

namespace kestrom {
namespace {
using C = ControlId;

class Files : public FileStore, public FileReader, public FileDialogs {
 public:
  std::map<std::string, std::string> files;  // path -> bytes as on disk
  std::set<std::string> readOnly;
  std::deque<std::optional<std::string>> savePaths, openPaths;
  std::deque<bool> answers;
  std::vector<std::string> questions;
  std::optional<std::string> WriteWhole(const std::string& path, const std::string& content) override {
    if (readOnly.count(path)) return std::string("read-only");
    files[path] = content;
    return std::nullopt;
  }
  ReadOutcome ReadWhole(const std::string& path, size_t) override {
    auto f = files.find(path);
    return f == files.end() ? ReadOutcome{false, "", "missing"} : ReadOutcome{true, f->second, ""};
  }
  bool Exists(const std::string& path) override { return files.count(path) > 0; }
  std::function<void()> duringSaveDialog;
  std::optional<std::string> AskSavePath(const std::string&) override {
    if (duringSaveDialog) duringSaveDialog();
    return Next(savePaths);
  }
  std::optional<std::string> AskOpenPath() override { return Next(openPaths); }
  bool AskYesNo(const std::string& q) override {
    questions.push_back(q);
    const bool a = answers.front();
    answers.pop_front();
    return a;
  }

 private:
  static std::optional<std::string> Next(std::deque<std::optional<std::string>>& q) {
    auto v = q.front();
    q.pop_front();
    return v;
  }
};

struct Commands : testing::FormFixture {
  Files files;
  Form withFiles{controls, files, [this] { return std::make_unique<CMach>(automation, system.Services(), pump); },
                 ProgramFileServices{files, files}};
  void Line(const char* code) { withFiles.OnClick(code[1] == '3' ? C::Command5 : C::Command6); }
};

// "Programı Çoğalt": each copy through its dialog is one change of the box, taken back whole.
using testing::CopyAnswers;

TEST_F(Commands, CopiesGoThroughTheJournalAWrongNumberChangesNothingAndBringBackUndoesThem) {
  CopyAnswers answers;
  Form form{controls, files, [this] { return std::make_unique<CMach>(automation, system.Services(), pump); },
            ProgramFileServices{files, files, nullptr, &answers}};
  form.Load();
  dro[0] = "+1.0000";
  form.OnCommand(FormCommand::RecordPoint);
  const std::string part = Program();
  answers.grid = GridRequest{"1", "2", "10,5", "0", "5", false};
  form.OnCommand(FormCommand::RepeatInGrid);
  EXPECT_EQ(Program(), part + "\r\nG00  Z+5.0000\r\nG00  X+11.5000 Y+0.0000\r\nG01  X+11.5000 Y+0.0000 Z+0.0000 F200");
  EXPECT_EQ(controls.messages.back(), "2 kopya, 1 satır × 2 sütun; 7 satır (2 copies, 1 row × 2 columns; 7 lines).");
  EXPECT_EQ(form.journal().state().text, Program());
  const std::string grid = Program();
  answers.move = MoveRequest{"1", "abc", "0", false};
  form.OnCommand(FormCommand::MoveProgram);
  EXPECT_EQ(controls.messages.back(), "ΔY bir sayı değil: \"abc\"; hiçbir şey değişmedi (ΔY is no number: \"abc\"; "
                                      "nothing changed).");
  answers.grid->columns = "0";
  form.OnCommand(FormCommand::RepeatInGrid);
  EXPECT_NE(controls.messages.back().find("whole number of 1 or more"), std::string::npos);
  EXPECT_EQ(Program(), grid);
  answers.move = MoveRequest{"0", "0", "0", true};  // to where the machine stands
  dro[0] = "+5.0000";
  dro[1] = "-2.0000";
  form.OnCommand(FormCommand::MoveProgram);
  EXPECT_NE(Program().find("\r\nG01  X+5.0000 Y-2.0000 Z+0.0000 F200"), std::string::npos) << Program();
  form.OnCommand(FormCommand::BringBack);
  EXPECT_EQ(Program(), grid);
}

TEST_F(Commands, AFailedKaydetOpensSaveAsAndCancelChangesNothing) {
  files.readOnly.insert("C:\\Dosya1.tap");
  files.savePaths = {std::string("D:\\CNC\\part.tap"), std::nullopt};
  Line("M3");
  withFiles.OnClick(C::Command4);
  const std::string program = std::string(kStartHeader) + "\r\nM3";
  EXPECT_EQ(files.files.at("D:\\CNC\\part.tap"), program + "\r\n");
  ASSERT_EQ(controls.messages.size(), 2u);
  EXPECT_EQ(controls.messages[0].rfind("Dosya kaydedilemedi (file not saved): C:\\Dosya1.tap", 0), 0u);
  EXPECT_EQ(controls.messages[1], "D:\\CNC\\ Dizinine (part.tap) dosya adı ile kaydedildi.");

  controls.values[C::Check1] = 1;
  int teachingInDialog = -1;
  files.duringSaveDialog = [&] { teachingInDialog = controls.Value(C::Check1); };
  withFiles.OnCommand(FormCommand::SaveAs);  // Cancel: teach mode, files and messages as they were
  EXPECT_EQ(teachingInDialog, 0);            // no line is recorded while the dialog is open
  EXPECT_EQ(controls.Value(C::Check1), 1);
  EXPECT_EQ(controls.messages.size(), 2u);
  EXPECT_EQ(files.files.size(), 1u);
}

TEST_F(Commands, OpenMendsLineEndsAsksAboutUnsavedLinesAndRefusesNul) {
  files.files["C:\\CNC\\lf.tap"] = "(Kestrom File)\nG21 G90 G49 G64\n\nG01  X1\rM3\n";
  files.files["C:\\nul.tap"] = std::string("G01\0X", 5);
  files.openPaths = {std::string("C:\\CNC\\lf.tap"), std::string("C:\\nul.tap")};
  withFiles.OnCommand(FormCommand::Open);  // the header alone is nothing to lose: no question
  const std::string opened = "(Kestrom File)\r\nG21 G90 G49 G64\r\n\r\nG01  X1\r\nM3";
  EXPECT_EQ(Program(), opened);
  EXPECT_EQ(controls.Text(C::Text1), "CNC\\lf");  // KAYDET writes the same file again
  withFiles.OnClick(C::Command4);
  EXPECT_EQ(files.files.at("C:\\CNC\\lf.tap"), opened + "\r\n");

  Line("M5");
  files.answers = {false, true};
  withFiles.OnCommand(FormCommand::Open);  // No: nothing changes, no dialog
  EXPECT_EQ(Program(), opened + "\r\nM5");
  withFiles.OnCommand(FormCommand::Open);  // Yes: the file with NUL bytes is refused
  EXPECT_EQ(files.questions, (std::vector<std::string>(2, kUnsavedQuestion)));
  EXPECT_EQ(Program(), opened + "\r\nM5");
  EXPECT_EQ(controls.messages.back().rfind("Dosya açılamadı (file not opened): C:\\nul.tap", 0), 0u);
}

TEST_F(Commands, LoadIntoMach3SavesThenLoadsOrSaysItDidNot) {
  automation.documentActive = false;  // not connected
  withFiles.Load();
  withFiles.OnCommand(FormCommand::LoadIntoMach3);
  EXPECT_TRUE(files.files.count("C:\\Dosya1.tap"));
  EXPECT_EQ(controls.messages.back(), kNotConnectedNotLoaded);
  EXPECT_EQ(Count("LoadFile"), 0u);

  automation.documentActive = true;
  withFiles.Load();
  automation.defaultAnswers["FileName"] = Value::OfText("c:\\DOSYA1.TAP");
  withFiles.OnCommand(FormCommand::LoadIntoMach3);
  EXPECT_EQ(controls.messages.back(), "C:\\ Dizinine (Dosya1.tap) dosya adı ile kaydedildi.");
  ASSERT_EQ(Count("LoadFile"), 1u);
  automation.defaultAnswers["FileName"] = Value::OfText("");  // Mach3 holds no file afterwards
  withFiles.OnCommand(FormCommand::LoadIntoMach3);
  EXPECT_EQ(controls.messages.back(), NotLoadedMessage("C:\\Dosya1.tap"));
}

// After a stop: the restart from the caret's line goes beside the program
// opened, is loaded into Mach3, and leaves the box as it was; what cannot be
// restarted is refused with the line named and nothing written.
TEST_F(Commands, RestartAtTheCaretsLineIsWrittenBesideTheProgramAndLoaded) {
  CopyAnswers answers;
  Form form{controls, files, [this] { return std::make_unique<CMach>(automation, system.Services(), pump); },
            ProgramFileServices{files, files, nullptr, &answers}};
  form.Load();
  const std::string program =
      "%\r\nO1000\r\nG90 G94 G17\r\nG21\r\nT2 M6\r\nS9000 M3\r\nG54\r\nM8\r\nG0 X0. Y0.\r\nG43 Z15. H2\r\n"
      "G1 Z-1. F300.\r\nG1 X20.\r\nG41 D2 G1 Y10.\r\nG40 G1 Y20.\r\nM30\r\n%";
  files.files["C:\\CNC\\part.nc"] = program;
  files.openPaths.push_back("C:\\CNC\\part.nc");
  form.OnCommand(FormCommand::Open);
  ASSERT_EQ(Program(), program);
  const auto lineStart = [&](size_t line) {
    size_t at = 0;
    for (size_t i = 0; i < line; ++i) at = program.find('\n', at) + 1;
    return at;
  };
  controls.caret[C::Text2] = lineStart(11) + 3;  // in "G1 X20.", line 12
  dro = {"+8.0000", "+0.0000", "-1.0000", "+0.0000", "+0.0000", "+0.0000"};  // stopped on it
  answers.restart = RestartTexts{"20", "100", "3", true, true};
  automation.defaultAnswers["FileName"] = Value::OfText("C:\\CNC\\part-12.tap");
  form.OnCommand(FormCommand::RestartAtLine);
  ASSERT_EQ(answers.restartShown.size(), 1u);
  const RestartStart& shown = answers.restartShown[0];
  EXPECT_EQ(shown.line, "Satır 12 / 16 (line 12 of 16): G1 X20.");
  EXPECT_EQ(shown.texts.safeZ, "15");
  EXPECT_EQ(shown.texts.plungeFeed, "100");
  EXPECT_TRUE(shown.texts.toolChange);
  EXPECT_TRUE(shown.fromMachineOffered);
  EXPECT_EQ(shown.units, "mm");
  EXPECT_NE(shown.state.find("T2"), std::string::npos) << shown.state;
  RestartRequest expected{11, 20, 100, 3, true, gcode::Point{8, 0, -1, 0, 0, 0}, "part.nc"};
  ASSERT_TRUE(files.files.count("C:\\CNC\\part-12.tap")) << controls.messages.back();
  EXPECT_EQ(files.files["C:\\CNC\\part-12.tap"], *RestartProgram(program, expected).text + "\r\n");
  EXPECT_EQ(controls.messages.back(), RestartLoadedMessage(12, "C:\\CNC\\part-12.tap"));
  EXPECT_EQ(Count("LoadFile"), 1u);
  EXPECT_EQ(Program(), program);

  // Below the highest Z before the line, under G41, after the end: refused, nothing written.
  const size_t written = files.files.size();
  answers.restart->safeZ = "14";
  form.OnCommand(FormCommand::RestartAtLine);
  EXPECT_NE(controls.messages.back().find("15"), std::string::npos) << controls.messages.back();
  controls.caret[C::Text2] = lineStart(13);
  form.OnCommand(FormCommand::RestartAtLine);
  EXPECT_NE(controls.messages.back().find("14"), std::string::npos) << controls.messages.back();
  EXPECT_NE(controls.messages.back().find("G41"), std::string::npos) << controls.messages.back();
  controls.caret[C::Text2] = program.size();
  form.OnCommand(FormCommand::RestartAtLine);
  EXPECT_NE(controls.messages.back().find("16"), std::string::npos) << controls.messages.back();
  EXPECT_EQ(answers.restartShown.size(), 2u) << "a line that cannot be restarted asks nothing";
  EXPECT_EQ(files.files.size(), written);
  EXPECT_EQ(Count("LoadFile"), 1u);

  // Without a file, the restart goes under C:\ by the name box's name; off the line's path no choice is offered.
  EXPECT_EQ(RestartPath(std::nullopt, "CNC\\bracket", 7), "C:\\CNC\\bracket-7.tap");
  EXPECT_EQ(RestartPath(std::nullopt, "a|b", 7), std::nullopt);
  controls.caret[C::Text2] = lineStart(11);
  dro[1] = "+1.0000";
  answers.restart = std::nullopt;
  form.OnCommand(FormCommand::RestartAtLine);
  EXPECT_FALSE(answers.restartShown.back().fromMachineOffered);
}

}  // namespace
}  // namespace kestrom
