// The restore run: imports backup files back into the registry, one after
// the other on a worker thread, and deletes each file whose every entry was
// written back. The restore dialog implements the observer and shows the
// current file and the progress.
#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/engine_thread.h"
#include "platform/worker_thread.h"

namespace NSRegKeyEx {
class RegFileImporter;
}

namespace repair {

// The module tags of the suite's products, in the order files are restored;
// this program's own tag ("Purvex") is the second.
inline constexpr std::array<const wchar_t*, 4> kModuleTags = {L"Vantrel", L"Purvex", L"Oskim",
                                                               L"Ludara"};

// The paths grouped by the first tag each contains (case-sensitive), each
// group in ordinal order, the groups in tag order. Paths without a tag go
// to *untagged when given.
std::vector<std::wstring> OrderByModuleTag(const std::vector<std::wstring>& paths,
                                           std::vector<std::wstring>* untagged = nullptr);

enum class RestoreOutcome {
  kRestored,        // every entry written back; the file was deleted
  kRestoredKept,    // every entry written back, but the file could not be deleted
  kIncomplete,      // some block or value could not be written back; file kept
  kUnreadable,      // missing, unreadable, or holding no key block; file kept
};

struct RestoreFileResult {
  std::wstring path;
  RestoreOutcome outcome = RestoreOutcome::kUnreadable;
};

struct RestoreSummary {
  std::vector<RestoreFileResult> files;    // the files imported, in order
  std::vector<std::wstring> untagged;      // skipped: no module tag; left in place
  std::vector<std::wstring> notReached;    // left in place by a stop
  bool stopped = false;
  // The files that are still where they were (kept, untagged or not reached).
  std::vector<std::wstring> KeptFiles() const;
};

// All calls arrive on the restore thread.
class IRestoreObserver {
 public:
  virtual void OnRestoreBegin(size_t fileCount) = 0;
  // Before file index (from 0) is imported: "Recovering:" + path.
  virtual void OnRestoreFile(size_t index, const std::wstring& path) = 0;
  virtual void OnRestoreFileDone(const RestoreFileResult& result) = 0;
  // (index + 1) * 100 / fileCount after each file.
  virtual void OnRestoreProgress(int32_t percent) = 0;
  virtual void OnRestoreEnd(const RestoreSummary& summary) = 0;

 protected:
  ~IRestoreObserver() = default;
};

class CRegRestoreEng {
 public:
  static constexpr uint32_t kShutdownWaitMs = 10000;

  explicit CRegRestoreEng(platform::Platform& p = platform::DefaultPlatform());
  // Stops a running restore after its current file and waits for it.
  virtual ~CRegRestoreEng();
  CRegRestoreEng(const CRegRestoreEng&) = delete;
  CRegRestoreEng& operator=(const CRegRestoreEng&) = delete;

  // Creates the restore thread held at its start gate; Resume opens it.
  // False when the thread cannot be created or a resumed run is going.
  bool Start(const std::vector<std::wstring>& files, IRestoreObserver* observer);
  void Resume();
  // Asks the run to stop before its next file.
  void Stop();
  bool Shutdown(uint32_t timeoutMs);
  bool Wait(uint32_t timeoutMs);
  platform::WorkerThread* Thread() { return thread.Get(); }

  // Read it after the run has ended (Wait).
  const RestoreSummary& LastRun() const { return summary_; }

 private:
  void Run();
  RestoreFileResult RestoreOne(NSRegKeyEx::RegFileImporter& importer, const std::wstring& path);

  platform::Platform& platform_;
  std::vector<std::wstring> files;
  IRestoreObserver* observer = nullptr;
  std::atomic<int32_t> stopRequested{0};
  RestoreSummary summary_;
  // Last, so that it is joined before the state its body uses goes away.
  platform::EngineThread thread{stopRequested};
};

}  // namespace repair
