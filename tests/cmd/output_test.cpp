// LumoraCmd's output: JSON strings escaped so that any JSON reader gets the
// registry's text back unit for unit, and the texts of each report.
#include <gtest/gtest.h>

#include <string>

#include "cmd/cmd_output.h"
#include "cmd/json_reader.h"
#include "platform/text.h"

namespace {

using platform::ToUtf8;

TEST(CmdJson, StringsAreEscapedAndReadBackExactly) {
  struct Case {
    std::wstring text;
    const wchar_t* literal;
  };
  const std::vector<Case> cases = {
      {L"", L"\"\""},
      {L"plain text", L"\"plain text\""},
      {L"say \"hi\"", L"\"say \\\"hi\\\"\""},
      {L"C:\\Program Files\\a.exe", L"\"C:\\\\Program Files\\\\a.exe\""},
      {L"tab\there\nline\rcr\bbs\fff", L"\"tab\\there\\nline\\rcr\\bbs\\fff\""},
      {std::wstring(1, L'\0') + L"\x01\x1f\x7f", L"\"\\u0000\\u0001\\u001f\\u007f\""},
      {L"Caf\u00e9 \u65e5\u672c", L"\"Caf\\u00e9 \\u65e5\\u672c\""},
      {std::wstring{static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)},
       L"\"\\ud83d\\ude00\""},  // a surrogate pair, as two UTF-16 units
      {std::wstring(1, static_cast<wchar_t>(0xD800)) + L"x", L"\"\\ud800x\""},  // lone surrogate
      {L"</script>/", L"\"</script>/\""},
  };
  for (const Case& c : cases) {
    const std::wstring literal = cmd::JsonString(c.text);
    if (c.literal) {
      EXPECT_EQ(literal, c.literal);
    }
    for (wchar_t w : literal) EXPECT_TRUE(w >= 0x20 && w < 0x7F) << ToUtf8(literal);
    cmdtest::JsonValue v;
    std::string error;
    ASSERT_TRUE(cmdtest::JsonReader::Parse(ToUtf8(literal), v, &error)) << error;
    EXPECT_EQ(v.text, c.text) << ToUtf8(literal);
  }
}

TEST(CmdJson, ProblemsArray) {
  SRegScanDetail detail;
  EXPECT_EQ(cmd::ProblemsJson(detail), L"[]\n");
  detail.byCategory[15].push_back({true, L"HKEY_CLASSES_ROOT\\CLSID\\{1}", L"n/a", L"", 3});
  detail.byCategory[2].push_back({true, L"HKEY_CURRENT_USER\\R\u00e9cent", L"0",
                                  L"C:\\x\\\"q\".lnk", 16});
  detail.byCategory[4];  // scanned, nothing found
  detail.problemCount = 2;
  cmdtest::JsonValue doc;
  std::string error;
  ASSERT_TRUE(cmdtest::JsonReader::Parse(ToUtf8(cmd::ProblemsJson(detail)), doc, &error)) << error;
  ASSERT_EQ(doc.items.size(), 2u);
  EXPECT_EQ(doc.items[0].Member(L"category")->number, 2);
  EXPECT_EQ(doc.items[0].Member(L"keyPath")->text, L"HKEY_CURRENT_USER\\R\u00e9cent");
  EXPECT_EQ(doc.items[0].Member(L"data")->text, L"C:\\x\\\"q\".lnk");
  EXPECT_EQ(doc.items[1].Member(L"categoryName")->text, L"Active & Com");
  EXPECT_EQ(doc.items[1].Member(L"typeName")->text, L"InvalidActiveCom");
  EXPECT_EQ(doc.items[1].Member(L"valueName")->text, L"n/a");
}

TEST(CmdJson, ReaderRejectsWhatIsNotJson) {
  // The reader must be strict, or the tests above would prove little.
  for (const char* bad : {"", "[", "[1,]", "{\"a\":1,}", "\"a\nb\"", "\"\\x\"", "\"\\u12\"",
                          "[] x", "{\"a\":1,\"a\":2}", "01", "'a'"}) {
    cmdtest::JsonValue v;
    EXPECT_FALSE(cmdtest::JsonReader::Parse(bad, v)) << bad;
  }
}

TEST(CmdText, ReportsNameWhatHappened) {
  EXPECT_EQ(cmd::ValueLabel(L"n/a"), L"(whole key)");
  EXPECT_EQ(cmd::ValueLabel(L""), L"(default value)");
  EXPECT_EQ(cmd::Target(L"HKEY_CURRENT_USER\\K", L"n/a"), L"HKEY_CURRENT_USER\\K");
  EXPECT_EQ(cmd::Target(L"HKEY_CURRENT_USER\\K", L"v"), L"HKEY_CURRENT_USER\\K\\v");

  using State = cmd::CleanLine::State;
  const std::wstring clean = cmd::CleanText(
      {{4, L"K\\a", State::kRepaired}, {4, L"K\\b", State::kFailed}, {16, L"K\\a", State::kAlreadyGone}},
      L"C:\\B\\Backup_1_3.reg", false);
  EXPECT_NE(clean.find(L"repaired  Startup Files: K\\a\n"), std::wstring::npos);
  EXPECT_NE(clean.find(L"FAILED    Startup Files: K\\b\n"), std::wstring::npos);
  EXPECT_NE(clean.find(L"gone      Deep Scan: K\\a\n"), std::wstring::npos);
  EXPECT_NE(clean.find(L"1 entry removed, 1 could not be removed, 1 gone already"),
            std::wstring::npos);
  EXPECT_NE(clean.find(L"Backup written: C:\\B\\Backup_1_3.reg\n"), std::wstring::npos);
  EXPECT_NE(cmd::CleanText({{4, L"K", State::kRepaired}}, L"", true).find(L"No backup file"),
            std::wstring::npos);

  repair::RestoreSummary summary;
  summary.files = {{L"C:\\B\\Purvex\\a.reg", repair::RestoreOutcome::kRestored},
                   {L"C:\\B\\Purvex\\b.reg", repair::RestoreOutcome::kIncomplete}};
  summary.untagged = {L"C:\\elsewhere\\c.reg"};
  const std::wstring restore = cmd::RestoreText(summary);
  EXPECT_NE(restore.find(L"restored: C:\\B\\Purvex\\a.reg\n"), std::wstring::npos);
  EXPECT_NE(restore.find(L"kept: some entries could not be written back: C:\\B\\Purvex\\b.reg"),
            std::wstring::npos);
  EXPECT_NE(restore.find(L"no module tag in its path): C:\\elsewhere\\c.reg"), std::wstring::npos);
  EXPECT_NE(restore.find(L"1 file restored, 2 kept."), std::wstring::npos);
  // A file written back whose deletion failed counts as restored, and as kept.
  summary.files.push_back({L"C:\\B\\Purvex\\d.reg", repair::RestoreOutcome::kRestoredKept});
  EXPECT_EQ(cmd::RestoredCount(summary), 2u);
  EXPECT_NE(cmd::RestoreText(summary).find(L"2 files restored, 3 kept."), std::wstring::npos);
}

}  // namespace
