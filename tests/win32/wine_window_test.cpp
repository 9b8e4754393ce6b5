// kestrom.exe as its own process: the load routine's message, the window and
// its controls as the layout table describes them, the tab order, and closing.
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <map>
#include <string>

#include "machine/win32/text_win32.h"
#include "teach/teach_program.h"
#include "tests/win32/driver.h"
#include "window/layout.h"
#include "window/win32/main_window.h"

namespace kestrom {
namespace {
using C = ControlId;

int Dpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}
int Px(int twips) { return static_cast<int>(std::lround(twips * Dpi() / 1440.0)); }

TEST(WineWindow, WithoutMach3TheLoadShowsTheTextThenTheWindowWorks) {
  wine::Kestrom k;
  HWND box = wine::WaitForMessageBox(k.pid());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(wine::MessageText(box), "Mach3 Programı Kapalı. Önce Mach3 'ü Açınız.");
  EXPECT_TRUE(wine::SaveScreenshot(box, "message-mach3-not-running"));
  wine::Dismiss(box);
  ASSERT_NE(k.WaitForWindow(), nullptr);

  for (C on : {C::Check2, C::Check3, C::Check4, C::Check8}) EXPECT_TRUE(wine::IsChecked(k.Control(on)));
  for (C off : {C::Check5, C::Check6, C::Check7, C::Check1, C::chkAndWait}) EXPECT_FALSE(wine::IsChecked(k.Control(off)));
  EXPECT_EQ(wine::TextOf(k.Control(C::Text6)), "200");
  EXPECT_EQ(wine::TextOf(k.Control(C::Text1)), "Dosya1");
  EXPECT_EQ(k.Program(), kStartHeader);
  EXPECT_EQ(wine::TextOf(k.Control(C::cboPage)), "Run");
  EXPECT_EQ(wine::Ask(k.Control(C::cboPage), CB_GETCOUNT), 6);
  EXPECT_EQ(wine::TextOf(k.Control(C::Check1)), "  Öğrenme Modu");
  EXPECT_TRUE(wine::WaitUntil([&] { return wine::TextOf(k.Control(C::Text3)) == "X:"; }));

  // "Create Mach Object" runs the load again: the message again, six entries again.
  EXPECT_EQ(k.ClickForMessage(C::cmdCreateMachObj), "Mach3 Programı Kapalı. Önce Mach3 'ü Açınız.");
  EXPECT_EQ(wine::Ask(k.Control(C::cboPage), CB_GETCOUNT), 6);
}

TEST(WineWindow, WithSimMach3TheLoadShowsNoMessageAndTheDrosFill) {
  wine::ComApartment com;
  wine::SimMach3 sim;
  ASSERT_TRUE(sim.Ready());
  wine::Kestrom k;
  ASSERT_NE(k.WaitForWindow(), nullptr);
  EXPECT_TRUE(wine::WaitUntil([&] { return wine::TextOf(k.Control(C::Text5)) == "Z:+0.0000"; }));
  EXPECT_EQ(wine::FindMessageBox(k.pid()), nullptr);
  EXPECT_FALSE(wine::LinesOf(sim.Log(), "GetDROString").empty());
  EXPECT_TRUE(wine::SaveScreenshot(k.window(), "window-connected"));
}

TEST(WineWindow, ControlsStandWhereTheTableSaysInTabOrder) {
  wine::Kestrom k;
  HWND box = wine::WaitForMessageBox(k.pid());
  ASSERT_NE(box, nullptr);
  wine::Dismiss(box);
  HWND w = k.WaitForWindow();
  ASSERT_NE(w, nullptr);

  const LONG style = GetWindowLongW(w, GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_MAXIMIZEBOX | WS_MINIMIZEBOX | WS_THICKFRAME));
  RECT client;
  GetClientRect(w, &client);
  EXPECT_EQ(client.right, Px(MainWindowSpec().clientWidth));
  EXPECT_EQ(client.bottom, Px(MainWindowSpec().clientHeight));

