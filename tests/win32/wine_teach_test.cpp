// Recording a jogged path in kestrom.exe against SimMach3, and saving it: teach
// mode, point by point, a Mach3 that goes away or freezes, Save As, Open and Load.
#include "tests/win32/teach_fixture.h"

namespace kestrom {
namespace {
using C = ControlId;
using wine::WineTeach;

TEST_F(WineTeach, JoggedPathMCodesAndResetAreSavedByteForByte) {
  ASSERT_TRUE(TeachOn());
  Step(0, 1.25);
  std::string expected = std::string(kStartHeader) + "\r\nG01  X+1.2500 Y+0.0000 Z+0.0000 F200";
  ASSERT_TRUE(ProgramIs(expected)) << k->Program();
  wine::Click(k->Control(C::Command5));
  expected += "\r\nM3";
  ASSERT_TRUE(ProgramIs(expected)) << k->Program();
  Step(1, -2.5);
  expected += "\r\nG01  X+1.2500 Y-2.5000 Z+0.0000 F200";
  ASSERT_TRUE(ProgramIs(expected)) << k->Program();

  PostMessageW(k->Control(C::Text2), WM_LBUTTONDBLCLK, MK_LBUTTON, 0);  // a new program
  ASSERT_TRUE(ProgramIs(kResetHeader)) << k->Program();
  wine::Click(k->Control(C::Check8));  // feed word off
  ASSERT_TRUE(wine::WaitUntil([&] { return !wine::IsChecked(k->Control(C::Check8)); }));
  Step(2, 3);
  expected = std::string(kResetHeader) + "\r\nG01  X+1.2500 Y-2.5000 Z+3.0000";
  ASSERT_TRUE(ProgramIs(expected)) << k->Program();
  wine::Click(k->Control(C::Command6));
  wine::Click(k->Control(C::Command7));
  expected += "\r\nM5\r\nM1";
  ASSERT_TRUE(ProgramIs(expected)) << k->Program();

  EXPECT_TRUE(wine::SaveScreenshot(k->window(), "teach-recorded"));
  wine::RemoveFile(L"C:\\kestrom-e2e.tap");
  EXPECT_EQ(Save("kestrom-e2e"), "C:\\ Dizinine (kestrom-e2e.tap) dosya adı ile kaydedildi.");
  EXPECT_FALSE(wine::IsChecked(k->Control(C::Check1)));
  EXPECT_EQ(wine::ReadFileBytes(L"C:\\kestrom-e2e.tap"), expected + "\r\n");
  Step(0, 1);  // teach mode is off: nothing more is recorded
  Sleep(300);
  EXPECT_EQ(k->Program(), expected);

  // The DROs as SimMach3 reports them agree with the last recorded line.
  auto x = sim.Call("GetDROString", {Arg::RefI4(2)});
  EXPECT_EQ(x.value.text, "+3.0000");

  PostMessageW(k->Control(C::Text2), WM_LBUTTONDBLCLK, MK_LBUTTON, 0);
  ASSERT_TRUE(ProgramIs(kResetHeader));
  EXPECT_EQ(Save("kestrom-e2e"), "C:\\ Dizinine (kestrom-e2e.tap) dosya adı ile kaydedildi.");
  EXPECT_EQ(wine::ReadFileBytes(L"C:\\kestrom-e2e.tap"), std::string(kResetHeader) + "\r\n");  // replaced whole
}

TEST_F(WineTeach, FailedSavesSayWhyAndKeepTheEarlierFile) {
  std::string text = Save("no-such-folder\\x");
  EXPECT_EQ(text.rfind("Dosya kaydedilemedi (file not saved): C:\\no-such-folder\\x.tap", 0), 0u) << text;
  EXPECT_EQ(text.find("kaydedildi."), std::string::npos);

  const std::wstring readOnly = L"C:\\kestrom-ro.tap";
  wine::RemoveFile(readOnly);
  {
    win32::UniqueHandle f(CreateFileW(readOnly.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD done = 0;
    WriteFile(f.get(), "old", 3, &done, nullptr);
  }
  SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
  text = Save("kestrom-ro");
  EXPECT_EQ(text.rfind("Dosya kaydedilemedi (file not saved): C:\\kestrom-ro.tap", 0), 0u) << text;
  EXPECT_EQ(wine::ReadFileBytes(readOnly), "old");
  wine::RemoveFile(readOnly);

  for (const char* bad : {"", "a?b", "CON"}) {
    text = Save(bad);
    EXPECT_EQ(text.rfind("Dosya kaydedilemedi", 0), 0u) << bad << ": " << text;
  }

  // The temporary file is written whole, then the replace is refused: the earlier
  // file is held open by another program (a scan) for longer than the tries last.
  const std::wstring held = L"C:\\kestrom-held.tap";
  wine::RemoveFile(held);
  {
    win32::UniqueHandle f(CreateFileW(held.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD done = 0;
    WriteFile(f.get(), "earlier", 7, &done, nullptr);
  }
  {
    win32::UniqueHandle scan(CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                         nullptr));
    ASSERT_TRUE(scan.valid());
    text = Save("kestrom-held");
    EXPECT_EQ(text.rfind("Dosya kaydedilemedi (file not saved): C:\\kestrom-held.tap", 0), 0u) << text;
  }
  EXPECT_EQ(wine::ReadFileBytes(held), "earlier");
  wine::RemoveFile(held);
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(L"C:\\kst*.tmp", &found);
  EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "a temporary file was left behind";
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
}

TEST_F(WineTeach, Mach3GoingAwayWhileRecordingRecordsNothing) {
  ASSERT_TRUE(TeachOn());
  sim.Call("SimExit");
  ASSERT_TRUE(wine::WaitUntil([&] { return wine::TextOf(k->Control(C::Text3)) == "X:"; }, 10000));
  Sleep(500);
  EXPECT_EQ(k->Program(), kStartHeader);  // no line of bare axis letters
  EXPECT_EQ(k->ClickForMessage(C::Command2), "");  // the DRO check shows an empty text
}

TEST_F(WineTeach, FrozenMach3LeavesTheWindowWorkingAndRecordingGoesOnAfter) {
  ASSERT_TRUE(TeachOn());
  Step(0, 1);
  std::string expected = std::string(kStartHeader) + "\r\nG01  X+1.0000 Y+0.0000 Z+0.0000 F200";
  ASSERT_TRUE(ProgramIs(expected)) << k->Program();

  sim.Call("SimHang", {Arg::RefI4(6000)});
  const DWORD hungAt = GetTickCount();
  wine::Click(k->Control(C::Command5));
  expected += "\r\nM3";
  ASSERT_TRUE(wine::WaitUntil([&] { return k->Program() == expected; }, 2000)) << k->Program();
  std::printf("a click was handled %lu ms after Mach3 froze\n", GetTickCount() - hungAt);
  EXPECT_TRUE(wine::WaitUntil([&] { return wine::TextOf(k->Control(C::Text3)) == "X:"; }, 3000))
      << "the readouts turn empty";

  wine::RemoveFile(L"C:\\kestrom-hang.tap");
  EXPECT_EQ(Save("kestrom-hang"), "C:\\ Dizinine (kestrom-hang.tap) dosya adı ile kaydedildi.");
  EXPECT_EQ(wine::ReadFileBytes(L"C:\\kestrom-hang.tap"), expected + "\r\n");
  EXPECT_LT(GetTickCount() - hungAt, 6000u) << "saved only after Mach3 answered again";

  // Mach3 answers again: the next jog is recorded against the last position.
  ASSERT_TRUE(wine::WaitUntil([&] { return wine::TextOf(k->Control(C::Text3)) == "X:+1.0000"; }, 10000));
  EXPECT_EQ(k->Program(), expected);
  ASSERT_TRUE(TeachOn());
  Step(1, 2);
  expected += "\r\nG01  X+1.0000 Y+2.0000 Z+0.0000 F200";
  EXPECT_TRUE(ProgramIs(expected)) << k->Program();
}

TEST_F(WineTeach, PointByPointFromTheWindowMenuAndTheGlobalKey) {
  constexpr WPARAM kRecordPoint = 0x130, kRemoveLastLine = 0x140;  // the window menu's commands
  Step(0, 1.5);  // teach mode off: a jog alone records nothing
  ASSERT_TRUE(wine::WaitUntil([&] { return wine::TextOf(k->Control(C::Text3)) == "X:+1.5000"; }));
  PostMessageW(k->window(), WM_SYSCOMMAND, kRecordPoint, 0);
  std::string expected = std::string(kStartHeader) + "\r\nG01  X+1.5000 Y+0.0000 Z+0.0000 F200";
  ASSERT_TRUE(ProgramIs(expected)) << k->Program();

  // Ctrl+Shift+P while SimMach3 has the focus, as the operator jogs in Mach3.
  Step(1, 2);
  HWND simWindow = sim.Window();
  ASSERT_NE(simWindow, nullptr);
  SetForegroundWindow(simWindow);
  ASSERT_TRUE(wine::WaitUntil([&] { return GetForegroundWindow() == simWindow; }, 5000));
  wine::PressGlobally({VK_CONTROL, VK_SHIFT, 'P'});
  const std::string second = "\r\nG01  X+1.5000 Y+2.0000 Z+0.0000 F200";
  ASSERT_TRUE(ProgramIs(expected + second)) << k->Program();
  Sleep(300);
  EXPECT_EQ(k->Program(), expected + second);  // the recorder does not write the point again

  PostMessageW(k->window(), WM_SYSCOMMAND, kRemoveLastLine, 0);
  ASSERT_TRUE(ProgramIs(expected)) << k->Program();
  wine::RemoveFile(L"C:\\kestrom-points.tap");
  EXPECT_EQ(Save("kestrom-points"), "C:\\ Dizinine (kestrom-points.tap) dosya adı ile kaydedildi.");
  EXPECT_EQ(wine::ReadFileBytes(L"C:\\kestrom-points.tap"), expected + "\r\n");
}

TEST_F(WineTeach, TheProgramsRoadSaveAsOpenAndLoadIntoMach3) {
  constexpr WPARAM kOpen = 0x110, kLoadIntoMach3 = 0x120;  // the window menu's commands
  // The window menu, open, for a person to look at.
  SetForegroundWindow(k->window());
  PostMessageW(k->window(), WM_SYSCOMMAND, SC_KEYMENU, ' ');
  ASSERT_NE(wine::WaitForMenu(k->thread()), nullptr);
  Sleep(300);  // drawn
  EXPECT_TRUE(wine::SaveScreenshot(GetDesktopWindow(), "window-menu"));
  ASSERT_TRUE(wine::CloseMenus(k->window()));

  // KAYDET onto a read-only file: the failure, then the Save dialog, then a save elsewhere.
  CreateDirectoryW(L"C:\\kestrom-road", nullptr);
  for (const wchar_t* f : {L"C:\\kestrom-ro.tap", L"C:\\kestrom-road\\saved.tap", L"C:\\kestrom-road\\lf.tap"}) {
    SetFileAttributesW(f, FILE_ATTRIBUTE_NORMAL);
    wine::RemoveFile(f);
  }
  {
    win32::UniqueHandle f(CreateFileW(L"C:\\kestrom-ro.tap", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  }
  SetFileAttributesW(L"C:\\kestrom-ro.tap", FILE_ATTRIBUTE_READONLY);
  wine::Click(k->Control(C::Command5));
  std::string program = std::string(kStartHeader) + "\r\nM3";
  ASSERT_TRUE(ProgramIs(program));
  const std::string refused = "Dosya kaydedilemedi (file not saved): C:\\kestrom-ro.tap";
  EXPECT_EQ(Save("kestrom-ro").substr(0, refused.size()), refused);
  HWND dialog = wine::WaitForDialog(k->pid(), "Farklı Kaydet (Save As)");
  ASSERT_NE(dialog, nullptr);
  wine::AnswerFileDialog(dialog, "C:\\kestrom-road\\saved.tap");
  HWND box = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(wine::MessageText(box), "C:\\kestrom-road\\ Dizinine (saved.tap) dosya adı ile kaydedildi.");
  wine::Dismiss(box);
  EXPECT_EQ(wine::ReadFileBytes(L"C:\\kestrom-road\\saved.tap"), program + "\r\n");
  SetFileAttributesW(L"C:\\kestrom-ro.tap", FILE_ATTRIBUTE_NORMAL);

  // Open a file with LF line ends (the box is saved: no question), then Ctrl+S
  // in the program box writes it back with CR LF.
  const std::string lf = "(Kestrom File)\nG21 G90 G49 G64\n\nG01  X1 F200\n";
  {
    win32::UniqueHandle f(CreateFileW(L"C:\\kestrom-road\\lf.tap", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD done = 0;
    WriteFile(f.get(), lf.data(), static_cast<DWORD>(lf.size()), &done, nullptr);
  }
  PostMessageW(k->window(), WM_SYSCOMMAND, kOpen, 0);
  dialog = wine::WaitForDialog(k->pid(), "Aç (Open)");
  ASSERT_NE(dialog, nullptr);
  wine::AnswerFileDialog(dialog, "C:\\kestrom-road\\lf.tap");
  program = "(Kestrom File)\r\nG21 G90 G49 G64\r\n\r\nG01  X1 F200";
  ASSERT_TRUE(ProgramIs(program)) << k->Program();
  EXPECT_EQ(wine::TextOf(k->Control(C::Text1)), "kestrom-road\\lf");
  SetForegroundWindow(k->window());
  PostMessageW(k->Control(C::Text2), WM_LBUTTONDOWN, MK_LBUTTON, 0);
  PostMessageW(k->Control(C::Text2), WM_LBUTTONUP, 0, 0);
  ASSERT_TRUE(wine::WaitUntil([&] { return wine::FocusOf(k->thread()) == k->Control(C::Text2); }, 5000));
  wine::PressGlobally({VK_CONTROL, 'S'});
  box = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(wine::MessageText(box), "C:\\ Dizinine (kestrom-road\\lf.tap) dosya adı ile kaydedildi.");
  wine::Dismiss(box);
  EXPECT_EQ(wine::ReadFileBytes(L"C:\\kestrom-road\\lf.tap"), program + "\r\n");

  // Unsaved lines: Open asks; No changes nothing; Yes, then a file with NUL bytes is refused.
  wine::Click(k->Control(C::Command6));
  program += "\r\nM5";
  ASSERT_TRUE(ProgramIs(program));
  {
    win32::UniqueHandle f(CreateFileW(L"C:\\kestrom-road\\zeros.tap", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD done = 0;
    WriteFile(f.get(), "G01\0X1", 6, &done, nullptr);
  }
  for (int button : {IDNO, IDYES}) {
    PostMessageW(k->window(), WM_SYSCOMMAND, kOpen, 0);
    box = wine::WaitForMessageBox(k->pid());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(wine::MessageText(box).rfind("Programda kaydedilmemiş satırlar var.", 0), 0u);
    wine::Answer(box, button);
  }
  dialog = wine::WaitForDialog(k->pid(), "Aç (Open)");
  ASSERT_NE(dialog, nullptr);
  wine::AnswerFileDialog(dialog, "C:\\kestrom-road\\zeros.tap");
  box = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(wine::MessageText(box).rfind("Dosya açılamadı (file not opened): C:\\kestrom-road\\zeros.tap", 0), 0u);
  wine::Dismiss(box);
  EXPECT_EQ(k->Program(), program);

  // Load into Mach3: saved as KAYDET saves, then SimMach3 holds that file.
  PostMessageW(k->window(), WM_SYSCOMMAND, kLoadIntoMach3, 0);
  box = wine::WaitForMessageBox(k->pid());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(wine::MessageText(box), "C:\\ Dizinine (kestrom-road\\lf.tap) dosya adı ile kaydedildi.");
  wine::Dismiss(box);
  ASSERT_TRUE(wine::WaitUntil([&] { return sim.Call("FileName").value.text == "C:\\kestrom-road\\lf.tap"; }));
  EXPECT_EQ(wine::ReadFileBytes(L"C:\\kestrom-road\\lf.tap"), program + "\r\n");
  Sleep(300);
  EXPECT_EQ(wine::FindMessageBox(k->pid()), nullptr) << "a load that worked needs no second message";
}

}  // namespace
}  // namespace kestrom
