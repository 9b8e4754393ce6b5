#include "sim/sim_objects.h"

#include <optional>

#include "machine/number_text.h"
#include "machine/win32/raii.h"
#include "machine/win32/text_win32.h"

namespace kestrom::sim {

namespace {
GUID GuidOf(const char* text) {
  GUID guid{};
  CLSIDFromString(win32::Widen(text).c_str(), &guid);
  return guid;
}
}  // namespace

const IID kIidMach4Document = GuidOf(mach3::kDocumentIid);
const CLSID kClsidMach4Document = GuidOf(mach3::kClsid);
const IID kIidMach4Script = GuidOf("{3B8F2D61-7C4E-4A95-9E0B-61D2C5A7F308}");

double NowMs() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

namespace {

HRESULT Fail(EXCEPINFO* info, const std::string& text) {
  if (info) {
    *info = EXCEPINFO{};
    info->scode = E_FAIL;
    info->bstrSource = SysAllocString(L"SimMach3");
    const std::wstring w = win32::Widen(text);
    info->bstrDescription = SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
  }
  return DISP_E_EXCEPTION;
}

std::string ReadWholeFile(const std::wstring& path, bool& ok) {
  win32::UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  ok = file.valid();
  std::string content;
  char buffer[4096];
  DWORD got = 0;
  while (ok && ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got) content.append(buffer, got);
  return content;
}

}  // namespace

// One call as it arrived: its arguments in the caller's order, and its result.
struct ScriptObject::Call {
  DISPPARAMS* params;
  VARIANT* result;
  EXCEPINFO* info;

