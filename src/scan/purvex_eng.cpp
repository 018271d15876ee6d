#include "scan/purvex_eng.h"

#include "platform/debug_trace.h"
#include "registry/reg_key_ex.h"

CPurvexEng::CPurvexEng(platform::Platform& p, PurvexEngOptions options)
    : platform_(p), options_(std::move(options)) {
  if (!options_.factory) options_.factory = [](int32_t id, platform::Platform& pl) {
    return CreateScanner(id, pl);
  };
}

CPurvexEng::~CPurvexEng() {
  if (!Shutdown(kShutdownWaitMs)) {
    // The scan thread uses this object; it is joined (without bound) when
    // the thread member goes away.
    platform::DebugTrace(platform_, L"CPurvexEng: scan thread still running at destruction");
  }
}

void CPurvexEng::DropThread() {
  // Without a resumed body the thread ends at once; with one, the stop flag
  // ends it at the next check.
  stopRequested = 1;
  thread.reset();
}

bool CPurvexEng::Start(const ScanRequest& request, IPurvexObserver* obs) {
  if (thread && thread->Running()) {
    if (bodyStarted_) return false;  // one scan at a time
    DropThread();                    // started before and never resumed
  }
  thread.reset();
  stopRequested = 0;
  if (!NSRegKeyEx::EnableBackupPrivileges(platform_)) return false;
  categories = request.categories;
  exclusions = request.exclusions;
  observer = obs;
  bodyStarted_ = false;
  auto worker = std::make_unique<platform::WorkerThread>();
  if (!worker->Create([this] { Run(); })) return false;
  thread = std::move(worker);
  return true;
}

void CPurvexEng::Stop() {
  stopRequested = 1;
  std::lock_guard<std::mutex> lock(scannerLock);
  if (currentScanner) currentScanner->cancel = true;
}

bool CPurvexEng::Shutdown(uint32_t timeoutMs) {
  Stop();
  if (!thread) return true;
  if (!bodyStarted_) {
    DropThread();
    return true;
  }
  return thread->Wait(timeoutMs);
}

void CPurvexEng::Resume() {
  if (thread) thread->Resume();
}

bool CPurvexEng::Wait(uint32_t timeoutMs) { return !thread || thread->Wait(timeoutMs); }

void CPurvexEng::Run() {
  bodyStarted_ = true;
  IPurvexObserver* const obs = observer;
  if (obs) obs->OnScanBegin();
  for (const int32_t id : categories) {
    if (stopRequested) break;
    if (obs) obs->OnCategoryBegin(id);
    ScannerPtr scanner = options_.factory(id, platform_);
    if (!scanner) {
      if (obs) obs->OnCategoryEnd(id);
      continue;
    }
    scanner->observer = obs;
    scanner->SetStopSource(&stopRequested);
    NSTorvane::CPurvexImpl* running = scanner.get();
    {
      std::lock_guard<std::mutex> lock(scannerLock);
      currentScanner = std::move(scanner);
    }
    running->Scan();
    if (obs) obs->OnCategoryEnd(id);
    {
      std::lock_guard<std::mutex> lock(scannerLock);
      currentScanner.reset();
    }
    if (options_.categoryPauseMs > 0) platform_.system.Sleep(options_.categoryPauseMs);
  }
  {
    std::lock_guard<std::mutex> lock(scannerLock);
    currentScanner.reset();
  }
  if (obs) obs->OnScanEnd();
}
