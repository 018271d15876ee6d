// Registry behaviour that the core relies on, pinned on every backend.
#include "contract_backends.h"

namespace platform::contract {
namespace {

class ContractRegistry : public ContractTest {};

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

TEST_P(ContractRegistry, SubkeysEnumerateSortedIgnoringCaseWithNamesAsWritten) {
  HKey parent = Make(L"order");
  for (const wchar_t* name : {L"b", L"A", L"C", L"ab"}) Make(name, parent);
  EXPECT_EQ(SubKeys(parent), (std::vector<std::wstring>{L"A", L"ab", L"b", L"C"}));

  HKey again = 0;
  ASSERT_EQ(Reg().OpenKey(scratch_, L"ORDER\\a", 0, kKeyRead, &again), kErrorSuccess);
  Reg().CloseKey(again);
}

TEST_P(ContractRegistry, UnderscoreSortsAfterLettersAsOnWindows) {
  if (UnderWine())
    GTEST_SKIP() << "Wine's server folds names to lower case when it sorts subkeys, so '_' "
                    "comes before the letters there; Windows folds to upper case";
  HKey parent = Make(L"order");
  for (const wchar_t* name : {L"b", L"A", L"_x", L"C"}) Make(name, parent);
  EXPECT_EQ(SubKeys(parent), (std::vector<std::wstring>{L"A", L"b", L"C", L"_x"}));
}

TEST_P(ContractRegistry, ValuesEnumerateInCreationOrder) {
  if (UnderWine()) GTEST_SKIP() << "Wine keeps values sorted by name";
  HKey key = Make(L"values");
  for (const wchar_t* name : {L"zeta", L"Alpha", L"mid", L""}) SetBytes(key, name, kRegBinary, {1});
  SetBytes(key, L"ALPHA", kRegBinary, {2});  // rewriting keeps the place
  std::vector<std::wstring> names;
  for (uint32_t i = 0;; ++i) {
    wchar_t name[64];
    uint32_t chars = 64;
    if (Reg().EnumValue(key, i, name, &chars, nullptr, nullptr, nullptr) !=
        kErrorSuccess)
      break;
    names.emplace_back(name, chars);
  }
  EXPECT_EQ(names, (std::vector<std::wstring>{L"zeta", L"Alpha", L"mid", L""}));
}

TEST_P(ContractRegistry, MissingKeyAndMissingValueAreFileNotFound) {
  HKey key = 0;
  EXPECT_EQ(Reg().OpenKey(scratch_, L"absent", 0, kKeyRead, &key), kErrorFileNotFound);
  EXPECT_EQ(Reg().OpenKey(scratch_, L"absent\\deeper", 0, kKeyRead, &key), kErrorFileNotFound);
  uint32_t size = 0;
  EXPECT_EQ(Reg().QueryValue(scratch_, L"absent", nullptr, nullptr, &size), kErrorFileNotFound);
  EXPECT_EQ(Reg().QueryValue(scratch_, nullptr, nullptr, nullptr, &size), kErrorFileNotFound)
      << "an unset default value";
  EXPECT_EQ(Reg().DeleteValue(scratch_, L"absent"), kErrorFileNotFound);
  EXPECT_EQ(Reg().DeleteKey(scratch_, L"absent"), kErrorFileNotFound);
}

TEST_P(ContractRegistry, TooSmallBuffersGiveMoreDataAndTheNeededSize) {
  HKey key = Make(L"sizes");
  const auto text = ToUtf16Bytes(L"twelve chars", true);  // 26 bytes
  SetBytes(key, L"text", kRegSz, text);
  Make(L"a-long-subkey-name", key);

  uint8_t small[8];
  uint32_t size = sizeof small;
  uint32_t type = 0;
  EXPECT_EQ(Reg().QueryValue(key, L"text", &type, small, &size), kErrorMoreData);
  EXPECT_EQ(size, text.size());
  EXPECT_EQ(type, kRegSz);

  size = 0;
  EXPECT_EQ(Reg().QueryValue(key, L"text", nullptr, nullptr, &size), kErrorSuccess);
  EXPECT_EQ(size, text.size()) << "no buffer: the size is reported";

  wchar_t name[32];
  uint32_t chars = 32;
  size = sizeof small;
  EXPECT_EQ(Reg().EnumValue(key, 0, name, &chars, &type, small, &size), kErrorMoreData);
  EXPECT_EQ(size, text.size());

  chars = 3;  // "text" needs 5 with its NUL
  size = 64;
  uint8_t big[64];
  EXPECT_EQ(Reg().EnumValue(key, 0, name, &chars, nullptr, big, &size), kErrorMoreData);

  chars = 5;
  EXPECT_EQ(Reg().EnumKey(key, 0, name, &chars), kErrorMoreData);
  chars = 19;
  EXPECT_EQ(Reg().EnumKey(key, 0, name, &chars), kErrorSuccess);
  EXPECT_EQ(chars, 18u);
  EXPECT_EQ(std::wstring(name), L"a-long-subkey-name");
}

TEST_P(ContractRegistry, EnumerationEndsWithNoMoreItems) {
  HKey key = Make(L"ends");
  Make(L"only", key);
  SetBytes(key, L"v", kRegDword, {1, 0, 0, 0});
  wchar_t name[16];
  uint32_t chars = 16;
  EXPECT_EQ(Reg().EnumKey(key, 0, name, &chars), kErrorSuccess);
  chars = 16;
  EXPECT_EQ(Reg().EnumKey(key, 1, name, &chars), kErrorNoMoreItems);
  chars = 16;
  EXPECT_EQ(Reg().EnumValue(key, 1, name, &chars, nullptr, nullptr, nullptr), kErrorNoMoreItems);
  HKey empty = Make(L"empty");
  chars = 16;
  EXPECT_EQ(Reg().EnumKey(empty, 0, name, &chars), kErrorNoMoreItems);
  chars = 16;
  EXPECT_EQ(Reg().EnumValue(empty, 0, name, &chars, nullptr, nullptr, nullptr), kErrorNoMoreItems);
}

TEST_P(ContractRegistry, StringDataFollowedByANulInMemoryIsStoredAsGiven) {
  HKey key = Make(L"exact");
  const auto terminated = ToUtf16Bytes(L"ab", true);  // the NUL lies past the size given
  ASSERT_EQ(Reg().SetValue(key, L"sz", kRegSz, terminated.data(), 4), kErrorSuccess);
  uint32_t size = 0;
  ASSERT_EQ(Reg().QueryValue(key, L"sz", nullptr, nullptr, &size), kErrorSuccess);
  EXPECT_EQ(size, 4u);
}

TEST_P(ContractRegistry, StringDataIsReturnedAsStored) {
  HKey key = Make(L"raw");
  const auto unterminated = ToUtf16Bytes(L"ab", false);
  SetBytes(key, L"sz", kRegSz, unterminated);
  SetBytes(key, L"empty", kRegSz, {});
  SetBytes(key, L"multi", kRegMultiSz, ToUtf16Bytes(std::wstring(L"x\0y\0\0", 5), false));

  uint8_t buffer[32];
  std::fill(std::begin(buffer), std::end(buffer), 0xCC);
  uint32_t size = sizeof buffer;
  uint32_t type = 0;
  ASSERT_EQ(Reg().QueryValue(key, L"sz", &type, buffer, &size), kErrorSuccess);
  EXPECT_EQ(type, kRegSz);
  ASSERT_EQ(size, 4u) << "no terminator is added to the reported size";
  EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 4), unterminated);

