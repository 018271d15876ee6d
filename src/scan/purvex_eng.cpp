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

bool CPurvexEng::Start(const ScanRequest& request, IPurvexObserver* obs) {
  if (!thread.Prepare()) return false;  // one scan at a time
  stopRequested = 0;
  if (!NSRegKeyEx::EnableBackupPrivileges(platform_)) return false;
  categories = request.categories;
  exclusions = request.exclusions;
  observer = obs;
  return thread.Create([this] { Run(); });
}

void CPurvexEng::Stop() {
  stopRequested = 1;
  std::lock_guard<std::mutex> lock(scannerLock);
  if (currentScanner) currentScanner->cancel = true;
}

bool CPurvexEng::Shutdown(uint32_t timeoutMs) {
  Stop();
  return thread.Shutdown(timeoutMs);
}

void CPurvexEng::Resume() { thread.Resume(); }

bool CPurvexEng::Wait(uint32_t timeoutMs) { return thread.Wait(timeoutMs); }

void CPurvexEng::Run() {
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
