// The connect sequence. A failing step is recorded and the next one still runs;
// the final test looks at whether anything failed on the way.
#include "machine/auto_errors.h"
#include "machine/cmach.h"
#include "machine/mod_common.h"

namespace kestrom {

const char* const kMachDocumentIid = mach3::kDocumentIid;

namespace {
const char* const kMachNotRunning = "Mach3 Programı Kapalı. Önce Mach3 'ü Açınız.";
const char* const kCannotRegister =
    "Could not register Mach ProgId in Registry. Run again as administrator.";
const std::string kGetObjectFailed = std::string("Failed to GetObject(") + mach3::kProgId + ") ";
const char* const kInitFailed = "InitMach Failed: ";
}  // namespace

CMach::CMach(Automation& automation, SystemServices system, EventPump& events)
    : automation_(automation), system_(system), events_(events) {}

bool CMach::InitMach() {
  AutoError latest;  // number 0: nothing failed since the start
  auto record = [&latest](const AutoError& e) { latest = e; };

  initErrorMsg_.clear();
  if (!modCommon::IsMach3Running(system_.processes, system_.environment)) {
    initErrorMsg_ = kMachNotRunning;
    return false;
  }
  if (!modCommon::IsMachProgIdRegistered(system_.registry) &&
      !modCommon::RegisterMachProgId(system_.registry)) {
    initErrorMsg_ = kCannotRegister;
    return false;
  }

  const auto active = automation_.GetActiveObject(modCommon::kMachProgId);
  if (!active.ok) {
    record(active.error);
  } else {
    const auto document = automation_.QueryInterface(active.value, kMachDocumentIid);
    if (document.ok) mach_ = document.value;
    else record(document.error);
  }
  if (!mach_) {
    initErrorMsg_ = kGetObjectFailed + latest.description;
    return false;
  }

  AddPermanentRef(mach_);

  const auto script = automation_.InvokeById(mach_, kScriptDispatchId);
  if (!script.ok) record(script.error);
  else if (script.value.kind == Value::Kind::Object) oScript_ = script.value.object;
  else if (script.value.kind == Value::Kind::Empty) oScript_ = nullptr;  // Nothing
  else record(auto_errors::TypeMismatch());

  if (latest.number == 0) return true;
  initErrorMsg_ = kInitFailed + latest.description;
  return false;
}

void CMach::AddPermanentRef(const ObjectRef& obj) { automation_.AddRefForever(obj); }

}  // namespace kestrom
