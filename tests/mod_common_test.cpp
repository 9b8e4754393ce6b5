#include "machine/mod_common.h"

#include <gtest/gtest.h>

#include "fakes/fake_platform.h"

namespace kestrom {
namespace {
using testing::FakeEnvironment;
using testing::FakeProcesses;
using testing::FakeRegistry;

TEST(ModCommon, NormalizeKeyPath) {
  EXPECT_EQ(modCommon::NormalizeKeyPath("a/b"), "a\\b\\");
  EXPECT_EQ(modCommon::NormalizeKeyPath("\\Mach4.Document\\CLSID"), "Mach4.Document\\CLSID\\");
  EXPECT_EQ(modCommon::NormalizeKeyPath("\\Mach4.Document\\"), "Mach4.Document\\");
  EXPECT_EQ(modCommon::NormalizeKeyPath("\\\\x"), "\\x\\");
  EXPECT_EQ(modCommon::NormalizeKeyPath(""), "\\");
  EXPECT_EQ(modCommon::NormalizeKeyPath("//a"), "\\a\\");
}

TEST(ModCommon, Mach3IsFoundByNameIgnoringCase) {
  for (const char* name : {"Mach3.exe", "MACH3.EXE", "OldMach3.exe", "C:\\Mach3\\mach3.exe"}) {
    FakeProcesses p;
    FakeEnvironment env;
    p.Add(8, "explorer.exe");
    p.Add(12, name);
    EXPECT_TRUE(modCommon::IsMach3Running(p, env)) << name;
  }
  for (const char* name : {"Mach3.ex", "mach3", "Mach4.exe"}) {
    FakeProcesses p;
    FakeEnvironment env;
    p.Add(8, "explorer.exe");
    p.Add(12, name);
    EXPECT_FALSE(modCommon::IsMach3Running(p, env)) << name;
  }
  FakeProcesses none;
  FakeEnvironment env;
  none.snapshotFails = true;
  EXPECT_FALSE(modCommon::IsMach3Running(none, env));
}

TEST(ModCommon, ProcessListRulesForIdsAndNames) {
  FakeProcesses p;
  FakeEnvironment env;
  env.vars["Windir"] = "C:\\Windows";
  p.Add(0, "[System Process]");     // first entry with id 0: left out
  p.Add(4, "System");               // id 4: left out
  p.Add(300, "\\??\\C:\\Windows\\system32\\csrss.exe");
  p.Add(304, "\\SystemRoot\\System32\\smss.exe");
  p.Add(308, "\\systemroot\\x.exe");  // letter case matters
  EXPECT_EQ(modCommon::GetProcessList(p, env),
            (std::vector<std::string>{"C:\\Windows\\system32\\csrss.exe", "C:\\Windows\\System32\\smss.exe",
                                      "\\systemroot\\x.exe"}));

  FakeProcesses first;
  first.Add(77, "\\??\\first.exe");  // the first entry gets only the cut
  first.Add(4, "System");
  EXPECT_EQ(modCommon::GetProcessList(first, env), std::vector<std::string>{"\\??\\first.exe"});

  FakeProcesses failed;
  failed.Add(77, "mach3.exe");
  failed.Add(90, "other.exe");
  failed.firstFails = true;
  EXPECT_EQ(modCommon::GetProcessList(failed, env), std::vector<std::string>{"other.exe"});

  FakeProcesses full;  // a name that fills all 260 characters keeps them all
  full.Add(9, "x");
  ProcessRecord wide;
  wide.processId = 10;
  wide.exeFile.fill('a');
  full.records.push_back(wide);
  EXPECT_EQ(modCommon::GetProcessList(full, env).at(1).size(), 260u);
}

TEST(ModCommon, RegistrationWritesTwoKeysAndOneValue) {
  FakeRegistry reg;
  EXPECT_FALSE(modCommon::IsMachProgIdRegistered(reg));
  ASSERT_TRUE(modCommon::RegisterMachProgId(reg));
  EXPECT_EQ(reg.createdPaths, (std::vector<std::string>{"Mach4.Document\\", "Mach4.Document\\CLSID\\"}));
  ASSERT_EQ(reg.values.size(), 1u);
  const auto& value = reg.values.at("Mach4.Document\\CLSID\\|");
  EXPECT_EQ(value.first, 1u);
  EXPECT_EQ(value.second, "{CA7992B2-2653-4342-8061-D7D385C07809}");
  EXPECT_EQ(value.second.size(), 38u);  // no terminator
  EXPECT_TRUE(modCommon::IsMachProgIdRegistered(reg));
  EXPECT_TRUE(reg.openKeys.empty());  // every key closed again
}

TEST(ModCommon, RegistrationStopsAtFirstFailure) {
  FakeRegistry reg;
  reg.writable = false;
  EXPECT_FALSE(modCommon::RegisterMachProgId(reg));
  EXPECT_EQ(reg.createdPaths, std::vector<std::string>{"Mach4.Document\\"});
  EXPECT_EQ(reg.writes, 0);
}

TEST(ModCommon, PresenceTestOnlyOpensTheKey) {
  FakeRegistry reg;
  reg.keys.insert("Mach4.Document\\CLSID\\");  // whatever it holds
  EXPECT_TRUE(modCommon::IsMachProgIdRegistered(reg));
  EXPECT_EQ(reg.writes + reg.creates, 0);
}

TEST(ModCommon, SetRegValueByType) {
  FakeRegistry reg;
  reg.keys.insert("k\\");
  EXPECT_TRUE(modCommon::SetRegValue(reg, kHkeyClassesRoot, "/k", "n", "-2", 4));
  EXPECT_EQ(reg.values.at("k\\|n").second, std::string("\xFE\xFF\xFF\xFF", 4));
  EXPECT_TRUE(modCommon::SetRegValue(reg, kHkeyClassesRoot, "k", "b", "ab", 3));
  EXPECT_EQ(reg.values.at("k\\|b"), std::make_pair(3u, std::string("ab")));
  EXPECT_FALSE(modCommon::SetRegValue(reg, kHkeyClassesRoot, "k", "n", "many", 4));
  EXPECT_FALSE(modCommon::SetRegValue(reg, kHkeyClassesRoot, "missing", "n", "x", 1));
  EXPECT_TRUE(reg.openKeys.empty());
}

}  // namespace
}  // namespace kestrom
