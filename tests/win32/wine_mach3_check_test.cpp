// Check Mach3 against SimMach3: every member's type information read and
// compared with what Kestrom sends, and nothing changed on the machine. A
// program of its own: under the heap checks each marshalled type-information
// call validates the heap, and the check takes most of a minute.
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/win32/panel_fixture.h"

namespace kestrom {
namespace {
using Lines = std::vector<std::string>;
using wine::WinePanel;

TEST_F(WinePanel, CheckMach3ReportsEveryMemberAndChangesNothing) {
  constexpr size_t kCheckMach3 = 7;  // the window menu's place of the command
  const std::wstring report = wine::RecoveryFolder() + L"mach3-check.txt";
  auto check = [&] {
    wine::RemoveFile(report);
    k->Command(kCheckMach3);
    HWND box = wine::WaitForMessageBox(k->pid());
    if (!box) return std::string("<no message box>");
    const std::string text = wine::MessageText(box);
    wine::Dismiss(box);
    return text;
  };
  std::string summary = check();
  EXPECT_EQ(summary.rfind("Mach3'ü Denetle: 27 üyeden 27 tanesi bulundu (27 of 27 members found).", 0), 0u) << summary;
  std::string text = wine::ReadFileBytes(report);
  for (const char* line : {"JogOn: found, id 1; Mach3 takes (VT_BYREF|VT_I4, VT_I2), Kestrom sends (VT_BYREF|VT_I4, "
                           "VT_I2): match",
                           "SetDRO: found, id 10; Mach3 takes (VT_BYREF|VT_I4, VT_BYREF|VT_R8)",
                           "Member 3 (scripting object): answering", "GetDROString(0) X: \"+0.0000\"",
                           "Mach3 program: ", "SimMach3.exe", "Kestrom: 6.00"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
  EXPECT_EQ(text.find("DIFFERS"), std::string::npos) << text;
  EXPECT_EQ(text.find("no type information"), std::string::npos) << text;
  // Nothing that moves, loads or sets: only readouts, IsMoving and FileName.
  EXPECT_EQ(Commands(), (Lines{"IsMoving()", "FileName()"}));

  sim->Call("SimHide", {Arg::RefBstr("JogOff")});
  summary = check();
  EXPECT_NE(summary.find("(26 of 27 members found).\r\nEksik (missing): JogOff"), std::string::npos) << summary;
  EXPECT_NE(wine::ReadFileBytes(report).find("JogOff: MISSING"), std::string::npos);
}

}  // namespace
}  // namespace kestrom
