#include "repair/reg_repair_eng.h"

#include "platform/debug_trace.h"
#include "platform/text.h"
#include "registry/reg_file_writer.h"
#include "registry/reg_key_ex.h"

namespace repair {

namespace {

// The last percent reported, kept for the life of the process.
std::atomic<int32_t> lastPercent{-1};

}  // namespace

CRegRepairEng::CRegRepairEng(platform::Platform& p, RepairOptions options)
    : platform_(p), options_(options) {}

CRegRepairEng::~CRegRepairEng() {
  if (!Shutdown(kShutdownWaitMs)) {
    // The thread uses this object; it is joined (without bound) when the
    // thread member goes away, after its current record.
    platform::DebugTrace(platform_, L"CRegRepairEng: repair thread still running at destruction");
  }
}

std::wstring CRegRepairEng::GetBackupFolder() const { return repair::GetBackupFolder(platform_); }

bool CRegRepairEng::Start(const SRegScanDetail* detail, const std::vector<std::wstring>& skip,
                          IRegRepairObserver* obs) {
  if (!thread.Prepare()) return false;  // one repair at a time
  if (detail == nullptr) return false;
  stopRequested = 0;
  problems = detail;
  skipList = skip;
  observer = obs;
  summary_ = RepairSummary();
  return thread.Create([this] { Run(); });
}

void CRegRepairEng::Resume() { thread.Resume(); }

void CRegRepairEng::Stop() { stopRequested = 1; }

bool CRegRepairEng::Shutdown(uint32_t timeoutMs) {
  Stop();
  return thread.Shutdown(timeoutMs);
}

bool CRegRepairEng::Wait(uint32_t timeoutMs) { return thread.Wait(timeoutMs); }

bool CRegRepairEng::Skipped(const SRegProblemItem& item) const {
  const std::wstring withValue = item.keyPath + L"\\" + item.valueName;
  for (const std::wstring& entry : skipList) {
    if (platform::EqualsNoCase(entry, item.keyPath) || platform::EqualsNoCase(entry, withValue))
      return true;
  }
  return false;
}

// percent = trunc(100 * done / total), in integers so that the last record
// of the run gives exactly 100.
void CRegRepairEng::ReportProgress(int64_t done, int64_t total) {
  const int32_t percent = static_cast<int32_t>(100 * done / total);
  if (lastPercent.exchange(percent) == percent) return;
  if (observer) observer->OnRepairProgress(percent);
  if (options_.progressPauseMs > 0) platform_.system.Sleep(options_.progressPauseMs);
}

void CRegRepairEng::RepairRecord(int32_t category, const SRegProblemItem& item,
                                 CBackupFileWriter& backup) {
  if (++summary_.attempts == 1) {
    const platform::LocalTime now = platform_.system.ToLocalTime(platform_.system.NowSeconds());
    if (!backup.Begin(GetBackupFolder(), FormatStamp(now), kMaxBackups))
      platform::DebugTrace(platform_, L"CRegRepairEng: backup file cannot be created");
  }
  const bool wholeKey = item.valueName == kWholeKey;
  std::wstring text;
  bool exported;
  if (wholeKey) {
    bool complete = true;
    exported = NSRegKeyEx::ExportKey(platform_, item.keyPath, text, &complete) && complete;
  } else {
    exported = NSRegKeyEx::ExportValue(platform_, item.keyPath, item.valueName, text);
  }
  // Nothing is deleted unless its whole backup is on the disk.
  bool deleted = false;
  if (!exported) {
    ++summary_.exportFailed;
  } else if (!backup.Append(text)) {
    ++summary_.backupFailed;
  } else {
    deleted = wholeKey ? NSRegKeyEx::DeleteKeyTree(platform_, item.keyPath)
                       : NSRegKeyEx::DeleteValueAt(platform_, item.valueName, item.keyPath);
    if (!deleted) ++summary_.deleteFailed;
  }
  if (deleted) {
    ++summary_.repaired;
    if (observer) observer->OnItemRepaired(category, 1, item.keyPath);
  } else if (observer) {
    observer->OnItemRepairFailed(category, 1, item.keyPath);
  }
}

void CRegRepairEng::Run() {
  if (observer) observer->OnRepairBegin();
  CBackupFileWriter backup(platform_);
  const int64_t categories = static_cast<int64_t>(problems->byCategory.size());
  int64_t finished = 0;
  for (const auto& [id, records] : problems->byCategory) {
    if (stopRequested) break;
    if (observer) observer->OnRepairCategoryBegin(id);
    const int64_t count = static_cast<int64_t>(records.size());
    for (int64_t i = 0; i < count; ++i) {
      if (stopRequested) break;
      ReportProgress(finished * count + i + 1, count * categories);
      const SRegProblemItem& item = records[static_cast<size_t>(i)];
      if (!item.checked || Skipped(item)) continue;
      RepairRecord(id, item, backup);
    }
    if (observer) observer->OnRepairCategoryEnd(id);
    ++finished;
  }
  summary_.stopped = stopRequested != 0;
  summary_.backupFile = backup.Finish(summary_.attempts);
  if (observer) observer->OnRepairEnd();
}

}  // namespace repair
