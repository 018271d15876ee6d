// What a run does with the hives: saves, replacements, backups moved aside,
// the counts it reports and the temporary files it leaves (none).
#include <gtest/gtest.h>

#include "optimizer_test_support.h"
#include "platform/win32_constants.h"
#include "registry/reg_key_ex.h"
#include "support/observing_registry.h"

namespace {

using namespace optimizer_test;
using test_support::ObservingRegistry;
using platform::memory::ReplaceRecord;
using platform::memory::SaveRecord;

const std::wstring kConfig = L"C:\\Windows\\system32\\config";
const std::wstring kSoftware = kConfig + L"\\SOFTWARE";

bool operator==(const SaveRecord& a, const SaveRecord& b) {
  return a.keyPath == b.keyPath && a.file == b.file;
}
bool operator==(const ReplaceRecord& a, const ReplaceRecord& b) {
  return a.keyPath == b.keyPath && a.newFile == b.newFile && a.oldFile == b.oldFile;
}

std::vector<uint8_t> Bytes(const std::wstring& text) { return platform::ToUtf16Bytes(text, false); }

class OptimizeRunTest : public OptimizerFixture {};

TEST_F(OptimizeRunTest, TheSoftwareHiveIsSavedReplacedAndItsTempFileRemoved) {
  mp.system.SetDosDevice(L"C:", L"\\Device\\HarddiskVolume1");
  AddHive(L"\\REGISTRY\\MACHINE\\SOFTWARE", L"HKEY_LOCAL_MACHINE\\SOFTWARE",
          L"\\Device\\HarddiskVolume1\\WINDOWS\\system32\\config\\software",
          L"C:\\WINDOWS\\system32\\config\\software");
  RunToEnd();

  const std::wstring hive = L"C:\\WINDOWS\\system32\\config\\software";
  ASSERT_EQ(mp.registry.Saves().size(), 1u);
  EXPECT_TRUE(mp.registry.Saves()[0] == (SaveRecord{L"HKEY_LOCAL_MACHINE\\SOFTWARE", hive + L".tmp"}));
  ASSERT_EQ(mp.registry.Replaces().size(), 1u);
  EXPECT_TRUE(mp.registry.Replaces()[0] ==
              (ReplaceRecord{L"HKEY_LOCAL_MACHINE\\SOFTWARE", hive + L".tmp", hive + L".bak"}));
  EXPECT_FALSE(mp.files.PathExists(hive + L".tmp"));
  EXPECT_TRUE(mp.files.PathExists(hive + L".bak"));
  const OptimizeCounts counts = sink.Counts();
  EXPECT_EQ(counts.listed, 1u);
  EXPECT_EQ(counts.replaced, 1u);
  EXPECT_EQ(sink.Stop(), 0);
  ExpectWellFormedRun(sink);
}

TEST_F(OptimizeRunTest, UserHivesMapToHkeyUsers) {
  AddHive(L"\\REGISTRY\\USER\\S-1-5-18", L"HKEY_USERS\\S-1-5-18",
          L"\\Device\\HarddiskVolume2\\Windows\\system32\\config\\systemprofile\\NTUSER.DAT",
          L"C:\\Windows\\system32\\config\\systemprofile\\NTUSER.DAT");
  AddHive(L"\\REGISTRY\\USER\\S-1-5-21-42_Classes", L"HKEY_USERS\\S-1-5-21-42_Classes",
          L"\\Device\\HarddiskVolume2\\Users\\Ann\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat",
          L"C:\\Users\\Ann\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat");
  RunToEnd();

  ASSERT_EQ(mp.registry.Saves().size(), 2u);
  EXPECT_EQ(mp.registry.Saves()[0].keyPath, L"HKEY_USERS\\S-1-5-18");
  EXPECT_EQ(mp.registry.Saves()[0].file,
            L"C:\\Windows\\system32\\config\\systemprofile\\NTUSER.DAT.tmp");
  EXPECT_EQ(mp.registry.Saves()[1].keyPath, L"HKEY_USERS\\S-1-5-21-42_Classes");
  ASSERT_EQ(mp.registry.Replaces().size(), 2u);
  EXPECT_EQ(mp.registry.Replaces()[1].oldFile,
            L"C:\\Users\\Ann\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat.bak");
  EXPECT_EQ(sink.Counts().replaced, 2u);
  ExpectNoTempFiles(L"C:\\Windows\\system32\\config\\systemprofile");
  ExpectNoTempFiles(L"C:\\Users\\Ann\\AppData\\Local\\Microsoft\\Windows");
}

TEST_F(OptimizeRunTest, HivesWithoutAFileOrAReadableValueAreSkippedWithoutASave) {
  AddHive(L"\\REGISTRY\\MACHINE\\HARDWARE", L"HKEY_LOCAL_MACHINE\\HARDWARE", L"");
  mp.registry.SetDword(optimizer::kHiveListPath, L"\\REGISTRY\\MACHINE\\ODD", 7);
  AddSoftwareHive();
  RunToEnd();

  ASSERT_EQ(mp.registry.Saves().size(), 1u);
  EXPECT_EQ(mp.registry.Saves()[0].keyPath, L"HKEY_LOCAL_MACHINE\\SOFTWARE");
  const OptimizeCounts counts = sink.Counts();
  EXPECT_EQ(counts.listed, 3u);
  EXPECT_EQ(counts.skipped, 2u);
  EXPECT_EQ(counts.replaced, 1u);
  EXPECT_EQ(counts.failed, 0u);
}

// The Windows 7 layout: the boot configuration sits on the system-reserved
// volume 1, which has no drive letter; the rest is on C:, volume 2.
TEST_F(OptimizeRunTest, HivesOnADeviceWithoutADriveAreSkipped) {
  AddHive(L"\\REGISTRY\\MACHINE\\BCD00000000", L"HKEY_LOCAL_MACHINE\\BCD00000000",
          L"\\Device\\HarddiskVolume1\\Boot\\BCD");
  AddHive(L"\\REGISTRY\\MACHINE\\SYSTEM", L"HKEY_LOCAL_MACHINE\\SYSTEM",
          L"\\Device\\HarddiskVolume2\\Windows\\system32\\config\\SYSTEM", kConfig + L"\\SYSTEM");
  RunToEnd();

  ASSERT_EQ(mp.registry.Saves().size(), 1u);
  EXPECT_EQ(mp.registry.Saves()[0].file, kConfig + L"\\SYSTEM.tmp");
  EXPECT_EQ(sink.Counts().skipped, 1u);
  EXPECT_EQ(sink.Counts().replaced, 1u);
  ExpectNoTempFiles(kConfig);
}

TEST_F(OptimizeRunTest, ASecondRunMovesTheFirstBackupAside) {
  AddSoftwareHive();
  RunToEnd();
  ASSERT_EQ(sink.Counts().replaced, 1u);
  const auto firstBackup = mp.files.Contents(kSoftware + L".bak");
  ASSERT_TRUE(firstBackup.has_value());

  RecordingSink second;
  engine.observer = &second;
  RunToEnd();
  EXPECT_EQ(second.Counts().replaced, 1u);
  EXPECT_EQ(second.Counts().failed, 0u);
  ASSERT_EQ(mp.registry.Replaces().size(), 2u);
  EXPECT_EQ(mp.registry.Replaces()[1].oldFile, kSoftware + L".bak");
  EXPECT_EQ(mp.files.Contents(kSoftware + L".bak1"), firstBackup);
  EXPECT_TRUE(mp.files.PathExists(kSoftware + L".bak"));
  ExpectNoTempFiles(kConfig);
}

TEST_F(OptimizeRunTest, OlderBackupsStayUnderTheirNumbers) {
  AddSoftwareHive();
  mp.files.AddFile(kSoftware + L".bak", Bytes(L"from run 3"));
  mp.files.AddFile(kSoftware + L".bak1", Bytes(L"from run 1"));
  mp.files.AddFile(kSoftware + L".bak2", Bytes(L"from run 2"));
  RunToEnd();

  EXPECT_EQ(sink.Counts().replaced, 1u);
  EXPECT_EQ(mp.files.Contents(kSoftware + L".bak1"), Bytes(L"from run 1"));
  EXPECT_EQ(mp.files.Contents(kSoftware + L".bak2"), Bytes(L"from run 2"));
  EXPECT_EQ(mp.files.Contents(kSoftware + L".bak3"), Bytes(L"from run 3"));
  EXPECT_TRUE(mp.files.PathExists(kSoftware + L".bak"));
}

TEST_F(OptimizeRunTest, ABackupThatCannotBeMovedFailsTheHiveWithoutAReplacement) {
  AddSoftwareHive();
  mp.files.AddFile(kSoftware + L".bak", Bytes(L"old"));
  mp.files.FailWritesTo(kSoftware + L".bak1");
  RunToEnd();

  EXPECT_EQ(mp.registry.Saves().size(), 1u);
  EXPECT_TRUE(mp.registry.Replaces().empty());
  EXPECT_EQ(mp.files.Contents(kSoftware + L".bak"), Bytes(L"old"));
  EXPECT_EQ(sink.Counts().failed, 1u);
  EXPECT_EQ(sink.Counts().replaced, 0u);
  ExpectNoTempFiles(kConfig);
}

TEST_F(OptimizeRunTest, CountsTellSavedSkippedAndFailedHivesApart) {
  AddSoftwareHive();
  AddHive(L"\\REGISTRY\\MACHINE\\HARDWARE", L"", L"");
  AddHive(L"\\REGISTRY\\MACHINE\\BCD00000000", L"", L"\\Device\\HarddiskVolume1\\Boot\\BCD");
  // Listed, but the key is gone: the save cannot open it.
  AddHive(L"\\REGISTRY\\MACHINE\\GONE", L"", L"\\Device\\HarddiskVolume2\\gone", L"C:\\gone");
  // The save cannot write its file.
  AddHive(L"\\REGISTRY\\MACHINE\\SAM", L"HKEY_LOCAL_MACHINE\\SAM",
          L"\\Device\\HarddiskVolume2\\Windows\\system32\\config\\SAM", kConfig + L"\\SAM");
  mp.files.FailWritesTo(kConfig + L"\\SAM.tmp");
  RunToEnd();

  const OptimizeCounts counts = sink.Counts();
  EXPECT_EQ(counts.listed, 5u);
  EXPECT_EQ(counts.replaced, 1u);
  EXPECT_EQ(counts.skipped, 2u);
  EXPECT_EQ(counts.failed, 2u);
  EXPECT_EQ(counts.NotReached(), 0u);
  EXPECT_EQ(sink.Stop(), 0);
  ExpectNoTempFiles(kConfig);
  ExpectNoTempFiles(L"C:");
  ExpectWellFormedRun(sink);
}

TEST_F(OptimizeRunTest, AFailedReplacementIsCountedAndItsTempFileRemoved) {
  AddSoftwareHive();
  // Backup privilege only: the save works, the replacement is refused.
  ASSERT_EQ(mp.registry.EnablePrivilege(L"SeBackupPrivilege"), platform::PrivilegeResult::kEnabled);
  EXPECT_EQ(CRegOptimizeEng::RunThread(&engine), 1u);

  EXPECT_EQ(mp.registry.Saves().size(), 1u);
  EXPECT_TRUE(mp.registry.Replaces().empty());
  EXPECT_EQ(sink.Counts().failed, 1u);
  EXPECT_EQ(sink.Counts().replaced, 0u);
  EXPECT_FALSE(mp.files.PathExists(kSoftware + L".bak"));
  ExpectNoTempFiles(kConfig);
  ExpectWellFormedRun(sink);
}

TEST_F(OptimizeRunTest, ATempFileLeftByAnInterruptedRunDoesNotBlockTheSave) {
  AddSoftwareHive();
  mp.files.AddFile(kSoftware + L".tmp", Bytes(L"half written"));
  RunToEnd();
  EXPECT_EQ(sink.Counts().replaced, 1u);
  ExpectNoTempFiles(kConfig);
}

TEST_F(OptimizeRunTest, WithoutAHiveListTheRunStillCompletes) {
  mp.registry.RemoveKeyTree(optimizer::kHiveListPath);
  RunToEnd();
  EXPECT_TRUE(mp.registry.Saves().empty());
  EXPECT_EQ(sink.Counts().listed, 0u);
  ExpectWellFormedRun(sink);
}

TEST_F(OptimizeRunTest, TheHiveListIsClosedAfterTheRun) {
  AddSoftwareHive();
  RunToEnd();
  EXPECT_EQ(mp.registry.OpenHandleCount(), 0u);
}

TEST_F(OptimizeRunTest, StartNeedsThePrivileges) {
  AddSoftwareHive();
  mp.registry.SetTokenFails(true);
  EXPECT_FALSE(engine.Start());
  EXPECT_TRUE(engine.Wait(1000));
  EXPECT_TRUE(mp.registry.Saves().empty());
  EXPECT_EQ(sink.Completions(), 0);
}

TEST_F(OptimizeRunTest, StartEnablesBackupAndRestore) {
  RunToEnd();
  EXPECT_TRUE(mp.registry.PrivilegeEnabled(L"SeBackupPrivilege"));
  EXPECT_TRUE(mp.registry.PrivilegeEnabled(L"SeRestorePrivilege"));
}

TEST_F(OptimizeRunTest, ANullEngineRunsNothing) {
  EXPECT_EQ(CRegOptimizeEng::RunThread(nullptr), 0u);
}

TEST_F(OptimizeRunTest, ARunWithoutAnObserverStillProcessesTheHives) {
  AddSoftwareHive();
  engine.observer = nullptr;
  RunToEnd();
  EXPECT_EQ(engine.LastCounts().replaced, 1u);
  ExpectNoTempFiles(kConfig);
}


// Under WOW64 a 32-bit process would save to SysWOW64\config and replace a
// hive that is not there; the hive work sees the native file system.
TEST_F(OptimizeRunTest, SavesAndReplacementsSeeTheNativeFileSystem) {
  AddSoftwareHive();
  ObservingRegistry observing(mp.registry);
  std::vector<bool> native;
  observing.afterSave = [&](const std::wstring&, int32_t) {
    native.push_back(mp.files.RedirectionDisabledOnThisThread());
  };
  observing.afterReplace = [&](const std::wstring&, const std::wstring&, int32_t) {
    native.push_back(mp.files.RedirectionDisabledOnThisThread());
  };
  platform::Platform view{observing, mp.files, mp.environment, mp.system};
  CRegOptimizeEng wow64Engine(view);
  ASSERT_TRUE(wow64Engine.Start());
  ASSERT_TRUE(wow64Engine.Wait(60000));
  EXPECT_EQ(native, (std::vector<bool>{true, true}));
  EXPECT_FALSE(mp.files.RedirectionDisabledOnThisThread());
}

}  // namespace
