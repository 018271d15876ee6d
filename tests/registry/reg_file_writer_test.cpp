#include "registry/reg_file_writer.h"

#include <gtest/gtest.h>

#include "platform/memory/memory_platform.h"
#include "platform/text.h"
#include "platform/win32_constants.h"
#include "registry/reg_key_ex.h"

namespace {

using namespace NSRegKeyEx;
namespace pc = platform;

std::vector<uint8_t> Seq(size_t n) {
  std::vector<uint8_t> bytes(n);
  for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(i + 1);
  return bytes;
}

std::vector<uint8_t> Sz(const std::wstring& text) { return pc::ToUtf16Bytes(text, true); }

// Where the wraps ("\\\n") fall: after the 22nd byte, then every 25th.
TEST(HexListTest, WrapsByByteCount) {
  const struct {
    size_t bytes;
    std::vector<size_t> wrapsAfter;
  } cases[] = {{0, {}}, {1, {}}, {22, {}}, {23, {22}}, {47, {22}}, {48, {22, 47}}, {72, {22, 47}},
               {73, {22, 47, 72}}};
  for (const auto& c : cases) {
    const std::vector<uint8_t> data = Seq(c.bytes);
    const std::wstring text = HexList(data.data(), data.size());
    std::vector<size_t> wraps;
    size_t bytesSeen = 0;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == L',' || i + 1 == text.size()) ++bytesSeen;
      if (text[i] == L'\\') {
        ASSERT_EQ(text[i + 1], L'\n');
        ASSERT_EQ(text[i - 1], L',');
        wraps.push_back(bytesSeen);
      }
    }
    EXPECT_EQ(wraps, c.wrapsAfter) << c.bytes << " bytes";
    EXPECT_EQ(text.size(), c.bytes == 0 ? 0 : c.bytes * 3 - 1 + 2 * c.wrapsAfter.size());
  }
  const uint8_t three[] = {0x00, 0xAB, 0x7f};
  EXPECT_EQ(HexList(three, 3), L"00,ab,7f");
  EXPECT_EQ(HexList(nullptr, 5), L"");
}

TEST(ValueToTextTest, EveryTypeReadsBackToItsBytes) {
  const std::vector<uint8_t> lf = Sz(L"a\nb");
  const struct {
    uint32_t type;
    std::vector<uint8_t> data;
    const wchar_t* text;
  } cases[] = {
      {pc::kRegSz, Sz(L"C:\\Program Files\\x.exe"), L"\"C:\\\\Program Files\\\\x.exe\""},
      {pc::kRegSz, Sz(L"say \"hi\""), L"\"say \\\"hi\\\"\""},
      {pc::kRegSz, Sz(L""), L"\"\""},
      {pc::kRegSz, Sz(std::wstring(1, wchar_t(0x4E2D))), L"\"\x4E2D\""},
      {pc::kRegSz, pc::ToUtf16Bytes(L"ab", false), L"hex(1):61,00,62,00"},
      {pc::kRegSz, {0x61, 0x00, 0x00}, L"hex(1):61,00,00"},
      {pc::kRegSz, lf, L"hex(1):61,00,0a,00,62,00,00,00"},
      {pc::kRegSz, Sz(L"a\r"), L"hex(1):61,00,0d,00,00,00"},
      {pc::kRegSz, Sz(L"\t"), L"hex(1):09,00,00,00"},
      {pc::kRegSz, {0x61, 0x00, 0x00, 0x00, 0x00, 0x00}, L"hex(1):61,00,00,00,00,00"},
      {pc::kRegSz, {}, L"hex(1):"},
      {pc::kRegExpandSz, Sz(L"%A%"), L"hex(2):25,00,41,00,25,00,00,00"},
      {pc::kRegExpandSz, {0x25}, L"hex(2):25"},
      {pc::kRegBinary, {}, L"hex:"},
      {pc::kRegBinary, {0xde, 0xad}, L"hex:de,ad"},
      {pc::kRegDword, {1, 0, 0, 0}, L"dword:00000001"},
      {pc::kRegDword, {0x1a, 0, 0, 0xf0}, L"dword:f000001a"},
      {pc::kRegDword, {1, 2, 3}, L"hex(4):01,02,03"},
      {pc::kRegDword, {}, L"hex(4):"},
      {pc::kRegMultiSz, {0x61, 0, 0, 0, 0, 0}, L"hex(7):61,00,00,00,00,00"},
      {pc::kRegMultiSz, {}, L"hex(7):"},
      {pc::kRegQword, Seq(8), L"hex(b):01,02,03,04,05,06,07,08"},
      {pc::kRegQword, Seq(3), L"hex(b):01,02,03"},
      {pc::kRegNone, {}, L"hex(0):"},
      {pc::kRegDwordBigEndian, {0, 0, 0, 1}, L"hex(5):00,00,00,01"},
      {pc::kRegLink, {0x5c, 0}, L"hex(6):5c,00"},
      {pc::kRegResourceList, {9}, L"hex(8):09"},
      {0xABCDEF12u, {1}, L"hex(abcdef12):01"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ValueToText(c.type, c.data), c.text) << "type " << c.type << " " << c.data.size();
  }
  EXPECT_EQ(ValueToText(pc::kRegBinary, nullptr, 4), L"");
}

