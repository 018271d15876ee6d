// Checks of the win32 backend's own handling that the backend-independent
// contract suite cannot make: buffer growth, privileges, module and device names.
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "platform/text.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32_constants.h"
#include "platform/win32/win32_test_support.h"

namespace platform::win32 {
namespace {

using testing::RawKey;

class Win32LayerTest : public ::testing::Test {
 protected:
  Platform& p = Win32Platform();
};

// Whether the process token holds the privilege enabled, asked of the token itself.
bool TokenHasEnabled(const wchar_t* name) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  PRIVILEGE_SET set{};
  set.PrivilegeCount = 1;
  set.Control = PRIVILEGE_SET_ALL_NECESSARY;
  BOOL held = FALSE;
  const bool ok = LookupPrivilegeValueW(nullptr, name, &set.Privilege[0].Luid) &&
                  PrivilegeCheck(token, &set, &held);
  CloseHandle(token);
  return ok && held;
}

bool SetTokenPrivilege(const wchar_t* name, bool enable) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token)) return false;
  TOKEN_PRIVILEGES tp{};
  tp.PrivilegeCount = 1;
  tp.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
  const bool ok = LookupPrivilegeValueW(nullptr, name, &tp.Privileges[0].Luid) &&
                  AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr) &&
                  GetLastError() == ERROR_SUCCESS;
  CloseHandle(token);
  return ok;
}

TEST_F(Win32LayerTest, EnablePrivilegeEnablesItInTheToken) {
  for (const wchar_t* name : {L"SeBackupPrivilege", L"SeRestorePrivilege"}) {
    ASSERT_TRUE(SetTokenPrivilege(name, false)) << ToUtf8(name);
    EXPECT_FALSE(TokenHasEnabled(name)) << ToUtf8(name);
    EXPECT_EQ(p.registry.EnablePrivilege(name), PrivilegeResult::kEnabled) << ToUtf8(name);
    EXPECT_TRUE(TokenHasEnabled(name)) << ToUtf8(name);
  }
  EXPECT_EQ(p.registry.EnablePrivilege(L"SeLumoraNoSuchPrivilege"), PrivilegeResult::kNotFound);
}

class SaveKeyTest : public Win32LayerTest {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH + 1] = {};
    ASSERT_NE(GetTempPathW(MAX_PATH + 1, temp), 0u);
    folder_ = temp;
    for (const auto* f : {L"LumoraSave1.hiv", L"LumoraSave2.hiv"}) DeleteFileW((folder_ + f).c_str());
    RawKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              key.Receive(), nullptr),
              ERROR_SUCCESS);
    const DWORD data = 42;
    RegSetValueExW(key.Get(), L"Answer", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                   sizeof(data));
  }
  void TearDown() override {
    RegDeleteKeyW(HKEY_CURRENT_USER, kKey);
    for (const auto* f : {L"LumoraSave1.hiv", L"LumoraSave2.hiv"}) DeleteFileW((folder_ + f).c_str());
    SetTokenPrivilege(L"SeBackupPrivilege", true);
  }

  // Opened as the optimizer opens a hive for saving.
  int32_t Save(const std::wstring& file) {
    HKey key = 0;
    int32_t rc = p.registry.OpenKey(kHKeyCurrentUser, kKey, kRegOptionBackupRestore,
                                    kKeyQueryValue, &key);
    if (rc != kErrorSuccess) return rc;
    rc = p.registry.SaveKey(key, file);
    p.registry.CloseKey(key);
    return rc;
  }

  static constexpr const wchar_t* kKey = L"Software\\LumoraSaveKeyTest";
  std::wstring folder_;
};

TEST_F(SaveKeyTest, SavesOnceWithTheBackupPrivilegeAndNeverOverwrites) {
  ASSERT_EQ(p.registry.EnablePrivilege(L"SeBackupPrivilege"), PrivilegeResult::kEnabled);
  const std::wstring file = folder_ + L"LumoraSave1.hiv";
  ASSERT_EQ(Save(file), kErrorSuccess);
  std::vector<uint8_t> saved, after;
  ASSERT_TRUE(p.files.ReadWholeFile(file, &saved));
  EXPECT_GT(saved.size(), 0u);
  EXPECT_EQ(Save(file), kErrorAlreadyExists);
  ASSERT_TRUE(p.files.ReadWholeFile(file, &after));
  EXPECT_EQ(after, saved);
}

TEST_F(SaveKeyTest, FailsWithoutTheBackupPrivilegeAndLeavesNoFile) {
  ASSERT_TRUE(SetTokenPrivilege(L"SeBackupPrivilege", false));
  const std::wstring file = folder_ + L"LumoraSave2.hiv";
  EXPECT_EQ(Save(file), kErrorPrivilegeNotHeld);
  EXPECT_FALSE(p.files.PathExists(file));
  // Nothing is in the way of a second attempt.
  ASSERT_EQ(p.registry.EnablePrivilege(L"SeBackupPrivilege"), PrivilegeResult::kEnabled);
  EXPECT_EQ(Save(file), kErrorSuccess);
}

