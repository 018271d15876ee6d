// Shared pieces of the optimizer tests: a recording sink, a bounded latch and
// a memory platform seeded with a hive list.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "optimizer/reg_optimize_eng.h"
#include "platform/memory/memory_platform.h"
#include "platform/text.h"

namespace optimizer_test {

using optimizer::CRegOptimizeEng;
using optimizer::OptimizeCounts;

inline constexpr auto kPatience = std::chrono::seconds(20);

// A one-shot signal; waits are bounded so that a fault fails a test instead
// of hanging it.
class Latch {
 public:
  void Open() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      open_ = true;
    }
    changed_.notify_all();
  }
  bool WaitOpen() {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, kPatience, [this] { return open_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = false;
};

// Records every report; an optional callback runs inside OnProgress.
class RecordingSink : public optimizer::IEventSink {
 public:
  void OnProgress(int32_t percent) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (completions_ > 0) reportAfterCompletion_ = true;
      progress_.push_back(percent);
    }
    changed_.notify_all();
    if (onProgress) onProgress(percent);
  }
  void OnComplete(int32_t stopRequested, const OptimizeCounts& counts) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++completions_;
      stop_ = stopRequested;
      counts_ = counts;
    }
    changed_.notify_all();
  }

  // Waits until a report of at least this percent came.
  bool WaitForProgress(int32_t percent) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, kPatience, [&] {
      for (int32_t p : progress_) {
        if (p >= percent) return true;
      }
      return false;
    });
  }
  std::vector<int32_t> Progress() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return progress_;
  }
  int Completions() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return completions_;
  }
  int32_t Stop() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return stop_;
  }
  OptimizeCounts Counts() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return counts_;
  }
  bool ReportAfterCompletion() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return reportAfterCompletion_;
  }

  std::function<void(int32_t)> onProgress;

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<int32_t> progress_;
  int completions_ = 0;
  int32_t stop_ = -1;
  OptimizeCounts counts_;
  bool reportAfterCompletion_ = false;
};

// The order every run keeps, whatever the interleaving: 1, 2, ..., k from
// the progress thread (k at most 81), then, only after a full progress
// phase, the count phase between 80 and 100 rising, then 100 and one
// completion with nothing after it.
inline void ExpectWellFormedRun(const RecordingSink& sink) {
  const std::vector<int32_t> seq = sink.Progress();
  ASSERT_FALSE(seq.empty());
  EXPECT_EQ(seq.back(), 100);
  size_t i = 0;
  while (i + 1 < seq.size() && seq[i] == static_cast<int32_t>(i) + 1 && i < 81) ++i;
  const size_t timed = i;
  for (; i + 1 < seq.size(); ++i) {
    EXPECT_EQ(timed, 81u) << "count-phase report " << seq[i] << " before the progress phase ended";
    EXPECT_GE(seq[i], 80);
    EXPECT_LE(seq[i], 100);
    if (i > timed) {
      EXPECT_GE(seq[i], seq[i - 1]);
    }
  }
  EXPECT_EQ(sink.Completions(), 1);
  EXPECT_FALSE(sink.ReportAfterCompletion());
}

inline std::vector<int32_t> Ramp(int32_t last) {
  std::vector<int32_t> v;
  for (int32_t i = 1; i <= last; ++i) v.push_back(i);
  return v;
}

// A memory platform with C: on HarddiskVolume2 (the usual Windows 7 layout,
// volume 1 being the system-reserved partition) and helpers for hives.
class OptimizerFixture : public testing::Test {
 protected:
  OptimizerFixture() {
    mp.system.ClearDosDevices();
    mp.system.SetDosDevice(L"C:", L"\\Device\\HarddiskVolume2");
    mp.registry.CreateKeyPath(optimizer::kHiveListPath);
    engine.observer = &sink;
  }

  // A hive-list entry with its key and, when it has one, its file.
  void AddHive(const std::wstring& kernelName, const std::wstring& keyPath,
               const std::wstring& devicePath, const std::wstring& fileOnDrive = L"") {
    mp.registry.SetString(optimizer::kHiveListPath, kernelName, devicePath);
    if (!keyPath.empty()) mp.registry.CreateKeyPath(keyPath);
    if (!fileOnDrive.empty()) mp.files.AddFile(fileOnDrive, platform::ToUtf16Bytes(L"hive", false));
  }
  void AddSoftwareHive() {
    AddHive(L"\\REGISTRY\\MACHINE\\SOFTWARE", L"HKEY_LOCAL_MACHINE\\SOFTWARE",
            L"\\Device\\HarddiskVolume2\\Windows\\system32\\config\\SOFTWARE",
            L"C:\\Windows\\system32\\config\\SOFTWARE");
  }

  // Starts a run and waits for its end.
  void RunToEnd() {
    ASSERT_TRUE(engine.Start());
    ASSERT_TRUE(engine.Wait(60000));
  }

  std::vector<std::wstring> FilesIn(const std::wstring& pattern) {
    std::vector<std::wstring> names;
    for (const auto& e : mp.files.ListFolder(pattern)) names.push_back(e.name);
    return names;
  }
  void ExpectNoTempFiles(const std::wstring& folder) {
    EXPECT_TRUE(FilesIn(folder + L"\\*.tmp").empty()) << platform::ToUtf8(folder);
  }

  platform::memory::MemoryPlatform mp;
  RecordingSink sink;
  CRegOptimizeEng engine{mp.view};
};

}  // namespace optimizer_test
