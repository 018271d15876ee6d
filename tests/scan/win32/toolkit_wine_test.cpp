// The toolkit on the real system under Wine: in the 64-bit prefix our 32-bit
// process must see the native System32 and the Wow6432Node class roots; in
// the 32-bit prefix there is neither.
#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_test_support.h"
#include "scan/purvex_impl.h"
#include "scan/scan_toolkit.h"

namespace {

using namespace NSTorvane;
using platform::win32::testing::ExpectWow64;

class ToolkitWineTest : public ::testing::Test {
 protected:
  std::wstring SystemFile(const wchar_t* name) {
    return p.environment.GetWindowsFolder() + L"\\system32\\" + name;
  }
  platform::Platform& p = platform::win32::Win32Platform();
  const bool wow64 = ExpectWow64();
};

TEST_F(ToolkitWineTest, FileOnlyInTheNativeSystem32IsPresentUnderWow64) {
  const std::wstring path = SystemFile(L"wow64cpu.dll");
  // Witness: with redirection on, a 32-bit process does not see it.
  EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(IsFilePresent(p, path), wow64);
  EXPECT_EQ(IsFilePresent(p, L"%SystemRoot%\\system32\\wow64cpu.dll"), wow64);
  EXPECT_EQ(IsCommandLinePresent(p, L"\"" + path + L"\" /arg"), wow64);
  EXPECT_EQ(IsFileRefPresent(p, L"@" + path + L",-1"), wow64);
  // Redirection is back on after each test.
  EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
  // The scanner's flag states the same fact.
  CPurvexImpl scanner(p);
  EXPECT_EQ(scanner.isWow64, wow64);
}

TEST_F(ToolkitWineTest, SystemProgramsThroughExpansionAndSearchPath) {
  EXPECT_TRUE(IsFilePresent(p, L"%SystemRoot%\\system32\\notepad.exe"));
  EXPECT_TRUE(IsFilePresent(p, L"notepad.exe"));
  EXPECT_FALSE(IsFilePresent(p, L"notepad"));
  EXPECT_FALSE(IsCommandPresent(p, L"notepad"));
  EXPECT_TRUE(IsCommandPresent(p, L"notepad %1"));
  EXPECT_TRUE(IsFileRefPresent(p, L"@%SystemRoot%\\system32\\shell32.dll,-101"));
  EXPECT_TRUE(IsCommandLinePresent(p, L"\"%SystemRoot%\\system32\\notepad.exe\" \"%1\""));
  EXPECT_FALSE(IsCommandLinePresent(p, L"\"C:\\LumoraGone\\tool.exe\" \"%1\""));
  EXPECT_FALSE(IsEmptyOrPresent(p, L"C:\\LumoraGone\\tool.exe /s"));
}

TEST_F(ToolkitWineTest, LongExpansionIsNotCut) {
  // More than 259 characters once expanded; the program part decides.
  const std::wstring args(300, L'a');
  EXPECT_TRUE(IsCommandPresent(p, L"%SystemRoot%\\system32\\notepad.exe /" + args));
  EXPECT_TRUE(IsCommandLinePresent(p, L"\"%SystemRoot%\\system32\\notepad.exe\" /" + args));
  EXPECT_FALSE(IsCommandPresent(p, L"%SystemRoot%\\LumoraGone\\tool.exe /" + args));
}

TEST_F(ToolkitWineTest, ClassIdUnderTheWow6432NodeRootCountsOnlyUnderWow64) {
  const std::wstring id = L"{6C0DE5A1-7E57-4B1D-9A2B-000000004242}";
  const std::wstring sub = L"Software\\Wow6432Node\\Classes\\CLSID\\" + id;
  platform::win32::testing::RawKey key;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, key.Receive(), nullptr),
            ERROR_SUCCESS);
  CPurvexImpl scanner(p);
  EXPECT_EQ(IsClsidRegistered(scanner, id), wow64);
  EXPECT_TRUE(IsClsidRegistered(p, true, id));
  EXPECT_FALSE(IsClsidRegistered(p, false, id));
  RegDeleteKeyW(HKEY_CURRENT_USER, sub.c_str());
  EXPECT_FALSE(IsClsidRegistered(p, true, id));
}

TEST_F(ToolkitWineTest, VersionCodeMatchesTheSystemsOwnVersion) {
  OSVERSIONINFOW v{};
  v.dwOSVersionInfoSize = sizeof(v);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  ASSERT_TRUE(GetVersionExW(&v));
#pragma GCC diagnostic pop
  ASSERT_EQ(v.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
  int32_t expected = kOsNtOther;
  if (v.dwMajorVersion == 5) expected = v.dwMinorVersion == 0 ? kOsWin2000 : kOsWinXp;
  if (v.dwMajorVersion == 6 && v.dwMinorVersion == 0) expected = kOsVista;
  if (v.dwMajorVersion == 6 && v.dwMinorVersion == 1) expected = kOsWin7;
  EXPECT_EQ(GetOsVersionCode(p), expected) << v.dwMajorVersion << "." << v.dwMinorVersion;
}

}  // namespace
