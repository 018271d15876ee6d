#include "settings/exclusions.h"

#include <gtest/gtest.h>

#include "platform/text.h"
#include "settings/memory_settings_store.h"
#include "settings/settings_keys.h"

namespace settings {
namespace {

using List = std::vector<std::wstring>;

TEST(Exclusions, StoredTextSplitsAtSemicolonsAndSkipsEmptyPieces) {
  struct Case { std::wstring text; List entries; };
  const Case cases[] = {
      {L"", {}},
      {L";", {}},
      {L"A;", {L"A"}},
      {L"A;;B;", {L"A", L"B"}},
      {L";A;B", {L"A", L"B"}},  // leading ';' and no trailing one
      {L"HKEY_CURRENT_USER\\Software\\Foo ;  ;", {L"HKEY_CURRENT_USER\\Software\\Foo ", L"  "}},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseExclusions(c.text), c.entries) << platform::ToUtf8(c.text);
}

TEST(Exclusions, AddingAnEntryAppendsItWithItsSemicolon) {
  MemorySettingsStore store;
  List entries = {L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Bar"};
  SaveExclusions(store, entries);
  entries = LoadExclusions(store);
  entries.push_back(L"HKEY_CURRENT_USER\\Software\\Foo");
  SaveExclusions(store, entries);
  EXPECT_EQ(*store.Raw(kSection, kCleanupExclsion),
            L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Bar;HKEY_CURRENT_USER\\Software\\Foo;");
  SaveExclusions(store, {});
  EXPECT_EQ(*store.Raw(kSection, kCleanupExclsion), L"");
}

TEST(Exclusions, AListOfThreeThousandCharactersSurvivesLoadAndSave) {
  MemorySettingsStore store;
  List entries;
  size_t length = 0;
  for (int i = 0; length < 3000; ++i) {
    entries.push_back(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Product" + std::to_wstring(i));
    length += entries.back().size() + 1;
  }
  SaveExclusions(store, entries);
  ASSERT_GE(store.Raw(kSection, kCleanupExclsion)->size(), 3000u);

  // The page's round trip: load, add one, save, load again.
  List loaded = LoadExclusions(store);
  EXPECT_EQ(loaded, entries);
  loaded.push_back(L"HKEY_CURRENT_USER\\Last");
  SaveExclusions(store, loaded);
  const List again = LoadExclusions(store);
  ASSERT_EQ(again.size(), entries.size() + 1);
  EXPECT_EQ(again.back(), L"HKEY_CURRENT_USER\\Last");
  EXPECT_EQ(List(again.begin(), again.end() - 1), entries);
}

TEST(Exclusions, MatchingComparesWholePathsIgnoringCase) {
  const List entries = {
      L"hkey_current_user\\software\\foo",
      L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Run\\Updater",
      L"HKEY_CLASSES_ROOT\\CLSID\\{1}\\n/a",
  };
  struct Case { std::wstring key, value; bool excluded; };
  const Case cases[] = {
      {L"HKEY_CURRENT_USER\\Software\\Foo", L"n/a", true},        // key path alone, any case
      {L"HKEY_CURRENT_USER\\Software\\Foo", L"Anything", true},
      {L"HKEY_CURRENT_USER\\Software\\Foo", L"", true},
      {L"HKEY_CURRENT_USER\\Software\\Foo\\Bar", L"n/a", false},  // one level deeper
      {L"HKEY_CURRENT_USER\\Software", L"Foo", true},             // key + "\" + value
      {L"HKEY_CURRENT_USER\\Software\\Fo", L"n/a", false},        // no prefix match
      {L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Run", L"UPDATER", true},   // that value only
      {L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Run", L"Other", false},
      {L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Run", L"n/a", false},
      {L"HKEY_CLASSES_ROOT\\CLSID\\{1}", L"n/a", true},           // whole-key problem
      {L"HKEY_CLASSES_ROOT\\CLSID\\{1}", L"InprocServer32", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsExcluded(entries, c.key, c.value), c.excluded)
        << platform::ToUtf8(c.key) << " | " << platform::ToUtf8(c.value);
  }
  EXPECT_FALSE(IsExcluded({}, L"HKEY_CURRENT_USER\\Software\\Foo", L"n/a"));
}

TEST(Exclusions, CaseFoldingCoversLettersBeyondAscii) {
  EXPECT_TRUE(IsExcluded({L"HKEY_CURRENT_USER\\Software\\\u00c9T\u00c9"},
                         L"HKEY_CURRENT_USER\\Software\\\u00e9t\u00e9", L"n/a"));
}

}  // namespace
}  // namespace settings
