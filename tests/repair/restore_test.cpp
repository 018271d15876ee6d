// The restore run: order by module tag, import, delete only what came back
// whole, progress and stop between files.
#include <gtest/gtest.h>

#include "registry/reg_file_writer.h"
#include "repair_test_support.h"

namespace {

using namespace repair_test;
using repair::CRegRestoreEng;
using repair::RestoreOutcome;

const std::wstring kBase = L"HKEY_CURRENT_USER\\Software\\RestoreTest";

class RecordingRestoreObserver : public repair::IRestoreObserver {
 public:
  std::function<void(size_t index)> onFile;
  void OnRestoreBegin(size_t count) override { events.push_back("begin " + std::to_string(count)); }
  void OnRestoreFile(size_t index, const std::wstring& path) override {
    events.push_back("file " + std::to_string(index) + " " + Narrow(path));
    if (onFile) onFile(index);
  }
  void OnRestoreFileDone(const repair::RestoreFileResult& r) override {
    events.push_back("done " + std::to_string(static_cast<int>(r.outcome)));
  }
  void OnRestoreProgress(int32_t percent) override {
    events.push_back("progress " + std::to_string(percent));
  }
  void OnRestoreEnd(const repair::RestoreSummary&) override { events.push_back("end"); }
  // Written on the restore thread; read after the run has been waited for.
  std::vector<std::string> events;
};

class RestoreTest : public testing::Test {
 protected:
  RestoreTest() {
    AddProgramData(m);
    repair::GetBackupFolder(m.view);
    m.files.AddFolder(L"C:\\Elsewhere");
  }
  // A registration file as the repair engine writes it.
  std::wstring AddBackup(const std::wstring& path, const std::wstring& body) {
    std::wstring text = NSRegKeyEx::kRegFileHeader;
    text += body;
    EXPECT_TRUE(NSRegKeyEx::AppendRegFile(m.view, path, text));
    return path;
  }
  std::wstring ValueBlock(const std::wstring& name, const std::wstring& data) {
    return L"[" + kBase + L"]\n\"" + name + L"\"=\"" + data + L"\"\n\n";
  }
  repair::RestoreSummary Restore(const std::vector<std::wstring>& files) {
    CRegRestoreEng eng(m.view);
    EXPECT_TRUE(eng.Start(files, &observer));
    eng.Resume();
    EXPECT_TRUE(eng.Wait(kPatienceMs));
    return eng.LastRun();
  }
  std::wstring StringAt(const std::wstring& name) {
    auto raw = m.registry.GetRaw(kBase, name);
    return raw ? FileText(raw->bytes) : L"<missing>";
  }

