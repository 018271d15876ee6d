// The repair engine and the restore with the real registry and the real
// backup folder (under Wine): a repair killed at a random point loses
// nothing, and a backup of a native 64-bit key goes back to that key.
#include "platform/win32/windows_api.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_test_support.h"
#include "registry/reg_file_writer.h"
#include "registry/reg_key_ex.h"
#include "repair/win32/crash_records.h"
#include "repair/repair_test_support.h"

namespace {

using namespace repair_test;
namespace pc = platform;

class NullObserver : public repair::IRegRepairObserver {
 public:
  void OnRepairCategoryBegin(int32_t) override {}
  void OnRepairCategoryEnd(int32_t) override {}
  void OnRepairProgress(int32_t) override {}
  void OnItemRepaired(int32_t, int32_t, const std::wstring&) override {}
  void OnItemRepairFailed(int32_t, int32_t, const std::wstring&) override {}
  void OnRepairBegin() override {}
  void OnRepairEnd() override {}
};

void ClearBackups(pc::Platform& p) {
  const std::wstring folder = repair::GetBackupFolder(p);
  for (const std::wstring& name : repair::ListRegFiles(p.files, folder))
    p.files.DeleteFile(folder + L"\\" + name);
}

std::wstring ChildProgram() {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path = self;
  return path.substr(0, path.find_last_of(L'\\') + 1) + L"repair_crash_child.exe";
}

class Handle {
 public:
  explicit Handle(HANDLE h = nullptr) : h_(h) {}
  ~Handle() {
    if (h_ != nullptr) CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE Get() const { return h_; }

 private:
  HANDLE h_;
};

class RepairCrashTest : public testing::Test {
 protected:
  void SetUp() override {
    NSRegKeyEx::DeleteKeyTree(p, crash_test::kBase);
    ClearBackups(p);
  }
  void TearDown() override {
    NSRegKeyEx::DeleteKeyTree(p, crash_test::kBase);
    ClearBackups(p);
  }

  // Each record's backup text, taken from the seeded registry.
  std::vector<std::pair<SRegProblemItem, std::wstring>> ExpectedTexts() {
    std::vector<std::pair<SRegProblemItem, std::wstring>> out;
    for (const auto& [id, list] : crash_test::Records().byCategory) {
      for (const SRegProblemItem& item : list) {
        std::wstring text;
        bool complete = true;
        const bool ok = item.valueName == kWholeKey
                            ? NSRegKeyEx::ExportKey(p, item.keyPath, text, &complete) && complete
                            : NSRegKeyEx::ExportValue(p, item.keyPath, item.valueName, text);
        EXPECT_TRUE(ok) << Narrow(item.keyPath);
        out.emplace_back(item, text);
      }
    }
    return out;
  }

  // A record is gone when its data differs in any way from the seeded state.
  bool Gone(const SRegProblemItem& item, const Snapshot& before) {
    const std::wstring sub = item.keyPath.substr(item.keyPath.find(L'\\') + 1);
    const std::wstring upper = pc::Upcase(sub);
    if (item.valueName != kWholeKey) {
      const Snapshot now = Snap(p.registry, pc::kHKeyCurrentUser, sub);
      auto key = now.find(upper);
      if (key == now.end()) return true;
      auto value = key->second.find(pc::Upcase(item.valueName));
      return value == key->second.end() ||
             !(value->second == before.at(upper).at(pc::Upcase(item.valueName)));
    }
    Snapshot part;
    for (const auto& [path, values] : before)
      if (path == upper || path.rfind(upper + L"\\", 0) == 0) part[path] = values;
    return !DescribeDiff(part, Snap(p.registry, pc::kHKeyCurrentUser, sub)).empty();
  }

