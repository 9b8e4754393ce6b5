// Teaching with a pointer: its offset measured in two steps while Mach3 is
// jogged, then every kind of taught line written at the readouts plus the
// offset, in the readouts' own style; and the offset's check in the strip.
#include <gtest/gtest.h>

#include "fakes/copy_answers.h"
#include "teach/teach_program.h"

namespace kestrom {
namespace {

using Pointer = testing::FormWithDialogs;

TEST_F(Pointer, MeasuredInTwoStepsThenEveryTaughtLineIsWhereThePointerIs) {
  withDialogs.Load();
  // Measure: the tool over the mark at (10, 20); jogged until the pointer is on it at (-2.5, 20.75).
  dro[0] = "+10.0000";
  dro[1] = "+20.0000";
  int step = 0;
  controls.onMessage = [&](const std::string&) {
    if (++step == 2) dro = {"-2.5000", "+20.7500", "+0.0000", "+0.0000", "+0.0000", "+0.0000"};
  };
  answers.pointer = {{{"0", "0", false}, true}, {{"", "", true}, false}};
  answers.pointer[1].texts = {"+12.5000", "-0.7500", true};
  withDialogs.OnCommand(FormCommand::PointerOffset);
  ASSERT_EQ(answers.pointerShown.size(), 2u);
  EXPECT_EQ(answers.pointerShown[1].dx, "+12.5000") << "the dialog opens again with what was measured";
  EXPECT_EQ(answers.pointerShown[1].dy, "-0.7500");
  EXPECT_TRUE(withDialogs.teachingWithPointer());
  controls.onMessage = nullptr;

  // Each kind of line, at readout + offset: a point, a rapid, a hole, an arc's end, a re-teach.
  dro = {"+1.0000", "+2.0000", "+0.0000", "+0.0000", "+0.0000", "+0.0000"};
  withDialogs.OnCommand(FormCommand::RecordPoint);
  EXPECT_EQ(Program().substr(Program().rfind("\r\n") + 2), "G01  X+13.5000 Y+1.2500 Z+0.0000 F200");
  dro[2] = "+5.0000";
  withDialogs.OnCommand(FormCommand::RecordRapidPoint);
  EXPECT_EQ(Program().substr(Program().rfind("\r\n") + 2), "G00  X+13.5000 Y+1.2500 Z+5.0000");
  withDialogs.OnCommand(FormCommand::RecordHole);
  EXPECT_EQ(Program().substr(Program().rfind("\r\n") + 2), "G98 G81 X+13.5000 Y+1.2500 Z-5 R2 F100");
  dro = {"+1.0000", "+2.0000", "+0.0000", "+0.0000", "+0.0000", "+0.0000"};
  withDialogs.OnCommand(FormCommand::RecordPoint);
  dro[0] = "+3.0000";
  dro[1] = "+4.0000";
  withDialogs.OnCommand(FormCommand::ArcViaPoint);
  dro[0] = "+5.0000";
  dro[1] = "+2.0000";
  withDialogs.OnCommand(FormCommand::ArcEndPoint);
  EXPECT_NE(Program().find("X+17.5000 Y+1.2500 Z+0.0000 I+2.0000 J+0.0000"), std::string::npos) << Program();
  controls.caret[ControlId::Text2] = Program().find("G01  X+13.5000");
  dro = {"+0.0000", "+0.0000", "+0.0000", "+0.0000", "+0.0000", "+0.0000"};
  withDialogs.OnCommand(FormCommand::ReteachLine);
  EXPECT_NE(Program().find("\r\n\r\nG01  X+12.5000 Y-0.7500 Z+0.0000 F200\r\nG00"), std::string::npos) << Program();
  // A negative readout that comes to zero keeps the readouts' "+".
  dro = {"-12.5000", "+0.7500", "+0.0000", "+0.0000", "+0.0000", "+0.0000"};
  withDialogs.OnCommand(FormCommand::RecordPoint);
  EXPECT_EQ(Program().substr(Program().rfind("\r\n") + 2), "G01  X+0.0000 Y+0.0000 Z+0.0000 F200");
  // The continuous recorder, too; while it records, the pointer cannot change (the path would jump by its offset).
  controls.values[ControlId::Check1] = 1;
  dro = {"+7.0000", "+0.0000", "+0.0000", "+0.0000", "+0.0000", "+0.0000"};
  withDialogs.OnTimer();
  EXPECT_EQ(Program().substr(Program().rfind("\r\n") + 2), "G01  X+19.5000 Y-0.7500 Z+0.0000 F200");
  for (const PointerTexts& changed : {PointerTexts{"+12.5000", "-0.7500", false}, PointerTexts{"+1", "-0.7500", true}}) {
    answers.pointer = {{changed, false}};
    withDialogs.OnCommand(FormCommand::PointerOffset);
    EXPECT_EQ(controls.messages.back(), kPointerWhileTeaching);
    EXPECT_TRUE(withDialogs.teachingWithPointer());
    withDialogs.OnTimer();
    EXPECT_EQ(Program().substr(Program().rfind("\r\n") + 2), "G01  X+19.5000 Y-0.7500 Z+0.0000 F200");
  }
  controls.values[ControlId::Check1] = 0;

  // The strip says so while it is on; off, the readouts are written as they are.
  withDialogs.OnCommand(FormCommand::PathView);
  EXPECT_NE(withDialogs.pathView().StatusText().find("İşaretçi (pointer) ΔX +12.5000 ΔY -0.7500"), std::string::npos);
  answers.pointer = {{{"+12.5000", "-0.7500", false}, false}};
  withDialogs.OnCommand(FormCommand::PointerOffset);
  EXPECT_FALSE(withDialogs.teachingWithPointer());
  EXPECT_EQ(withDialogs.pathView().StatusText(), "");
  withDialogs.OnCommand(FormCommand::RecordPoint);
  EXPECT_EQ(Program().substr(Program().rfind("\r\n") + 2), "G01  X+7.0000 Y+0.0000 Z+0.0000 F200");
}

}  // namespace
}  // namespace kestrom
