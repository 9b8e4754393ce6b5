// Teach once, cut many, on every program: Move, Repeat in a grid and Make
// relative checked as properties over generated programs that mix the modes
// (G90/G91, G20/G21, all three planes, G90.1/G91.1, R and I/J arcs, machine
// coordinates, drilling cycles), read back through the interpreter; then the
// cases a machinist meets, each a refusal or the program meant.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "fakes/generated_programs.h"
#include "fakes/program_text.h"
#include "gcode/program_walk.h"
#include "toolpath/program_copies.h"
#include "teach/teach_program.h"

namespace kestrom {
namespace {

std::string Program(std::initializer_list<const char*> lines) { return testing::ProgramOf(lines); }

// Every move (dwells left out) as the interpreter runs the program from `start`.
std::vector<gcode::Move> Moves(const std::string& program, gcode::Point start = {}) {
  std::vector<gcode::Move> moves;
  gcode::ProgramWalk walk(program);
  gcode::Interpreter interpreter;
  interpreter.SetMachine(start);
  gcode::Block block;
  while (walk.Next(interpreter, block))
    for (const gcode::Move& m : block.moves)
      if (m.kind != gcode::MoveKind::Dwell) moves.push_back(m);
  EXPECT_FALSE(walk.failed()) << block.Problem() << "\n" << program;
  return moves;
}

// Whether `got` is `want` shifted by `shift` (places fixed on the machine unshifted).
::testing::AssertionResult Shifted(const gcode::Move& got, const gcode::Move& want, const gcode::Point& shift) {
  for (int a = 0; a < gcode::kAxes; ++a) {
    const double s = want.Fixed(a) || a > 2 ? 0 : shift[a];
    if (std::fabs(got.to[a] - (want.to[a] + s)) > 1e-4 || got.kind != want.kind)
      return ::testing::AssertionFailure() << gcode::kAxisLetters[a] << " " << got.to[a] << " for " << want.to[a] + s;
  }
  if (got.kind == gcode::MoveKind::Arc) {  // radii as they agreed in the original, within 0.001 mm
    auto radii = [](const gcode::Move& m) {
      return std::fabs(gcode::PlaneRadius(m.from, m.centre, m.plane) - gcode::PlaneRadius(m.to, m.centre, m.plane));
    };
    if (radii(got) > std::max(0.001, radii(want) + 1e-6))
      return ::testing::AssertionFailure() << "arc radii differ by " << radii(got);
  }
  return ::testing::AssertionSuccess();
}

using testing::Generate;
using testing::Generated;

TEST(ProgramCopies, MovedProgramsGoEverywhereTheOriginalWentPlusTheOffset) {
  for (unsigned seed = 1; seed <= 150; ++seed) {
    const Generated g = Generate(seed, true);
    const std::vector<gcode::Move> before = Moves(g.text);
    const bool inches = g.text.find("G20") != std::string::npos;
    const double u = inches ? 25.4 : 1;
    const CopiedProgram moved = MoveProgram(g.text, 10.5, -3, 0.25);
    ASSERT_TRUE(moved.text) << moved.message << "\n" << g.text;
    const std::vector<gcode::Move> after = Moves(*moved.text);
    ASSERT_EQ(after.size(), before.size()) << *moved.text;
    for (size_t i = 0; i < after.size(); ++i)
      ASSERT_TRUE(Shifted(after[i], before[i], {10.5 * u, -3 * u, 0.25 * u, 0, 0, 0})) << seed << " move " << i << "\n"
                                                                                     << g.text << "\n---\n" << *moved.text;
  }
}

TEST(ProgramCopies, EveryGridCopyIsTheOriginalAtItsOffsetWithSafeMovesBetween) {
  for (unsigned seed = 1; seed <= 80; ++seed) {
    const Generated g = Generate(seed, true);
    const std::vector<gcode::Move> original = Moves(g.text);
    GridLayout grid;
    grid.rows = 2;
    grid.columns = 2;
    grid.dx = 40;
    grid.dy = -25;
    grid.serpentine = seed % 2;
    grid.safeZ = *CopyStartOf(g.text).highestZ + 1;
    const CopiedProgram copies = RepeatInGrid(g.text, grid);
    ASSERT_TRUE(copies.text) << copies.message << "\n" << g.text;
    const double u = g.text.find("G20") != std::string::npos ? 25.4 : 1;
    const std::vector<gcode::Move> all = Moves(*copies.text);
    ASSERT_EQ(all.size(), 4 * original.size() + 3 * 2) << *copies.text;
    const int order[2][2] = {{0, 1}, {grid.serpentine ? 1 : 0, grid.serpentine ? 0 : 1}};
    size_t at = 0;
    for (int k = 0; k < 4; ++k) {
      if (k > 0) {  // up to safe Z and across, never lower
        for (int b = 0; b < 2; ++b, ++at) EXPECT_NEAR(all[at].to[2], grid.safeZ * u, 1e-6) << seed << "\n" << *copies.text;
      }
      const gcode::Point offset{order[k / 2][k % 2] * grid.dx * u, (k / 2) * grid.dy * u, 0, 0, 0, 0};
      for (size_t i = 0; i < original.size(); ++i, ++at)
        ASSERT_TRUE(Shifted(all[at], original[i], offset)) << seed << " copy " << k << " move " << i << "\n"
                                                           << *copies.text;
    }
    // A program's end stands once, at the end: Mach3 runs every copy.
    EXPECT_EQ(copies.text->find("M30"), copies.text->rfind("M30"));
    EXPECT_EQ(copies.text->find("O0100"), copies.text->rfind("O0100"));
  }
}

TEST(ProgramCopies, ARelativeProgramRunFromItsFirstPointPassesTheOriginalsPoints) {
  for (unsigned seed = 1; seed <= 120; ++seed) {
    const Generated g = Generate(seed, false);
    const std::vector<gcode::Move> original = Moves(g.text);
    const CopiedProgram relative = MakeRelative(g.text);
    ASSERT_TRUE(relative.text) << relative.message << "\n" << g.text;
    const std::vector<gcode::Move> again = Moves(*relative.text, original.front().to);
    ASSERT_EQ(again.size(), original.size());
    for (size_t i = 1; i < again.size(); ++i)
      ASSERT_TRUE(Shifted(again[i], original[i], {})) << seed << " move " << i << "\n" << *relative.text;
    EXPECT_EQ(relative.text->find("G90.1"), std::string::npos) << "I, J made increments are read as increments";
  }
}

// The cases a machinist meets: each the program meant, or refused with its line named and nothing changed.
TEST(ProgramCopies, CamProgramsG91BlocksSafeZHeadersAndRefusals) {
  // A CAM program: %, O number, M30 once; copy 2's R arc moved with it.
  const std::string cam = "%\r\nO1000\r\nG21 G90 G17\r\nG0 X0 Y0 Z5\r\nG1 Z-1 F100\r\nG1 X70\r\nG2 X80 Y10 R10\r\n"
                          "G0 Z5\r\nM30\r\n%";
  GridLayout grid;
  grid.columns = 2;
  grid.dx = 100;
  grid.safeZ = 5;
  CopiedProgram g = RepeatInGrid(cam, grid);
  ASSERT_TRUE(g.text) << g.message;
  EXPECT_NE(g.text->find("G2 X180 Y10 R10"), std::string::npos) << *g.text;
  EXPECT_EQ(g.text->substr(g.text->size() - 8), "\r\nM30\r\n%") << *g.text;
  grid.safeZ = 4;
  g = RepeatInGrid(cam, grid);
  EXPECT_FALSE(g.text);
  EXPECT_NE(g.message.find("safe Z 4 is below the highest Z the program reaches, 5"), std::string::npos) << g.message;

  // A post's program that goes to machine Z0 before its first move, and home through G91 G28 at its end: moved,
  // every place of the part shifts and the machine-fixed Z stays.
  const std::string post = "%\r\nO1000 (PART)\r\nG90 G94 G17 G91.1\r\nG21\r\nG53 G0 Z0.\r\nT1 M6\r\nS8000 M3\r\n"
                           "G54\r\nM8\r\nG0 X0. Y0.\r\nG43 Z15. H1\r\nG1 Z-1. F300.\r\nG1 X20.\r\nG2 X30. Y10. R10.\r\n"
                           "G0 Z5.\r\nG98 G81 X10. Y10. Z-3. R2. F100.\r\nX15.\r\nG80\r\nG28 G91 Z0.\r\nG90\r\nM5\r\nM30\r\n%";
  const CopiedProgram movedPost = MoveProgram(post, 10, -5, 0);
  ASSERT_TRUE(movedPost.text) << movedPost.message;
  const std::vector<gcode::Move> postBefore = Moves(post), postAfter = Moves(*movedPost.text);
  ASSERT_EQ(postAfter.size(), postBefore.size());
  for (size_t i = 1; i < postAfter.size(); ++i)  // the first, to machine Z0, goes before anything is shifted
    EXPECT_TRUE(Shifted(postAfter[i], postBefore[i], {10, -5, 0, 0, 0, 0})) << i << "\n" << *movedPost.text;

  // A G91 program run from Z0: copy 2 cuts at Z-10 like copy 1, and crosses at safe Z, written in G91.
  const std::string inc = "G91\r\nG01 X0 Y0 Z-10 F200\r\nG01 X10 Y0 Z0";
  grid.safeZ = 5;
  grid.dx = 50;
  g = RepeatInGrid(inc, grid);
  ASSERT_TRUE(g.text) << g.message;
  EXPECT_EQ(*g.text, "G91\r\nG01 X0 Y0 Z-10 F200\r\nG01 X10 Y0 Z0\r\nG00  Z15\r\nG00  X40 Y0\r\nG91\r\n"
                     "G01 X0 Y0 Z-15 F200\r\nG01 X10 Y0 Z0");
  // The header is Kestrom's only when it is Kestrom's text: an opened file keeps its first lines.
  const std::string opened = "G00 X0 Y0 Z5\r\nG01 X0 Y0 Z-1 F100\r\nG01 X10 Y0";
  CopiedProgram m = MoveProgram(opened, 100, 0, 0);
  ASSERT_TRUE(m.text);
  EXPECT_EQ(*m.text, "G00 X100 Y0 Z5\r\nG01 X100 Y0 Z-1 F100\r\nG01 X110 Y0");
  // Inch programs: safe Z in inches, the dialog says so.
  const CopyStart inch = CopyStartOf("G20\r\nG0 X1 Z0.2\r\nG1 Z-0.1");
  EXPECT_STREQ(inch.units, "inch");
  EXPECT_EQ(*inch.highestZ, 0.2);

  // Refusals name the line and change nothing.
  for (const auto& [program, line] : std::vector<std::pair<std::string, const char*>>{
           {"G0 X0\r\nG1 X5 #1=2", "line 2"}, {"G0 X1\r\nG92 X0\r\nG1 X5", "line 2"},
           {"G1 X1\r\nM98 P100\r\nM30\r\nO100\r\nM99", "line 2"}, {"G1 X1\r\nG51 X2", "line 2"}}) {
    const CopiedProgram refused = MoveProgram(program, 1, 0, 0);
    EXPECT_FALSE(refused.text) << program;
    EXPECT_NE(refused.message.find(line), std::string::npos) << refused.message;
    EXPECT_NE(refused.message.find("nothing changed"), std::string::npos) << refused.message;
  }
  EXPECT_FALSE(MakeRelative("G0 X1\r\nG53 G0 Z0\r\nG1 X2").text);
  EXPECT_NE(MakeRelative("G0 X1\r\nG55\r\nG1 X2").message.find("line 2"), std::string::npos);

  // The grid's size is counted in 64 bits: 65536 × 65536 copies are refused before anything is made.
  grid.rows = grid.columns = 65536;
  g = RepeatInGrid(inc, grid);
  EXPECT_FALSE(g.text);
  EXPECT_NE(g.message.find("1,000,000"), std::string::npos);
  EXPECT_EQ(GridMessage(GridLayout{1, 2}, 7), "2 kopya, 1 satır × 2 sütun; 7 satır (2 copies, 1 row × 2 columns; 7 lines).");
  const OffsetResult offset = OffsetToHere(Program({"G00  X+1.0000 Y+1.0000 Z+5.0000"}), {20, 30, 5, 0, 0, 0});
  ASSERT_TRUE(offset.offset);
  EXPECT_EQ(*offset.offset, (gcode::Point{19, 29, 0, 0, 0, 0}));
  EXPECT_FALSE(OffsetToHere(kStartHeader, {}).offset);
}

}  // namespace
}  // namespace kestrom