TEST(ValueLineTest, NamesAreQuotedAndEscaped) {
  EXPECT_EQ(ValueLine(L"", L"dword:00000001"), L"@=dword:00000001\n");
  EXPECT_EQ(ValueLine(L"@", L"x"), L"\"@\"=x\n");
  EXPECT_EQ(ValueLine(L"a=b", L""), L"\"a=b\"=\n");
  EXPECT_EQ(ValueLine(L"q\"\\", L"x"), L"\"q\\\"\\\\\"=x\n");
  EXPECT_EQ(ValueLine(L"two\nlines\r", L"x"), L"\"two\\nlines\\r\"=x\n");
  std::wstring line;
  EXPECT_TRUE(KeyLine(L"HKLM\\SOFTWARE\\x", line));
  EXPECT_EQ(line, L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\x]\n");
  EXPECT_TRUE(KeyLine(L"[HKEY_CURRENT_USER\\a]", line));
  EXPECT_EQ(line, L"[HKEY_CURRENT_USER\\a]\n");
  EXPECT_FALSE(KeyLine(L"HKCC\\a", line));
  EXPECT_FALSE(KeyLine(L"HKCU\\a\nb", line));
}

class WriterTest : public testing::Test {
 protected:
  pc::memory::MemoryPlatform mp;
  pc::Platform& p = mp.view;
  pc::memory::MemoryRegistry& reg = mp.registry;
};

TEST_F(WriterTest, ExportValueExactText) {
  reg.SetDword(L"HKCU\\Software\\App", L"Count", 1);
  reg.SetString(L"HKCU\\Software\\App", L"", L"C:\\x");
  std::wstring text = L"Windows Registry Editor Version 5.00\n";
  ASSERT_TRUE(ExportValue(p, L"HKCU\\Software\\App", L"Count", text));
  ASSERT_TRUE(ExportValue(p, L"[HKCU\\Software\\App]", L"", text));
  EXPECT_EQ(text,
            L"Windows Registry Editor Version 5.00\n"
            L"[HKEY_CURRENT_USER\\Software\\App]\n\"Count\"=dword:00000001\n\n"
            L"[HKEY_CURRENT_USER\\Software\\App]\n@=\"C:\\\\x\"\n\n");
  const std::wstring before = text;
  EXPECT_FALSE(ExportValue(p, L"HKCU\\Software\\App", L"missing", text));
  EXPECT_FALSE(ExportValue(p, L"HKCU\\Software\\Missing", L"Count", text));
  EXPECT_EQ(text, before);
}

TEST_F(WriterTest, ExportKeyIsDepthFirstPreOrderAndPassesEmptyValues) {
  const std::wstring k = L"HKLM\\SOFTWARE\\T";
  reg.SetRaw(k, L"first", pc::kRegBinary, {});
  reg.SetRaw(k, L"second", pc::kRegNone, {});
  reg.SetDword(k, L"third", 2);
  reg.CreateKeyPath(k + L"\\b\\deep");
  reg.CreateKeyPath(k + L"\\A");
  reg.SetString(k + L"\\b", L"s", L"v");
  std::wstring text;
  bool complete = false;
  ASSERT_TRUE(ExportKey(p, k, text, &complete));
  EXPECT_TRUE(complete);
  EXPECT_EQ(text,
            L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\T]\n\"first\"=hex:\n\"second\"=hex(0):\n"
            L"\"third\"=dword:00000002\n\n"
            L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\T\\A]\n\n"
            L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\T\\b]\n\"s\"=\"v\"\n\n"
            L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\T\\b\\deep]\n\n");
  std::wstring bracketed;
  ASSERT_TRUE(ExportKey(p, L"[" + k + L"]", bracketed));
  EXPECT_EQ(bracketed, text);
}

