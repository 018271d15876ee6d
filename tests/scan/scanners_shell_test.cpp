// The recent-documents, font, help and sound scanners.
#include <gtest/gtest.h>

#include "scan/scanner_fixture.h"

namespace {

using namespace scanner_test;

const std::wstring kRecentDocs =
    L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RecentDocs";
const std::wstring kRecent = L"C:\\Users\\user\\AppData\\Roaming\\Microsoft\\Windows\\Recent";
const std::wstring kFonts =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const std::wstring kHtmlHelp = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\HTML Help";
const std::wstring kHelp = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\Help";
const std::wstring kApps = L"HKEY_CURRENT_USER\\AppEvents\\Schemes\\Apps";

const std::vector<uint8_t> kPidlTail = {0x50, 0x00, 0x31, 0x00, 0x7A, 0x00, 0x00, 0x00};

TEST_F(ScannerFixture, RecentDocsReportsNumberedEntriesWhoseShortcutIsGone) {
  mp.files.AddFile(kRecent + L"\\kept.doc.lnk");
  const std::wstring doc = kRecentDocs + L"\\.doc";
  Binary(doc, L"12", L"report.doc", true, kPidlTail);
  Binary(doc, L"3", L"kept.doc", true, kPidlTail);
  Binary(doc, L"MRUListEx", L"gone.doc", true);
  mp.registry.SetString(doc, L"7", L"text.doc");
  mp.registry.SetRaw(doc, L"9", platform::kRegBinary, {0x41, 0x00, 0x00});  // odd size
  Binary(doc, L"5", L"unterminated.doc", false);
  Binary(doc, L"", L"noname.doc", true);
  Binary(kRecentDocs, L"1", L"toplevel.doc", true);  // values of the list key itself
  Binary(kRecentDocs + L"\\.txt", L"0", L"locked.txt", true);
  Lock(kRecentDocs + L"\\.txt");
  Scan(kCatRecentDocs);
  EXPECT_EQ(Problems(), (Lines{
                            Problem(16, kRecent + L"\\report.doc.lnk", doc, L"12"),
                            Problem(16, kRecent + L"\\noname.doc.lnk", doc, L""),
                        }));
  EXPECT_EQ(Items(), (Lines{Item(doc), Item(kRecentDocs + L"\\.txt")}));
  EXPECT_EQ(Progress(), Percents({50, 100}));
}

TEST_F(ScannerFixture, FontsLooksInTheFontsFolderForBareNames) {
  mp.files.AddFile(L"C:\\Windows\\Fonts\\arial.ttf");
  mp.files.AddFile(L"C:\\Fonts2\\full.ttf");
  auto& r = mp.registry;
  r.SetString(kFonts, L"Arial (TrueType)", L"arial.ttf");
  r.SetString(kFonts, L"Gone (TrueType)", L"gonefont.ttf");
  r.SetString(kFonts, L"Full (TrueType)", L"C:\\Fonts2\\full.ttf");
  r.SetString(kFonts, L"Elsewhere (TrueType)", L"D:\\Fonts\\x.ttf");
  r.SetDword(kFonts, L"Number", 1);
  Scan(kCatFonts);
  EXPECT_EQ(Problems(), (Lines{Problem(6, L"gonefont.ttf", kFonts, L"Gone (TrueType)"),
                               Problem(6, L"D:\\Fonts\\x.ttf", kFonts, L"Elsewhere (TrueType)")}));
  EXPECT_EQ(Items(), (Lines{Item(kFonts)}));
  EXPECT_EQ(Progress(), Percents({20, 40, 60, 80, 100}));
}

TEST_F(ScannerFixture, HelpChecksNameThenFolderInBothKeys) {
  mp.files.AddFile(L"C:\\Windows\\found.chm");
  mp.files.AddFile(L"C:\\Docs\\local.chm");
  auto& r = mp.registry;
  r.SetString(kHtmlHelp, L"found.chm", L"C:\\Gone\\Folder");  // found through the search path
  r.SetString(kHtmlHelp, L"local.chm", L"C:\\Docs");
  r.SetString(kHtmlHelp, L"gone.chm", L"C:\\Docs");
  r.SetString(kHelp, L"old.hlp", L"C:\\GoneDir");
  r.SetString(kHelp, L"empty.hlp", L"");
  Scan(kCatHelp);
  EXPECT_EQ(Problems(), (Lines{Problem(7, L"C:\\Docs", kHtmlHelp, L"gone.chm"),
                               Problem(7, L"C:\\GoneDir", kHelp, L"old.hlp")}));
  EXPECT_EQ(Items(), (Lines{Item(kHtmlHelp), Item(kHelp)}));
  EXPECT_EQ(Progress(), Percents({16, 33, 50, 75, 100}));
}

TEST_F(ScannerFixture, SoundExaminesSchemeKeysAndWalksIntoTheRest) {
  mp.files.AddFile(L"C:\\Windows\\Media\\ding.wav");
  auto& r = mp.registry;
  const std::wstring asterisk = kApps + L"\\.Default\\SystemAsterisk";
  r.SetString(asterisk + L"\\.Current", L"", L"C:\\Windows\\Media\\ding.wav");
  r.SetString(asterisk + L"\\.Modified", L"", L"C:\\Gone\\ding.wav");
  r.SetString(kApps + L"\\App\\Event\\.current", L"", L"C:\\Gone\\x.wav");
  r.SetString(kApps + L"\\App\\Event\\.Default", L"", L"C:\\Gone\\default.wav");
  r.SetString(kApps + L"\\App\\Quiet\\.Current", L"", L"");
  Scan(kCatSound);
  EXPECT_EQ(Problems(),
            (Lines{Problem(12, L"C:\\Gone\\ding.wav", asterisk + L"\\.Modified", L""),
                   Problem(12, L"C:\\Gone\\x.wav", kApps + L"\\App\\Event\\.current", L"")}));
  EXPECT_EQ(Items(), (Lines{
                         Item(kApps + L"\\.Default"),
                         Item(asterisk),
                         Item(asterisk + L"\\.Current"),
                         Item(asterisk + L"\\.Modified"),
                         Item(kApps + L"\\App"),
                         Item(kApps + L"\\App\\Event"),
                         Item(kApps + L"\\App\\Event\\.current"),
                         Item(kApps + L"\\App\\Event\\.Default"),
                         Item(kApps + L"\\App\\Quiet"),
                         Item(kApps + L"\\App\\Quiet\\.Current"),
                     }));
  EXPECT_EQ(Progress(), Percents({100}));
}

}  // namespace
