#include "registry/reg_file_reader.h"

#include <gtest/gtest.h>

#include "platform/memory/memory_platform.h"
#include "platform/text.h"
#include "platform/win32_constants.h"
#include "registry/reg_file_writer.h"

namespace {

using namespace NSRegKeyEx;
namespace pc = platform;

class RecordingObserver : public IRegImportObserver {
 public:
  void OnImportBegin() override { events.push_back(L"begin"); }
  void OnImportEnd() override { events.push_back(L"end"); }
  void OnImportError(const std::wstring& text) override { events.push_back(text); }
  std::vector<std::wstring> events;
};

class ReaderTest : public testing::Test {
 protected:
  // Writes the text as a backup file would hold it and imports it.
  bool Import(const std::wstring& text, bool bom = true) {
    std::vector<uint8_t> bytes;
    if (bom) bytes = {0xFF, 0xFE};
    const auto body = pc::ToUtf16Bytes(text, false);
    bytes.insert(bytes.end(), body.begin(), body.end());
    mp.files.AddFile(kFile, bytes);
    return importer.ImportFile(kFile);
  }
  std::vector<uint8_t> Raw(const std::wstring& key, const std::wstring& name, uint32_t type) {
    auto value = reg.GetRaw(key, name);
    if (!value) return {0xEE};
    EXPECT_EQ(value->type, type) << pc::ToUtf8(name);
    return value->bytes;
  }

