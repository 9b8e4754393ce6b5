// After a stop: a CAM program with two tools, stopped in the middle of a cut,
// restarted at that line from the program box's right-click menu and run to
// its end in SimMach3. And a part that lies askew: a program aligned to the
// corner and edge measured on the machine.
#include "tests/win32/teach_fixture.h"

#include "window/part_commands.h"
#include "window/restart_command.h"

namespace kestrom {
namespace {
using C = ControlId;
using wine::WineTeach;

// "RunMove(line 12: X+1.0000 ...)" as its line and where it ended.
std::pair<int, std::string> MoveOf(const std::string& event) {
  const size_t colon = event.find(':');
  return {std::stoi(event.substr(13, colon - 13)), event.substr(colon + 2, event.size() - colon - 3)};
}

TEST_F(WineTeach, AStoppedCamProgramRestartedAtItsLineFromTheProgramBoxRunsToItsEnd) {
  const std::string cam =
      "%\r\nO2000 (BRACKET)\r\nG90 G94 G17 G91.1\r\nG21\r\nG53 G0 Z0.\r\nT1 M6\r\nS8000 M3\r\nG54\r\nM8\r\n"
      "G0 X0. Y0.\r\nG43 Z15. H1\r\nG0 Z5.\r\nG1 Z-1. F300.\r\nG1 X40.\r\nG1 Y20.\r\nG3 X30. Y30. I-10. J0.\r\n"
      "G1 X0.\r\nG1 Y0.\r\nG0 Z15.\r\nT2 M6\r\nS6000 M3\r\nG43 Z15. H2\r\nG98 G81 X10. Y10. Z-3. R2. F100.\r\n"
      "X30.\r\nG80\r\nG0 Z15.\r\nM9\r\nM5\r\nM30\r\n%\r\n";
  constexpr int kStopLine = 14;  // "G1 X40.", a cut 8 s long
  const std::string restartPath = "C:\\kestrom-restart\\bracket-14.tap";
  CreateDirectoryW(L"C:\\kestrom-restart", nullptr);
  wine::RemoveFile(L"C:\\kestrom-restart\\bracket-14.tap");
  {
    win32::UniqueHandle f(
        CreateFileW(L"C:\\kestrom-restart\\bracket.nc", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD done = 0;
    WriteFile(f.get(), cam.data(), static_cast<DWORD>(cam.size()), &done, nullptr);
  }
  PostMessageW(k->window(), WM_SYSCOMMAND, MenuId(FormCommand::Open), 0);
  HWND dialog = wine::WaitForDialog(k->pid(), "Aç (Open)");
  ASSERT_NE(dialog, nullptr);
  wine::AnswerFileDialog(dialog, "C:\\kestrom-restart\\bracket.nc");
  const std::string opened = cam.substr(0, cam.size() - 2);
  ASSERT_TRUE(ProgramIs(opened)) << k->Program();

  // The first run: Cycle Start after the tool change, then Stop in the middle of line 14's cut.
  sim.Call("LoadFile", {Arg::RefBstr("C:\\kestrom-restart\\bracket.nc")});
  sim.Call("SimSpeed", {Arg::RefR8(1)});
  sim.ClearLog();
  HWND status = GetDlgItem(sim.Window(), sim::kRunStatusText);
  wine::Click(GetDlgItem(sim.Window(), sim::kCycleStartButton));
  ASSERT_TRUE(wine::WaitUntil([&] { return wine::TextOf(status).rfind("Tool change: T1", 0) == 0; })) << wine::TextOf(status);
  wine::Click(GetDlgItem(sim.Window(), sim::kCycleStartButton));
  ASSERT_TRUE(wine::WaitUntil(
      [&] {
        double x = 0;
        const std::string dro = wine::TextOf(k->Control(C::Text3));
        return wine::TextOf(status) == "Running line 14" && dro.size() > 2 && gcode::ReadNumber(dro.substr(2), x) && x > 10;
      },
      30000))
      << wine::TextOf(status);
  wine::Click(GetDlgItem(sim.Window(), sim::kStopButton));
  ASSERT_TRUE(wine::WaitUntil([&] { return wine::TextOf(status) == "Stopped at line 14: spindle and coolant off"; }))
      << wine::TextOf(status);
  const std::vector<std::string> first = wine::LinesOf(sim.Log(), "RunMove");
  // Each readout that changes puts the caret at the program's end, even with teach mode off:
  // the line is chosen once Kestrom's readouts show where the machine stopped.
  const std::string stoppedAt = "X:" + sim.Call("GetDROString", {Arg::RefI4(0)}).value.text;
  ASSERT_TRUE(wine::WaitUntil([&] { return wine::TextOf(k->Control(C::Text3)) == stoppedAt; })) << stoppedAt;
  Sleep(500);

  // Restart at line 14 from the program box's right-click menu, from where the machine stands.
  int caret = 0;
  for (int line = 1; line < kStopLine; ++line) caret = static_cast<int>(opened.find('\n', caret)) + 1;
  wine::Ask(k->Control(C::Text2), EM_SETSEL, caret + 2, caret + 2);
  PostMessageW(k->Control(C::Text2), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(k->Control(C::Text2)), -1);
  HWND popup = wine::WaitForMenu(k->thread());
  ASSERT_NE(popup, nullptr);
  // Up from no item chooses the last one, the restart; Enter is read as its character.
  PostMessageW(popup, WM_KEYDOWN, VK_UP, 0);
  Sleep(300);
  EXPECT_TRUE(wine::SaveScreenshot(popup, "program-box-menu"));
  PostMessageW(popup, WM_CHAR, '\r', 0);
  dialog = wine::WaitForDialog(k->pid(), win32::kRestartDialogTitle);
  ASSERT_NE(dialog, nullptr) << (wine::FindMessageBox(k->pid()) ? wine::MessageText(wine::FindMessageBox(k->pid())) : "");
  EXPECT_EQ(wine::TextOf(GetDlgItem(dialog, win32::kCopyFirstNote)), "Satır 14 / 30 (line 14 of 30): G1 X40.");
  const std::string state = wine::TextOf(GetDlgItem(dialog, win32::kCopyFirstNote + 1));
  EXPECT_EQ(state.rfind("Takım T1, iş mili S8000 saat yönünde (M3), soğutma M8, mm, G54, G43 H1", 0), 0u) << state;
  EXPECT_EQ(wine::TextOf(GetDlgItem(dialog, win32::kCopyFirstBox)), "15");      // safe Z: the highest Z before
  EXPECT_EQ(wine::TextOf(GetDlgItem(dialog, win32::kCopyFirstBox + 1)), "100");  // a third of F300
  EXPECT_TRUE(wine::IsChecked(GetDlgItem(dialog, win32::kCopyCheckBox)));        // the program changed tools
  wine::SetTextOf(GetDlgItem(dialog, win32::kCopyFirstBox + 2), "1");
  wine::Click(GetDlgItem(dialog, win32::kCopyFirstChoice + 1));
  ASSERT_TRUE(wine::WaitUntil([&] { return wine::IsChecked(GetDlgItem(dialog, win32::kCopyFirstChoice + 1)); }));
  Sleep(300);
  EXPECT_TRUE(wine::SaveScreenshot(dialog, "restart-dialog"));
  wine::Answer(dialog, IDOK);
  HWND box = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(wine::MessageText(box), RestartLoadedMessage(kStopLine, restartPath));
  wine::Dismiss(box);
  EXPECT_EQ(k->Program(), opened) << "the program box stays as it was";
  const std::string restart = wine::ReadFileBytes(L"C:\\kestrom-restart\\bracket-14.tap");
  ASSERT_FALSE(restart.empty());
  // The restart's line that is the program's line 14: the rest of the program follows it byte for byte.
  const size_t rest = restart.find("\r\nG1 X40.\r\n");
  ASSERT_NE(rest, std::string::npos) << restart;
  EXPECT_EQ(restart.substr(rest + 2), cam.substr(cam.find("G1 X40.\r\n")));
  const int offset = static_cast<int>(std::count(restart.begin(), restart.begin() + static_cast<long>(rest) + 2, '\n')) +
                     1 - kStopLine;

  // The second run: the restart loaded into SimMach3 by Kestrom, Cycle Start for each tool change.
  sim.Call("SimSpeed", {Arg::RefR8(10)});
  sim.ClearLog();
  wine::Click(GetDlgItem(sim.Window(), sim::kCycleStartButton));
  for (const char* tool : {"Tool change: T1", "Tool change: T2"}) {
    ASSERT_TRUE(wine::WaitUntil([&] { return wine::TextOf(status).rfind(tool, 0) == 0; }, 60000)) << wine::TextOf(status);
    wine::Click(GetDlgItem(sim.Window(), sim::kCycleStartButton));
  }
  ASSERT_TRUE(wine::WaitUntil([&] { return !wine::LinesOf(sim.Log(), "RunEnd").empty(); }, 60000)) << wine::TextOf(status);
  const std::vector<std::string> log = sim.Log();
  EXPECT_EQ(wine::LinesOf(log, "RunError"), std::vector<std::string>{});

  // The two runs' moves together are the program's: the first run's up to the stop, the restart's from line 14.
  std::vector<std::string> moves;
  for (const std::string& e : first) moves.push_back(e);
  int firstCut = -1;
  for (size_t i = 0; i < log.size(); ++i) {
    if (log[i].rfind("RunMove(", 0) != 0) continue;
    const auto [line, at] = MoveOf(log[i]);
    if (line - offset >= kStopLine)
      moves.push_back("RunMove(line " + std::to_string(line - offset) + ": " + at + ")");
    if (firstCut < 0 && at.find(" Z-") != std::string::npos) firstCut = static_cast<int>(i);
  }
  std::vector<std::string> expected;
  {
    gcode::ProgramWalk walk(cam);
    gcode::Interpreter interpreter;
    gcode::Block block;
    while (walk.Next(interpreter, block)) {
      if (block.moves.empty()) continue;
      char at[160];
      std::snprintf(at, sizeof at, "RunMove(line %d: X%+.4f Y%+.4f Z%+.4f A+0.0000 B+0.0000 C+0.0000)", block.number,
                    block.end[0], block.end[1], block.end[2]);
      expected.push_back(at);
    }
  }
  EXPECT_EQ(moves, expected);
  // The spindle turns, and the coolant runs, before the restart's first cut.
  ASSERT_GE(firstCut, 0);
  auto before = [&](const std::string& event) {
    const auto found = std::find_if(log.begin(), log.end(), [&](const std::string& e) { return e.rfind(event, 0) == 0; });
    return found != log.end() && found - log.begin() < firstCut;
  };
  EXPECT_TRUE(before("RunSpindle(CW 8000 rpm")) << log.size();
  EXPECT_TRUE(before("RunCoolant(M8"));
  EXPECT_TRUE(before("RunToolChange(T1"));
  wine::RemoveFile(L"C:\\kestrom-restart\\bracket-14.tap");
  wine::RemoveFile(L"C:\\kestrom-restart\\bracket.nc");
}

// A 40 × 20 rectangle with a bolt circle of four holes, aligned to stock whose
// corner is at (30, 20) and whose edge runs at 12°, measured by jogging SimMach3
// between Align's two boxes; saved, run, and read back where the turned drawing is.
TEST_F(WineTeach, ARectangleWithABoltCircleAlignedToStockLyingAt12Degrees) {
  const std::string part =
      "G21 G90 G17\r\nG0 X0 Y0 Z5\r\nG1 Z-1 F300\r\nG1 X40\r\nG1 Y20\r\nG1 X0\r\nG1 Y0\r\nG0 Z5\r\n"
      "G98 G81 X25 Y10 Z-4 R2 F100\r\nX20 Y15\r\nX15 Y10\r\nX20 Y5\r\nG80\r\nM30\r\n";
  {
    win32::UniqueHandle f(CreateFileW(L"C:\\kestrom-askew.nc", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD done = 0;
    WriteFile(f.get(), part.data(), static_cast<DWORD>(part.size()), &done, nullptr);
  }
  PostMessageW(k->window(), WM_SYSCOMMAND, MenuId(FormCommand::Open), 0);
  HWND dialog = wine::WaitForDialog(k->pid(), "Aç (Open)");
  ASSERT_NE(dialog, nullptr);
  wine::AnswerFileDialog(dialog, "C:\\kestrom-askew.nc");
  ASSERT_TRUE(ProgramIs(part.substr(0, part.size() - 2)));

  // The two steps: the corner, then a point 50 mm along the edge, jogged to while each box waits.
  const double a = 12 * 3.14159265358979323846 / 180;
  PostMessageW(k->window(), WM_SYSCOMMAND, MenuId(FormCommand::AlignToPart), 0);
  HWND box = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(wine::MessageText(box), kAlignFirstStep);
  ASSERT_TRUE(MoveTo(30, 20, 0));
  wine::Dismiss(box);
  box = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(wine::MessageText(box), kAlignSecondStep);
  ASSERT_TRUE(MoveTo(std::round((30 + 50 * std::cos(a)) * 1e4) / 1e4, std::round((20 + 50 * std::sin(a)) * 1e4) / 1e4, 0));
  wine::Dismiss(box);
  dialog = wine::WaitForDialog(k->pid(), win32::kAlignDialogTitle);
  ASSERT_NE(dialog, nullptr);
  double measured = 0;
  ASSERT_TRUE(gcode::ReadNumber(wine::TextOf(GetDlgItem(dialog, win32::kCopyFirstBox)), measured));
  EXPECT_NEAR(measured, 12, 1e-3);
  EXPECT_EQ(wine::TextOf(GetDlgItem(dialog, win32::kCopyFirstBox + 1)), "30");
  EXPECT_EQ(wine::TextOf(GetDlgItem(dialog, win32::kCopyFirstBox + 2)), "20");
  wine::SetTextOf(GetDlgItem(dialog, win32::kCopyFirstBox), "12");  // the angle the stock was set at, typed
  Sleep(300);
  EXPECT_TRUE(wine::SaveScreenshot(dialog, "align-dialog"));
  wine::Answer(dialog, IDOK);
  box = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(wine::MessageText(box).rfind("Program parçaya hizalandı: köşe X 30, Y 20, kenar 12°", 0), 0u)
      << wine::MessageText(box);
  wine::Dismiss(box);

  wine::RemoveFile(L"C:\\kestrom-askew.tap");
  EXPECT_EQ(Save("kestrom-askew"), "C:\\ Dizinine (kestrom-askew.tap) dosya adı ile kaydedildi.");
  const std::string saved = wine::ReadFileBytes(L"C:\\kestrom-askew.tap");
  sim.Call("LoadFile", {Arg::RefBstr("C:\\kestrom-askew.tap")});
  sim.Call("SimSpeed", {Arg::RefR8(10)});
  sim.ClearLog();
  wine::Click(GetDlgItem(sim.Window(), sim::kCycleStartButton));
  ASSERT_TRUE(wine::WaitUntil([&] { return !wine::LinesOf(sim.Log(), "RunEnd").empty(); }, 60000));
  EXPECT_EQ(wine::LinesOf(sim.Log(), "RunError"), std::vector<std::string>{});

  // Read back: the corners at Z-1 and the holes, each where the drawing turned by 12° about (0, 0) and moved to (30, 20) puts it.
  auto turned = [&](double x, double y) {
    return std::pair<double, double>{30 + x * std::cos(a) - y * std::sin(a), 20 + x * std::sin(a) + y * std::cos(a)};
  };
  std::vector<std::pair<double, double>> corners, holes;
  gcode::ProgramWalk walk(saved);
  gcode::Interpreter interpreter;
  gcode::Block block;
  while (walk.Next(interpreter, block)) {
    if (block.moves.empty()) continue;
    if (block.moves.front().cycle) holes.emplace_back(block.moves.front().to[0], block.moves.front().to[1]);
    else if (block.moves.back().kind == gcode::MoveKind::Feed && block.end[2] < -0.5 &&
             block.moves.back().from[2] < -0.5)
      corners.emplace_back(block.end[0], block.end[1]);
  }
  const std::vector<std::pair<double, double>> wantCorners = {turned(40, 0), turned(40, 20), turned(0, 20), turned(0, 0)},
                                               wantHoles = {turned(25, 10), turned(20, 15), turned(15, 10), turned(20, 5)};
  auto within = [](const std::vector<std::pair<double, double>>& got, const std::vector<std::pair<double, double>>& want) {
    if (got.size() != want.size()) return false;
    for (size_t i = 0; i < got.size(); ++i)
      if (std::hypot(got[i].first - want[i].first, got[i].second - want[i].second) > 1e-3) return false;
    return true;
  };
  EXPECT_TRUE(within(corners, wantCorners)) << saved;
  EXPECT_TRUE(within(holes, wantHoles)) << saved;
  const auto last = turned(20, 5);
  char x[32];
  std::snprintf(x, sizeof x, "X:%+.4f", last.first);
  EXPECT_TRUE(wine::WaitUntil([&] { return wine::TextOf(k->Control(C::Text3)) == x; })) << "the run ends over the last hole";
  wine::RemoveFile(L"C:\\kestrom-askew.tap");
  wine::RemoveFile(L"C:\\kestrom-askew.nc");
}

}  // namespace
}  // namespace kestrom
