// A taught program thinned, drawn live in the path view, run back in SimMach3,
// and taught as a part with arcs and edited at the caret.
#include "tests/win32/teach_fixture.h"

namespace kestrom {
namespace {
using C = ControlId;
using wine::WineTeach;

TEST_F(WineTeach, ASquareJoggedInStepsIsThinnedToItsCornersAndCanBeTakenBack) {
  constexpr WPARAM kSimplifyPath = 0x180, kBringBack = 0x160;  // the window menu's commands
  ASSERT_TRUE(TeachOn());
  wine::Click(k->Control(C::Command5));
  std::string program = std::string(kStartHeader) + "\r\nM3";
  ASSERT_TRUE(ProgramIs(program));
  double x = 0, y = 0;
  std::string kept;
  auto line = [&] {
    char text[80];
    std::snprintf(text, sizeof text, "\r\nG01  X%+.4f Y%+.4f Z+0.0000 F200", x, y);
    return std::string(text);
  };
  const int axes[] = {0, 1, 0, 1};
  const double signs[] = {1, 1, -1, -1};
  for (int side = 0; side < 4; ++side)
    for (int step = 1; step <= 4; ++step) {
      Step(axes[side], 0.5 * signs[side]);
      (axes[side] ? y : x) += 0.5 * signs[side];
      program += line();
      if ((side == 0 && step == 1) || step == 4) kept += line();  // the first line and the corners
      ASSERT_TRUE(ProgramIs(program)) << k->Program();
    }
  wine::Click(k->Control(C::Command6));
  program += "\r\nM5";
  ASSERT_TRUE(ProgramIs(program));
  wine::Click(k->Control(C::Check1));  // teach mode off
  ASSERT_TRUE(wine::WaitUntil([&] { return !wine::IsChecked(k->Control(C::Check1)); }));

  PostMessageW(k->window(), WM_SYSCOMMAND, kSimplifyPath, 0);
  HWND box = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(wine::MessageText(box),
            "Yol sadeleştirildi: 18 satırdan 7 satır kaldı. (Path simplified: 7 of 18 lines left.)");
  wine::Dismiss(box);
  const std::string thinned = std::string(kStartHeader) + "\r\nM3" + kept + "\r\nM5";
  ASSERT_TRUE(ProgramIs(thinned)) << k->Program();
  wine::RemoveFile(L"C:\\kestrom-thin.tap");
  EXPECT_EQ(Save("kestrom-thin"), "C:\\ Dizinine (kestrom-thin.tap) dosya adı ile kaydedildi.");
  EXPECT_EQ(wine::ReadFileBytes(L"C:\\kestrom-thin.tap"), thinned + "\r\n");
  PostMessageW(k->window(), WM_SYSCOMMAND, kBringBack, 0);
  EXPECT_TRUE(ProgramIs(program)) << "thinning was not taken back";
  wine::RemoveFile(L"C:\\kestrom-thin.tap");
}

TEST_F(WineTeach, TheToleranceChosenInTheSubmenuIsTheOneSimplifyPathUses) {
  constexpr WPARAM kSimplifyPath = 0x180, kTolerance01mm = 0x800 + 4 * 0x10;  // the window menu's commands
  ASSERT_TRUE(TeachOn());
  // A bend of 0.04 mm: kept at 0.01 mm, thinned away at 0.1 mm.
  std::string program = kStartHeader;
  const std::pair<int, double> steps[] = {{0, 0.5}, {0, 0.5}, {1, 0.04}, {0, 1}};
  const char* const lines[] = {"X+0.5000 Y+0.0000", "X+1.0000 Y+0.0000", "X+1.0000 Y+0.0400", "X+2.0000 Y+0.0400"};
  for (int i = 0; i < 4; ++i) {
    Step(steps[i].first, steps[i].second);
    program += std::string("\r\nG01  ") + lines[i] + " Z+0.0000 F200";
    ASSERT_TRUE(ProgramIs(program)) << k->Program();
  }
  wine::Click(k->Control(C::Check1));
  ASSERT_TRUE(wine::WaitUntil([&] { return !wine::IsChecked(k->Control(C::Check1)); }));
  auto simplify = [&] {
    PostMessageW(k->window(), WM_SYSCOMMAND, kSimplifyPath, 0);
    HWND box = wine::WaitForMessageBox(k->pid());
    if (!box) return std::string("<no message box>");
    const std::string text = wine::MessageText(box);
    wine::Dismiss(box);
    return text;
  };
  EXPECT_EQ(simplify(), "Yol sadeleştirildi: 4 satırdan 4 satır kaldı. (Path simplified: 4 of 4 lines left.)");
  EXPECT_EQ(k->Program(), program);
  PostMessageW(k->window(), WM_SYSCOMMAND, kTolerance01mm, 0);
  EXPECT_EQ(simplify(), "Yol sadeleştirildi: 4 satırdan 2 satır kaldı. (Path simplified: 2 of 4 lines left.)");
  EXPECT_TRUE(ProgramIs(std::string(kStartHeader) + "\r\nG01  X+0.5000 Y+0.0000 Z+0.0000 F200" +
                        "\r\nG01  X+2.0000 Y+0.0400 Z+0.0000 F200"))
      << k->Program();
}

// What the screen shows near a pixel of a window's client area: whether `ink`
// is within a pixel of it (pens are one or two pixels wide).
bool InkNear(HWND window, int x, int y, Ink ink) {
  const InkStyle& s = StyleOf(ink);
  const win32::WindowDc screen(nullptr);
  POINT at{x, y};
  ClientToScreen(window, &at);
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx)
      if (GetPixel(screen.get(), at.x + dx, at.y + dy) == RGB(s.red, s.green, s.blue)) return true;
  return false;
}

TEST_F(WineTeach, ThePathViewDrawsATaughtSquareLiveAndLosesTheSegmentTakenBack) {
  constexpr WPARAM kPathView = 0x190, kRemoveLastLine = 0x140;  // the window menu's commands
  const std::wstring caption = win32::Widen(kPathViewCaption);
  PostMessageW(k->window(), WM_SYSCOMMAND, kPathView, 0);
  HWND view = nullptr;
  ASSERT_TRUE(wine::WaitUntil([&] { return (view = wine::FindTopWindow(k->pid(), L"KestromPathView", caption)); }));
  EXPECT_EQ(GetWindow(view, GW_OWNER), k->window());  // it follows the main window in the stacking order

  ASSERT_TRUE(TeachOn());
  wine::Click(k->Control(C::Command5));  // M3 before, M5 after: every side with the spindle on
  std::string program = std::string(kStartHeader) + "\r\nM3";
  ASSERT_TRUE(ProgramIs(program));
  const char* const corners[] = {"X+10.0000 Y+0.0000", "X+10.0000 Y+10.0000", "X+0.0000 Y+10.0000",
                                 "X+0.0000 Y+0.0000"};
  const std::pair<int, double> sides[] = {{0, 10}, {1, 10}, {0, -10}, {1, -10}};
  for (int i = 0; i < 4; ++i) {
    Step(sides[i].first, sides[i].second);
    program += std::string("\r\nG01  ") + corners[i] + " Z+0.0000 F200";
    ASSERT_TRUE(ProgramIs(program)) << k->Program();
  }
  wine::Click(k->Control(C::Command6));
  ASSERT_TRUE(ProgramIs(program + "\r\nM5"));

  // Where one scale for both axes puts the square: centred below the strip, the margin on its tighter side.
  RECT client{};
  GetClientRect(view, &client);
  const int dpi = [] { const win32::WindowDc s(nullptr); return GetDeviceCaps(s.get(), LOGPIXELSY); }();
  const int strip = MulDiv(kStripAt96, dpi, 96), margin = MulDiv(kMarginAt96, dpi, 96);
  const double scale = std::min(client.right - 2 * margin, client.bottom - strip - 2 * margin) / 10.0;
  const double cx = client.right / 2.0, cy = strip + (client.bottom - strip) / 2.0;
  auto px = [&](double x) { return static_cast<int>(std::lround(cx + (x - 5) * scale)); };
  auto py = [&](double y) { return static_cast<int>(std::lround(cy - (y - 5) * scale)); };
  auto onAt = [&](double x, double y) { return InkNear(view, px(x), py(y), Ink::On); };
  ASSERT_TRUE(wine::WaitUntil([&] { return onAt(10, 0) && onAt(10, 10) && onAt(0, 10) && onAt(0, 5); }, 5000))
      << "the square's corners are not where the scale puts them";
  EXPECT_TRUE(InkNear(view, px(0), py(0), Ink::LastPoint));  // the last point, back at the start
  EXPECT_FALSE(onAt(5, 5));  // inside the square: grid and paper only
  wine::SaveScreenshot(view, "path-view");

  // M5, then the last side taken back: the view loses that segment.
  PostMessageW(k->window(), WM_SYSCOMMAND, kRemoveLastLine, 0);
  ASSERT_TRUE(ProgramIs(program));
  PostMessageW(k->window(), WM_SYSCOMMAND, kRemoveLastLine, 0);
  ASSERT_TRUE(ProgramIs(program.substr(0, program.rfind("\r\n"))));
  EXPECT_TRUE(wine::WaitUntil([&] { return !onAt(0, 5); }, 5000)) << "the removed side is still drawn";
  EXPECT_TRUE(onAt(5, 10) && onAt(10, 5));
  EXPECT_TRUE(InkNear(view, px(0), py(10), Ink::LastPoint));

  // Moved, resized, turned to XZ and closed with its close box: it comes back so.
  wine::Click(k->Control(C::Check1));  // teach mode off
  SetWindowPos(view, nullptr, 40, 50, 420, 380, SWP_NOZORDER | SWP_NOACTIVATE);
  HWND xz = FindWindowExW(view, nullptr, L"BUTTON", L"XZ");
  ASSERT_NE(xz, nullptr);
  wine::Click(xz);
  ASSERT_TRUE(wine::WaitUntil([&] { return wine::IsChecked(xz); }));
  RECT before{};
  GetWindowRect(view, &before);
  PostMessageW(view, WM_CLOSE, 0, 0);
  ASSERT_TRUE(wine::WaitUntil([&] { return !IsWindow(view); }));
  PostMessageW(k->window(), WM_SYSCOMMAND, kPathView, 0);
  ASSERT_TRUE(wine::WaitUntil([&] { return (view = wine::FindTopWindow(k->pid(), L"KestromPathView", caption)); }));
  RECT after{};
  GetWindowRect(view, &after);
  EXPECT_TRUE(EqualRect(&before, &after));
  EXPECT_TRUE(wine::IsChecked(FindWindowExW(view, nullptr, L"BUTTON", L"XZ")));
  PostMessageW(k->window(), WM_SYSCOMMAND, kPathView, 0);  // the menu closes it again
  EXPECT_TRUE(wine::WaitUntil([&] { return !IsWindow(view); }));
}

// Taught, loaded into SimMach3 and run back at ten times its speed: the run
// passes every taught point in order, Kestrom's readouts follow it, and a line
// SimMach3 cannot run stops the run there, named in SimMach3's window.
TEST_F(WineTeach, ATaughtProgramRunsBackThroughItsPointsInSimMach3) {
  constexpr WPARAM kLoadIntoMach3 = 0x120;  // the window menu's command
  ASSERT_TRUE(TeachOn());
  wine::Click(k->Control(C::Command5));
  std::string program = std::string(kStartHeader) + "\r\nM3";
  ASSERT_TRUE(ProgramIs(program));
  const struct { int axis; double distance; const char* at; } steps[] = {
      {0, 5, "X+5.0000 Y+0.0000 Z+0.0000"}, {1, 2.5, "X+5.0000 Y+2.5000 Z+0.0000"},
      {2, -1, "X+5.0000 Y+2.5000 Z-1.0000"}, {0, -3.25, "X+1.7500 Y+2.5000 Z-1.0000"}};
  std::vector<std::string> ends;
  for (const auto& s : steps) {
    Step(s.axis, s.distance);
    program += "\r\nG01  " + std::string(s.at) + " F200";
    ends.push_back(std::string(s.at) + " A+0.0000 B+0.0000 C+0.0000");
    ASSERT_TRUE(ProgramIs(program)) << k->Program();
  }
  wine::Click(k->Control(C::Command6));
  program += "\r\nM5";
  ASSERT_TRUE(ProgramIs(program));
  wine::Click(k->Control(C::Check1));  // teach mode off, and the machine moved away
  ASSERT_TRUE(wine::WaitUntil([&] { return !wine::IsChecked(k->Control(C::Check1)); }));
  Step(0, 20);
  wine::RemoveFile(L"C:\\kestrom-play.tap");
  wine::SetTextOf(k->Control(C::Text1), "kestrom-play");
  PostMessageW(k->window(), WM_SYSCOMMAND, kLoadIntoMach3, 0);
  HWND box = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(box, nullptr);
  wine::Dismiss(box);
  ASSERT_TRUE(wine::WaitUntil([&] { return sim.Call("FileName").value.text == "C:\\kestrom-play.tap"; }));

  sim.Call("SimSpeed", {Arg::RefR8(10)});
  sim.ClearLog();
  wine::Click(GetDlgItem(sim.Window(), sim::kCycleStartButton));
  ASSERT_TRUE(wine::WaitUntil([&] { return !wine::LinesOf(sim.Log(), "RunEnd").empty(); }));
  std::vector<std::string> passed;
  for (const std::string& move : wine::LinesOf(sim.Log(), "RunMove"))
    passed.push_back(move.substr(move.find(": ") + 2, move.size() - move.find(": ") - 3));
  EXPECT_EQ(passed, ends);
  EXPECT_EQ(wine::LinesOf(sim.Log(), "RunEnd"), std::vector<std::string>{"RunEnd(end of program, line 9)"});
  EXPECT_TRUE(wine::WaitUntil([&] {
    return wine::TextOf(k->Control(C::Text3)) == "X:+1.7500" && wine::TextOf(k->Control(C::Text5)) == "Z:-1.0000";
  })) << "Kestrom's readouts did not follow the run";

  // A line SimMach3 cannot run: the run stops before it, and its window says where.
  {
    const std::string bad = "G21 G90\r\nG0 X3\r\nG51 X1\r\nG0 X9\r\n";
    win32::UniqueHandle f(CreateFileW(L"C:\\kestrom-bad.tap", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD done = 0;
    WriteFile(f.get(), bad.data(), static_cast<DWORD>(bad.size()), &done, nullptr);
  }
  sim.Call("LoadFile", {Arg::RefBstr("C:\\kestrom-bad.tap")});
  wine::Click(GetDlgItem(sim.Window(), sim::kCycleStartButton));
  HWND status = GetDlgItem(sim.Window(), sim::kRunStatusText);
  EXPECT_TRUE(wine::WaitUntil([&] {
    return wine::TextOf(status) == "Stopped at line 3: G51 X1 (scaling is not read: G51)";
  })) << wine::TextOf(status);
  EXPECT_EQ(wine::LinesOf(sim.Log(), "RunError"), std::vector<std::string>{"RunError(line 3: scaling is not read: G51)"});
  EXPECT_TRUE(wine::WaitUntil([&] { return wine::TextOf(k->Control(C::Text3)) == "X:+3.0000"; }));
  EXPECT_TRUE(wine::SaveScreenshot(sim.Window(), "simmach3-run-stopped"));
  wine::RemoveFile(L"C:\\kestrom-bad.tap");
  wine::RemoveFile(L"C:\\kestrom-play.tap");
}

// A rounded rectangle taught as a part: a rapid approach, M3, four sides and
// four corner arcs each from a via and an end point, M5; then edits at the
// caret: the approach taught again, a point inserted, a line deleted, and an
// edit refused that would move an arc's start. The path view draws the arcs
// through their via points.
TEST_F(WineTeach, ARoundedRectangleTaughtWithArcsAndEditedAtTheCaret) {
  enum : WPARAM { kPathView = 0x190, kReteach = 0x1D0, kInsert = 0x1E0, kDelete = 0x1F0 };  // the window menu's
  PostMessageW(k->window(), WM_SYSCOMMAND, kPathView, 0);
  HWND view = nullptr;
  ASSERT_TRUE(wine::WaitUntil(
      [&] { return (view = wine::FindTopWindow(k->pid(), L"KestromPathView", win32::Widen(kPathViewCaption))); }));
  std::string program = kStartHeader;
  auto expect = [&](const std::string& line) {
    program += "\r\n" + line;
    return ProgramIs(program);
  };

  ASSERT_TRUE(MoveTo(2, 0, 5));
  {  // the rapid's key, pressed while another program has the focus
    HWND simWindow = sim.Window();
    SetForegroundWindow(simWindow);
    ASSERT_TRUE(wine::WaitUntil([&] { return GetForegroundWindow() == simWindow; }, 5000));
    wine::PressGlobally({VK_CONTROL, VK_SHIFT, 'R'});
  }
  ASSERT_TRUE(expect("G00  X+2.0000 Y+0.0000 Z+5.0000")) << k->Program();
  wine::Click(k->Control(C::Command5));
  ASSERT_TRUE(expect("M3")) << k->Program();
  ASSERT_TRUE(TeachRoundedRectangle(program));
  const double d = 2 - std::sqrt(2.0);
  wine::Click(k->Control(C::Command7));
  ASSERT_TRUE(expect("M1")) << k->Program();
  wine::Click(k->Control(C::Command6));
  ASSERT_TRUE(expect("M5")) << k->Program();

  // The arcs are drawn through their via points, not as chords.
  RECT client{};
  GetClientRect(view, &client);
  const int dpi = [] { const win32::WindowDc s(nullptr); return GetDeviceCaps(s.get(), LOGPIXELSY); }();
  const int strip = MulDiv(kStripAt96, dpi, 96), margin = MulDiv(kMarginAt96, dpi, 96);
  const double scale = std::min((client.right - 2 * margin) / 20.0, (client.bottom - strip - 2 * margin) / 10.0);
  const double cx = client.right / 2.0, cy = strip + (client.bottom - strip) / 2.0;
  auto onAt = [&](double x, double y) {
    return InkNear(view, static_cast<int>(std::lround(cx + (x - 10) * scale)),
                   static_cast<int>(std::lround(cy - (y - 5) * scale)), Ink::On);
  };
  EXPECT_TRUE(wine::WaitUntil([&] { return onAt(20 - d, d) && onAt(d, 10 - d) && onAt(10, 0); }, 5000))
      << "an arc's middle is not where its via point was";
  EXPECT_FALSE(onAt(19, 1)) << "a corner drawn as its chord";
  wine::SaveScreenshot(view, "path-view-rounded-rectangle");

  // Edits at the caret's line.
  HWND box = k->Control(C::Text2);
  auto caretOn = [&](const std::string& line) {
    const LPARAM offset = static_cast<LPARAM>(program.find(line) + 1);
    wine::Ask(box, EM_SETSEL, static_cast<WPARAM>(offset), offset);
  };
  auto replaced = [&](const std::string& from, const std::string& to) {
    program.replace(program.find(from), from.size(), to);
    return ProgramIs(program);
  };
  ASSERT_TRUE(MoveTo(2, 0, 10));
  caretOn("G00");
  Command(kReteach);
  ASSERT_TRUE(replaced("G00  X+2.0000 Y+0.0000 Z+5.0000", "G00  X+2.0000 Y+0.0000 Z+10.0000")) << k->Program();
  ASSERT_TRUE(MoveTo(2, 0, 2));
  caretOn("M3");
  Command(kInsert);
  ASSERT_TRUE(replaced("\r\nM3", "\r\nM3\r\nG01  X+2.0000 Y+0.0000 Z+2.0000 F200")) << k->Program();
  caretOn("M1");
  Command(kDelete);
  ASSERT_TRUE(replaced("\r\nM1", "")) << k->Program();
  caretOn("G01  X+18.0000");
  PostMessageW(k->window(), WM_SYSCOMMAND, kDelete, 0);  // refused: the first corner's arc starts where this line ends
  HWND refusal = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(refusal, nullptr);
  EXPECT_NE(wine::MessageText(refusal).find("bu değişiklik bu satırdaki yayın başlangıcını kaydırırdı"), std::string::npos)
      << wine::MessageText(refusal);
  wine::Dismiss(refusal);
  EXPECT_EQ(k->Program(), program);

  wine::RemoveFile(L"C:\\kestrom-part.tap");
  EXPECT_EQ(Save("kestrom-part"), "C:\\ Dizinine (kestrom-part.tap) dosya adı ile kaydedildi.");
  const std::string saved = wine::ReadFileBytes(L"C:\\kestrom-part.tap");
  EXPECT_EQ(saved, program + "\r\n");
  // Read back by Kestrom's interpreter: four quarter arcs of radius 2 round the corners' centres.
  gcode::ProgramWalk walk(saved);
  gcode::Interpreter interpreter;
  gcode::Block block;
  std::vector<std::pair<double, double>> centres;
  while (walk.Next(interpreter, block))
    for (const gcode::Move& m : block.moves)
      if (m.kind == gcode::MoveKind::Arc) centres.push_back({m.centre[0], m.centre[1]});
  EXPECT_FALSE(walk.failed()) << block.Problem();
  EXPECT_EQ(centres, (std::vector<std::pair<double, double>>{{18, 2}, {18, 8}, {2, 8}, {2, 2}}));
  wine::RemoveFile(L"C:\\kestrom-part.tap");
}

}  // namespace
}  // namespace kestrom
