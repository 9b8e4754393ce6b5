// A part cut out of the sheet in passes, with tabs and holes, played back in
// SimMach3: a program of its own, as its playback is the longest of the copies'.
#include "tests/win32/teach_fixture.h"

namespace kestrom {
namespace {
using C = ControlId;
using wine::WineTeach;

// Cut out of the sheet: the rounded rectangle in three passes with two tabs,
// two holes (one by the key from SimMach3's screen) and a bolt circle of four,
// played back in SimMach3 and saved; the file read back holds them all.
TEST_F(WineTeach, ARoundedRectangleCutInPassesWithTabsAndHolesPlaysBackAndSaves) {
  const WPARAM kRapid = MenuId(FormCommand::RecordRapidPoint), kHole = MenuId(FormCommand::RecordHole),
               kDrilling = MenuId(FormCommand::DrillingSettings), kBoltCircle = MenuId(FormCommand::BoltCircle),
               kDepthPasses = MenuId(FormCommand::DepthPasses);
  std::string program = kStartHeader;
  ASSERT_TRUE(MoveTo(2, 0, 5));
  Command(kRapid);
  wine::Click(k->Control(C::Command5));
  program += "\r\nG00  X+2.0000 Y+0.0000 Z+5.0000\r\nM3";
  ASSERT_TRUE(ProgramIs(program)) << k->Program();
  ASSERT_TRUE(TeachRoundedRectangle(program));
  ASSERT_TRUE(MoveTo(2, 0, 5));
  Command(kRapid);

  // Fills a dialog's boxes from the first; OK, and the message box it brings, if any.
  auto fill = [&](WPARAM command, const char* title, std::vector<std::pair<int, const char*>> boxes) {
    PostMessageW(k->window(), WM_SYSCOMMAND, command, 0);
    HWND dialog = wine::WaitForDialog(k->pid(), title);
    if (!dialog) return std::string("no dialog ") + title;
    std::string start;
    for (int i = 0; GetDlgItem(dialog, win32::kCopyFirstBox + i); ++i)
      start += wine::TextOf(GetDlgItem(dialog, win32::kCopyFirstBox + i)) + "|";
    for (const auto& [box, text] : boxes) wine::SetTextOf(GetDlgItem(dialog, win32::kCopyFirstBox + box), text);
    wine::Answer(dialog, IDOK);
    return start;
  };
  EXPECT_EQ(fill(kDepthPasses, win32::kDepthPassesDialogTitle,
                 {{1, "-3"}, {2, "1"}, {5, "2"}, {6, "4"}, {7, "1"}}),
            "0|-3|1|66.7|5|0|5|1|") << "surface, plunge feed and safe Z start from the program";
  HWND message = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(wine::MessageText(message).rfind("Derinlik pasoları: 1 kontur × 3 paso, 2 köprü;", 0), 0u)
      << wine::MessageText(message);
  wine::Dismiss(message);

  fill(kDrilling, win32::kDrillingDialogTitle, {{0, "-4"}, {1, "2"}, {2, "100"}, {3, "1.5"}});
  ASSERT_TRUE(MoveTo(30, 5, 5));
  {  // the hole's key, pressed while SimMach3 has the focus
    HWND simWindow = sim.Window();
    SetForegroundWindow(simWindow);
    ASSERT_TRUE(wine::WaitUntil([&] { return GetForegroundWindow() == simWindow; }, 5000));
    wine::PressGlobally({VK_CONTROL, VK_SHIFT, 'H'});
  }
  auto shows = [&](const char* text) {
    return wine::WaitUntil([&] { return k->Program().find(text) != std::string::npos; });
  };
  ASSERT_TRUE(shows("\r\nG98 G83 X+30.0000 Y+5.0000 Z-4 R2 Q1.5 F100")) << k->Program();
  ASSERT_TRUE(MoveTo(40, 5, 5));
  Command(kHole);
  ASSERT_TRUE(MoveTo(60, 5, 5));
  fill(kBoltCircle, win32::kBoltCircleDialogTitle, {{0, "4"}, {1, "5"}, {2, "90"}});
  ASSERT_TRUE(shows("\r\nX+40.0000 Y+5.0000\r\nX+60.0000 Y+10.0000\r\nX+55.0000 Y+5.0000")) << k->Program();
  wine::Click(k->Control(C::Command6));
  ASSERT_TRUE(shows("Y+5.0000\r\nG80\r\nM5")) << k->Program();

  wine::RemoveFile(L"C:\\kestrom-cut.tap");
  EXPECT_EQ(Save("kestrom-cut"), "C:\\ Dizinine (kestrom-cut.tap) dosya adı ile kaydedildi.");
  const std::string saved = wine::ReadFileBytes(L"C:\\kestrom-cut.tap");
  sim.Call("LoadFile", {Arg::RefBstr("C:\\kestrom-cut.tap")});
  sim.Call("SimSpeed", {Arg::RefR8(20)});
  sim.ClearLog();
  wine::Click(GetDlgItem(sim.Window(), sim::kCycleStartButton));
  ASSERT_TRUE(wine::WaitUntil([&] { return !wine::LinesOf(sim.Log(), "RunEnd").empty(); }, 120000));
  EXPECT_EQ(wine::LinesOf(sim.Log(), "RunError"), std::vector<std::string>{});
  EXPECT_TRUE(wine::WaitUntil([&] {
    return wine::TextOf(k->Control(C::Text3)) == "X:+65.0000" && wine::TextOf(k->Control(C::Text4)) == "Y:+5.0000";
  })) << "the run ends over the bolt circle's last hole, not " << wine::TextOf(k->Control(C::Text3));

  // Read back: cuts at -1, -2 and -3, the last pass over two tabs 4 long at -2; six holes 4 deep.
  gcode::ProgramWalk walk(saved);
  gcode::Interpreter interpreter;
  gcode::Block block;
  std::vector<double> depths;
  std::vector<std::pair<double, double>> holes;
  double onTabs = 0;
  int tabs = 0;
  bool wasOnTab = false;
  while (walk.Next(interpreter, block)) {
    if (block.moves.empty()) continue;
    if (block.moves.front().cycle) {
      holes.emplace_back(block.end[0], block.end[1]);
      double bottom = 0;
      for (const gcode::Move& c : block.moves) bottom = std::min(bottom, c.to[2]);
      EXPECT_NEAR(bottom, -4, 1e-9);
      continue;
    }
    const gcode::Move& m = block.moves.back();
    const bool arc = m.kind == gcode::MoveKind::Arc;
    const double length = arc ? gcode::ArcLength(m.from, m.to, m.centre, m.plane,
                                                 gcode::ShapeOf(m.from, m.to, m.centre, m.plane, m.clockwise))
                              : std::hypot(m.to[0] - m.from[0], m.to[1] - m.from[1]);
    if ((!arc && (m.kind != gcode::MoveKind::Feed || length == 0)) || m.to[2] > -0.5) {
      wasOnTab = false;
      continue;
    }
    if (depths.empty() || m.to[2] < depths.back() - 1e-9) depths.push_back(m.to[2]);
    const bool tab = std::fabs(m.to[2] + 2) < 1e-9 && depths.back() < -2.5;
    tabs += tab && !wasOnTab;
    onTabs += tab ? length : 0;
    wasOnTab = tab;
  }
  EXPECT_FALSE(walk.failed()) << block.Problem();
  EXPECT_EQ(depths, (std::vector<double>{-1, -2, -3}));
  EXPECT_EQ(tabs, 2);
  EXPECT_NEAR(onTabs, 8, 1e-3);
  EXPECT_EQ(holes, (std::vector<std::pair<double, double>>{{30, 5}, {40, 5}, {60, 10}, {55, 5}, {60, 0}, {65, 5}}));
  wine::RemoveFile(L"C:\\kestrom-cut.tap");
}

}  // namespace
}  // namespace kestrom