TEST_F(Win32LayerTest, ExpandStringsReturnsLongTextsWhole) {
  const std::wstring part(200, L'x');
  ASSERT_TRUE(SetEnvironmentVariableW(L"LUMORA_LONG_PART", part.c_str()));
  const std::wstring middle(150, L'y');
  std::wstring expanded;
  ASSERT_TRUE(p.environment.ExpandStrings(
      L"%LUMORA_LONG_PART%\\" + middle + L"\\%LUMORA_LONG_PART%\\%LUMORA_UNSET_VARIABLE%",
      &expanded));
  EXPECT_EQ(expanded, part + L"\\" + middle + L"\\" + part + L"\\%LUMORA_UNSET_VARIABLE%");
  EXPECT_GT(expanded.size(), 550u);

  ASSERT_TRUE(p.environment.ExpandStrings(L"", &expanded));
  EXPECT_EQ(expanded, L"");
  SetEnvironmentVariableW(L"LUMORA_LONG_PART", nullptr);
}

TEST_F(Win32LayerTest, GetVariableReturnsLongValuesAndTellsUnsetFromEmpty) {
  const std::wstring value(1000, L'v');
  ASSERT_TRUE(SetEnvironmentVariableW(L"LUMORA_LONG_VALUE", value.c_str()));
  std::wstring got;
  EXPECT_TRUE(p.environment.GetVariable(L"LUMORA_LONG_VALUE", &got));
  EXPECT_EQ(got, value);
  SetEnvironmentVariableW(L"LUMORA_LONG_VALUE", nullptr);
  EXPECT_FALSE(p.environment.GetVariable(L"LUMORA_LONG_VALUE", &got));
  EXPECT_EQ(got, L"");

  ASSERT_TRUE(SetEnvironmentVariableW(L"LUMORA_EMPTY_VALUE", L""));
  got = L"stale";
  EXPECT_TRUE(p.environment.GetVariable(L"LUMORA_EMPTY_VALUE", &got));
  EXPECT_EQ(got, L"");
  SetEnvironmentVariableW(L"LUMORA_EMPTY_VALUE", nullptr);
}

TEST_F(Win32LayerTest, ModulePathNamesThisTestProgram) {
  const std::wstring path = p.environment.GetModulePath();
  const std::wstring name = L"\\platform_tests.exe";
  ASSERT_GT(path.size(), name.size());
  EXPECT_TRUE(EqualsNoCase(path.substr(path.size() - name.size()), name)) << ToUtf8(path);
  EXPECT_TRUE(p.files.PathExists(path));
}

TEST_F(Win32LayerTest, WindowsFolderAgreesWithTheShellAndTheEnvironment) {
  const std::wstring windows = p.environment.GetWindowsFolder();
  ASSERT_FALSE(windows.empty());
  EXPECT_NE(windows.back(), L'\\');
  std::wstring shell, root;
  ASSERT_TRUE(p.environment.GetSpecialFolder(kCsidlWindows, &shell));
  EXPECT_TRUE(EqualsNoCase(windows, shell)) << ToUtf8(windows) << " vs " << ToUtf8(shell);
  ASSERT_TRUE(p.environment.GetVariable(L"SystemRoot", &root));
  EXPECT_TRUE(EqualsNoCase(windows, root)) << ToUtf8(windows) << " vs " << ToUtf8(root);
}

TEST_F(Win32LayerTest, QueryDosDeviceNamesTheTargetOfMappedDrivesOnly) {
  std::wstring target;
  ASSERT_TRUE(p.system.QueryDosDevice(L"C:", &target));
  EXPECT_FALSE(target.empty());
  EXPECT_NE(p.system.LogicalDrives() & (1u << 2), 0u);  // C: is there

  const uint32_t drives = p.system.LogicalDrives();
  for (int letter = 25; letter >= 3; --letter) {
    if ((drives & (1u << letter)) != 0) continue;
    const std::wstring drive{static_cast<wchar_t>(L'A' + letter), L':'};
    target = L"stale";
    EXPECT_FALSE(p.system.QueryDosDevice(drive, &target)) << ToUtf8(drive);
    EXPECT_EQ(target, L"");
    break;
  }
}

TEST_F(Win32LayerTest, ClockCountsFrom1970AndConvertsToTheLocalZone) {
  const int64_t now = p.system.NowSeconds();
  EXPECT_LE(std::llabs(now - static_cast<int64_t>(std::time(nullptr))), 2);

  // The local time of "now" against the system's own local clock.
  SYSTEMTIME rawLocal{};
  GetLocalTime(&rawLocal);
  const LocalTime ours = p.system.ToLocalTime(now);
  SYSTEMTIME oursAsSystem{};
  oursAsSystem.wYear = static_cast<WORD>(ours.year);
  oursAsSystem.wMonth = static_cast<WORD>(ours.month);
  oursAsSystem.wDay = static_cast<WORD>(ours.day);
  oursAsSystem.wHour = static_cast<WORD>(ours.hour);
  oursAsSystem.wMinute = static_cast<WORD>(ours.minute);
  oursAsSystem.wSecond = static_cast<WORD>(ours.second);
  FILETIME a{}, b{};
  ASSERT_TRUE(SystemTimeToFileTime(&oursAsSystem, &a));
  ASSERT_TRUE(SystemTimeToFileTime(&rawLocal, &b));
  const auto seconds = [](const FILETIME& t) {
    return static_cast<int64_t>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) /
           10'000'000;
  };
  EXPECT_LE(std::llabs(seconds(a) - seconds(b)), 2);
  EXPECT_EQ(ours.dayOfWeek, p.system.ToLocalTime(now + 7 * 86400).dayOfWeek);
}

}  // namespace
}  // namespace platform::win32
