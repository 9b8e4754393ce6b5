// The automation calls with a deadline: each call runs on the call worker, and
// one that Mach3 does not answer in time fails with "Mach3 does not answer".
// While that call is still pending, every further call fails at once, so a
// frozen Mach3 costs the window one deadline, not one per call; once Mach3
// answers the pending call, calls go through again.
#pragma once
#include <atomic>
#include <memory>

#include "machine/automation.h"
#include "machine/call_worker.h"

namespace kestrom {

struct CallDeadlines {
  int connectMs = 5000;  // the lookup, interface request and member 3 of a connect; a member's description
  int callMs = 1000;     // one scripting call
};

class DeadlineAutomation : public Automation {
 public:
  // `inner` is used on the worker only.
  DeadlineAutomation(Automation& inner, CallWorker& worker, CallDeadlines deadlines = {})
      : inner_(inner), worker_(worker), deadlines_(deadlines) {}

  Outcome<ObjectRef> GetActiveObject(const std::string& progId) override;
  Outcome<ObjectRef> QueryInterface(const ObjectRef& obj, const std::string& iid) override;
  Outcome<Value> InvokeById(const ObjectRef& obj, int32_t dispId) override;
  Outcome<Value> CallByName(const ObjectRef& obj, const std::string& member, const std::vector<Arg>& args) override;
  void AddRefForever(const ObjectRef& obj) override;
  // True while a call that missed its deadline has not ended.
  bool Waiting() const { return pending_ && !pending_->load(); }
  bool Late() const override { return Waiting(); }
  Outcome<MemberDescription> DescribeMember(const ObjectRef& obj, const std::string& member) override;
  Outcome<std::string> ClassIdOf(const std::string& progId) override;
  // Queued on the worker: it runs as soon as the late call has ended, in order.
  std::shared_ptr<QueuedCall> CallWhenAnswering(const ObjectRef& obj, const std::string& member,
                                                const std::vector<Arg>& args) override;

 private:
  template <class T, class F>
  Outcome<T> Through(F call, int deadlineMs);
  ObjectRef Wrap(ObjectRef inner);
  Value Wrap(Value v);

  Automation& inner_;
  CallWorker& worker_;
  CallDeadlines deadlines_;
  std::shared_ptr<std::atomic<bool>> pending_;  // "ended" of the call that missed its deadline
};

}  // namespace kestrom
