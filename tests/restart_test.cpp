// Restarting at a line: over generated programs in every mode, from every
// line, run from wherever the machine stands, the restart's moves from the
// line are the original's, nothing before them goes below safe Z but the last
// move down, and the modes, spindle, coolant, tool and offsets at the line
// are the original's; then what is refused, and restarts from the point of a
// line or an arc where the machine stands.
#include "toolpath/restart.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <vector>

#include "fakes/generated_programs.h"
#include "fakes/program_text.h"
#include "gcode/lines.h"

namespace kestrom {
namespace {

struct Read {
  std::vector<gcode::Block> blocks;  // each line's, until the program's end
  std::vector<gcode::Modal> after;
};
Read ReadLines(const std::string& program, const gcode::Point* machine = nullptr) {
  Read read;
  gcode::Interpreter in;
  if (machine) in.SetMachine(*machine);
  gcode::Block b;
  bool ended = false;
  gcode::ForEachLine(program, [&](std::string_view line, size_t, size_t) {
    if (ended) return false;
    EXPECT_TRUE(in.Read(line, b)) << b.Problem();
    read.blocks.push_back(b);
    read.after.push_back(in.state());
    ended = b.stop == gcode::Stop::M2 || b.stop == gcode::Stop::M30;
    return true;
  });
  return read;
}

gcode::Point MachineAt(const gcode::Point& work, const gcode::Point& origin) {
  gcode::Point p;
  for (int a = 0; a < gcode::kAxes; ++a) p[a] = work[a] + origin[a];
  return p;
}

::testing::AssertionResult SameMachinePlaces(const gcode::Block& restart, const gcode::Block& original, bool fromPoint) {
  if (restart.moves.size() != original.moves.size())
    return ::testing::AssertionFailure() << restart.moves.size() << " moves for " << original.moves.size();
  for (size_t i = 0; i < restart.moves.size(); ++i) {
    const gcode::Move& r = restart.moves[i];
    const gcode::Move& o = original.moves[i];
    const gcode::Point rt = MachineAt(r.to, r.origin), ot = MachineAt(o.to, o.origin);
    const gcode::Point rf = MachineAt(r.from, r.origin), of = MachineAt(o.from, o.origin);
    for (int a = 0; a < gcode::kAxes; ++a) {
      if (std::fabs(rt[a] - ot[a]) > 1e-4) return ::testing::AssertionFailure() << "move " << i << " ends elsewhere";
      // A move from where the machine happened to stand starts where it stands now.
      if (!(fromPoint && i == 0) && !o.unknownFrom && std::fabs(rf[a] - of[a]) > 1e-4)
        return ::testing::AssertionFailure() << "move " << i << " starts elsewhere";
    }
    if (r.kind != o.kind) return ::testing::AssertionFailure() << "move " << i << " of another kind";
  }
  return ::testing::AssertionSuccess();
}

TEST(Restart, FromEveryLineTheRestIsTheOriginalsAndTheMachineIsAsTheProgramLeftIt) {
  std::mt19937 random(7);
  std::map<std::string, int> refusals;
  int restarts = 0;
  for (unsigned seed = 1; seed <= 40; ++seed) {
    const testing::Generated g = testing::Generate(seed, seed % 2 == 0, true);
    const Read original = ReadLines(g.text);
    double highest = -1e300;
    for (const gcode::Block& b : original.blocks)
      for (const gcode::Move& m : b.moves) highest = std::max({highest, m.from[2], m.to[2]});
    for (size_t n = 0; n < original.blocks.size(); ++n) {
      RestartRequest r;
      r.line = n;
      const double unit = gcode::MillimetresPerUnit(n ? original.after[n - 1] : gcode::Modal{});
      r.safeZ = highest / unit + 1;
      r.plungeFeed = 100;
      r.toolChange = true;
      const Restart restart = RestartProgram(g.text, r);
      if (!restart.text) {
        // Only what a restart cannot bring back is refused.
        EXPECT_TRUE(restart.message.find("under G91") != std::string::npos ||
                    restart.message.find("program ends") != std::string::npos)
            << "line " << n + 1 << ": " << restart.message << "\n" << g.text;
        ++refusals[restart.message.substr(restart.message.find('('))];
        continue;
      }
      ++restarts;
      // Run from anywhere: the machine stands where it was left, somewhere else.
      const gcode::Point somewhere{std::uniform_real_distribution<double>(-100, 100)(random), 3, -20, 0, 0, 0};
      const Read re = ReadLines(*restart.text, &somewhere);
      const size_t preamble = re.blocks.size() - (original.blocks.size() - n);
      ASSERT_LT(preamble, re.blocks.size()) << *restart.text;
      const gcode::Point start = n ? original.blocks[n - 1].end : gcode::Point{};
      const unsigned char unknown = n ? original.blocks[n - 1].unknown : 0x3F;
      bool onMachine = false;  // at a height fixed on the machine, where the program itself stood
      for (size_t k = 0; k < preamble; ++k)
        for (const gcode::Move& m : re.blocks[k].moves) {
          onMachine = (m.machineFrame && m.Fixed(2)) || (onMachine && m.to[2] == m.from[2]);
          if (onMachine) continue;
          const bool down = std::fabs(m.from[0] - m.to[0]) < 1e-9 && std::fabs(m.from[1] - m.to[1]) < 1e-9 &&
                            std::fabs(m.to[0] - start[0]) < 1e-4 && std::fabs(m.to[1] - start[1]) < 1e-4;
          const double low = (m.unknownFrom & 4) ? m.to[2] : std::min(m.from[2], m.to[2]);
          const bool up = std::fabs(m.from[0] - m.to[0]) < 1e-9 && std::fabs(m.from[1] - m.to[1]) < 1e-9 &&
                          m.to[2] >= r.safeZ * unit - 1e-6;  // straight up from where the machine stands
          EXPECT_TRUE((down && !(unknown & 3)) || up || low >= r.safeZ * unit - 1e-6)
              << "below safe Z before line " << n + 1 << "\n" << *restart.text;
        }
      for (size_t k = preamble; k < re.blocks.size(); ++k)
        ASSERT_TRUE(SameMachinePlaces(re.blocks[k], original.blocks[n + k - preamble], false))
            << "line " << n + k - preamble + 1 << " of a restart at " << n + 1 << "\n"
            << g.text << "\n---\n" << *restart.text;
      // As the original left the machine after the first line from there that moves: modes, spindle, coolant,
      // tool, offsets (the motion in force shows in the moves, above).
      size_t moving = n;
      while (moving + 1 < original.blocks.size() && original.blocks[moving].moves.empty()) ++moving;
      const gcode::Modal& want = original.after[moving];
      const gcode::Modal& got = re.after[preamble + moving - n];
      const std::string where = "after line " + std::to_string(moving + 1) + " of a restart at " + std::to_string(n + 1) +
                                ", seed " + std::to_string(seed);
      EXPECT_EQ(got.inches, want.inches) << where;
      EXPECT_EQ(got.plane, want.plane) << where;
      EXPECT_EQ(got.incremental, want.incremental) << where;
      EXPECT_EQ(got.arcIncremental, want.arcIncremental) << where;
      EXPECT_EQ(got.feedMode, want.feedMode) << where;
      if (want.feed) EXPECT_EQ(got.feed, want.feed) << where;
      EXPECT_EQ(got.cycle, want.cycle) << where;
      EXPECT_EQ(got.cycleZ, want.cycleZ) << where;
      EXPECT_EQ(got.cycleR, want.cycleR) << where;
      EXPECT_EQ(got.returnToR, want.returnToR) << where;
      EXPECT_EQ(got.spindle, want.spindle) << where;
      EXPECT_EQ(got.speed, want.speed) << where;
      EXPECT_EQ(got.mist, want.mist) << where;
      EXPECT_EQ(got.flood, want.flood) << where;
      EXPECT_EQ(got.tool, want.tool) << where;
      EXPECT_EQ(got.lengthOffset, want.lengthOffset) << where;
      EXPECT_EQ(got.workOffset, want.workOffset) << where << "\n" << g.text << "\n---\n" << *restart.text;
    }
  }
  EXPECT_GT(restarts, 800);
  for (const auto& [why, count] : refusals) std::printf("refused %d times: %s\n", count, why.c_str());
}

TEST(Restart, WhatIsRefusedAndFromWhereTheMachineStands) {
  auto program = [](std::initializer_list<const char*> lines) { return testing::ProgramOf(lines); };
  auto refused = [](const std::string& text, size_t line, const char* says) {
    RestartRequest r;
    r.line = line;
    r.safeZ = 10;
    r.plungeFeed = 100;
    const Restart restart = RestartProgram(text, r);
    EXPECT_FALSE(restart.text) << *restart.text;
    EXPECT_NE(restart.message.find(says), std::string::npos) << restart.message;
  };
  // Header lines are 0 to 2; the program's own from 3.
  refused(program({"G0 X0 Y0 Z5", "G41 D1 G1 X10 F100", "G1 Y10"}), 5, "line 6: cutter compensation (G41/G42) is in force");
  refused(program({"G0 X0 Y0 Z5", "G92 X0 Y0", "G1 X10 F100"}), 5, "a G92 shift is in force");
  refused(program({"G0 X0 Y0 Z5", "M98 P100", "G1 X10 F100", "M30", "O100", "M99"}), 5, "line 5: it calls a subprogram");
  refused(program({"G0 X0 Y0 Z5", "M30", "G1 X10 F100"}), 5, "the program ends on line 5; this line never runs");
  refused(program({"G0 X0 Y0 Z5", "G51 X2", "G1 X10 F100"}), 5, "line 5: cannot be read, G51");
  refused(program({"G0 X0 Y0 Z20", "G1 Z-1 F100", "G1 X10"}), 5, "safe Z 10 is below the highest Z the program reaches, 20");
  refused(program({"G0 X0 Y0 Z5", "G91 G99 G81 X5 Z-3 R-4 F50", "X5", "G80"}), 5, "inside a run of holes under G91");

  // A long cut broken half way: from where the machine stands on it, not from its start; in G91 its
  // increment is taken from there. The spindle turns, and waits, before the tool comes down.
  for (const bool incremental : {false, true}) {
    const std::string cut = program({"G0 X0 Y0 Z5", "S12000 M3", "G1 Z-1 F100", incremental ? "G91 G1 X100 F300" : "G1 X100 F300",
                                     "G90 G0 Z5", "M30"});
    RestartRequest r;
    r.line = 6;
    r.safeZ = 5;
    r.plungeFeed = 50;
    r.spindleWait = 2;
    r.from = gcode::Point{40, 0.01, -1, 0, 0, 0};
    EXPECT_TRUE(OnLinePath(cut, 6, *r.from));
    EXPECT_FALSE(OnLinePath(cut, 6, {40, 0.2, -1, 0, 0, 0})) << "0.2 mm off the path";
    const Restart restart = RestartProgram(cut, r);
    ASSERT_TRUE(restart.text) << restart.message;
    const std::string& t = *restart.text;
    EXPECT_NE(t.find("G00 Z5\r\nS12000 M3\r\nG4 P2\r\nG00 X40"), std::string::npos) << t;
    EXPECT_NE(t.find("G01 Z-1 F50\r\nF100\r\n"), std::string::npos) << t;
    EXPECT_NE(t.find(incremental ? "\r\nG91 G1 X60 F300\r\n" : "\r\nG1 X100 F300\r\n"), std::string::npos) << t;
  }
  // On an arc: the rest of the arc keeps its centre; its I and J are taken from where the machine stands.
  const std::string arc = program({"G0 X0 Y0 Z5", "G1 Z-1 F100", "G2 X20 Y0 I10 J0 F200", "G0 Z5", "M30"});
  RestartRequest r;
  r.line = 5;
  r.safeZ = 5;
  r.plungeFeed = 50;
  r.from = gcode::Point{10, 10, -1, 0, 0, 0};
  const Restart rest = RestartProgram(arc, r);
  ASSERT_TRUE(rest.text) << rest.message;
  EXPECT_NE(rest.text->find("\r\nG2 X20 Y0 I0 J-10 F200\r\n"), std::string::npos) << *rest.text;
  // Its first line names the original in ASCII, which any code page can write.
  r.original = "bağ(lantı).nc";
  r.from.reset();
  EXPECT_EQ(RestartProgram(arc, r).text->rfind("(Kestrom: ba?lant?.nc, restart at line 6 of ", 0), 0u);
  // A program that names no speed runs at Mach3's: the spindle comes on with M3 alone, never S0.
  const std::string noSpeed = program({"M3", "G0 X0 Y0 Z5", "G1 Z-1 F100", "G1 X5", "M30"});
  r.line = 6;
  const Restart plain = RestartProgram(noSpeed, r);
  ASSERT_TRUE(plain.text) << plain.message;
  EXPECT_NE(plain.text->find("\r\nM3\r\nG4 P3\r\n"), std::string::npos) << *plain.text;
  EXPECT_EQ(plain.text->find("S0"), std::string::npos) << *plain.text;

  // The state in words, for the operator to check.
  const std::string state = program({"G20", "T3 M6", "G43 H3", "G55", "S9000 M3", "M8", "G0 X0 Y0 Z1", "G1 Z-0.1 F20",
                                     "G1 X2", "M30"});
  const LineState at = StateAtLine(state, 11);
  ASSERT_TRUE(at.ok()) << at.refusal;
  EXPECT_EQ(Describe(at), "Takım T3, iş mili S9000 saat yönünde (M3), soğutma M8, inç, G55, G43 H3 (tool T3, spindle "
                          "S9000 clockwise (M3), coolant M8, inch, G55, G43 H3)");
}

TEST(Restart, BeforeTheLengthOffsetACamProgramGoesWhereItStoodOnTheMachineNotToAWorkZ) {
  // Between G53 G0 Z0 and G43 a work Z without the tool's length would put the tip that far lower;
  // before its first Z the program stood wherever the machine was, and goes across there.
  auto lines = [](std::initializer_list<const char*> l) {
    std::string text;
    for (const char* line : l) text += std::string(line) + "\r\n";
    return text;
  };
  const std::string cam = lines({"G90 G94 G17 G91.1", "G21", "G53 G0 Z0.", "T1 M6", "S8000 M3", "G54",
                                              "M8", "G0 X0. Y0.", "G43 Z15. H1", "G0 Z5.", "G1 Z-1. F300.",
                                              "G1 X40.", "G0 Z15.", "M30"});
  const std::string fanuc = lines({"G0 G17 G40 G49 G80 G90", "T1 M6", "G0 G90 G54 X-20. Y-20. S3000 M3",
                                                "G43 H1 Z50. M8", "Z5.", "G1 Z-2. F200.", "X80. F500.", "M30"});
  RestartRequest r;
  r.safeZ = 20;
  r.plungeFeed = 100;
  r.toolChange = true;
  for (size_t line = 2; line <= 8; ++line) {
    r.line = line;
    const Restart rest = RestartProgram(cam, r);
    ASSERT_TRUE(rest.text) << "line " << line + 1 << ": " << rest.message;
    const size_t g43 = rest.text->find("G43 Z15. H1");
    ASSERT_NE(g43, std::string::npos) << *rest.text;
    EXPECT_EQ(rest.text->find("\r\nG00 Z"), std::string::npos) << *rest.text;
    EXPECT_EQ(rest.text->find("\r\nG01 Z"), std::string::npos) << *rest.text;
    if (line > 2) EXPECT_LT(rest.text->find("G53 G00 Z0"), rest.text->find("T1 M6")) << *rest.text;
  }
  r.line = 3;  // G43 H1 Z50., after a move across from wherever Z stood
  const Restart atLength = RestartProgram(fanuc, r);
  ASSERT_TRUE(atLength.text) << atLength.message;
  EXPECT_NE(atLength.text->find("\r\nG4 P3\r\nG00 X-20 Y-20\r\nG43 H1 Z50. M8\r\n"), std::string::npos)
      << *atLength.text;
  EXPECT_EQ(atLength.text->find("\r\nG00 Z"), std::string::npos) << *atLength.text;
}

}  // namespace
}  // namespace kestrom
