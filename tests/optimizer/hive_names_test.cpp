// Hive names: kernel places to key paths, device paths to drive files, and
// moving an old backup aside.
#include <gtest/gtest.h>

#include "optimizer/reg_optimize_eng.h"
#include "platform/memory/memory_platform.h"
#include "platform/text.h"
#include "platform/win32_constants.h"

namespace {

using namespace optimizer;

TEST(HiveKeyPathTest, KernelPlacesBecomeRootPaths) {
  struct Case {
    const wchar_t* name;
    const wchar_t* path;
  } cases[] = {
      {L"\\REGISTRY\\MACHINE\\SOFTWARE", L"HKEY_LOCAL_MACHINE\\SOFTWARE"},
      {L"\\REGISTRY\\MACHINE\\SYSTEM", L"HKEY_LOCAL_MACHINE\\SYSTEM"},
      {L"\\REGISTRY\\USER\\S-1-5-18", L"HKEY_USERS\\S-1-5-18"},
      {L"\\REGISTRY\\USER\\.DEFAULT", L"HKEY_USERS\\.DEFAULT"},
      // Windows writes mixed case; the path comes out in upper case.
      {L"\\Registry\\User\\S-1-5-21-7_Classes", L"HKEY_USERS\\S-1-5-21-7_CLASSES"},
      // Only the leading place is mapped.
      {L"\\REGISTRY\\MACHINE\\A\\REGISTRY\\USER\\B", L"HKEY_LOCAL_MACHINE\\A\\REGISTRY\\USER\\B"},
      // Places with no key path of ours: application hives, the roots alone.
      {L"\\REGISTRY\\A\\{0F3A}", L""},
      {L"\\REGISTRY\\MACHINE\\", L""},
      {L"\\REGISTRY\\MACHINE", L""},
      {L"", L""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HiveKeyPath(c.name), c.path) << platform::ToUtf8(c.name);
  }
}

class DriveMapTest : public testing::Test {
 protected:
  DriveMapTest() {
    mp.system.ClearDosDevices();
    mp.system.SetDosDevice(L"C:", L"\\Device\\HarddiskVolume2");
    mp.system.SetDosDevice(L"D:", L"\\Device\\HarddiskVolume3");
    mp.system.SetDosDevice(L"F:", L"\\Device\\HarddiskVolume12");
    mp.system.SetDosDevice(L"G:", L"\\Device\\CdRom0");
  }
  platform::memory::MemoryPlatform mp;
};

TEST_F(DriveMapTest, EveryLogicalDriveIsAskedForItsDevice) {
  const DriveMap drives = ReadDriveMap(mp.system);
  EXPECT_EQ(drives.size(), 4u);
  EXPECT_EQ(drives.at(L"\\DEVICE\\HARDDISKVOLUME2"), L"C:");
  EXPECT_EQ(drives.at(L"\\DEVICE\\HARDDISKVOLUME12"), L"F:");
}

TEST_F(DriveMapTest, DevicePathsFindTheDriveThatCarriesThem) {
  const DriveMap drives = ReadDriveMap(mp.system);
  struct Case {
    const wchar_t* device;
    const wchar_t* file;
  } cases[] = {
      // The usual Windows 7 layout: C: is volume 2.
      {L"\\Device\\HarddiskVolume2\\Windows\\system32\\config\\SOFTWARE",
       L"C:\\Windows\\system32\\config\\SOFTWARE"},
      {L"\\Device\\HarddiskVolume3\\Users\\Ann\\NTUSER.DAT", L"D:\\Users\\Ann\\NTUSER.DAT"},
      {L"\\device\\harddiskvolume2\\Windows\\x", L"C:\\Windows\\x"},
      // Volume 1 is not a prefix of volume 12, nor volume 2 of volume 22.
      {L"\\Device\\HarddiskVolume12\\hive", L"F:\\hive"},
      {L"\\Device\\HarddiskVolume1\\Boot\\BCD", L""},
      {L"\\Device\\HarddiskVolume22\\hive", L""},
      // No drive for the device, or nothing after it.
      {L"\\Device\\Harddisk0\\Partition1\\hive", L""},
      {L"\\Device\\HarddiskVolume2", L""},
      {L"\\Device\\HarddiskVolume2\\", L""},
      {L"C:\\Windows\\system32\\config\\SOFTWARE", L""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HiveFileOnDrive(drives, c.device), c.file) << platform::ToUtf8(c.device);
  }
}

TEST_F(DriveMapTest, TheLongestDeviceWins) {
  mp.system.SetDosDevice(L"H:", L"\\Device\\HarddiskVolume2\\Mount");
  const DriveMap drives = ReadDriveMap(mp.system);
  EXPECT_EQ(HiveFileOnDrive(drives, L"\\Device\\HarddiskVolume2\\Mount\\hive"), L"H:\\hive");
  EXPECT_EQ(HiveFileOnDrive(drives, L"\\Device\\HarddiskVolume2\\Mounted\\hive"),
            L"C:\\Mounted\\hive");
}

TEST_F(DriveMapTest, NamesOfOneHive) {
  HiveNames names;
  ASSERT_TRUE(DeriveHiveNames(ReadDriveMap(mp.system), L"\\REGISTRY\\MACHINE\\SOFTWARE",
                              L"\\Device\\HarddiskVolume2\\WINDOWS\\system32\\config\\software",
                              names));
  EXPECT_EQ(names.hiveFile, L"C:\\WINDOWS\\system32\\config\\software");
  EXPECT_EQ(names.tempFile, L"C:\\WINDOWS\\system32\\config\\software.tmp");
  EXPECT_EQ(names.backupFile, L"C:\\WINDOWS\\system32\\config\\software.bak");
  EXPECT_EQ(names.keyPath, L"HKEY_LOCAL_MACHINE\\SOFTWARE");

  EXPECT_FALSE(DeriveHiveNames(ReadDriveMap(mp.system), L"\\REGISTRY\\MACHINE\\BCD00000000",
                               L"\\Device\\HarddiskVolume1\\Boot\\BCD", names));
  EXPECT_FALSE(DeriveHiveNames(ReadDriveMap(mp.system), L"\\REGISTRY\\A\\{1}",
                               L"\\Device\\HarddiskVolume2\\app.hve", names));
}

class MoveAsideTest : public testing::Test {
 protected:
  std::vector<uint8_t> Bytes(const wchar_t* text) { return platform::ToUtf16Bytes(text, false); }
  platform::memory::MemoryFileSystem files;
  const std::wstring bak = L"C:\\config\\SOFTWARE.bak";
};

TEST_F(MoveAsideTest, NothingToMove) {
  files.AddFolder(L"C:\\config");
  std::wstring movedTo = L"unchanged";
  EXPECT_TRUE(MoveAside(files, bak, &movedTo));
  EXPECT_EQ(movedTo, L"unchanged");
  EXPECT_TRUE(files.ListFolder(L"C:\\config\\*").empty());
}

TEST_F(MoveAsideTest, TakesTheFirstFreeNumberAndKeepsEveryBackup) {
  files.AddFile(bak, Bytes(L"third"));
  files.AddFile(bak + L"1", Bytes(L"first"));
  files.AddFile(bak + L"3", Bytes(L"older"));
  std::wstring movedTo;
  ASSERT_TRUE(MoveAside(files, bak, &movedTo));
  EXPECT_EQ(movedTo, bak + L"2");
  EXPECT_FALSE(files.PathExists(bak));
  EXPECT_EQ(files.Contents(bak + L"1"), Bytes(L"first"));
  EXPECT_EQ(files.Contents(bak + L"2"), Bytes(L"third"));
  EXPECT_EQ(files.Contents(bak + L"3"), Bytes(L"older"));
}

TEST_F(MoveAsideTest, AFailedMoveLeavesTheBackupInPlace) {
  files.AddFile(bak, Bytes(L"old"));
  files.FailWritesTo(bak + L"1");
  int32_t error = 0;
  EXPECT_FALSE(MoveAside(files, bak, nullptr, &error));
  EXPECT_EQ(error, platform::kErrorAccessDenied);
  EXPECT_EQ(files.Contents(bak), Bytes(L"old"));
}

}  // namespace