  UINT Count() const { return params ? params->cArgs : 0; }
  bool Get(UINT i, VARTYPE type, win32::Variant& out) const {
    if (i >= Count()) return false;
    win32::Variant plain;
    if (FAILED(VariantCopyInd(plain.get(), &params->rgvarg[Count() - 1 - i]))) return false;
    return SUCCEEDED(VariantChangeType(out.put(), plain.get(), 0, type));
  }
  std::optional<long> Int(UINT i) const {
    win32::Variant v;
    return Get(i, VT_I4, v) ? std::optional<long>(v.ref().lVal) : std::nullopt;
  }
  std::optional<double> Real(UINT i) const {
    win32::Variant v;
    return Get(i, VT_R8, v) ? std::optional<double>(v.ref().dblVal) : std::nullopt;
  }
  std::optional<std::string> Text(UINT i) const {
    win32::Variant v;
    if (!Get(i, VT_BSTR, v)) return std::nullopt;
    return win32::Narrow(win32::BstrText(v.ref().bstrVal));
  }
  HRESULT ReturnReal(double d) {
    if (result) { VariantInit(result); result->vt = VT_R8; result->dblVal = d; }
    return S_OK;
  }
  HRESULT ReturnBool(bool b) {
    if (result) { VariantInit(result); result->vt = VT_BOOL; result->boolVal = b ? VARIANT_TRUE : VARIANT_FALSE; }
    return S_OK;
  }
  HRESULT ReturnText(const std::string& s) {
    if (result) {
      VariantInit(result);
      const std::wstring w = win32::Widen(s);
      result->vt = VT_BSTR;
      result->bstrVal = SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
    }
    return S_OK;
  }
  HRESULT BadArguments() { return DISP_E_TYPEMISMATCH; }
};

void ScriptObject::Define(const char* name, Handler handler, bool logged) {
  members_.push_back({name, std::move(handler), logged});
}

ScriptObject::ScriptObject(SimMachine& machine, CallLog& log) : machine_(machine), log_(log) {
  DefineMembers();
  DefineTestControls();
}

void ScriptObject::DefineMembers() {
  SimMachine& m = machine_;
  // Members by the shape of their arguments and answer.
  auto command = [this](const char* name, std::function<void()> f) {
    Define(name, [f](Call&) { f(); return S_OK; });
  };
  // One argument, read by `read` (Call::Int, Call::Real or Call::Text).
  auto withArg = [this](const char* name, auto read, auto f) {
    Define(name, [read, f](Call& c) {
      const auto a = (c.*read)(0);
      if (!a) return c.BadArguments();
      f(*a);
      return S_OK;
    });
  };
  auto withInt = [withArg](const char* name, std::function<void(long)> f) { withArg(name, &Call::Int, f); };
  auto withReal = [withArg](const char* name, std::function<void(double)> f) { withArg(name, &Call::Real, f); };
  auto withText = [withArg](const char* name, std::function<void(const std::string&)> f) {
    withArg(name, &Call::Text, f);
  };
  auto truth = [this](const char* name, std::function<bool()> f) {
    Define(name, [f](Call& c) { return c.ReturnBool(f()); });
  };
  auto number = [this](const char* name, std::function<double()> f) {
    Define(name, [f](Call& c) { return c.ReturnReal(f()); });
  };

  Define("JogOn", [&m](Call& c) {
    const auto axis = c.Int(0), direction = c.Int(1);
    if (!axis || !direction) return c.BadArguments();
    m.JogOn(*axis, *direction);
    return S_OK;
  });
  withInt("JogOff", [&m](long axis) { m.JogOff(axis); });
  truth("IsEstop", [] { return false; });
  truth("IsStopped", [&m] { return !m.IsMoving(); });
  truth("IsSafeZ", [&m] { return m.IsSafeZ(); });
  truth("IsMoving", [&m] { return m.IsMoving(); });
  truth("IsFirst", [] { return true; });
  truth("IsLoading", [] { return false; });
  Define("GetDROString", [&m](Call& c) {
    const auto dro = c.Int(0);
    if (!dro) return c.BadArguments();
    return c.ReturnText(m.DroString(*dro));
  });
  Define("SetDRO", [&m](Call& c) {
    const auto dro = c.Int(0);
    const auto value = c.Real(1);
    if (!dro || !value) return c.BadArguments();
    m.SetDro(*dro, *value);
    return S_OK;
  });
  withText("Message", [&m](const std::string& text) { m.Message(text); });
  withText("code", [&m](const std::string& line) {
    if (!m.Code(line)) m.Message("Unknown G-code: " + line);  // Mach3 reports, it does not raise
  });
  Define("LoadFile", [&m, this](Call& c) {
    const auto path = c.Text(0);
    if (!path) return c.BadArguments();
    if (loadMs_ > 0) Sleep(static_cast<DWORD>(loadMs_));  // a real Mach3 reads and draws the toolpath
    bool ok = false;
    const std::string content = ReadWholeFile(win32::Widen(*path), ok);
    if (!ok) return Fail(c.info, "SimMach3: cannot open " + *path);
    m.LoadFile(*path, content);
    return S_OK;
  });
  command("RunFile", [&m] { m.RunFile(); });
  Define("FileName", [&m](Call& c) { return c.ReturnText(m.FileName()); });
  withInt("DoOEMButton", [&m](long code) { m.DoOEMButton(code); });
  number("GetRPM", [&m] { return m.Rpm(); });
  withReal("SetSpinSpeed", [&m](double rpm) { m.SetSpinSpeed(rpm); });
  number("FeedRate", [&m] { return m.FeedRate(); });
  withReal("SetFeedRate", [&m](double feed) { m.SetFeedRate(feed); });
  number("GetSafeZ", [&m] { return m.SafeZ(); });
  withReal("SetSafeZ", [&m](double z) { m.SetSafeZ(z); });
  command("GotoSafeZ", [&m] { m.GotoSafeZ(); });
  command("DoSpinCW", [&m] { m.SpinCW(); });
  command("DoSpinCCW", [&m] { m.SpinCCW(); });
  command("DoSpinStop", [&m] { m.SpinStop(); });
  withText("RunProgram", [&m](const std::string& program) { m.RunProgram(program); });
}

// Test controls: not Mach3's, and not written to the log.
void ScriptObject::DefineTestControls() {
  SimMachine& m = machine_;
  FaultPlan& faults = faults_;
  CallLog& callLog = log_;
  Define("SimFail", [&faults](Call& c) {
    const auto member = c.Text(0);
    const auto count = c.Int(1);
    if (!member || !count) return c.BadArguments();
    faults[*member] = *count;
    return S_OK;
  }, false);
  Define("SimMovingFor", [&m](Call& c) {
    const auto ms = c.Int(0);
    if (!ms) return c.BadArguments();
    m.ForceMovingUntil(NowMs() + *ms);
    return S_OK;
  }, false);
  Define("SimHide", [this](Call& c) {
    const auto member = c.Text(0);
    if (!member) return c.BadArguments();
    hidden_.insert(*member);
    return S_OK;
  }, false);
  Define("SimLoadTakes", [this](Call& c) {
    const auto ms = c.Int(0);
    if (!ms || *ms < 0) return c.BadArguments();
    loadMs_ = *ms;
    return S_OK;
  }, false);
  Define("SimJogStep", [&m](Call& c) {
    const auto axis = c.Int(0);
    const auto distance = c.Real(1);
    if (!axis || !distance) return c.BadArguments();
    m.JogStep(*axis, *distance);
    return S_OK;
  }, false);
  Define("SimHang", [](Call& c) {
    const auto ms = c.Int(0);
    if (!ms || *ms < 0) return c.BadArguments();
    // Answered first, so the caller is not the one held up.
    PostThreadMessageW(GetCurrentThreadId(), kHangMessage, static_cast<WPARAM>(*ms), 0);
    return S_OK;
  }, false);
  // The GetIDsOfNames requests served for a member ("" for all), this one's included.
  Define("SimLookups", [this](Call& c) {
    const auto member = c.Text(0);
    if (!member) return c.BadArguments();
    long count = 0;
    for (const auto& [name, n] : lookups_)
      if (member->empty() || name == *member) count += n;
    if (c.result) { VariantInit(c.result); c.result->vt = VT_I4; c.result->lVal = count; }
    return S_OK;
  }, false);
  Define("SimClearLog", [&callLog](Call&) { callLog.Clear(); return S_OK; }, false);
  // The run's speed factor (1 or 10 in the window) and the Optional Stop box, as a person sets them.
  Define("SimSpeed", [&m](Call& c) {
    const auto factor = c.Real(0);
    if (!factor || *factor <= 0) return c.BadArguments();
    m.SetSpeedFactor(*factor);
    return S_OK;
  }, false);
  Define("SimOptionalStop", [&m](Call& c) {
    const auto on = c.Int(0);
    if (!on) return c.BadArguments();
    m.SetOptionalStop(*on != 0);
    return S_OK;
  }, false);
  Define("SimExit", [](Call&) {
    // Answered first: a server that dies inside a call leaves Wine's client of
    // it waiting for the answer, and the test that asked would hang.
    PostThreadMessageW(GetCurrentThreadId(), kExitMessage, 0, 0);
    return S_OK;
  }, false);
}

HRESULT StaticDispatch::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
      (alsoAnswers_ && IsEqualIID(riid, *alsoAnswers_))) {
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}
ULONG StaticDispatch::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
ULONG StaticDispatch::Release() { return static_cast<ULONG>(InterlockedDecrement(&references_)); }
HRESULT StaticDispatch::GetTypeInfoCount(UINT* count) {
  if (count) *count = 0;
  return S_OK;
}
HRESULT StaticDispatch::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }

