#include "machine/deadline_automation.h"

#include "machine/auto_errors.h"

namespace kestrom {
namespace {

// An object whose every use, its last release included, happens on the worker.
class WorkerObject : public AutoObject {
 public:
  WorkerObject(ObjectRef inner, CallWorker& worker) : inner_(std::move(inner)), worker_(worker) {}
  ~WorkerObject() override {
    worker_.Post([held = std::move(inner_)]() mutable { held.reset(); });
  }
  const ObjectRef& inner() const { return inner_; }

 private:
  ObjectRef inner_;
  CallWorker& worker_;
};

ObjectRef Inner(const ObjectRef& obj) {
  return obj ? static_cast<const WorkerObject&>(*obj).inner() : ObjectRef();
}

template <class T>
struct PendingCall {
  Outcome<T> result;
  std::shared_ptr<std::atomic<bool>> ended = std::make_shared<std::atomic<bool>>(false);
};

}  // namespace

template <class T, class F>
Outcome<T> DeadlineAutomation::Through(F call, int deadlineMs) {
  if (Waiting()) return Outcome<T>::Failure(auto_errors::NotAnswering());
  pending_.reset();
  // Shared with the worker: a call that misses its deadline writes here later.
  auto state = std::make_shared<PendingCall<T>>();
  const bool inTime = worker_.Run(
      [state, call = std::move(call)] {
        state->result = call();
        *state->ended = true;
      },
      deadlineMs);
  if (!inTime) {
    pending_ = state->ended;
    // A late answer may hold an object: let it go on the worker, like every object.
    worker_.Post([late = std::move(state)] {});
    return Outcome<T>::Failure(auto_errors::NotAnswering());
  }
  return std::move(state->result);
}

ObjectRef DeadlineAutomation::Wrap(ObjectRef inner) {
  return inner ? std::make_shared<WorkerObject>(std::move(inner), worker_) : ObjectRef();
}

Value DeadlineAutomation::Wrap(Value v) {
  if (v.object) v.object = Wrap(std::move(v.object));
  return v;
}

Outcome<ObjectRef> DeadlineAutomation::GetActiveObject(const std::string& progId) {
  auto out = Through<ObjectRef>([this, progId] { return inner_.GetActiveObject(progId); }, deadlines_.connectMs);
  if (out.ok) out.value = Wrap(std::move(out.value));
  return out;
}

Outcome<ObjectRef> DeadlineAutomation::QueryInterface(const ObjectRef& obj, const std::string& iid) {
  auto out = Through<ObjectRef>([this, o = Inner(obj), iid] { return inner_.QueryInterface(o, iid); },
                                deadlines_.connectMs);
  if (out.ok) out.value = Wrap(std::move(out.value));
  return out;
}

Outcome<Value> DeadlineAutomation::InvokeById(const ObjectRef& obj, int32_t dispId) {
  auto out = Through<Value>([this, o = Inner(obj), dispId] { return inner_.InvokeById(o, dispId); },
                            deadlines_.connectMs);
  if (out.ok) out.value = Wrap(std::move(out.value));
  return out;
}

Outcome<Value> DeadlineAutomation::CallByName(const ObjectRef& obj, const std::string& member,
                                              const std::vector<Arg>& args) {
  auto out = Through<Value>([this, o = Inner(obj), member, args] { return inner_.CallByName(o, member, args); },
                            deadlines_.callMs);
  if (out.ok) out.value = Wrap(std::move(out.value));
  return out;
}

std::shared_ptr<QueuedCall> DeadlineAutomation::CallWhenAnswering(const ObjectRef& obj, const std::string& member,
                                                                  const std::vector<Arg>& args) {
  if (!Waiting()) return Automation::CallWhenAnswering(obj, member, args);
  auto call = std::make_shared<QueuedCall>();
  worker_.Post([&inner = inner_, call, o = Inner(obj), member, args] {
    call->result = inner.CallByName(o, member, args);
    call->result.value.object.reset();  // an object is let go here, on the worker
    call->ended = true;
  });
  return call;
}

Outcome<MemberDescription> DeadlineAutomation::DescribeMember(const ObjectRef& obj, const std::string& member) {
  // A member's description marshals part of an interface's type information:
  // far dearer than a call, and asked only by the Mach3 check, never by a tick.
  return Through<MemberDescription>([&inner = inner_, o = Inner(obj), member] { return inner.DescribeMember(o, member); },
                                    deadlines_.connectMs);
}

Outcome<std::string> DeadlineAutomation::ClassIdOf(const std::string& progId) {
  return Through<std::string>([&inner = inner_, progId] { return inner.ClassIdOf(progId); }, deadlines_.callMs);
}

void DeadlineAutomation::AddRefForever(const ObjectRef& obj) {
  Through<bool>([this, o = Inner(obj)] { inner_.AddRefForever(o); return Outcome<bool>::Success(true); },
                deadlines_.connectMs);
}

}  // namespace kestrom
