// What ./run.sh shows a newcomer: SimMach3 beside Kestrom and, headless, a short
// taught session played through the windows as an operator would.
//   first_look.exe arrange   places the two running windows side by side
//   first_look.exe play      starts both, opens the path view, teaches a small square
//                            with M3 and M5, saves C:\first-look.tap, loads it into
//                            SimMach3 and runs it at 10x, leaving
//                            screenshots/first-look.bmp taken during the run
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "machine/win32/text_win32.h"
#include "sim/sim_window.h"
#include "tests/win32/driver.h"
#include "window/layout.h"
#include "window/path_view.h"

namespace {
using namespace kestrom;
using C = ControlId;

void SideBySide(HWND kestrom, HWND sim) {
  RECT r{};
  GetWindowRect(kestrom, &r);
  SetWindowPos(kestrom, nullptr, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(sim, nullptr, 20 + (r.right - r.left) + 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND Titled(const std::string& title) {
  HWND h = nullptr;
  wine::WaitUntil([&] { return (h = FindWindowW(nullptr, win32::Widen(title).c_str())) != nullptr; });
  return h;
}

int Fail(const char* why) {
  std::fprintf(stderr, "first look: %s\n", why);
  return 1;
}

int Play() {
  wine::ComApartment com;
  wine::SimMach3 sim;
  if (!sim.Ready()) return Fail("SimMach3 did not start");
  wine::Kestrom k;
  if (!k.WaitForWindow()) return Fail("Kestrom's window did not come");
  SideBySide(k.window(), sim.Window());
  k.Command(9);  // "Yol Görünümü (Path view)", placed below the main window
  HWND view = nullptr;
  wine::WaitUntil([&] {
    return (view = wine::FindTopWindow(k.pid(), L"KestromPathView", win32::Widen(kPathViewCaption))) != nullptr;
  });
  if (!view) return Fail("the path view did not open");
  RECT main{};
  GetWindowRect(k.window(), &main);
  SetWindowPos(view, nullptr, main.left, main.bottom + 16, 460, 330, SWP_NOZORDER | SWP_NOACTIVATE);
  auto step = [&](int axis, double distance, const char* dro) {
    sim.Call("SimJogStep", {Arg::RefI4(axis), Arg::RefR8(distance)});
    wine::WaitUntil([&] { return wine::TextOf(k.Control(axis ? C::Text4 : C::Text3)) == dro; });
    Sleep(300);
  };
  wine::Click(k.Control(C::Check1));  // teach mode on
  wine::WaitUntil([&] { return wine::IsChecked(k.Control(C::Check1)); });
  wine::Click(k.Control(C::Command5));  // M3
  step(0, 10, "X:+10.0000");
  step(1, 10, "Y:+10.0000");
  step(0, -10, "X:+0.0000");
  step(1, -10, "Y:+0.0000");
  wine::Click(k.Control(C::Command6));  // M5
  wine::WaitUntil([&] {
    const std::string program = k.Program();  // read once: the box may change between two reads
    return program.size() > 4 && program.compare(program.size() - 2, 2, "M5") == 0;
  });
  wine::SetTextOf(k.Control(C::Text1), "first-look");
  const std::string saved = k.ClickForMessage(C::Command4);
  std::printf("%s\n", saved.c_str());
  if (saved.find("kaydedildi") == std::string::npos) return Fail("the program was not saved");

  // Played back: loaded into SimMach3 and run at ten times its speed, as a person
  // would with SimMach3's own buttons; the picture is taken while the run is under way.
  k.Command(2);  // "Mach3'e Yükle (Load into Mach3)": saved again, then loaded
  HWND box = wine::WaitForMessageBox(k.pid());
  if (!box) return Fail("Load into Mach3 said nothing");
  wine::Dismiss(box);
  if (!wine::WaitUntil([&] { return sim.Call("FileName").value.text == "C:\\first-look.tap"; }))
    return Fail("SimMach3 did not load the program");
  wine::Click(GetDlgItem(sim.Window(), sim::kSpeedTenBox));
  wine::Click(GetDlgItem(sim.Window(), sim::kCycleStartButton));
  // On the square's second side: X at 10, Y on its way.
  if (!wine::WaitUntil([&] {
        const double y = std::atof(wine::TextOf(k.Control(C::Text4)).substr(2).c_str());
        return wine::TextOf(k.Control(C::Text3)) == "X:+10.0000" && y > 2 && y < 8;
      }, 10000))
    return Fail("the run did not come by");
  if (!wine::SaveScreenshot(GetDesktopWindow(), "first-look")) return Fail("no screenshot");
  if (!wine::WaitUntil([&] { return sim.Call("IsMoving").value.boolean == false; }, 10000))
    return Fail("the run did not end");
  std::printf("played back in SimMach3 at 10x: %s\n",
              wine::TextOf(GetDlgItem(sim.Window(), sim::kRunStatusText)).c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "arrange") {
    HWND k = Titled(MainWindowSpec().caption), sim = Titled("SimMach3 - simulated Mach3");
    if (!k || !sim) return Fail("the two windows did not come");
    SideBySide(k, sim);
    return 0;
  }
  if (mode == "play") return Play();
  return Fail("usage: first_look.exe arrange|play");
}
