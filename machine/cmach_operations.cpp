// The machine operations. None of them lets a failure reach its caller: a call
// that fails leaves its result at the neutral value and the next step runs.
#include "machine/cmach.h"

#include "machine/mod_common.h"
#include "machine/auto_errors.h"
#include "machine/value_convert.h"

namespace kestrom {

Value CMach::Call(const char* member, std::vector<Arg> args) {
  if (!oScript_) {  // object not set: nothing to call
    ++failedCalls_;
    return Value::Empty();
  }
  auto result = automation_.CallByName(oScript_, member, args);
  if (!result.ok) ++failedCalls_;
  return result.ok ? std::move(result.value) : Value::Empty();
}

// A failed call gives the empty value, whose conversions are the neutral results.
std::string CMach::CallText(const char* member, std::vector<Arg> args) {
  auto text = ValueToText(Call(member, std::move(args)));
  return text.ok ? text.value : std::string();
}

double CMach::CallDouble(const char* member, std::vector<Arg> args) {
  auto number = ValueToDouble(Call(member, std::move(args)));
  return number.ok ? number.value : 0.0;
}

void CMach::JogOn(int32_t axis, bool posDirection) {
  Call("JogOn", {Arg::RefI4(axis), Arg::I2(posDirection ? 0 : 1)});
}
void CMach::JogOff(int32_t axis) { Call("JogOff", {Arg::RefI4(axis)}); }

namespace {
std::shared_ptr<QueuedCall> NotMade() {
  auto call = std::make_shared<QueuedCall>();
  call->result = Outcome<Value>::Failure(auto_errors::ObjectNotSet());
  call->ended = true;
  return call;
}
}  // namespace

std::shared_ptr<QueuedCall> CMach::JogOffWhenAnswering(int32_t axis) {
  return oScript_ ? automation_.CallWhenAnswering(oScript_, "JogOff", {Arg::RefI4(axis)}) : NotMade();
}

std::shared_ptr<QueuedCall> CMach::StopSpindleWhenAnswering() {
  return oScript_ ? automation_.CallWhenAnswering(oScript_, "DoSpinStop", {}) : NotMade();
}

Value CMach::IsEstop() { return Call("IsEstop"); }
Value CMach::IsStopped() { return Call("IsStopped"); }
Value CMach::IsSafeZ() { return Call("IsSafeZ"); }
Value CMach::IsMoving() { return Call("IsMoving"); }
Value CMach::IsFirst() { return Call("IsFirst"); }
Value CMach::IsLoading() { return Call("IsLoading"); }

std::string CMach::ReadDRO(int32_t X) { return CallText("GetDROString", {Arg::RefI4(X)}); }
void CMach::SetDRO(int32_t X, double val) { Call("SetDRO", {Arg::RefI4(X), Arg::RefR8(val)}); }
void CMach::UserMsg(const std::string& msg) { Call("Message", {Arg::RefBstr(msg)}); }

bool CMach::RunGCode(const std::string& singleLine, bool andBlock) {
  const size_t failedBefore = failedCalls_;
  Call("code", {Arg::RefBstr(singleLine)});
  const bool made = failedCalls_ == failedBefore;
  if (andBlock) {
    while (StillMoving()) events_.PumpPendingEvents();
  }
  return made;
}

// A Mach3 that does not answer is frozen, not stopped: its machine may still be
// moving, so the wait goes on (with the window alive) until Mach3 answers that
// it stands still, or is gone.
bool CMach::StillMoving() {
  if (!oScript_) return false;
  auto moving = automation_.CallByName(oScript_, "IsMoving", {});
  if (!moving.ok) {
    if (moving.error.number != auto_errors::NotAnswering().number) return false;
    // A Mach3 that has ended does not answer either, and a call into it may
    // never come back: the wait ends with its process.
    return modCommon::IsMach3Running(system_.processes, system_.environment);
  }
  return ValueIsTrue(moving.value);
}

void CMach::LoadFile(const std::string& path, bool andRun) {
  Call("LoadFile", {Arg::RefBstr(path)});
  if (andRun) RunLoadedFile();
}
void CMach::RunLoadedFile() { Call("RunFile"); }
std::string CMach::FileName() { return CallText("FileName"); }

void CMach::GotoUIPage(int32_t ui) { SendOEMCode(ui); }
void CMach::SendOEMCode(int32_t code) { Call("DoOEMButton", {Arg::RefI4(code)}); }

double CMach::SpindleRPM() { return CallDouble("GetRPM"); }
void CMach::SpindleRPM(double X) { Call("SetSpinSpeed", {Arg::RefR8(X)}); }
double CMach::FeedRate() { return CallDouble("FeedRate"); }
void CMach::FeedRate(double unitsPerSecond) { Call("SetFeedRate", {Arg::RefR8(unitsPerSecond)}); }
double CMach::SafeZ() { return CallDouble("GetSafeZ"); }
void CMach::SafeZ(double X) { Call("SetSafeZ", {Arg::RefR8(X)}); }
void CMach::GotoSafeZ() { Call("GotoSafeZ"); }

void CMach::StartSpindle(bool clockWise, double setRPM) {
  if (setRPM > 0.0) SpindleRPM(setRPM);
  Call(clockWise ? "DoSpinCW" : "DoSpinCCW");
}
void CMach::StopSpindle() { Call("DoSpinStop"); }
void CMach::RunProgram(const std::string& program) { Call("RunProgram", {Arg::RefBstr(program)}); }

}  // namespace kestrom
