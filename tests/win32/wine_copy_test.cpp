// Teach once, cut many: copies through the grid dialog, a CAM program played
// back and repeated, and a template traced with the pointer and offset by the
// tool. (The part cut in passes is wine_cut_test's.)
#include "tests/win32/teach_fixture.h"

namespace kestrom {
namespace {
using C = ControlId;
using wine::WineTeach;

// Teach once, cut many: a small part repeated 2 × 3 through the grid dialog,
// taken back, made relative and saved.
TEST_F(WineTeach, ASmallPartRepeatedThroughTheGridDialogTakenBackAndMadeRelative) {
  const WPARAM kRecordPoint = MenuId(FormCommand::RecordPoint), kBringBack = MenuId(FormCommand::BringBack),
               kGrid = MenuId(FormCommand::RepeatInGrid), kRelative = MenuId(FormCommand::MakeRelative);
  wine::Click(k->Control(C::Command5));
  std::string program = std::string(kStartHeader) + "\r\nM3";
  ASSERT_TRUE(ProgramIs(program));
  for (const auto& [axis, dro] : std::vector<std::pair<int, const char*>>{{0, "X:+1.0000"}, {1, "Y:+1.0000"}}) {
    Step(axis, 1);
    ASSERT_TRUE(wine::WaitUntil([&, dro = dro, axis = axis] {
      return wine::TextOf(k->Control(axis ? C::Text4 : C::Text3)) == dro;
    }));
    wine::Ask(k->window(), WM_SYSCOMMAND, kRecordPoint, 0);
  }
  wine::Click(k->Control(C::Command6));
  program += "\r\nG01  X+1.0000 Y+0.0000 Z+0.0000 F200\r\nG01  X+1.0000 Y+1.0000 Z+0.0000 F200\r\nM5";
  ASSERT_TRUE(ProgramIs(program)) << k->Program();

  PostMessageW(k->window(), WM_SYSCOMMAND, kGrid, 0);  // posted: the dialog is modal
  HWND dialog = wine::WaitForDialog(k->pid(), win32::kGridDialogTitle);
  ASSERT_NE(dialog, nullptr);
  const char* const typed[] = {"2", "3", "10", "5,5", "5"};  // rows, columns, ΔX, ΔY (a decimal comma), safe Z
  for (int i = 0; i < 5; ++i) wine::SetTextOf(GetDlgItem(dialog, win32::kCopyFirstBox + i), typed[i]);
  Sleep(300);  // painted, for the screenshot
  EXPECT_TRUE(wine::SaveScreenshot(dialog, "grid-dialog"));
  wine::Answer(dialog, IDOK);
  HWND box = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(wine::MessageText(box), "6 kopya, 2 satır × 3 sütun; 37 satır (6 copies, 2 rows × 3 columns; 37 lines).");
  wine::Dismiss(box);
  const std::string grid = k->Program();
  EXPECT_NE(grid.find("\r\nM5\r\nG00  Z+5.0000\r\nG00  X+11.0000 Y+0.0000\r\nM3\r\nG01  X+11.0000 Y+0.0000"),
            std::string::npos) << grid;
  EXPECT_NE(grid.find("\r\nG00  X+21.0000 Y+5.5000\r\nM3\r\nG01  X+21.0000 Y+5.5000 Z+0.0000 F200\r\n"
                      "G01  X+21.0000 Y+6.5000 Z+0.0000 F200\r\nM5"),
            std::string::npos) << grid;

  PostMessageW(k->window(), WM_SYSCOMMAND, kBringBack, 0);
  ASSERT_TRUE(ProgramIs(program)) << "the grid was not taken back";
  PostMessageW(k->window(), WM_SYSCOMMAND, kRelative, 0);
  box = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(box, nullptr);
  wine::Dismiss(box);
  const std::string relative = "(Kestrom File) \r\nG21 G90 G49 G64\r\nG91 G91.1\r\n\r\nM3\r\n"
                               "G01  X+0.0000 Y+0.0000 Z+0.0000 F200\r\nG01  X+0.0000 Y+1.0000 Z+0.0000 F200\r\nM5\r\nG90";
  ASSERT_TRUE(ProgramIs(relative)) << k->Program();
  wine::RemoveFile(L"C:\\kestrom-grid.tap");
  EXPECT_EQ(Save("kestrom-grid"), "C:\\ Dizinine (kestrom-grid.tap) dosya adı ile kaydedildi.");
  EXPECT_EQ(wine::ReadFileBytes(L"C:\\kestrom-grid.tap"), relative + "\r\n");
  wine::RemoveFile(L"C:\\kestrom-grid.tap");
}

// A program Kestrom did not write, as a CAM post-processor writes it for
// Mach3: opened, played back in SimMach3 with its tool change's pause, its
// drilling cycle and its R arc, repeated 1 × 2 with safe Z from the program,
// saved, and read back to the places expected.
TEST_F(WineTeach, ACamProgramIsOpenedPlayedBackWithItsToolChangeGriddedAndSaved) {
  const WPARAM kOpen = MenuId(FormCommand::Open), kGrid = MenuId(FormCommand::RepeatInGrid);
  const std::string cam =
      "%\r\nO1000 (PART)\r\nG90 G94 G17 G91.1\r\nG21\r\nG53 G0 Z0.\r\nT1 M6\r\nS8000 M3\r\nG54\r\nM8\r\n"
      "G0 X0. Y0.\r\nG43 Z15. H1\r\nG0 Z5.\r\nG1 Z-1. F300.\r\nG1 X20.\r\nG2 X30. Y10. R10.\r\nG1 Y20.\r\n"
      "G0 Z5.\r\nG4 P0.2\r\nG98 G81 X10. Y10. Z-3. R2. F100.\r\nX15.\r\nG80\r\nG0 Z15.\r\nM9\r\nM5\r\nM30\r\n%\r\n";
  wine::RemoveFile(L"C:\\kestrom-cam.tap");
  {
    win32::UniqueHandle f(CreateFileW(L"C:\\kestrom-cam.tap", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD done = 0;
    WriteFile(f.get(), cam.data(), static_cast<DWORD>(cam.size()), &done, nullptr);
  }
  PostMessageW(k->window(), WM_SYSCOMMAND, kOpen, 0);
  HWND dialog = wine::WaitForDialog(k->pid(), "Aç (Open)");
  ASSERT_NE(dialog, nullptr);
  wine::AnswerFileDialog(dialog, "C:\\kestrom-cam.tap");
  const std::string opened = cam.substr(0, cam.size() - 2);  // the box holds no line end after the last line
  ASSERT_TRUE(ProgramIs(opened)) << k->Program();

  // Played back: the run stops at M6 for the operator, Cycle Start goes on to M30.
  sim.Call("LoadFile", {Arg::RefBstr("C:\\kestrom-cam.tap")});
  sim.Call("SimSpeed", {Arg::RefR8(10)});
  sim.ClearLog();
  wine::Click(GetDlgItem(sim.Window(), sim::kCycleStartButton));
  HWND status = GetDlgItem(sim.Window(), sim::kRunStatusText);
  ASSERT_TRUE(wine::WaitUntil([&] { return wine::TextOf(status) == "Tool change: T1 at line 6: Cycle Start goes on"; }))
      << wine::TextOf(status);
  EXPECT_EQ(wine::LinesOf(sim.Log(), "RunToolChange"), std::vector<std::string>{"RunToolChange(T1, line 6)"});
  wine::Click(GetDlgItem(sim.Window(), sim::kCycleStartButton));
  ASSERT_TRUE(wine::WaitUntil([&] { return !wine::LinesOf(sim.Log(), "RunEnd").empty(); }, 60000)) << wine::TextOf(status);
  EXPECT_EQ(wine::LinesOf(sim.Log(), "RunEnd"), std::vector<std::string>{"RunEnd(M30, line 25)"});
  const std::vector<std::string> moves = wine::LinesOf(sim.Log(), "RunMove");
  ASSERT_FALSE(moves.empty());
  EXPECT_EQ(moves.back(), "RunMove(line 22: X+15.0000 Y+10.0000 Z+15.0000 A+0.0000 B+0.0000 C+0.0000)");
  EXPECT_NE(std::find(moves.begin(), moves.end(),
                      "RunMove(line 15: X+30.0000 Y+10.0000 Z-1.0000 A+0.0000 B+0.0000 C+0.0000)"),
            moves.end()) << "the R arc's end";

  // Repeated 1 × 2, 50 mm apart; the dialog's safe Z starts at the program's highest Z and says its units.
  PostMessageW(k->window(), WM_SYSCOMMAND, kGrid, 0);
  dialog = wine::WaitForDialog(k->pid(), win32::kGridDialogTitle);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(wine::TextOf(GetDlgItem(dialog, win32::kCopyFirstBox + 4)), "15");
  const char* const typed[] = {"1", "2", "50", "0"};
  for (int i = 0; i < 4; ++i) wine::SetTextOf(GetDlgItem(dialog, win32::kCopyFirstBox + i), typed[i]);
  wine::Answer(dialog, IDOK);
  HWND box = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(wine::MessageText(box).rfind("2 kopya, 1 satır × 2 sütun;", 0), 0u) << wine::MessageText(box);
  wine::Dismiss(box);
  wine::RemoveFile(L"C:\\kestrom-cam-grid.tap");
  EXPECT_EQ(Save("kestrom-cam-grid"), "C:\\ Dizinine (kestrom-cam-grid.tap) dosya adı ile kaydedildi.");
  const std::string saved = wine::ReadFileBytes(L"C:\\kestrom-cam-grid.tap");
  EXPECT_EQ(saved.find("M30"), saved.rfind("M30")) << "M30 once, at the end: Mach3 cuts both parts";
  // Read back: the second part's holes and arc where the first part's are, 50 mm on.
  gcode::ProgramWalk walk(saved);
  gcode::Interpreter interpreter;
  gcode::Block block;
  std::vector<gcode::Point> holes, arcEnds;
  while (walk.Next(interpreter, block))
    for (const gcode::Move& m : block.moves) {
      if (m.cycle && m.kind == gcode::MoveKind::Feed) holes.push_back(m.to);
      if (m.kind == gcode::MoveKind::Arc) arcEnds.push_back(m.to);
    }
  EXPECT_FALSE(walk.failed()) << block.Problem();
  EXPECT_TRUE(walk.ended());
  EXPECT_EQ(holes, (std::vector<gcode::Point>{{10, 10, -3, 0, 0, 0}, {15, 10, -3, 0, 0, 0}, {60, 10, -3, 0, 0, 0},
                                               {65, 10, -3, 0, 0, 0}}));
  EXPECT_EQ(arcEnds, (std::vector<gcode::Point>{{30, 10, -1, 0, 0, 0}, {80, 10, -1, 0, 0, 0}}));
  wine::RemoveFile(L"C:\\kestrom-cam.tap");
  wine::RemoveFile(L"C:\\kestrom-cam-grid.tap");
}

// Tracing a template: the pointer's offset measured with SimMach3 jogged
// between the two steps, a 20 × 10 rectangle traced with the pointer, offset
// outside for a 6 mm tool, played back and saved with its drawing.
TEST_F(WineTeach, ARectangleTracedWithThePointerOffsetByTheToolPlaysBackAndSavesItsDrawing) {
  const WPARAM kRapid = MenuId(FormCommand::RecordRapidPoint), kSaveDrawing = MenuId(FormCommand::SaveDrawing),
               kPointer = MenuId(FormCommand::PointerOffset), kToolRadius = MenuId(FormCommand::ToolRadius);
  ASSERT_TRUE(MoveTo(10, 10, 0));  // the tool over a mark
  PostMessageW(k->window(), WM_SYSCOMMAND, kPointer, 0);
  HWND dialog = wine::WaitForDialog(k->pid(), win32::kPointerDialogTitle);
  ASSERT_NE(dialog, nullptr);
  wine::Answer(dialog, win32::kCopyButton);  // Ölç (Measure)
  HWND step = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(step, nullptr);
  EXPECT_EQ(wine::MessageText(step).rfind("1/2:", 0), 0u) << wine::MessageText(step);
  wine::Dismiss(step);
  step = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(step, nullptr);
  ASSERT_TRUE(MoveTo(4, 7, 0));  // jogged while Kestrom waits: the pointer on the mark
  wine::Dismiss(step);
  dialog = wine::WaitForDialog(k->pid(), win32::kPointerDialogTitle);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(wine::TextOf(GetDlgItem(dialog, win32::kCopyFirstBox)), "+6.0000");
  EXPECT_EQ(wine::TextOf(GetDlgItem(dialog, win32::kCopyFirstBox + 1)), "+3.0000");
  wine::Click(GetDlgItem(dialog, win32::kCopyCheckBox));
  wine::Answer(dialog, IDOK);

  // Traced at the pointer: the machine stands 6 left and 3 below each corner.
  std::string program = kStartHeader;
  ASSERT_TRUE(MoveTo(-6, -3, 5));
  Command(kRapid);
  wine::Click(k->Control(C::Command5));
  program += "\r\nG00  X+0.0000 Y+0.0000 Z+5.0000\r\nM3";
  const double corners[5][2] = {{0, 0}, {20, 0}, {20, 10}, {0, 10}, {0, 0}};
  for (const auto& c : corners) {
    ASSERT_TRUE(MoveTo(c[0] - 6, c[1] - 3, 0));
    Command(kRecordPointId);
    char line[64];
    std::snprintf(line, sizeof line, "\r\nG01  X%+.4f Y%+.4f Z+0.0000 F200", c[0], c[1]);
    program += line;
  }
  ASSERT_TRUE(MoveTo(-6, -3, 5));
  Command(kRapid);
  wine::Click(k->Control(C::Command6));
  program += "\r\nG00  X+0.0000 Y+0.0000 Z+5.0000\r\nM5";
  ASSERT_TRUE(ProgramIs(program)) << k->Program();

  PostMessageW(k->window(), WM_SYSCOMMAND, kToolRadius, 0);
  dialog = wine::WaitForDialog(k->pid(), win32::kToolRadiusDialogTitle);
  ASSERT_NE(dialog, nullptr);
  wine::SetTextOf(GetDlgItem(dialog, win32::kCopyFirstBox), "6");
  EXPECT_EQ(wine::TextOf(GetDlgItem(dialog, win32::kCopyFirstBox + 1)), "5") << "safe Z: the program's highest";
  wine::Answer(dialog, IDOK);  // Dış (outside), as the dialog starts
  HWND message = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(wine::MessageText(message).rfind("Takım yarıçapı kadar kaydırıldı: 1 kontur, çap 6;", 0), 0u)
      << wine::MessageText(message);
  wine::Dismiss(message);

  wine::RemoveFile(L"C:\\kestrom-trace.tap");
  wine::RemoveFile(L"C:\\kestrom-trace.dxf");
  EXPECT_EQ(Save("kestrom-trace"), "C:\\ Dizinine (kestrom-trace.tap) dosya adı ile kaydedildi.");
  sim.Call("LoadFile", {Arg::RefBstr("C:\\kestrom-trace.tap")});
  sim.Call("SimSpeed", {Arg::RefR8(20)});
  sim.ClearLog();
  wine::Click(GetDlgItem(sim.Window(), sim::kCycleStartButton));
  ASSERT_TRUE(wine::WaitUntil([&] { return !wine::LinesOf(sim.Log(), "RunEnd").empty(); }, 60000));
  EXPECT_EQ(wine::LinesOf(sim.Log(), "RunError"), std::vector<std::string>{});

  PostMessageW(k->window(), WM_SYSCOMMAND, kSaveDrawing, 0);
  dialog = wine::WaitForDialog(k->pid(), "Çizim Olarak Kaydet (Save as drawing)");
  ASSERT_NE(dialog, nullptr);
  wine::AnswerFileDialog(dialog, "C:\\kestrom-trace.dxf");
  message = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(wine::MessageText(message),
            "Çizim kaydedildi (drawing saved): C:\\kestrom-trace.dxf (5 LINE, 4 ARC, 1 HIZLI, 0 DELIK)");
  wine::Dismiss(message);

  // The program read back: the rectangle grown by 3, corners of radius 3, where the pointer traced it.
  const std::string saved = wine::ReadFileBytes(L"C:\\kestrom-trace.tap");
  gcode::ProgramWalk walk(saved);
  gcode::Interpreter interpreter;
  gcode::Block block;
  double low[2] = {1e9, 1e9}, high[2] = {-1e9, -1e9};
  std::vector<double> radii;
  while (walk.Next(interpreter, block))
    for (const gcode::Move& m : block.moves) {
      if (m.to[2] != 0 || m.kind == gcode::MoveKind::Rapid) continue;
      for (int a = 0; a < 2; ++a) low[a] = std::min(low[a], m.to[a]), high[a] = std::max(high[a], m.to[a]);
      if (m.kind == gcode::MoveKind::Arc) radii.push_back(gcode::PlaneRadius(m.from, m.centre, m.plane));
    }
  EXPECT_FALSE(walk.failed()) << block.Problem();
  EXPECT_EQ(low[0], -3);
  EXPECT_EQ(low[1], -3);
  EXPECT_EQ(high[0], 23);
  EXPECT_EQ(high[1], 13);
  EXPECT_EQ(radii, (std::vector<double>{3, 3, 3, 3}));
  // The drawing: its cuts and arcs on KESIM, in millimetres.
  const std::string dxf = wine::ReadFileBytes(L"C:\\kestrom-trace.dxf");
  EXPECT_NE(dxf.find("$INSUNITS\r\n70\r\n4\r\n"), std::string::npos);
  size_t arcs = 0;
  for (size_t at = 0; (at = dxf.find("0\r\nARC\r\n8\r\nKESIM\r\n", at)) != std::string::npos; ++at) ++arcs;
  EXPECT_EQ(arcs, 4u);
  wine::RemoveFile(L"C:\\kestrom-trace.tap");
  wine::RemoveFile(L"C:\\kestrom-trace.dxf");
}

}  // namespace
}  // namespace kestrom