  size = sizeof buffer;
  ASSERT_EQ(Reg().QueryValue(key, L"empty", &type, buffer, &size), kErrorSuccess);
  EXPECT_EQ(size, 0u);
  size = sizeof buffer;
  ASSERT_EQ(Reg().QueryValue(key, L"MULTI", &type, buffer, &size), kErrorSuccess);
  EXPECT_EQ(size, 10u);
  EXPECT_EQ(type, kRegMultiSz);
}

TEST_P(ContractRegistry, QueryInfoKeyReportsCountsAndMaxima) {
  HKey key = Make(L"info");
  Make(L"a", key);
  Make(L"ten-chars!", key);
  SetBytes(key, L"v", kRegBinary, Bytes("123"));
  SetBytes(key, L"value-name-15ch", kRegBinary, Bytes("seventeen bytes!!"));
  KeyInfo info;
  ASSERT_EQ(Reg().QueryInfoKey(key, &info), kErrorSuccess);
  EXPECT_EQ(info.subKeyCount, 2u);
  EXPECT_EQ(info.maxSubKeyLen, 10u);
  EXPECT_EQ(info.valueCount, 2u);
  EXPECT_EQ(info.maxValueNameLen, 15u);
  EXPECT_EQ(info.maxValueLen, 17u);
}

