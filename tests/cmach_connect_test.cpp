#include <gtest/gtest.h>

#include "fakes/fake_automation.h"
#include "fakes/fake_platform.h"
#include "machine/cmach.h"

namespace kestrom {
namespace {
using namespace kestrom::testing;

const std::string kNotRunning = "Mach3 Programı Kapalı. Önce Mach3 'ü Açınız.";

struct Connect : ::testing::Test {
  FakeAutomation automation;
  FakeSystem system;
  CountingPump pump;
  CMach mach{automation, system.Services(), pump};
};

TEST_F(Connect, NewConnectionIsEmpty) {
  EXPECT_FALSE(mach.isMachInit());
  EXPECT_EQ(mach.InitErrorMsg(), "");
  EXPECT_EQ(mach.oScript(), nullptr);
}

TEST_F(Connect, SucceedsWithoutWritingTheRegistry) {
  EXPECT_TRUE(mach.InitMach());
  EXPECT_EQ(mach.InitErrorMsg(), "");
  EXPECT_TRUE(mach.isMachInit());
  EXPECT_NE(mach.oScript(), nullptr);
  EXPECT_EQ(system.registry.creates + system.registry.writes, 0);
  EXPECT_EQ(automation.document->references, 1);     // held in mach
  EXPECT_EQ(automation.document->permanentReferences, 1);
  EXPECT_EQ(automation.script->references, 1);
}

TEST_F(Connect, Mach3NotRunningStopsBeforeRegistryAndAutomation) {
  system.processes.records.resize(2);  // only the system processes
  EXPECT_FALSE(mach.InitMach());
  EXPECT_EQ(mach.InitErrorMsg(), kNotRunning);
  EXPECT_EQ(system.registry.opens, 0);
  EXPECT_EQ(automation.lookups, 0);
}

TEST_F(Connect, MissingProgIdIsRegisteredThenConnects) {
  system.registry.keys.clear();
  EXPECT_TRUE(mach.InitMach());
  EXPECT_EQ(system.registry.values.at("Mach4.Document\\CLSID\\|").second,
            "{CA7992B2-2653-4342-8061-D7D385C07809}");
}

TEST_F(Connect, UnwritableRegistryGivesTheAdministratorText) {
  system.registry.keys.clear();
  system.registry.writable = false;
  EXPECT_FALSE(mach.InitMach());
  EXPECT_EQ(mach.InitErrorMsg(), "Could not register Mach ProgId in Registry. Run again as administrator.");
  EXPECT_EQ(automation.lookups, 0);
}

TEST_F(Connect, NoActiveDocumentNamesTheLookupFailure) {
  automation.documentActive = false;
  EXPECT_FALSE(mach.InitMach());
  EXPECT_EQ(mach.InitErrorMsg(), "Failed to GetObject(Mach4.Document) ActiveX component can't create object");
  EXPECT_FALSE(mach.isMachInit());
  EXPECT_EQ(automation.document->permanentReferences, 0);

  automation.documentActive = true;
  automation.documentHasInterface = false;
  EXPECT_FALSE(mach.InitMach());
  EXPECT_EQ(mach.InitErrorMsg(), "Failed to GetObject(Mach4.Document) Type mismatch");
}

TEST_F(Connect, SuccessClearsAnEarlierFailureText) {
  automation.documentActive = false;
  EXPECT_FALSE(mach.InitMach());
  automation.documentActive = true;
  EXPECT_TRUE(mach.InitMach());
  EXPECT_EQ(mach.InitErrorMsg(), "");
}

TEST_F(Connect, EachConnectLeavesOnePermanentReference) {
  EXPECT_TRUE(mach.InitMach());
  EXPECT_TRUE(mach.InitMach());
  EXPECT_EQ(automation.document->permanentReferences, 2);
  EXPECT_EQ(automation.document->references, 1);  // the old held reference was released
  EXPECT_EQ(automation.script->references, 1);
}

TEST_F(Connect, Mach3GoneAfterConnectKeepsTheOldReferences) {
  ASSERT_TRUE(mach.InitMach());
  system.processes.records.resize(2);
  EXPECT_FALSE(mach.InitMach());
  EXPECT_EQ(mach.InitErrorMsg(), kNotRunning);
  EXPECT_TRUE(mach.isMachInit());
  EXPECT_EQ(automation.document->references, 1);
  EXPECT_EQ(automation.script->references, 1);
}

TEST_F(Connect, FailingMember3LeavesHalfConnected) {
  automation.dispatchId3Fails = true;
  EXPECT_FALSE(mach.InitMach());
  EXPECT_EQ(mach.InitErrorMsg(), "InitMach Failed: Member 3 failed");
  EXPECT_TRUE(mach.isMachInit());
  EXPECT_EQ(mach.oScript(), nullptr);
  EXPECT_EQ(mach.ReadDRO(0), "");  // every operation does nothing
  EXPECT_TRUE(automation.calls.empty());
}

TEST_F(Connect, LookupFailingWithAnEarlierDocumentGoesOnWithIt) {
  ASSERT_TRUE(mach.InitMach());
  automation.documentActive = false;
  EXPECT_FALSE(mach.InitMach());
  EXPECT_EQ(mach.InitErrorMsg(), "InitMach Failed: ActiveX component can't create object");
  EXPECT_EQ(automation.document->permanentReferences, 2);  // steps 6 and 7 ran on the old document
  EXPECT_NE(mach.oScript(), nullptr);
}

TEST_F(Connect, DestroyingTheConnectionReleasesBothButNotThePermanentOnes) {
  {
    CMach other{automation, system.Services(), pump};
    ASSERT_TRUE(other.InitMach());
    EXPECT_EQ(automation.document->references, 1);
  }
  EXPECT_EQ(automation.document->references, 0);
  EXPECT_EQ(automation.script->references, 0);
  EXPECT_EQ(automation.document->permanentReferences, 1);
}

}  // namespace
}  // namespace kestrom
