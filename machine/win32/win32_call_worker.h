// The call worker as a thread of its own in COM's multithreaded apartment. The
// window's thread, while it waits for a call, still answers messages sent to
// it (as COM's own wait does), but runs no posted message: no tick, no click.
#pragma once
#include <windows.h>

#include <deque>
#include <functional>
#include <memory>

#include "machine/call_worker.h"

namespace kestrom::win32 {

class Win32CallWorker : public CallWorker {
 public:
  Win32CallWorker();
  // Waits a little for the worker to finish its queue; a worker held up by a
  // frozen Mach3 is left to the end of the process.
  ~Win32CallWorker() override;
  Win32CallWorker(const Win32CallWorker&) = delete;
  Win32CallWorker& operator=(const Win32CallWorker&) = delete;

  bool Started() const;
  // Ends the worker: queued calls are dropped; false when a call still holds it
  // after `waitMs` (Mach3 frozen), and the program must then end without it.
  bool Stop(unsigned long waitMs);
  bool Run(std::function<void()> work, int deadlineMs) override;
  void Post(std::function<void()> work) override;

 private:
  struct Shared;
  static DWORD WINAPI ThreadMain(void* shared);
  std::shared_ptr<Shared> shared_;
};

}  // namespace kestrom::win32
