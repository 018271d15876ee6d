// The optimizer over the real registry and files of the private Wine prefix.
// The hive list of a fresh prefix is empty, so the run test seeds it with one
// entry for a scratch key of its own and removes that entry afterwards; it
// never names a real hive of the prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "optimizer/optimizer_test_support.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "platform/win32_constants.h"
#include "registry/reg_key_ex.h"
#include "support/observing_registry.h"

namespace {

using namespace optimizer_test;
using test_support::ObservingRegistry;
namespace pc = platform;

constexpr wchar_t kScratchSub[] = L"SOFTWARE\\LumoraOptimizerScratch";
constexpr wchar_t kScratchPath[] = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\LumoraOptimizerScratch";
constexpr wchar_t kScratchKernel[] = L"\\REGISTRY\\MACHINE\\SOFTWARE\\LumoraOptimizerScratch";
constexpr wchar_t kHiveListSub[] = L"SYSTEM\\CurrentControlSet\\Control\\hivelist";

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string FirstBytes(const std::wstring& path, size_t count) {
  std::string bytes;
  if (FILE* f = _wfopen(path.c_str(), L"rb")) {
    bytes.resize(count);
    bytes.resize(fread(bytes.data(), 1, count, f));
    fclose(f);
  }
  return bytes;
}

// A saved key: Windows writes a binary hive ("regf"), Wine its own text
// format ("WINE REGISTRY Version 2"); both hold the value names as ASCII.
void ExpectSavedScratchKey(const std::string& bytes) {
  ASSERT_GE(bytes.size(), 4u);
  const std::string head = bytes.substr(0, 4);
  EXPECT_TRUE(head == "regf" || head == "WINE") << head;
  if (head == "WINE") std::printf("note: this Wine saves keys in its text format, not as a hive\n");
  EXPECT_NE(bytes.find("Probe"), std::string::npos);
}

void WriteFile(const std::wstring& path, const std::string& bytes) {
  if (FILE* f = _wfopen(path.c_str(), L"wb")) {
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
  }
}

// Turns one privilege of the process token off again.
void DisablePrivilege(const wchar_t* name) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token)) return;
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  if (LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid)) {
    AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
  }
  CloseHandle(token);
}

class OptimizerWineTest : public testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH] = {};
    ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);
    folder = std::wstring(temp) + L"lumora_optimizer";
    CreateDirectoryW(folder.c_str(), nullptr);
    hive = folder + L"\\scratch_hive";
    RemoveFiles();
    NSRegKeyEx::DeleteKeyTree(p, kScratchPath);
    pc::HKey key = 0;
    ASSERT_EQ(p.registry.CreateKey(pc::kHKeyLocalMachine, kScratchSub, 0, pc::kKeyAllAccess, &key,
                                   nullptr),
              pc::kErrorSuccess);
    const auto data = pc::ToUtf16Bytes(L"compact me", true);
    EXPECT_EQ(p.registry.SetValue(key, L"Probe", pc::kRegSz, data.data(),
                                  static_cast<uint32_t>(data.size())),
              pc::kErrorSuccess);
    p.registry.CloseKey(key);
  }
  void TearDown() override {
    if (seeded) {
      EXPECT_TRUE(NSRegKeyEx::DeleteValueAt(p, kScratchKernel, optimizer::kHiveListPath));
    }
    uint32_t subKeys = 0, values = 0;
    if (seeded && NSRegKeyEx::QueryKeyCounts(p, subKeys, values, {L"HKEY_LOCAL_MACHINE", kHiveListSub})) {
      EXPECT_EQ(values, valuesBefore) << "the hive list is left as it was";
    }
    NSRegKeyEx::DeleteKeyTree(p, kScratchPath);
    RemoveFiles();
    RemoveDirectoryW(folder.c_str());
  }
  void RemoveFiles() {
    for (const wchar_t* suffix : {L"", L".tmp", L".bak", L".bak1", L".bak2", L".saved"}) {
      DeleteFileW((hive + suffix).c_str());
    }
  }

  // Seeds the hive list with the scratch key, its file in the temp folder
  // named by the device of its drive. False (with a reason) when the hive
  // list already lists hives: then the test must not run over it.
  bool SeedHiveList(std::string* reason) {
    uint32_t subKeys = 0;
    if (!NSRegKeyEx::QueryKeyCounts(p, subKeys, valuesBefore, {L"HKEY_LOCAL_MACHINE", kHiveListSub})) {
      *reason = "the hive list key cannot be read";
      return false;
    }
    if (valuesBefore != 0) {
      *reason = "the hive list of this prefix lists real hives; a run would touch them";
      return false;
    }
    std::wstring device;
    if (!p.system.QueryDosDevice(hive.substr(0, 2), &device)) {
      *reason = "no device for the temp folder's drive";
      return false;
    }
    pc::HKey key = 0;
    if (p.registry.OpenKey(pc::kHKeyLocalMachine, kHiveListSub, 0, pc::kKeySetValue, &key) !=
        pc::kErrorSuccess) {
      *reason = "the hive list key cannot be written";
      return false;
    }
    const auto data = pc::ToUtf16Bytes(device + hive.substr(2), true);
    const int32_t rc = p.registry.SetValue(key, kScratchKernel, pc::kRegSz, data.data(),
                                           static_cast<uint32_t>(data.size()));
    p.registry.CloseKey(key);
    seeded = rc == pc::kErrorSuccess;
    if (!seeded) *reason = "the hive list entry cannot be written";
    return seeded;
  }

  pc::Platform& p = pc::DefaultPlatform();
  std::wstring folder;
  std::wstring hive;
  bool seeded = false;
  uint32_t valuesBefore = 0;
};

