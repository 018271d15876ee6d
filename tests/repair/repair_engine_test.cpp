// The repair engine over the memory platform: the order of its reports,
// the backup file it keeps on disk as it goes, and what it refuses to delete.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "registry/reg_file_reader.h"
#include "registry/reg_file_writer.h"
#include "repair_test_support.h"

namespace {

using namespace repair_test;
using repair::CRegRepairEng;

const std::wstring kBase = L"HKEY_CURRENT_USER\\Software\\RepairTest";
const std::wstring kHeader = L"\xFEFFWindows Registry Editor Version 5.00\n";

std::wstring FinalName(int attempts) { return repair::BackupFileName(kStamp, attempts); }

class RepairEngineTest : public RepairFixture {};

// Percents over categories of 4 and 5 records, each reported once, and a
// run with nothing checked leaves no backup file.
TEST_F(RepairEngineTest, PercentSequenceOverTwoCategoriesAndNoFileWithoutChecks) {
  {
    // Leaves the process-wide last percent at 100, so the sequence below
    // starts from a known value whatever ran before.
    SRegScanDetail one;
    one.byCategory[0].push_back(Value(kBase, L"x"));
    one.byCategory[0][0].checked = false;
    Repair(one);
  }
  RecordingObserver fresh;
  SRegScanDetail detail;
  for (int i = 0; i < 4; ++i) detail.byCategory[3].push_back(Value(kBase, L"a"));
  for (int i = 0; i < 5; ++i) detail.byCategory[7].push_back(Value(kBase, L"b"));
  for (auto& [id, list] : detail.byCategory)
    for (auto& item : list) item.checked = false;
  m.registry.SetDword(kBase, L"a", 1);
  const uint64_t sleptBefore = m.system.SleptMilliseconds();

  CRegRepairEng eng(m.view);
  ASSERT_TRUE(eng.Start(&detail, {}, &fresh));
  eng.Resume();
  ASSERT_TRUE(eng.Wait(kPatienceMs));

  const std::vector<std::string> want = {
      "begin",       "cat+ 3",      "progress 12", "progress 25", "progress 37",
      "progress 50", "cat- 3",      "cat+ 7",      "progress 60", "progress 70",
      "progress 80", "progress 90", "progress 100", "cat- 7",     "end"};
  EXPECT_EQ(fresh.Events(), want);
  EXPECT_EQ(m.system.SleptMilliseconds() - sleptBefore, 9u * 100u);
  EXPECT_EQ(eng.LastRun().attempts, 0);
  EXPECT_TRUE(eng.LastRun().backupFile.empty());
  EXPECT_TRUE(Backups().empty());
  EXPECT_TRUE(m.registry.GetRaw(kBase, L"a").has_value());
}

TEST_F(RepairEngineTest, OneValueGivesHeaderKeyLineValueLineAndBlankLine) {
  m.registry.SetDword(kBase, L"Run", 1);
  m.registry.SetDword(kBase, L"Stay", 2);
  SRegScanDetail detail;
  detail.byCategory[4].push_back(Value(kBase, L"Run"));

  const repair::RepairSummary run = Repair(detail);

  EXPECT_EQ(run.attempts, 1);
  EXPECT_EQ(run.repaired, 1);
  EXPECT_EQ(run.backupFile, std::wstring(kFolder) + L"\\" + FinalName(1));
  EXPECT_EQ(Backups(), std::vector<std::wstring>{L"Backup_20120907153012_1.reg"});
  EXPECT_EQ(BackupText(FinalName(1)),
            kHeader + L"[" + kBase + L"]\n\"Run\"=dword:00000001\n\n\n");
  EXPECT_FALSE(m.registry.GetRaw(kBase, L"Run").has_value());
  EXPECT_TRUE(m.registry.GetRaw(kBase, L"Stay").has_value());
  EXPECT_EQ(observer.Matching("ok "), std::vector<std::string>{"ok 4 1 " + Narrow(kBase)});
}

// With exactly ten "*.reg" files the first in ordinal order goes before the
// run's own file is added; with eleven none goes.
TEST_F(RepairEngineTest, TenFileRule) {
  struct Case {
    int existing;
    size_t remaining;
    bool firstDeleted;
  };
  for (const Case c : {Case{9, 10, false}, Case{10, 10, true}, Case{11, 12, false}}) {
    platform::memory::MemoryPlatform local;
    local.system.SetNow(kClock);
    AddProgramData(local);
    for (int i = 0; i < c.existing; ++i) {
      // "A..." sorts first; lower case sorts after upper case ordinally.
      const std::wstring name = i == 0 ? L"A_first.reg" : platform::Format(L"b_%02d.reg", i);
      local.files.AddFile(std::wstring(kFolder) + L"\\" + name, {0xFF, 0xFE});
    }
    local.files.AddFile(std::wstring(kFolder) + L"\\notes.txt");
    local.registry.SetDword(kBase, L"v", 1);
    SRegScanDetail detail;
    detail.byCategory[0].push_back(Value(kBase, L"v"));

    RepairOn(local.view, detail);

    const std::vector<std::wstring> names = repair::ListRegFiles(local.files, kFolder);
    EXPECT_EQ(names.size(), c.remaining) << c.existing << " files before";
    EXPECT_EQ(local.files.PathExists(std::wstring(kFolder) + L"\\A_first.reg"), !c.firstDeleted)
        << c.existing << " files before";
    EXPECT_TRUE(local.files.PathExists(std::wstring(kFolder) + L"\\" + FinalName(1)));
  }
}

// A value that is already gone: its export fails, nothing is deleted, the
// attempt still counts in the file name.
TEST_F(RepairEngineTest, VanishedValueFailsAndStillCounts) {
  m.registry.CreateKeyPath(kBase);
  SRegScanDetail detail;
  detail.byCategory[11].push_back(Value(kBase, L"gone"));

  const repair::RepairSummary run = Repair(detail);

  EXPECT_EQ(observer.Matching("fail "), std::vector<std::string>{"fail 11 1 " + Narrow(kBase)});
  EXPECT_TRUE(observer.Matching("ok ").empty());
  EXPECT_EQ(run.exportFailed, 1);
  EXPECT_EQ(BackupText(FinalName(1)), kHeader + L"\n");
}

TEST_F(RepairEngineTest, SubtreeRemovedAndBackedUpInPreOrder) {
  const std::wstring k = kBase + L"\\Tree";
  m.registry.SetString(k, L"", L"top");
  m.registry.SetDword(k + L"\\A", L"n", 7);
  m.registry.SetString(k + L"\\A\\Deep", L"s", L"x");
  m.registry.CreateKeyPath(k + L"\\B");
  m.registry.SetDword(kBase, L"sibling", 3);
  SRegScanDetail detail;
  detail.byCategory[1].push_back(WholeKey(k));

  Repair(detail);

  EXPECT_FALSE(m.registry.HasKey(k));
  EXPECT_TRUE(m.registry.GetRaw(kBase, L"sibling").has_value());
  EXPECT_EQ(BackupText(FinalName(1)),
            kHeader + L"[" + k + L"]\n@=\"top\"\n\n" +          //
                L"[" + k + L"\\A]\n\"n\"=dword:00000007\n\n" +  //
                L"[" + k + L"\\A\\Deep]\n\"s\"=\"x\"\n\n" +     //
                L"[" + k + L"\\B]\n\n\n");
}

TEST_F(RepairEngineTest, StopInSecondCategoryEndsThatCategoryAndTheRun) {
  SRegScanDetail detail;
  for (int c : {2, 5, 9}) {
    for (int i = 0; i < 3; ++i) {
      const std::wstring name = platform::Format(L"c%d_%d", c, i);
      m.registry.SetDword(kBase, name, 1);
      detail.byCategory[c].push_back(Value(kBase, name));
    }
  }
  CRegRepairEng eng(m.view);
  observer.hook = [&](const std::string& e) {
    if (e == "ok 5 1 " + Narrow(kBase)) eng.Stop();
  };
  ASSERT_TRUE(eng.Start(&detail, {}, &observer));
  eng.Resume();
  ASSERT_TRUE(eng.Wait(kPatienceMs));

  const std::vector<std::string> events = observer.Events();
  EXPECT_EQ(observer.Matching("cat"),
            (std::vector<std::string>{"cat+ 2", "cat- 2", "cat+ 5", "cat- 5"}));
  EXPECT_EQ(events.back(), "end");
  EXPECT_EQ(events[events.size() - 2], "cat- 5");
  EXPECT_EQ(observer.Matching("ok ").size(), 4u);
  EXPECT_TRUE(eng.LastRun().stopped);
  EXPECT_EQ(eng.LastRun().backupFile, std::wstring(kFolder) + L"\\" + FinalName(4));
  EXPECT_TRUE(m.registry.GetRaw(kBase, L"c5_1").has_value());
  EXPECT_TRUE(m.registry.GetRaw(kBase, L"c9_0").has_value());
}

TEST_F(RepairEngineTest, UncheckedAndSkippedRecordsAreLeftAlone) {
  m.registry.SetDword(kBase, L"a", 1);
  m.registry.SetDword(kBase, L"b", 2);
  m.registry.SetDword(kBase + L"\\K", L"c", 3);
  m.registry.SetDword(kBase, L"d", 4);
  SRegScanDetail detail;
  detail.byCategory[0] = {Value(kBase, L"a"), Value(kBase, L"b"), WholeKey(kBase + L"\\K"),
                          Value(kBase, L"d")};
  detail.byCategory[0][0].checked = false;
  const std::wstring upper = platform::Upcase(kBase);

  const repair::RepairSummary run = Repair(detail, {upper + L"\\B", upper + L"\\k"});

  EXPECT_EQ(run.attempts, 1);
  EXPECT_TRUE(m.registry.GetRaw(kBase, L"a").has_value());
  EXPECT_TRUE(m.registry.GetRaw(kBase, L"b").has_value());
  EXPECT_TRUE(m.registry.HasKey(kBase + L"\\K"));
  EXPECT_FALSE(m.registry.GetRaw(kBase, L"d").has_value());
}

// Nothing is deleted without a complete backup of it: data that the backup
// text cannot carry keeps the record in place, though its deletion alone
// would succeed.
TEST_F(RepairEngineTest, IncompleteExportMeansNoDeletion) {
  const std::wstring tree = kBase + L"\\Tree";
  m.registry.SetDword(tree, L"v", 1);
  m.registry.CreateKeyPath(tree + L"\\bad\nname");
  const std::wstring oddKey = kBase + L"\\odd\nkey";
  m.registry.SetDword(oddKey, L"w", 2);
  m.registry.SetDword(kBase, L"fine", 3);
  SRegScanDetail detail;
  detail.byCategory[1] = {WholeKey(tree), Value(oddKey, L"w"), Value(kBase, L"fine")};

  const repair::RepairSummary run = Repair(detail);

  EXPECT_TRUE(m.registry.HasKey(tree + L"\\bad\nname"));
  EXPECT_TRUE(m.registry.GetRaw(tree, L"v").has_value());
  EXPECT_TRUE(m.registry.GetRaw(oddKey, L"w").has_value());
  EXPECT_FALSE(m.registry.GetRaw(kBase, L"fine").has_value());
  EXPECT_EQ(observer.Matching("fail ").size(), 2u);
  EXPECT_EQ(run.exportFailed, 2);
  EXPECT_EQ(run.repaired, 1);
  EXPECT_EQ(BackupText(FinalName(3)),
            kHeader + L"[" + kBase + L"]\n\"fine\"=dword:00000003\n\n\n");
}

TEST_F(RepairEngineTest, BackupFileThatCannotBeWrittenMeansNothingDeleted) {
  m.registry.SetDword(kBase, L"a", 1);
  m.registry.SetDword(kBase + L"\\K", L"b", 2);
  m.files.FailWritesTo(std::wstring(kFolder) + L"\\" + FinalName(0));
  SRegScanDetail detail;
  detail.byCategory[0] = {Value(kBase, L"a"), WholeKey(kBase + L"\\K")};

  const repair::RepairSummary run = Repair(detail);

  EXPECT_TRUE(m.registry.GetRaw(kBase, L"a").has_value());
  EXPECT_TRUE(m.registry.GetRaw(kBase + L"\\K", L"b").has_value());
  EXPECT_EQ(observer.Matching("fail ").size(), 2u);
  EXPECT_EQ(run.backupFailed, 2);
  EXPECT_TRUE(run.backupFile.empty());
  EXPECT_TRUE(Backups().empty());
}

// Writes that start failing in the middle of a run stop the deletions from
// there on; what was deleted before is in the file.
TEST_F(RepairEngineTest, WriteFailureMidRunStopsTheDeletions) {
  for (const wchar_t* name : {L"a", L"b", L"c"}) m.registry.SetDword(kBase, name, 1);
  SRegScanDetail detail;
  detail.byCategory[0] = {Value(kBase, L"a"), Value(kBase, L"b"), Value(kBase, L"c")};
  observer.hook = [&](const std::string& e) {
    if (e.rfind("ok ", 0) == 0) m.files.FailWritesTo(kFolder);
  };

  const repair::RepairSummary run = Repair(detail);

  EXPECT_FALSE(m.registry.GetRaw(kBase, L"a").has_value());
  EXPECT_TRUE(m.registry.GetRaw(kBase, L"b").has_value());
  EXPECT_TRUE(m.registry.GetRaw(kBase, L"c").has_value());
  EXPECT_EQ(run.backupFailed, 2);
  ASSERT_EQ(Backups().size(), 1u);
  EXPECT_EQ(BackupText(Backups()[0]), kHeader + L"[" + kBase + L"]\n\"a\"=dword:00000001\n\n");
}

// At each deletion the file "Backup_<stamp>_0.reg" already holds the header
// and the text of every record deleted so far, this one included; at the
// end it carries the attempt count in its name. Nothing written is left
// unflushed when a deletion begins.
TEST_F(RepairEngineTest, BackupIsOnDiskBeforeEachDeletionAndRenamedAtTheEnd) {
  ObservingRegistry watched(m.registry);
  FlushTrackingFiles files(m.files);
  platform::Platform p{watched, files, m.environment, m.system};
  const std::wstring zero = std::wstring(kFolder) + L"\\" + FinalName(0);
  std::vector<std::wstring> seen;
  std::vector<size_t> unflushedAtDelete;
  watched.beforeDelete = [&] {
    auto bytes = m.files.Contents(zero);
    seen.push_back(bytes ? FileText(*bytes) : L"<missing>");
    unflushedAtDelete.push_back(files.Unflushed());
  };
  m.registry.SetDword(kBase, L"a", 1);
  m.registry.SetString(kBase + L"\\K", L"s", L"t");
  m.registry.CreateKeyPath(kBase + L"\\K\\Sub");
  SRegScanDetail detail;
  detail.byCategory[0] = {Value(kBase, L"a")};
  detail.byCategory[1] = {Value(kBase, L"missing"), WholeKey(kBase + L"\\K")};

  const repair::RepairSummary run = RepairOn(p, detail);

  const std::wstring first = kHeader + L"[" + kBase + L"]\n\"a\"=dword:00000001\n\n";
  const std::wstring second =
      first + L"[" + kBase + L"\\K]\n\"s\"=\"t\"\n\n[" + kBase + L"\\K\\Sub]\n\n";
  // One deletion for the value, two for the subtree (deepest key first).
  EXPECT_EQ(seen, (std::vector<std::wstring>{first, second, second}));
  EXPECT_EQ(unflushedAtDelete, (std::vector<size_t>{0, 0, 0}));
  EXPECT_FALSE(m.files.PathExists(zero));
  EXPECT_EQ(run.backupFile, std::wstring(kFolder) + L"\\" + FinalName(3));
  EXPECT_EQ(BackupText(FinalName(3)), second + L"\n");
}

// A record whose deletion fails after its text was written stays in the
// backup; restoring it writes back the same data.
TEST_F(RepairEngineTest, FailedDeletionStaysInTheBackup) {
  m.registry.SetDword(kBase, L"locked", 9);
  m.registry.SetFault(kBase, platform::memory::KeyFault{.denyWrite = true});
  SRegScanDetail detail;
  detail.byCategory[0] = {Value(kBase, L"locked")};

  const repair::RepairSummary run = Repair(detail);

  EXPECT_EQ(run.deleteFailed, 1);
  EXPECT_EQ(observer.Matching("fail ").size(), 1u);
  EXPECT_EQ(BackupText(FinalName(1)),
            kHeader + L"[" + kBase + L"]\n\"locked\"=dword:00000009\n\n\n");
}

TEST_F(RepairEngineTest, StartRefusesNullProblems) {
  CRegRepairEng eng(m.view);
  EXPECT_FALSE(eng.Start(nullptr, {}, &observer));
  EXPECT_EQ(eng.Thread(), nullptr);
}

// Leaving the program during a run: the stop is seen after the current
// record, the backup is finished and the wait returns.
TEST_F(RepairEngineTest, ShutdownDuringARunFinishesTheCurrentRecordAndTheBackup) {
  for (const wchar_t* name : {L"a", L"b", L"c"}) m.registry.SetDword(kBase, name, 1);
  SRegScanDetail detail;
  detail.byCategory[0] = {Value(kBase, L"a"), Value(kBase, L"b"), Value(kBase, L"c")};
  std::mutex mutex;
  std::condition_variable changed;
  bool inRecord = false, release = false;
  observer.hook = [&](const std::string& e) {
    if (e.rfind("ok ", 0) != 0) return;
    std::unique_lock<std::mutex> lock(mutex);
    inRecord = true;
    changed.notify_all();
    changed.wait_for(lock, std::chrono::milliseconds(kPatienceMs), [&] { return release; });
  };
  auto eng = std::make_unique<CRegRepairEng>(m.view);
  ASSERT_TRUE(eng->Start(&detail, {}, &observer));
  eng->Resume();
  {
    std::unique_lock<std::mutex> lock(mutex);
    ASSERT_TRUE(changed.wait_for(lock, std::chrono::milliseconds(kPatienceMs),
                                 [&] { return inRecord; }));
  }
  eng->Stop();
  {
    std::lock_guard<std::mutex> lock(mutex);
    release = true;
  }
  changed.notify_all();
  EXPECT_TRUE(eng->Shutdown(kPatienceMs));
  EXPECT_EQ(eng->LastRun().repaired, 1);
  eng.reset();

  EXPECT_EQ(observer.Events().back(), "end");
  EXPECT_TRUE(m.registry.GetRaw(kBase, L"b").has_value());
  EXPECT_EQ(Backups(), std::vector<std::wstring>{FinalName(1)});
}

TEST_F(RepairEngineTest, EngineNeverResumedRunsNothing) {
  m.registry.SetDword(kBase, L"a", 1);
  SRegScanDetail detail;
  detail.byCategory[0] = {Value(kBase, L"a")};
  {
    CRegRepairEng eng(m.view);
    ASSERT_TRUE(eng.Start(&detail, {}, &observer));
  }
  EXPECT_TRUE(observer.Events().empty());
  EXPECT_TRUE(m.registry.GetRaw(kBase, L"a").has_value());
}

// Without a common application data folder there is nowhere to back up
// to, so nothing is deleted.
TEST_F(RepairEngineTest, NoBackupFolderMeansNothingDeleted) {
  m.environment.SetSpecialFolder(platform::kCsidlCommonAppData, L"");
  m.registry.SetDword(kBase, L"a", 1);
  SRegScanDetail detail;
  detail.byCategory[0] = {Value(kBase, L"a")};

  const repair::RepairSummary run = Repair(detail);

  EXPECT_TRUE(m.registry.GetRaw(kBase, L"a").has_value());
  EXPECT_EQ(run.backupFailed, 1);
}

// Repair and restore: the backup of a run brings every record back.
TEST_F(RepairEngineTest, RestoringTheBackupBringsTheRegistryBack) {
  m.registry.SetRaw(kBase, L"bin", platform::kRegBinary, std::vector<uint8_t>(40, 0xAB));
  m.registry.SetRaw(kBase, L"multi", platform::kRegMultiSz, {'a', 0, 0, 0, 0, 0});
  m.registry.SetRaw(kBase, L"empty", platform::kRegBinary, {});
  m.registry.SetString(kBase, L"quote \"and\\ slash", L"C:\\x \"y\"");
  m.registry.SetRaw(kBase + L"\\Tree\\Sub", L"q", platform::kRegQword, {1, 2, 3, 4, 5, 6, 7, 8});
  m.registry.SetString(kBase + L"\\Tree", L"", L"exp", platform::kRegExpandSz);
  const Snapshot before = Snap(m.registry, platform::kHKeyCurrentUser, L"Software\\RepairTest");
  SRegScanDetail detail;
  detail.byCategory[0] = {Value(kBase, L"bin"), Value(kBase, L"multi"), Value(kBase, L"empty"),
                          Value(kBase, L"quote \"and\\ slash")};
  detail.byCategory[16] = {WholeKey(kBase + L"\\Tree")};

  const repair::RepairSummary run = Repair(detail);
  ASSERT_EQ(run.repaired, 5);
  EXPECT_EQ(Snap(m.registry, platform::kHKeyCurrentUser, L"Software\\RepairTest").size(), 1u);

  NSRegKeyEx::RegFileImporter importer(m.view);
  ASSERT_TRUE(importer.ImportFile(run.backupFile));
  EXPECT_TRUE(importer.LastReport().Complete());
  EXPECT_EQ(DescribeDiff(before,
                         Snap(m.registry, platform::kHKeyCurrentUser, L"Software\\RepairTest")),
            "");
}

}  // namespace
