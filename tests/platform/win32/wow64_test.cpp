// WOW64 behaviour of the real backend: in the 64-bit prefix our 32-bit
// process must address the native registry view and the native System32;
// in the 32-bit prefix there is only one view and no redirection.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/text.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32_constants.h"
#include "platform/win32/win32_test_support.h"

namespace platform::win32 {
namespace {

using testing::ExpectWow64;
using testing::RawDeleteKey;
using testing::RawKey;
using testing::RawKeyExists;

const std::wstring kNativeKey = L"Software\\LumoraWow64Test";
const std::wstring k32BitKey = L"Software\\LumoraWow64Test32";

class Wow64Test : public ::testing::Test {
 protected:
  void SetUp() override { RemoveTestKeys(); }
  void TearDown() override { RemoveTestKeys(); }

  static void RemoveTestKeys() {
    for (const auto& path : {kNativeKey, k32BitKey}) {
      RawDeleteKey(HKEY_LOCAL_MACHINE, path, KEY_WOW64_64KEY);
      RawDeleteKey(HKEY_LOCAL_MACHINE, path, KEY_WOW64_32KEY);
    }
  }

  bool PlatformKeyExists(const std::wstring& path, uint32_t access = kKeyRead) {
    HKey key = 0;
    if (p.registry.OpenKey(kHKeyLocalMachine, path, 0, access, &key) != kErrorSuccess) return false;
    p.registry.CloseKey(key);
    return true;
  }

  std::vector<std::wstring> PlatformSubkeys(const std::wstring& path) {
    std::vector<std::wstring> names;
    HKey key = 0;
    if (p.registry.OpenKey(kHKeyLocalMachine, path, 0, kKeyRead, &key) != kErrorSuccess) {
      return names;
    }
    wchar_t name[256];
    for (uint32_t i = 0;; ++i) {
      uint32_t chars = 256;
      if (p.registry.EnumKey(key, i, name, &chars) != kErrorSuccess) break;
      names.emplace_back(name, chars);
    }
    p.registry.CloseKey(key);
    return names;
  }

  Platform& p = Win32Platform();
  const bool wow64 = ExpectWow64();
};

TEST_F(Wow64Test, SystemReportsThePrefixKind) {
  EXPECT_EQ(p.system.IsWow64(), wow64);
  OsVersion v;
  ASSERT_TRUE(p.system.GetVersionEx(&v));
  const uint32_t dword = p.system.GetVersionDword();
  EXPECT_EQ(v.major, dword & 0xFF);
  EXPECT_EQ(v.minor, (dword >> 8) & 0xFF);
  EXPECT_EQ(dword & 0x80000000u, 0u);  // the NT family
  EXPECT_EQ(v.platformId, kVerPlatformWin32Nt);
  if (wow64) {
    // WOW64 exists from XP x64 on; Wine's 64-bit prefix presents Windows 7.
    EXPECT_EQ(v.major, 6u);
    EXPECT_EQ(v.minor, 1u);
    EXPECT_EQ(v.productType, kVerNtWorkstation);
  }
}

TEST_F(Wow64Test, KeyCreatedThroughThePlatformLivesInTheNativeView) {
  HKey key = 0;
  uint32_t disposition = 0;
  ASSERT_EQ(p.registry.CreateKey(kHKeyLocalMachine, kNativeKey, 0, kKeyAllAccess, &key,
                                 &disposition),
            kErrorSuccess);
  EXPECT_EQ(disposition, kRegCreatedNewKey);
  const auto data = ToUtf16Bytes(L"native", true);
  EXPECT_EQ(p.registry.SetValue(key, L"Marker", kRegSz, data.data(),
                                static_cast<uint32_t>(data.size())),
            kErrorSuccess);
  p.registry.CloseKey(key);

  EXPECT_TRUE(PlatformKeyExists(kNativeKey));
  EXPECT_TRUE(RawKeyExists(HKEY_LOCAL_MACHINE, kNativeKey, KEY_WOW64_64KEY));
  // Without WOW64 the view flags are ignored: there is one view.
  EXPECT_EQ(RawKeyExists(HKEY_LOCAL_MACHINE, kNativeKey, KEY_WOW64_32KEY), !wow64);
  EXPECT_FALSE(PlatformKeyExists(L"Software\\Wow6432Node\\LumoraWow64Test"));

  ASSERT_EQ(p.registry.OpenKey(kHKeyLocalMachine, kNativeKey, 0, kKeyRead, &key), kErrorSuccess);
  uint8_t buffer[64] = {};
  uint32_t bytes = sizeof(buffer), type = 0;
  EXPECT_EQ(p.registry.QueryValue(key, L"Marker", &type, buffer, &bytes), kErrorSuccess);
  EXPECT_EQ(FromUtf16Bytes(buffer, bytes), std::wstring(L"native", 7));
  p.registry.CloseKey(key);

  const auto software = PlatformSubkeys(L"Software");
  EXPECT_NE(std::find_if(software.begin(), software.end(),
                         [](const std::wstring& n) { return EqualsNoCase(n, L"LumoraWow64Test"); }),
            software.end());

  // The delete, too, reaches the native view.
  EXPECT_EQ(p.registry.DeleteKey(kHKeyLocalMachine, kNativeKey), kErrorSuccess);
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, kNativeKey, KEY_WOW64_64KEY));
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, kNativeKey, KEY_WOW64_32KEY));
}

