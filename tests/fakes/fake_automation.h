// A scripted automation layer: objects with reference counts, a log of every
// by-name call with its argument kinds, and answers or failures set per member.
#pragma once
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "machine/automation.h"
#include "machine/event_pump.h"
#include "machine/mach3_contract.h"

namespace kestrom::testing {

// The object itself; each FakeRef on it is one counted reference.
struct FakeObjectState {
  std::string name;
  int references = 0;
  int permanentReferences = 0;
};

class FakeRef : public AutoObject {
 public:
  explicit FakeRef(std::shared_ptr<FakeObjectState> s) : state(std::move(s)) { ++state->references; }
  ~FakeRef() override { --state->references; }
  std::shared_ptr<FakeObjectState> state;
};

struct RecordedCall {
  std::string member;
  std::vector<Arg> args;
};

class FakeAutomation : public Automation {
 public:
  FakeAutomation()
      : document(std::make_shared<FakeObjectState>(FakeObjectState{"document"})),
        script(std::make_shared<FakeObjectState>(FakeObjectState{"script"})) {}

  // Set up by tests.
  std::shared_ptr<FakeObjectState> document;
  std::shared_ptr<FakeObjectState> script;
  bool documentActive = true;
  bool documentHasInterface = true;
  bool dispatchId3Fails = false;
  std::map<std::string, std::deque<Value>> answers;       // consumed in order, then the default
  std::map<std::string, Value> defaultAnswers;
  std::map<std::string, AutoError> failingMembers;
  std::function<void(const std::string&)> onCall;         // runs inside each by-name call
  // An earlier call is late: calls fail at once, unrecorded, and CallWhenAnswering queues.
  bool late = false;
  std::vector<std::pair<RecordedCall, std::shared_ptr<QueuedCall>>> queued;

  // Observed.
  std::vector<RecordedCall> calls;
  int lookups = 0;

  Outcome<ObjectRef> GetActiveObject(const std::string& progId) override {
    ++lookups;
    if (progId != mach3::kProgId || !documentActive)
      return Outcome<ObjectRef>::Failure({429, "ActiveX component can't create object"});
    return Outcome<ObjectRef>::Success(std::make_shared<FakeRef>(document));
  }
  Outcome<ObjectRef> QueryInterface(const ObjectRef& obj, const std::string& iid) override {
    if (!documentHasInterface || iid != mach3::kDocumentIid)
      return Outcome<ObjectRef>::Failure({13, "Type mismatch"});
    return Outcome<ObjectRef>::Success(std::make_shared<FakeRef>(StateOf(obj)));
  }
  Outcome<Value> InvokeById(const ObjectRef&, int32_t dispId) override {
    if (dispId != mach3::kScriptDispatchId || dispatchId3Fails) return Outcome<Value>::Failure({-2147352567, "Member 3 failed"});
    return Outcome<Value>::Success(Value::OfObject(std::make_shared<FakeRef>(script)));
  }
  Outcome<Value> CallByName(const ObjectRef& obj, const std::string& member,
                            const std::vector<Arg>& args) override {
    if (StateOf(obj) != script) return Outcome<Value>::Failure({438, "not the scripting object"});
    if (late) return Outcome<Value>::Failure({static_cast<int32_t>(0x8001011Fu), "late"});
    calls.push_back({member, args});
    if (onCall) onCall(member);
    if (auto f = failingMembers.find(member); f != failingMembers.end())
      return Outcome<Value>::Failure(f->second);
    if (auto q = answers.find(member); q != answers.end() && !q->second.empty()) {
      Value v = q->second.front();
      q->second.pop_front();
      return Outcome<Value>::Success(v);
    }
    if (auto d = defaultAnswers.find(member); d != defaultAnswers.end())
      return Outcome<Value>::Success(d->second);
    return Outcome<Value>::Success(Value::Empty());
  }
  void AddRefForever(const ObjectRef& obj) override { ++StateOf(obj)->permanentReferences; }
  bool Late() const override { return late; }
  // Members the scripting object does not know, and the parameter types it describes.
  std::set<std::string> hiddenMembers;
  std::map<std::string, std::vector<std::string>> typedMembers;
  Outcome<MemberDescription> DescribeMember(const ObjectRef& obj, const std::string& member) override {
    if (StateOf(obj) != script || hiddenMembers.count(member)) return Outcome<MemberDescription>::Failure({438, "unknown"});
    MemberDescription d;
    d.dispId = static_cast<int32_t>(member.size());
    if (auto t = typedMembers.find(member); t != typedMembers.end()) {
      d.typed = true;
      d.params = t->second;
    }
    return Outcome<MemberDescription>::Success(d);
  }
  Outcome<std::string> ClassIdOf(const std::string& progId) override {
    if (progId != mach3::kProgId) return Outcome<std::string>::Failure({429, "no"});
    return Outcome<std::string>::Success(mach3::kClsid);
  }
  std::shared_ptr<QueuedCall> CallWhenAnswering(const ObjectRef& obj, const std::string& member,
                                                const std::vector<Arg>& args) override {
    if (!late) return Automation::CallWhenAnswering(obj, member, args);
    queued.push_back({{member, args}, std::make_shared<QueuedCall>()});
    return queued.back().second;
  }
  // The late call ends: Mach3 answers again (or is gone), and the queue runs in order.
  void Answers(bool reachable) {
    late = false;
    for (auto& [call, state] : queued) {
      if (reachable) calls.push_back(call);
      state->result = reachable ? Outcome<Value>::Success(Value::Empty()) : Outcome<Value>::Failure({-1, "gone"});
      state->ended = true;
    }
    queued.clear();
  }

  std::vector<std::string> Members() const {
    std::vector<std::string> m;
    for (const auto& c : calls) m.push_back(c.member);
    return m;
  }

 private:
  static std::shared_ptr<FakeObjectState> StateOf(const ObjectRef& obj) {
    return static_cast<FakeRef&>(*obj).state;
  }
};

class CountingPump : public EventPump {
 public:
  int pumps = 0;
  std::function<void()> onPump;
  void PumpPendingEvents() override {
    ++pumps;
    if (onPump) onPump();
  }
};

}  // namespace kestrom::testing
