#include "teach/file_name.h"
#include "window/program_box.h"

#include <gtest/gtest.h>

#include "fakes/fake_controls.h"
#include "fakes/fake_recovery.h"

namespace kestrom {
namespace {

TEST(TeachProgram, HeadersDifferOnlyInTheBlank) {
  EXPECT_EQ(std::string(kStartHeader), "(Kestrom File) \r\nG21 G90 G49 G64\r\n");
  EXPECT_EQ(std::string(kResetHeader), "(Kestrom File)\r\nG21 G90 G49 G64\r\n");
}

TEST(TeachProgram, LineForms) {
  EXPECT_EQ(TaughtLine(" X+1.0000 Y-2.5000 Z+0.0000", std::string("200")),
            "\r\nG01  X+1.0000 Y-2.5000 Z+0.0000 F200");
  EXPECT_EQ(TaughtLine("", std::string("200")), "\r\nG01  F200");
  EXPECT_EQ(TaughtLine("", std::nullopt), "\r\nG01 ");
  EXPECT_EQ(TaughtLine(" X1", std::string("")), "\r\nG01  X1 F");
  EXPECT_EQ(MCodeLine("M3"), "\r\nM3");
}

TEST(TeachProgram, OperationsEditTheProgramBox) {
  testing::FakeControls controls;
  testing::ManualClock clock;
  ProgramJournal journal(controls, nullptr, clock);
  TeachProgram program(controls, ControlId::Text2, journal);
  EXPECT_EQ(controls.Text(ControlId::Text2), kStartHeader);  // the box's design text
  program.AppendMCode("M3");
  program.AppendTaughtLine(" X1", std::string("50"));
  EXPECT_EQ(controls.Text(ControlId::Text2), std::string(kStartHeader) + "\r\nM3\r\nG01  X1 F50");
  program.ResetProgram();
  EXPECT_EQ(controls.Text(ControlId::Text2), kResetHeader);
}

TEST(FileName, PathAndProblems) {
  EXPECT_EQ(ProgramPath("Dosya1"), "C:\\Dosya1.tap");
  EXPECT_FALSE(FileNameProblem("Dosya1"));
  EXPECT_FALSE(FileNameProblem("parça 1"));       // Turkish letters are fine
  EXPECT_FALSE(FileNameProblem("işler\\parça"));  // a sub-folder
  EXPECT_FALSE(FileNameProblem("CONSOLE"));
  EXPECT_FALSE(FileNameProblem("COM0"));
  for (const char* bad : {"", "a:b", "a?", "a*", "<x>", "a|b", "say \"hi\"", "tab\there", "CON", "con",
                          "nul.txt", "LPT1", "com9", "dir\\AUX", "PRN \\x"})
    EXPECT_TRUE(FileNameProblem(bad).has_value()) << bad;
}

}  // namespace
}  // namespace kestrom