TEST_F(Wow64Test, KeyInThe32BitViewIsReachedThroughWow6432Node) {
  {
    RawKey raw;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, k32BitKey.c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, raw.Receive(), nullptr),
              ERROR_SUCCESS);
  }
  const std::wstring throughNode = L"Software\\Wow6432Node\\LumoraWow64Test32";
  EXPECT_EQ(PlatformKeyExists(throughNode), wow64);
  EXPECT_EQ(PlatformKeyExists(k32BitKey), !wow64);
  // A view the caller names itself is kept.
  EXPECT_TRUE(PlatformKeyExists(k32BitKey, kKeyRead | kKeyWow64_32Key));

  EXPECT_EQ(p.registry.DeleteKey(kHKeyLocalMachine, wow64 ? throughNode : k32BitKey),
            kErrorSuccess);
  EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, k32BitKey, KEY_WOW64_32KEY));
}

TEST_F(Wow64Test, NativeSoftwareKeyHoldsTheWow6432NodeOnlyUnderWow64) {
  const auto software = PlatformSubkeys(L"Software");
  ASSERT_FALSE(software.empty());
  const bool listed =
      std::find_if(software.begin(), software.end(), [](const std::wstring& n) {
        return EqualsNoCase(n, L"Wow6432Node");
      }) != software.end();
  EXPECT_EQ(listed, wow64);
}

class NativeFileViewTest : public Wow64Test {
 protected:
  std::wstring System32(const std::wstring& name) {
    return p.environment.GetWindowsFolder() + L"\\System32\\" + name;
  }
};

TEST_F(NativeFileViewTest, Wow64CpuIsSeenOnlyInsideTheNativeView) {
  const std::wstring path = System32(L"wow64cpu.dll");
  {
    NativeFileView native(p.files);
    EXPECT_EQ(p.files.PathExists(path), wow64);
    EXPECT_EQ(p.files.GetAttributes(path) != kInvalidFileAttributes, wow64);
  }
  // Redirection is back on once the view ends.
  EXPECT_FALSE(p.files.PathExists(path));
}

TEST_F(NativeFileViewTest, FileCreatedInTheNativeSystem32) {
  const std::wstring path = System32(L"LumoraNativeOnly.tmp");
  const std::string content = "native system32";
  {
    NativeFileView native(p.files);
    ASSERT_TRUE(p.files.WriteWholeFile(path, content.data(), content.size()));
  }
  EXPECT_EQ(p.files.PathExists(path), !wow64);
  {
    NativeFileView native(p.files);
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(p.files.ReadWholeFile(path, &bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), content);
    EXPECT_TRUE(p.files.DeleteFile(path));
  }
  {
    NativeFileView native(p.files);
    EXPECT_FALSE(p.files.PathExists(path));
  }
}

TEST_F(NativeFileViewTest, RedirectionCanBeSwitchedOffOnlyUnderWow64) {
  void* previous = nullptr;
  const bool disabled = p.files.DisableRedirection(&previous);
  if (disabled) p.files.RevertRedirection(previous);
  EXPECT_EQ(disabled, wow64);
}

}  // namespace
}  // namespace platform::win32
