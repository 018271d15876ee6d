#include "modules/config/settings_file_store.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "app/win32/process_support.h"
#include "platform/text.h"

namespace {

using config::SettingsFileStore;

class SettingsFile : public ::testing::Test {
 protected:
  std::wstring Bytes() {
    HANDLE f = CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    std::vector<uint8_t> bytes(GetFileSize(f, nullptr));
    DWORD got = 0;
    ReadFile(f, bytes.data(), bytes.size(), &got, nullptr);
    CloseHandle(f);
    if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE) return L"<no byte-order mark>";
    return platform::FromUtf16Bytes(bytes.data() + 2, bytes.size() - 2);
  }

  testsupport::TempFolder folder_{L"lumora_settings_"};
  // A folder that does not exist yet: the store creates it.
  std::wstring path_ = folder_.Path() + L"Quorvel\\Lumora\\Settings.ini";
  SettingsFileStore store_{path_};
};

TEST_F(SettingsFile, ValuesPersistInAUnicodeFileAndAnyTextSurvives) {
  EXPECT_EQ(store_.GetInt(L"Lumora", L"ExitMini", 7), 7);
  ASSERT_TRUE(store_.SetInt(L"Lumora", L"ExitMini", 1));
  const std::wstring tricky = L" lead\\ing=x;\r\n[Section]\n;semi ÄÖÜ ";
  ASSERT_TRUE(store_.SetString(L"Lumora", L"CleanupExclsion", tricky));
  ASSERT_TRUE(store_.SetInt(L"Other", L"ExitMini", -5));

  SettingsFileStore again(path_);  // as the next process reads it
  EXPECT_EQ(again.GetInt(L"lumora", L"exitmini", 0), 1);
  EXPECT_EQ(again.GetInt(L"Other", L"ExitMini", 0), -5);
  EXPECT_EQ(settings::ReadWholeString(again, L"Lumora", L"CleanupExclsion"), tricky);
  const std::wstring text = Bytes();
  EXPECT_NE(text.find(L"[Lumora]\r\nExitMini=1\r\n"), std::wstring::npos) << platform::ToUtf8(text);
  // Only the settings file remains: no temporary file is left beside it.
  EXPECT_EQ(testsupport::FilesMatching(folder_.Path() + L"Quorvel\\Lumora\\*").size(), 1u);
}

TEST_F(SettingsFile, ANonNumberReadsAsTheDefault) {
  ASSERT_TRUE(store_.SetString(L"Lumora", L"ScheduleType", L"abc"));
  EXPECT_EQ(store_.GetInt(L"Lumora", L"ScheduleType", 3), 3);
  ASSERT_TRUE(store_.SetString(L"Lumora", L"ScheduleType", L"99999999999"));
  EXPECT_EQ(store_.GetInt(L"Lumora", L"ScheduleType", 3), 3);
}

TEST_F(SettingsFile, WritesFromSeveralThreadsAreAllKept) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([this, t] {
      for (int i = 0; i < 25; ++i)
        EXPECT_TRUE(store_.SetInt(L"Lumora", platform::Format(L"K%d_%d", t, i).c_str(), t * 100 + i));
    });
  }
  for (auto& thread : threads) thread.join();
  for (int t = 0; t < 4; ++t)
    for (int i = 0; i < 25; ++i)
      EXPECT_EQ(store_.GetInt(L"Lumora", platform::Format(L"K%d_%d", t, i).c_str(), -1), t * 100 + i);
}

TEST_F(SettingsFile, AFileThatCannotBeReadIsNeitherReadNorReplaced) {
  ASSERT_TRUE(store_.SetInt(L"Lumora", L"ExitMini", 1));
  // Another program holds the file open without sharing it.
  HANDLE held = CreateFileW(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(store_.GetInt(L"Lumora", L"ExitMini", 0), 0);
  wchar_t buffer[4];
  EXPECT_EQ(store_.GetString(L"Lumora", L"ExitMini", buffer, 4), 0u);
  EXPECT_FALSE(store_.SetInt(L"Lumora", L"ExitMini", 2));
  CloseHandle(held);
  EXPECT_EQ(store_.GetInt(L"Lumora", L"ExitMini", 0), 1);
}

}  // namespace
