#include "repair/reg_restore_eng.h"

#include <algorithm>

#include "platform/debug_trace.h"
#include "registry/reg_file_reader.h"

namespace repair {

std::vector<std::wstring> OrderByModuleTag(const std::vector<std::wstring>& paths,
                                           std::vector<std::wstring>* untagged) {
  std::array<std::vector<std::wstring>, kModuleTags.size()> groups;
  for (const std::wstring& path : paths) {
    size_t tag = 0;
    while (tag < kModuleTags.size() && path.find(kModuleTags[tag]) == std::wstring::npos) ++tag;
    if (tag < kModuleTags.size()) {
      groups[tag].push_back(path);
    } else if (untagged) {
      untagged->push_back(path);
    }
  }
  std::vector<std::wstring> ordered;
  for (auto& group : groups) {
    std::sort(group.begin(), group.end());
    ordered.insert(ordered.end(), group.begin(), group.end());
  }
  return ordered;
}

std::vector<std::wstring> RestoreSummary::KeptFiles() const {
  std::vector<std::wstring> kept;
  for (const RestoreFileResult& f : files) {
    if (f.outcome != RestoreOutcome::kRestored) kept.push_back(f.path);
  }
  kept.insert(kept.end(), untagged.begin(), untagged.end());
  kept.insert(kept.end(), notReached.begin(), notReached.end());
  return kept;
}

CRegRestoreEng::CRegRestoreEng(platform::Platform& p) : platform_(p) {}

CRegRestoreEng::~CRegRestoreEng() {
  if (!Shutdown(kShutdownWaitMs))
    platform::DebugTrace(platform_, L"CRegRestoreEng: restore thread still running at destruction");
}

bool CRegRestoreEng::Start(const std::vector<std::wstring>& list, IRestoreObserver* obs) {
  if (!thread.Prepare()) return false;  // one restore at a time
  stopRequested = 0;
  files = list;
  observer = obs;
  summary_ = RestoreSummary();
  return thread.Create([this] { Run(); });
}

void CRegRestoreEng::Resume() { thread.Resume(); }

void CRegRestoreEng::Stop() { stopRequested = 1; }

bool CRegRestoreEng::Shutdown(uint32_t timeoutMs) {
  Stop();
  return thread.Shutdown(timeoutMs);
}

bool CRegRestoreEng::Wait(uint32_t timeoutMs) { return thread.Wait(timeoutMs); }

// A file is deleted only when every block's key could be created or opened
// and every value written: anything less keeps it for another attempt.
RestoreFileResult CRegRestoreEng::RestoreOne(NSRegKeyEx::RegFileImporter& importer,
                                             const std::wstring& path) {
  RestoreFileResult result{path, RestoreOutcome::kUnreadable};
  if (!importer.ImportFile(path)) return result;
  if (!importer.LastReport().Complete()) {
    result.outcome = RestoreOutcome::kIncomplete;
  } else if (platform_.files.DeleteFile(path)) {
    result.outcome = RestoreOutcome::kRestored;
  } else {
    result.outcome = RestoreOutcome::kRestoredKept;
  }
  return result;
}

void CRegRestoreEng::Run() {
  const std::vector<std::wstring> ordered = OrderByModuleTag(files, &summary_.untagged);
  if (observer) observer->OnRestoreBegin(ordered.size());
  NSRegKeyEx::RegFileImporter importer(platform_);
  const size_t n = ordered.size();
  for (size_t i = 0; i < n; ++i) {
    if (stopRequested) {
      summary_.stopped = true;
      summary_.notReached.assign(ordered.begin() + static_cast<std::ptrdiff_t>(i), ordered.end());
      break;
    }
    if (observer) observer->OnRestoreFile(i, ordered[i]);
    summary_.files.push_back(RestoreOne(importer, ordered[i]));
    if (observer) observer->OnRestoreFileDone(summary_.files.back());
    if (observer) observer->OnRestoreProgress(static_cast<int32_t>((i + 1) * 100 / n));
  }
  if (observer) observer->OnRestoreEnd(summary_);
}

}  // namespace repair
