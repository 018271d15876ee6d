// The file-extension, MUI-cache and file-association scanners.
#include <gtest/gtest.h>

#include "scan/scanner_fixture.h"

namespace {

using namespace scanner_test;

const std::wstring kHkcr = L"HKEY_CLASSES_ROOT";
const std::wstring kClasses = L"HKEY_LOCAL_MACHINE\\Software\\Classes";
const std::wstring kFileExts =
    L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";
const std::wstring kMuiWin7 =
    L"HKEY_CURRENT_USER\\Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\"
    L"MuiCache";
const std::wstring kMuiOther = L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache";

class FileExtsTest : public ScannerFixture {
 protected:
  FileExtsTest() {
    auto& r = mp.registry;
    r.CreateKeyPath(kFileExts + L"\\.both");            // empty here and in the classes
    r.CreateKeyPath(kClasses + L"\\.both");
    r.CreateKeyPath(kFileExts + L"\\.child\\OpenWithList");  // one empty subkey: not empty
    r.SetString(kFileExts + L"\\.classonly", L"Progid", L"x");
    r.CreateKeyPath(kClasses + L"\\.classonly");
    r.CreateKeyPath(kFileExts + L"\\NoDot");           // not an extension: not looked at
    Lock(kFileExts + L"\\.locked");                   // empty, not writable
  }
};

TEST_F(FileExtsTest, EmptyExtensionKeysGiveOneProblemPerLocation) {
  Scan(kCatFileExts);
  EXPECT_EQ(Problems(), (Lines{
                            Problem(13, L".both", kFileExts + L"\\.both", L"n/a"),
                            Problem(13, L".both", kHkcr + L"\\.both", L"n/a"),
                            Problem(13, L".classonly", kHkcr + L"\\.classonly", L"n/a"),
                            Problem(13, L".locked", kFileExts + L"\\.locked", L"n/a"),
                        }));
  EXPECT_EQ(Items(), (Lines{Item(kFileExts + L"\\.both"), Item(kFileExts + L"\\.child"),
                            Item(kFileExts + L"\\.classonly"), Item(kFileExts + L"\\.locked")}));
  EXPECT_EQ(Progress(), Percents({20, 40, 60, 80, 100}));
}

TEST_F(FileExtsTest, FileExtsKeyNotWritableIsNotExamined) {
  platform::memory::KeyFault fault;
  fault.denyWrite = true;
  mp.registry.SetFault(kFileExts, fault);
  Scan(kCatFileExts);
  EXPECT_EQ(observer.Lines(), Lines{});
}

class MuiCacheTest : public ScannerFixture {
 protected:
  MuiCacheTest() {
    for (const std::wstring& key : {kMuiWin7, kMuiOther}) {
      auto& r = mp.registry;
      r.SetString(key, key == kMuiWin7 ? L"LangID" : L"langid", L"0409");
      r.SetString(key, L"@shell32.dll,-1234", L"Resource");
      r.SetString(key, L"C:\\Windows\\notepad.exe", L"Notepad");
      r.SetString(key, L"C:\\Gone\\" + std::wstring(key == kMuiWin7 ? L"seven" : L"other") +
                           L".exe", L"Gone");
    }
  }
};

TEST_F(MuiCacheTest, OnWindows7OnlyTheLocalSettingsKeyIsRead) {
  Scan(kCatMuiCache);
  EXPECT_EQ(Problems(), (Lines{Problem(14, L"", kMuiWin7, L"C:\\Gone\\seven.exe")}));
  EXPECT_EQ(Items(), (Lines{Item(kMuiWin7)}));
  EXPECT_EQ(Progress(), Percents({25, 50, 75, 100}));
}

TEST_F(MuiCacheTest, OnOtherVersionsOnlyTheShellNoRoamKeyIsRead) {
  for (uint32_t minor : {0u, 2u}) {  // Vista, and 6.2, a version the classifier does not list
    platform::OsVersion v;
    v.major = 6;
    v.minor = minor;
    v.platformId = 2;
    mp.system.SetVersion(v);
    Scan(kCatMuiCache);
    EXPECT_EQ(Problems(), (Lines{Problem(14, L"", kMuiOther, L"C:\\Gone\\other.exe")})) << minor;
    EXPECT_EQ(Items(), (Lines{Item(kMuiOther)}));
  }
}

class FileAssocTest : public ScannerFixture {
 protected:
  FileAssocTest() {
    auto& r = mp.registry;
    r.SetString(kClasses + L"\\.good", L"", L"goodfile");
    r.SetString(kClasses + L"\\goodfile", L"", L"Good file");
    r.SetString(kClasses + L"\\.orphan", L"", L"nofile");
    r.CreateKeyPath(kClasses + L"\\.void");
    r.CreateKeyPath(kClasses + L"\\emptyclass");
    r.SetString(kClasses + L"\\.blank", L"", L"");
    r.SetDword(kClasses + L"\\.dword", L"", 3);
    r.SetString(kClasses + L"\\.lockedclass", L"", L"lockedfile");
    Lock(kClasses + L"\\lockedfile");  // exists: counts as present
    Lock(kClasses + L"\\lockedempty");
  }
};

TEST_F(FileAssocTest, ReportsEmptyClassesAndExtensionsWithoutClass) {
  Scan(kCatFileAssoc);
  EXPECT_EQ(Problems(), (Lines{
                            Problem(19, L".orphan", kHkcr + L"\\.orphan", L"n/a"),
                            Problem(19, L".void", kHkcr + L"\\.void", L"n/a"),
                            Problem(19, L"emptyclass", kHkcr + L"\\emptyclass", L"n/a"),
                        }));
  // .blank .dword .good .lockedclass .orphan .void emptyclass goodfile
  // lockedempty lockedfile
  EXPECT_EQ(Items().size(), 10u);
  EXPECT_EQ(Items().front(), Item(kHkcr + L"\\.blank"));
  EXPECT_EQ(Progress(), Percents({10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
}

TEST_F(FileAssocTest, SendsNoClosingPercentAfterACancel) {
  observer.hook = [this](const std::string& line) {
    if (line == Item(kHkcr + L"\\.orphan")) scanner->cancel = true;
  };
  Scan(kCatFileAssoc);
  EXPECT_EQ(Progress(), Percents({10, 20, 30, 40, 50}));
  EXPECT_EQ(Problems(), (Lines{Problem(19, L".orphan", kHkcr + L"\\.orphan", L"n/a")}));
}

}  // namespace
