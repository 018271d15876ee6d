// Features of the in-memory registry that only tests use: fault injection,
// the merged classes view, hive save/replace records, handle accounting.
#include <gtest/gtest.h>

#include <thread>

#include "platform/memory/memory_platform.h"
#include "platform/text.h"
#include "platform/win32_constants.h"

namespace platform::memory {
namespace {

class MemoryRegistryTest : public testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(reg().OpenHandleCount(), 0u); }
  MemoryRegistry& reg() { return p.registry; }

  int32_t Open(HKey root, const std::wstring& path, uint32_t access, HKey* key) {
    return reg().OpenKey(root, path, 0, access, key);
  }
  // The string value through the interface, or "<error N>".
  std::wstring Query(HKey root, const std::wstring& path, const wchar_t* name) {
    HKey key = 0;
    int32_t rc = Open(root, path, kKeyRead, &key);
    if (rc != kErrorSuccess) return Format(L"<error %d>", rc);
    uint8_t buffer[256];
    uint32_t size = sizeof buffer;
    rc = reg().QueryValue(key, name, nullptr, buffer, &size);
    reg().CloseKey(key);
    if (rc != kErrorSuccess) return Format(L"<error %d>", rc);
    std::wstring text = FromUtf16Bytes(buffer, size);
    if (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
  }

  MemoryPlatform p;
};

TEST_F(MemoryRegistryTest, FaultsFailOpensAsConfigured) {
  reg().CreateKeyPath(L"HKLM\\Software\\Locked\\Child");
  reg().CreateKeyPath(L"HKLM\\Software\\Hidden");
  reg().CreateKeyPath(L"HKLM\\Software\\Broken");
  reg().SetFault(L"HKEY_LOCAL_MACHINE\\Software\\Locked", KeyFault{.denyWrite = true});
  reg().SetFault(L"HKLM\\Software\\Hidden", KeyFault{.denyRead = true});
  reg().SetFault(L"HKLM\\Software\\Broken", KeyFault{.openError = kErrorInvalidData});
  struct Case {
    const wchar_t* path;
    uint32_t access;
    int32_t expected;
  };
  const Case cases[] = {
      {L"Software\\Locked", kKeyRead, kErrorSuccess},
      {L"Software\\Locked", kKeyRead | kKeyWrite, kErrorAccessDenied},
      {L"Software\\Locked", kKeyQueryValue | kKeySetValue, kErrorAccessDenied},
      {L"Software\\Locked", kDelete, kErrorAccessDenied},
      {L"Software\\Locked", 0x02000000 /* MAXIMUM_ALLOWED */, kErrorSuccess},
      {L"Software\\Locked\\Child", kKeyAllAccess, kErrorSuccess},  // not inherited
      {L"Software\\Hidden", kKeyQueryValue, kErrorAccessDenied},
      {L"Software\\Broken", kKeyRead, kErrorInvalidData},
  };
  for (const auto& c : cases) {
    HKey key = 0;
    EXPECT_EQ(Open(kHKeyLocalMachine, c.path, c.access, &key), c.expected) << ToUtf8(c.path);
    if (key) reg().CloseKey(key);
  }
  HKey software = 0;
  ASSERT_EQ(Open(kHKeyLocalMachine, L"Software", kKeyAllAccess, &software), kErrorSuccess);
  EXPECT_EQ(reg().DeleteKey(software, L"Hidden"), kErrorAccessDenied);
  EXPECT_EQ(reg().DeleteKey(software, L"Broken"), kErrorInvalidData);
  HKey created = 0;
  EXPECT_EQ(reg().CreateKey(software, L"Locked\\New", 0, kKeyRead, &created, nullptr),
            kErrorAccessDenied)
      << "no subkey can be made under a key that denies writing";
  reg().CloseKey(software);
  // MAXIMUM_ALLOWED on the locked key grants reading only.
  HKey maxKey = 0;
  ASSERT_EQ(Open(kHKeyLocalMachine, L"Software\\Locked", 0x02000000, &maxKey), kErrorSuccess);
  const uint8_t one = 1;
  EXPECT_EQ(reg().SetValue(maxKey, L"v", kRegBinary, &one, 1), kErrorAccessDenied);
  reg().CloseKey(maxKey);
}

TEST_F(MemoryRegistryTest, HandleRightsAreCheckedPerCall) {
  reg().SetString(L"HKCU\\Software\\App", L"name", L"value");
  HKey key = 0;
  ASSERT_EQ(Open(kHKeyCurrentUser, L"Software\\App", kKeyEnumerateSubKeys, &key), kErrorSuccess);
  uint32_t size = 0;
  EXPECT_EQ(reg().QueryValue(key, L"name", nullptr, nullptr, &size), kErrorAccessDenied);
  wchar_t name[16];
  uint32_t chars = 16;
  EXPECT_EQ(reg().EnumValue(key, 0, name, &chars, nullptr, nullptr, nullptr), kErrorAccessDenied);
  HKey child = 0;
  EXPECT_EQ(reg().CreateKey(key, L"child", 0, kKeyRead, &child, nullptr), kErrorAccessDenied);
  EXPECT_EQ(reg().DeleteValue(key, L"name"), kErrorAccessDenied);
  reg().CloseKey(key);
  EXPECT_EQ(reg().CloseKey(key), kErrorInvalidHandle) << "closed twice";
  EXPECT_EQ(reg().QueryValue(0x1234, L"name", nullptr, nullptr, &size), kErrorInvalidHandle);
}

TEST_F(MemoryRegistryTest, PathSyntaxFollowsTheSystemParser) {
  reg().CreateKeyPath(L"HKCR\\.txt");
  reg().CreateKeyPath(L"HKLM\\Software\\A\\B");
  HKey key = 0;
  EXPECT_EQ(Open(kHKeyLocalMachine, L"\\Software", kKeyRead, &key), 161)
      << "a leading separator is a bad path name";
  ASSERT_EQ(Open(kHKeyClassesRoot, L"\\.txt", kKeyRead, &key), kErrorSuccess)
      << "below HKEY_CLASSES_ROOT one leading separator is allowed";
  reg().CloseKey(key);
  ASSERT_EQ(Open(kHKeyLocalMachine, L"Software\\\\A\\\\\\B\\", kKeyRead, &key), kErrorSuccess);
  reg().CloseKey(key);
  ASSERT_EQ(Open(kHKeyLocalMachine, L"", kKeyRead, &key), kErrorSuccess);
  EXPECT_EQ(key, kHKeyLocalMachine) << "an empty name on a root gives the root itself";
  EXPECT_EQ(reg().CloseKey(kHKeyLocalMachine), kErrorSuccess);
  HKey made = 0;
  EXPECT_EQ(reg().CreateKey(kHKeyLocalMachine, L"Software\\" + std::wstring(256, L'n'), 0,
                            kKeyAllAccess, &made, nullptr),
            kErrorInvalidParameter);
  EXPECT_EQ(Open(kHKeyLocalMachine, L"Software", kKeyRead, nullptr), kErrorInvalidParameter);
}

TEST_F(MemoryRegistryTest, ClassesRootMergesUserOverMachine) {
  reg().SetString(L"HKLM\\Software\\Classes\\.txt", L"", L"machine-txt");
  reg().SetString(L"HKLM\\Software\\Classes\\.txt", L"Content Type", L"text/plain");
  reg().SetString(L"HKCU\\Software\\Classes\\.txt", L"", L"user-txt");
  reg().CreateKeyPath(L"HKLM\\Software\\Classes\\.txt\\ShellNew");
  reg().CreateKeyPath(L"HKCU\\Software\\Classes\\.txt\\OpenWithList");
  reg().CreateKeyPath(L"HKCU\\Software\\Classes\\.TXT\\shellnew");
  reg().SetString(L"HKLM\\Software\\Classes\\.bmp", L"", L"machine-bmp");
  reg().SetString(L"HKCU\\Software\\Classes\\.usr", L"", L"user-only");

  EXPECT_EQ(Query(kHKeyClassesRoot, L".txt", L""), L"user-txt");
  EXPECT_EQ(Query(kHKeyClassesRoot, L".txt", L"Content Type"), L"<error 2>")
      << "values come from the user key alone when it exists";
  EXPECT_EQ(Query(kHKeyClassesRoot, L".bmp", L""), L"machine-bmp");
  EXPECT_EQ(Query(kHKeyClassesRoot, L".usr", L""), L"user-only");
  EXPECT_EQ(reg().SubKeyNames(L"HKCR\\.txt"),
            (std::vector<std::wstring>{L"OpenWithList", L"shellnew"}))
      << "the union, spelt as the user key has it";

  HKey root = 0;
  ASSERT_EQ(reg().CreateKey(kHKeyClassesRoot, L"", 0, kKeyRead, &root, nullptr), kErrorSuccess);
  KeyInfo info;
  ASSERT_EQ(reg().QueryInfoKey(root, &info), kErrorSuccess);
  EXPECT_EQ(info.subKeyCount, 3u) << "the union without duplicates";
  reg().CloseKey(root);

  // Writes go to the user key where it exists, else to the machine key.
  HKey txt = 0, bmp = 0;
  ASSERT_EQ(Open(kHKeyClassesRoot, L".txt", kKeyAllAccess, &txt), kErrorSuccess);
  ASSERT_EQ(Open(kHKeyClassesRoot, L".bmp", kKeyAllAccess, &bmp), kErrorSuccess);
  const auto data = ToUtf16Bytes(L"x", true);
  EXPECT_EQ(reg().SetValue(txt, L"w", kRegSz, data.data(), 4), kErrorSuccess);
  EXPECT_EQ(reg().SetValue(bmp, L"w", kRegSz, data.data(), 4), kErrorSuccess);
  EXPECT_TRUE(reg().GetRaw(L"HKCU\\Software\\Classes\\.txt", L"w"));
  EXPECT_FALSE(reg().GetRaw(L"HKLM\\Software\\Classes\\.txt", L"w"));
  EXPECT_TRUE(reg().GetRaw(L"HKLM\\Software\\Classes\\.bmp", L"w"));
  reg().CloseKey(txt);
  reg().CloseKey(bmp);

  HKey fresh = 0;
  ASSERT_EQ(reg().CreateKey(kHKeyClassesRoot, L".new\\sub", 0, kKeyAllAccess, &fresh, nullptr),
            kErrorSuccess);
  reg().CloseKey(fresh);
  EXPECT_TRUE(reg().HasKey(L"HKLM\\Software\\Classes\\.new\\sub"));
  EXPECT_FALSE(reg().HasKey(L"HKCU\\Software\\Classes\\.new"));
  EXPECT_TRUE(reg().HasKey(L"HKEY_CLASSES_ROOT\\.NEW"));

  HKey user = 0;
  ASSERT_EQ(Open(kHKeyCurrentUser, L"Software\\Classes", kKeyRead, &user), kErrorSuccess);
  EXPECT_EQ(reg().DeleteKey(kHKeyClassesRoot, L".usr"), kErrorSuccess);
  EXPECT_FALSE(reg().HasKey(L"HKCR\\.usr"));
  reg().CloseKey(user);
}

TEST_F(MemoryRegistryTest, RootsAreSeparate) {
  reg().CreateKeyPath(L"HKU\\S-1-5-21\\Software");
  reg().CreateKeyPath(L"HKEY_CURRENT_CONFIG\\System");
  EXPECT_FALSE(reg().HasKey(L"HKCU\\S-1-5-21"));
  EXPECT_FALSE(reg().HasKey(L"HKLM\\System"));
  HKey key = 0;
  ASSERT_EQ(Open(kHKeyUsers, L"s-1-5-21\\SOFTWARE", kKeyRead, &key), kErrorSuccess);
  reg().CloseKey(key);
  ASSERT_EQ(Open(kHKeyCurrentConfig, L"System", kKeyRead, &key), kErrorSuccess);
  reg().CloseKey(key);
  EXPECT_EQ(reg().DeleteKey(kHKeyUsers, L""), kErrorAccessDenied);
}

TEST_F(MemoryRegistryTest, HelpersKeepNamesAsWrittenAndRemoveTrees) {
  reg().SetDword(L"HKLM\\Software\\Vendor", L"Count", 0x01020304);
  reg().SetString(L"hklm\\SOFTWARE\\vendor", L"Name", L"x", kRegExpandSz);
  reg().SetRaw(L"HKLM\\Software\\Vendor", L"count", kRegBinary, {9});  // replaces "Count"
  EXPECT_EQ(reg().ValueNames(L"HKLM\\Software\\Vendor"),
            (std::vector<std::wstring>{L"Count", L"Name"}));
  EXPECT_EQ(reg().GetRaw(L"HKLM\\Software\\Vendor", L"COUNT")->bytes, std::vector<uint8_t>{9});
  EXPECT_EQ(reg().GetRaw(L"HKLM\\Software\\Vendor", L"Name")->type, kRegExpandSz);
  EXPECT_EQ(reg().GetRaw(L"HKLM\\Software\\Vendor", L"Name")->bytes.size(), 4u);
  reg().CreateKeyPath(L"HKLM\\Software\\Vendor\\A\\B");
  HKey deep = 0;
  ASSERT_EQ(Open(kHKeyLocalMachine, L"Software\\Vendor\\A\\B", kKeyRead, &deep), kErrorSuccess);
  reg().RemoveKeyTree(L"HKLM\\Software\\Vendor");
  EXPECT_FALSE(reg().HasKey(L"HKLM\\Software\\Vendor"));
  EXPECT_TRUE(reg().HasKey(L"HKLM\\Software"));
  KeyInfo info;
  EXPECT_EQ(reg().QueryInfoKey(deep, &info), kErrorKeyDeleted);
  reg().CloseKey(deep);
  EXPECT_TRUE(reg().SubKeyNames(L"HKLM\\Software\\Vendor").empty());
  EXPECT_FALSE(reg().GetRaw(L"HKLM\\Software\\Vendor", L"Name"));
}

TEST_F(MemoryRegistryTest, SaveKeyNeedsTheBackupPrivilegeAndAFreeName) {
  p.files.AddFolder(L"C:\\Temp");
  HKey software = 0;
  ASSERT_EQ(Open(kHKeyLocalMachine, L"Software", kKeyRead, &software), kErrorSuccess);
  EXPECT_EQ(reg().SaveKey(software, L"C:\\Temp\\sw.tmp"), kErrorPrivilegeNotHeld);
  EXPECT_EQ(reg().EnablePrivilege(L"SeBackupPrivilege"), PrivilegeResult::kEnabled);
  EXPECT_TRUE(reg().PrivilegeEnabled(L"SeBackupPrivilege"));
  ASSERT_EQ(reg().SaveKey(software, L"C:\\Temp\\sw.tmp"), kErrorSuccess);
  EXPECT_TRUE(p.files.PathExists(L"C:\\Temp\\sw.tmp"));
  EXPECT_EQ(reg().SaveKey(software, L"C:\\temp\\SW.TMP"), kErrorAlreadyExists);
  reg().CloseKey(software);
  ASSERT_EQ(reg().Saves().size(), 1u);
  EXPECT_EQ(reg().Saves()[0].keyPath, L"HKEY_LOCAL_MACHINE\\SOFTWARE");
  EXPECT_EQ(reg().Saves()[0].file, L"C:\\Temp\\sw.tmp");
}

TEST_F(MemoryRegistryTest, ReplaceKeyNeedsTheRestorePrivilegeAndChecksItsFiles) {
  p.files.AddFile(L"C:\\Windows\\system32\\config\\SOFTWARE.tmp", {1});
  p.files.AddFile(L"C:\\Windows\\system32\\config\\taken.bak", {1});
  const std::wstring dir = L"C:\\Windows\\system32\\config\\";
  EXPECT_EQ(reg().ReplaceKey(kHKeyLocalMachine, L"SOFTWARE", dir + L"SOFTWARE.tmp",
                             dir + L"SOFTWARE.bak"),
            kErrorPrivilegeNotHeld);
  ASSERT_EQ(reg().EnablePrivilege(L"serestoreprivilege"), PrivilegeResult::kEnabled);
  EXPECT_EQ(reg().ReplaceKey(kHKeyLocalMachine, L"SOFTWARE", dir + L"missing.tmp",
                             dir + L"SOFTWARE.bak"),
            kErrorFileNotFound);
  EXPECT_EQ(reg().ReplaceKey(kHKeyLocalMachine, L"SOFTWARE", dir + L"SOFTWARE.tmp",
                             dir + L"taken.bak"),
            kErrorAlreadyExists);
  EXPECT_TRUE(reg().Replaces().empty());
  ASSERT_EQ(reg().ReplaceKey(kHKeyLocalMachine, L"software", dir + L"SOFTWARE.tmp",
                             dir + L"SOFTWARE.bak"),
            kErrorSuccess);
  EXPECT_TRUE(p.files.PathExists(dir + L"SOFTWARE.bak")) << "the live hive carries the old name";
  ASSERT_EQ(reg().Replaces().size(), 1u);
  EXPECT_EQ(reg().Replaces()[0].keyPath, L"HKEY_LOCAL_MACHINE\\SOFTWARE");
  EXPECT_EQ(reg().Replaces()[0].newFile, dir + L"SOFTWARE.tmp");
  EXPECT_EQ(reg().Replaces()[0].oldFile, dir + L"SOFTWARE.bak");
}

TEST_F(MemoryRegistryTest, EnablePrivilegeReportsUnknownNamesAndTokenFailure) {
  EXPECT_EQ(reg().EnablePrivilege(L"SeNoSuchPrivilege"), PrivilegeResult::kNotFound);
  EXPECT_EQ(reg().EnablePrivilege(L"SeShutdownPrivilege"), PrivilegeResult::kEnabled);
  reg().SetTokenFails(true);
  EXPECT_EQ(reg().EnablePrivilege(L"SeBackupPrivilege"), PrivilegeResult::kTokenFailed);
  EXPECT_FALSE(reg().PrivilegeEnabled(L"SeBackupPrivilege"));
}

TEST_F(MemoryRegistryTest, OpenHandleCountTracksEveryHandle) {
  reg().CreateKeyPath(L"HKLM\\Software\\A");
  EXPECT_EQ(reg().OpenHandleCount(), 0u);
  HKey a = 0, b = 0, c = 0;
  ASSERT_EQ(Open(kHKeyLocalMachine, L"Software\\A", kKeyRead, &a), kErrorSuccess);
  ASSERT_EQ(Open(kHKeyLocalMachine, L"Software\\A", kKeyRead, &b), kErrorSuccess);
  EXPECT_NE(a, b);
  ASSERT_EQ(reg().CreateKey(a, L"", 0, kKeyRead, &c, nullptr), kErrorSuccess);
  EXPECT_EQ(reg().OpenHandleCount(), 3u);
  HKey failed = 0x55;
  EXPECT_EQ(Open(kHKeyLocalMachine, L"Software\\Missing", kKeyRead, &failed), kErrorFileNotFound);
  EXPECT_EQ(failed, 0u) << "a failed open leaves no handle";
  EXPECT_EQ(reg().OpenHandleCount(), 3u);
  for (HKey k : {a, b, c}) reg().CloseKey(k);
  EXPECT_EQ(reg().OpenHandleCount(), 0u);
}

// EnumKey keeps the sorted names of the keys walked last; a change to a
// subkey list, through a handle or the test helpers, shows at the next call,
// on a plain key and on a merged classes key alike.
TEST_F(MemoryRegistryTest, EnumerationByIndexSeesSubkeyChangesBetweenCalls) {
  reg().CreateKeyPath(L"HKLM\\Software\\Walk\\b");
  reg().CreateKeyPath(L"HKLM\\Software\\Classes\\.walk\\b");
  reg().CreateKeyPath(L"HKCU\\Software\\Classes\\.walk\\d");
  struct Case {
    HKey root;
    std::wstring path, helperPath;
    std::vector<std::wstring> before;
  };
  const Case cases[] = {
      {kHKeyLocalMachine, L"Software\\Walk", L"HKLM\\Software\\Walk", {L"b"}},
      {kHKeyClassesRoot, L".walk", L"HKCR\\.walk", {L"b", L"d"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.helperPath));
    HKey key = 0;
    ASSERT_EQ(Open(c.root, c.path, kKeyAllAccess, &key), kErrorSuccess);
    const auto names = [&] {
      std::vector<std::wstring> out;
      wchar_t name[256];
      for (uint32_t i = 0;; ++i) {
        uint32_t chars = 256;
        if (reg().EnumKey(key, i, name, &chars) != kErrorSuccess) break;
        out.emplace_back(name, chars);
      }
      return out;
    };
    EXPECT_EQ(names(), c.before);
    HKey made = 0;
    ASSERT_EQ(reg().CreateKey(key, L"a", 0, kKeyRead, &made, nullptr), kErrorSuccess);
    reg().CloseKey(made);
    std::vector<std::wstring> expected = c.before;
    expected.insert(expected.begin(), L"a");
    EXPECT_EQ(names(), expected);
    ASSERT_EQ(reg().DeleteKey(key, L"b"), kErrorSuccess);
    expected.erase(expected.begin() + 1);
    EXPECT_EQ(names(), expected);
    reg().CreateKeyPath(c.helperPath + L"\\c");
    expected.insert(expected.begin() + 1, L"c");
    EXPECT_EQ(names(), expected);
    reg().CloseKey(key);
  }
}

TEST_F(MemoryRegistryTest, ConcurrentUseFromSeveralThreads) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([this, t] {
      for (int i = 0; i < 200; ++i) {
        HKey key = 0;
        const std::wstring path = Format(L"Software\\T%d\\K%d", t, i % 10);
        if (reg().CreateKey(kHKeyLocalMachine, path, 0, kKeyAllAccess, &key, nullptr) != 0) continue;
        const uint32_t v = i;
        reg().SetValue(key, L"v", kRegDword, reinterpret_cast<const uint8_t*>(&v), 4);
        reg().CloseKey(key);
      }
    });
  }
  for (auto& th : threads) th.join();
  for (int t = 0; t < 4; ++t)
    EXPECT_EQ(reg().SubKeyNames(Format(L"HKLM\\Software\\T%d", t)).size(), 10u);
}

}  // namespace
}  // namespace platform::memory
