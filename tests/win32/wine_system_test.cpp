// modCommon's platform half against Wine's real registry and process list.
#include <gtest/gtest.h>
#include <windows.h>

#include "machine/mod_common.h"
#include "machine/win32/win32_system.h"
#include "window/control_ids.h"
#include "tests/win32/driver.h"

namespace kestrom {
namespace {

void DeleteProgId() {
  RegDeleteKeyA(HKEY_CLASSES_ROOT, "Mach4.Document\\CLSID");
  RegDeleteKeyA(HKEY_CLASSES_ROOT, "Mach4.Document");
}

TEST(WineRegistry, RegistrationWritesTheClsidAsA38ByteString) {
  win32::Win32Registry registry;
  DeleteProgId();
  EXPECT_FALSE(modCommon::IsMachProgIdRegistered(registry));
  ASSERT_TRUE(modCommon::RegisterMachProgId(registry));
  EXPECT_TRUE(modCommon::IsMachProgIdRegistered(registry));

  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "Mach4.Document\\CLSID", 0, KEY_QUERY_VALUE, &key), ERROR_SUCCESS);
  char data[64] = {};
  DWORD type = 0, size = sizeof data;
  ASSERT_EQ(RegQueryValueExA(key, "", nullptr, &type, reinterpret_cast<BYTE*>(data), &size), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(std::string(data, 38), "{CA7992B2-2653-4342-8061-D7D385C07809}");
  EXPECT_LE(size, 39u);  // written as 38 bytes; the registry may report a terminator it added

  CLSID clsid;  // and COM now maps the ProgID
  EXPECT_EQ(CLSIDFromProgID(L"Mach4.Document", &clsid), S_OK);
}

TEST(WineRegistry, ValueTypesAndMissingKeys) {
  win32::Win32Registry registry;
  const RegRoot currentUser = static_cast<RegRoot>(0x80000001u);
  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\KestromTest");
  EXPECT_FALSE(modCommon::RegKeyExists(registry, currentUser, "Software/KestromTest"));
  EXPECT_FALSE(modCommon::SetRegValue(registry, currentUser, "Software\\KestromTest", "n", "1", 4));
  ASSERT_TRUE(modCommon::CreateRegKey(registry, currentUser, "/Software/KestromTest"));
  EXPECT_TRUE(modCommon::SetRegValue(registry, currentUser, "Software\\KestromTest", "n", "-2", 4));
  EXPECT_TRUE(modCommon::SetRegValue(registry, currentUser, "Software\\KestromTest", "b", "ab", 3));

  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\KestromTest", 0, KEY_QUERY_VALUE, &key), ERROR_SUCCESS);
  DWORD number = 0, type = 0, size = sizeof number;
  RegQueryValueExA(key, "n", nullptr, &type, reinterpret_cast<BYTE*>(&number), &size);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(static_cast<int32_t>(number), -2);
  char bytes[8] = {};
  size = sizeof bytes;
  RegQueryValueExA(key, "b", nullptr, &type, reinterpret_cast<BYTE*>(bytes), &size);
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(std::string(bytes, size), "ab");
  RegCloseKey(key);
  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\KestromTest");
}

TEST(WineProcesses, TheListHoldsThisProgramAndFindsASimulatedMach3) {
  win32::Win32Processes processes;
  win32::Win32Environment environment;
  EXPECT_FALSE(environment.Get("Windir").empty());
  const auto names = modCommon::GetProcessList(processes, environment);
  bool self = false;
  for (const auto& n : names) self |= n.find("wine_system_test.exe") != std::string::npos;
  EXPECT_TRUE(self) << names.size() << " names";
  EXPECT_FALSE(modCommon::IsMach3Running(processes, environment));

  wine::ComApartment com;
  wine::SimMach3 sim;
  ASSERT_TRUE(sim.Ready());
  EXPECT_TRUE(modCommon::IsMach3Running(processes, environment));  // "SimMach3.exe" holds "mach3.exe"

  wine::SimMach3 second;  // refuses while another Mach3 runs
  EXPECT_TRUE(second.process().WaitForExit(wine::kWaitMs));
  EXPECT_EQ(second.process().ExitCode(), 2u);
  sim.Kill();
}

// HKLM\Software\Classes as reg.exe exports it (UTF-16 text), kept in the temp folder under `name`.
std::string ExportClasses(const wchar_t* name = L"classes") {
  const std::wstring file = wine::TempPath(std::wstring(L"kestrom-") + name + L".reg");
  wine::RemoveFile(file);
  std::wstring command = L"reg.exe export HKLM\\Software\\Classes \"" + file + L"\" /y";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                      &info))
    return "<reg.exe did not start>";
  WaitForSingleObject(info.hProcess, 60000);
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  return wine::ReadFileBytes(file);
}

