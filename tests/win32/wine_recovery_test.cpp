// Nothing taught is lost: kestrom.exe killed, closed, reset by a stray
// double-click, started twice, or left without a recovery folder; and KAYDET
// asks before it replaces a file the operator did not open.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "teach/teach_program.h"
#include "tests/win32/driver.h"

namespace kestrom {
namespace {
using C = ControlId;
using Start = wine::Kestrom::Start;
constexpr size_t kBringBack = 6;  // the window menu's place of "Bring back cleared text"

struct WineRecovery : ::testing::Test {
  wine::ComApartment com;
  wine::SimMach3 sim;
  void SetUp() override {
    ASSERT_TRUE(sim.Ready());
    wine::ClearRecovery();
  }
  // A Kestrom whose start asks about unsaved work: the question's text, answered.
  std::string StartAnswering(std::unique_ptr<wine::Kestrom>& k, int button) {
    k = std::make_unique<wine::Kestrom>(Start::WithRecovery);
    HWND box = wine::WaitForMessageBox(k->pid());
    if (!box) return "<no question>";
    const std::string text = wine::MessageText(box);
    wine::Answer(box, button);
    k->WaitForWindow();
    return text;
  }
};

TEST_F(WineRecovery, KilledClosedOrResetTheTaughtLinesComeBack) {
  auto k = std::make_unique<wine::Kestrom>();
  ASSERT_NE(k->WaitForWindow(), nullptr);
  ASSERT_TRUE(k->TeachOn());
  std::string program = kStartHeader;
  for (int i = 1; i <= 10; ++i) {
    sim.Step(0, 1);
    program += "\r\nG01  X+" + std::to_string(i) + ".0000 Y+0.0000 Z+0.0000 F200";
    ASSERT_TRUE(k->WaitForProgram(program)) << k->Program();
  }
  wine::SetTextOf(k->Control(C::Text1), "kurtarma");
  Sleep(1500);  // the name box is taken into the journal once a second
  k->process().Kill();

  // Killed: asked with the count; Yes gives back the box and the name, byte for byte.
  std::string question = StartAnswering(k, IDYES);
  EXPECT_EQ(question.rfind("Kaydedilmemiş bir program bulundu: 10 satır, son değişiklik ", 0), 0u) << question;
  EXPECT_EQ(k->Program(), program);
  EXPECT_EQ(wine::TextOf(k->Control(C::Text1)), "kurtarma");
  k->process().Kill();

  // No: the box starts new, and Bring back puts the text back; a second press undoes that.
  question = StartAnswering(k, IDNO);
  EXPECT_EQ(question.rfind("Kaydedilmemiş bir program bulundu: 10 satır", 0), 0u) << question;
  EXPECT_EQ(k->Program(), kStartHeader);
  k->Command(kBringBack);
  ASSERT_TRUE(k->WaitForProgram(program)) << k->Program();
  k->Command(kBringBack);
  ASSERT_TRUE(k->WaitForProgram(kStartHeader)) << k->Program();
  k->Command(kBringBack);
  ASSERT_TRUE(k->WaitForProgram(program)) << k->Program();

  // A stray double-click: the reset stays instant, and is taken back.
  PostMessageW(k->Control(C::Text2), WM_LBUTTONDBLCLK, MK_LBUTTON, 0);
  ASSERT_TRUE(k->WaitForProgram(kResetHeader)) << k->Program();
  k->Command(kBringBack);
  ASSERT_TRUE(k->WaitForProgram(program)) << k->Program();

  // Closed with unsaved lines: it ends at once, without a word, and the next start asks.
  PostMessageW(k->window(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(k->process().WaitForExit(3000));
  question = StartAnswering(k, IDYES);
  EXPECT_EQ(question.rfind("Kaydedilmemiş bir program bulundu: 10 satır", 0), 0u) << question;
  EXPECT_EQ(k->Program(), program);

  // Saved: the next start asks nothing.
  wine::SetTextOf(k->Control(C::Text1), "kurtarma");
  wine::RemoveFile(L"C:\\kurtarma.tap");
  EXPECT_EQ(k->ClickForMessage(C::Command4), "C:\\ Dizinine (kurtarma.tap) dosya adı ile kaydedildi.");
  k->process().Kill();
  k = std::make_unique<wine::Kestrom>(Start::WithRecovery);
  ASSERT_NE(k->WaitForWindow(), nullptr);
  Sleep(1000);
  HWND box = wine::FindMessageBox(k->pid());
  EXPECT_EQ(box, nullptr) << wine::MessageText(box);
  EXPECT_EQ(k->Program(), kStartHeader);
}

TEST_F(WineRecovery, TwoKestromsKeepTwoJournals) {
  auto first = std::make_unique<wine::Kestrom>();
  ASSERT_NE(first->WaitForWindow(), nullptr);
  auto second = std::make_unique<wine::Kestrom>(Start::WithRecovery);
  ASSERT_NE(second->WaitForWindow(), nullptr);
  wine::Click(first->Control(C::Command5));
  wine::Click(second->Control(C::Command6));
  const std::string m3 = std::string(kStartHeader) + "\r\nM3", m5 = std::string(kStartHeader) + "\r\nM5";
  ASSERT_TRUE(first->WaitForProgram(m3));
  ASSERT_TRUE(second->WaitForProgram(m5));
  first->process().Kill();
  second->process().Kill();

  // Each journal comes back whole, one to each Kestrom started again.
  std::unique_ptr<wine::Kestrom> again, another;
  EXPECT_NE(StartAnswering(again, IDYES), "<no question>");
  EXPECT_NE(StartAnswering(another, IDYES), "<no question>");
  std::vector<std::string> programs = {again->Program(), another->Program()};
  std::sort(programs.begin(), programs.end());
  EXPECT_EQ(programs, (std::vector<std::string>{m3, m5}));
}

TEST_F(WineRecovery, NoRecoveryFolderTellsOnceAndTeachingGoesOn) {
  // A file where the folder should be: no journal can be made there.
  const std::wstring folder = wine::RecoveryFolder();
  const std::wstring blocked = folder.substr(0, folder.size() - 1);
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
  for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found))
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) wine::RemoveFile(folder + found.cFileName);
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
  RemoveDirectoryW(blocked.c_str());
  { win32::UniqueHandle f(CreateFileW(blocked.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr)); }
  ASSERT_FALSE(GetFileAttributesW(blocked.c_str()) & FILE_ATTRIBUTE_DIRECTORY);

