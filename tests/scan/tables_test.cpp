// The category and problem-type tables, against the settings page's own
// button table and the names the language files use.
#include <gtest/gtest.h>

#include <set>

#include "platform/text.h"
#include "scan/scan_types.h"
#include "settings/category_buttons.h"

namespace {

TEST(ScanTablesTest, CategoriesAreIndexedByIdAndAgreeWithTheSettingsButtons) {
  ASSERT_EQ(settings::kCategoryCount, kScanCategoryCount);
  std::set<std::wstring> names, problemButtons;
  for (int32_t id = 0; id < kScanCategoryCount; ++id) {
    const CategoryInfo* c = FindCategory(id);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->id, id);
    EXPECT_EQ(std::wstring(c->settingsButton), settings::kCategoryButtons[id]) << id;
    EXPECT_EQ(std::wstring(c->scannerClass).rfind(L"NSTorvane::CPurvex", 0), 0u) << id;
    names.insert(c->name);
    problemButtons.insert(c->problemButton);
    EXPECT_EQ(std::wstring(c->problemButton).rfind(L"BTNPROB", 0), 0u) << id;
  }
  EXPECT_EQ(names.size(), 17u);
  EXPECT_EQ(problemButtons.size(), 17u);
  EXPECT_EQ(problemButtons.count(kProblemSummaryButton), 0u);
  for (int32_t id : {-1, 17, 1 << 30}) EXPECT_EQ(FindCategory(id), nullptr) << id;
}

TEST(ScanTablesTest, StoredSpellingsAreKeptLetterForLetter) {
  EXPECT_STREQ(FindCategory(kCatActivexCom)->name, L"Active && Com");
  EXPECT_STREQ(FindCategory(kCatUnusedSoftKey)->scannerClass, L"NSTorvane::CPurvexUnsedSoftKey");
  EXPECT_STREQ(FindCategory(kCatUnusedSoftKey)->problemButton, L"BTNPROBUNSEDSOFTKEY");
  EXPECT_STREQ(FindCategory(kCatMuiCache)->settingsButton, L"BtnMULCache");
  EXPECT_STREQ(FindCategory(kCatSharedDlls)->name, L"Share DLL");
  EXPECT_STREQ(ProblemTypeName(kInvalidSoudFileRef), L"InvalidSoudFileRef");
  EXPECT_STREQ(ProblemTypeName(kUnUsedSoftwareKey), L"UnUsedSoftwareKey");
  EXPECT_STREQ(ProblemTypeName(kBHOIssue), L"BHOIssue");
}

TEST(ScanTablesTest, ProblemTypesAreDistinctAndBounded) {
  std::set<std::wstring> seen;
  for (int32_t t = 0; t < kProblemTypeCount; ++t) {
    ASSERT_NE(ProblemTypeName(t), nullptr);
    seen.insert(ProblemTypeName(t));
  }
  EXPECT_EQ(seen.size(), 24u);
  EXPECT_EQ(ProblemTypeName(-1), nullptr);
  EXPECT_EQ(ProblemTypeName(24), nullptr);
  EXPECT_STREQ(kWholeKey, L"n/a");
}

}  // namespace
