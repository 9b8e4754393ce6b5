// SimMach3's automation objects: the document registered as the active object of
// "Mach4.Document", and the scripting object its member 3 hands out.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <functional>
#include <map>
#include <set>
#include <string>

#include "sim/sim_log.h"
#include "sim/sim_machine.h"

namespace kestrom::sim {

extern const IID kIidMach4Document;
extern const CLSID kClsidMach4Document;
extern const IID kIidMach4Script;  // the scripting object's type information in SimMach3's type library

// Faults a test asks for: member name -> calls still to fail (-1: all).
using FaultPlan = std::map<std::string, int>;

double NowMs();

// Posted to SimMach3's own thread by SimHang(ms): the thread then sleeps that
// long without handling messages, as a busy or frozen Mach3 does.
constexpr UINT kHangMessage = WM_APP + 1;
// The process ends abruptly, as a crashing Mach3 does, once the call that asked for it is answered.
constexpr UINT kExitMessage = WM_APP + 2;

// The IUnknown and type-information part both objects share. They live as long
// as SimMach3 itself, so counting references never deletes them.
class StaticDispatch : public IDispatch {
 public:
  explicit StaticDispatch(const IID* alsoAnswers = nullptr) : alsoAnswers_(alsoAnswers) {}
  virtual ~StaticDispatch() = default;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;

 private:
  LONG references_ = 1;
  const IID* alsoAnswers_;
};

class ScriptObject : public StaticDispatch {
 public:
  ScriptObject(SimMachine& machine, CallLog& log);
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* info, UINT* argError) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override;
  // Held for as long as SimMach3 runs.
  void SetTypeInfo(ITypeInfo* info) { typeInfo_ = info; }

 private:
  struct Call;
  using Handler = std::function<HRESULT(Call&)>;
  struct Member {
    std::string name;
    Handler handler;
    bool logged;
  };
  void Define(const char* name, Handler handler, bool logged = true);
  void DefineMembers();
  void DefineTestControls();

  SimMachine& machine_;
  CallLog& log_;
  FaultPlan faults_;
  long loadMs_ = 0;  // SimLoadTakes: how long a LoadFile keeps this thread busy
  std::set<std::string> hidden_;  // SimHide: members GetIDsOfNames does not find
  ITypeInfo* typeInfo_ = nullptr;
  std::vector<Member> members_;  // DISPID = index + 1
  std::map<std::string, long> lookups_;
};

class DocumentObject : public StaticDispatch {
 public:
  explicit DocumentObject(IDispatch* script) : StaticDispatch(&kIidMach4Document), script_(script) {}
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* info, UINT* argError) override;

 private:
  IDispatch* script_;
};

}  // namespace kestrom::sim
