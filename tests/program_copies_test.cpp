// Teach once, cut many: the program moved, repeated in a grid and made
// relative, read back by the G-code reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "teach/program_copies.h"
#include "teach/teach_program.h"
#include "fakes/program_text.h"

namespace kestrom {
namespace {

std::string Program(std::initializer_list<const char*> lines) { return testing::ProgramOf(lines); }

// Every move's end, in millimetres, as the reader follows the program from `start`.
std::vector<gcode::Point> Ends(const std::string& program, gcode::Point start = {}) {
  std::vector<gcode::Point> ends;
  gcode::Reader reader;
  gcode::Line line;
  size_t from = 0;
  for (;;) {
    const size_t end = program.find("\r\n", from);
    if (reader.Read(std::string_view(program).substr(from, end - from), line) && line.moves) {
      start = gcode::TargetOf(line, reader.state(), start);
      ends.push_back(start);
    }
    if (end == std::string::npos) break;
    from = end + 2;
  }
  return ends;
}

const std::string kPart = Program({"G00  X+1.0000 Y+1.0000 Z+5.0000", "M3", "G01  X+1.0000 Y+1.0000 Z+0.0000 F200",
                                   "G01  X+3.0000 Y+1.0000 Z+0.0000 F200",
                                   "G03 G91.1  X+3.0000 Y+3.0000 Z+0.0000 I+0.0000 J+1.0000 F200",
                                   "G90.1 G02 X1.5 Y3 I2.25 J3", "G41 X9 (a line of another form)", "M5"});

TEST(ProgramCopies, MoveShiftsEveryMoveInItsOwnStyleAndKeepsTheRest) {
  const CopiedProgram moved = MoveProgram(kPart, 10, -0.5, 0);
  ASSERT_TRUE(moved.text);
  EXPECT_EQ(*moved.text,
            Program({"G00  X+11.0000 Y+0.5000 Z+5.0000", "M3", "G01  X+11.0000 Y+0.5000 Z+0.0000 F200",
                     "G01  X+13.0000 Y+0.5000 Z+0.0000 F200",
                     "G03 G91.1  X+13.0000 Y+2.5000 Z+0.0000 I+0.0000 J+1.0000 F200",  // I, J from the start: as they were
                     "G90.1 G02 X11.5 Y2.5 I12.25 J2.5",                                 // an absolute centre moves too
                     "G41 X9 (a line of another form)", "M5"}));
  EXPECT_NE(moved.message.find("1 lines could not be read"), std::string::npos) << moved.message;
  const auto offset = OffsetToHere(kPart, {20, 30, 5, 0, 0, 0});
  ASSERT_TRUE(offset);
  EXPECT_EQ(*offset, (gcode::Point{19, 29, 0, 0, 0, 0}));
  EXPECT_FALSE(OffsetToHere(kStartHeader, {}));
}

TEST(ProgramCopies, GridCopiesInReadingOrSerpentineOrderWithSafeMovesBetween) {
  const std::string part = Program({"M3", "G01  X+0.0000 Y+0.0000 Z+0.0000 F200", "G01  X+1.0000 Y+0.0000 Z+0.0000 F200",
                                    "M5"});
  GridLayout grid;
  grid.rows = 2;
  grid.columns = 3;
  grid.dx = 10;
  grid.dy = 20;
  CopiedProgram copies = RepeatInGrid(part, grid);
  ASSERT_TRUE(copies.text);
  EXPECT_EQ(copies.message, "6 kopya, 2 satır × 3 sütun; 37 satır (6 copies, 2 rows × 3 columns; 37 lines).");
  std::vector<std::pair<double, double>> firsts;
  for (const gcode::Point& p : Ends(*copies.text))
    if (p[2] == 0 && std::fmod(p[0], 10) == 0) firsts.push_back({p[0], p[1]});
  EXPECT_EQ(firsts, (std::vector<std::pair<double, double>>{{0, 0}, {10, 0}, {20, 0}, {0, 20}, {10, 20}, {20, 20}}));
  const std::string between = "\r\nM5\r\nG00  Z+5.0000\r\nG00  X+10.0000 Y+0.0000\r\nM3\r\nG01  X+10.0000 Y+0.0000";
  EXPECT_NE(copies.text->find(between), std::string::npos) << *copies.text;
  EXPECT_EQ(std::count(copies.text->begin(), copies.text->end(), '\n'), 36);

  grid.serpentine = true;
  copies = RepeatInGrid(part, grid);
  firsts.clear();
  for (const gcode::Point& p : Ends(*copies.text))
    if (p[2] == 0 && std::fmod(p[0], 10) == 0) firsts.push_back({p[0], p[1]});
  EXPECT_EQ(firsts, (std::vector<std::pair<double, double>>{{0, 0}, {10, 0}, {20, 0}, {20, 20}, {10, 20}, {0, 20}}));

  grid.rows = 1000;
  grid.columns = 1000;
  EXPECT_FALSE(RepeatInGrid(part, grid).text);
  grid.rows = 0;
  EXPECT_FALSE(RepeatInGrid(part, grid).text);
  grid.rows = 1;
  EXPECT_FALSE(RepeatInGrid(kStartHeader, grid).text);  // nothing to repeat
}

TEST(ProgramCopies, RelativeProgramPassesTheSamePointsFromItsFirstPoint) {
  const std::string part = Program({"G00  X+1.0000 Y+1.0000 Z+5.0000", "M3", "G01  X+1.0000 Y+1.0000 Z+0.0000 F200",
                                    "G01  X+3.0000 Y+1.0000 Z+0.0000 F200",
                                    "G03 G91.1  X+3.0000 Y+3.0000 Z+0.0000 I+0.0000 J+1.0000 F200",
                                    "G90.1 G02 X1.5 Y3 I2.25 J3", "M5"});
  const CopiedProgram relative = MakeRelative(part);
  ASSERT_TRUE(relative.text) << relative.message;
  EXPECT_EQ(relative.text->substr(0, std::string(kStartHeader).size() + 11),
            "(Kestrom File) \r\nG21 G90 G49 G64\r\nG91 G91.1\r\n");
  EXPECT_EQ(relative.text->substr(relative.text->size() - 5), "\r\nG90");
  EXPECT_NE(relative.text->find("G01  X+2.0000 Y+0.0000 Z+0.0000 F200"), std::string::npos) << *relative.text;
  const std::vector<gcode::Point> original = Ends(part);
  std::vector<gcode::Point> again = Ends(*relative.text, original.front());
  ASSERT_EQ(again.size(), original.size());
  for (size_t i = 0; i < again.size(); ++i)
    for (int a = 0; a < 3; ++a) EXPECT_NEAR(again[i][a], original[i][a], 1e-9) << i;
  // The arc centres too: the absolute one became one from its start.
  EXPECT_NE(relative.text->find("\r\nG91.1 G02 X-1.5 Y0 I-0.75 J0\r\n"), std::string::npos) << *relative.text;

  EXPECT_FALSE(MakeRelative(Program({"G01 X1", "G91 X1", "G90"})).text);
}

}  // namespace
}  // namespace kestrom
