// The teach-in's own lines: arcs through three taught points, read back as an
// interpreter reads them, and the edits at the caret's line with their refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string_view>

#include "teach/arc_line.h"
#include "teach/interpreted_program.h"
#include "teach/line_edits.h"
#include "teach/teach_program.h"
#include "fakes/program_text.h"
#include "fakes/form_fixture.h"

namespace kestrom {
namespace {

constexpr TickedAxes kXYZ = {true, true, true, false, false, false};

Readouts At(double x, double y, double z = 0, const char* format = "%+.4f") {
  Readouts r;
  const double v[6] = {x, y, z, 0, 0, 0};
  for (int a = 0; a < 6; ++a) {
    char text[32];
    std::snprintf(text, sizeof text, format, v[a]);
    r[a] = text;
  }
  return r;
}

gcode::Point Pt(const Readouts& r) {
  gcode::Point p{};
  for (int a = 0; a < 6; ++a) gcode::ReadNumber(r[a], p[a]);
  return p;
}

// The arc as an interpreter reads it back: the end, both radii, and how near it
// passes the via point (at the via's angle, the radius going evenly from start to end).
struct ReadBack {
  gcode::Motion motion;
  gcode::Point end, centre;
  double radii, offVia;
};

ReadBack Read(const gcode::Point& start, const std::string& body, const gcode::Point& via) {
  gcode::Interpreter reader;
  reader.SetMachine(start);
  gcode::Block line;
  EXPECT_TRUE(reader.Read(body, line)) << body << ": " << line.Problem();
  EXPECT_EQ(line.moves.size(), 1u) << body;
  if (line.moves.empty()) return {};
  ReadBack r{reader.state().motion, line.moves[0].to, line.moves[0].centre, 0, 0};
  const double r0 = std::hypot(start[0] - r.centre[0], start[1] - r.centre[1]);
  const double r1 = std::hypot(r.end[0] - r.centre[0], r.end[1] - r.centre[1]);
  r.radii = std::fabs(r0 - r1);
  const auto shape = gcode::ShapeOf(start, r.end, r.centre, gcode::Plane::XY, r.motion == gcode::Motion::ArcCw);
  double best = 1e9;
  for (int i = 0; i <= 20000; ++i) {
    const auto p = gcode::PointOnArc(start, r.end, r.centre, gcode::Plane::XY, shape, i / 20000.0);
    best = std::min(best, std::hypot(p[0] - via[0], p[1] - via[1]));
  }
  r.offVia = best;
  return r;
}

TEST(ArcThroughPoints, BothDirectionsPastHalfATurnTinyAndHugeRadiiWithinTheirLimits) {
  struct Case { gcode::Point start; Readouts via, end; gcode::Motion motion; };
  const double s = std::sqrt(0.5);
  const std::vector<Case> cases = {
      {{10, 0, 0}, At(0, 10), At(-10, 0), gcode::Motion::ArcCcw},                // half a turn, counter-clockwise
      {{10, 0, 0}, At(0, -10), At(-10, 0), gcode::Motion::ArcCw},                // and clockwise
      {{10, 0, 0}, At(-10, 0), At(10 * s, -10 * s), gcode::Motion::ArcCcw},      // three quarters and more
      {{0.0013, 0, 0}, At(0, 0.0013), At(-0.0013, 0), gcode::Motion::ArcCcw},   // a radius of 1.3 µm... of the grid
      {{0, 0, -2}, At(4999.5, 4999.5, -2), At(9999, 0, -2), gcode::Motion::ArcCw},  // 10 m across
      {{1.2345, 6.789, 0}, At(3.3331, 7.1717), At(4.9999, 5.0001), gcode::Motion::ArcCw}};
  for (const Case& c : cases) {
    const ArcLine arc = ArcThroughPoints(c.start, c.via, c.end, kXYZ, std::string("200"));
    ASSERT_TRUE(arc.body) << arc.refusal;
    const ReadBack back = Read(c.start, *arc.body, Pt(c.via));
    EXPECT_EQ(back.motion, c.motion) << *arc.body;
    EXPECT_EQ(back.end, Pt(c.end)) << *arc.body;  // the end's readouts, exactly
    EXPECT_LE(back.radii, kArcRadiiAgree) << *arc.body;
    EXPECT_LE(back.offVia, kArcPassesVia) << *arc.body;
    EXPECT_EQ(arc.body->rfind(c.motion == gcode::Motion::ArcCw ? "G02 G91.1  X" : "G03 G91.1  X", 0), 0u) << *arc.body;
    EXPECT_EQ(arc.body->substr(arc.body->size() - 5), " F200");
  }
  const ArcLine half = ArcThroughPoints({10, 0, 0}, At(0, 10), At(-10, 0), kXYZ, std::nullopt);
  EXPECT_EQ(*half.body, "G03 G91.1  X-10.0000 Y+0.0000 Z+0.0000 I-10.0000 J+0.0000");
}

// Readouts of one decimal: the centre rounded to it alone would leave radii
// 0.05 mm apart; more places are written where the readouts' are not enough.
TEST(ArcThroughPoints, TheCentreIsRoundedSoThatTheRadiiStillAgree) {
  const gcode::Point start{0, 0, 0};
  const Readouts via = At(3.1, 4.7, 0, "%+.1f"), end = At(7.3, 1.9, 0, "%+.1f");
  const ArcLine arc = ArcThroughPoints(start, via, end, kXYZ, std::nullopt);
  ASSERT_TRUE(arc.body) << arc.refusal;
  const ReadBack back = Read(start, *arc.body, Pt(via));
  EXPECT_LE(back.radii, kArcRadiiAgree) << *arc.body;
  EXPECT_LE(back.offVia, kArcPassesVia) << *arc.body;
  EXPECT_NE(arc.body->find(" X+7.3 Y+1.9 Z+0.0 I"), std::string::npos) << *arc.body;
}

TEST(ArcThroughPoints, EveryRefusalWritesNothing) {
  const gcode::Point start{0, 0, 0};
  auto refusal = [&](const Readouts& via, const Readouts& end, TickedAxes ticked = kXYZ) {
    const ArcLine arc = ArcThroughPoints(start, via, end, ticked, std::nullopt);
    EXPECT_FALSE(arc.body) << *arc.body;
    return arc.refusal;
  };
  EXPECT_NE(refusal(At(0.0005, 0), At(1, 1)).find("two of the arc's three points"), std::string::npos);
  EXPECT_NE(refusal(At(1, 1), At(1.0004, 1.0004)).find("two of the arc's"), std::string::npos);
  EXPECT_NE(refusal(At(1, 1), At(2, 2)).find("one line"), std::string::npos);
  EXPECT_NE(refusal(At(1, 0.000001), At(20000, 0)).find("one line"), std::string::npos);  // a radius of kilometres
  EXPECT_NE(refusal(At(1, 1, 0.002), At(2, 0)).find("Z differs"), std::string::npos);
  Readouts turned = At(2, 0);
  turned[3] = "+1.0000";
  EXPECT_NE(refusal(At(1, 1), turned, {true, true, true, true, false, false}).find("A differs"), std::string::npos);
  EXPECT_TRUE(ArcThroughPoints(start, At(1, 1), turned, kXYZ, std::nullopt).body);  // an unticked A is not written
  EXPECT_NE(refusal(At(1, 1), At(2, 0), {true, false, true, false, false, false}).find("X and Y"), std::string::npos);
  Readouts blank = At(2, 0);
  blank[1] = "";
  EXPECT_NE(refusal(At(1, 1), blank).find("no number"), std::string::npos);
}

std::string Program(std::initializer_list<const char*> lines) { return testing::ProgramOf(lines); }

size_t CaretOn(const std::string& program, const std::string& line) { return program.find(line) + 1; }

std::vector<gcode::Point> Ends(const std::string& program);

TEST(LineEdits, ReteachInsertAndDeleteAtTheCaretAndEveryRefusalAroundArcs) {
  const char* const arc = "G02 G91.1  X+10.0000 Y+0.0000 Z+0.0000 I+5.0000 J+0.0000 F200";
  const std::string p = Program({"G00  X+0.0000 Y+0.0000 Z+5.0000", "M3", "G01  X+1.0000 Y+2.0000 F200 (side)",
                                 "G01  X+0.0000 Y+0.0000 F200", "M1", arc, "X+20 Y0 I+5 J0", "M5"});
  const Readouts here = At(7.5, -1.25, 3);

  LineEdit e = ReteachLine(p, CaretOn(p, "G01  X+1"), here);
  ASSERT_TRUE(e.made()) << e.refusal;
  EXPECT_EQ(Applied(p, e), Program({"G00  X+0.0000 Y+0.0000 Z+5.0000", "M3", "G01  X+7.5000 Y-1.2500 F200 (side)",
                                    "G01  X+0.0000 Y+0.0000 F200", "M1", arc, "X+20 Y0 I+5 J0", "M5"}));
  EXPECT_EQ(e.caret, p.find("G01  X+1"));
  // The rapid taught lower: the next line, which left Z out, gets its Z so that it stays where it was.
  e = ReteachLine(p, CaretOn(p, "G00"), here);
  EXPECT_EQ(Applied(p, e).rfind(
                Program({"G00  X+7.5000 Y-1.2500 Z+3.0000", "M3", "G01  X+1.0000 Y+2.0000 Z+5.0000 F200 (side)"}), 0),
            0u) << Applied(p, e);

  e = InsertLineAfter(p, CaretOn(p, "M3"), "G01  X+9.0000 F200");
  ASSERT_TRUE(e.made());
  EXPECT_EQ(Applied(p, e).substr(p.find("\r\nM3"), 32), "\r\nM3\r\nG01  X+9.0000 F200\r\nG01  X");
  EXPECT_EQ(Applied(p, e).compare(e.caret, 7, "G01  X+"), 0);
  e = InsertLineAfter(p, 1, "G00  X+1.0000");  // on the header: first in the program
  EXPECT_EQ(Applied(p, e).substr(0, std::string(kStartHeader).size() + 15),
            std::string(kStartHeader) + "\r\nG00  X+1.0000");

  e = DeleteLine(p, CaretOn(p, "M3"));
  ASSERT_TRUE(e.made());
  EXPECT_EQ(Applied(p, e), Program({"G00  X+0.0000 Y+0.0000 Z+5.0000", "G01  X+1.0000 Y+2.0000 F200 (side)",
                                    "G01  X+0.0000 Y+0.0000 F200", "M1", arc, "X+20 Y0 I+5 J0", "M5"}));
  EXPECT_EQ(Applied(p, e).compare(e.caret, 8, "G01  X+1"), 0);
  e = DeleteLine(p, CaretOn(p, "M1"));  // an M code before an arc moves nothing
  EXPECT_TRUE(e.made());

  // The arc's start is the end of the move before it, M1 between or not; the refusal names the arc's line.
  for (const std::string& refusal :
       {ReteachLine(p, CaretOn(p, "G01  X+0"), here).refusal, InsertLineAfter(p, CaretOn(p, "G01  X+0"), "G01  X+9").refusal,
        InsertLineAfter(p, CaretOn(p, "M1"), "G01  X+9").refusal, DeleteLine(p, CaretOn(p, "G01  X+0")).refusal})
    EXPECT_EQ(refusal, ArcWouldMove(9));
  EXPECT_EQ(DeleteLine(p, CaretOn(p, "G02")).refusal, ArcWouldMove(10));  // "X+20 Y0" is an arc too (G02 is modal)
  EXPECT_EQ(ReteachLine(p, CaretOn(p, "G02"), here).refusal, kOnlyStraightLinesReteach);
  EXPECT_EQ(ReteachLine(p, CaretOn(p, "M5"), here).refusal, kOnlyStraightLinesReteach);
  EXPECT_TRUE(DeleteLine(p, CaretOn(p, "X+20")).made());  // the last arc: nothing starts from its end
  for (size_t onHeader : {size_t(0), p.find("G21") + 3}) {
    EXPECT_EQ(ReteachLine(p, onHeader, here).refusal, kHeaderNeverChanges);
    EXPECT_EQ(DeleteLine(p, onHeader).refusal, kHeaderNeverChanges);
  }
  // A box of one line (an opened one-line file) takes an insert; a line it cannot read refuses every edit.
  e = InsertLineAfter("G0 X1", 0, "G01  X+2.0000");
  ASSERT_TRUE(e.made()) << e.refusal;
  EXPECT_EQ(Applied("G0 X1", e), "G0 X1\r\nG01  X+2.0000");
  EXPECT_TRUE(InsertLineAfter("", 0, "G01  X+2.0000").made());
  EXPECT_NE(DeleteLine("G0 X1\r\nG1 X#2", 0).refusal.find("line 2"), std::string::npos);
  // Deleting a G90.1 line: every later arc keeps its centre, its I and J now from its start,
  // however far the rewriting reaches (past the lines read around the caret at first).
  std::string circles = "G0 X1 Y0\r\nG90.1";
  for (int i = 0; i < 100; ++i) circles += "\r\nG2 I5 J" + std::to_string(i % 3);
  e = DeleteLine(circles, circles.find("G90.1"));
  ASSERT_TRUE(e.made()) << e.refusal;
  const std::vector<gcode::Point> before = Ends(circles), after = Ends(Applied(circles, e));
  EXPECT_EQ(after, before);
  EXPECT_NE(Applied(circles, e).rfind("G2 I4 J2"), std::string::npos) << Applied(circles, e);
}

// Every move as the interpreter reads the program.
std::vector<gcode::Point> Ends(const std::string& program) {
  std::vector<gcode::Point> ends;
  gcode::Interpreter in;
  gcode::Block b;
  size_t from = 0;
  for (;;) {
    const size_t end = program.find("\r\n", from);
    EXPECT_TRUE(in.Read(std::string_view(program).substr(from, end - from), b)) << b.Problem() << "\n" << program;
    for (const gcode::Move& m : b.moves) ends.push_back(m.to);
    if (end == std::string::npos) break;
    from = end + 2;
  }
  return ends;
}

// Over generated programs of G90 and G91 blocks, lines that leave axes out and arcs:
// each edit moves the named point only, or is refused naming an arc.
TEST(LineEdits, EachEditChangesExactlyTheNamedPointInG90AndG91Blocks) {
  std::mt19937 rng(7);
  auto coin = [&] { return rng() % 2 == 0; };
  auto n = [&] { return static_cast<int>(rng() % 41) - 20; };
  int refusedForArcs = 0, made = 0;
  for (int round = 0; round < 300; ++round) {
    std::vector<std::string> lines = {"G0 X0 Y0 Z5"};
    bool incremental = false;
    for (int i = 0; i < 8; ++i) {
      if (coin() && i % 3 == 0) {
        incremental = !incremental;
        lines.push_back(incremental ? "G91" : "G90");
      }
      if (rng() % 5 == 0) {  // a quarter circle of radius 5 from where it stands
        lines.push_back(incremental ? "G3 X-5 Y5 I-5 J0" : "G91 G3 X-5 Y5 I-5 J0");
        if (!incremental) lines.push_back("G90");
        continue;
      }
      std::string l = "G1";
      if (coin()) l += " X" + std::to_string(n());
      if (coin()) l += " Y" + std::to_string(n());
      if (l == "G1") l += " Z" + std::to_string(n());
      lines.push_back(l + " F100");
    }
    std::string program = "G21";
    for (const std::string& l : lines) program += "\r\n" + l;
    const std::vector<gcode::Point> before = Ends(program);
    std::vector<size_t> starts = {0};
    for (size_t at = program.find("\r\n"); at != std::string::npos; at = program.find("\r\n", at + 2))
      starts.push_back(at + 2);
    const size_t line = 1 + rng() % (starts.size() - 1);
    const size_t caret = starts[line];
    const Readouts here = At(n(), n(), n(), "%+.3f");
    const int kind = static_cast<int>(rng() % 3);
    const LineEdit e = kind == 0 ? ReteachLine(program, caret, here)
                       : kind == 1 ? InsertLineAfter(program, caret, "G01  X" + here[0] + " Y" + here[1])
                                   : DeleteLine(program, caret);
    if (!e.made()) {
      const bool arc = e.refusal.find("start of the arc") != std::string::npos;
      const bool notStraight = e.refusal == kOnlyStraightLinesReteach;
      EXPECT_TRUE(arc || notStraight) << e.refusal;
      refusedForArcs += arc;
      continue;
    }
    ++made;
    const std::string after = Applied(program, e);
    std::vector<gcode::Point> want = before, got = Ends(after);
    // Which move the edited line made: count the moves before it.
    const std::string head = program.substr(0, starts[line]);
    const size_t movesBefore = Ends(head.empty() ? "" : head.substr(0, head.size() - 2)).size();
    const size_t lineEnd = line + 1 < starts.size() ? starts[line + 1] - 2 : program.size();
    const std::string_view edited = std::string_view(program).substr(starts[line], lineEnd - starts[line]);
    const bool moves = Ends(program.substr(0, lineEnd)).size() > movesBefore;
    // An inserted point keeps the Z of where the line before it ends.
    const size_t upTo = movesBefore + (moves ? 1 : 0);
    gcode::Point point = upTo ? before[upTo - 1] : gcode::Point{};
    for (int a = 0; a < 2; ++a) point[a] = std::stod(here[static_cast<size_t>(a)]);
    if (kind == 1) {
      want.insert(want.begin() + static_cast<long>(movesBefore + (moves ? 1 : 0)), point);
    } else if (kind == 2) {
      if (moves) want.erase(want.begin() + static_cast<long>(movesBefore));
    } else {
      gcode::Point& p = want[movesBefore];
      for (const gcode::Word& w : gcode::WordsOf(edited))
        if (w.letter >= 'X' && w.letter <= 'Z') p[w.letter - 'X'] = std::stod(here[static_cast<size_t>(w.letter - 'X')]);
    }
    ASSERT_EQ(got.size(), want.size()) << program << "\n---\n" << after;
    for (size_t i = 0; i < got.size(); ++i)
      for (int a = 0; a < 3; ++a)
        ASSERT_NEAR(got[i][a], want[i][a], 1e-6) << "move " << i << "\n" << program << "\n---\n" << after;
  }
  EXPECT_GT(made, 150);
  EXPECT_GT(refusedForArcs, 5);
}

// The commands through the form: each takes its point from the readouts, goes
// through the journal, and says why when it writes nothing.
struct TeachIn : testing::FormFixture {
  void SetUp() override { form.Load(); }
  void At(const char* x, const char* y, const char* z = "+0.0000") {
    dro[0] = x;
    dro[1] = y;
    dro[2] = z;
  }
};

TEST_F(TeachIn, RapidArcAndEditsFromTheReadoutsWithBringBack) {
  form.OnCommand(FormCommand::ArcEndPoint);
  EXPECT_EQ(controls.messages.back(), kNoViaPoint);
  form.OnCommand(FormCommand::ArcViaPoint);
  form.OnCommand(FormCommand::ArcEndPoint);
  EXPECT_EQ(controls.messages.back(), kNoArcStart);  // the header alone: nowhere to start from
  At("+10.0000", "+0.0000", "+5.0000");
  form.OnCommand(FormCommand::RecordRapidPoint);
  At("+10.0000", "+0.0000");
  form.OnCommand(FormCommand::RecordPoint);
  At("+0.0000", "+10.0000");
  form.OnCommand(FormCommand::ArcViaPoint);
  At("-10.0000", "+0.0000");
  form.OnCommand(FormCommand::ArcEndPoint);
  const std::string taught = std::string(kStartHeader) + "\r\nG00  X+10.0000 Y+0.0000 Z+5.0000" +
                             "\r\nG01  X+10.0000 Y+0.0000 Z+0.0000 F200" +
                             "\r\nG03 G91.1  X-10.0000 Y+0.0000 Z+0.0000 I-10.0000 J+0.0000 F200";
  EXPECT_EQ(Program(), taught);
  form.OnCommand(FormCommand::ArcEndPoint);  // the via point went with the arc
  EXPECT_EQ(controls.messages.back(), kNoViaPoint);

  // The caret on the G01 line: taught again, refused (an arc starts there).
  controls.caret[ControlId::Text2] = taught.find("G01") + 3;
  At("+12.0000", "+0.0000");
  const size_t messages = controls.messages.size();
  form.OnCommand(FormCommand::ReteachLine);
  EXPECT_EQ(controls.messages.back(), ArcWouldMove(6));
  EXPECT_EQ(controls.messages.size(), messages + 1);
  // On the rapid: taught again; the journal keeps what it was.
  controls.caret[ControlId::Text2] = taught.find("G00") + 3;
  form.OnCommand(FormCommand::ReteachLine);
  const std::string reteached = std::string(kStartHeader) + "\r\nG00  X+12.0000 Y+0.0000 Z+0.0000" +
                                taught.substr(taught.find("\r\nG01"));
  EXPECT_EQ(Program(), reteached);
  EXPECT_EQ(form.journal().state().text, reteached);
  form.OnCommand(FormCommand::DeleteLine);
  EXPECT_EQ(Program(), std::string(kStartHeader) + taught.substr(taught.find("\r\nG01")));
  form.OnCommand(FormCommand::BringBack);
  EXPECT_EQ(Program(), reteached);

  // Mach3 not answering: nothing written, and the operator told.
  automation.failingMembers["GetDROString"] = {1, "gone"};
  for (FormCommand c : {FormCommand::RecordRapidPoint, FormCommand::ArcViaPoint, FormCommand::InsertPoint})
    form.OnCommand(c);
  EXPECT_EQ(controls.messages.back(), kPointNotRecorded);
  EXPECT_EQ(Program(), reteached);
}

// No command can end Kestrom: one that throws says so, naming itself, and the
// program box and its journal are as they were.
TEST_F(TeachIn, ACommandThatThrowsSaysSoAndLeavesTheProgramAsItWas) {
  At("+1.0000", "+2.0000");
  form.OnCommand(FormCommand::RecordPoint);
  const std::string before = Program();
  const std::string journal = form.journal().state().text;
  int throwOn = 1;
  controls.onText = [&](ControlId id) {
    if (id == ControlId::Text2 && --throwOn == 0) throw std::bad_alloc();
  };
  form.OnCommand(FormCommand::MakeRelative);
  EXPECT_EQ(controls.messages.back(), CommandFailedMessage("Göreli Yap (Make relative)", "bellek yetmedi (out of memory)"));
  throwOn = 1;
  controls.onText = [&](ControlId id) {
    if (id == ControlId::Text2 && --throwOn == 0) throw std::runtime_error("disk gone");
  };
  form.OnClick(ControlId::Command4);  // KAYDET
  EXPECT_NE(controls.messages.back().find("disk gone"), std::string::npos) << controls.messages.back();
  controls.onText = nullptr;
  EXPECT_EQ(Program(), before);
  EXPECT_EQ(form.journal().state().text, journal);
}

// Points and arcs taught onto a program that is not in G90 G21 G17: each
// written in the modes in force at the program's end.
TEST_F(TeachIn, PointsAndArcsAreWrittenInTheModesAtTheProgramsEnd) {
  auto taught = [&](const std::string& program, FormCommand command) {
    controls.texts[ControlId::Text2] = program;
    form.OnCommand(command);
    return Program().substr(program.size());
  };
  // G91: a point is an increment from where the program stands.
  At("+5.0000", "+3.0000", "+1.0000");
  EXPECT_EQ(taught("G91\r\nG01 X2 Y1 F100", FormCommand::RecordPoint), "\r\nG01  X+3.0000 Y+2.0000 Z+1.0000 F200");
  EXPECT_EQ(taught("G91\r\nG01 X2 Y1 F100", FormCommand::RecordRapidPoint), "\r\nG00  X+3.0000 Y+2.0000 Z+1.0000");
  // An arc after G18, in G91, in inches: G17 said on the line, the end an increment, I and J in inches.
  At("+1.0000", "+1.0000");
  form.OnCommand(FormCommand::ArcViaPoint);
  At("+2.0000", "+0.0000");
  const std::string arc = taught("G20 G18 G91\r\nG01 X0 Y0 Z0 F10", FormCommand::ArcEndPoint);
  EXPECT_EQ(arc, "\r\nG02 G17 G91.1  X+2.0000 Y+0.0000 Z+0.0000 I+1.0000 J+0.0000 F200") << controls.messages.back();
  // Z not ticked: the arc keeps the program's Z, whatever the readout says.
  controls.values[ControlId::Check4] = 0;
  At("+1.0000", "+1.0000", "-2.0000");
  form.OnCommand(FormCommand::ArcViaPoint);
  At("+2.0000", "+0.0000", "-2.0000");
  EXPECT_EQ(taught("G01 X0 Y0 Z5 F100", FormCommand::ArcEndPoint), "\r\nG02 G91.1  X+2.0000 Y+0.0000 I+1.0000 J+0.0000 F200");
  // A program that cannot be read takes no arc: where it ends is not known.
  form.OnCommand(FormCommand::ArcViaPoint);
  EXPECT_EQ(taught("G01 X0 Y0\r\nG01 X#1", FormCommand::ArcEndPoint), "");
  EXPECT_NE(controls.messages.back().find("line 2"), std::string::npos) << controls.messages.back();
}

}  // namespace
}  // namespace kestrom
