// CMach over real COM against SimMach3 in its own process: the connect
// sequence, every operation's member name and argument kinds as they arrive,
// faults, and Mach3 going away.
#include <gtest/gtest.h>
#include <windows.h>

#include "machine/cmach.h"
#include "machine/deadline_automation.h"
#include "machine/mod_common.h"
#include "machine/value_convert.h"
#include "machine/win32/com_automation.h"
#include "machine/win32/win32_call_worker.h"
#include "machine/win32/win32_system.h"
#include "tests/win32/driver.h"

namespace kestrom {
namespace {
using Lines = std::vector<std::string>;

class PumpingWait : public EventPump {
 public:
  int pumps = 0;
  void PumpPendingEvents() override {
    ++pumps;
    Sleep(5);
  }
};

struct WineCom : ::testing::Test {
  wine::ComApartment apartment;
  win32::ComAutomation com;
  // The calls go through a worker with a deadline, as kestrom.exe makes them:
  // a call that SimMach3 never answers fails the test rather than hanging it.
  win32::Win32CallWorker worker;
  DeadlineAutomation automation{com, worker, wine::kTestCallDeadlines};
  win32::Win32Registry registry;
  win32::Win32Processes processes;
  win32::Win32Environment environment;
  PumpingWait pump;
  std::unique_ptr<CMach> mach =
      std::make_unique<CMach>(automation, SystemServices{registry, processes, environment}, pump);
};

TEST_F(WineCom, NotRunningThenConnectedThenGoneThenReconnected) {
  EXPECT_FALSE(mach->InitMach());
  EXPECT_EQ(mach->InitErrorMsg(), "Mach3 Programı Kapalı. Önce Mach3 'ü Açınız.");
  {
    wine::SimMach3 sim;
    ASSERT_TRUE(sim.Ready());
    ASSERT_TRUE(mach->InitMach()) << mach->InitErrorMsg();
    EXPECT_EQ(mach->InitErrorMsg(), "");
    EXPECT_EQ(mach->ReadDRO(0), "+0.0000");

    sim.Call("SimMovingFor", {Arg::RefI4(60000)});
    sim.Kill();  // Mach3 exits while connected, in the middle of a long move
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(mach->ReadDRO(0), "");
    EXPECT_EQ(mach->SpindleRPM(), 0.0);
    EXPECT_EQ(mach->IsMoving().kind, Value::Kind::Empty);
    mach->RunGCode("g0 x1", true);  // the wait ends: IsMoving fails
    EXPECT_LT(GetTickCount64() - start, 15000u);
    EXPECT_TRUE(mach->isMachInit());
    EXPECT_FALSE(mach->InitMach());
    EXPECT_EQ(mach->InitErrorMsg(), "Mach3 Programı Kapalı. Önce Mach3 'ü Açınız.");
  }
  wine::SimMach3 again;
  ASSERT_TRUE(again.Ready());
  EXPECT_TRUE(mach->InitMach()) << mach->InitErrorMsg();
  EXPECT_EQ(mach->ReadDRO(1), "+0.0000");
}

TEST_F(WineCom, MissingProgIdIsRegisteredByTheConnection) {
  RegDeleteKeyA(HKEY_CLASSES_ROOT, "Mach4.Document\\CLSID");
  RegDeleteKeyA(HKEY_CLASSES_ROOT, "Mach4.Document");
  wine::SimMach3 sim(L"/noprogid");
  ASSERT_TRUE(sim.Ready());
  EXPECT_TRUE(mach->InitMach()) << mach->InitErrorMsg();
  EXPECT_EQ(mach->ReadDRO(2), "+0.0000");
}

TEST_F(WineCom, EachMemberIsLookedUpOncePerConnectionThroughTheCallWorker) {
  wine::SimMach3 sim;
  ASSERT_TRUE(sim.Ready());
  win32::Win32CallWorker ownWorker;
  ASSERT_TRUE(ownWorker.Started());
  DeadlineAutomation deadline(com, ownWorker);
  CMach viaWorker(deadline, SystemServices{registry, processes, environment}, pump);
  ASSERT_TRUE(viaWorker.InitMach()) << viaWorker.InitErrorMsg();
  auto lookups = [&](const char* member) { return sim.Call("SimLookups", {Arg::RefBstr(member)}).value.integer; };
  for (int i = 0; i < 24; ++i) EXPECT_EQ(viaWorker.ReadDRO(i % 6), "+0.0000");
  viaWorker.SendOEMCode(103);
  viaWorker.SendOEMCode(103);
  EXPECT_EQ(lookups("GetDROString"), 1);
  EXPECT_EQ(lookups("DoOEMButton"), 1);
  EXPECT_EQ(wine::LinesOf(sim.Log(), "DoOEMButton").size(), 2u);
  ASSERT_TRUE(viaWorker.InitMach());  // a new scripting object: its names are asked for again
  EXPECT_EQ(viaWorker.ReadDRO(0), "+0.0000");
  EXPECT_EQ(lookups("GetDROString"), 2);
}

TEST_F(WineCom, OperationsArriveWithTheirNamesKindsAndOrder) {
  wine::SimMach3 sim;
  ASSERT_TRUE(sim.Ready());
  ASSERT_TRUE(mach->InitMach()) << mach->InitErrorMsg();
  sim.ClearLog();

  mach->JogOn(2, false);
  mach->JogOff(2);
  mach->SetDRO(1, 0.0);
  mach->StartSpindle(false, 1200.0);
  mach->StartSpindle(true, -1.0);
  mach->StopSpindle();
  mach->GotoUIPage(3);
  mach->SendOEMCode(103);
  mach->UserMsg("Merhaba şğı");
  mach->RunGCode("g0 x5 y5", false);
  mach->FeedRate(12.5);
  mach->SafeZ(7.0);
  EXPECT_EQ(mach->FeedRate(), 12.5);
  EXPECT_EQ(mach->SafeZ(), 7.0);
  EXPECT_EQ(mach->SpindleRPM(), 0.0);  // stopped above

  const Lines expected = {
      "JogOn(VT_BYREF|VT_I4=2, VT_I2=1)",
      "JogOff(VT_BYREF|VT_I4=2)",
      "SetDRO(VT_BYREF|VT_I4=1, VT_BYREF|VT_R8=0)",
      "SetSpinSpeed(VT_BYREF|VT_R8=1200)",
      "DoSpinCCW()",
      "DoSpinCW()",
      "DoSpinStop()",
      "DoOEMButton(VT_BYREF|VT_I4=3)",
      "DoOEMButton(VT_BYREF|VT_I4=103)",
      "Message(VT_BYREF|VT_BSTR=\"Merhaba şğı\")",
      "code(VT_BYREF|VT_BSTR=\"g0 x5 y5\")",
      "SetFeedRate(VT_BYREF|VT_R8=12.5)",
      "SetSafeZ(VT_BYREF|VT_R8=7)",
      "FeedRate()",
      "GetSafeZ()",
      "GetRPM()",
  };
  EXPECT_EQ(sim.Log(), expected);
}

TEST_F(WineCom, RunGCodeWaitsForTheMoveAndFaultsAreSwallowed) {
  wine::SimMach3 sim;
  ASSERT_TRUE(sim.Ready());
  ASSERT_TRUE(mach->InitMach()) << mach->InitErrorMsg();

  mach->RunGCode("G1 X5 F600", true);  // half a second at 600 per minute
  EXPECT_EQ(mach->ReadDRO(0), "+5.0000");
  EXPECT_GT(pump.pumps, 0);

  sim.ClearLog();
  sim.Call("SimFail", {Arg::RefBstr("GetDROString"), Arg::RefI4(1)});
  EXPECT_EQ(mach->ReadDRO(0), "");
  EXPECT_EQ(mach->ReadDRO(0), "+5.0000");
  sim.Call("SimFail", {Arg::RefBstr("code"), Arg::RefI4(1)});
  sim.Call("SimMovingFor", {Arg::RefI4(300)});
  mach->RunGCode("G0 X0", true);  // "code" fails; the wait still runs
  const Lines log = sim.Log();
  ASSERT_GE(log.size(), 4u);
  EXPECT_EQ(log[0], "GetDROString(VT_BYREF|VT_I4=0) FAILED");
  EXPECT_EQ(log[2], "code(VT_BYREF|VT_BSTR=\"G0 X0\") FAILED");
  EXPECT_EQ(log[3], "IsMoving()");
}

TEST_F(WineCom, NoActiveDocumentNamesTheFailure) {
  wine::ChildProcess starting(L"SimMach3.exe", L"/quiet /noactive");
  ASSERT_TRUE(wine::WaitUntil([] {
    win32::Win32Processes p;
    win32::Win32Environment e;
    return modCommon::IsMach3Running(p, e);
  }));
  Sleep(500);  // past its registration of the ProgID
  EXPECT_FALSE(mach->InitMach());
  EXPECT_EQ(mach->InitErrorMsg(), "Failed to GetObject(Mach4.Document) ActiveX component can't create object");
  EXPECT_FALSE(mach->isMachInit());
}

}  // namespace
}  // namespace kestrom
