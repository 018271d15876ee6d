#include "registry/reg_key_ex.h"

#include <gtest/gtest.h>

#include "platform/memory/memory_platform.h"
#include "platform/text.h"
#include "platform/win32_constants.h"

namespace {

using namespace NSRegKeyEx;
using platform::HKey;
namespace pc = platform;

class KeyLayerTest : public testing::Test {
 protected:
  pc::memory::MemoryPlatform mp;
  pc::Platform& p = mp.view;
  pc::memory::MemoryRegistry& reg = mp.registry;
};

struct ParseCase {
  const wchar_t* path;
  bool ok;
  HKey root;
  const wchar_t* subKey;
};

TEST(ParseKeyPathTest, RootsBracketsAndSubkeys) {
  const ParseCase cases[] = {
      {L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes", true, pc::kHKeyLocalMachine, L"SOFTWARE\\Classes"},
      {L"HKEY_CURRENT_USER\\Software", true, pc::kHKeyCurrentUser, L"Software"},
      {L"HKEY_CLASSES_ROOT\\CLSID", true, pc::kHKeyClassesRoot, L"CLSID"},
      {L"HKEY_USERS\\.DEFAULT", true, pc::kHKeyUsers, L".DEFAULT"},
      {L"HKCU\\a", true, pc::kHKeyCurrentUser, L"a"},
      {L"HKCR\\a", true, pc::kHKeyClassesRoot, L"a"},
      {L"HKLM", true, pc::kHKeyLocalMachine, L""},
      {L"HKLM\\", true, pc::kHKeyLocalMachine, L""},
      {L"[HKCU\\Software\\x]", true, pc::kHKeyCurrentUser, L"Software\\x"},
      {L"[[[HKCU\\x]]", true, pc::kHKeyCurrentUser, L"x"},
      {L"HKLM\\a\\\\b", true, pc::kHKeyLocalMachine, L"a\\\\b"},
      {L"HKLM\\a\\b\\", true, pc::kHKeyLocalMachine, L"a\\b\\"},
      {L"hkey_local_machine\\x", false, 0, L""},
      {L"Hklm\\x", false, 0, L""},
      {L"HKEY_CURRENT_CONFIG\\System", false, 0, L""},
      {L"HKU\\.DEFAULT", false, 0, L""},
      {L"", false, 0, L""},
      {L"[]", false, 0, L""},
      {L"\\HKLM\\x", false, 0, L""},
  };
  for (const auto& c : cases) {
    HKey root = 0;
    std::wstring subKey = L"unchanged";
    const bool ok = ParseKeyPath(c.path, root, subKey);
    EXPECT_EQ(ok, c.ok) << pc::ToUtf8(c.path);
    if (ok && c.ok) {
      EXPECT_EQ(root, c.root) << pc::ToUtf8(c.path);
      EXPECT_EQ(subKey, c.subKey) << pc::ToUtf8(c.path);
    }
  }
}

TEST(JoinKeyPathTest, SingleBackslashNothingTrimmed) {
  EXPECT_EQ(JoinKeyPath({L"HKEY_CLASSES_ROOT", L"CLSID", L"{0001}"}),
            L"HKEY_CLASSES_ROOT\\CLSID\\{0001}");
  EXPECT_EQ(JoinKeyPath({L"HKLM\\", L"x "}), L"HKLM\\\\x ");
  EXPECT_EQ(JoinKeyPath({L"HKLM"}), L"HKLM");
}

TEST_F(KeyLayerTest, BracketedAndPlainPathsNameTheSameKey) {
  reg.CreateKeyPath(L"HKCU\\Software\\Lumora");
  reg.SetDword(L"HKCU\\Software\\Lumora", L"v", 7);
  for (const wchar_t* path : {L"HKCU\\Software\\Lumora", L"[HKCU\\Software\\Lumora]",
                              L"[HKEY_CURRENT_USER\\Software\\Lumora]"}) {
    CRegKeyEx key(p);
    ASSERT_TRUE(key.Open(path)) << pc::ToUtf8(path);
    EXPECT_EQ(key.valueCount, 1u);
    EXPECT_EQ(key.GetPath(), path);
    EXPECT_TRUE(KeyExists(p, path));
  }
  EXPECT_FALSE(KeyExists(p, L"hkcu\\Software\\Lumora"));
}

TEST_F(KeyLayerTest, RootAloneOpensTheRootItself) {
  reg.CreateKeyPath(L"HKLM\\SOFTWARE");
  reg.CreateKeyPath(L"HKLM\\SYSTEM");
  CRegKeyEx key(p);
  ASSERT_TRUE(key.Open(L"HKLM"));
  EXPECT_EQ(key.subKeyCount, 2u);
  std::wstring name;
  ASSERT_TRUE(key.EnumSubKey(0, name));
  EXPECT_EQ(name, L"SOFTWARE");
}

TEST_F(KeyLayerTest, DefaultConstructedAndReopenedKeyState) {
  CRegKeyEx fresh;
  EXPECT_EQ(fresh.subKeyCount + fresh.subKeyNameMax + fresh.valueCount + fresh.valueNameMax +
                fresh.valueDataMax,
            0u);
  EXPECT_FALSE(fresh.infoRead);
  EXPECT_FALSE(fresh.opened);
  EXPECT_TRUE(fresh.subKeyNameBuffer.empty() && fresh.valueNameBuffer.empty());
  EXPECT_EQ(fresh.hkey, 0u);
  EXPECT_EQ(fresh.lastError, 0);

  reg.CreateKeyPath(L"HKCU\\A\\LongerName");
  reg.CreateKeyPath(L"HKCU\\A\\b");
  reg.SetRaw(L"HKCU\\A", L"valueName", pc::kRegBinary, std::vector<uint8_t>(40, 1));
  {
    CRegKeyEx key(p);
    ASSERT_TRUE(key.Open(L"HKCU\\A"));
    EXPECT_EQ(key.subKeyNameMax, 11u);  // "LongerName" + 1
    EXPECT_EQ(key.valueNameMax, 10u);
    EXPECT_EQ(key.valueDataMax, 40u);
    EXPECT_EQ(key.subKeyNameBuffer.size(), 11u);
    EXPECT_EQ(reg.OpenHandleCount(), 1u);
    ASSERT_TRUE(key.Open(L"HKCU\\A\\b"));  // the first handle is closed
    EXPECT_EQ(reg.OpenHandleCount(), 1u);
    EXPECT_EQ(key.subKeyCount, 0u);
    EXPECT_FALSE(key.Open(L"HKCU\\missing"));
    EXPECT_EQ(key.lastError, pc::kErrorFileNotFound);
    EXPECT_FALSE(key.opened);
    EXPECT_EQ(key.hkey, 0u);
    EXPECT_EQ(reg.OpenHandleCount(), 0u);
    ASSERT_TRUE(key.Open(L"HKCU\\A"));
  }
  EXPECT_EQ(reg.OpenHandleCount(), 0u);  // the destructor closed it
}

TEST_F(KeyLayerTest, OpenAsksForWriteAccess) {
  reg.CreateKeyPath(L"HKLM\\ReadOnly");
  reg.SetFault(L"HKLM\\ReadOnly", {.denyWrite = true});
  CRegKeyEx key(p);
  EXPECT_FALSE(key.Open(L"HKLM\\ReadOnly"));
  EXPECT_EQ(key.lastError, pc::kErrorAccessDenied);
  EXPECT_FALSE(key.opened);
  // Readable, so it exists; a key refused even for reading exists too.
  EXPECT_TRUE(KeyExists(p, L"HKLM\\ReadOnly"));
  reg.CreateKeyPath(L"HKLM\\Hidden");
  reg.SetFault(L"HKLM\\Hidden", {.denyRead = true});
  EXPECT_TRUE(KeyExists(p, L"HKLM\\Hidden"));
  EXPECT_FALSE(KeyExists(p, L"HKLM\\Missing"));
  EXPECT_FALSE(KeyExists(p, L"HKEY_CURRENT_CONFIG\\Hidden"));
}

TEST_F(KeyLayerTest, EnumerationOrderAndSubKeys) {
  for (const wchar_t* name : {L"beta", L"Alpha", L"gamma"}) reg.CreateKeyPath(L"HKCU\\E\\" + std::wstring(name));
  for (const wchar_t* name : {L"z", L"", L"a"}) reg.SetString(L"HKCU\\E", name, L"x");
  CRegKeyEx key(p);
  ASSERT_TRUE(key.Open(L"HKCU\\E"));
  std::vector<std::wstring> keys, values;
  std::wstring name;
  for (uint32_t i = 0; i < key.subKeyCount; ++i)
    if (key.EnumSubKey(i, name)) keys.push_back(name);
  for (uint32_t i = 0; i < key.valueCount; ++i)
    if (key.EnumValueName(i, name)) values.push_back(name);
  EXPECT_EQ(keys, (std::vector<std::wstring>{L"Alpha", L"beta", L"gamma"}));
  EXPECT_EQ(values, (std::vector<std::wstring>{L"z", L"", L"a"}));
  EXPECT_FALSE(key.EnumSubKey(3, name));

  uint32_t type = 0;
  uint8_t data[8] = {};
  uint32_t size = sizeof data;
  ASSERT_TRUE(key.EnumValue(0, name, &type, data, &size));
  EXPECT_EQ(type, pc::kRegSz);
  EXPECT_EQ(size, 4u);

  CRegKeyEx child(p);
  EXPECT_FALSE(key.OpenSubKey(L"", child));
  ASSERT_TRUE(key.OpenSubKey(L"beta", child));
  EXPECT_EQ(child.GetPath(), L"HKCU\\E\\beta");
}

TEST_F(KeyLayerTest, QueryStringValueTypesAndTerminators) {
  const std::wstring k = L"HKCU\\S";
  reg.SetString(k, L"sz", L"C:\\x");
  reg.SetString(k, L"expand", L"%WINDIR%", pc::kRegExpandSz);
  reg.SetDword(k, L"dword", 1);
  reg.SetRaw(k, L"unterminated", pc::kRegSz, pc::ToUtf16Bytes(L"abc", false));
  reg.SetRaw(k, L"inner", pc::kRegSz, pc::ToUtf16Bytes(std::wstring(L"ab\0cd", 5), true));
  CRegKeyEx key(p);
  ASSERT_TRUE(key.Open(k));
  std::wstring text = L"before";
  EXPECT_FALSE(key.QueryStringValue(L"dword", text));
  EXPECT_EQ(text, L"before");
  EXPECT_FALSE(key.QueryStringValue(L"missing", text));
  EXPECT_EQ(text, L"before");
  ASSERT_TRUE(key.QueryStringValue(L"sz", text));
  EXPECT_EQ(text, L"C:\\x");
  ASSERT_TRUE(key.QueryStringValue(L"expand", text));
  EXPECT_EQ(text, L"%WINDIR%");
  ASSERT_TRUE(key.QueryStringValue(L"unterminated", text));
  EXPECT_EQ(text, L"abc");
  ASSERT_TRUE(key.QueryStringValue(L"inner", text));
  EXPECT_EQ(text, L"ab");
  uint32_t dword = 0;
  EXPECT_EQ(key.QueryDwordValue(L"dword", dword), pc::kErrorSuccess);
  EXPECT_EQ(dword, 1u);
}

TEST_F(KeyLayerTest, QueryStringAtRejectsWhatIsNotCleanText) {
  const std::wstring k = L"HKLM\\Q";
  reg.SetString(k, L"sz", L"text");
  reg.SetString(k, L"", L"default");
  reg.SetString(k, L"expand", L"%X%", pc::kRegExpandSz);
  reg.SetRaw(k, L"empty", pc::kRegSz, {});
  reg.SetRaw(k, L"odd", pc::kRegSz, {'a', 0, 0});
  reg.SetRaw(k, L"unterminated", pc::kRegSz, pc::ToUtf16Bytes(L"abc", false));
  reg.SetRaw(k, L"inner", pc::kRegSz, pc::ToUtf16Bytes(std::wstring(L"ab\0cd", 5), true));
  reg.SetDword(k, L"dword", 3);
  const struct {
    const wchar_t* name;
    bool ok;
    const wchar_t* text;
  } cases[] = {
      {L"sz", true, L"text"},       {L"", true, L"default"},         {L"expand", true, L"%X%"},
      {L"empty", true, L""},        {L"inner", true, L"ab"},         {L"odd", false, L""},
      {L"unterminated", false, L""}, {L"dword", false, L""},         {L"missing", false, L""},
  };
  for (const auto& c : cases) {
    std::wstring text = L"before";
    EXPECT_EQ(QueryStringAt(p, k, c.name, text), c.ok) << pc::ToUtf8(c.name);
    EXPECT_EQ(text, c.ok ? c.text : L"before") << pc::ToUtf8(c.name);
  }
  std::wstring text;
  EXPECT_TRUE(QueryStringJoined(p, L"sz", text, {L"HKLM", L"Q"}));
  EXPECT_EQ(text, L"text");
  EXPECT_FALSE(QueryStringAt(p, L"HKLM\\Missing", L"sz", text));
}

TEST_F(KeyLayerTest, QueryRawValueReturnsAllBytesAlsoForEmptyValues) {
  reg.SetRaw(L"HKCU\\R", L"empty", pc::kRegBinary, {});
  reg.SetRaw(L"HKCU\\R", L"none", pc::kRegNone, {});
  reg.SetRaw(L"HKCU\\R", L"bin", 0x1234, {1, 2, 3});
  uint32_t type = 99;
  std::vector<uint8_t> data{9};
  ASSERT_TRUE(QueryRawValue(p, L"HKCU\\R", L"empty", type, data));
  EXPECT_EQ(type, pc::kRegBinary);
  EXPECT_TRUE(data.empty());
  ASSERT_TRUE(QueryRawValue(p, L"HKCU\\R", L"none", type, data));
  EXPECT_EQ(type, pc::kRegNone);
  ASSERT_TRUE(QueryRawValue(p, L"[HKCU\\R]", L"bin", type, data));
  EXPECT_EQ(type, 0x1234u);
  EXPECT_EQ(data, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_FALSE(QueryRawValue(p, L"HKCU\\R", L"missing", type, data));
  EXPECT_FALSE(QueryRawValue(p, L"HKCU\\Missing", L"bin", type, data));
  EXPECT_EQ(reg.OpenHandleCount(), 0u);
}

TEST_F(KeyLayerTest, DeleteKeyTreeRemovesDeepestFirstAndStopsAtFirstFailure) {
  reg.CreateKeyPath(L"HKCU\\T\\A\\B\\C1");
  reg.CreateKeyPath(L"HKCU\\T\\A\\B\\C2");
  reg.CreateKeyPath(L"HKCU\\T\\A\\Z");
  reg.SetFault(L"HKCU\\T\\A\\B\\C2", {.denyWrite = true});
  int32_t error = 0;
  EXPECT_FALSE(DeleteKeyTree(p, L"HKCU\\T\\A", &error));
  EXPECT_EQ(error, pc::kErrorAccessDenied);
  EXPECT_FALSE(reg.HasKey(L"HKCU\\T\\A\\B\\C1"));
  EXPECT_TRUE(reg.HasKey(L"HKCU\\T\\A\\B\\C2"));
  EXPECT_TRUE(reg.HasKey(L"HKCU\\T\\A\\Z"));

  reg.SetFault(L"HKCU\\T\\A\\B\\C2", {});
  EXPECT_TRUE(DeleteKeyTree(p, L"[HKCU\\T\\A]", &error));
  EXPECT_EQ(error, pc::kErrorSuccess);
  EXPECT_FALSE(reg.HasKey(L"HKCU\\T\\A"));
  EXPECT_TRUE(reg.HasKey(L"HKCU\\T"));
  EXPECT_EQ(reg.OpenHandleCount(), 0u);
}

TEST_F(KeyLayerTest, DeleteKeyTreeRefusesRootsAndBadPaths) {
  reg.CreateKeyPath(L"HKCU\\Keep");
  const struct {
    const wchar_t* path;
    int32_t error;
  } cases[] = {
      {L"HKCU", pc::kErrorInvalidParameter},        {L"HKCU\\", pc::kErrorInvalidParameter},
      {L"[HKEY_CURRENT_USER]", pc::kErrorInvalidParameter},
      {L"HKCU\\\\", pc::kErrorInvalidParameter},    {L"hkcu\\Keep", pc::kErrorInvalidParameter},
      {L"HKCU\\Missing", pc::kErrorFileNotFound},
  };
  for (const auto& c : cases) {
    int32_t error = 0;
    EXPECT_FALSE(DeleteKeyTree(p, c.path, &error)) << pc::ToUtf8(c.path);
    EXPECT_EQ(error, c.error) << pc::ToUtf8(c.path);
  }
  EXPECT_TRUE(reg.HasKey(L"HKCU\\Keep"));
}

TEST_F(KeyLayerTest, DeleteValueAt) {
  reg.SetString(L"HKCU\\V", L"", L"default");
  reg.SetString(L"HKCU\\V", L"named", L"x");
  int32_t error = -1;
  EXPECT_TRUE(DeleteValueAt(p, L"", L"HKCU\\V", &error));
  EXPECT_EQ(error, 0);
  EXPECT_FALSE(reg.GetRaw(L"HKCU\\V", L"").has_value());
  EXPECT_TRUE(reg.GetRaw(L"HKCU\\V", L"named").has_value());
  EXPECT_FALSE(DeleteValueAt(p, L"gone", L"HKCU\\V", &error));
  EXPECT_EQ(error, pc::kErrorFileNotFound);
  EXPECT_FALSE(DeleteValueAt(p, L"named", L"HKCU\\Missing", &error));
  EXPECT_EQ(error, pc::kErrorFileNotFound);
}

TEST_F(KeyLayerTest, KeyCountsAndEmptiness) {
  reg.CreateKeyPath(L"HKLM\\C\\Empty");
  reg.CreateKeyPath(L"HKLM\\C\\Sub\\x");
  reg.SetDword(L"HKLM\\C\\Values", L"v", 1);
  uint32_t subKeys = 9, values = 9;
  ASSERT_TRUE(QueryKeyCounts(p, subKeys, values, {L"HKLM", L"C"}));
  EXPECT_EQ(subKeys, 3u);
  EXPECT_EQ(values, 0u);
  EXPECT_TRUE(KeyIsEmpty(p, {L"HKLM", L"C", L"Empty"}));
  EXPECT_FALSE(KeyIsEmpty(p, {L"HKLM", L"C", L"Sub"}));
  EXPECT_FALSE(KeyIsEmpty(p, {L"HKLM", L"C", L"Values"}));
  EXPECT_FALSE(KeyIsEmpty(p, {L"HKLM", L"C", L"Missing"}));
  EXPECT_TRUE(KeyExistsJoined(p, {L"HKLM", L"C", L"Sub", L"x"}));
  EXPECT_FALSE(KeyExistsJoined(p, {L"HKLM", L"C", L"Sub", L"y"}));
}

TEST_F(KeyLayerTest, DwordQueryOnAnOpenHandle) {
  reg.SetDword(L"HKLM\\D", L"Block", 0x01020304);
  reg.SetString(L"HKLM\\D", L"text", L"a long enough text");
  reg.SetRaw(L"HKLM\\D", L"short", pc::kRegDword, {1, 2, 3});
  HKey key = 0;
  ASSERT_EQ(mp.registry.OpenKey(pc::kHKeyLocalMachine, L"D", 0, pc::kKeyRead, &key), 0);
  uint32_t value = 0;
  EXPECT_EQ(QueryDwordValue(p, key, L"Block", value), pc::kErrorSuccess);
  EXPECT_EQ(value, 0x01020304u);
  EXPECT_EQ(QueryDwordValue(p, key, L"text", value), pc::kErrorInvalidData);
  EXPECT_EQ(QueryDwordValue(p, key, L"short", value), pc::kErrorInvalidData);
  EXPECT_EQ(QueryDwordValue(p, key, L"missing", value), pc::kErrorFileNotFound);
  mp.registry.CloseKey(key);
}

TEST_F(KeyLayerTest, SaveAndReplaceHives) {
  reg.CreateKeyPath(L"HKLM\\SOFTWARE");
  mp.files.AddFolder(L"C:\\tmp");
  ASSERT_EQ(reg.EnablePrivilege(L"SeBackupPrivilege"), pc::PrivilegeResult::kEnabled);
  int32_t error = -1;
  EXPECT_TRUE(SaveKeyToFile(p, L"C:\\tmp\\soft.hiv", L"HKLM\\SOFTWARE", &error)) << error;
  ASSERT_EQ(reg.Saves().size(), 1u);
  EXPECT_EQ(reg.Saves()[0].file, L"C:\\tmp\\soft.hiv");
  EXPECT_FALSE(SaveKeyToFile(p, L"C:\\tmp\\x.hiv", L"HKLM\\Missing", &error));
  EXPECT_FALSE(SaveKeyToFile(p, L"C:\\tmp\\x.hiv", L"HKCC\\x", &error));
  EXPECT_EQ(reg.Saves().size(), 1u);
  EXPECT_FALSE(ReplaceKeyFiles(p, L"C:\\o", L"bad\\x", L"C:\\n", &error));
  EXPECT_EQ(error, pc::kErrorInvalidParameter);
  EXPECT_TRUE(reg.Replaces().empty());
  ASSERT_EQ(reg.EnablePrivilege(L"SeRestorePrivilege"), pc::PrivilegeResult::kEnabled);
  EXPECT_TRUE(ReplaceKeyFiles(p, L"C:\\tmp\\old.hiv", L"HKLM\\SOFTWARE", L"C:\\tmp\\soft.hiv",
                              &error)) << error;
  ASSERT_EQ(reg.Replaces().size(), 1u);
  EXPECT_EQ(reg.Replaces()[0].newFile, L"C:\\tmp\\soft.hiv");
  EXPECT_EQ(reg.Replaces()[0].oldFile, L"C:\\tmp\\old.hiv");
}

TEST_F(KeyLayerTest, BackupPrivileges) {
  EXPECT_TRUE(EnableBackupPrivileges(p));
  EXPECT_TRUE(reg.PrivilegeEnabled(L"SeBackupPrivilege"));
  EXPECT_TRUE(reg.PrivilegeEnabled(L"SeRestorePrivilege"));
  pc::memory::MemoryPlatform other;
  other.registry.SetTokenFails(true);
  EXPECT_FALSE(EnableBackupPrivileges(other.view));
}

TEST_F(KeyLayerTest, SystemErrorTextOnlyWhileTracing) {
  mp.environment.SetModulePath(L"C:\\Lumora\\Lumora.exe");
  EXPECT_EQ(FormatSystemError(p, pc::kErrorAccessDenied), L"");
  mp.files.AddFile(L"C:\\Lumora\\debug");
  EXPECT_FALSE(FormatSystemError(p, pc::kErrorAccessDenied).empty());
  // A failed open of a string query names the error in the trace.
  std::wstring text;
  EXPECT_FALSE(QueryStringAt(p, L"HKLM\\Missing", L"v", text));
  const auto lines = mp.system.DebugLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().rfind(L"Open key fail: ", 0), 0u) << pc::ToUtf8(lines.back());
}

}  // namespace