  wine::Kestrom k(Start::WithRecovery);
  HWND box = wine::WaitForMessageBox(k.pid());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(wine::MessageText(box).rfind("Kurtarma dosyası yazılamıyor.", 0), 0u) << wine::MessageText(box);
  wine::Dismiss(box);
  ASSERT_NE(k.WaitForWindow(), nullptr);
  ASSERT_TRUE(k.TeachOn());
  std::string program = kStartHeader;
  for (int i = 1; i <= 3; ++i) {
    sim.Step(1, 1);
    program += "\r\nG01  X+0.0000 Y+" + std::to_string(i) + ".0000 Z+0.0000 F200";
    ASSERT_TRUE(k.WaitForProgram(program)) << k.Program();
  }
  wine::Click(k.Control(C::Command5));
  ASSERT_TRUE(k.WaitForProgram(program + "\r\nM3"));
  Sleep(1500);
  EXPECT_EQ(wine::FindMessageBox(k.pid()), nullptr) << "told once only";
  k.process().Kill();
  wine::RemoveFile(blocked);
}

TEST_F(WineRecovery, KaydetAsksBeforeReplacingAFileTheOperatorDidNotOpen) {
  constexpr size_t kOpen = 1;
  const std::string other = "(another program)\r\nG00 X0\r\n";
  const std::string opened = "(Kestrom File)\r\nG21 G90 G49 G64\r\n\r\nG01  X7 F200";
  CreateDirectoryW(L"Z:\\tmp\\kestrom-elsewhere", nullptr);
  auto write = [](const wchar_t* path, const std::string& bytes) {
    win32::UniqueHandle f(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD done = 0;
    WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
  };
  write(L"C:\\part.tap", other);
  write(L"Z:\\tmp\\kestrom-elsewhere\\part.tap", opened + "\r\n");

  wine::Kestrom k;
  ASSERT_NE(k.WaitForWindow(), nullptr);
  k.Command(kOpen);
  HWND dialog = wine::WaitForDialog(k.pid(), "Aç (Open)");
  ASSERT_NE(dialog, nullptr);
  wine::AnswerFileDialog(dialog, "Z:\\tmp\\kestrom-elsewhere\\part.tap");
  ASSERT_TRUE(k.WaitForProgram(opened)) << k.Program();
  ASSERT_EQ(wine::TextOf(k.Control(C::Text1)), "part");

  // KAYDET would write C:\part.tap, another program: asked, and No keeps it byte for byte.
  wine::Click(k.Control(C::Command4));
  HWND box = wine::WaitForMessageBox(k.pid());
  ASSERT_NE(box, nullptr);
  const std::string question = wine::MessageText(box);
  EXPECT_EQ(question.rfind("C:\\part.tap zaten var ve açtığınız dosya değil.", 0), 0u) << question;
  wine::Answer(box, IDNO);
  Sleep(500);
  EXPECT_EQ(wine::FindMessageBox(k.pid()), nullptr);
  EXPECT_EQ(wine::ReadFileBytes(L"C:\\part.tap"), other);

  // Yes replaces it; from then on that file is the program's own and KAYDET asks nothing.
  wine::Click(k.Control(C::Command4));
  box = wine::WaitForMessageBox(k.pid());
  ASSERT_NE(box, nullptr);
  wine::Answer(box, IDYES);
  box = wine::WaitForMessageBox(k.pid());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(wine::MessageText(box), "C:\\ Dizinine (part.tap) dosya adı ile kaydedildi.");
  wine::Dismiss(box);
  EXPECT_EQ(wine::ReadFileBytes(L"C:\\part.tap"), opened + "\r\n");
  EXPECT_EQ(k.ClickForMessage(C::Command4), "C:\\ Dizinine (part.tap) dosya adı ile kaydedildi.");
  wine::RemoveFile(L"C:\\part.tap");
}

}  // namespace
}  // namespace kestrom
