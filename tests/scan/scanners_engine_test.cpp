// The category scanners as the engine runs them: the class of each id, a
// scan of all categories through the intake rule, and a stop mid-category.
#include <gtest/gtest.h>

#include <typeindex>

#include "scan/problem_collector.h"
#include "scan/scanner_fixture.h"
#include "scan/scanners_com.h"
#include "scan/scanners_file_assoc.h"
#include "scan/scanners_shell.h"
#include "scan/scanners_software.h"
#include "scan/scanners_startup.h"

namespace {

using namespace scanner_test;
using namespace NSTorvane;

constexpr uint32_t kWaitMs = 20000;  // a bound for a hung scan, not a timing check

TEST(ScannerFactoryTest, EachCategoryHasItsScannerClass) {
  platform::memory::MemoryPlatform mp;
  const std::vector<std::type_index> classes = {
      typeid(CPurvexApplicationPaths), typeid(CPurvexUnsedSoftKey), typeid(CPurvexRecentDocs),
      typeid(CPurvexSharedDLLs),       typeid(CPurvexStartupFiles), typeid(CPurvexSystemDrivers),
      typeid(CPurvexFonts),            typeid(CPurvexHelp),         typeid(CPurvexSound),
      typeid(CPurvexFileExts),         typeid(CPurvexMUICache),     typeid(CPurvexService),
      typeid(CPurvexTypeLib),          typeid(CPurvexUninstaller),  typeid(CPurvexFileAssoc),
      typeid(CPurvexActivexCom),       typeid(CPurvexDeepScan),
  };
  for (int32_t id = 0; id < kScanCategoryCount; ++id) {
    ScannerPtr scanner = CreateScanner(id, mp.view);
    ASSERT_NE(scanner, nullptr) << id;
    const CPurvexImpl& base = *scanner;
    EXPECT_EQ(std::type_index(typeid(base)), classes[id]) << id;
    EXPECT_FALSE(scanner->cancel);
    EXPECT_EQ(scanner->observer, nullptr);
  }
  for (int32_t id : {-1, 17, 1000}) EXPECT_EQ(CreateScanner(id, mp.view), nullptr) << id;
}

class FullScanTest : public ScannerFixture {
 protected:
  FullScanTest() {
    auto& r = mp.registry;
    // Keeps the class roots and the software roots from counting as empty.
    r.SetString(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.txt", L"", L"txtfile");
    r.SetString(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\txtfile", L"", L"Text");
    r.SetString(L"HKEY_CURRENT_USER\\Software\\Classes\\Dummy", L"v", L"x");
    r.SetString(kAppPath, L"", L"C:\\Gone\\tool.exe");
    r.SetString(kRun, L"Tool", L"C:\\Windows\\notepad.exe");
    r.SetString(kRun, L"Gone", L"C:\\Gone\\run.exe");
    r.SetDword(kShared, L"C:\\Gone\\shared.dll", 1);
    r.CreateKeyPath(kUninstall + L"\\EmptyEntry");
    // Found by the scanner, dropped by the intake: the key cannot be written.
    r.CreateKeyPath(kFileExts + L"\\.locked");
    Lock(kFileExts + L"\\.locked");
  }

  const std::wstring kAppPath =
      L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\tool.exe";
  const std::wstring kRun = L"HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
  const std::wstring kShared =
      L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
  const std::wstring kUninstall =
      L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
  const std::wstring kFileExts =
      L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";
};

TEST_F(FullScanTest, AllCategoriesThroughTheEngineAndTheIntakeRule) {
  CProblemCollector collector(mp.view);
  CCollectingObserver collecting(collector, &observer);
  CPurvexEng engine(mp.view);
  ScanRequest request;
  for (int32_t id = 0; id < kScanCategoryCount; ++id) request.categories.push_back(id);
  ASSERT_TRUE(engine.Start(request, &collecting));
  engine.Resume();
  ASSERT_TRUE(engine.Wait(kWaitMs));

  const SRegScanDetail& result = collector.Result();
  std::map<int32_t, std::vector<std::string>> found;
  for (const auto& [category, items] : result.byCategory)
    for (const SRegProblemItem& item : items)
      found[category].push_back(Problem(item.problemType, item.data, item.keyPath, item.valueName));
  EXPECT_EQ(found, (std::map<int32_t, std::vector<std::string>>{
                       {kCatApplicationPaths, {Problem(5, L"C:\\Gone\\tool.exe", kAppPath, L"")}},
                       {kCatSharedDlls,
                        {Problem(15, L"dword:00000001", kShared, L"C:\\Gone\\shared.dll")}},
                       {kCatStartupFiles, {Problem(11, L"C:\\Gone\\run.exe", kRun, L"Gone")}},
                       {kCatUninstaller, {Problem(9, L"", kUninstall + L"\\EmptyEntry", L"n/a")}},
                       {kCatDeepScan,
                        {Problem(20, L"c:\\gone\\tool.exe",
                                 L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
                                 L"App Paths\\tool.exe",
                                 L""),
                         Problem(20, L"c:\\gone\\run.exe",
                                 L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                                 L"Gone")}},
                   }));
  EXPECT_EQ(result.problemCount, 6);
  // Every category was entered, also those without problems.
  EXPECT_EQ(result.byCategory.size(), static_cast<size_t>(kScanCategoryCount));
  EXPECT_EQ(observer.Only("cat-").size(), static_cast<size_t>(kScanCategoryCount));
  EXPECT_EQ(observer.Lines().back(), "scan-");
}

TEST_F(FullScanTest, StopInsideTheStartupScanEndsTheScan) {
  CPurvexImpl primer(mp.view);
  primer.ReportProgress(-5);  // so that the closing 100 is sent
  CPurvexEng engine(mp.view);
  observer.hook = [&](const std::string& line) {
    if (line.rfind("item HKEY_CURRENT_USER", 0) == 0) engine.Stop();
  };
  ASSERT_TRUE(engine.Start(ScanRequest{{kCatStartupFiles, kCatSystemDrivers, kCatDeepScan}, {}},
                           &observer));
  engine.Resume();
  ASSERT_TRUE(engine.Wait(kWaitMs));
  const Lines lines = observer.Lines();
  const Lines tail(lines.end() - 3, lines.end());
  EXPECT_EQ(tail, (Lines{"pct 100", "cat-4", "scan-"}));
  EXPECT_EQ(observer.Only("cat+"), (Lines{"cat+4"}));
  EXPECT_EQ(Problems(), Lines{});  // stopped before the Run values were read
}

}  // namespace
