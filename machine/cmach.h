// The one connection to Mach3: its document, its scripting object, and every
// operation, each a by-name call on the scripting object.
#pragma once
#include <cstdint>
#include <string>

#include "machine/automation.h"
#include "machine/event_pump.h"
#include "machine/mach3_check.h"
#include "machine/mach3_contract.h"
#include "machine/platform.h"

namespace kestrom {

extern const char* const kMachDocumentIid;
constexpr int32_t kScriptDispatchId = mach3::kScriptDispatchId;

class CMach {
 public:
  CMach(Automation& automation, SystemServices system, EventPump& events);

  // Fields, as properties.
  const ObjectRef& mach() const { return mach_; }
  void set_mach(ObjectRef o) { mach_ = std::move(o); }
  const ObjectRef& oScript() const { return oScript_; }
  void set_oScript(ObjectRef o) { oScript_ = std::move(o); }
  const std::string& InitErrorMsg() const { return initErrorMsg_; }
  void set_InitErrorMsg(std::string s) { initErrorMsg_ = std::move(s); }

  void JogOn(int32_t axis, bool posDirection);
  void JogOff(int32_t axis);
  bool isMachInit() const { return mach_ != nullptr; }
  Value IsEstop();
  Value IsStopped();
  Value IsSafeZ();
  Value IsMoving();
  Value IsFirst();
  Value IsLoading();
  std::string ReadDRO(int32_t X);
  void SetDRO(int32_t X, double val);
  void UserMsg(const std::string& msg);
  // False when the line did not reach Mach3 (the wait runs all the same: a late line may still move).
  bool RunGCode(const std::string& singleLine, bool andBlock);
  void LoadFile(const std::string& path, bool andRun);
  void RunLoadedFile();
  std::string FileName();
  void GotoUIPage(int32_t ui);
  void SendOEMCode(int32_t code);
  bool InitMach();
  // The read-only check of the running Mach3, on fresh references of its own.
  Mach3Check Check(const CheckEnvironment& environment) { return CheckMach3(automation_, system_, environment); }
  // A call that missed its deadline has not ended: Mach3 is busy or frozen.
  bool Late() const { return automation_.Late(); }
  // How many scripting calls have failed so far: an operation's calls all went
  // through when this did not change across it.
  size_t failedCalls() const { return failedCalls_; }
  // The stops, made now or as soon as Mach3 answers again (never dropped).
  std::shared_ptr<QueuedCall> JogOffWhenAnswering(int32_t axis);
  std::shared_ptr<QueuedCall> StopSpindleWhenAnswering();
  double SpindleRPM();
  void SpindleRPM(double X);
  double FeedRate();
  void FeedRate(double unitsPerSecond);
  double SafeZ();
  void SafeZ(double X);
  void GotoSafeZ();
  void StartSpindle(bool clockWise, double setRPM);
  void StopSpindle();
  void RunProgram(const std::string& program);

 private:
  void AddPermanentRef(const ObjectRef& obj);
  bool StillMoving();  // the poll of RunGCode's wait
  // One scripting call with the failure rule: a failure yields the empty value.
  Value Call(const char* member, std::vector<Arg> args = {});
  std::string CallText(const char* member, std::vector<Arg> args = {});
  double CallDouble(const char* member, std::vector<Arg> args = {});

  Automation& automation_;
  SystemServices system_;
  EventPump& events_;
  ObjectRef mach_;
  ObjectRef oScript_;
  std::string initErrorMsg_;
  size_t failedCalls_ = 0;
};

}  // namespace kestrom