  std::vector<HWND> tabStops;
  for (const ControlSpec& spec : MainWindowLayout()) {
    if (spec.kind == ControlKind::Timer) continue;
    HWND h = k.Control(spec.id);
    ASSERT_NE(h, nullptr) << spec.name;
    EXPECT_TRUE(IsWindowEnabled(h) && IsWindowVisible(h)) << spec.name;
    RECT r;
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, Px(spec.left)) << spec.name;
    EXPECT_EQ(r.top, Px(spec.top)) << spec.name;
    if (spec.kind != ControlKind::ComboBox) {
      EXPECT_EQ(r.bottom - r.top, std::max(1, Px(spec.height))) << spec.name;
    }
    EXPECT_EQ(r.right - r.left, std::max(1, Px(spec.width))) << spec.name;
    EXPECT_EQ(r.left >= client.right, spec.left > MainWindowSpec().clientWidth) << spec.name;
    if (spec.tabIndex >= 0) tabStops.push_back(h);
  }

  // Tab from the program box visits every control in the table's order, the
  // off-screen panel included, and comes back round.
  ASSERT_TRUE(wine::WaitUntil([&] { return wine::FocusOf(k.thread()) == tabStops[0]; }, 5000));
  for (size_t i = 1; i <= tabStops.size(); ++i) {
    wine::PressKey(wine::FocusOf(k.thread()), VK_TAB);
    HWND expected = tabStops[i % tabStops.size()];
    EXPECT_TRUE(wine::WaitUntil([&] {
      HWND f = wine::FocusOf(k.thread());
      return f == expected || GetParent(f) == expected;  // a combo box focuses its edit
    }, 5000)) << "tab stop " << i;
  }

  // Keys typed into the program box change nothing; Enter and Escape click nothing.
  HWND program = tabStops[0];
  PostMessageW(program, WM_CHAR, 'a', 1);
  wine::PressKey(program, VK_RETURN);
  wine::PressKey(program, VK_ESCAPE);
  wine::PressKey(program, VK_BACK);
  Sleep(300);
  EXPECT_EQ(k.Program(), kStartHeader);
  EXPECT_EQ(wine::FindMessageBox(k.pid()), nullptr);
}

// The window made in this process, so that its fonts can be read: written out
// as the operator knows them, not taken from the table.
TEST(WineWindow, EveryControlHasItsFaceSizeWeightAndTheTurkishCharacterSet) {
  win32::MainWindow window(GetModuleHandleW(nullptr));
  ASSERT_TRUE(window.created());
  struct Font {
    const char* face;
    double points;
    bool bold;
  };
  const std::map<std::string, Font> named = {
      {"Label1", {"Arial", 9, false}},          {"Text6", {"Arial", 9.75, false}},
      {"Command5", {"MS Sans Serif", 8.25, true}}, {"Command6", {"MS Sans Serif", 8.25, true}},
      {"Command7", {"MS Sans Serif", 8.25, true}}, {"Check1", {"Arial", 8.25, true}},
      {"Text1", {"MS Sans Serif", 9.75, true}},    {"Command4", {"MS Sans Serif", 8.25, true}},
      {"Text2", {"Arial", 9, false}}};
  for (const ControlSpec& spec : MainWindowLayout()) {
    if (spec.kind == ControlKind::Timer || spec.kind == ControlKind::Line) continue;  // nothing written in them
    const auto n = named.find(spec.name);
    const Font want = n != named.end() ? n->second : Font{"MS Sans Serif", 8.25, false};
    HWND control = GetDlgItem(window.hwnd(), static_cast<int>(spec.id));
    LOGFONTW font{};
    ASSERT_TRUE(GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font))
        << spec.name;
    EXPECT_EQ(win32::Narrow(font.lfFaceName), want.face) << spec.name;
    EXPECT_EQ(font.lfHeight, -std::lround(want.points * Dpi() / 72.0)) << spec.name;
    EXPECT_EQ(font.lfWeight >= FW_BOLD, want.bold) << spec.name;
    EXPECT_EQ(font.lfCharSet, TURKISH_CHARSET) << spec.name;
  }
}

TEST(WineWindow, ClosingEndsTheProgramAtOnceEvenWhileTeaching) {
  wine::Kestrom k;
  HWND box = wine::WaitForMessageBox(k.pid());
  ASSERT_NE(box, nullptr);
  wine::Dismiss(box);
  ASSERT_NE(k.WaitForWindow(), nullptr);
  wine::Click(k.Control(C::Check1));
  wine::Click(k.Control(C::Command5));  // an unsaved line
  ASSERT_TRUE(wine::WaitUntil([&] { return k.Program().find("M3") != std::string::npos; }));
  PostMessageW(k.window(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(k.process().WaitForExit(10000));
  EXPECT_EQ(k.process().ExitCode(), 0u);
}

}  // namespace
}  // namespace kestrom