TEST_P(ContractRegistry, HandleKeepsItsAccessMask) {
  Make(L"mask");
  HKey reader = 0;
  ASSERT_EQ(Reg().OpenKey(scratch_, L"mask", 0, kKeyQueryValue, &reader), kErrorSuccess);
  const uint8_t one = 1;
  EXPECT_EQ(Reg().SetValue(reader, L"v", kRegBinary, &one, 1), kErrorAccessDenied);
  wchar_t name[16];
  uint32_t chars = 16;
  EXPECT_EQ(Reg().EnumKey(reader, 0, name, &chars), kErrorAccessDenied);
  Reg().CloseKey(reader);

  HKey wow = 0;
  EXPECT_EQ(Reg().OpenKey(scratch_, L"mask", 0, kKeyRead | kKeyWow64_64Key, &wow), kErrorSuccess);
  Reg().CloseKey(wow);
}

TEST_P(ContractRegistry, KeyThatOpensForReadingButNotForWriting) {
  if (backend_->Real())
    GTEST_SKIP() << "Wine does not enforce registry access control";
  Make(L"locked");
  backend_->Memory()->registry.SetFault(
      L"HKCU\\" + keyName_ + L"\\locked", memory::KeyFault{.denyWrite = true});
  HKey key = 0;
  ASSERT_EQ(Reg().OpenKey(scratch_, L"locked", 0, kKeyRead, &key), kErrorSuccess);
  Reg().CloseKey(key);
  EXPECT_EQ(Reg().OpenKey(scratch_, L"locked", 0, kKeyRead | kKeyWrite, &key), kErrorAccessDenied);
  EXPECT_EQ(Reg().DeleteKey(scratch_, L"locked"), kErrorAccessDenied);
  backend_->Memory()->registry.SetFault(L"HKCU\\" + keyName_ + L"\\locked", memory::KeyFault{});
}

TEST_P(ContractRegistry, DeletingAKeyWithSubkeysFails) {
  HKey parent = Make(L"parent");
  Make(L"child", parent);
  EXPECT_EQ(Reg().DeleteKey(scratch_, L"parent"), kErrorAccessDenied);
  EXPECT_EQ(Reg().DeleteKey(parent, L"child"), kErrorSuccess);
  EXPECT_EQ(Reg().DeleteKey(scratch_, L"parent"), kErrorSuccess);
  HKey gone = 0;
  EXPECT_EQ(Reg().OpenKey(scratch_, L"parent", 0, kKeyRead, &gone), kErrorFileNotFound);
}

TEST_P(ContractRegistry, HandleOfADeletedKeyReportsKeyDeleted) {
  HKey doomed = Make(L"doomed");
  ASSERT_EQ(Reg().DeleteKey(scratch_, L"doomed"), kErrorSuccess);
  uint32_t size = 0;
  EXPECT_EQ(Reg().QueryValue(doomed, L"v", nullptr, nullptr, &size), kErrorKeyDeleted);
  const uint8_t one = 1;
  EXPECT_EQ(Reg().SetValue(doomed, L"v", kRegBinary, &one, 1), kErrorKeyDeleted);
}

TEST_P(ContractRegistry, RepeatedAndTrailingSeparatorsAreSkipped) {
  HKey b = Make(L"a\\b");
  SetBytes(b, L"here", kRegDword, {7, 0, 0, 0});
  for (const wchar_t* path : {L"a\\\\b", L"a\\b\\", L"A\\B"}) {
    HKey key = 0;
    ASSERT_EQ(Reg().OpenKey(scratch_, path, 0, kKeyRead, &key), kErrorSuccess) << ToUtf8(path);
    uint32_t size = 0;
    EXPECT_EQ(Reg().QueryValue(key, L"here", nullptr, nullptr, &size), kErrorSuccess);
    Reg().CloseKey(key);
  }
}

TEST_P(ContractRegistry, CreateReportsDispositionAndMakesIntermediateKeys) {
  HKey key = 0;
  uint32_t disposition = 0;
  ASSERT_EQ(Reg().CreateKey(scratch_, L"x\\y\\z", 0, kKeyAllAccess, &key, &disposition),
            kErrorSuccess);
  EXPECT_EQ(disposition, kRegCreatedNewKey);
  Reg().CloseKey(key);
  ASSERT_EQ(Reg().CreateKey(scratch_, L"X\\Y", 0, kKeyAllAccess, &key, &disposition),
            kErrorSuccess);
  EXPECT_EQ(disposition, kRegOpenedExistingKey);
  EXPECT_EQ(SubKeys(key), std::vector<std::wstring>{L"z"});
  Reg().CloseKey(key);
}

INSTANTIATE_TEST_SUITE_P(Backends, ContractRegistry, testing::ValuesIn(Backends()), BackendName);

}  // namespace
}  // namespace platform::contract
