// The repair engine: removes the checked problems of a scan, each one only
// after its registry data has been written and flushed to the run's backup
// file, and reports every step to an observer on the repair thread.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/engine_thread.h"
#include "platform/worker_thread.h"
#include "repair/backup_store.h"
#include "scan/scan_types.h"

namespace repair {

// All calls arrive on the repair thread.
class IRegRepairObserver {
 public:
  virtual void OnRepairCategoryBegin(int32_t category) = 0;
  virtual void OnRepairCategoryEnd(int32_t category) = 0;
  virtual void OnRepairProgress(int32_t percent) = 0;
  virtual void OnItemRepaired(int32_t category, int32_t count, const std::wstring& keyPath) = 0;
  // The record was not removed: its backup could not be made complete, or
  // the deletion failed.
  virtual void OnItemRepairFailed(int32_t category, int32_t count,
                                  const std::wstring& keyPath) = 0;
  virtual void OnRepairBegin() = 0;
  virtual void OnRepairEnd() = 0;

 protected:
  ~IRegRepairObserver() = default;
};

struct RepairOptions {
  // The pause after each progress report.
  uint32_t progressPauseMs = 100;
};

// What the latest run did; complete once OnRepairEnd has been called.
struct RepairSummary {
  int32_t attempts = 0;       // records tried (the count in the file name)
  int32_t repaired = 0;       // deleted, with their backup on disk
  int32_t exportFailed = 0;   // not deleted: the data could not be read completely
  int32_t backupFailed = 0;   // not deleted: the backup file could not be written
  int32_t deleteFailed = 0;   // backed up, but the deletion failed
  bool stopped = false;
  std::wstring backupFile;    // full path, or empty when no file was made
};

class CRegRepairEng {
 public:
  // How long the destructor waits for a running repair to stop.
  static constexpr uint32_t kShutdownWaitMs = 10000;

  explicit CRegRepairEng(platform::Platform& p = platform::DefaultPlatform(),
                         RepairOptions options = {});
  // Stops a running repair after its current record and waits for it.
  virtual ~CRegRepairEng();
  CRegRepairEng(const CRegRepairEng&) = delete;
  CRegRepairEng& operator=(const CRegRepairEng&) = delete;

  // Creates the repair thread held at its start gate; the owner opens it
  // with Resume. The problem map must stay unchanged until the run ends.
  // False when problems is null, the thread cannot be created or a resumed
  // run is still going.
  bool Start(const SRegScanDetail* problems, const std::vector<std::wstring>& skipList,
             IRegRepairObserver* observer);
  void Resume();
  // Asks the run to stop before its next category or record.
  void Stop();
  // Stop, then wait up to timeoutMs; a thread never resumed is dropped.
  // False on timeout.
  bool Shutdown(uint32_t timeoutMs);
  // True when no repair thread is running after at most timeoutMs.
  bool Wait(uint32_t timeoutMs);
  platform::WorkerThread* Thread() { return thread.Get(); }

  // Read it after the run has ended (Wait).
  const RepairSummary& LastRun() const { return summary_; }
  bool StopRequested() const { return stopRequested.load() != 0; }

  std::wstring GetBackupFolder() const;

 private:
  void Run();
  void RepairRecord(int32_t category, const SRegProblemItem& item, CBackupFileWriter& backup);
  bool Skipped(const SRegProblemItem& item) const;
  void ReportProgress(int64_t done, int64_t total);

  platform::Platform& platform_;
  RepairOptions options_;
  const SRegScanDetail* problems = nullptr;
  IRegRepairObserver* observer = nullptr;
  std::vector<std::wstring> skipList;
  std::atomic<int32_t> stopRequested{0};
  RepairSummary summary_;
  // Last, so that it is joined before the state its body uses goes away.
  platform::EngineThread thread{stopRequested};
};

}  // namespace repair
