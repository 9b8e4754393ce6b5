// modCommon's platform half against Wine's real registry and process list.
#include <gtest/gtest.h>
#include <windows.h>

#include "machine/mod_common.h"
#include "machine/win32/win32_system.h"
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

}  // namespace
}  // namespace kestrom