  const std::wstring kFile = L"C:\\Backup\\r.reg";
  pc::memory::MemoryPlatform mp;
  pc::memory::MemoryRegistry& reg = mp.registry;
  RegFileImporter importer{mp.view};
};

TEST_F(ReaderTest, RestoresWriterOutputWhicheverValueIsLast) {
  const std::vector<uint8_t> bin(30, 0x5a);
  const std::wstring lines[] = {L"\"s\"=\"C:\\\\dir\\\\\\\"q\\\"\"\n", L"\"d\"=dword:0000001a\n",
                                L"\"b\"=hex:" + HexList(bin.data(), bin.size()) + L"\n"};
  for (int last = 0; last < 3; ++last) {
    reg.RemoveKeyTree(L"HKCU\\R");
    std::wstring text = std::wstring(kRegFileHeader) + L"[HKEY_CURRENT_USER\\R]\n";
    for (int i = 1; i <= 3; ++i) text += lines[(last + i) % 3];
    ASSERT_TRUE(Import(text + L"\n\n"));
    EXPECT_EQ(Raw(L"HKCU\\R", L"s", pc::kRegSz), pc::ToUtf16Bytes(L"C:\\dir\\\"q\"", true));
    EXPECT_EQ(Raw(L"HKCU\\R", L"d", pc::kRegDword), (std::vector<uint8_t>{26, 0, 0, 0}));
    EXPECT_EQ(Raw(L"HKCU\\R", L"b", pc::kRegBinary), bin);
    EXPECT_TRUE(importer.LastReport().Complete());
  }
}

TEST_F(ReaderTest, ValueLineTable) {
  const struct {
    const wchar_t* line;
    const wchar_t* name;
    uint32_t type;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {L"@=\"def\"", L"", pc::kRegSz, pc::ToUtf16Bytes(L"def", true)},
      {L"\"@\"=dword:00000002", L"@", pc::kRegDword, {2, 0, 0, 0}},
      {L"\"a=b\"=\"c=d\"", L"a=b", pc::kRegSz, pc::ToUtf16Bytes(L"c=d", true)},
      {L"\" sp \" = \"x\"", L" sp ", pc::kRegSz, pc::ToUtf16Bytes(L"x", true)},
      {L"\"nl\\nname\\r\"=hex:", L"nl\nname\r", pc::kRegBinary, {}},
      {L"\"e\"=\"\"", L"e", pc::kRegSz, {0, 0}},
      {L"\"x\"=hex(0):", L"x", pc::kRegNone, {}},
      {L"\"x5\"=hex(5):00,00,00,01", L"x5", pc::kRegDwordBigEndian, {0, 0, 0, 1}},
      {L"\"big\"=hex(abcdef12):ff", L"big", 0xabcdef12u, {0xff}},
      {L"\"sz\"=hex(1):61,00", L"sz", pc::kRegSz, {0x61, 0}},
      {L"\"q\"=hex(b):01,02,03,04,05,06,07,08", L"q", pc::kRegQword, {1, 2, 3, 4, 5, 6, 7, 8}},
      {L"\"m\"=hex(7):61,00,00,00,00,00", L"m", pc::kRegMultiSz, {0x61, 0, 0, 0, 0, 0}},
      {L"\"ex\"=hex(2):25,00,00,00", L"ex", pc::kRegExpandSz, {0x25, 0, 0, 0}},
      {L"\"low\"=hex:1ff, 2 ,,3", L"low", pc::kRegBinary, {0xff, 2, 3}},
      {L"\"case\"=DWORD:FFFFFFFF", L"case", pc::kRegDword, {0xff, 0xff, 0xff, 0xff}},
  };
  std::wstring text = L"[HKEY_CURRENT_USER\\V]\n";
  for (const auto& c : cases) text += std::wstring(c.line) + L"\n";
  ASSERT_TRUE(Import(text + L"\n"));
  for (const auto& c : cases) {
    EXPECT_EQ(Raw(L"HKCU\\V", c.name, c.type), c.bytes) << pc::ToUtf8(c.line);
  }
  EXPECT_EQ(reg.ValueNames(L"HKCU\\V").size(), std::size(cases));
  EXPECT_TRUE(importer.LastReport().Complete());
}

TEST_F(ReaderTest, UnreadableValueLinesAreSkippedOthersWritten) {
  const wchar_t* bad[] = {L"\"a\"=bogus:12",      L"\"b\"=dword:123456789", L"\"c\"=dword:xyz",
                          L"\"d\"=hex:zz,01",     L"\"e\"=\"unterminated", L"\"f\"=\"x\" trailing",
                          L"no quotes=\"x\"",    L"\"g\"=hex(q):00",       L"\"h\"",
                          L"\"i\"=hex(7)00"};
  std::wstring text = L"[HKEY_CURRENT_USER\\B]\n\"first\"=dword:00000001\n";
  for (const wchar_t* line : bad) text += std::wstring(line) + L"\n";
  text += L"; a comment\n\"last\"=dword:00000002\n\n";
  ASSERT_TRUE(Import(text));
  EXPECT_EQ(reg.ValueNames(L"HKCU\\B"), (std::vector<std::wstring>{L"first", L"last"}));
  EXPECT_EQ(importer.LastReport().valuesFailed, std::size(bad));
  EXPECT_EQ(importer.LastReport().valuesWritten, 2u);
  EXPECT_FALSE(importer.LastReport().Complete());
}

TEST_F(ReaderTest, KeyLinesRootsAndDeletions) {
  reg.CreateKeyPath(L"HKCU\\Del\\Leaf");
  reg.CreateKeyPath(L"HKCU\\Parent\\Child");
  reg.SetDword(L"HKCU\\Vals", L"gone", 1);
  reg.SetDword(L"HKCU\\Vals", L"", 1);
  reg.SetDword(L"HKCU\\Vals", L"kept", 1);
  ASSERT_TRUE(Import(L"[HKEY_CURRENT_USER\\OnlyHeader]\n\n"
                     L"[hkey_current_user\\Lower]\n\"v\"=dword:00000001\n\n"
                     L"[HKEY_CURRENT_CONFIG\\Config]\n\n"
                     L"[HKLM\\Short]\n\"v\"=dword:00000001\n\n"
                     L"[HKEY_CURRENT_USER]\n\n"
                     L"[-HKEY_CURRENT_USER\\Del\\Leaf]\n\n"
                     L"[-HKEY_CURRENT_USER\\Parent]\n\n"
                     L"[HKEY_CURRENT_USER\\Vals]\n\"gone\"=-\n@=-\n\"never\"=-\n\n"
                     L"[HKEY_CURRENT_USER\\Bad\n\n"));
  EXPECT_TRUE(reg.HasKey(L"HKCU\\OnlyHeader"));
  EXPECT_TRUE(reg.ValueNames(L"HKCU\\OnlyHeader").empty());
  EXPECT_TRUE(reg.GetRaw(L"HKCU\\Lower", L"v").has_value());
  EXPECT_TRUE(reg.HasKey(L"HKCC\\Config"));
  EXPECT_FALSE(reg.HasKey(L"HKLM\\Short"));
  EXPECT_FALSE(reg.HasKey(L"HKCU\\Del\\Leaf"));
  EXPECT_TRUE(reg.HasKey(L"HKCU\\Del"));
  EXPECT_TRUE(reg.HasKey(L"HKCU\\Parent\\Child"));  // not recursive
  EXPECT_EQ(reg.ValueNames(L"HKCU\\Vals"), (std::vector<std::wstring>{L"kept"}));
  EXPECT_FALSE(reg.HasKey(L"HKCU\\Bad"));
  // HKLM short root, the rootless path, the undeletable parent and the bad header.
  EXPECT_EQ(importer.LastReport().keysFailed, 4u);
}

TEST_F(ReaderTest, RegistryEditorStyleFile) {
  const std::wstring text =
      L"Windows Registry Editor Version 5.00\r\n\r\n"
      L"[HKEY_CURRENT_USER\\Software\\Ed]\r\n"
      L"\"Path\"=\"C:\\\\Program Files\\\\Ed\"\r\n"
      L"\"Bin\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
      L"  16,17\r\n"
      L"\"Multi\"=hex(7):61,00,00,00,\\\r\n  00,00\r\n"
      L"\r\n"
      L"[HKEY_CURRENT_USER\\Software\\Ed\\Sub]\r\n"
      L"@=dword:00000010\r\n\r\n";
  ASSERT_TRUE(Import(text));
  EXPECT_EQ(Raw(L"HKCU\\Software\\Ed", L"Path", pc::kRegSz),
            pc::ToUtf16Bytes(L"C:\\Program Files\\Ed", true));
  std::vector<uint8_t> bin(24);
  for (size_t i = 0; i < bin.size(); ++i) bin[i] = static_cast<uint8_t>(i);
  EXPECT_EQ(Raw(L"HKCU\\Software\\Ed", L"Bin", pc::kRegBinary), bin);
  EXPECT_EQ(Raw(L"HKCU\\Software\\Ed", L"Multi", pc::kRegMultiSz),
            (std::vector<uint8_t>{0x61, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Raw(L"HKCU\\Software\\Ed\\Sub", L"", pc::kRegDword), (std::vector<uint8_t>{16, 0, 0, 0}));
  EXPECT_TRUE(importer.LastReport().Complete());
}

TEST_F(ReaderTest, TruncatedLastBlockStaysUnread) {
  const wchar_t* endings[] = {L"\"v\"=dword:00000001",    // cut inside the line
                              L"\"v\"=dword:00000001\n",  // no blank line after it
                              L"\"b\"=hex:01,02,\\\n"};   // cut inside a wrapped list
  for (const wchar_t* ending : endings) {
    reg.RemoveKeyTree(L"HKCU\\Cut");
    ASSERT_TRUE(Import(L"[HKEY_CURRENT_USER\\Whole]\n\n[HKEY_CURRENT_USER\\Cut]\n" +
                       std::wstring(ending)));
    EXPECT_TRUE(reg.HasKey(L"HKCU\\Whole"));
    EXPECT_FALSE(reg.HasKey(L"HKCU\\Cut"));
    EXPECT_TRUE(importer.LastReport().textLeftUnread);
    EXPECT_FALSE(importer.LastReport().Complete());
  }
}

TEST_F(ReaderTest, ExtraBlankLinesHideNoBlockAndStrayTextIsReported) {
  ASSERT_TRUE(Import(L"[HKEY_CURRENT_USER\\One]\n\"a\"=dword:00000001\n\n\n\n"
                     L"[HKEY_CURRENT_USER\\Two]\n\"b\"=dword:00000002\n\n"));
  EXPECT_EQ(Raw(L"HKCU\\One", L"a", pc::kRegDword), (std::vector<uint8_t>{1, 0, 0, 0}));
  EXPECT_EQ(Raw(L"HKCU\\Two", L"b", pc::kRegDword), (std::vector<uint8_t>{2, 0, 0, 0}));
  EXPECT_TRUE(importer.LastReport().Complete());

  ASSERT_TRUE(Import(L"[HKEY_CURRENT_USER\\Three]\n\n\"c\"=dword:00000003\n\n"));
  EXPECT_TRUE(reg.HasKey(L"HKCU\\Three"));
  EXPECT_FALSE(importer.LastReport().Complete());
}

TEST_F(ReaderTest, FileLevelResultsAndObserver) {
  RecordingObserver observer;
  importer.observer = &observer;
  EXPECT_FALSE(importer.ImportFile(L"C:\\missing.reg"));
  EXPECT_TRUE(observer.events.empty());

  EXPECT_FALSE(Import(L""));
  EXPECT_FALSE(Import(L"no key here\n\n"));
  EXPECT_EQ(observer.events, (std::vector<std::wstring>{L"begin", L"end", L"begin", L"end"}));

  // An 8-bit file: read as UTF-16 it holds no "[".
  mp.files.AddFile(kFile, {'[', 'H', 'K', 'E', 'Y', ']', '\n', '\n'});
  EXPECT_FALSE(importer.ImportFile(kFile));

  observer.events.clear();
  EXPECT_TRUE(Import(L"[HKEY_CURRENT_USER\\Unclosed\n\"v\"=dword:00000001\n\n"));
  EXPECT_EQ(observer.events,
            (std::vector<std::wstring>{L"begin", L"Parse Key Contect Error!", L"end"}));
  EXPECT_EQ(importer.filePath, kFile);

  // An odd byte count: the last byte is dropped.
  std::vector<uint8_t> bytes{0xFF, 0xFE};
  const auto body = pc::ToUtf16Bytes(L"[HKEY_USERS\\Odd]\n\n", false);
  bytes.insert(bytes.end(), body.begin(), body.end());
  bytes.push_back('x');
  mp.files.AddFile(kFile, bytes);
  EXPECT_TRUE(importer.ImportFile(kFile));
  EXPECT_TRUE(reg.HasKey(L"HKU\\Odd"));
}

TEST_F(ReaderTest, FailingRegistryCallsAreReported) {
  reg.CreateKeyPath(L"HKLM\\Locked");
  reg.SetFault(L"HKLM\\Locked", {.denyWrite = true});
  ASSERT_TRUE(Import(L"[HKEY_LOCAL_MACHINE\\Locked]\n\"v\"=dword:00000001\n\n"
                     L"[HKEY_LOCAL_MACHINE\\Free]\n\"v\"=dword:00000001\n\n"));
  EXPECT_FALSE(reg.GetRaw(L"HKLM\\Locked", L"v").has_value());
  EXPECT_TRUE(reg.GetRaw(L"HKLM\\Free", L"v").has_value());
  EXPECT_EQ(importer.LastReport().keysFailed, 1u);
  EXPECT_EQ(importer.LastReport().keysWritten, 1u);
  EXPECT_FALSE(importer.LastReport().Complete());
}

}  // namespace
