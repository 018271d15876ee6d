// The scanner skeleton: walks with cancel checks, progress per pass, the
// scan-item texts, and the percent formulas.
#include <gtest/gtest.h>

#include "platform/memory/memory_platform.h"
#include "platform/text.h"
#include "platform/win32_constants.h"
#include "scan/purvex_impl.h"
#include "scan/scan_test_support.h"

namespace {

using NSRegKeyEx::CRegKeyEx;
using NSTorvane::RegValue;
using scan_test::FnScanner;
using scan_test::RecordingObserver;
using Lines = std::vector<std::string>;

struct PercentCase {
  uint32_t k, keys, i, n;
  int32_t expected;
};

TEST(PercentTest, PassAndKeyOfKeysFormulas) {
  const std::vector<PercentCase> pass = {
      {0, 1, 0, 3, 33}, {0, 1, 1, 3, 66}, {0, 1, 2, 3, 100}, {0, 1, 0, 1, 100},
      {0, 1, 0, 7, 14}, {0, 1, 6, 7, 100}, {0, 1, 0, 1000, 0}, {0, 1, 9, 1000, 1},
  };
  for (const auto& c : pass) {
    EXPECT_EQ(NSTorvane::PassPercent(c.i, c.n), c.expected) << c.i << "/" << c.n;
    EXPECT_EQ(NSTorvane::EachPass()(c.i, c.n), c.expected);
  }
  // Each part truncated on its own: 93 + 6, not trunc(99.99).
  const std::vector<PercentCase> split = {
      {0, 16, 0, 1, 6},   {15, 16, 9, 10, 99}, {1, 2, 4, 5, 100}, {0, 3, 0, 3, 11},
      {2, 3, 2, 3, 99},   {1, 32, 0, 2, 4},    {0, 2, 0, 1, 50},  {3, 4, 0, 1, 100},
  };
  for (const auto& c : split) {
    EXPECT_EQ(NSTorvane::KeyOfKeysPercent(c.k, c.keys, c.i, c.n), c.expected)
        << c.k << "/" << c.keys << " " << c.i << "/" << c.n;
    EXPECT_EQ(NSTorvane::KeyOfKeys(c.k, c.keys)(c.i, c.n), c.expected);
  }
  EXPECT_EQ(NSTorvane::TruncPercent(99.999), 99);
  EXPECT_EQ(NSTorvane::TruncPercent(-0.5), 0);
}

TEST(ItemPathTest, BackslashOnlyWhenMissing) {
  EXPECT_EQ(NSTorvane::ItemPath(L"HKEY_CLASSES_ROOT", L".txt"), L"HKEY_CLASSES_ROOT\\.txt");
  EXPECT_EQ(NSTorvane::ItemPath(L"HKEY_CLASSES_ROOT\\", L".txt"), L"HKEY_CLASSES_ROOT\\.txt");
  EXPECT_EQ(NSTorvane::ItemPath(L"", L"x"), L"\\x");
}

class SkeletonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const wchar_t* n : {L"Delta", L"alpha", L"Charlie", L"bravo"})
      mp.registry.CreateKeyPath(kRoot + L"\\" + n);
    // Primes the process-wide last percent so that sequences are known.
    NSTorvane::CPurvexImpl primer(mp.view);
    primer.ReportProgress(0);
  }

  void Run(FnScanner::Body body) {
    FnScanner scanner(mp.view, std::move(body));
    scanner.observer = &observer;
    scanner.Scan();
  }

  const std::wstring kRoot = L"HKEY_CURRENT_USER\\Software\\Walk";
  platform::memory::MemoryPlatform mp;
  RecordingObserver observer;
};

TEST_F(SkeletonTest, SubKeyWalkSendsItemAndProgressPerPass) {
  std::vector<std::wstring> seen;
  Run([&](FnScanner& s) {
    CRegKeyEx key(s.GetPlatform());
    ASSERT_TRUE(key.Open(kRoot));
    s.WalkSubKeys(key, NSTorvane::EachPass(), [&](const std::wstring& n) { seen.push_back(n); });
    s.ReportProgress(100);  // already at 100: nothing sent
  });
  const std::string root = platform::ToUtf8(kRoot);
  EXPECT_EQ(observer.Lines(),
            (Lines{"pct 25", "item " + root + "\\alpha", "pct 50", "item " + root + "\\bravo",
                   "pct 75", "item " + root + "\\Charlie", "pct 100",
                   "item " + root + "\\Delta"}));
  EXPECT_EQ(seen, (std::vector<std::wstring>{L"alpha", L"bravo", L"Charlie", L"Delta"}));
}