HRESULT ScriptObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_INVALIDARG;
  *count = typeInfo_ ? 1 : 0;
  return S_OK;
}

HRESULT ScriptObject::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  if (!info) return E_INVALIDARG;
  *info = nullptr;
  if (index != 0 || !typeInfo_) return DISP_E_BADINDEX;
  typeInfo_->AddRef();
  *info = typeInfo_;
  return S_OK;
}

HRESULT ScriptObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids || count == 0) return E_INVALIDARG;
  // Letter case counts: a client that misspells a member is caught here.
  const std::string name = win32::Narrow(names[0]);
  ++lookups_[name];  // what a test reads with SimLookups: the round trips a client spends on names
  for (size_t i = 0; i < members_.size(); ++i)
    if (members_[i].name == name && !hidden_.count(name)) {
      ids[0] = static_cast<DISPID>(i + 1);
      for (UINT k = 1; k < count; ++k) ids[k] = DISPID_UNKNOWN;
      return S_OK;
    }
  for (UINT k = 0; k < count; ++k) ids[k] = DISPID_UNKNOWN;
  return DISP_E_UNKNOWNNAME;
}

HRESULT ScriptObject::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                             EXCEPINFO* info, UINT*) {
  if (id < 1 || static_cast<size_t>(id) > members_.size()) return DISP_E_MEMBERNOTFOUND;
  const Member& member = members_[static_cast<size_t>(id - 1)];
  machine_.Advance(NowMs());
  std::string line = member.name + "(";
  for (UINT i = 0; params && i < params->cArgs; ++i)
    line += (i ? ", " : "") + DescribeArgument(params->rgvarg[params->cArgs - 1 - i]);
  line += ")";

  auto fault = faults_.find(member.name);
  const bool failing = fault != faults_.end() && fault->second != 0;
  if (member.logged) log_.Write(failing ? line + " FAILED" : line);
  if (failing) {
    if (fault->second > 0) --fault->second;
    return Fail(info, "SimMach3: " + member.name + " failed");
  }
  Call call{params, result, info};
  return member.handler(call);
}


HRESULT DocumentObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids || count == 0) return E_INVALIDARG;
  if (win32::Narrow(names[0]) == "GetScriptDispatch") {
    ids[0] = mach3::kScriptDispatchId;
    return S_OK;
  }
  ids[0] = DISPID_UNKNOWN;
  return DISP_E_UNKNOWNNAME;
}

HRESULT DocumentObject::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) {
  if (id != mach3::kScriptDispatchId) return DISP_E_MEMBERNOTFOUND;
  if (result) {
    VariantInit(result);
    result->vt = VT_DISPATCH;
    result->pdispVal = script_;
    script_->AddRef();
  }
  return S_OK;
}

}  // namespace kestrom::sim
