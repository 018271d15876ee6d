#include "settings/memory_settings_store.h"
#include "settings/settings_keys.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace settings {
namespace {

TEST(MemorySettingsStore, NeverWrittenKeysReadAsDefaultsAndWritesComeBack) {
  MemorySettingsStore store;
  EXPECT_EQ(store.GetInt(kSection, kExitMini, 0), 0);
  EXPECT_EQ(store.GetInt(kSection, kExitMini, 7), 7);
  EXPECT_EQ(ReadWholeString(store, kSection, kLastRegScan), L"");

  store.SetInt(kSection, kExitMini, -3);
  store.SetString(kSection, kLastRegScan, L"12345");
  EXPECT_EQ(store.GetInt(kSection, kExitMini, 0), -3);
  EXPECT_EQ(ReadWholeString(store, kSection, kLastRegScan), L"12345");
  // Sections are separate name spaces.
  EXPECT_EQ(store.GetInt(L"Other", kExitMini, 0), 0);
}

TEST(MemorySettingsStore, GetStringReportsTheSizeItNeedsAndCopiesOnlyWhole) {
  MemorySettingsStore store;
  store.SetString(kSection, kCleanupExclsion, L"abcdef");
  wchar_t buffer[8];
  std::fill(std::begin(buffer), std::end(buffer), L'#');
  EXPECT_EQ(store.GetString(kSection, kCleanupExclsion, buffer, 6), 7u);
  EXPECT_EQ(buffer[0], L'\0');  // nothing half-copied
  EXPECT_EQ(store.GetString(kSection, kCleanupExclsion, buffer, 7), 7u);
  EXPECT_EQ(std::wstring(buffer), L"abcdef");
  EXPECT_EQ(store.GetString(kSection, kCleanupExclsion, nullptr, 0), 7u);
}

TEST(ReadWholeString, ReadsTextsFarBeyondTheUsualBuffer) {
  MemorySettingsStore store;
  std::wstring text;
  for (int i = 0; i < 5000; ++i) text += static_cast<wchar_t>(L'a' + i % 26);
  store.SetString(kSection, kCleanupExclsion, text);
  EXPECT_EQ(ReadWholeString(store, kSection, kCleanupExclsion), text);
}

// A store whose text grows each time it is asked, as when another thread
// writes between the size query and the read.
class GrowingStore : public MemorySettingsStore {
 public:
  size_t GetString(const wchar_t* section, const wchar_t* key, wchar_t* buffer,
                   size_t capacity) override {
    if (calls_++ < 3) SetString(section, key, std::wstring(1500 * calls_, L'x'));
    return MemorySettingsStore::GetString(section, key, buffer, capacity);
  }
  int calls_ = 0;
};

TEST(ReadWholeString, AsksAgainWhenTheTextGrewBetweenReads) {
  GrowingStore store;
  EXPECT_EQ(ReadWholeString(store, kSection, kCleanupExclsion), std::wstring(4500, L'x'));
}

class UnreadableStore : public MemorySettingsStore {
 public:
  size_t GetString(const wchar_t*, const wchar_t*, wchar_t* buffer, size_t capacity) override {
    if (capacity > 0) buffer[0] = L'\0';
    return 0;
  }
};

TEST(ReadWholeString, AnUnreadableStoreReadsAsEmpty) {
  UnreadableStore store;
  EXPECT_EQ(ReadWholeString(store, kSection, kLastRegScan), L"");
}

TEST(MemorySettingsStore, WritersOnSeveralThreadsLoseNothing) {
  MemorySettingsStore store;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&store, t] {
      const std::wstring key = L"Figure" + std::to_wstring(t);
      for (int i = 1; i <= 500; ++i) {
        store.SetInt(kSection, key.c_str(), i);
        store.SetString(kSection, kLastRegScan, std::wstring(static_cast<size_t>(i), L'0' + t));
        const std::wstring read = ReadWholeString(store, kSection, kLastRegScan);
        ASSERT_FALSE(read.empty());
        ASSERT_EQ(read.find_first_not_of(read[0]), std::wstring::npos);  // never a mix
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (int t = 0; t < 4; ++t) {
    const std::wstring key = L"Figure" + std::to_wstring(t);
    EXPECT_EQ(store.GetInt(kSection, key.c_str(), 0), 500);
  }
}

}  // namespace
}  // namespace settings