TEST_F(SkeletonTest, RootWalkDoesNotDoubleTheBackslash) {
  Run([&](FnScanner& s) {
    CRegKeyEx key(s.GetPlatform());
    ASSERT_TRUE(key.Open(L"HKEY_CURRENT_USER\\"));
    s.WalkSubKeys(key, NSTorvane::NoProgress(), [](const std::wstring&) {});
  });
  EXPECT_EQ(observer.Only("item"), (Lines{"item HKEY_CURRENT_USER\\Software"}));
  EXPECT_TRUE(observer.Only("pct").empty());
}

TEST_F(SkeletonTest, CancelStopsAtTheHeadOfTheNextPass) {
  int visits = 0;
  Run([&](FnScanner& s) {
    CRegKeyEx key(s.GetPlatform());
    ASSERT_TRUE(key.Open(kRoot));
    s.WalkSubKeys(key, NSTorvane::EachPass(), [&](const std::wstring&) {
      if (++visits == 2) s.cancel = true;
    });
  });
  EXPECT_EQ(visits, 2);
  EXPECT_EQ(observer.Only("pct"), (Lines{"pct 25", "pct 50"}));
}

TEST_F(SkeletonTest, ScanClearsCancelAndAnEngineStopIsStillSeen) {
  std::atomic<int32_t> engineStop{1};
  FnScanner scanner(mp.view, [](FnScanner&) {});
  scanner.cancel = true;
  scanner.SetStopSource(&engineStop);
  scanner.Scan();
  EXPECT_FALSE(scanner.cancel);
  EXPECT_TRUE(scanner.Cancelled());
  engineStop = 0;
  EXPECT_FALSE(scanner.Cancelled());
}

TEST_F(SkeletonTest, EntriesThatVanishAfterOpenArePassedOverWithTheirProgress) {
  std::vector<std::wstring> seen;
  Run([&](FnScanner& s) {
    CRegKeyEx key(s.GetPlatform());
    ASSERT_TRUE(key.Open(kRoot));
    mp.registry.RemoveKeyTree(kRoot + L"\\Delta");  // index 3 no longer reads
    s.WalkSubKeys(key, NSTorvane::KeyOfKeys(1, 2), [&](const std::wstring& n) {
      seen.push_back(n);
    }, NSTorvane::ItemText::kNone);
  });
  EXPECT_EQ(seen.size(), 3u);
  EXPECT_TRUE(observer.Only("item").empty());
  EXPECT_EQ(observer.Only("pct"), (Lines{"pct 62", "pct 75", "pct 87", "pct 100"}));
}

TEST_F(SkeletonTest, ValueWalksReadNamesAndData) {
  const std::wstring key = kRoot + L"\\alpha";
  mp.registry.SetString(key, L"Path", L"C:\\Tool\\tool.exe");
  mp.registry.SetDword(key, L"Count", 7);
  mp.registry.SetString(key, L"", L"default", platform::kRegExpandSz);
  std::vector<std::string> values;
  std::vector<std::wstring> names;
  Run([&](FnScanner& s) {
    CRegKeyEx k(s.GetPlatform());
    ASSERT_TRUE(s.OpenForValueWalk(k, key));
    // A value that grows beyond the size known at the open is passed over.
    mp.registry.SetString(key, L"Path", std::wstring(100, L'x'));
    s.WalkValues(k, NSTorvane::EachPass(), [&](const RegValue& v) {
      values.push_back(platform::ToUtf8(v.name) + "=" + std::to_string(v.type) + ":" +
                       (v.type == platform::kRegDword ? std::to_string(v.size)
                                                       : platform::ToUtf8(v.Text())));
    });
    s.WalkValueNames(k, NSTorvane::NoProgress(), [&](const std::wstring& n) {
      names.push_back(n);
    });
  });
  EXPECT_EQ(values, (std::vector<std::string>{"Count=4:4", "=2:default"}));
  EXPECT_EQ(names, (std::vector<std::wstring>{L"Path", L"Count", L""}));
  EXPECT_EQ(observer.Lines(), (Lines{"item " + platform::ToUtf8(key), "pct 33", "pct 66",
                                     "pct 100"}));
}

TEST_F(SkeletonTest, OpenForValueWalkSendsNothingWhenTheKeyIsMissing) {
  Run([&](FnScanner& s) {
    CRegKeyEx k(s.GetPlatform());
    EXPECT_FALSE(s.OpenForValueWalk(k, kRoot + L"\\Gone"));
  });
  EXPECT_TRUE(observer.Lines().empty());
}

}  // namespace
