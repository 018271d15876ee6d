// The start-up, system-driver and service scanners.
#include <gtest/gtest.h>

#include "scan/scanner_fixture.h"
#include "scan/scanners_startup.h"

namespace {

using namespace scanner_test;

const std::wstring kLmRun = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring kCuRunOnce =
    L"HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const std::wstring kCuRun = L"HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring kLmRun32 =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring kDrivers32 =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
const std::wstring kServices = L"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\services";

class StartupTest : public ScannerFixture {
 protected:
  StartupTest() {
    mp.files.AddFile(L"C:\\Program Files\\Good\\good.exe");
    auto& r = mp.registry;
    r.SetString(kLmRun, L"Good", L"\"C:\\Program Files\\Good\\good.exe\" /background");
    r.SetString(kLmRun, L"Gone", L"\"C:\\Gone\\gone.exe\" /background");
    r.SetString(kLmRun, L"Expand", L"C:\\Gone\\expand.exe", platform::kRegExpandSz);
    r.SetString(kLmRun, L"Empty", L"");
    r.SetString(kCuRunOnce, L"Once", L"C:\\Gone\\once.exe");
    r.SetString(kCuRun, L"LockedGone", L"C:\\Gone\\locked.exe");
    Lock(kCuRun);
    r.SetString(kLmRun32, L"Old32", L"C:\\Gone\\old32.exe");
  }
};

TEST_F(StartupTest, ReportsMissingProgramsOfThePlainKeys) {
  Scan(kCatStartupFiles);
  EXPECT_EQ(Problems(), (Lines{
                            Problem(11, L"\"C:\\Gone\\gone.exe\" /background", kLmRun, L"Gone"),
                            Problem(11, L"C:\\Gone\\once.exe", kCuRunOnce, L"Once"),
                        }));
  EXPECT_EQ(Items(), (Lines{Item(kLmRun), Item(kCuRunOnce)}));
  // Run is key 7 and RunOnce key 13 of sixteen.
  EXPECT_EQ(Progress(), Percents({44, 46, 47, 49, 87, 100}));
}

TEST_F(StartupTest, Wow64ScansTheWow6432NodeKeysAfterThePlainOnes) {
  mp.system.SetWow64(true);
  Scan(kCatStartupFiles);
  EXPECT_EQ(Problems(), (Lines{
                            Problem(11, L"\"C:\\Gone\\gone.exe\" /background", kLmRun, L"Gone"),
                            Problem(11, L"C:\\Gone\\once.exe", kCuRunOnce, L"Once"),
                            Problem(11, L"C:\\Gone\\old32.exe", kLmRun32, L"Old32"),
                        }));
  EXPECT_EQ(Items(), (Lines{Item(kLmRun), Item(kCuRunOnce), Item(kLmRun32)}));
  EXPECT_EQ(Progress(), Percents({21, 22, 23, 24, 43, 74, 100}));
}

TEST_F(StartupTest, CancelEndsTheWalkBeforeTheClosingPercent) {
  observer.hook = [this](const std::string& line) {
    if (line.rfind("problem", 0) == 0) scanner->cancel = true;
  };
  Scan(kCatStartupFiles);
  EXPECT_EQ(Problems().size(), 1u);
  EXPECT_EQ(Items(), (Lines{Item(kLmRun)}));
  EXPECT_EQ(Progress(), Percents({44, 46, 100}));
}

TEST_F(ScannerFixture, DriversReportsFilesFoundNowhere) {
  mp.files.AddFile(L"C:\\Windows\\system32\\wdmaud.drv");
  auto& r = mp.registry;
  r.SetString(kDrivers32, L"wave", L"wdmaud.drv");
  r.SetString(kDrivers32, L"midi", L"gonedrv.drv");
  r.SetString(kDrivers32, L"aux", L"gone2.drv", platform::kRegExpandSz);
  r.SetString(kDrivers32, L"mixer", L"");
  Scan(kCatSystemDrivers);
  EXPECT_EQ(Problems(), (Lines{Problem(17, L"gonedrv.drv", kDrivers32, L"midi")}));
  EXPECT_EQ(Items(), (Lines{Item(kDrivers32)}));
  EXPECT_EQ(Progress(), Percents({25, 50, 75, 100}));
}

TEST(ServiceNormaliseTest, SystemFolderRuleThenNtPrefixRule) {
  const std::wstring win = L"C:\\Windows";
  const std::vector<std::pair<std::wstring, std::wstring>> cases = {
      {L"\\SystemRoot\\System32\\drivers\\x.sys", L"C:\\Windows\\\\system32\\drivers\\x.sys"},
      {L"System32\\DRIVERS\\x.sys", L"C:\\Windows\\system32\\drivers\\x.sys"},
      {L"\\??\\c:\\windows\\system32\\drivers\\x.sys", L"C:\\Windows\\\\system32\\drivers\\x.sys"},
      {L"\\??\\C:\\Program Files\\X\\x.sys", L"c:\\program files\\x\\x.sys"},
      {L"\"C:\\Gone\\Svc.exe\" -k", L"\"c:\\gone\\svc.exe\" -k"},
  };
  for (const auto& [image, expected] : cases)
    EXPECT_EQ(NSTorvane::CPurvexService::NormaliseImagePath(image, win), expected)
        << platform::ToUtf8(image);
}

class ServiceTest : public ScannerFixture {
 protected:
  ServiceTest() {
    for (const wchar_t* f : {L"C:\\Windows\\system32\\drivers\\good.sys", L"C:\\Windows\\good4.sys",
                             L"C:\\Program Files\\Good\\good.sys"})
      mp.files.AddFile(f);
    Image(L"Good1", L"\\SystemRoot\\System32\\drivers\\good.sys");
    Image(L"Good2", L"system32\\DRIVERS\\good.sys");
    Image(L"Good3", L"%SystemRoot%\\system32\\svchost.exe -k netsvcs");
    Image(L"Good4", L"\\SystemRoot\\good4.sys");
    Image(L"Good5", L"\\??\\C:\\Program Files\\Good\\good.sys");
    Image(L"Good6", L"%SystemRoot%\\good4.sys");
    Image(L"Gone1", L"\\SystemRoot\\System32\\drivers\\gone.sys");
    Image(L"Gone2", L"\"C:\\Gone\\svc.exe\" -service");
    Image(L"Gone3", L"\\??\\c:\\windows\\system32\\drivers\\gone3.sys");
    Image(L"Gone4", L"\\SystemRoot\\gone4.sys");
    mp.registry.SetString(kServices + L"\\NoImage", L"Start", L"3");
    Image(L"ZLocked", L"C:\\Gone\\locked.exe");
    Lock(kServices + L"\\ZLocked");
  }
  void Image(const std::wstring& service, const std::wstring& image) {
    mp.registry.SetString(kServices + L"\\" + service, L"ImagePath", image,
                          platform::kRegExpandSz);
  }
};

TEST_F(ServiceTest, ReportsServicesWhoseImageIsMissingInEveryForm) {
  Scan(kCatService);
  EXPECT_EQ(Problems(),
            (Lines{
                Problem(18, L"C:\\Windows\\\\system32\\drivers\\gone.sys", kServices + L"\\Gone1",
                        L"n/a"),
                Problem(18, L"\"c:\\gone\\svc.exe\" -service", kServices + L"\\Gone2", L"n/a"),
                Problem(18, L"C:\\Windows\\\\system32\\drivers\\gone3.sys", kServices + L"\\Gone3",
                        L"n/a"),
                Problem(18, L"\\systemroot\\gone4.sys", kServices + L"\\Gone4", L"n/a"),
            }));
  EXPECT_EQ(Items().size(), 12u);
  EXPECT_EQ(Items().front(), Item(kServices + L"\\Gone1"));
  EXPECT_EQ(Progress().back(), "pct 100");
  EXPECT_EQ(Progress().front(), "pct 8");
}

}  // namespace
