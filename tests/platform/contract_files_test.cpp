// File-system behaviour that the core relies on, pinned on every backend.
#include <algorithm>

#include "contract_backends.h"

namespace platform::contract {
namespace {

class ContractFiles : public ContractTest {};

std::vector<std::wstring> SortedNames(const std::vector<FileEntry>& entries) {
  std::vector<std::wstring> names;
  for (const auto& e : entries) names.push_back(e.name);
  std::sort(names.begin(), names.end(),
            [](const std::wstring& a, const std::wstring& b) { return CompareNoCase(a, b) < 0; });
  return names;
}

TEST_P(ContractFiles, PathExistsForFoldersAndFiles) {
  ASSERT_TRUE(Files().CreateFolder(Path(L"Sub")));
  Write(L"Sub\\file.txt", "x");
  struct Case {
    std::wstring path;
    bool exists;
  };
  const Case cases[] = {
      {Path(L"Sub"), true},
      {Path(L"Sub\\"), true},
      {Path(L"sub"), true},
      {Path(L"SUB\\FILE.TXT"), true},
      {Path(L"Sub\\.\\file.txt"), true},
      {Path(L"Sub\\..\\Sub\\file.txt"), true},
      {Path(L"Sub/file.txt"), true},
      {folder_.substr(0, 3), true},  // the drive root
      {Path(L"Sub\\other.txt"), false},
      {Path(L"Missing\\file.txt"), false},
  };
  for (const auto& c : cases) EXPECT_EQ(Files().PathExists(c.path), c.exists) << ToUtf8(c.path);
  EXPECT_TRUE(Files().GetAttributes(Path(L"Sub")) & kFileAttributeDirectory);
  EXPECT_FALSE(Files().GetAttributes(Path(L"Sub\\file.txt")) & kFileAttributeDirectory);
  EXPECT_EQ(Files().GetAttributes(Path(L"none")), kInvalidFileAttributes);
}

TEST_P(ContractFiles, ListFolderMatchesWildcardsIgnoringCase) {
  Write(L"one.reg", "1");
  Write(L"TWO.REG", "22");
  Write(L"three.txt", "333");
  ASSERT_TRUE(Files().CreateFolder(Path(L"dir.reg")));
  EXPECT_EQ(SortedNames(Files().ListFolder(Path(L"*.reg"))),
            (std::vector<std::wstring>{L"dir.reg", L"one.reg", L"TWO.REG"}));
  EXPECT_EQ(SortedNames(Files().ListFolder(Path(L"t?o.*"))), std::vector<std::wstring>{L"TWO.REG"});
  EXPECT_EQ(SortedNames(Files().ListFolder(Path(L"*"))),
            (std::vector<std::wstring>{L"dir.reg", L"one.reg", L"three.txt", L"TWO.REG"}))
      << "\".\" and \"..\" are left out";
  EXPECT_TRUE(Files().ListFolder(Path(L"*.none")).empty());
  EXPECT_TRUE(Files().ListFolder(Path(L"missing\\*")).empty());
  for (const auto& e : Files().ListFolder(Path(L"three.txt"))) {
    EXPECT_EQ(e.size, 3u);
    EXPECT_FALSE(e.attributes & kFileAttributeDirectory);
  }
}

TEST_P(ContractFiles, OpenForAppendCreatesAndNeverTruncates) {
  Write(L"log.txt", "abc");
  {
    auto file = Files().OpenForAppend(Path(L"log.txt"));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->Size(), 3u);
    ASSERT_TRUE(file->Append("de", 2));
    EXPECT_TRUE(file->Flush());
    EXPECT_EQ(file->Size(), 5u);
  }
  EXPECT_EQ(Read(L"log.txt"), "abcde");
  {
    auto fresh = Files().OpenForAppend(Path(L"new.txt"));
    ASSERT_TRUE(fresh);
    EXPECT_EQ(fresh->Size(), 0u);
  }
  EXPECT_TRUE(Files().PathExists(Path(L"new.txt")));
  int32_t error = 0;
  EXPECT_FALSE(Files().OpenForAppend(Path(L"missing\\log.txt"), &error));
  EXPECT_EQ(error, kErrorPathNotFound);
}

TEST_P(ContractFiles, MoveFileDoesNotReplaceAnExistingTarget) {
  Write(L"from.txt", "from");
  Write(L"to.txt", "to");
  int32_t error = 0;
  EXPECT_FALSE(Files().MoveFile(Path(L"from.txt"), Path(L"to.txt"), &error));
  EXPECT_EQ(error, kErrorAlreadyExists);
  EXPECT_EQ(Read(L"from.txt"), "from");
  EXPECT_EQ(Read(L"to.txt"), "to");
  EXPECT_TRUE(Files().MoveFile(Path(L"from.txt"), Path(L"moved.txt")));
  EXPECT_EQ(Read(L"moved.txt"), "from");
  EXPECT_FALSE(Files().PathExists(Path(L"from.txt")));
}

TEST_P(ContractFiles, ErrorsOfMissingFilesAndFolders) {
  int32_t error = 0;
  EXPECT_FALSE(Files().DeleteFile(Path(L"missing.txt"), &error));
  EXPECT_EQ(error, kErrorFileNotFound);
  std::vector<uint8_t> bytes;
  EXPECT_FALSE(Files().ReadWholeFile(Path(L"missing.txt"), &bytes, &error));
  EXPECT_EQ(error, kErrorFileNotFound);
  EXPECT_FALSE(Files().CreateFolder(Path(L"a\\b"), &error));
  EXPECT_EQ(error, kErrorPathNotFound);
  ASSERT_TRUE(Files().CreateFolder(Path(L"a")));
  EXPECT_FALSE(Files().CreateFolder(Path(L"a"), &error));
  EXPECT_EQ(error, kErrorAlreadyExists);
  EXPECT_FALSE(Files().WriteWholeFile(Path(L"none\\x.txt"), "x", 1, &error));
  EXPECT_EQ(error, kErrorPathNotFound);
}

TEST_P(ContractFiles, WriteWholeFileReplacesTheContents) {
  Write(L"data.bin", "a longer first text");
  Write(L"data.bin", "short");
  EXPECT_EQ(Read(L"data.bin"), "short");
  EXPECT_TRUE(Files().DeleteFile(Path(L"DATA.BIN")));
  EXPECT_FALSE(Files().PathExists(Path(L"data.bin")));
}

INSTANTIATE_TEST_SUITE_P(Backends, ContractFiles, testing::ValuesIn(Backends()), BackendName);

}  // namespace
}  // namespace platform::contract
