// A worker thread created suspended: it runs its body only once its owner
// calls Resume, and its owner waits for it with a bounded wait.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace platform {

class WorkerThread {
 public:
  WorkerThread() = default;
  // Waits without bound for a resumed body to finish; a body never resumed
  // is dropped without running.
  ~WorkerThread();
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Creates the thread held at its start gate. False when a previous body is
  // still running or the thread cannot be created.
  bool Create(std::function<void()> body);
  // Opens the start gate (ResumeThread).
  void Resume();
  // True when the body has finished (or never was resumed and was dropped)
  // within the given time; the thread is joined then.
  bool Wait(uint32_t milliseconds);
  bool Running() const;  // created, and the body has not finished
  bool Resumed() const;  // Resume has been called since the latest Create
  bool Created() const;

 private:
  void Abandon();

  std::thread thread_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool resumed_ = false;
  bool cancelled_ = false;
  bool finished_ = true;
};

}  // namespace platform
