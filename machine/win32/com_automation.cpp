#include "machine/win32/com_automation.h"

#include <windows.h>
#include <oleauto.h>

#include <map>

#include "machine/auto_errors.h"
#include "machine/win32/raii.h"
#include "machine/win32/text_win32.h"

namespace kestrom::win32 {
namespace {

// One counted reference: the ComPtr's. Its IDispatch is asked for once, and the
// DISPIDs of its members are kept: COM fixes a member's DISPID for the lifetime
// of the object, so each member costs one GetIDsOfNames round trip per object.
class ComObject : public AutoObject {
 public:
  explicit ComObject(ComPtr<IUnknown> unknown) : unknown_(std::move(unknown)) {}
  IUnknown* unknown() const { return unknown_.get(); }
  // Null when the object is no dispatch object.
  IDispatch* dispatch() const {
    if (!dispatch_ && unknown_) unknown_->QueryInterface(IID_IDispatch, dispatch_.put_void());
    return dispatch_.get();
  }
  std::map<std::wstring, DISPID>& dispIds() const { return dispIds_; }

 private:
  ComPtr<IUnknown> unknown_;
  mutable ComPtr<IDispatch> dispatch_;
  mutable std::map<std::wstring, DISPID> dispIds_;
};

ObjectRef Wrap(IUnknown* owned) { return std::make_shared<ComObject>(ComPtr<IUnknown>::Adopt(owned)); }
const ComObject& Unwrap(const ObjectRef& obj) { return static_cast<const ComObject&>(*obj); }

// HRESULTs worded as the automation runtime words them for a late-bound caller.
AutoError ErrorOf(HRESULT hr, EXCEPINFO* info = nullptr) {
  if (hr == DISP_E_EXCEPTION && info) {
    if (info->pfnDeferredFillIn) info->pfnDeferredFillIn(info);
    Bstr description, source, help;
    *description.put() = info->bstrDescription;
    *source.put() = info->bstrSource;
    *help.put() = info->bstrHelpFile;
    const int32_t number = info->scode ? info->scode : static_cast<int32_t>(info->wCode);
    std::string text = Narrow(description.str());
    if (text.empty()) text = SystemMessage(static_cast<unsigned long>(number));
    return {number, text};
  }
  switch (hr) {
    case DISP_E_UNKNOWNNAME:
    case DISP_E_MEMBERNOTFOUND: return auto_errors::NoSuchMember();
    case DISP_E_TYPEMISMATCH:
    case E_NOINTERFACE: return auto_errors::TypeMismatch();
    case DISP_E_BADPARAMCOUNT: return {450, "Wrong number of arguments or invalid property assignment"};
    case DISP_E_OVERFLOW: return auto_errors::Overflow();
    default: return {static_cast<int32_t>(hr), "Automation error: " + SystemMessage(static_cast<unsigned long>(hr))};
  }
}

Value ValueOf(const VARIANT& in) {
  Variant plain;
  if (FAILED(VariantCopyInd(plain.get(), const_cast<VARIANT*>(&in)))) return Value::OfKind(Value::Kind::Other);
  VARIANT& v = *plain.get();
  switch (v.vt) {
    case VT_EMPTY: return Value::Empty();
    case VT_NULL: return Value::OfKind(Value::Kind::Null);
    case VT_BOOL: return Value::OfBool(v.boolVal != VARIANT_FALSE);
    case VT_BSTR: return Value::OfText(Narrow(BstrText(v.bstrVal)));
    case VT_DISPATCH:
    case VT_UNKNOWN: {
      IUnknown* p = v.punkVal;
      if (!p) return Value::Empty();  // Nothing
      p->AddRef();
      return Value::OfObject(Wrap(p));
    }
    case VT_I1: case VT_I2: case VT_I4: case VT_I8: case VT_INT:
    case VT_UI1: case VT_UI2: case VT_UI4: case VT_UI8: case VT_UINT: {
      Variant i8;
      if (SUCCEEDED(VariantChangeType(i8.get(), &v, 0, VT_I8))) return Value::OfInteger(i8.ref().llVal);
      break;
    }
    case VT_R4: case VT_R8: case VT_CY: case VT_DECIMAL: {
      Variant r8;
      if (SUCCEEDED(VariantChangeType(r8.get(), &v, 0, VT_R8))) return Value::OfReal(r8.ref().dblVal);
      break;
    }
    default: break;
  }
  return Value::OfKind(Value::Kind::Other);
}

}  // namespace

Outcome<ObjectRef> ComAutomation::GetActiveObject(const std::string& progId) {
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(Widen(progId).c_str(), &clsid)))
    return Outcome<ObjectRef>::Failure(auto_errors::CannotCreateObject());
  IUnknown* unknown = nullptr;
  if (FAILED(::GetActiveObject(clsid, nullptr, &unknown)) || !unknown)
    return Outcome<ObjectRef>::Failure(auto_errors::CannotCreateObject());
  return Outcome<ObjectRef>::Success(Wrap(unknown));
}

