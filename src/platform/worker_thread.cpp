#include "platform/worker_thread.h"

#include <chrono>
#include <system_error>

namespace platform {

WorkerThread::~WorkerThread() { Abandon(); }

void WorkerThread::Abandon() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!resumed_) cancelled_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

bool WorkerThread::Create(std::function<void()> body) {
  if (Running()) return false;
  if (thread_.joinable()) thread_.join();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    resumed_ = false;
    cancelled_ = false;
    finished_ = false;
  }
  try {
    thread_ = std::thread([this, body = std::move(body)] {
      bool run = false;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return resumed_ || cancelled_; });
        run = resumed_;
      }
      if (run) body();
      {
        std::lock_guard<std::mutex> lock(mutex_);
        finished_ = true;
      }
      changed_.notify_all();
    });
  } catch (const std::system_error&) {
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
    return false;
  }
  return true;
}

void WorkerThread::Resume() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    resumed_ = true;
  }
  changed_.notify_all();
}

bool WorkerThread::Wait(uint32_t milliseconds) {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!changed_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                           [this] { return finished_; })) {
      return false;
    }
  }
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
  return true;
}

bool WorkerThread::Running() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return !finished_;
}

bool WorkerThread::Resumed() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return resumed_;
}

bool WorkerThread::Created() const { return thread_.joinable(); }

}  // namespace platform
