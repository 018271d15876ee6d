#include "cmd/cmd_runner.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "cmd/cmd_output.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "platform/win32_constants.h"
#include "registry/reg_key_ex.h"
#include "repair/backup_store.h"
#include "repair/reg_repair_eng.h"
#include "repair/reg_restore_eng.h"
#include "scan/problem_collector.h"
#include "scan/purvex_eng.h"
#include "settings/exclusions.h"
#include "settings/settings_codecs.h"
#include "settings/settings_keys.h"

namespace cmd {
namespace {

int Error(CmdContext& ctx, const std::wstring& message, int code = kExitFailure) {
  ctx.console.Err(L"LumoraCmd: " + message + L"\n");
  return code;
}

// Waits for a worker, asking it to stop when the user interrupts.
template <typename Engine>
bool WaitFor(Engine& engine, CmdContext& ctx) {
  bool interrupted = false;
  while (!engine.Wait(ctx.pollMs)) {
    if (!interrupted && ctx.interrupted && ctx.interrupted()) {
      interrupted = true;
      engine.Stop();
    }
  }
  return !interrupted;
}

std::wstring Percent(int32_t percent) { return std::to_wstring(percent) + L"%"; }

class ScanProgress : public IPurvexObserver {
 public:
  explicit ScanProgress(IConsole& console) : console_(console), show_(console.ProgressWanted()) {}
  int32_t OnCategoryBegin(int32_t category) override {
    name_ = CategoryDisplayName(category);
    Show(0);
    return 0;
  }
  int32_t OnCategoryEnd(int32_t) override { return 0; }
  int32_t OnScanProgress(int32_t percent) override {
    Show(percent);
    return 0;
  }
  int32_t OnProblemFound(int32_t, const std::wstring&, const std::wstring&,
                         const std::wstring&) override {
    ++found_;
    return 1;
  }
  int32_t OnScanItem(const std::wstring&) override { return 0; }
  int32_t OnScanBegin() override { return 0; }
  int32_t OnScanEnd() override {
    if (show_) console_.Progress(L"");
    return 0;
  }

