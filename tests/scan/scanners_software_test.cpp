// The installed-software scanners: App Paths, unused vendor keys, shared
// DLLs, uninstall entries and the deep scan.
#include <gtest/gtest.h>

#include "scan/scanner_fixture.h"
#include "scan/scanners_software.h"

namespace {

using namespace scanner_test;

const std::wstring kAppPaths =
    L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const std::wstring kSharedDlls =
    L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const std::wstring kFolders =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders";
const std::wstring kUninstall =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

class SoftwareTest : public ScannerFixture {
 protected:
  SoftwareTest() {
    mp.files.AddFile(L"C:\\Program Files\\Good\\good.exe");
    mp.files.AddFile(L"C:\\Windows\\system32\\shared.dll");
  }
};

TEST_F(SoftwareTest, AppPathsReportsMissingProgramsAndFolders) {
  auto& r = mp.registry;
  r.SetString(kAppPaths + L"\\good.exe", L"", L"C:\\Program Files\\Good\\good.exe");
  r.SetString(kAppPaths + L"\\good.exe", L"Path", L"C:\\Program Files\\Good;");
  r.SetString(kAppPaths + L"\\gone.exe", L"", L"C:\\Gone\\gone.exe");
  r.SetString(kAppPaths + L"\\gone.exe", L"Path", L"C:\\Gone");
  r.SetString(kAppPaths + L"\\blocked.exe", L"", L"C:\\Gone\\blocked.exe");
  r.SetDword(kAppPaths + L"\\blocked.exe", L"BlockOnTSNonInstallMode", 1);
  r.SetString(kAppPaths + L"\\strblock.exe", L"", L"C:\\Gone\\strblock.exe");
  r.SetString(kAppPaths + L"\\strblock.exe", L"BlockOnTSNonInstallMode", L"1");
  r.SetString(kAppPaths + L"\\quoted.exe", L"", L"\"C:\\Program Files\\Good\\good.exe\"");
  r.SetString(kAppPaths + L"\\zlocked.exe", L"", L"C:\\Gone\\locked.exe");
  Lock(kAppPaths + L"\\zlocked.exe");
  Scan(kCatApplicationPaths);
  EXPECT_EQ(Problems(),
            (Lines{
                Problem(5, L"C:\\Gone\\gone.exe", kAppPaths + L"\\gone.exe", L""),
                Problem(5, L"C:\\Gone", kAppPaths + L"\\gone.exe", L"Path"),
                Problem(5, L"C:\\Gone\\strblock.exe", kAppPaths + L"\\strblock.exe", L""),
            }));
  EXPECT_EQ(Items().size(), 6u);
  EXPECT_EQ(Items()[1], Item(kAppPaths + L"\\gone.exe"));
  EXPECT_EQ(Progress(), Percents({16, 33, 50, 66, 83, 100}));
}

class UnusedKeyTest : public SoftwareTest {
 protected:
  UnusedKeyTest() {
    auto& r = mp.registry;
    r.SetString(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.x", L"", L"x");
    r.SetString(L"HKEY_CURRENT_USER\\Software\\Classes\\.y", L"", L"y");
    r.CreateKeyPath(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\EmptyVendor");
    r.CreateKeyPath(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\EmptyProduct");  // one level deeper
    r.SetString(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Valued", L"", L"default only");
    Lock(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\LockedEmpty");
    r.CreateKeyPath(L"HKEY_CURRENT_USER\\Software\\Lonely");
    r.CreateKeyPath(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Empty32");
    r.SetString(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Full32", L"v", L"x");
    r.CreateKeyPath(L"HKEY_CURRENT_USER\\Software\\Wow6432Node\\EmptyUser32");
  }
};

TEST_F(UnusedKeyTest, ReportsEmptyVendorKeysOfThePlainRoots) {
  Scan(kCatUnusedSoftKey);
  EXPECT_EQ(Problems(), (Lines{
                            Problem(10, L"", L"HKEY_LOCAL_MACHINE\\SOFTWARE\\EmptyVendor", L"n/a"),
                            Problem(10, L"", L"HKEY_CURRENT_USER\\SOFTWARE\\Lonely", L"n/a"),
                        }));
  // HKLM: Classes EmptyVendor LockedEmpty Valued Vendor Wow6432Node (6);
  // HKCU: Classes Lonely Wow6432Node (3).
  EXPECT_EQ(Progress(), Percents({8, 16, 25, 33, 41, 50, 66, 83, 100}));
  EXPECT_EQ(Items().front(), Item(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes"));
  EXPECT_EQ(Items().size(), 9u);
}

TEST_F(UnusedKeyTest, Wow64WalksTheWow6432NodeRootsAfterThePlainOnes) {
  mp.system.SetWow64(true);
  Scan(kCatUnusedSoftKey);
  EXPECT_EQ(Problems(),
            (Lines{
                Problem(10, L"", L"HKEY_LOCAL_MACHINE\\SOFTWARE\\EmptyVendor", L"n/a"),
                Problem(10, L"", L"HKEY_CURRENT_USER\\SOFTWARE\\Lonely", L"n/a"),
                Problem(10, L"", L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Empty32", L"n/a"),
                Problem(10, L"", L"HKEY_CURRENT_USER\\SOFTWARE\\Wow6432Node\\EmptyUser32", L"n/a"),
            }));
  EXPECT_EQ(Progress(), Percents({4, 8, 12, 16, 20, 25, 33, 41, 50, 62, 75, 100}));
}

TEST_F(SoftwareTest, SharedDllsReportsMissingFilesWithTheirCount) {
  auto& r = mp.registry;
  r.SetDword(kSharedDlls, L"C:\\Windows\\system32\\shared.dll", 1);
  r.SetDword(kSharedDlls, L"C:\\Gone\\old.dll", 3);
  r.SetDword(kSharedDlls, L"", 5);
  r.SetString(kSharedDlls, L"C:\\Gone\\text.dll", L"2");
  Scan(kCatSharedDlls);
  EXPECT_EQ(Problems(), (Lines{Problem(15, L"dword:00000003", kSharedDlls, L"C:\\Gone\\old.dll"),
                               Problem(15, L"\"2\"", kSharedDlls, L"C:\\Gone\\text.dll")}));
  EXPECT_EQ(Items(), (Lines{Item(kSharedDlls)}));
  EXPECT_EQ(Progress(), Percents({25, 50, 75, 100}));
}

class UninstallerTest : public SoftwareTest {
 protected:
  UninstallerTest() {
    auto& r = mp.registry;
    mp.files.AddFolder(L"C:\\Program Files\\Good\\Data");
    r.SetString(kFolders, L"C:\\Program Files\\Good\\Data\\", L"");
    r.SetString(kFolders, L"C:\\Gone\\Folder\\", L"1");
    r.CreateKeyPath(kUninstall + L"\\Empty");
    const std::wstring good = kUninstall + L"\\Good";
    r.SetString(good, L"DisplayIcon", L"C:\\Program Files\\Good\\good.exe,0");
    r.SetString(good, L"InstallLocation", L"C:\\Program Files\\Good");
    r.SetString(good, L"UninstallString", L"MsiExec.exe /X{12345678-1234-1234-1234-123456789012}");
    const std::wstring broken = kUninstall + L"\\Broken";
    r.SetString(broken, L"UninstallString", L"\"C:\\Gone\\uninst.exe\" /S");
    r.SetString(broken, L"InstallSource", L"D:\\Setup\\");
    r.SetString(broken, L"InstallLocation", L"C:\\Gone");
    r.SetString(broken, L"DisplayIcon", L"C:\\Gone\\app.ico");
  }
};

TEST_F(UninstallerTest, ReportsMissingFoldersAndBrokenEntries) {
  Scan(kCatUninstaller);
  const std::wstring broken = kUninstall + L"\\Broken";
  EXPECT_EQ(Problems(), (Lines{
                            Problem(8, L"1", kFolders, L"C:\\Gone\\Folder\\"),
                            Problem(9, L"C:\\Gone\\app.ico", broken, L"DisplayIcon"),
                            Problem(9, L"C:\\Gone", broken, L"InstallLocation"),
                            Problem(9, L"D:\\Setup\\", broken, L"InstallSource"),
                            Problem(9, L"\"C:\\Gone\\uninst.exe\" /S", broken, L"UninstallString"),
                            Problem(9, L"", kUninstall + L"\\Empty", L"n/a"),
                        }));
  EXPECT_EQ(Items(), (Lines{Item(kFolders), Item(broken), Item(kUninstall + L"\\Empty"),
                            Item(kUninstall + L"\\Good")}));
  EXPECT_EQ(Progress(), Percents({25, 50, 66, 83, 100}));
}

TEST_F(UninstallerTest, WithoutFoldersKeyThePartSendsNothing) {
  mp.registry.RemoveKeyTree(kFolders);
  Scan(kCatUninstaller);
  EXPECT_EQ(Progress(), Percents({66, 83, 100}));
  EXPECT_EQ(Problems().size(), 5u);
}

TEST_F(UninstallerTest, CancelInFoldersSkipsTheEntries) {
  observer.hook = [this](const std::string& line) {
    if (line == Item(kFolders)) scanner->cancel = true;
  };
  Scan(kCatUninstaller);
  EXPECT_EQ(Progress(), Percents({50}));
  EXPECT_EQ(Problems(), Lines{});
}

class DeepScanTest : public SoftwareTest {
 protected:
  DeepScanTest() {
    auto& r = mp.registry;
    const std::wstring tool = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Tool";
    r.SetString(tool, L"Exe", L"C:\\Gone\\Tool.exe");
    r.SetString(tool, L"Present", L"C:\\Windows\\notepad.exe");
    r.SetString(tool, L"X86", L"C:\\Gone Tools (x86)\\Tool.exe");
    r.SetString(tool, L"Hyphen", L"C:\\Gone-x\\a.exe");
    r.SetString(tool, L"Percent", L"C:\\%Gone%\\a.exe");
    r.SetString(tool, L"Comma", L"C:\\Gone\\a.exe,1");
    r.SetString(tool, L"Dotted", L"C:\\Gone.d\\a.exe");
    r.SetString(tool, L"Relative", L"Gone\\a.exe");
    r.SetString(tool, L"Office", L"C:\\Gone\\OFFICE12\\x.exe");
    Binary(tool, L"Binary", L"C:\\Gone\\bin.exe", true);
    r.SetString(tool + L"\\Office", L"Deep", L"C:\\Gone\\office.exe");
    r.SetString(tool + L"\\OFFICE\\Sub", L"Deeper", L"C:\\Gone\\deeper.exe");
    r.SetString(tool + L"\\MsOffice\\Sub", L"Nested", L"C:\\Gone\\nested.exe");
    r.SetString(L"HKEY_CURRENT_USER\\Software\\Mine", L"File", L"D:\\Old\\file.txt");
    r.SetString(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Locked", L"File", L"C:\\Gone\\locked.exe");
    r.SetString(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Locked\\Child", L"File", L"C:\\Gone\\child.exe");
    Lock(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Locked");
  }
};

TEST_F(DeepScanTest, ReportsPlainMissingPathsLowerCasedWithoutProgress) {
  Scan(kCatDeepScan);
  const std::wstring tool = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Tool";
  EXPECT_EQ(Problems(),
            (Lines{
                Problem(20, L"c:\\gone\\tool.exe", tool, L"Exe"),
                Problem(20, L"c:\\gone tools (x86)\\tool.exe", tool, L"X86"),
                Problem(20, L"c:\\gone\\bin.exe", tool, L"Binary"),
                Problem(20, L"c:\\gone\\nested.exe", tool + L"\\MsOffice\\Sub", L"Nested"),
                Problem(20, L"d:\\old\\file.txt", L"HKEY_CURRENT_USER\\Software\\Mine", L"File"),
            }));
  EXPECT_EQ(Items(), (Lines{Item(L"Scanning: .\\Tool"), Item(L"Scanning: .\\Tool"),
                            Item(L"Scanning: .\\Tool"), Item(L"Scanning: .\\Sub"),
                            Item(L"Scanning: .\\Mine")}));
  EXPECT_EQ(Progress(), Lines{});
}

TEST_F(DeepScanTest, ReadsOnlyEachValuesOwnBytes) {
  const std::wstring key = L"HKEY_CURRENT_USER\\Software\\Stale";
  mp.registry.SetString(key, L"Long", L"AB\\Gone\\tool.exe");  // no drive: not examined
  // Two units "C:" without a terminator: alone no path, but with the rest of
  // the value before it "C:\Gone\tool.exe".
  Binary(key, L"Short", L"C:", false);
  Scan(kCatDeepScan);
  for (const std::string& line : Problems())
    EXPECT_EQ(line.find("Stale"), std::string::npos) << line;
}

TEST_F(DeepScanTest, CancelStopsAtTheNextKey) {
  observer.hook = [this](const std::string& line) {
    if (line.rfind("problem", 0) == 0) scanner->cancel = true;
  };
  Scan(kCatDeepScan);
  // The key being read is finished; no other key is entered.
  EXPECT_EQ(Problems().size(), 3u);
  EXPECT_EQ(Problems().back(), Problem(20, L"c:\\gone\\bin.exe",
                                       L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Tool", L"Binary"));
}

TEST(DeepScanShapeTest, OnlyPlainLocalPathsAreCandidates) {
  const std::vector<std::pair<std::wstring, bool>> cases = {
      {L"C:\\Gone\\Tool.exe", true},
      {L"z:\\a b (x)\\t.exe", true},
      {L"C:\\NoFolderFile", true},
      {L"1:\\x", false},
      {L"C:\\a-b\\x.exe", false},
      {L"C:\\a\\x.exe /s", false},
      {L"C:\\a\\x.exe|y", false},
      {L"C:\\a\\x.exe;y", false},
      {L"C:\\a\\x:y", false},
      {L"C:\\a\\\"x\"", false},
      {L"C:\\a.b\\x.exe", false},
      {L"C:\\a\\b.c\\x", false},
  };
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(NSTorvane::CPurvexDeepScan::LooksLikeFilePath(text), expected)
        << platform::ToUtf8(text);
}

}  // namespace