Outcome<ObjectRef> ComAutomation::QueryInterface(const ObjectRef& obj, const std::string& iid) {
  if (!obj) return Outcome<ObjectRef>::Failure(auto_errors::ObjectNotSet());
  IID id;
  if (FAILED(IIDFromString(Widen(iid).c_str(), &id))) return Outcome<ObjectRef>::Failure(auto_errors::TypeMismatch());
  void* p = nullptr;
  const HRESULT hr = Unwrap(obj).unknown()->QueryInterface(id, &p);
  if (FAILED(hr) || !p) return Outcome<ObjectRef>::Failure(ErrorOf(hr));
  return Outcome<ObjectRef>::Success(Wrap(static_cast<IUnknown*>(p)));
}

Outcome<Value> ComAutomation::InvokeById(const ObjectRef& obj, int32_t dispId) {
  if (!obj) return Outcome<Value>::Failure(auto_errors::ObjectNotSet());
  IDispatch* dispatch = Unwrap(obj).dispatch();
  if (!dispatch) return Outcome<Value>::Failure(auto_errors::TypeMismatch());
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  Variant result;
  EXCEPINFO info{};
  const HRESULT hr = dispatch->Invoke(dispId, IID_NULL, LOCALE_USER_DEFAULT,
                                                    DISPATCH_METHOD | DISPATCH_PROPERTYGET, &none,
                                                    result.get(), &info, nullptr);
  if (FAILED(hr)) return Outcome<Value>::Failure(ErrorOf(hr, &info));
  return Outcome<Value>::Success(ValueOf(result.ref()));
}

Outcome<Value> ComAutomation::CallByName(const ObjectRef& obj, const std::string& member,
                                         const std::vector<Arg>& args) {
  if (!obj) return Outcome<Value>::Failure(auto_errors::ObjectNotSet());
  const ComObject& object = Unwrap(obj);
  IDispatch* dispatch = object.dispatch();
  if (!dispatch) return Outcome<Value>::Failure(auto_errors::TypeMismatch());
  std::wstring name = Widen(member);
  auto known = object.dispIds().find(name);
  HRESULT hr = S_OK;
  if (known == object.dispIds().end()) {
    LPOLESTR names[] = {&name[0]};
    DISPID id = 0;
    hr = dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return Outcome<Value>::Failure(ErrorOf(hr));
    known = object.dispIds().emplace(name, id).first;
  }
  const DISPID id = known->second;

  // By-reference arguments point into these, which outlive the call.
  const size_t n = args.size();
  std::vector<LONG> longs(n);
  std::vector<double> doubles(n);
  std::vector<Bstr> texts(n);
  std::vector<VARIANT> slots(n);
  for (size_t i = 0; i < n; ++i) {
    const Arg& a = args[i];
    VARIANT& v = slots[n - 1 - i];  // IDispatch takes the last argument first
    VariantInit(&v);
    switch (a.kind) {
      case Arg::Kind::RefI4: longs[i] = a.i4; v.vt = VT_BYREF | VT_I4; v.plVal = &longs[i]; break;
      case Arg::Kind::RefR8: doubles[i] = a.r8; v.vt = VT_BYREF | VT_R8; v.pdblVal = &doubles[i]; break;
      case Arg::Kind::RefBstr:
        // The callee may replace a by-reference string; the new one is then ours to free.
        texts[i] = Bstr(Widen(a.text));
        v.vt = VT_BYREF | VT_BSTR;
        v.pbstrVal = texts[i].address();
        break;
      case Arg::Kind::I2: v.vt = VT_I2; v.iVal = static_cast<SHORT>(a.i4); break;
    }
  }

  DISPPARAMS params{n ? slots.data() : nullptr, nullptr, static_cast<UINT>(n), 0};
  Variant result;
  EXCEPINFO info{};
  UINT argError = 0;
  hr = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params,
                        result.get(), &info, &argError);
  // A member that has gone is looked up again on its next call.
  if (hr == DISP_E_MEMBERNOTFOUND || hr == DISP_E_UNKNOWNNAME) object.dispIds().erase(name);
  if (FAILED(hr)) return Outcome<Value>::Failure(ErrorOf(hr, &info));
  return Outcome<Value>::Success(ValueOf(result.ref()));
}

void ComAutomation::AddRefForever(const ObjectRef& obj) {
  if (obj) Unwrap(obj).unknown()->AddRef();  // by design never released
}

