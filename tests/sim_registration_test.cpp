// SimMach3's registration against an in-memory registry: only what is missing,
// per user where the machine-wide tree refuses writes, and nothing left after.
#include <gtest/gtest.h>

#include <map>

#include "machine/mach3_contract.h"
#include "sim/sim_registration.h"

namespace kestrom::sim {
namespace {

struct MemoryClasses : ClassesStore {
  // key -> name -> value; the trees every Windows has are there from the start
  std::map<std::string, std::map<std::string, std::string>> keys = {{"TypeLib", {}}, {"Interface", {}}};
  bool writable = true;
  bool Exists(const std::string& key) override { return keys.count(key) > 0; }
  std::optional<std::string> Read(const std::string& key, const std::string& name) override {
    auto k = keys.find(key);
    if (k == keys.end() || !k->second.count(name)) return std::nullopt;
    return k->second.at(name);
  }
  bool Write(const std::string& key, const std::string& name, const std::string& value) override {
    if (!writable) return false;
    for (size_t at = key.find('\\'); at != std::string::npos; at = key.find('\\', at + 1)) keys[key.substr(0, at)];
    keys[key][name] = value;
    return true;
  }
  void DeleteTree(const std::string& key) override {
    for (auto it = keys.begin(); it != keys.end();)
      it = (it->first == key || it->first.rfind(key + "\\", 0) == 0) ? keys.erase(it) : std::next(it);
  }
};

const std::string kExe = "C:\\Sim\\SimMach3.exe";
const std::string kInterface = std::string("Interface\\") + mach3::kDocumentIid;

TEST(SimRegistration, OnlyWhatIsMissingPerUserWhenRefusedAndNothingLeftAfter) {
  MemoryClasses machine, user;
  // An installed Mach3's document interface, which must stay exactly as it is.
  machine.Write(kInterface + "\\TypeLib", "", "{MACH3-OWN-LIBRARY}");
  const auto installed = machine.keys;
  {
    Registrar registrar(machine, user, kExe, 32);
    ASSERT_TRUE(registrar.Register(true));
    EXPECT_EQ(machine.Read(std::string("TypeLib\\") + kSimTypeLibraryId + "\\1.0\\0\\win32", ""), kExe);
    EXPECT_EQ(machine.Read(std::string(mach3::kProgId) + "\\CLSID", ""), mach3::kClsid);
    EXPECT_EQ(machine.Read(kInterface + "\\TypeLib", ""), "{MACH3-OWN-LIBRARY}");
    EXPECT_FALSE(machine.Read(kInterface, kMarkerValue));
    EXPECT_EQ(user.keys, MemoryClasses().keys);
  }
  EXPECT_EQ(machine.keys, installed);  // removed at the end, all of it and only it

  // A standard user on Vista and later: the machine-wide tree refuses writes.
  machine.keys = MemoryClasses().keys;
  machine.writable = false;
  {
    Registrar registrar(machine, user, kExe, 64);
    ASSERT_TRUE(registrar.Register(false));
    EXPECT_EQ(user.Read(std::string("TypeLib\\") + kSimTypeLibraryId + "\\1.0\\0\\win64", ""), kExe);
    EXPECT_EQ(user.Read(kInterface + "\\ProxyStubClsid32", ""), "{00020420-0000-0000-C000-000000000046}");
    EXPECT_FALSE(user.Exists(mach3::kProgId));  // left to the client
  }
  const auto bare = MemoryClasses().keys;
  EXPECT_EQ(user.keys, bare);
  EXPECT_EQ(machine.keys, bare);
  user.writable = false;
  Registrar nowhere(machine, user, kExe, 32);
  EXPECT_FALSE(nowhere.Register(true));
  EXPECT_EQ(user.keys, bare);  // no half registration
  EXPECT_EQ(machine.keys, bare);
}

TEST(SimRegistration, AKilledRunsKeysGoButOnlyThoseOfThisProgram) {
  MemoryClasses machine, user;
  machine.writable = true;
  {
    Registrar killed(machine, user, "\\\\?\\c:\\sim\\simmach3.EXE", 32);  // the same program, as Windows wrote it
    ASSERT_TRUE(killed.Register(true));
    std::map<std::string, std::map<std::string, std::string>> left = machine.keys;
    killed.Unregister();
    machine.keys = left;  // as if killed before it could
  }
  MemoryClasses elsewhere;
  {
    Registrar other(elsewhere, user, "D:\\Other\\SimMach3.exe", 32);
    ASSERT_TRUE(other.Register(true));
    elsewhere.keys = [&] { auto k = elsewhere.keys; other.Unregister(); return k; }();
  }
  const auto others = elsewhere.keys;
  Registrar registrar(machine, user, kExe, 32);
  registrar.RemoveLeftovers();
  EXPECT_EQ(machine.keys, MemoryClasses().keys);
  Registrar fromHere(elsewhere, user, kExe, 32);
  fromHere.RemoveLeftovers();
  EXPECT_EQ(elsewhere.keys, others);  // another path's keys are not this program's
}

}  // namespace
}  // namespace kestrom::sim
