#include "platform/engine_thread.h"

namespace platform {

void EngineThread::Drop() {
  stop_ = 1;
  worker_.reset();
}

bool EngineThread::Prepare() {
  if (worker_ && worker_->Running()) {
    if (worker_->Resumed()) return false;  // one run at a time
    Drop();                                // made before and never resumed
  }
  worker_.reset();
  return true;
}

bool EngineThread::Create(std::function<void()> body) {
  auto worker = std::make_unique<WorkerThread>();
  if (!worker->Create(std::move(body))) return false;
  worker_ = std::move(worker);
  return true;
}

void EngineThread::Resume() {
  if (worker_) worker_->Resume();
}

bool EngineThread::Wait(uint32_t milliseconds) { return !worker_ || worker_->Wait(milliseconds); }

bool EngineThread::Shutdown(uint32_t milliseconds) {
  if (!worker_) return true;
  if (!worker_->Resumed()) {
    Drop();
    return true;
  }
  return worker_->Wait(milliseconds);
}

}  // namespace platform
