// Holes at taught points through the form: the cycle each setting makes, a
// run and its G80, the bolt circle read back through the interpreter, the
// edits on hole lines, and the depth-passes dialog's start.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "fakes/copy_answers.h"
#include "gcode/program_walk.h"
#include "teach/hole_lines.h"
#include "teach/teach_program.h"

namespace kestrom {
namespace {

struct Holes : testing::FormWithDialogs {
  void At(const char* x, const char* y) {
    dro[0] = x;
    dro[1] = y;
  }
  // Where each hole of the program drills (X, Y), read back through the interpreter.
  std::vector<std::pair<double, double>> Drilled() {
    std::vector<std::pair<double, double>> holes;
    const std::string program = Program();
    gcode::ProgramWalk walk(program);
    gcode::Interpreter interpreter;
    gcode::Block block;
    while (walk.Next(interpreter, block))
      if (IsHoleLine(block)) holes.emplace_back(block.end[0], block.end[1]);
    EXPECT_FALSE(walk.failed()) << block.Problem();
    return holes;
  }
  std::string Tail(size_t lines) {
    const std::string p = Program();
    size_t at = p.size();
    for (size_t i = 0; i < lines && at != std::string::npos; ++i) at = p.rfind("\r\n", at - 1);
    return p.substr(at + 2);
  }
};

TEST_F(Holes, ARunOfHolesItsG80TheBoltCircleAndTheEditsOnHoleLines) {
  withDialogs.Load();
  answers.drilling = DrillSettings{"-6", "2", "120", "1.5", "0", false, ""};
  withDialogs.OnCommand(FormCommand::DrillingSettings);
  At("+10.0000", "+20.0000");
  withDialogs.OnCommand(FormCommand::RecordHole);
  At("+30.0000", "+20.0000");
  withDialogs.OnCommand(FormCommand::RecordHole);
  EXPECT_EQ(Tail(2), "G98 G83 X+10.0000 Y+20.0000 Z-6 R2 Q1.5 F120\r\nX+30.0000 Y+20.0000");
  withDialogs.OnClick(ControlId::Command6);  // M5 ends the run first
  EXPECT_EQ(Tail(2), "G80\r\nM5");

  // A dwell makes G82 with G99; no peck and no dwell, G81. A wrong box changes nothing.
  answers.drilling = DrillSettings{"-3", "1", "80", "0", "0.5", true, ""};
  withDialogs.OnCommand(FormCommand::DrillingSettings);
  At("+0.0000", "+0.0000");
  withDialogs.OnCommand(FormCommand::RecordHole);
  EXPECT_EQ(Tail(1), "G99 G82 X+0.0000 Y+0.0000 Z-3 R1 P0.5 F80");
  answers.drilling = DrillSettings{"abc", "1", "80", "0", "0", false, ""};
  withDialogs.OnCommand(FormCommand::DrillingSettings);
  EXPECT_NE(controls.messages.back().find("is no number: \"abc\""), std::string::npos);
  answers.drilling = DrillSettings{"-3", "1", "80", "0", "0", false, ""};
  withDialogs.OnCommand(FormCommand::DrillingSettings);
  At("+5.0000", "+0.0000");
  withDialogs.OnCommand(FormCommand::RecordHole);  // other settings: a whole cycle line, no G80 needed
  EXPECT_EQ(Tail(2), "G99 G82 X+0.0000 Y+0.0000 Z-3 R1 P0.5 F80\r\nG98 G81 X+5.0000 Y+0.0000 Z-3 R1 F80");

  // Four holes on a circle of 10 around (50, 50), the first at 45°: the run goes on.
  answers.boltCircle = BoltCircleTexts{"4", "10", "45"};
  At("+50.0000", "+50.0000");
  withDialogs.OnCommand(FormCommand::BoltCircle);
  const auto drilled = Drilled();
  ASSERT_EQ(drilled.size(), 8u) << Program();
  const double d = 10 / std::sqrt(2.0);
  const double expected[4][2] = {{50 + d, 50 + d}, {50 - d, 50 + d}, {50 - d, 50 - d}, {50 + d, 50 - d}};
  for (int k = 0; k < 4; ++k) {
    EXPECT_NEAR(drilled[4 + k].first, expected[k][0], 1e-6);
    EXPECT_NEAR(drilled[4 + k].second, expected[k][1], 1e-6);
  }
  EXPECT_EQ(Tail(4).substr(0, 21), "X+57.071068 Y+57.0710") << "the run goes on in the readouts' style";

  // Edits: re-teach the second hole, insert after it, delete the first hole of the run.
  std::string p = Program();
  controls.caret[ControlId::Text2] = p.find("X+30.0000");
  At("+31.0000", "+21.0000");
  withDialogs.OnCommand(FormCommand::ReteachLine);
  EXPECT_NE(Program().find("G98 G83 X+10.0000 Y+20.0000 Z-6 R2 Q1.5 F120\r\nX+31.0000 Y+21.0000\r\nG80"),
            std::string::npos)
      << Program();
  At("+40.0000", "+21.0000");
  withDialogs.OnCommand(FormCommand::InsertPoint);
  EXPECT_NE(Program().find("X+31.0000 Y+21.0000\r\nX+40.0000 Y+21.0000\r\nG80"), std::string::npos) << Program();
  p = Program();
  controls.caret[ControlId::Text2] = p.find("G98 G83");
  withDialogs.OnCommand(FormCommand::DeleteLine);
  EXPECT_NE(Program().find("\r\nG98 G83 X+31.0000 Y+21.0000 Z-6 R2 Q1.5 F120\r\nX+40.0000 Y+21.0000\r\nG80"),
            std::string::npos)
      << Program();
  EXPECT_EQ(Drilled().size(), 8u);
}

// Each hole's R height and bottom, as the interpreter reads the program.
std::vector<std::array<double, 4>> HolesRead(const std::string& program) {
  std::vector<std::array<double, 4>> holes;  // x, y, the height it feeds from, bottom
  gcode::ProgramWalk walk(program);
  gcode::Interpreter interpreter;
  gcode::Block block;
  while (walk.Next(interpreter, block))
    for (const gcode::Move& m : block.moves)
      if (m.cycle && m.kind == gcode::MoveKind::Feed) holes.push_back({m.to[0], m.to[1], m.from[2], m.to[2]});
  EXPECT_FALSE(walk.failed()) << block.Problem();
  return holes;
}

TEST(HoleLines, G91RunsAreReadAsLinuxCncReadsThemAndWrittenInG90) {
  // A run begun under G91: R from where the run began, for every hole, the bottom from R (LinuxCNC's rs274 drills
  // all four from R2 to Z-5); G98 goes back up to where the run began, also after G99 holes.
  for (const char* repeat : {"G99", "G98"}) {
    const auto read = HolesRead(std::string("G21 G90 G17\nG00 X0 Y0 Z10\nG91\n") + repeat +
                                " G81 X+10.0000 Y+0.0000 Z-7 R-8 F100\nX-10 Y10\nX-10 Y-10 L2\nG80\n");
    ASSERT_EQ(read.size(), 4u) << repeat;
    for (const auto& hole : read) {
      EXPECT_NEAR(hole[2], 2, 1e-9) << repeat;
      EXPECT_NEAR(hole[3], -5, 1e-9) << repeat;
    }
    EXPECT_NEAR(read[3][0], -20, 1e-9) << "L2 repeats the increment";
    EXPECT_NEAR(read[3][1], -10, 1e-9);
  }
  gcode::Interpreter in;
  gcode::Block b;
  for (const char* line : {"G90 G0 X0 Y0 Z10", "G99 G81 X10 Z-5 R2 F100", "G98 X20"}) ASSERT_TRUE(in.Read(line, b));
  EXPECT_NEAR(b.moves.back().to[2], 10, 1e-9) << "G98 returns to where the run began, not to R";

  // Kestrom writes the holes in G90 where the program stands in G91, and the run's end brings G91 back.
  ProgramEnd end;
  end.at = {10, 10, 5, 0, 0, 0};
  end.state.incremental = true;
  Drilling d;
  d.bottomZ = -4, d.rPlane = 1, d.feed = 50;
  const HoleRun run = HoleLines({{12, 10}, {15, 13}}, d, {3, true, '.'}, end);
  ASSERT_EQ(run.lines.size(), 2u);
  EXPECT_EQ(run.lines[0], "G90 G98 G81 X+12.000 Y+10.000 Z-4 R1 F50");
  EXPECT_EQ(run.lines[1], "X+15.000 Y+13.000");
  EXPECT_EQ(run.end, "G80 G91");
  const std::string program = std::string(kStartHeader) + "\r\nG00 X10 Y10 Z5\r\nG91\r\n" + run.lines[0] + "\r\n" + run.lines[1];
  const auto holes = HolesRead(program);
  ASSERT_EQ(holes.size(), 2u);
  EXPECT_NEAR(holes[1][0], 15, 1e-9);
  EXPECT_NEAR(holes[1][1], 13, 1e-9);
  EXPECT_NEAR(holes[1][3], -4, 1e-9);
  EXPECT_EQ(HoleRunEnd(program), "G80 G91");
  EXPECT_EQ(HoleRunEnd(program + "\r\nG98 G82 X1 Y1 Z-1 R1 P1"), "G80 G91") << "a run after a run ends as the first began";
  EXPECT_EQ(HoleRunEnd(program + "\r\nG80"), "");
  EXPECT_EQ(HoleRunEnd(program + "\r\nG01 X1"), "");
  EXPECT_EQ(HoleRunEnd("G90 G81 X0 Y0 Z-1 R1 F10"), "G80");
}

TEST_F(Holes, ABoltCircleInAG91ProgramInchDefaultsAndSettingsTypedInTheOtherUnit) {
  withDialogs.Load();
  controls.texts[ControlId::Text2] = std::string(kStartHeader) + "\r\nG00 X0 Y0 Z10\r\nG91";
  answers.boltCircle = BoltCircleTexts{"4", "10", "0"};
  At("+0.0000", "+0.0000");
  withDialogs.OnCommand(FormCommand::BoltCircle);
  EXPECT_NE(Program().find("G91\r\nG90 G98 G81 X+10.0000 Y+0.0000 Z-5 R2 F100\r\nX+0.0000 Y+10.0000"),
            std::string::npos)
      << Program();
  withDialogs.OnCommand(FormCommand::RecordRapidPoint);  // the run ends, G91 comes back before the rapid
  EXPECT_EQ(Tail(2).substr(0, 9), "G80 G91\r\n") << Program();
  for (const auto& hole : HolesRead(Program())) EXPECT_NEAR(hole[3], -5, 1e-9);

  // Never set, the settings are the inch program's defaults (not 5 inches deep).
  controls.texts[ControlId::Text2] = "(Kestrom File)\r\nG20 G90 G49 G64\r\n";
  withDialogs.OnCommand(FormCommand::RecordHole);
  EXPECT_EQ(Tail(1), "G98 G81 X+0.0000 Y+0.0000 Z-0.2 R0.08 F4");
  // Typed for a millimetre program, they are converted for an inch one, and the operator is told.
  controls.texts[ControlId::Text2] = std::string(kStartHeader);
  answers.drilling = DrillSettings{"-6.35", "2.54", "127", "0", "0", false, ""};
  withDialogs.OnCommand(FormCommand::DrillingSettings);
  controls.texts[ControlId::Text2] = "(Kestrom File)\r\nG20 G90 G49 G64\r\n";
  const size_t messages = controls.messages.size();
  withDialogs.OnCommand(FormCommand::RecordHole);
  EXPECT_EQ(Tail(1), "G98 G81 X+0.0000 Y+0.0000 Z-0.25 R0.1 F5");
  ASSERT_EQ(controls.messages.size(), messages + 1);
  EXPECT_NE(controls.messages.back().find("typed in mm; this program is in inch, so they were converted"),
            std::string::npos)
      << controls.messages.back();
}

TEST_F(Holes, TheDepthPassesDialogStartsFromTheProgram) {
  withDialogs.Load();
  dro[2] = "+5.0000";
  withDialogs.OnCommand(FormCommand::RecordRapidPoint);
  dro[2] = "-0.5000";
  withDialogs.OnCommand(FormCommand::RecordPoint);
  At("+20.0000", "+0.0000");
  withDialogs.OnCommand(FormCommand::RecordPoint);
  answers.passes = DepthPassTexts{"-0.5", "-2", "1", "30", "5", "1", "2", "0.5"};
  withDialogs.OnCommand(FormCommand::DepthPasses);
  EXPECT_EQ(answers.passesStart.surfaceZ, "-0.5");
  EXPECT_EQ(answers.passesStart.plungeFeed, "66.7");
  EXPECT_EQ(answers.passesStart.safeZ, "5");
  EXPECT_EQ(answers.units, "mm");
  EXPECT_NE(controls.messages.back().find("1 contour × 2 passes, 1 tab"), std::string::npos) << controls.messages.back();
  EXPECT_NE(Program().find("G01 Z-1.5000 F30"), std::string::npos) << Program();
  answers.passes->tabs = "-1";
  const std::string before = Program();
  withDialogs.OnCommand(FormCommand::DepthPasses);
  EXPECT_NE(controls.messages.back().find("whole number from 0 to 1000"), std::string::npos);
  EXPECT_EQ(Program(), before);
}

}  // namespace
}  // namespace kestrom
