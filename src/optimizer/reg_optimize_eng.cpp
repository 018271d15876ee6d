#include "optimizer/reg_optimize_eng.h"

#include "platform/debug_trace.h"
#include "platform/text.h"
#include "platform/win32_constants.h"
#include "registry/reg_key_ex.h"

namespace optimizer {

namespace {

constexpr wchar_t kMachinePrefix[] = L"\\REGISTRY\\MACHINE\\";
constexpr wchar_t kUserPrefix[] = L"\\REGISTRY\\USER\\";
constexpr uint32_t kMaxAsideNumber = 10000;

}  // namespace

DriveMap ReadDriveMap(platform::ISystemInfo& system) {
  DriveMap drives;
  const uint32_t mask = system.LogicalDrives();
  for (int letter = 0; letter < 26; ++letter) {
    if ((mask & (1u << letter)) == 0) continue;
    const std::wstring drive{static_cast<wchar_t>(L'A' + letter), L':'};
    std::wstring device;
    if (system.QueryDosDevice(drive, &device) && !device.empty()) {
      drives.emplace(platform::Upcase(device), drive);  // the first drive of a device wins
    }
  }
  return drives;
}

std::wstring HiveKeyPath(const std::wstring& valueName) {
  const std::wstring name = platform::Upcase(valueName);
  for (const auto& [prefix, root] : {std::pair{kMachinePrefix, L"HKEY_LOCAL_MACHINE\\"},
                                     std::pair{kUserPrefix, L"HKEY_USERS\\"}}) {
    const std::wstring kernel = prefix;
    if (name.size() > kernel.size() && name.compare(0, kernel.size(), kernel) == 0) {
      return root + name.substr(kernel.size());
    }
  }
  return std::wstring();
}

std::wstring HiveFileOnDrive(const DriveMap& drives, const std::wstring& devicePath) {
  const std::wstring path = platform::Upcase(devicePath);
  const std::pair<const std::wstring, std::wstring>* best = nullptr;
  for (const auto& entry : drives) {
    const std::wstring& device = entry.first;
    // The device must end where a path component ends: HarddiskVolume1 is
    // not a prefix of HarddiskVolume12.
    if (path.size() <= device.size() + 1 || path.compare(0, device.size(), device) != 0 ||
        path[device.size()] != L'\\') {
      continue;
    }
    if (!best || device.size() > best->first.size()) best = &entry;
  }
  if (!best) return std::wstring();
  return best->second + devicePath.substr(best->first.size());
}

bool DeriveHiveNames(const DriveMap& drives, const std::wstring& valueName,
                     const std::wstring& devicePath, HiveNames& out) {
  out.keyPath = HiveKeyPath(valueName);
  out.hiveFile = HiveFileOnDrive(drives, devicePath);
  if (out.keyPath.empty() || out.hiveFile.empty()) return false;
  out.tempFile = platform::Format(L"%ls%ls", out.hiveFile.c_str(), L".tmp");
  out.backupFile = platform::Format(L"%ls%ls", out.hiveFile.c_str(), L".bak");
  return true;
}

bool MoveAside(platform::IFileSystem& files, const std::wstring& file, std::wstring* movedTo,
               int32_t* error) {
  if (error) *error = platform::kErrorSuccess;
  if (!files.PathExists(file)) return true;
  for (uint32_t number = 1; number <= kMaxAsideNumber; ++number) {
    const std::wstring candidate = file + std::to_wstring(number);
    if (files.PathExists(candidate)) continue;
    int32_t rc = platform::kErrorSuccess;
    if (files.MoveFile(file, candidate, &rc)) {
      if (movedTo) *movedTo = candidate;
      return true;
    }
    // Taken between the check and the move: try the next number.
    if (rc != platform::kErrorAlreadyExists && rc != platform::kErrorFileExists) {
      if (error) *error = rc;
      return false;
    }
  }
  if (error) *error = platform::kErrorAlreadyExists;
  return false;
}

CRegOptimizeEng::CRegOptimizeEng(platform::Platform& p) : p_(p) {}

CRegOptimizeEng::~CRegOptimizeEng() { StopAndWait(kLeaveWaitMs); }

bool CRegOptimizeEng::Start() {
  if (Running()) return false;
  if (!NSRegKeyEx::EnableBackupPrivileges(p_)) return false;
  stopRequested = 0;
  progressRunning = 1;
  if (!runThread_.Create([this] { RunThread(this); })) return false;
  runThread_.Resume();
  return true;
}

bool CRegOptimizeEng::Wait(uint32_t milliseconds) { return runThread_.Wait(milliseconds); }

bool CRegOptimizeEng::StopAndWait(uint32_t milliseconds) {
  Stop();
  return Wait(milliseconds);
}

uint32_t CRegOptimizeEng::RunThread(CRegOptimizeEng* engine) {
  if (!engine) return 0;
  engine->Run();
  return 1;
}

void CRegOptimizeEng::Report(int32_t percent) {
  if (observer) observer->OnProgress(percent);
}

void CRegOptimizeEng::Hook(RunPoint point) {
  if (hook_) hook_(point);
}

void CRegOptimizeEng::RunProgress() {
  int32_t step = 0;
  while (progressRunning == 1) {
    p_.system.Sleep(kStepMs);
    ++step;
    Report(step);
    if (step >= kProgressSteps) progressRunning = 0;
  }
}

void CRegOptimizeEng::Run() {
  counts_ = OptimizeCounts{};
  progressRunning = 1;
  if (progressThread_.Create([this] { RunProgress(); })) {
    progressThread_.Resume();
  } else {
    progressRunning = 0;
  }
  Hook(RunPoint::kProgressStarted);

  NSRegKeyEx::CRegKeyEx hiveList(p_);
  const uint32_t count = hiveList.Open(kHiveListPath) ? hiveList.valueCount : 0;
  counts_.listed = count;
  const DriveMap drives = ReadDriveMap(p_.system);
  for (uint32_t d = 0; d < count && stopRequested == 0; ++d) {
    if (progressRunning == 0 && observer) {
      const int32_t percent = static_cast<int32_t>((d + 1) * 100 / count);
      Report(80 + percent / 5);
      p_.system.Sleep(kStepMs);
    }
    std::wstring name, device;
    if (!hiveList.EnumValueName(d, name) || !hiveList.QueryStringValue(name, device) ||
        device.empty()) {
      ++counts_.skipped;
      continue;
    }
    ProcessHive(drives, name, device);
  }

  int32_t running = 1;
  if (progressRunning.compare_exchange_strong(running, 0)) p_.system.Sleep(kFinalPauseMs);
  Hook(RunPoint::kHivesDone);
  // The progress thread may still be in its last step; no report may follow
  // the completion.
  if (!progressThread_.Wait(kProgressJoinMs)) {
    platform::DebugTrace(p_, L"Optimizer: the progress thread did not end in time");
  }
  Report(100);
  if (observer) observer->OnComplete(stopRequested, counts_);
}

void CRegOptimizeEng::ProcessHive(const DriveMap& drives, const std::wstring& valueName,
                                  const std::wstring& devicePath) {
  HiveNames names;
  if (!DeriveHiveNames(drives, valueName, devicePath, names)) {
    platform::DebugTrace(p_, L"Optimizer: skipped %ls (%ls)", valueName.c_str(),
                         devicePath.c_str());
    ++counts_.skipped;
    return;
  }
  // Hive files live in System32\config: a 32-bit process must see the real one.
  platform::NativeFileView native(p_.files);
  if (SaveAndReplace(names)) {
    ++counts_.replaced;
  } else {
    ++counts_.failed;
  }
  p_.files.DeleteFile(names.tempFile);
}

bool CRegOptimizeEng::SaveAndReplace(const HiveNames& names) {
  // A leftover of an interrupted run would make the save fail.
  p_.files.DeleteFile(names.tempFile);
  int32_t error = platform::kErrorSuccess;
  if (!NSRegKeyEx::SaveKeyToFile(p_, names.tempFile, names.keyPath, &error)) {
    platform::DebugTrace(p_, L"Optimizer: saving %ls failed, error %d", names.keyPath.c_str(),
                         error);
    return false;
  }
  // The replacement refuses a taken backup name; an earlier backup is kept.
  if (!MoveAside(p_.files, names.backupFile, nullptr, &error)) {
    platform::DebugTrace(p_, L"Optimizer: cannot move %ls aside, error %d",
                         names.backupFile.c_str(), error);
    return false;
  }
  if (!NSRegKeyEx::ReplaceKeyFiles(p_, names.backupFile, names.keyPath, names.tempFile, &error)) {
    platform::DebugTrace(p_, L"Optimizer: replacing %ls failed, error %d", names.keyPath.c_str(),
                         error);
    return false;
  }
  return true;
}

}  // namespace optimizer