  platform::memory::MemoryPlatform m;
  RecordingRestoreObserver observer;
};

TEST(ModuleTags, PathsGoToTheFirstTagTheyHoldInOrder) {
  EXPECT_STREQ(repair::kModuleTags[1], L"Purvex");
  const std::vector<std::wstring> paths = {
      L"C:\\B\\Ludara\\b.reg",  L"C:\\B\\Purvex\\2.reg", L"C:\\B\\Oskim\\x.reg",
      L"C:\\B\\Purvex\\1.reg",  L"C:\\B\\Vantrel\\v.reg", L"C:\\B\\purvex\\lower.reg",
      L"C:\\Oskim\\Purvex\\both.reg", L"C:\\B\\none.reg"};
  std::vector<std::wstring> untagged;
  EXPECT_EQ(repair::OrderByModuleTag(paths, &untagged),
            (std::vector<std::wstring>{L"C:\\B\\Vantrel\\v.reg", L"C:\\B\\Purvex\\1.reg",
                                       L"C:\\B\\Purvex\\2.reg", L"C:\\Oskim\\Purvex\\both.reg",
                                       L"C:\\B\\Oskim\\x.reg", L"C:\\B\\Ludara\\b.reg"}));
  EXPECT_EQ(untagged,
            (std::vector<std::wstring>{L"C:\\B\\purvex\\lower.reg", L"C:\\B\\none.reg"}));
}

// The older backup is imported first, so the newer one's value stays.
TEST_F(RestoreTest, OlderBackupFirstLaterValueWins) {
  const std::wstring older = AddBackup(std::wstring(kFolder) + L"\\Backup_20120907153012_1.reg",
                                       ValueBlock(L"v", L"old") + ValueBlock(L"onlyOld", L"1"));
  const std::wstring newer = AddBackup(std::wstring(kFolder) + L"\\Backup_20130101000000_1.reg",
                                       ValueBlock(L"v", L"new"));

  const repair::RestoreSummary run = Restore({newer, older});

  EXPECT_EQ(StringAt(L"v"), std::wstring(L"new") + L'\0');
  EXPECT_EQ(StringAt(L"onlyOld"), std::wstring(L"1") + L'\0');
  ASSERT_EQ(run.files.size(), 2u);
  EXPECT_EQ(run.files[0].path, older);
  EXPECT_EQ(run.files[0].outcome, RestoreOutcome::kRestored);
  EXPECT_EQ(run.files[1].outcome, RestoreOutcome::kRestored);
  EXPECT_FALSE(m.files.PathExists(older));
  EXPECT_FALSE(m.files.PathExists(newer));
  EXPECT_TRUE(run.KeptFiles().empty());
  EXPECT_EQ(observer.events.back(), "end");
  EXPECT_EQ(observer.events[observer.events.size() - 2], "progress 100");
}

TEST_F(RestoreTest, PathWithoutATagIsSkippedAndKept) {
  const std::wstring stray = AddBackup(L"C:\\Elsewhere\\Backup_20120907153012_1.reg",
                                       ValueBlock(L"stray", L"x"));

  const repair::RestoreSummary run = Restore({stray});

  EXPECT_EQ(StringAt(L"stray"), L"<missing>");
  EXPECT_TRUE(m.files.PathExists(stray));
  EXPECT_TRUE(run.files.empty());
  EXPECT_EQ(run.KeptFiles(), std::vector<std::wstring>{stray});
  EXPECT_EQ(observer.events, (std::vector<std::string>{"begin 0", "end"}));
}

// A file with a block that cannot be written back stays where it is (and
// is listed again); its other blocks are still written.
TEST_F(RestoreTest, FileWithAFailingBlockIsKept) {
  const std::wstring locked = L"HKEY_CURRENT_USER\\Software\\Locked";
  m.registry.CreateKeyPath(locked);
  m.registry.SetFault(locked, platform::memory::KeyFault{.denyWrite = true});
  const struct {
    const wchar_t* name;
    std::wstring body;
  } cases[] = {
      {L"Backup_20120907153012_2.reg",
       L"[" + locked + L"]\n\"v\"=dword:00000001\n\n" + ValueBlock(L"a", L"1")},
      {L"Backup_20120907153013_2.reg", ValueBlock(L"b", L"2") +
                                           L"[" + kBase + L"]\n\"bad\"=hex(zz):00\n\n"},
      {L"Backup_20120907153014_1.reg", L"[HKLM\\Software\\Short]\n\n" + ValueBlock(L"c", L"3")},
  };
  for (const auto& c : cases) {
    const std::wstring path = AddBackup(std::wstring(kFolder) + L"\\" + c.name, c.body);
    const repair::RestoreSummary run = Restore({path});
    ASSERT_EQ(run.files.size(), 1u) << Narrow(c.name);
    EXPECT_EQ(run.files[0].outcome, RestoreOutcome::kIncomplete) << Narrow(c.name);
    EXPECT_TRUE(m.files.PathExists(path)) << Narrow(c.name);
    EXPECT_EQ(run.KeptFiles(), std::vector<std::wstring>{path});
  }
  EXPECT_EQ(StringAt(L"a"), std::wstring(L"1") + L'\0');
  EXPECT_EQ(StringAt(L"b"), std::wstring(L"2") + L'\0');
  EXPECT_EQ(StringAt(L"c"), std::wstring(L"3") + L'\0');
  repair::CBackupStore store(m.view);
  store.Load();
  EXPECT_EQ(store.Count(), 3u);
}

TEST_F(RestoreTest, UnreadableFilesAreKept) {
  const std::wstring missing = std::wstring(kFolder) + L"\\Backup_20120907153012_1.reg";
  const std::wstring noKey = std::wstring(kFolder) + L"\\Backup_20120907153013_1.reg";
  m.files.AddFile(noKey, {0xFF, 0xFE, 'x', 0});

  const repair::RestoreSummary run = Restore({missing, noKey});

  ASSERT_EQ(run.files.size(), 2u);
  EXPECT_EQ(run.files[0].outcome, RestoreOutcome::kUnreadable);
  EXPECT_EQ(run.files[1].outcome, RestoreOutcome::kUnreadable);
  EXPECT_TRUE(m.files.PathExists(noKey));
  EXPECT_EQ(observer.events[observer.events.size() - 2], "progress 100");
}

// A stop during the second of three files: the second is finished, the
// third stays untouched.
TEST_F(RestoreTest, StopDuringTheSecondOfThreeFiles) {
  std::vector<std::wstring> files;
  for (int i = 0; i < 3; ++i) {
    files.push_back(AddBackup(
        std::wstring(kFolder) + platform::Format(L"\\Backup_2012090715301%d_1.reg", i),
        ValueBlock(platform::Format(L"f%d", i), L"x")));
  }
  CRegRestoreEng eng(m.view);
  observer.onFile = [&](size_t index) {
    if (index == 1) eng.Stop();
  };
  ASSERT_TRUE(eng.Start(files, &observer));
  eng.Resume();
  ASSERT_TRUE(eng.Wait(kPatienceMs));
  const repair::RestoreSummary run = eng.LastRun();

  EXPECT_TRUE(run.stopped);
  EXPECT_EQ(run.files.size(), 2u);
  EXPECT_EQ(run.notReached, std::vector<std::wstring>{files[2]});
  EXPECT_FALSE(m.files.PathExists(files[1]));
  EXPECT_TRUE(m.files.PathExists(files[2]));
  EXPECT_EQ(StringAt(L"f1"), std::wstring(L"x") + L'\0');
  EXPECT_EQ(StringAt(L"f2"), L"<missing>");
  EXPECT_EQ(observer.events,
            (std::vector<std::string>{
                "begin 3", "file 0 " + Narrow(files[0]), "done 0", "progress 33",
                "file 1 " + Narrow(files[1]), "done 0", "progress 66", "end"}));
}

TEST_F(RestoreTest, NeverResumedRestoresNothing) {
  const std::wstring path = AddBackup(std::wstring(kFolder) + L"\\Backup_20120907153012_1.reg",
                                      ValueBlock(L"v", L"x"));
  {
    CRegRestoreEng eng(m.view);
    ASSERT_TRUE(eng.Start({path}, &observer));
  }
  EXPECT_TRUE(observer.events.empty());
  EXPECT_TRUE(m.files.PathExists(path));
}

}  // namespace