 private:
  void Show(int32_t percent) {
    if (show_)
      console_.Progress(L"Scanning " + name_ + L" " + Percent(percent) + L" (" +
                        std::to_wstring(found_) + L" found)");
  }
  IConsole& console_;
  const bool show_;
  std::wstring name_;
  int32_t found_ = 0;  // written and read on the scan thread only
};

// The categories and exclusions of a scan: the given categories or the
// stored choice, and always the stored exclusions.
bool PrepareScan(const Options& options, CmdContext& ctx, ScanRequest& request) {
  settings::ISettingsStore* store = ctx.openSettings ? ctx.openSettings() : nullptr;
  if (store == nullptr) {
    Error(ctx, L"cannot open the settings (Config.dll beside LumoraCmd.exe)");
    return false;
  }
  wchar_t probe = 0;
  if (store->GetString(settings::kSection, settings::kCleanupExclsion, &probe, 1) == 0) {
    Error(ctx, L"cannot read the settings (exclusions and categories)");
    return false;
  }
  request.exclusions = settings::LoadExclusions(*store);
  request.categories = options.categories
                           ? *options.categories
                           : settings::ScanCategories(settings::ReadCategoryChoice(*store));
  return true;
}

// Runs one scan through the intake rule. False, with the error printed,
// when it cannot start or was interrupted.
bool RunScan(const Options& options, CmdContext& ctx, CProblemCollector& collector,
             size_t& categoriesScanned) {
  ScanRequest request;
  if (!PrepareScan(options, ctx, request)) return false;
  categoriesScanned = request.categories.size();
  collector.SetExclusions(request.exclusions);
  ScanProgress progress(ctx.console);
  CCollectingObserver observer(collector, &progress);
  CPurvexEng engine(ctx.platform, PurvexEngOptions{{}, 0});
  if (!engine.Start(request, &observer)) {
    Error(ctx, L"cannot start the scan (the backup and restore privileges could not be enabled)");
    return false;
  }
  engine.Resume();
  if (!WaitFor(engine, ctx)) {
    Error(ctx, L"the scan was interrupted; nothing was changed");
    return false;
  }
  return true;
}

int Scan(const Options& options, CmdContext& ctx) {
  CProblemCollector collector(ctx.platform);
  size_t scanned = 0;
  if (!RunScan(options, ctx, collector, scanned)) return kExitFailure;
  const SRegScanDetail& result = collector.Result();
  ctx.console.Out(options.json ? ProblemsJson(result) : ProblemsText(result, scanned));
  return result.problemCount > 0 ? kExitFound : kExitOk;
}

struct RepairEvent {
  int32_t category;
  std::wstring keyPath;
  bool repaired;
};

class RepairRecorder : public repair::IRegRepairObserver {
 public:
  explicit RepairRecorder(IConsole& console) : console_(console), show_(console.ProgressWanted()) {}
  void OnRepairCategoryBegin(int32_t category) override { name_ = CategoryDisplayName(category); }
  void OnRepairCategoryEnd(int32_t) override {}
  void OnRepairProgress(int32_t percent) override {
    if (show_) console_.Progress(L"Cleaning " + name_ + L" " + Percent(percent));
  }
  void OnItemRepaired(int32_t category, int32_t, const std::wstring& keyPath) override {
    Add({category, keyPath, true});
  }
  void OnItemRepairFailed(int32_t category, int32_t, const std::wstring& keyPath) override {
    Add({category, keyPath, false});
  }
  void OnRepairBegin() override {}
  void OnRepairEnd() override {
    if (show_) console_.Progress(L"");
  }
  std::vector<RepairEvent> Events() {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
  }

