// The backup folder, the names and row texts of its files, the page's list
// and the deletion of selected rows.
#include <gtest/gtest.h>

#include "repair_test_support.h"

namespace {

using namespace repair_test;
using repair::CBackupStore;

std::wstring InFolder(const std::wstring& name) { return std::wstring(kFolder) + L"\\" + name; }

TEST(BackupNames, RowTextOfAName) {
  struct Case {
    const wchar_t* name;
    const wchar_t* row;  // null: no row
  };
  const Case cases[] = {
      {L"Backup_20120907153012_4.reg", L"2012-09-07 15:30:12"},
      {L"Backup_20261231235959_0.reg", L"2026-12-31 23:59:59"},
      {L"Other_20120907153012_x.reg", L"2012-09-07 15:30:12"},
      {L"Backup.reg", nullptr},
      {L"Backup_20120907153012.reg", nullptr},
      {L"Backup_2012_4.reg", nullptr},
      {L"Backup_2012090715301x_4.reg", nullptr},
  };
  for (const Case& c : cases) {
    std::wstring row;
    EXPECT_EQ(repair::BackupRowText(c.name, row), c.row != nullptr) << Narrow(c.name);
    if (c.row) {
      EXPECT_EQ(row, c.row) << Narrow(c.name);
    }
  }
  EXPECT_EQ(repair::BackupFileName(L"20120907153012", 4), L"Backup_20120907153012_4.reg");
  EXPECT_EQ(repair::FormatStamp(platform::LocalTime{2012, 9, 7, 5, 3, 2, 5}), L"20120907050302");
}

TEST(BackupFolder, EveryLevelIsCreated) {
  platform::memory::MemoryPlatform m;
  AddProgramData(m);
  EXPECT_FALSE(m.files.PathExists(L"C:\\ProgramData\\Quorvel"));
  EXPECT_EQ(repair::GetBackupFolder(m.view), kFolder);
  EXPECT_NE(m.files.GetAttributes(kFolder) & platform::kFileAttributeDirectory, 0u);
  // Again, with the folder in place, and with a trailing backslash given.
  m.environment.SetSpecialFolder(platform::kCsidlCommonAppData, L"C:\\ProgramData\\");
  EXPECT_EQ(repair::GetBackupFolder(m.view), kFolder);
  m.environment.SetSpecialFolder(platform::kCsidlCommonAppData, L"");
  EXPECT_EQ(repair::GetBackupFolder(m.view), L"");
}

class BackupStoreTest : public testing::Test {
 protected:
  BackupStoreTest() { AddProgramData(m); }
  void Add(const std::wstring& name) { m.files.AddFile(InFolder(name), {0xFF, 0xFE}); }
  platform::memory::MemoryPlatform m;
};

TEST_F(BackupStoreTest, ListsBackupsWithARowOnly) {
  Add(L"Backup_20120907153012_4.reg");
  Add(L"Backup_20130101000000_1.REG");
  Add(L"stray.reg");
  Add(L"Backup_20140101000000_1.reg.txt");
  m.files.AddFolder(InFolder(L"Backup_20150101000000_1.reg"));

  CBackupStore store(m.view);
  store.Load();

  std::vector<std::wstring> names = store.Names();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"Backup_20120907153012_4.reg",
                                              L"Backup_20130101000000_1.REG"}));
  for (size_t i = 0; i < store.Count(); ++i) {
    std::wstring row;
    ASSERT_TRUE(repair::BackupRowText(store.Names()[i], row));
    EXPECT_EQ(store.RowText(i), row);
  }
  // The ten-file rule counts every "*.reg" file, backups or not.
  EXPECT_EQ(repair::ListRegFiles(m.files, kFolder).size(), 3u);
}

TEST_F(BackupStoreTest, MissingFolderIsCreatedAndListsNothing) {
  CBackupStore store(m.view);
  store.Load();
  EXPECT_EQ(store.Count(), 0u);
  EXPECT_TRUE(m.files.PathExists(kFolder));
}

TEST_F(BackupStoreTest, DeletingRowsOneAndThreeOfFive) {
  for (int i = 0; i < 5; ++i) Add(platform::Format(L"Backup_2012090715301%d_1.reg", i));
  CBackupStore store(m.view);
  store.Load();
  ASSERT_EQ(store.Count(), 5u);
  const std::vector<std::wstring> before = store.Names();

  // A file removed behind the page's back still loses its row.
  m.files.Remove(InFolder(before[3]));
  EXPECT_EQ(store.DeleteSelected({3, 1, 7}), 1u);

  EXPECT_EQ(store.Names(), (std::vector<std::wstring>{before[0], before[2], before[4]}));
  for (size_t i : {0, 2, 4}) EXPECT_TRUE(m.files.PathExists(InFolder(before[i])));
  EXPECT_FALSE(m.files.PathExists(InFolder(before[1])));

  EXPECT_EQ(store.DeleteSelected({0, 1, 2}), 3u);
  EXPECT_EQ(store.Count(), 0u);
  store.Load();
  EXPECT_EQ(store.Count(), 0u);
}

TEST_F(BackupStoreTest, SelectedPathsFromHighestToLowest) {
  for (int i = 0; i < 3; ++i) Add(platform::Format(L"Backup_2012090715301%d_1.reg", i));
  CBackupStore store(m.view);
  store.Load();
  const std::vector<std::wstring> names = store.Names();
  EXPECT_EQ(store.SelectedPaths({0, 2, 9}),
            (std::vector<std::wstring>{InFolder(names[2]), InFolder(names[0])}));
  EXPECT_TRUE(store.SelectedPaths({}).empty());
}

}  // namespace
