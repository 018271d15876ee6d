#include "settings/category_buttons.h"
#include "settings/memory_settings_store.h"
#include "settings/settings_codecs.h"
#include "settings/settings_keys.h"

#include <gtest/gtest.h>

#include <limits>

#include "platform/text.h"

namespace settings {
namespace {

TEST(SettingsCodecs, NumbersReadTheWayTheRuntimeReadsThem) {
  struct Case { std::wstring text; int64_t value; };
  const Case cases[] = {
      {L"", 0},
      {L"abc", 0},
      {L"-", 0},
      {L"1346422500", 1346422500},
      {L"  \t42", 42},
      {L"+17", 17},
      {L"-5", -5},
      {L"12abc", 12},
      {L"9999999999", 9999999999},
      {L"9223372036854775807", std::numeric_limits<int64_t>::max()},
      {L"-9223372036854775808", std::numeric_limits<int64_t>::min()},
      {L"99999999999999999999", std::numeric_limits<int64_t>::max()},
      {L"-99999999999999999999", std::numeric_limits<int64_t>::min()},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseInt64(c.text), c.value) << platform::ToUtf8(c.text);
  }
  EXPECT_EQ(ParseInt32(L"9999999999"), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(ParseInt32(L"-9999999999"), std::numeric_limits<int32_t>::min());
}

TEST(SettingsCodecs, TimesRoundTripAsDecimalSeconds) {
  MemorySettingsStore store;
  const int64_t times[] = {0, 1, -86400, 1346422500, 4102444800,  // after 2038
                           std::numeric_limits<int64_t>::max(),
                           std::numeric_limits<int64_t>::min()};
  for (int64_t t : times) {
    WriteTime(store, kLastRegScan, t);
    EXPECT_EQ(*store.Raw(kSection, kLastRegScan),
              platform::FromUtf8(std::to_string(t)));
    EXPECT_EQ(ReadTime(store, kLastRegScan), t);
  }
  EXPECT_EQ(ReadTime(store, kLastRegisterOpti), std::nullopt);  // never optimized
  store.SetString(kSection, kLastRegisterOpti, L"not a time");
  EXPECT_EQ(ReadTime(store, kLastRegisterOpti), 0);
}

TEST(CategoryChoice, EmptyTextMeansAllSeventeenOn) {
  const CategoryChoice choice = ParseCategoryChoice(L"");
  ASSERT_EQ(choice.size(), 17u);
  for (const auto& [id, state] : choice) EXPECT_EQ(state, 1) << id;
  std::vector<int32_t> all;
  for (int32_t id = 0; id < 17; ++id) all.push_back(id);
  EXPECT_EQ(ScanCategories(choice), all);
}

TEST(CategoryChoice, PiecesAreReadOneByOne) {
  struct Case { std::wstring text; CategoryChoice choice; };
  const Case cases[] = {
      {L"0:1,1:0,", {{0, 1}, {1, 0}}},
      {L"3:1", {{3, 1}}},                                // no trailing comma
      {L"5:0,nocolon,,7:1,", {{5, 0}, {7, 1}}},         // pieces without ':' ignored
      {L"x:1,", {{0, 1}}},                              // no number reads as 0
      {L"2:yes,", {{2, 0}}},
      {L"4:1:9,", {{4, 1}}},                            // split at the first ':'
      {L"6:1,6:0,", {{6, 0}}},                          // the later piece wins
      {L",", {}},                                        // text, but no piece: nothing on
      {L" 8 : 1 ,", {{8, 1}}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseCategoryChoice(c.text), c.choice) << platform::ToUtf8(c.text);
  }
}

TEST(CategoryChoice, FontsOffIsStoredAsTheSeventhPieceWithStateZero) {
  const auto buttons = CategoryButtonMap();
  ASSERT_EQ(buttons.at(6), L"BtnFonts");
  const CategoryChoice choice = GetCheckedCategories(
      buttons, [](const std::wstring& control) { return control != L"BtnFonts"; });

  MemorySettingsStore store;
  WriteCategoryChoice(store, choice);
  EXPECT_EQ(*store.Raw(kSection, kCleanupCheckType),
            L"0:1,1:1,2:1,3:1,4:1,5:1,6:0,7:1,8:1,9:1,10:1,11:1,12:1,13:1,14:1,15:1,16:1,");
  const CategoryChoice back = ReadCategoryChoice(store);
  EXPECT_EQ(back, choice);
  const auto ids = ScanCategories(back);
  EXPECT_EQ(ids.size(), 16u);
  EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
  EXPECT_EQ(std::find(ids.begin(), ids.end(), 6), ids.end());
}

TEST(CategoryChoice, AnyNonZeroStateIsWrittenAsOne) {
  EXPECT_EQ(FormatCategoryChoice({{2, 5}, {0, -1}, {1, 0}}), L"0:1,1:0,2:1,");
}

TEST(CategoryChoice, OnlyMentionedButtonsChange) {
  const auto buttons = CategoryButtonMap();
  std::map<std::wstring, bool> set;
  ApplyChoiceToButtons(buttons, ParseCategoryChoice(L"1:0,16:1,40:1,"),
                       [&](const std::wstring& control, bool checked) { set[control] = checked; });
  EXPECT_EQ(set, (std::map<std::wstring, bool>{{L"BtnUnuseKey", false}, {L"BtnDeepScan", true}}));
}

TEST(ScheduleCodecs, StoredValuesOutsideTheirRangeMeanNoScheduleAndSunday) {
  struct Case { int32_t stored; int entry; };
  const Case types[] = {{0, 4}, {1, 0}, {2, 1}, {3, 2}, {4, 3}, {5, 4}, {6, 4}, {-1, 4}, {99, 4}};
  for (const auto& c : types) EXPECT_EQ(ScheduleEntryFromStored(c.stored), c.entry) << c.stored;
  for (int entry = 0; entry < 5; ++entry) {
    EXPECT_EQ(ScheduleEntryFromStored(StoredTypeFromEntry(entry)), entry);
  }
  const Case weeks[] = {{0, 0}, {3, 3}, {6, 6}, {7, 0}, {9, 0}, {-1, 0}};
  for (const auto& c : weeks) EXPECT_EQ(ScheduleWeekFromStored(c.stored), c.entry) << c.stored;
}

}  // namespace
}  // namespace settings
