// Property: any tree exported with ExportKey, written to a backup file and
// imported into an empty registry comes back type for type, byte for byte.
#include <gtest/gtest.h>

#include <functional>

#include "platform/memory/memory_platform.h"
#include "platform/text.h"
#include "registry/reg_file_reader.h"
#include "registry/reg_file_writer.h"
#include "registry/tree_model.h"

namespace {

using namespace NSRegKeyEx;
namespace pc = platform;

std::string RoundTrip(uint32_t seed) {
  const regtest::KeyModel model =
      regtest::TreeGenerator(seed).Tree(L"Software\\LumoraRoundTrip", 5);
  pc::memory::MemoryPlatform source;
  if (!regtest::WriteTree(source.registry, pc::kHKeyCurrentUser, model)) return "setup failed";

  std::wstring text = kRegFileHeader;
  bool complete = false;
  if (!ExportKey(source.view, L"HKCU\\Software\\LumoraRoundTrip", text, &complete) || !complete)
    return "export incomplete";
  source.files.AddFolder(L"C:\\Backup");
  if (!AppendRegFile(source.view, L"C:\\Backup\\rt.reg", text)) return "write failed";

  pc::memory::MemoryPlatform target;
  target.files.AddFile(L"C:\\Backup\\rt.reg", *source.files.Contents(L"C:\\Backup\\rt.reg"));
  RegFileImporter importer(target.view);
  if (!importer.ImportFile(L"C:\\Backup\\rt.reg")) return "import failed";
  if (!importer.LastReport().Complete()) return "import incomplete";
  return regtest::CompareTree(target.registry, pc::kHKeyCurrentUser, model);
}

TEST(RoundTripTest, RandomTreesComeBackExactly) {
  for (uint32_t seed = 1; seed <= 150; ++seed) {
    const std::string diff = RoundTrip(seed);
    EXPECT_EQ(diff, "") << "seed " << seed;
    if (!diff.empty()) break;
  }
}

// The generator reaches the cases the format must take care of.
TEST(RoundTripTest, GeneratedTreesCoverTheHardCases) {
  bool quoteName = false, lineFeedName = false, emptyName = false, oddSize = false,
       emptyValue = false, unusualType = false, deep = false;
  std::function<void(const regtest::KeyModel&, int)> visit = [&](const regtest::KeyModel& k,
                                                                  int depth) {
    deep = deep || depth >= 4;
    for (const auto& v : k.values) {
      quoteName = quoteName || v.name.find(L'"') != std::wstring::npos;
      lineFeedName = lineFeedName || v.name.find(L'\n') != std::wstring::npos;
      emptyName = emptyName || v.name.empty();
      oddSize = oddSize || v.bytes.size() % 2 == 1;
      emptyValue = emptyValue || v.bytes.empty();
      unusualType = unusualType || v.type > 11;
    }
    for (const auto& c : k.children) visit(c, depth + 1);
  };
  for (uint32_t seed = 1; seed <= 150; ++seed) visit(regtest::TreeGenerator(seed).Tree(L"x", 5), 0);
  EXPECT_TRUE(quoteName && lineFeedName && emptyName && oddSize && emptyValue && unusualType &&
              deep);
}

// Special cases kept apart so that a failure names them.
TEST(RoundTripTest, AwkwardNamesAndData) {
  pc::memory::MemoryPlatform source;
  const std::wstring k = L"HKCU\\Software\\Awkward";
  source.registry.SetString(k, L"a\"=b\\", L"C:\\dir\\\"x\"\\");
  source.registry.SetString(k, L"@", L"not the default");
  source.registry.SetString(k, L"", L"the default");
  source.registry.SetString(k, L" lead and trail ", L"multi\nline\r\n");
  source.registry.SetRaw(k, L"empty", pc::kRegSz, {});
  source.registry.SetRaw(k, L"line\nfeed", pc::kRegLink, {1});
  source.registry.CreateKeyPath(k + L"\\ends with]");
  source.registry.SetDword(k + L"\\ends with]", L"v", 5);
  source.registry.CreateKeyPath(k + L"\\[-starts");
  source.registry.CreateKeyPath(k + L"\\x]\\y");
  std::wstring text = kRegFileHeader;
  bool complete = false;
  ASSERT_TRUE(ExportKey(source.view, k, text, &complete));
  ASSERT_TRUE(complete);
  pc::memory::MemoryPlatform target;
  RegFileImporter importer(target.view);
  ASSERT_TRUE(importer.ImportText(text + L"\n"));
  EXPECT_TRUE(importer.LastReport().Complete());
  for (const std::wstring& name : source.registry.ValueNames(k)) {
    const auto want = source.registry.GetRaw(k, name);
    const auto got = target.registry.GetRaw(k, name);
    ASSERT_TRUE(got.has_value()) << regtest::Describe(name);
    EXPECT_EQ(got->type, want->type) << regtest::Describe(name);
    EXPECT_EQ(got->bytes, want->bytes) << regtest::Describe(name);
  }
  EXPECT_EQ(target.registry.ValueNames(k).size(), 6u);
  EXPECT_TRUE(target.registry.GetRaw(k + L"\\ends with]", L"v").has_value());
  EXPECT_TRUE(target.registry.HasKey(k + L"\\[-starts"));
  EXPECT_TRUE(target.registry.HasKey(k + L"\\x]\\y"));
}

}  // namespace
