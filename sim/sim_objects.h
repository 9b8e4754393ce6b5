// SimMach3's automation objects: the document registered as the active object of
// "Mach4.Document", and the scripting object its member 3 hands out.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <functional>
#include <map>
#include <string>

#include "sim/sim_log.h"
#include "sim/sim_machine.h"

namespace kestrom::sim {

extern const IID kIidMach4Document;
extern const CLSID kClsidMach4Document;

// Faults a test asks for: member name -> calls still to fail (-1: all).
using FaultPlan = std::map<std::string, int>;

double NowMs();

class ScriptObject : public IDispatch {
 public:
  ScriptObject(SimMachine& machine, CallLog& log);
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* info, UINT* argError) override;

 private:
  struct Call;
  using Handler = std::function<HRESULT(Call&)>;
  struct Member {
    std::string name;
    Handler handler;
    bool logged;
  };
  void Define(const char* name, Handler handler, bool logged = true);

  LONG references_ = 1;
  SimMachine& machine_;
  CallLog& log_;
  FaultPlan faults_;
  std::vector<Member> members_;  // DISPID = index + 1
};

class DocumentObject : public IDispatch {
 public:
  explicit DocumentObject(IDispatch* script) : script_(script) { script_->AddRef(); }
  ~DocumentObject() { script_->Release(); }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* info, UINT* argError) override;

 private:
  LONG references_ = 1;
  IDispatch* script_;
};

}  // namespace kestrom::sim
