// The teach-in's own lines: arcs through three taught points, read back as an
// interpreter reads them, and the edits at the caret's line with their refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "teach/arc_line.h"
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
  gcode::Reader reader;
  gcode::Line line;
  EXPECT_TRUE(reader.Read(body, line)) << body << ": " << line.unknown;
  ReadBack r{reader.state().motion, gcode::TargetOf(line, reader.state(), start),
             gcode::ArcCentreOf(line, reader.state(), start), 0, 0};
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

TEST(LineEdits, ReteachInsertAndDeleteAtTheCaretAndEveryRefusalAroundArcs) {
  const char* const arc = "G02 G91.1  X+10.0000 Y+0.0000 Z+0.0000 I+5.0000 J+0.0000 F200";
  const std::string p = Program({"G00  X+0.0000 Y+0.0000 Z+5.0000", "M3", "G01  X+1.0000 Y+2.0000 F200 (side)",
                                 "G01  X+0.0000 Y+0.0000 F200", "M1", arc, "X+20 Y0", "M5"});
  const Readouts here = At(7.5, -1.25, 3);

  LineEdit e = ReteachLine(p, CaretOn(p, "G01  X+1"), here);
  ASSERT_TRUE(e.made()) << e.refusal;
  EXPECT_EQ(Applied(p, e), Program({"G00  X+0.0000 Y+0.0000 Z+5.0000", "M3", "G01  X+7.5000 Y-1.2500 F200 (side)",
                                    "G01  X+0.0000 Y+0.0000 F200", "M1", arc, "X+20 Y0", "M5"}));
  EXPECT_EQ(e.caret, p.find("G01  X+1"));
  e = ReteachLine(p, CaretOn(p, "G00"), here);
  EXPECT_EQ(Applied(p, e).substr(0, p.find("\r\nM3")), Program({"G00  X+7.5000 Y-1.2500 Z+3.0000"}));

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
                                    "G01  X+0.0000 Y+0.0000 F200", "M1", arc, "X+20 Y0", "M5"}));
  EXPECT_EQ(Applied(p, e).compare(e.caret, 8, "G01  X+1"), 0);
  e = DeleteLine(p, CaretOn(p, "M1"));  // an M code before an arc moves nothing
  EXPECT_TRUE(e.made());

  // The arc's start is the end of the move before it, M1 between or not.
  EXPECT_EQ(ReteachLine(p, CaretOn(p, "G01  X+0"), here).refusal, kArcStartWouldMove);
  EXPECT_EQ(InsertLineAfter(p, CaretOn(p, "G01  X+0"), "G01  X+9").refusal, kArcStartWouldMove);
  EXPECT_EQ(InsertLineAfter(p, CaretOn(p, "M1"), "G01  X+9").refusal, kArcStartWouldMove);
  EXPECT_EQ(DeleteLine(p, CaretOn(p, "G01  X+0")).refusal, kArcStartWouldMove);
  EXPECT_EQ(DeleteLine(p, CaretOn(p, "G02")).refusal, kArcStartWouldMove);  // "X+20 Y0" is an arc too (G02 is modal)
  EXPECT_EQ(ReteachLine(p, CaretOn(p, "G02"), here).refusal, kOnlyStraightLinesReteach);
  EXPECT_EQ(ReteachLine(p, CaretOn(p, "M5"), here).refusal, kOnlyStraightLinesReteach);
  EXPECT_TRUE(DeleteLine(p, CaretOn(p, "X+20")).made());  // the last arc: nothing starts from its end
  for (size_t onHeader : {size_t(0), p.find("G21") + 3}) {
    EXPECT_EQ(ReteachLine(p, onHeader, here).refusal, kHeaderNeverChanges);
    EXPECT_EQ(DeleteLine(p, onHeader).refusal, kHeaderNeverChanges);
  }
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
  EXPECT_EQ(controls.messages.back(), kArcStartWouldMove);
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

}  // namespace
}  // namespace kestrom
