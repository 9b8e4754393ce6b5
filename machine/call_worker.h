// Where the calls into Mach3 run: on a thread of their own, so that a Mach3
// that stops answering holds up that thread and not the operator's window.
#pragma once
#include <functional>

namespace kestrom {

class CallWorker {
 public:
  virtual ~CallWorker() = default;
  // Runs `work` on the worker and waits at most `deadlineMs` for it. False when
  // it has not ended by then; it then still runs to its end on the worker, and
  // whatever it captured must stay valid until it does.
  virtual bool Run(std::function<void()> work, int deadlineMs) = 0;
  // Queues `work` behind whatever the worker is doing, without waiting.
  virtual void Post(std::function<void()> work) = 0;
};

}  // namespace kestrom
