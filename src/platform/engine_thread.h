// The thread of an engine that does one run at a time. Each run gets a fresh
// worker held at its start gate, which the owner opens once it is ready for
// reports. A worker never resumed is dropped without running, at the next
// start or at shutdown; a resumed one is the run going on and is waited for.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/worker_thread.h"

namespace platform {

class EngineThread {
 public:
  // stopFlag is the engine's stop flag: raised whenever a worker is dropped,
  // so that a body resumed at that very moment ends at its first check.
  explicit EngineThread(std::atomic<int32_t>& stopFlag) : stop_(stopFlag) {}
  // The worker's destructor joins a resumed body without bound.
  ~EngineThread() = default;
  EngineThread(const EngineThread&) = delete;
  EngineThread& operator=(const EngineThread&) = delete;

  // Makes way for a new run: false while a resumed worker is still running;
  // otherwise drops a worker never resumed, forgets a finished one and is true.
  bool Prepare();
  // Makes the run's worker for body, held at its start gate (after Prepare).
  // False, with no worker, when the thread cannot be created.
  bool Create(std::function<void()> body);
  void Resume();
  // True when there is no worker or its body has finished within the time.
  bool Wait(uint32_t milliseconds);
  // For an engine asked to stop: drops a worker never resumed (true), or
  // waits up to the time for a resumed one (false on timeout).
  bool Shutdown(uint32_t milliseconds);
  // The worker of the latest run, or null.
  WorkerThread* Get() { return worker_.get(); }

 private:
  void Drop();

  std::atomic<int32_t>& stop_;
  std::unique_ptr<WorkerThread> worker_;
};

}  // namespace platform
