// The scan engine: one scan on a worker thread, category by category, each
// category judged by a freshly created scanner that reports to the observer.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/engine_thread.h"
#include "platform/worker_thread.h"
#include "scan/purvex_impl.h"
#include "scan/purvex_observer.h"
#include "scan/scan_types.h"

using ScannerPtr = std::unique_ptr<NSTorvane::CPurvexImpl>;
using ScannerFactory = std::function<ScannerPtr(int32_t category, platform::Platform& p)>;

// The scanner of a category id, running on p; null for ids without one
// (every id outside 0..16).
ScannerPtr CreateScanner(int32_t category, platform::Platform& p);
ScannerPtr CreateScanner(int32_t category);

struct PurvexEngOptions {
  // Makes the scanner of each category; CreateScanner when empty.
  ScannerFactory factory;
  // The pause after every category that had a scanner.
  uint32_t categoryPauseMs = 100;
};

class CPurvexEng {
 public:
  // How long the destructor waits for a running scan to stop.
  static constexpr uint32_t kShutdownWaitMs = 10000;

  explicit CPurvexEng(platform::Platform& p = platform::DefaultPlatform(),
                      PurvexEngOptions options = {});
  // Stops a running scan and waits for it (Shutdown with kShutdownWaitMs).
  virtual ~CPurvexEng();
  CPurvexEng(const CPurvexEng&) = delete;
  CPurvexEng& operator=(const CPurvexEng&) = delete;

  // Creates the scan thread held at its start gate; the owner opens the
  // gate with Resume once it is ready for reports. False, with nothing
  // started, when the privileges cannot be enabled, the thread cannot be
  // created, or a resumed scan is still running.
  bool Start(const ScanRequest& request, IPurvexObserver* observer);
  // Asks the scan to stop: at the next category boundary, and inside the
  // category as soon as its scanner looks at its cancel flag.
  void Stop();
  // Stop, then wait up to timeoutMs for the scan thread. A thread that was
  // never resumed is dropped without running. False on timeout.
  bool Shutdown(uint32_t timeoutMs);

  // The scan thread of the latest Start, or null.
  platform::WorkerThread* Thread() { return thread.Get(); }
  void Resume();
  // True when no scan thread is running after at most timeoutMs.
  bool Wait(uint32_t timeoutMs);

  const std::vector<int32_t>& Categories() const { return categories; }
  const std::vector<std::wstring>& Exclusions() const { return exclusions; }
  bool StopRequested() const { return stopRequested.load() != 0; }

 private:
  void Run();

  platform::Platform& platform_;
  PurvexEngOptions options_;

  std::vector<int32_t> categories;
  std::vector<std::wstring> exclusions;
  IPurvexObserver* observer = nullptr;
  std::atomic<int32_t> stopRequested{0};
  std::mutex scannerLock;
  ScannerPtr currentScanner;  // guarded by scannerLock
  // Last, so that it is joined before the state its body uses goes away.
  platform::EngineThread thread{stopRequested};
};
