#include "machine/win32/win32_call_worker.h"

#include <objbase.h>

#include "machine/call_numbers.h"
#include "machine/win32/raii.h"

namespace kestrom::win32 {
namespace {
constexpr DWORD kQuitWaitMs = 2000;

class Lock {
 public:
  explicit Lock(CRITICAL_SECTION& cs) : cs_(cs) { EnterCriticalSection(&cs_); }
  ~Lock() { LeaveCriticalSection(&cs_); }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

 private:
  CRITICAL_SECTION& cs_;
};
}  // namespace

// Owned by the window's side and by the thread: a thread that outlives the
// worker object (held up by Mach3) still finds it.
struct Win32CallWorker::Shared {
  CRITICAL_SECTION lock;
  std::deque<std::pair<unsigned long, std::function<void()>>> jobs;  // guarded by lock
  uint32_t queued = 0;                                               // window's side only
  volatile LONG finished = 0;  // number of the latest job that has ended
  bool quit = false;           // guarded by lock
  UniqueHandle wake{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
  UniqueHandle done{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
  UniqueHandle thread;
  std::shared_ptr<Shared> self;  // the thread's own reference

  Shared() { InitializeCriticalSection(&lock); }
  ~Shared() { DeleteCriticalSection(&lock); }
};

Win32CallWorker::Win32CallWorker() : shared_(std::make_shared<Shared>()) {
  shared_->self = shared_;
  DWORD id = 0;
  shared_->thread = UniqueHandle(CreateThread(nullptr, 0, ThreadMain, shared_.get(), 0, &id));
  if (!shared_->thread.valid()) shared_->self.reset();
}

Win32CallWorker::~Win32CallWorker() { Stop(kQuitWaitMs); }

bool Win32CallWorker::Stop(unsigned long waitMs) {
  {
    Lock lock(shared_->lock);
    shared_->quit = true;
  }
  SetEvent(shared_->wake.get());
  return !shared_->thread.valid() || WaitForSingleObject(shared_->thread.get(), waitMs) == WAIT_OBJECT_0;
}

bool Win32CallWorker::Started() const { return shared_->thread.valid(); }

DWORD WINAPI Win32CallWorker::ThreadMain(void* param) {
  auto* raw = static_cast<Shared*>(param);
  const std::shared_ptr<Shared> shared = std::move(raw->self);
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  for (;;) {
    std::pair<unsigned long, std::function<void()>> job;
    std::deque<std::pair<unsigned long, std::function<void()>>> dropped;
    bool quit = false;
    {
      Lock lock(shared->lock);
      quit = shared->quit;
      // Once the program ends, no queued call is made: a Mach3 that answers
      // late cannot reach a program on its way out.
      if (quit) dropped.swap(shared->jobs);
      else if (!shared->jobs.empty()) {
        job = std::move(shared->jobs.front());
        shared->jobs.pop_front();
      }
    }
    if (quit) break;  // what the dropped jobs hold is let go here, on this thread
    if (!job.second) {
      WaitForSingleObject(shared->wake.get(), INFINITE);
      continue;
    }
    job.second();
    job.second = nullptr;  // what the job holds goes here, on this thread
    if (job.first) {
      InterlockedExchange(&shared->finished, static_cast<LONG>(job.first));
      SetEvent(shared->done.get());
    }
  }
  CoUninitialize();
  return 0;
}

void Win32CallWorker::Post(std::function<void()> work) {
  {
    Lock lock(shared_->lock);
    shared_->jobs.emplace_back(0, std::move(work));
  }
  SetEvent(shared_->wake.get());
}

bool Win32CallWorker::Run(std::function<void()> work, int deadlineMs) {
  if (!Started()) {
    work();
    return true;
  }
  const uint32_t number = shared_->queued = NextCallNumber(shared_->queued);
  {
    Lock lock(shared_->lock);
    shared_->jobs.emplace_back(number, std::move(work));
  }
  SetEvent(shared_->wake.get());
  const DWORD start = GetTickCount();
  for (;;) {
    // Jobs end in order, so a later number means this one has ended too.
    if (CallHasEnded(static_cast<uint32_t>(InterlockedCompareExchange(&shared_->finished, 0, 0)), number)) return true;
    const DWORD spent = GetTickCount() - start;
    if (spent >= static_cast<DWORD>(deadlineMs)) return false;
    HANDLE done = shared_->done.get();
    const DWORD woke = MsgWaitForMultipleObjects(1, &done, FALSE, static_cast<DWORD>(deadlineMs) - spent,
                                                 QS_SENDMESSAGE);
    if (woke == WAIT_OBJECT_0 + 1) {
      MSG msg;  // handles the messages sent to this thread; posted ones wait
      PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
  }
}

}  // namespace kestrom::win32