void RunSimMach3(bool killed) {
  wine::ComApartment com;
  wine::SimMach3 sim;
  ASSERT_TRUE(sim.Ready());
  ASSERT_TRUE(sim.Call("GetDROString", {Arg::RefI4(0)}).ok);  // reached from another process
  if (killed) return sim.Kill();
  PostMessageW(sim.Window(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(sim.process().WaitForExit(10000));
  EXPECT_EQ(sim.process().ExitCode(), 0u);
}

void WriteKey(const std::string& key, const std::string& name, const std::string& value) {
  HKEY h = nullptr;
  RegCreateKeyExA(HKEY_LOCAL_MACHINE, ("Software\\Classes\\" + key).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h,
                  nullptr);
  RegSetValueExA(h, name.empty() ? nullptr : name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
  RegCloseKey(h);
}

const std::string kStandInLibrary = "TypeLib\\{6A1C3E52-94B7-4F0D-8E21-5B7C9D0A4F13}";
const std::string kStandInInterface = "Interface\\{D5DC1674-0CB6-47D4-BD22-E6D60631C86D}";

// The stand-in's keys, and whatever else is written there, whole trees.
void RemoveStandIn() {
  for (const std::string& key : {kStandInLibrary, kStandInInterface, std::string("Mach4.Document")})
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, ("Software\\Classes\\" + key).c_str());
  wine::RemoveFile(L"C:\\kestrom-standin\\Mach3Copy.exe");
}

TEST(WineRegistry, SimMach3LeavesTheRegistryAsItFoundItAndAnInstalledMach3Untouched) {
  struct Cleanup {
    ~Cleanup() { RemoveStandIn(); }
  } cleanup;
  RemoveStandIn();
  RunSimMach3(false);  // takes away what earlier tests' killed runs left
  const std::string before = ExportClasses();
  ASSERT_GT(before.size(), 1000u);
  RunSimMach3(false);
  EXPECT_TRUE(ExportClasses() == before) << "a normal run changed HKLM\\Software\\Classes";
  RunSimMach3(true);
  EXPECT_FALSE(ExportClasses() == before);  // what the killed run left...
  RunSimMach3(false);
  EXPECT_TRUE(ExportClasses() == before) << "...goes with the next run";

  // A stand-in for an installed Mach3: its ProgID, its document interface, and
  // its type library in a copy of the program elsewhere.
  CreateDirectoryW(L"C:\\kestrom-standin", nullptr);
  ASSERT_TRUE(CopyFileW((wine::ProgramsDir() + L"SimMach3.exe").c_str(), L"C:\\kestrom-standin\\Mach3Copy.exe", FALSE));
  WriteKey("Mach4.Document\\CLSID", "", "{CA7992B2-2653-4342-8061-D7D385C07809}");
  WriteKey(kStandInLibrary + "\\1.0", "", "Mach4 (installed)");
  WriteKey(kStandInLibrary + "\\1.0\\0\\win32", "", "C:\\kestrom-standin\\Mach3Copy.exe");
  WriteKey(kStandInInterface, "", "IMach4");
  WriteKey(kStandInInterface + "\\ProxyStubClsid32", "", "{00020420-0000-0000-C000-000000000046}");
  WriteKey(kStandInInterface + "\\TypeLib", "", "{6A1C3E52-94B7-4F0D-8E21-5B7C9D0A4F13}");
  WriteKey(kStandInInterface + "\\TypeLib", "Version", "1.0");
  const std::string installed = ExportClasses(L"installed");
  {
    wine::ComApartment com;
    wine::SimMach3 sim;
    ASSERT_TRUE(sim.Ready());
    wine::Kestrom k;
    ASSERT_NE(k.WaitForWindow(), nullptr);
    EXPECT_TRUE(wine::WaitUntil([&] { return wine::TextOf(k.Control(ControlId::Text3)) == "X:+0.0000"; }))
        << "Kestrom did not reach SimMach3 through the installed registration";
    PostMessageW(sim.Window(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(sim.process().WaitForExit(10000));
  }
  EXPECT_TRUE(ExportClasses(L"installed-after") == installed) << "the installed registration was changed";
}

}  // namespace
}  // namespace kestrom
