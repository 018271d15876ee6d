// The registry optimizer: compacts every loaded hive by saving a fresh copy
// next to its file and asking Windows to use that copy from the next start.
//
// A run reports time-based progress 1, 2, ... from its progress thread while
// the hives are processed; when that phase ends before the hives do, the run
// reports 80 to 100 by hive count. It always ends with OnProgress(100) and
// OnComplete, and no report follows OnComplete.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "platform/platform.h"
#include "platform/worker_thread.h"

namespace optimizer {

// What one run did with the hives of the hive list.
struct OptimizeCounts {
  uint32_t listed = 0;    // values in the hive list
  uint32_t replaced = 0;  // saved and scheduled for replacement at the next start
  uint32_t skipped = 0;   // no file (volatile), unreadable, or on no drive
  uint32_t failed = 0;    // the save, the backup move or the replacement failed
  // Hives left unprocessed because the run was stopped.
  uint32_t NotReached() const { return listed - replaced - skipped - failed; }
};

// The optimizer's observer. Called on the run thread and the progress
// thread, never on two threads at once.
class IEventSink {
 public:
  virtual void OnProgress(int32_t percent) = 0;
  // stopRequested: the engine's stop flag at the end of the run.
  virtual void OnComplete(int32_t stopRequested, const OptimizeCounts& counts) = 0;
  // Part of the sink's interface, not called by the engine.
  virtual void OnReserved(int32_t, intptr_t) {}
  virtual bool IsReserved() { return false; }

 protected:
  ~IEventSink() = default;
};

// One hive as the run derives it from a hive-list value.
struct HiveNames {
  std::wstring hiveFile;  // "C:\Windows\system32\config\software"
  std::wstring tempFile;  // hiveFile + ".tmp"
  std::wstring backupFile;  // hiveFile + ".bak"
  std::wstring keyPath;   // "HKEY_LOCAL_MACHINE\SOFTWARE"
};

// Device names of the drives: "\Device\HarddiskVolume2" -> "C:".
using DriveMap = std::map<std::wstring, std::wstring>;

// QueryDosDevice over the logical drives.
DriveMap ReadDriveMap(platform::ISystemInfo& system);
// "\REGISTRY\MACHINE\X" -> "HKEY_LOCAL_MACHINE\X", "\REGISTRY\USER\X" ->
// "HKEY_USERS\X", in upper case; empty for any other place.
std::wstring HiveKeyPath(const std::wstring& valueName);
// The file on the drive whose device the device path starts with; empty
// when no drive carries it.
std::wstring HiveFileOnDrive(const DriveMap& drives, const std::wstring& devicePath);
// False when the hive has no key path or no file on a drive.
bool DeriveHiveNames(const DriveMap& drives, const std::wstring& valueName,
                     const std::wstring& devicePath, HiveNames& out);
// Moves an existing file to the first free name file + "1", "2", ...;
// true when nothing is left under the name.
bool MoveAside(platform::IFileSystem& files, const std::wstring& file, std::wstring* movedTo,
               int32_t* error = nullptr);

inline constexpr wchar_t kHiveListPath[] =
    L"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\hivelist";

class CRegOptimizeEng {
 public:
  // Points of a run where a test may hold the run thread.
  enum class RunPoint {
    kProgressStarted,  // the progress thread has been started, no hive touched
    kHivesDone,        // the hive loop is over and the progress flag cleared
  };
  using RunHook = std::function<void(RunPoint)>;

  explicit CRegOptimizeEng(platform::Platform& p = platform::DefaultPlatform());
  // Leaving during a run: stops it and waits for it (bounded, then joined).
  virtual ~CRegOptimizeEng();
  CRegOptimizeEng(const CRegOptimizeEng&) = delete;
  CRegOptimizeEng& operator=(const CRegOptimizeEng&) = delete;

  // Enables the backup and restore privileges, clears the stop flag, sets
  // the progress flag and starts the run thread. False without the
  // privileges, while a run is going on, or when no thread can be made.
  bool Start();
  // Asks the run to stop before its next hive.
  void Stop() { stopRequested = 1; }
  // True when no run is going on within the time (the thread is joined).
  bool Wait(uint32_t milliseconds);
  // Stop and Wait together, for leaving the program.
  bool StopAndWait(uint32_t milliseconds);
  bool Running() const { return runThread_.Running(); }

  // The thread routine: one whole run on the calling thread. 1, or 0 for a
  // null engine.
  static uint32_t RunThread(CRegOptimizeEng* engine);

  const OptimizeCounts& LastCounts() const { return counts_; }
  void SetRunHook(RunHook hook) { hook_ = std::move(hook); }

  IEventSink* observer = nullptr;
  std::atomic<int32_t> stopRequested{0};
  std::atomic<int32_t> progressRunning{0};

  // Each progress step and each hive of the count phase lasts this long; the
  // end of a run that beat the progress phase pauses for kFinalPauseMs.
  static constexpr uint32_t kStepMs = 500;
  static constexpr uint32_t kFinalPauseMs = 2000;
  static constexpr int32_t kProgressSteps = 81;
  // Bounded waits: for the progress thread at the end of a run, and for the
  // run when the engine goes away.
  static constexpr uint32_t kProgressJoinMs = 10000;
  static constexpr uint32_t kLeaveWaitMs = 30000;

 private:
  void Run();
  void RunProgress();
  void Report(int32_t percent);
  void ProcessHive(const DriveMap& drives, const std::wstring& valueName,
                   const std::wstring& devicePath);
  bool SaveAndReplace(const HiveNames& names);
  void Hook(RunPoint point);

  platform::Platform& p_;
  OptimizeCounts counts_;
  RunHook hook_;
  platform::WorkerThread progressThread_;
  platform::WorkerThread runThread_;
};

}  // namespace optimizer