namespace {
// A parameter's type as a variant kind: "VT_BYREF|VT_I4" for long*, "VT_I2" for short.
std::string TypeName(const TYPEDESC& type) {
  static const std::map<VARTYPE, const char*> names = {
      {VT_I2, "VT_I2"},       {VT_I4, "VT_I4"},     {VT_R4, "VT_R4"},     {VT_R8, "VT_R8"},
      {VT_BSTR, "VT_BSTR"},   {VT_BOOL, "VT_BOOL"}, {VT_VARIANT, "VT_VARIANT"}, {VT_DISPATCH, "VT_DISPATCH"},
      {VT_INT, "VT_INT"},     {VT_UI1, "VT_UI1"},   {VT_CY, "VT_CY"},     {VT_DATE, "VT_DATE"}};
  if (type.vt == VT_PTR && type.lptdesc) return "VT_BYREF|" + TypeName(*type.lptdesc);
  auto found = names.find(type.vt);
  return found != names.end() ? found->second : "VT_" + std::to_string(type.vt);
}
// The same type information from its library as registered on this machine,
// read in this process; nothing where the library is not registered.
ComPtr<ITypeInfo> LocalCopy(ITypeInfo& remote) {
  ComPtr<ITypeLib> library;
  UINT index = 0;
  if (FAILED(remote.GetContainingTypeLib(library.put(), &index)) || !library) return {};
  TLIBATTR* libraryAttributes = nullptr;
  if (FAILED(library->GetLibAttr(&libraryAttributes))) return {};
  const TLIBATTR libraryIs = *libraryAttributes;
  library->ReleaseTLibAttr(libraryAttributes);
  TYPEATTR* attributes = nullptr;
  if (FAILED(remote.GetTypeAttr(&attributes))) return {};
  const GUID type = attributes->guid;
  remote.ReleaseTypeAttr(attributes);
  ComPtr<ITypeLib> local;
  ComPtr<ITypeInfo> info;
  if (FAILED(LoadRegTypeLib(libraryIs.guid, libraryIs.wMajorVerNum, libraryIs.wMinorVerNum, libraryIs.lcid,
                            local.put())) ||
      !local || FAILED(local->GetTypeInfoOfGuid(type, info.put())))
    return {};
  return info;
}

// The function at `index`, when its name is `name`: its parameters' types into `description`.
bool DescribeFunction(ITypeInfo& info, UINT index, const std::wstring& name, MemberDescription& description) {
  FUNCDESC* function = nullptr;
  if (FAILED(info.GetFuncDesc(index, &function))) return false;
  Bstr functionName;
  UINT got = 0;
  const bool named = SUCCEEDED(info.GetNames(function->memid, functionName.put(), 1, &got)) && got == 1 &&
                     lstrcmpiW(functionName.str().c_str(), name.c_str()) == 0;
  if (named) {
    description.typed = true;
    for (SHORT p = 0; p < function->cParams; ++p) description.params.push_back(TypeName(function->lprgelemdescParam[p].tdesc));
  }
  info.ReleaseFuncDesc(function);
  return named;
}
}  // namespace

Outcome<MemberDescription> ComAutomation::DescribeMember(const ObjectRef& obj, const std::string& member) {
  if (!obj) return Outcome<MemberDescription>::Failure(auto_errors::ObjectNotSet());
  IDispatch* dispatch = Unwrap(obj).dispatch();
  if (!dispatch) return Outcome<MemberDescription>::Failure(auto_errors::TypeMismatch());
  std::wstring name = Widen(member);
  LPOLESTR names[] = {&name[0]};
  MemberDescription description;
  DISPID id = 0;
  const HRESULT hr = dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return Outcome<MemberDescription>::Failure(ErrorOf(hr));
  description.dispId = id;
  UINT count = 0;
  ComPtr<ITypeInfo> info;
  if (FAILED(dispatch->GetTypeInfoCount(&count)) || count == 0 ||
      FAILED(dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put())) || !info)
    return Outcome<MemberDescription>::Success(description);
  // The member in the type information, by its name there (ITypeInfo's own
  // GetIDsOfNames works only in the object's process, so its names are
  // read): from Mach3's registered type library, loaded in this process,
  // where it can be; else through Mach3 itself, two marshalled calls for
  // each function it has.
  if (ComPtr<ITypeInfo> local = LocalCopy(*info.get())) info = std::move(local);
  TYPEATTR* attributes = nullptr;
  if (FAILED(info->GetTypeAttr(&attributes))) return Outcome<MemberDescription>::Success(description);
  const UINT functions = attributes->cFuncs;
  info->ReleaseTypeAttr(attributes);
  for (UINT i = 0; i < functions; ++i)
    if (DescribeFunction(*info.get(), i, name, description)) break;
  return Outcome<MemberDescription>::Success(description);
}

Outcome<std::string> ComAutomation::ClassIdOf(const std::string& progId) {
  CLSID clsid;
  const HRESULT hr = CLSIDFromProgID(Widen(progId).c_str(), &clsid);
  if (FAILED(hr)) return Outcome<std::string>::Failure(ErrorOf(hr));
  wchar_t text[64] = {};
  StringFromGUID2(clsid, text, 64);
  return Outcome<std::string>::Success(Narrow(text));
}

}  // namespace kestrom::win32