  // Starts the child, kills it delayMs after its repair thread began (never
  // when delayMs is negative); true when it was killed.
  bool RunChild(int delayMs, uint32_t* elapsedMs) {
    const std::wstring eventName =
        pc::Format(L"LumoraCrashChild_%lu", static_cast<unsigned long>(GetCurrentProcessId()));
    Handle started(CreateEventW(nullptr, TRUE, FALSE, eventName.c_str()));
    std::wstring commandLine = L"\"" + ChildProgram() + L"\" " + eventName + L" 10";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    EXPECT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &info))
        << Narrow(commandLine);
    Handle process(info.hProcess), thread(info.hThread);
    if (!process.Get()) return false;
    HANDLE both[] = {started.Get(), process.Get()};
    EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 60000), WAIT_OBJECT_0);
    const DWORD begin = GetTickCount();
    bool killed = false;
    if (delayMs >= 0 && WaitForSingleObject(process.Get(), delayMs) == WAIT_TIMEOUT) {
      killed = TerminateProcess(process.Get(), 99) != 0;
    }
    EXPECT_EQ(WaitForSingleObject(process.Get(), 120000), WAIT_OBJECT_0);
    *elapsedMs = GetTickCount() - begin;
    DWORD code = 1;
    GetExitCodeProcess(process.Get(), &code);
    EXPECT_TRUE(code == 0 || (killed && code == 99)) << "child exit code " << code;
    return killed && code == 99;
  }

  // One run of the child and everything that must hold after it.
  void Round(int delayMs, uint32_t* elapsedMs) {
    ASSERT_TRUE(crash_test::Seed(p.registry));
    const Snapshot before = Snap(p.registry, pc::kHKeyCurrentUser, crash_test::kBaseSub);
    const auto expected = ExpectedTexts();

    const bool killed = RunChild(delayMs, elapsedMs);

    const std::wstring folder = repair::GetBackupFolder(p);
    const std::vector<std::wstring> files = repair::ListRegFiles(p.files, folder);
    ASSERT_LE(files.size(), 1u);
    size_t gone = 0;
    std::wstring text;
    if (!files.empty()) {
      std::wstring row;
      EXPECT_TRUE(repair::BackupRowText(files[0], row)) << Narrow(files[0]);
      if (!killed) {
        EXPECT_EQ(files[0].substr(files[0].size() - 8), L"_300.reg");
      }
      std::vector<uint8_t> bytes;
      ASSERT_TRUE(p.files.ReadWholeFile(folder + L"\\" + files[0], &bytes));
      text = FileText(bytes);
      const std::wstring header = std::wstring(1, L'\xFEFF') + NSRegKeyEx::kRegFileHeader;
      EXPECT_EQ(text.compare(0, header.size(), header), 0);
    }
    for (const auto& [item, itemText] : expected) {
      if (!Gone(item, before)) continue;
      ++gone;
      EXPECT_NE(text.find(itemText), std::wstring::npos)
          << "gone but not backed up: " << Narrow(item.keyPath + L"\\" + item.valueName);
    }
    std::printf("[ crash    ] delay %d ms, %s after %u ms, %zu of %zu records gone\n", delayMs,
                killed ? "killed" : "finished", *elapsedMs, gone, expected.size());
    if (!killed) {
      EXPECT_EQ(gone, expected.size());
    }

    if (!files.empty()) {
      const std::wstring path = folder + L"\\" + files[0];
      repair::CRegRestoreEng restore(p);
      ASSERT_TRUE(restore.Start({path}, nullptr));
      restore.Resume();
      ASSERT_TRUE(restore.Wait(60000));
      ASSERT_EQ(restore.LastRun().files.size(), 1u);
      const repair::RestoreOutcome outcome = restore.LastRun().files[0].outcome;
      // A kill in the middle of an append leaves a block cut short: the
      // file is then kept, everything before it was still written back.
      EXPECT_TRUE(outcome == repair::RestoreOutcome::kRestored ||
                  (killed && outcome == repair::RestoreOutcome::kIncomplete));
      EXPECT_EQ(p.files.PathExists(path), outcome != repair::RestoreOutcome::kRestored);
    }
    EXPECT_EQ(DescribeDiff(before, Snap(p.registry, pc::kHKeyCurrentUser, crash_test::kBaseSub)),
              "");
    NSRegKeyEx::DeleteKeyTree(p, crash_test::kBase);
    ClearBackups(p);
  }

  pc::Platform& p = pc::DefaultPlatform();
};