 private:
  void Add(RepairEvent e) {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back(std::move(e));
  }
  IConsole& console_;
  const bool show_;
  std::wstring name_;
  std::mutex mutex_;
  std::vector<RepairEvent> events_;
};

// True when the key, or the value of a value problem, no longer exists.
bool Gone(platform::Platform& p, const SRegProblemItem& item) {
  if (!NSRegKeyEx::KeyExists(p, item.keyPath)) return true;
  if (item.valueName == kWholeKey) return false;
  platform::HKey root = 0;
  std::wstring sub;
  if (!NSRegKeyEx::ParseKeyPath(item.keyPath, root, sub)) return false;
  NSRegKeyEx::ScopedKey key(p.registry);
  if (p.registry.OpenKey(root, sub, 0, platform::kKeyRead, key.Out()) != platform::kErrorSuccess)
    return false;
  uint32_t type = 0, bytes = 0;
  return p.registry.QueryValue(key.Get(), item.valueName.empty() ? nullptr : item.valueName.c_str(),
                               &type, nullptr, &bytes) == platform::kErrorFileNotFound;
}

// The repair reports matched with the records they stand for: the engine
// visits categories ascending and their records in order, one report each.
std::vector<CleanLine> MatchReports(platform::Platform& p, const SRegScanDetail& result,
                                    const std::vector<RepairEvent>& events) {
  std::vector<CleanLine> lines;
  size_t next = 0;
  for (const auto& [category, items] : result.byCategory) {
    for (const SRegProblemItem& item : items) {
      CleanLine line{category, Target(item.keyPath, item.valueName), CleanLine::State::kNotReached};
      if (next < events.size() && events[next].category == category &&
          events[next].keyPath == item.keyPath) {
        const bool ok = events[next++].repaired;
        line.state = ok ? CleanLine::State::kRepaired
                        : Gone(p, item) ? CleanLine::State::kAlreadyGone : CleanLine::State::kFailed;
      }
      lines.push_back(std::move(line));
    }
  }
  // Reports that matched no record (should not happen): shown by key path.
  for (; next < events.size(); ++next)
    lines.push_back({events[next].category, events[next].keyPath,
                     events[next].repaired ? CleanLine::State::kRepaired : CleanLine::State::kFailed});
  return lines;
}

int Clean(const Options& options, CmdContext& ctx) {
  if (!options.yes)
    return Error(ctx,
                 L"clean: refusing to remove registry entries without --yes ('LumoraCmd scan' "
                 L"shows what would be removed; each entry is backed up first)",
                 kExitUsage);
  CProblemCollector collector(ctx.platform);
  size_t scanned = 0;
  if (!RunScan(options, ctx, collector, scanned)) return kExitFailure;
  const SRegScanDetail& result = collector.Result();
  if (result.problemCount == 0) {
    ctx.console.Out(ProblemsText(result, scanned) + L"Nothing to clean.\n");
    return kExitOk;
  }
  RepairRecorder recorder(ctx.console);
  repair::CRegRepairEng engine(ctx.platform, repair::RepairOptions{0});
  if (!engine.Start(&result, {}, &recorder))
    return Error(ctx, L"cannot start the repair; nothing was changed");
  engine.Resume();
  const bool finished = WaitFor(engine, ctx);
  const repair::RepairSummary& summary = engine.LastRun();
  const std::vector<CleanLine> lines = MatchReports(ctx.platform, result, recorder.Events());
  ctx.console.Out(CleanText(lines, summary.backupFile, summary.stopped || !finished));
  const bool allDone = std::all_of(lines.begin(), lines.end(), [](const CleanLine& l) {
    return l.state == CleanLine::State::kRepaired || l.state == CleanLine::State::kAlreadyGone;
  });
  return allDone ? kExitOk : kExitFound;
}

bool BackupFolder(CmdContext& ctx, std::wstring& folder) {
  folder = repair::GetBackupFolder(ctx.platform);
  if (folder.empty()) Error(ctx, L"the backup folder is unknown (no common application data folder)");
  return !folder.empty();
}

int Backups(CmdContext& ctx) {
  std::wstring folder;
  if (!BackupFolder(ctx, folder)) return kExitFailure;
  repair::CBackupStore store(ctx.platform);
  store.Load();
  std::map<std::wstring, uint64_t> sizes;
  for (const platform::FileEntry& e : ctx.platform.files.ListFolder(folder + L"\\*.reg"))
    sizes[e.name] = e.size;
  std::vector<BackupRow> rows;
  for (size_t i = 0; i < store.Count(); ++i)
    rows.push_back({store.Names()[i], store.RowText(i), sizes[store.Names()[i]]});
  std::sort(rows.begin(), rows.end(),
            [](const BackupRow& a, const BackupRow& b) { return a.name < b.name; });
  ctx.console.Out(BackupsText(folder, rows));
  return kExitOk;
}

bool IsFile(platform::IFileSystem& files, const std::wstring& path) {
  const uint32_t a = files.GetAttributes(path);
  return a != platform::kInvalidFileAttributes && (a & platform::kFileAttributeDirectory) == 0;
}

// The files to restore, each once; false with the error printed when one
// is missing (then nothing is restored).
bool RestoreList(const Options& options, CmdContext& ctx, std::vector<std::wstring>& paths) {
  std::wstring folder;
  if (!BackupFolder(ctx, folder)) return false;
  std::vector<std::wstring> names = options.names;
  if (options.latest) {
    repair::CBackupStore store(ctx.platform);
    store.Load();
    const std::wstring latest = LatestBackup(store.Names());
    if (latest.empty()) {
      Error(ctx, L"restore: there are no backups in " + folder);
      return false;
    }
    names = {latest};
  }
  for (const std::wstring& name : names) {
    const bool isPath = name.find_first_of(L"\\/:") != std::wstring::npos;
    const std::wstring path = isPath ? name : folder + L"\\" + name;
    if (!IsFile(ctx.platform.files, path)) {
      Error(ctx, L"restore: no backup file '" + name + L"'" + (isPath ? L"" : L" in " + folder) +
                     L"; nothing was restored");
      return false;
    }
    if (std::none_of(paths.begin(), paths.end(),
                     [&](const std::wstring& p) { return platform::EqualsNoCase(p, path); }))
      paths.push_back(path);
  }
  return true;
}

class RestoreProgress : public repair::IRestoreObserver {
 public:
  explicit RestoreProgress(IConsole& console) : console_(console), show_(console.ProgressWanted()) {}
  void OnRestoreBegin(size_t) override {}
  void OnRestoreFile(size_t, const std::wstring& path) override {
    if (show_) console_.Progress(L"Recovering: " + path);
  }
  void OnRestoreFileDone(const repair::RestoreFileResult&) override {}
  void OnRestoreProgress(int32_t) override {}
  void OnRestoreEnd(const repair::RestoreSummary&) override {
    if (show_) console_.Progress(L"");
  }