TEST_F(WriterTest, ExportKeyFailuresAndTheCompleteFlag) {
  std::wstring text = L"kept";
  bool complete = true;
  EXPECT_FALSE(ExportKey(p, L"HKCU\\Missing", text, &complete));
  EXPECT_FALSE(complete);
  EXPECT_EQ(text, L"kept");

  reg.SetDword(L"HKCU\\P", L"v", 1);
  reg.CreateKeyPath(L"HKCU\\P\\Locked");
  reg.SetDword(L"HKCU\\P\\Locked", L"lost", 1);
  reg.CreateKeyPath(L"HKCU\\P\\Open");
  reg.SetFault(L"HKCU\\P\\Locked", {.denyRead = true});
  text.clear();
  complete = true;
  EXPECT_TRUE(ExportKey(p, L"HKCU\\P", text, &complete));
  EXPECT_FALSE(complete);  // the locked subkey is missing from the text
  EXPECT_EQ(text, L"[HKEY_CURRENT_USER\\P]\n\"v\"=dword:00000001\n\n[HKEY_CURRENT_USER\\P\\Open]\n\n");

  // A subkey whose name no registration file can carry.
  reg.SetFault(L"HKCU\\P\\Locked", {});
  reg.CreateKeyPath(L"HKCU\\P\\line\nfeed");
  text.clear();
  EXPECT_TRUE(ExportKey(p, L"HKCU\\P", text, &complete));
  EXPECT_FALSE(complete);
  EXPECT_EQ(text.find(L"feed"), std::wstring::npos);
  reg.RemoveKeyTree(L"HKCU\\P\\line\nfeed");
  text.clear();
  EXPECT_TRUE(ExportKey(p, L"HKCU\\P", text, &complete));
  EXPECT_TRUE(complete);
}

TEST_F(WriterTest, GetValueTextHasNoLineAround) {
  reg.SetRaw(L"HKLM\\G", L"bin", pc::kRegBinary, {1, 2});
  std::wstring text;
  ASSERT_TRUE(GetValueText(p, L"HKLM\\G", L"bin", text));
  EXPECT_EQ(text, L"hex:01,02");
  EXPECT_FALSE(GetValueText(p, L"HKLM\\G", L"missing", text));
}

TEST_F(WriterTest, AppendRegFileWritesUtf16WithOneBom) {
  const std::wstring file = L"C:\\Backup\\1.reg";
  mp.files.AddFolder(L"C:\\Backup");
  EXPECT_TRUE(AppendRegFile(p, file, L""));
  EXPECT_FALSE(mp.files.PathExists(file));  // an empty text creates no file
  ASSERT_TRUE(AppendRegFile(p, file, L"A\x4E2D"));
  ASSERT_TRUE(AppendRegFile(p, file, L"B"));
  const auto bytes = mp.files.Contents(file);
  ASSERT_TRUE(bytes.has_value());
  EXPECT_EQ(*bytes, (std::vector<uint8_t>{0xFF, 0xFE, 'A', 0, 0x2D, 0x4E, '\n', 0, 'B', 0, '\n', 0}));
}

TEST_F(WriterTest, AppendRegFileReportsFailures) {
  int32_t error = 0;
  EXPECT_FALSE(AppendRegFile(p, L"C:\\NoFolder\\1.reg", L"x", &error));
  EXPECT_NE(error, 0);
  mp.files.AddFolder(L"C:\\Backup");
  mp.files.AddFile(L"C:\\Backup\\full.reg", {0xFF, 0xFE});
  mp.files.FailWritesTo(L"C:\\Backup\\full.reg");
  error = 0;
  EXPECT_FALSE(AppendRegFile(p, L"C:\\Backup\\full.reg", L"x", &error));
  EXPECT_NE(error, 0);
}

}  // namespace