TEST_F(OptimizerWineTest, SavingAKeyNeedsTheBackupPrivilegeAndWritesAHiveFile) {
  const std::wstring file = hive + L".saved";
  DisablePrivilege(L"SeBackupPrivilege");
  int32_t error = 0;
  EXPECT_FALSE(NSRegKeyEx::SaveKeyToFile(p, file, kScratchPath, &error));
  EXPECT_EQ(error, pc::kErrorPrivilegeNotHeld);
  EXPECT_FALSE(Exists(file));

  ASSERT_TRUE(NSRegKeyEx::EnableBackupPrivileges(p));
  ASSERT_TRUE(NSRegKeyEx::SaveKeyToFile(p, file, kScratchPath, &error)) << "error " << error;
  ExpectSavedScratchKey(FirstBytes(file, 1 << 16));
  // A second save onto the same name is refused.
  EXPECT_FALSE(NSRegKeyEx::SaveKeyToFile(p, file, kScratchPath, &error));
}

TEST_F(OptimizerWineTest, ARunSavesTheSeededHiveKeepsTheOldBackupAndRemovesItsTempFile) {
  std::string reason;
  if (!SeedHiveList(&reason)) GTEST_SKIP() << reason;
  WriteFile(hive, "stands for the hive file");
  WriteFile(hive + L".bak", "backup of an earlier run");

  // Look at the files at the moment of the save and the replacement.
  ObservingRegistry observing(p.registry);
  std::string saved;
  int32_t saveResult = -1, replaceResult = -1;
  observing.afterSave = [&](const std::wstring& file, int32_t rc) {
    saveResult = rc;
    saved = FirstBytes(file, 1 << 16);
  };
  bool movedBeforeReplace = false;
  observing.afterReplace = [&](const std::wstring&, const std::wstring&, int32_t rc) {
    replaceResult = rc;
    movedBeforeReplace = Exists(hive + L".bak1");
  };
  pc::Platform view{observing, p.files, p.environment, p.system};
  RecordingSink sink;
  CRegOptimizeEng engine(view);
  engine.observer = &sink;
  ASSERT_TRUE(engine.Start());
  ASSERT_TRUE(engine.Wait(120000));

  EXPECT_EQ(saveResult, pc::kErrorSuccess);
  ExpectSavedScratchKey(saved);
  EXPECT_EQ(replaceResult, pc::kErrorSuccess);
  EXPECT_TRUE(movedBeforeReplace);
  EXPECT_FALSE(Exists(hive + L".tmp"));
  EXPECT_EQ(FirstBytes(hive + L".bak1", 64), "backup of an earlier run");
  EXPECT_EQ(FirstBytes(hive, 64), "stands for the hive file");
  if (!Exists(hive + L".bak")) {
    std::printf("note: RegReplaceKeyW is a stub in this Wine: it succeeded and wrote no .bak\n");
  }
  const OptimizeCounts counts = sink.Counts();
  EXPECT_EQ(counts.listed, 1u);
  EXPECT_EQ(counts.replaced, 1u);
  EXPECT_EQ(counts.failed + counts.skipped, 0u);
  EXPECT_EQ(sink.Stop(), 0);
  ExpectWellFormedRun(sink);
}

}  // namespace
