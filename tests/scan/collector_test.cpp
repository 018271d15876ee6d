// The problem intake rule: exclusions, the writability check, acceptance
// under the current category, the counter.
#include <gtest/gtest.h>

#include "platform/memory/memory_platform.h"
#include "platform/text.h"
#include "registry/reg_key_ex.h"
#include "scan/problem_collector.h"
#include "scan/scan_test_support.h"

namespace {

using Verdict = CProblemCollector::Verdict;

const std::wstring kKey = L"HKEY_CURRENT_USER\\Software\\Vendor\\App";
const std::wstring kLocked = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Locked";

class CollectorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mp.registry.CreateKeyPath(kKey + L"\\Sub");
    mp.registry.CreateKeyPath(kLocked);
    mp.registry.SetFault(kLocked, {.denyWrite = true});
  }

  platform::memory::MemoryPlatform mp;
  CProblemCollector collector{mp.view};
};

struct IntakeCase {
  const char* what;
  std::vector<std::wstring> exclusions;
  std::wstring keyPath;
  std::wstring valueName;
  Verdict expected;
};

TEST_F(CollectorTest, IntakeRuleCases) {
  const std::wstring upper = platform::Upcase(kKey);
  const std::vector<IntakeCase> cases = {
      {"no exclusions", {}, kKey, L"Run", Verdict::kAccepted},
      {"key path alone, other case", {upper}, kKey, L"Run", Verdict::kExcluded},
      {"key path and value, other case", {upper + L"\\RUN"}, kKey, L"Run", Verdict::kExcluded},
      {"other value of the key", {kKey + L"\\Other"}, kKey, L"Run", Verdict::kAccepted},
      {"whole key through n/a", {kKey + L"\\n/a"}, kKey, L"n/a", Verdict::kExcluded},
      {"default value through a trailing backslash", {kKey + L"\\"}, kKey, L"", Verdict::kExcluded},
      {"trailing backslash is not the whole key", {kKey + L"\\"}, kKey, L"n/a",
       Verdict::kAccepted},
      {"one level deeper does not match", {kKey}, kKey + L"\\Sub", L"n/a", Verdict::kAccepted},
      {"a prefix does not match", {L"HKEY_CURRENT_USER\\Software\\Vendor\\Ap"}, kKey, L"n/a",
       Verdict::kAccepted},
      {"later entry of several", {L"HKEY_CURRENT_USER\\X", L"hkey_current_user\\software\\vendor\\app"},
       kKey, L"n/a", Verdict::kExcluded},
      {"unparsable root", {}, L"HKEY_NOWHERE\\Software\\Vendor\\App", L"n/a",
       Verdict::kNotWritable},
      {"empty key path", {}, L"", L"n/a", Verdict::kNotWritable},
      {"missing key", {}, kKey + L"\\Gone", L"n/a", Verdict::kNotWritable},
      {"readable but not writable", {}, kLocked, L"Value", Verdict::kNotWritable},
      {"exclusion wins over an unwritable key", {kLocked}, kLocked, L"Value", Verdict::kExcluded},
      {"short root form parses", {}, L"HKCU\\Software\\Vendor\\App", L"", Verdict::kAccepted},
  };
  for (const auto& c : cases) {
    collector.SetExclusions(c.exclusions);
    EXPECT_EQ(collector.Judge(c.keyPath, c.valueName), c.expected) << c.what;
    collector.OnScanBegin();
    collector.OnCategoryBegin(4);
    const int32_t accepted = collector.OnProblemFound(11, L"data", c.keyPath, c.valueName);
    EXPECT_EQ(accepted, c.expected == Verdict::kAccepted ? 1 : 0) << c.what;
    EXPECT_EQ(collector.Result().problemCount, accepted) << c.what;
    EXPECT_EQ(collector.Result().byCategory.size(), static_cast<size_t>(accepted)) << c.what;
  }
  // The locked key is there for reading: only the write check drops it.
  EXPECT_TRUE(NSRegKeyEx::KeyExists(mp.view, kLocked));
  EXPECT_EQ(mp.registry.OpenHandleCount(), 0u);
}

TEST_F(CollectorTest, AcceptedProblemsGoUnderTheCurrentCategoryInOrderWithoutDeduplication) {
  collector.OnScanBegin();
  collector.OnCategoryBegin(15);
  EXPECT_EQ(collector.OnProblemFound(3, L"C:\\gone.dll", kKey, L""), 1);
  EXPECT_EQ(collector.OnProblemFound(3, L"C:\\gone.dll", kKey, L""), 1);  // listed twice
  EXPECT_EQ(collector.OnProblemFound(3, L"x", kLocked, L""), 0);
  collector.OnCategoryEnd(15);
  collector.OnCategoryBegin(2);
  collector.OnCategoryEnd(2);  // entered though empty
  collector.OnCategoryBegin(0);
  EXPECT_EQ(collector.OnProblemFound(5, L"app.exe", kKey + L"\\Sub", L"Path"), 1);

  const SRegScanDetail& r = collector.Result();
  EXPECT_EQ(r.problemCount, 3);
  std::vector<int32_t> ids;
  for (const auto& [id, items] : r.byCategory) ids.push_back(id);
  EXPECT_EQ(ids, (std::vector<int32_t>{0, 2, 15}));  // ascending ids
  ASSERT_EQ(r.byCategory.at(15).size(), 2u);
  EXPECT_TRUE(r.byCategory.at(2).empty());
  const SRegProblemItem& item = r.byCategory.at(0).front();
  EXPECT_TRUE(item.checked);
  EXPECT_EQ(item.keyPath, kKey + L"\\Sub");
  EXPECT_EQ(item.valueName, L"Path");
  EXPECT_EQ(item.data, L"app.exe");
  EXPECT_EQ(item.problemType, 5);
}

TEST_F(CollectorTest, EachScanStartsWithAFreshResult) {
  collector.OnScanBegin();
  collector.OnCategoryBegin(1);
  collector.OnProblemFound(10, L"", kKey, L"n/a");
  SRegScanDetailPtr first = collector.TakeResult();
  ASSERT_EQ(first->problemCount, 1);
  EXPECT_EQ(collector.Result().problemCount, 0);
  collector.OnProblemFound(10, L"", kKey, L"n/a");  // still category 1
  EXPECT_EQ(collector.Result().byCategory.count(1), 1u);
  collector.OnScanBegin();
  EXPECT_EQ(collector.Result().problemCount, 0);
  EXPECT_TRUE(collector.Result().byCategory.empty());
  EXPECT_EQ(first->byCategory.at(1).size(), 1u);  // the taken result is the owner's now
}

TEST_F(CollectorTest, CollectingObserverPassesOnAcceptedProblemsOnly) {
  scan_test::RecordingObserver next;
  CCollectingObserver observer(collector, &next);
  collector.SetExclusions({kKey + L"\\Excluded"});
  observer.OnScanBegin();
  observer.OnCategoryBegin(9);
  observer.OnScanItem(L"item");
  EXPECT_EQ(observer.OnProblemFound(13, L".x", kKey, L"Excluded"), 0);
  EXPECT_EQ(observer.OnProblemFound(13, L".x", kKey, L"n/a"), 1);
  observer.OnScanProgress(50);
  observer.OnCategoryEnd(9);
  observer.OnScanEnd();
  EXPECT_EQ(next.Lines(),
            (std::vector<std::string>{"scan+", "cat+9", "item item",
                                      "problem 13|.x|" + platform::ToUtf8(kKey) + "|n/a",
                                      "pct 50", "cat-9", "scan-"}));
  EXPECT_EQ(collector.Result().problemCount, 1);
}

}  // namespace
