// The interpreter: the modal state and places it keeps, what it refuses, the
// moves of arcs, drilling cycles and fixed places, subprograms, and programs
// in the styles CAM post-processors write for Mach3, each read to its end.
#include "gcode/interpreter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

#include "gcode/numbers.h"
#include "gcode/program_walk.h"

namespace kestrom::gcode {
namespace {

constexpr double kPi = 3.14159265358979323846;

// Every move's end in order, as a walk through the program makes them.
struct Walked {
  std::vector<Move> moves;
  std::vector<Block> blocks;
  Interpreter interpreter;
  std::string problem;
  explicit Walked(std::string_view program) {
    ProgramWalk walk(program);
    Block block;
    while (walk.Next(interpreter, block)) {
      moves.insert(moves.end(), block.moves.begin(), block.moves.end());
      blocks.push_back(block);
    }
    if (walk.failed()) problem = block.Problem();
  }
  Point End() const { return interpreter.position(); }
};

void ExpectNear(const Point& a, const Point& b, const char* what) {
  for (int i = 0; i < kAxes; ++i) EXPECT_NEAR(a[i], b[i], 1e-6) << what << " axis " << kAxisLetters[i];
}

TEST(Interpreter, ModalStateWordsInPlaceAndEveryRefusalNamed) {
  Interpreter in;
  Block b;
  ASSERT_TRUE(in.Read("\xEF\xBB\xBF%", b));
  EXPECT_TRUE(b.tapeMark);
  ASSERT_TRUE(in.Read("N10 g0 x1 Y+2,5 z-.5 (rapid) ; the rest is a comment G41", b));
  ASSERT_EQ(b.words.size(), 5u);
  EXPECT_EQ(b.words[3].letter, 'Y');
  EXPECT_EQ(b.words[3].value, 2.5);
  EXPECT_EQ(std::string(b.words[3].NumberIn("N10 g0 x1 Y+2,5 z-.5 (rapid) ; the rest is a comment G41")), "+2,5");
  ExpectNear(b.end, {1, 2.5, -0.5, 0, 0, 0}, "rapid");
  ASSERT_TRUE(in.Read("/ G91.1 G18 T2 M6 G43 H2 M8 M7 S1200 M3 G64 P0.01 G99", b));
  EXPECT_TRUE(b.blockDelete);  // run: Mach3's block delete switch is off unless the operator sets it
  EXPECT_EQ(b.toolChange, 2);
  const Modal& s = in.state();
  EXPECT_TRUE(s.mist && s.flood && s.lengthOffset && s.returnToR);
  EXPECT_EQ(s.plane, Plane::XZ);
  EXPECT_EQ(s.spindle, Spindle::Cw);
  ASSERT_TRUE(in.Read("G4 P1.5", b));
  ASSERT_EQ(b.moves.size(), 1u);
  EXPECT_EQ(b.moves[0].kind, MoveKind::Dwell);
  EXPECT_EQ(b.moves[0].seconds, 1.5);

  const Modal before = in.state();
  const Point at = in.position();
  const std::vector<std::pair<const char*, const char*>> refused = {
      {"G0 G1 X1", "G1"},       {"G1 X1 X2", "X2"},        {"G51 X2", "G51"},         {"G68 R45", "G68"},
      {"G1 X#1", "X#"},         {"G1 X[1+2]", "X["},       {"G1 E5", "E5"},           {"G1 U5", "U5"},
      {"G12.1", "G12.1"},       {"M62 P1", "M62"},         {"G0 (open", "(open"},     {"G28 G1 X0", "G1"},
      {"G17 G2 X1", "G2"},      {"G1 X", "X"},             {"G80 G0 X1 G1", "G1"},    {"M3 M5", "M5"},
      {"G4", "G4"},             {"G53 G2 X1 I1", "G53"},   {"O333333333333", "O"},    {"T1000000", "T"},
      {"T123456", "T123456"},   {"G10 L20 P1 X0", "G10"},  {"G92", "G92"}};
  for (const auto& [text, word] : refused) {
    ASSERT_FALSE(in.Read(text, b)) << text;
    EXPECT_EQ(b.bad.substr(0, std::string(word).size()), word) << text << ": " << b.Problem();
    EXPECT_FALSE(b.why.empty()) << text;
    EXPECT_EQ(in.state().plane, before.plane) << text;
    ExpectNear(in.position(), at, text);
  }
  ASSERT_TRUE(in.Read("G80", b));
  EXPECT_FALSE(in.Read("X5", b));  // axis words with no motion in force
  EXPECT_NE(b.Problem().find("G80"), std::string::npos);
}

TEST(Interpreter, ArcsByCentreOrRadiusInEveryPlaneWithTurnsAndLinuxCncTolerance) {
  // Each program ends where it says; the arc's centre and turn as LinuxCNC's interpreter reads them.
  const Walked r("G21 G90 G17\nG0 X0 Y0 Z0\nG2 X10 Y0 R5 F100\nG2 X0 Y0 R-5\nG3 X10 Y10 R10\nG2 I5 J0\n"
              "G18 G2 X20 Z0 I5 K0\nG19 G3 Y20 Z0 J5 K0\nG17 G90.1 G2 X30 Y20 I25 J20 P2\n");
  ASSERT_TRUE(r.problem.empty()) << r.problem;
  ASSERT_EQ(r.moves.size(), 8u);
  ExpectNear(r.moves[1].centre, {5, 0, 0, 0, 0, 0}, "R5: the short way, centre on the right of a G2");
  ExpectNear(r.moves[2].centre, {5, 0, 0, 0, 0, 0}, "R-5: more than half a turn");
  ExpectNear(r.moves[3].centre, {0, 10, 0, 0, 0, 0}, "G3 R10 from the origin to 10,10");
  ExpectNear(r.moves[4].to, r.moves[4].from, "a whole circle without axis words");
  EXPECT_NEAR(std::fabs(ShapeOf(r.moves[4].from, r.moves[4].to, r.moves[4].centre, Plane::XY, true).sweep), 2 * kPi,
              1e-9);
  EXPECT_EQ(r.moves[5].plane, Plane::XZ);
  EXPECT_EQ(r.moves[6].plane, Plane::YZ);
  EXPECT_EQ(r.moves[7].turns, 2);
  EXPECT_NEAR(ShapeOf(r.moves[7].from, r.moves[7].to, r.moves[7].centre, Plane::XY, true, 2).sweep, -3 * kPi, 1e-9);

  // 0.02 mm (0.002 inch) off and also a thousandth of the radius is refused; less is not.
  for (const auto& [program, ok] : std::vector<std::pair<const char*, bool>>{
           {"G0 X0 Y0\nG2 X10 Y0 I5.01 J0", true},      {"G0 X0 Y0\nG2 X10 Y0 I5.02 J0", false},
           {"G0 X0 Y0\nG2 X1000 Y0 I500.1 J0", true},   {"G0 X0 Y0\nG2 X1000 Y0 I500.3 J0", false},
           {"G20 G0 X0 Y0\nG2 X0.2 Y0 I0.101 J0", true}, {"G20 G0 X0 Y0\nG2 X0.2 Y0 I0.102 J0", false},
           {"G0 X0 Y0\nG2 X11 Y0 R5.4", false},          {"G0 X0 Y0\nG2 X0 Y0 R5", false},
           {"G0 X0 Y0\nG90.1 G2 X10 Y0 I5", false},      {"G0 X0 Y0\nG2 X10 Y0 R5 I5", false}}) {
    const Walked run(program);
    EXPECT_EQ(run.problem.empty(), ok) << program << ": " << run.problem;
  }
}

TEST(Interpreter, DrillingCyclesFixedPlacesOffsetsAndSubprograms) {
  // G83 pecks as LinuxCNC's rs274 moves: down by Q, back to R, down again to 0.254 mm above.
  const Walked peck("G0 X0 Y0 Z10\nG98 G83 X5 Y5 Z-3 R2 Q1.2 F50\nX10\nG80");
  ASSERT_TRUE(peck.problem.empty()) << peck.problem;
  std::vector<double> zs;
  for (const Move& m : peck.blocks[1].moves) zs.push_back(m.to[2]);
  const std::vector<double> want = {10, 2, 0.8, 2, 1.054, -0.4, 2, -0.146, -1.6, 2, -1.346, -2.8, 2, -2.546, -3, 10};
  ASSERT_EQ(zs.size(), want.size());
  for (size_t i = 0; i < zs.size(); ++i) EXPECT_NEAR(zs[i], want[i], 1e-9) << i;
  ExpectNear(peck.End(), {10, 5, 10, 0, 0, 0}, "the next hole with the cycle's words kept, back at the start height");
  // G73 as rs274 pecks: a feed down by Q, a rapid up 0.254 mm, the next feed from there.
  const Walked chip("G0 X0 Y0 Z10\nG98 G73 X10 Y0 Z-5 R2 Q2 F100\nG80");
  ASSERT_TRUE(chip.problem.empty()) << chip.problem;
  std::vector<double> chips;
  for (const Move& m : chip.blocks[1].moves) chips.push_back(m.to[2]);
  const std::vector<double> rs274 = {10, 2, 0, 0.254, -2, -1.746, -4, -3.746, -5, 10};
  ASSERT_EQ(chips.size(), rs274.size());
  for (size_t i = 0; i < chips.size(); ++i) EXPECT_NEAR(chips[i], rs274[i], 1e-9) << i;
  // G91 with L: R from the start height, Z from R, the holes a step apart.
  const Walked repeats("G0 X20 Y5 Z10\nG91 G98 G81 X5 Y0 Z-2 R-8 L2 F50");
  ASSERT_TRUE(repeats.problem.empty()) << repeats.problem;
  EXPECT_NEAR(repeats.moves[3].to[2], 0, 1e-9);  // the bottom: 10 - 8 - 2
  ExpectNear(repeats.End(), {30, 5, 10, 0, 0, 0}, "two holes of G91 L2");

  // Home moves and machine coordinates go to places on the machine; offsets move work zero.
  const Walked places("G0 X1 Y2 Z3\nG91 G28 Z0\nG90 G10 L2 P1 X5 Y5\nG0 X0 Y0\nG53 G0 X1\nG92 X0\nG0 X1\nG92.1\nG55\n"
                   "G52 X100\nG52 X0\nG54\n");
  ASSERT_TRUE(places.problem.empty()) << places.problem;
  EXPECT_TRUE(places.blocks[1].fixedPlace);
  ExpectNear(places.blocks[1].end, {1, 2, 0, 0, 0, 0}, "G91 G28 Z0: Z home, through where it stood");
  EXPECT_TRUE(places.blocks[2].changesOrigin);
  ExpectNear(places.blocks[2].end, {-4, -3, 0, 0, 0, 0}, "G10 L2 moves G54's zero under the machine");
  ExpectNear(places.blocks[4].end, {-4, 0, 0, 0, 0, 0}, "G53 X1 is machine X1: work X-4");
  ExpectNear(places.blocks[5].end, {0, 0, 0, 0, 0, 0}, "G92 X0 here");
  EXPECT_NEAR(places.interpreter.machine()[0], 2, 1e-9);
  ExpectNear(places.blocks[8].end, {2, 5, 0, 0, 0, 0}, "G55, all zero: work is machine");

  // M98 P L runs the subprogram after M30 L times; nothing after M30 runs otherwise.
  const Walked sub("O0100 (main)\nG0 X0 Y0\nM98 P200 L3\nG0 Z5\nM30\nO200\nG91 G1 X1 F100\nG90 M99\n%");
  ASSERT_TRUE(sub.problem.empty()) << sub.problem;
  ExpectNear(sub.End(), {3, 0, 5, 0, 0, 0}, "three calls of one step");
  EXPECT_EQ(Walked("M98 P9").problem.substr(0, 6), "line 1");
  EXPECT_EQ(Walked("G0 X1\r\n").blocks.size(), 1u);  // a file's last line end opens no line
  EXPECT_EQ(Walked("G0 X1\r\n\r\n").blocks.size(), 2u);
}

// Programs as CAM post-processors write them for Mach3, each read to its end.
TEST(Interpreter, ProgramsInTheStylesOfCamPostProcessors) {
  const std::vector<std::tuple<const char*, const char*, Point>> programs = {
      {"mill post, inch",
       "%\nO1001\n(T1 D=0.25 CR=0. - ZMIN=-0.1 - FLAT END MILL)\nG90 G94 G17 G91.1\nG20\nG53 G0 Z0.\n"
       "(2D CONTOUR1)\nT1 M6\nS5000 M3\nG54\nM8\nG0 X1. Y0.5\nG43 Z0.6 H1\nG0 Z0.2\nG1 Z-0.1 F20.\n"
       "G1 X2. F40.\nG2 X2.5 Y1. I0. J0.5\nG1 Y2.\nG3 X2. Y2.5 R0.5\nG1 X1.\nG0 Z0.6\nM9\nG53 G0 Z0.\nM5\nM30\n%",
       {1 * 25.4, 2.5 * 25.4, 0, 0, 0, 0}},
      {"drilling, mm", "%\n(DRILL)\nN10 G21 G90 G40 G49 G80 G17\nN20 T3 M06\nN30 S1200 M03\nN40 G00 X10. Y10. Z15.\n"
       "N50 G98 G81 X10. Y10. Z-5. R2. F100.\nN60 X20.\nN70 G82 X30. P0.5\nN80 G73 X40. Q1.\nN90 G80\n"
       "N100 G00 Z50.\nN110 G28 G91 Z0.\nN120 G90\nN130 M05 M09\nN140 M30\n%",
       {40, 10, 0, 0, 0, 0}},
      {"wcs and dwell, with sequence numbers, ;comments", "G21 ; metric\nG55 G64 P0.02\nG10 L2 P2 X50 Y50\n"
       "G0 X0 Y0 Z5\nG4 P2\nG1 Z-1 F300 M7\nG1 X10 Y0\nG2 X20 Y0 R5\nG0 Z5\nM9\nM2", {20, 0, 5, 0, 0, 0}},
      {"helix and cutter compensation", "G90 G21 G17\nG0 X0 Y0 Z2\nG41 D1 G1 X5 Y0 F200\n"
       "G3 X5 Y0 Z-2 I-5 J0\nG40 G1 X0 Y0\nM30", {0, 0, -2, 0, 0, 0}},
      {"XZ lathe-style plane, inverse time", "G18 G90 G21\nG0 X0 Z0\nG93 G1 X5 F10\nG2 X10 Z0 I2.5 K0 F20\nG94\nM30",
       {10, 0, 0, 0, 0, 0}},
  };
  for (const auto& [name, program, end] : programs) {
    const Walked run(program);
    EXPECT_TRUE(run.problem.empty()) << name << ": " << run.problem;
    ExpectNear(run.End(), end, name);
  }
}

// What Mach3 reads that RS274 alone does not, as the posts for Mach3 write it,
// and a program's first moves, which start where the machine happens to stand.
TEST(Interpreter, TheMach3DialectOfItsPostsAndTheApproachFromWhereTheMachineStands) {
  // The safety line: G80 ends any cycle, the other motion code is in force; two others stay refused.
  const Walked safety("G0 X0 Y0 Z5\nG98 G81 X1 Z-1 R1 F50\nG00G21G17G90G40G49G80\nX5\nG0 G17 G40 G49 G80 G90 Y3\n"
                      "G71G91.1\nG1 G80 X7 F100\nG81 G80 X9 Z-1 R1");
  ASSERT_TRUE(safety.problem.empty()) << safety.problem;
  EXPECT_EQ(safety.blocks[3].moves[0].kind, MoveKind::Rapid) << "X5 after the safety line is a rapid, not a hole";
  EXPECT_EQ(safety.blocks[6].moves[0].kind, MoveKind::Feed);
  EXPECT_TRUE(safety.blocks[7].moves[0].cycle) << "G81 with G80 beside it: the cycle, as rs274 reads it";
  Interpreter in;
  Block b;
  EXPECT_FALSE(in.Read("G80 G0 G1 X1", b));
  // G70 and G71: Mach3's inch and millimetre.
  ASSERT_TRUE(in.Read("G70", b));
  EXPECT_TRUE(in.state().inches);
  ASSERT_TRUE(in.Read("G71", b));
  EXPECT_FALSE(in.state().inches);
  // An R arc whose end lies up to 0.00005 inch beyond its diameter is the half circle round the chord's middle.
  for (const auto& [program, ok] : std::vector<std::pair<const char*, bool>>{
           {"G21 G0 X0 Y0\nG3 X10.0025 Y0 R5 F100", true}, {"G21 G0 X0 Y0\nG3 X10.0026 Y0 R5 F100", false},
           {"G20 G0 X0 Y0\nG3 X1.00009 Y0 R.5 F100", true}, {"G20 G0 X0 Y0\nG3 X1.00011 Y0 R.5 F100", false}}) {
    const Walked arc(program);
    EXPECT_EQ(arc.problem.empty(), ok) << program << ": " << arc.problem;
    if (ok) {
      EXPECT_NEAR(arc.moves.back().centre[0], arc.moves.back().to[0] / 2, 1e-12) << program;
    }
  }

  // The first move from wherever the machine stands is an approach; so is one whose axes no word had placed yet.
  const Walked taught("G21 G90\nG01 X+10.0000 Y+20.0000 Z-1.0000 F200\nG01 X+30.0000 Y+20.0000 Z-1.0000\nG0 Z5");
  EXPECT_TRUE(taught.moves[0].FromUnknown());
  EXPECT_FALSE(taught.moves[1].FromUnknown());
  const Walked partly("G0 Z5\nG0 X1 Y1\nG1 Z-1 F100\nG91 G1 X1");
  EXPECT_TRUE(partly.moves[0].FromUnknown() && partly.moves[1].FromUnknown());
  EXPECT_FALSE(partly.moves[2].FromUnknown() || partly.moves[3].FromUnknown());
  EXPECT_FALSE(Walked("G91 G1 X1 F100\nX1").moves[0].FromUnknown()) << "an increment is a shape, wherever it starts";
  Interpreter jogged;
  jogged.SetMachine({1, 2, 3, 0, 0, 0});
  ASSERT_TRUE(jogged.Read("G1 X5 F100", b));
  EXPECT_FALSE(b.moves[0].FromUnknown()) << "once the machine's place is known";
}

// Numbers written in a program's style: the same text as printf's, on random values.
TEST(GcodeNumbers, WriteExactKeepsTheStyleAndAddsPlacesOnlyWhereNeeded) {
  EXPECT_EQ(WriteExact(2.5, StyleOf("3")), "2.5");
  EXPECT_EQ(WriteExact(-0.0, StyleOf("+1.0000")), "+0.0000");
  EXPECT_EQ(WriteExact(12.25, StyleOf("1,5")), "12,25");
  EXPECT_EQ(WriteExact(1.0 / 3, StyleOf("1.00")), "0.333333");
  std::mt19937 rng(3);
  for (int i = 0; i < 20000; ++i) {
    double v = (static_cast<double>(rng()) / rng.max() - 0.5) * std::pow(10.0, rng() % 8);
    if (rng() % 2) v = std::round(v * 10000) / 10000;
    NumberStyle style{static_cast<int>(rng() % 5), rng() % 2 == 0, rng() % 2 ? '.' : ','};
    char printed[64];
    int places = style.decimals;
    while (places < 6 && std::fabs(std::round(v * std::pow(10.0, places)) / std::pow(10.0, places) - v) >= 1e-9) ++places;
    std::snprintf(printed, sizeof printed, style.plus ? "%+.*f" : "%.*f", places, v);
    std::string want = printed;
    std::replace(want.begin(), want.end(), '.', style.separator);
    if (want == "-0" || want.find_first_not_of("-0.,") == std::string::npos) continue;  // printf's "-0.00"
    ASSERT_EQ(WriteExact(v, style), want) << v;
  }
}

TEST(GcodeArc, SweepDirectionWholeTurnsPlanesAndLength) {
  const Point o{};
  const Point east = {1, 0, 0, 0, 0, 0}, north = {0, 1, 0, 0, 0, 0};
  EXPECT_NEAR(ShapeOf(east, north, o, Plane::XY, false).sweep, kPi / 2, 1e-12);
  EXPECT_NEAR(ShapeOf(east, north, o, Plane::XY, true).sweep, -3 * kPi / 2, 1e-12);  // more than half a circle
  EXPECT_NEAR(ShapeOf(east, east, o, Plane::XY, true).sweep, -2 * kPi, 1e-12);       // start at the end: a turn
  // G02 in the XZ plane turns from Z towards X, as seen from +Y.
  const Point up = {0, 0, 1, 0, 0, 0};
  EXPECT_NEAR(ShapeOf(up, east, o, Plane::XZ, true).sweep, -3 * kPi / 2, 1e-12);
  EXPECT_NEAR(ShapeOf(up, east, o, Plane::XZ, false).sweep, kPi / 2, 1e-12);

  // A helix: a quarter turn of radius 2 rising 3 in Z.
  const Point start = {2, 0, 0, 0, 0, 0}, end = {0, 2, 3, 0, 0, 0};
  const ArcShape quarter = ShapeOf(start, end, o, Plane::XY, false);
  EXPECT_NEAR(ArcLength(start, end, o, Plane::XY, quarter), std::hypot(kPi, 3.0), 1e-12);
  const Point middle = PointOnArc(start, end, o, Plane::XY, quarter, 0.5);
  EXPECT_NEAR(middle[0], std::sqrt(2.0), 1e-12);
  EXPECT_NEAR(middle[1], std::sqrt(2.0), 1e-12);
  EXPECT_NEAR(middle[2], 1.5, 1e-12);
  EXPECT_EQ(PointOnArc(start, end, o, Plane::XY, quarter, 1), end);
}

}  // namespace
}  // namespace kestrom::gcode
