// The release as an operator unzips it: both programs start from the unzipped
// folder, carry their version, connect, teach a line and close.
#include <gtest/gtest.h>
#include <windows.h>

#include <psapi.h>

#include "app/version.h"
#include "teach/teach_program.h"
#include "tests/win32/driver.h"

namespace kestrom {
namespace {
using C = ControlId;

std::string ProductVersionOf(const std::wstring& exe) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
  std::string block(size, '\0');
  if (!size || !GetFileVersionInfoW(exe.c_str(), 0, size, &block[0])) return "<no version resource>";
  wchar_t* text = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), L"\\StringFileInfo\\040904B0\\ProductVersion", reinterpret_cast<void**>(&text),
                      &length))
    return "<no product version>";
  return std::string(text, text + (length ? length - 1 : 0));
}

std::wstring ImageOf(DWORD pid) {
  win32::UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameExW(process.get(), nullptr, path, MAX_PATH);
  return path;
}

TEST(WinePackage, TheUnzippedProgramsStartConnectTeachAndClose) {
  const std::wstring folder = wine::ProgramsDir();
  ASSERT_NE(folder, wine::ExeDir()) << "KESTROM_PROGRAMS names no unzipped release";
  for (const wchar_t* exe : {L"kestrom.exe", L"SimMach3.exe"})
    EXPECT_EQ(ProductVersionOf(folder + exe), KESTROM_VERSION_TEXT) << exe;

  wine::ComApartment com;
  wine::SimMach3 sim;
  ASSERT_TRUE(sim.Ready());
  wine::Kestrom k;
  ASSERT_NE(k.WaitForWindow(), nullptr);
  EXPECT_EQ(ImageOf(k.pid()).rfind(folder, 0), 0u) << "not the unzipped kestrom.exe";
  EXPECT_EQ(ImageOf(sim.process().pid()).rfind(folder, 0), 0u) << "not the unzipped SimMach3.exe";
  ASSERT_TRUE(k.TeachOn());
  sim.Step(2, -0.5);
  EXPECT_TRUE(k.WaitForProgram(std::string(kStartHeader) + "\r\nG01  X+0.0000 Y+0.0000 Z-0.5000 F200"))
      << k.Program();
  PostMessageW(k.window(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(k.process().WaitForExit(5000));
}

}  // namespace
}  // namespace kestrom