// The first run goes to its end and gives the run's length; the later runs
// are killed at seeded random points within it.
TEST_F(RepairCrashTest, KilledRunLosesNothing) {
  uint32_t seed = static_cast<uint32_t>(
      std::chrono::steady_clock::now().time_since_epoch().count() & 0x7fffffff);
  if (const char* given = std::getenv("LUMORA_CRASH_SEED")) seed = std::strtoul(given, nullptr, 10);
  std::printf("[ crash    ] seed %u (LUMORA_CRASH_SEED=%u repeats it)\n", seed, seed);
  RecordProperty("crash_seed", static_cast<int>(seed));
  std::mt19937 rng(seed);

  uint32_t length = 0;
  Round(-1, &length);
  if (HasFatalFailure()) return;
  for (int round = 0; round < 3; ++round) {
    // Within the first four fifths: later runs can be quicker than the first.
    const int delay = std::uniform_int_distribution<int>(0, static_cast<int>(length * 4 / 5))(rng);
    uint32_t elapsed = 0;
    Round(delay, &elapsed);
    if (HasFatalFailure()) return;
  }
}

TEST(RepairWine, BackupFolderIsBelowCommonAppData) {
  pc::Platform& p = pc::DefaultPlatform();
  wchar_t common[MAX_PATH] = {};
  ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, common, CSIDL_COMMON_APPDATA, FALSE));
  const std::wstring folder = repair::GetBackupFolder(p);
  EXPECT_EQ(folder, std::wstring(common) + L"\\Quorvel\\Lumora\\Backup\\Purvex");
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

// Under WOW64 a backup of a native 64-bit key is restored into that key,
// not into the 32-bit view.
TEST(RepairWine, RestoreWritesIntoTheNativeView) {
  using pc::win32::testing::RawDeleteKey;
  using pc::win32::testing::RawKeyExists;
  pc::Platform& p = pc::DefaultPlatform();
  const std::wstring sub = L"Software\\LumoraRestoreView";
  const std::wstring path = L"HKEY_LOCAL_MACHINE\\" + sub;
  RawDeleteKey(HKEY_LOCAL_MACHINE, sub + L"\\Inner", KEY_WOW64_64KEY);
  RawDeleteKey(HKEY_LOCAL_MACHINE, sub, KEY_WOW64_64KEY);
  RawDeleteKey(HKEY_LOCAL_MACHINE, sub + L"\\Inner", KEY_WOW64_32KEY);
  RawDeleteKey(HKEY_LOCAL_MACHINE, sub, KEY_WOW64_32KEY);
  ClearBackups(p);
  {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, (sub + L"\\Inner").c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD value = 64;
    RegSetValueExW(key, L"bits", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
    RegCloseKey(key);
  }
  const bool wow64 = pc::win32::testing::ExpectWow64();
  if (wow64) {
    ASSERT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, sub, KEY_WOW64_32KEY));
  }
  const Snapshot before = Snap(p.registry, pc::kHKeyLocalMachine, sub);

  SRegScanDetail detail;
  detail.byCategory[1].push_back(WholeKey(path));
  NullObserver observer;
  repair::CRegRepairEng eng(p);
  ASSERT_TRUE(eng.Start(&detail, {}, &observer));
  eng.Resume();
  ASSERT_TRUE(eng.Wait(60000));
  ASSERT_EQ(eng.LastRun().repaired, 1);
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, sub, KEY_WOW64_64KEY));

  repair::CRegRestoreEng restore(p);
  ASSERT_TRUE(restore.Start({eng.LastRun().backupFile}, nullptr));
  restore.Resume();
  ASSERT_TRUE(restore.Wait(60000));
  ASSERT_EQ(restore.LastRun().files.size(), 1u);
  EXPECT_EQ(restore.LastRun().files[0].outcome, repair::RestoreOutcome::kRestored);

  EXPECT_TRUE(RawKeyExists(HKEY_LOCAL_MACHINE, sub + L"\\Inner", KEY_WOW64_64KEY));
  if (wow64) {
    EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, sub, KEY_WOW64_32KEY));
  }
  EXPECT_EQ(DescribeDiff(before, Snap(p.registry, pc::kHKeyLocalMachine, sub)), "");
  RawDeleteKey(HKEY_LOCAL_MACHINE, sub + L"\\Inner", KEY_WOW64_64KEY);
  RawDeleteKey(HKEY_LOCAL_MACHINE, sub, KEY_WOW64_64KEY);
  ClearBackups(p);
}

}  // namespace
