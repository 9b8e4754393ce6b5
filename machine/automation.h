// The automation services the connection needs, as a small interface of its own:
// the Win32 layer implements it over IDispatch, the tests over a scripted fake.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kestrom {

// One counted reference on an automation object. Dropping the last shared_ptr
// to it releases that reference.
class AutoObject {
 public:
  virtual ~AutoObject() = default;
};
using ObjectRef = std::shared_ptr<AutoObject>;

// A failure as the automation layer reports it: a number and a description.
struct AutoError {
  int32_t number = 0;
  std::string description;
};

// An answer from Mach3, reduced to the kinds that the conversions distinguish.
struct Value {
  enum class Kind { Empty, Null, Bool, Integer, Real, Text, Object, Other };
  Kind kind = Kind::Empty;
  bool boolean = false;
  int64_t integer = 0;
  double real = 0.0;
  std::string text;  // UTF-8
  ObjectRef object;

  static Value Empty() { return {}; }
  static Value OfKind(Kind k) { Value v; v.kind = k; return v; }
  static Value OfBool(bool b) { Value v; v.kind = Kind::Bool; v.boolean = b; return v; }
  static Value OfInteger(int64_t i) { Value v; v.kind = Kind::Integer; v.integer = i; return v; }
  static Value OfReal(double d) { Value v; v.kind = Kind::Real; v.real = d; return v; }
  static Value OfText(std::string s) { Value v; v.kind = Kind::Text; v.text = std::move(s); return v; }
  static Value OfObject(ObjectRef o) { Value v; v.kind = Kind::Object; v.object = std::move(o); return v; }
};

// An argument of a by-name call, with the kind it is sent as.
struct Arg {
  enum class Kind { RefI4, RefR8, RefBstr, I2 };
  Kind kind = Kind::RefI4;
  int32_t i4 = 0;
  double r8 = 0.0;
  std::string text;  // UTF-8

  static Arg RefI4(int32_t v) { return Make(Kind::RefI4, v); }
  static Arg RefR8(double v) { Arg a = Make(Kind::RefR8, 0); a.r8 = v; return a; }
  static Arg RefBstr(std::string v) { Arg a = Make(Kind::RefBstr, 0); a.text = std::move(v); return a; }
  static Arg I2(int16_t v) { return Make(Kind::I2, v); }

 private:
  static Arg Make(Kind k, int32_t i) {
    Arg a;
    a.kind = k;
    a.i4 = i;
    return a;
  }
};

// Either a result or the failure that kept it from being produced.
template <class T>
struct Outcome {
  bool ok = false;
  T value{};
  AutoError error;

  static Outcome Success(T v) { Outcome o; o.ok = true; o.value = std::move(v); return o; }
  static Outcome Failure(AutoError e) { Outcome o; o.error = std::move(e); return o; }
};

// What the object says of one of its members: its dispatch id, and where it
// offers type information, the types of its parameters ("VT_BYREF|VT_I4").
struct MemberDescription {
  int32_t dispId = 0;
  bool typed = false;
  std::vector<std::string> params;
};

// A call made once Mach3 answers again, behind the call it is late with. The
// result may be read once `ended` is true.
struct QueuedCall {
  std::atomic<bool> ended{false};
  Outcome<Value> result;
};

class Automation {
 public:
  virtual ~Automation() = default;
  // The member looked up by name (GetIDsOfNames), and its type information;
  // nothing is called.
  virtual Outcome<MemberDescription> DescribeMember(const ObjectRef&, const std::string&) {
    return Outcome<MemberDescription>::Failure({438, "Object doesn't support this property or method"});
  }
  // The class a ProgID is registered for, as "{...}".
  virtual Outcome<std::string> ClassIdOf(const std::string&) {
    return Outcome<std::string>::Failure({429, "ActiveX component can't create object"});
  }
  // True while a call that missed its deadline has not ended: Mach3 is busy or frozen.
  virtual bool Late() const { return false; }
  // The call made now, or queued behind the late call when there is one.
  virtual std::shared_ptr<QueuedCall> CallWhenAnswering(const ObjectRef& obj, const std::string& member,
                                                        const std::vector<Arg>& args) {
    auto call = std::make_shared<QueuedCall>();
    call->result = CallByName(obj, member, args);
    call->ended = true;
    return call;
  }
  // The running object registered for a ProgID (no file path).
  virtual Outcome<ObjectRef> GetActiveObject(const std::string& progId) = 0;
  // The same object through another interface, as a new counted reference.
  virtual Outcome<ObjectRef> QueryInterface(const ObjectRef& obj, const std::string& iid) = 0;
  // A member by dispatch identifier, called as a method without arguments.
  virtual Outcome<Value> InvokeById(const ObjectRef& obj, int32_t dispId) = 0;
  // A member by name, with arguments in the order given.
  virtual Outcome<Value> CallByName(const ObjectRef& obj, const std::string& member,
                                    const std::vector<Arg>& args) = 0;
  // Adds one reference that nothing will ever release.
  virtual void AddRefForever(const ObjectRef& obj) = 0;
};

}  // namespace kestrom
