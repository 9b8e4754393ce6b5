#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "fakes/form_fixture.h"
#include "teach/program_path.h"
#include "teach/teach_program.h"
#include "fakes/program_text.h"
#include "window/path_geometry.h"
#include "window/path_view.h"

namespace kestrom {
namespace {

std::string Program(std::initializer_list<const char*> lines) { return testing::ProgramOf(lines); }

TEST(ProgramPath, ReadsRecorderAndPlainFormsWithModalStateAndStopsWhereItCannotRead) {
  const auto points = ReadPath(Program({
      "G01 X+1.0000 Y+2.0000 Z+0.0000 F200",  // the recorder's form
      "M3",
      "G01 X+3,5000 Y+2.0000",                 // Turkish decimal comma; Z kept
      "g1x4y-.5 (a comment)",                  // plain, lower case, no blanks
      "X 6 ; Y and Z kept, G1 is modal",
      "M5",
      "G0 Z5",
      "G91 G1 X1 Y1",                          // incremental
      "G90 G20 X1",                            // inches
      "G2 X3 I1 J0",                           // half a turn, drawn as the arc in chords
      "G1 X1 M3",                              // M3 starts before the move on its line
      "G1 X2 M5",                              // M5 stops after it
      "G1 X3",
  }));
  struct Want { double x, y, z; MoveKind kind; };
  std::vector<Want> want = {
      {1, 2, 0, MoveKind::Rapid},  // the approach from wherever the machine stands
      {3.5, 2, 0, MoveKind::On},       {4, -0.5, 0, MoveKind::On},
      {6, -0.5, 0, MoveKind::On},  {6, -0.5, 5, MoveKind::Rapid},   {7, 0.5, 5, MoveKind::Off},
      {25.4, 0.5, 5, MoveKind::Off}};
  const size_t arcChords = 128;  // of 256 for a whole turn
  for (size_t i = 1; i <= arcChords; ++i) {
    const double angle = 3.14159265358979323846 * (1 - static_cast<double>(i) / arcChords);  // clockwise over the top
    want.push_back({50.8 + 25.4 * std::cos(angle), 0.5 + 25.4 * std::sin(angle), 5, MoveKind::Off});
  }
  for (const Want& w : std::vector<Want>{{25.4, 0.5, 5, MoveKind::On}, {50.8, 0.5, 5, MoveKind::On},
                                         {76.2, 0.5, 5, MoveKind::Off}})
    want.push_back(w);
  ASSERT_EQ(points.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_NEAR(points[i].x, want[i].x, 1e-9) << i;
    EXPECT_NEAR(points[i].y, want[i].y, 1e-9) << i;
    EXPECT_NEAR(points[i].z, want[i].z, 1e-9) << i;
    EXPECT_EQ(points[i].kind, want[i].kind) << i;
  }
  const std::string program = Program({"M3", "G1 X1", "G0 Z5", "M5"});
  EXPECT_EQ(LastPointOf(program), (gcode::Point{1, 0, 5, 0, 0, 0}));
  EXPECT_FALSE(LastPointOf(kStartHeader));
  EXPECT_EQ(PointAfterLineAt(program, program.find("G1 X1") + 2).x, 1);
  EXPECT_EQ(PointAfterLineAt(program, program.find("G1 X1") + 2).z, 0);
  EXPECT_EQ(PointAfterLineAt(program, 0).x, 0);
  // A line it cannot read stops the drawing there, named; nothing after it is drawn from a wrong place.
  PathReader stopped;
  std::vector<PathPoint> drawn;
  stopped.Read(Program({"G1 X1", "G01 Xabc Y9", "G1 X5"}), drawn);
  EXPECT_EQ(drawn.size(), 1u);
  EXPECT_EQ(stopped.problem(), "line 5: X (a letter without its number)");
  PathView view(nullptr);
  view.Open(Program({"G1 X1", "G01 Xabc Y9"}));
  EXPECT_EQ(view.StatusText(), "   Çizim burada duruyor (drawing stops here): line 5: X (a letter without its number)");
  view.Replaced("G41 D1 G1 X1\nG40");
  EXPECT_NE(view.StatusText().find("the path as programmed"), std::string::npos);
  // Programs end at M30; subprograms are drawn where they are called.
  EXPECT_EQ(LastPointOf("G0 X1\nM98 P7 L2\nM30\nG0 X50\nO7\nG91 G0 Y1\nG90 M99")->at(1), 2);
  // Read in pieces as the recorder appends them: the same points.
  PathReader reader;
  std::vector<PathPoint> pieces;
  reader.Read(kStartHeader, pieces);
  for (const char* line : {"G01 X+1 Y+2", "M3", "G01 X+3 Y+2"}) reader.Read(std::string("\r\n") + line, pieces);
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(pieces[1].kind, MoveKind::On);
  double n = 0;
  EXPECT_FALSE(gcode::ReadNumber("1e5", n));
  EXPECT_FALSE(gcode::ReadNumber("+", n));
  EXPECT_TRUE(gcode::ReadNumber("+12,25", n));
  EXPECT_EQ(n, 12.25);
}

TEST(PathGeometry, OneScaleForBothAxesCentredWithTheMarginAndAOneTwoFiveGrid) {
  Bounds b;
  b.Add({0, 0});
  b.Add({20, 5});
  const PixelRect area{10, 30, 410, 230};  // 400 x 200
  const ViewFit fit = FitView(b, area, 16);
  EXPECT_DOUBLE_EQ(fit.scale, (400 - 32) / 20.0);  // the wider axis binds
  const PixelF low = fit.ToPixel({0, 0}), high = fit.ToPixel({20, 5});
  EXPECT_DOUBLE_EQ(low.x, 10 + 16);
  EXPECT_DOUBLE_EQ(high.x, 410 - 16);
  EXPECT_DOUBLE_EQ((low.y + high.y) / 2, 130);  // centred, and up is up
  EXPECT_GT(low.y, high.y);
  Bounds line;
  line.Add({3, 7});
  line.Add({3, 7.0001});
  EXPECT_DOUBLE_EQ(FitView(line, area, 16).scale, (200 - 32) / kMinSpanMm);  // no speck filling the window
  EXPECT_GT(FitView(Bounds(), area, 16).scale, 0);
  EXPECT_DOUBLE_EQ(GridSpacing(18.4, 24), 2);
  EXPECT_DOUBLE_EQ(GridSpacing(24, 24), 1);
  EXPECT_DOUBLE_EQ(GridSpacing(1.0, 24), 50);
  EXPECT_DOUBLE_EQ(GridSpacing(5000, 24), 0.005);
  EXPECT_EQ(SpacingText(0.005), "0.005 mm");
  EXPECT_EQ(SpacingText(10), "10 mm");
}

double DistanceToSegment(PixelF p, PixelF a, PixelF b) {
  const double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
  const double t = len2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0) : 0;
  return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

double Deviation(const std::vector<PixelF>& points, const std::vector<PixelF>& kept) {
  double worst = 0;
  for (const PixelF& p : points) {
    double best = kept.size() == 1 ? std::hypot(p.x - kept[0].x, p.y - kept[0].y) : 1e300;
    for (size_t k = 1; k < kept.size(); ++k) best = std::min(best, DistanceToSegment(p, kept[k - 1], kept[k]));
    worst = std::max(worst, best);
  }
  return worst;
}

TEST(PathGeometry, ReductionKeepsEveryVisibleCornerAndDropsWhatThePixelsCannotShow) {
  std::vector<PixelF> kept;
  // A straight stroke of many points is one segment; ends kept exactly.
  std::vector<PixelF> straight;
  for (int i = 0; i <= 100000; ++i) straight.push_back({i * 0.003, 5 + i * 0.001});
  ReducePolyline(straight, 0.5, kept);
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_EQ(kept.back().x, straight.back().x);
  // A zigzag of 3 px keeps all its corners; one of 0.2 px is a straight line.
  for (const double amplitude : {3.0, 0.2}) {
    std::vector<PixelF> zigzag;
    for (int i = 0; i <= 40; ++i) zigzag.push_back({i * 4.0, (i % 2) * amplitude});
    ReducePolyline(zigzag, 0.5, kept);
    EXPECT_EQ(kept.size(), amplitude > 1 ? zigzag.size() : 2u) << amplitude;
  }
  // Out and back along one line: the far end is a corner too.
  ReducePolyline({{0, 0}, {5, 0}, {10, 0}, {4, 0}}, 0.5, kept);
  ASSERT_EQ(kept.size(), 3u);
  EXPECT_EQ(kept[1].x, 10);
  // Random walks and circles: every point stays within a pixel of what is drawn.
  std::mt19937 random(7);
  std::normal_distribution<double> step(0, 0.6);
  for (int trial = 0; trial < 12; ++trial) {
    std::vector<PixelF> path = {{100, 100}};
    for (int i = 0; i < 1200; ++i) {
      const PixelF& last = path.back();
      path.push_back(trial % 3 == 0 ? PixelF{100 + 80 * std::cos(i * 0.01), 100 + 80 * std::sin(i * 0.01)}
                                    : PixelF{last.x + step(random), last.y + step(random)});
    }
    ReducePolyline(path, 0.5, kept);
    EXPECT_LE(Deviation(path, kept), 0.75) << trial;
    EXPECT_LT(kept.size(), path.size() / 2) << trial;
  }
}

// What the model paints, as calls.
struct RecordingCanvas : PathCanvas {
  int fills = 0;
  std::vector<std::pair<std::vector<PixelPoint>, Ink>> lines;
  std::vector<std::pair<PixelPoint, Ink>> dots, rings;
  std::vector<std::string> labels;
  void Fill(const PixelRect&, Ink) override { ++fills; }
  void Polyline(const PixelPoint* p, size_t n, Ink ink) override { lines.push_back({{p, p + n}, ink}); }
  void Dot(PixelPoint c, int, Ink ink) override { dots.push_back({c, ink}); }
  void Ring(PixelPoint c, int, Ink ink) override { rings.push_back({c, ink}); }
  void Label(PixelPoint, const std::string& text, Ink) override { labels.push_back(text); }
  std::vector<const std::vector<PixelPoint>*> Drawn(Ink ink) const {
    std::vector<const std::vector<PixelPoint>*> found;
    for (const auto& [points, i] : lines)
      if (i == ink) found.push_back(&points);
    return found;
  }
};

struct PathViewForm : testing::FormFixture {
  PathView& view = form.pathView();
  void Teach(double x, double y) {
    dro[0] = std::to_string(x);
    dro[1] = std::to_string(y);
    form.OnTimer();
  }
};

TEST_F(PathViewForm, MenuOpensTheViewThatDrawsTheTaughtPathLiveAndAgainWholeAfterAChange) {
  form.Load();
  controls.values[ControlId::Check1] = 1;
  Teach(0, 0);
  form.OnCommand(FormCommand::PathView);
  ASSERT_TRUE(view.open());
  EXPECT_EQ(pathSurface.opens, 1);
  view.Resize({0, 28, 300, 328}, 96);
  RecordingCanvas whole;
  view.Render(whole);
  EXPECT_EQ(whole.fills, 1);

  // A 10 mm square, the spindle on from its second side.
  Teach(10, 0);
  form.OnClick(ControlId::Command5);  // M3
  Teach(10, 10);
  Teach(0, 10);
  Teach(0, 0);
  form.OnClick(ControlId::Command6);  // M5
  RecordingCanvas again;
  view.Render(again);  // points beyond the first bounds: a new fit, all of it again
  EXPECT_EQ(again.fills, 1);
  const double scale = (300 - 32) / 10.0;
  EXPECT_DOUBLE_EQ(view.fit().scale, scale);
  ASSERT_EQ(again.Drawn(Ink::Off).size(), 1u);
  ASSERT_EQ(again.Drawn(Ink::On).size(), 1u);
  const std::vector<PixelPoint>& on = *again.Drawn(Ink::On)[0];
  ASSERT_EQ(on.size(), 4u);  // (10,0) (10,10) (0,10) (0,0)
  EXPECT_EQ(on[0].x, 300 - 16);
  EXPECT_EQ(on[0].y, 28 + 300 - 16);
  EXPECT_EQ(on[2].x, 16);
  EXPECT_EQ(on[2].y, 28 + 16);
  RecordingCanvas markers;
  view.PaintMarkers(markers, {0, 0, 300, 328});
  ASSERT_EQ(markers.dots.size(), 1u);  // the last point
  EXPECT_EQ(markers.dots[0].first.x, 16);
  ASSERT_EQ(markers.rings.size(), 2u);  // the caret's line, then where the machine stands
  EXPECT_EQ(markers.rings[0].second, Ink::CaretLine);
  EXPECT_EQ(markers.rings[0].first.x, 16);  // the caret at the end: the last line's point
  EXPECT_EQ(markers.rings[1].second, Ink::Machine);
  EXPECT_EQ(markers.labels, std::vector<std::string>{"Izgara (grid) 1 mm"});

  // A line within the bounds: its segment alone, and only its pixels repainted.
  Teach(5, 5);
  RecordingCanvas added;
  const PixelRect changed = view.Render(added);
  EXPECT_EQ(added.fills, 0);
  ASSERT_EQ(added.lines.size(), 1u);
  EXPECT_EQ(added.lines[0].second, Ink::Off);
  EXPECT_LT(changed.width(), 200);
  // The caret anywhere in the last line marks that line's point; one line up, the M5 line's.
  auto caretRingX = [&](size_t caret) {
    controls.caret[ControlId::Text2] = caret;
    form.OnTimer();
    RecordingCanvas painted;
    view.PaintMarkers(painted, {0, 0, 300, 328});
    return painted.rings.empty() ? -1 : painted.rings[0].first.x;
  };
  const std::string& program = controls.texts[ControlId::Text2];
  const size_t lastLine = program.rfind('\n') + 1;
  EXPECT_EQ(caretRingX(lastLine), 16 + 134);
  EXPECT_EQ(caretRingX(lastLine - 3), 16);
  EXPECT_EQ(caretRingX(program.size()), 16 + 134);

  // Taking the line back draws all again without that segment.
  form.OnCommand(FormCommand::RemoveLastLine);
  RecordingCanvas removed;
  view.Render(removed);
  EXPECT_EQ(removed.fills, 1);
  EXPECT_EQ(view.pointCount(), 6u);  // the origin, where the program starts, and five points
  view.SetProjection(Projection::XZ);
  RecordingCanvas side;
  view.Render(side);
  EXPECT_EQ(side.fills, 1);

  form.OnCommand(FormCommand::PathView);
  EXPECT_FALSE(view.open());
  EXPECT_EQ(pathSurface.closes, 1);
  EXPECT_EQ(view.pointCount(), 0u);
  const int updates = pathSurface.updates;
  Teach(3, 3);  // a closed view does nothing
  EXPECT_EQ(pathSurface.updates, updates);
  EXPECT_EQ(view.projection(), Projection::XZ);  // kept for the next opening
}

TEST_F(PathViewForm, HolesAreRingedFromAboveAndTheirPlungesDrawnFromTheSide) {
  form.Load();
  form.OnCommand(FormCommand::PathView);
  view.Resize({0, 28, 300, 328}, 96);
  RecordingCanvas first;
  view.Render(first);
  dro[0] = "+10.0000";
  form.OnCommand(FormCommand::RecordHole);  // the settings' start: G81 to Z-5 from R2
  dro[1] = "+10.0000";
  form.OnCommand(FormCommand::RecordHole);
  RecordingCanvas xy;
  view.Render(xy);
  std::vector<PixelPoint> holes;
  for (const auto& [at, ink] : xy.rings)
    if (ink == Ink::Hole) holes.push_back(at);
  ASSERT_EQ(holes.size(), 2u);
  EXPECT_EQ(holes[0].x, holes[1].x);
  EXPECT_GT(holes[0].y, holes[1].y);  // Y up
  view.SetProjection(Projection::XZ);
  RecordingCanvas xz;
  view.Render(xz);
  for (const auto& [at, ink] : xz.rings) EXPECT_NE(ink, Ink::Hole);
  int down = 0;  // the plunges: feed moves straight down
  for (const auto* line : xz.Drawn(Ink::Off))
    for (size_t i = 1; i < line->size(); ++i) down += (*line)[i].x == (*line)[i - 1].x && (*line)[i].y > (*line)[i - 1].y;
  EXPECT_GE(down, 2);
}

}  // namespace
}  // namespace kestrom