 private:
  IConsole& console_;
  const bool show_;
};

int Restore(const Options& options, CmdContext& ctx) {
  std::vector<std::wstring> paths;
  if (!RestoreList(options, ctx, paths)) return kExitFailure;
  RestoreProgress progress(ctx.console);
  repair::CRegRestoreEng engine(ctx.platform);
  if (!engine.Start(paths, &progress)) return Error(ctx, L"cannot start the restore");
  engine.Resume();
  WaitFor(engine, ctx);
  const repair::RestoreSummary& summary = engine.LastRun();
  ctx.console.Out(RestoreText(summary));
  const size_t restored = RestoredCount(summary);
  if (restored == 0) return kExitFailure;
  return restored == paths.size() ? kExitOk : kExitFound;
}

// "Backup_<14 digits>_<n>.reg": the stamp and n; false for other names.
bool BackupKey(const std::wstring& name, std::wstring& stamp, uint64_t& attempts) {
  std::wstring row;
  if (!repair::BackupRowText(name, row)) return false;
  const size_t first = name.find(L'_');
  const size_t second = name.find(L'_', first + 1);
  stamp = name.substr(first + 1, second - first - 1);
  attempts = 0;
  for (size_t i = second + 1; i < name.size() && name[i] >= L'0' && name[i] <= L'9'; ++i)
    attempts = std::min<uint64_t>(attempts * 10 + static_cast<uint64_t>(name[i] - L'0'), 1u << 30);
  return true;
}

}  // namespace

std::wstring LatestBackup(const std::vector<std::wstring>& names) {
  std::wstring best, bestStamp;
  uint64_t bestAttempts = 0;
  for (const std::wstring& name : names) {
    std::wstring stamp;
    uint64_t attempts = 0;
    if (!BackupKey(name, stamp, attempts)) continue;
    if (best.empty() || stamp > bestStamp || (stamp == bestStamp && attempts > bestAttempts)) {
      best = name;
      bestStamp = stamp;
      bestAttempts = attempts;
    }
  }
  return best;
}

int RunCommand(const Options& options, CmdContext& ctx) {
  if (options.help) {
    ctx.console.Out(HelpText(options.command));
    return kExitOk;
  }
  switch (options.command) {
    case Command::kScan: return Scan(options, ctx);
    case Command::kClean: return Clean(options, ctx);
    case Command::kBackups: return Backups(ctx);
    case Command::kRestore: return Restore(options, ctx);
    case Command::kNone: break;
  }
  ctx.console.Out(HelpText(Command::kNone));
  return kExitOk;
}

int RunCommandLine(const std::vector<std::wstring>& args, CmdContext& ctx) {
  const ParseResult parsed = ParseArguments(args);
  if (!parsed.ok) return Error(ctx, parsed.error, kExitUsage);
  return RunCommand(parsed.options, ctx);
}

}  // namespace cmd
