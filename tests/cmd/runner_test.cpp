// LumoraCmd's commands over the in-memory platform: exit codes, what each
// command prints, the stored settings, and clean, backups and restore
// working together on one registry.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "cmd/cmd_runner.h"
#include "cmd/json_reader.h"
#include "platform/memory/memory_platform.h"
#include "platform/text.h"
#include "repair/backup_store.h"
#include "settings/exclusions.h"
#include "settings/memory_settings_store.h"
#include "settings/settings_codecs.h"

namespace {

using platform::ToUtf8;

class FakeConsole : public cmd::IConsole {
 public:
  bool wantProgress = false;
  void Out(const std::wstring& t) override { Add(out, t); }
  void Err(const std::wstring& t) override { Add(err, t); }
  bool ProgressWanted() override { return wantProgress; }
  void Progress(const std::wstring& line) override {
    std::lock_guard<std::mutex> lock(mutex_);
    progress.push_back(line);
  }
  std::wstring out, err;
  std::vector<std::wstring> progress;

 private:
  void Add(std::wstring& to, const std::wstring& t) {
    std::lock_guard<std::mutex> lock(mutex_);
    to += t;
  }
  std::mutex mutex_;
};

// Spelled as the App Paths scanner reports it.
const std::wstring kAppPaths =
    L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OrvPhoto.exe";
const std::wstring kGoneExe = L"C:\\Program Files\\Orvane\\OrvPhoto.exe";
const std::wstring kSound = L"HKEY_CURRENT_USER\\AppEvents\\Schemes\\Apps\\OrvPhoto\\Done\\.Current";
const std::wstring kGoneWav = L"C:\\Program Files\\Orvane\\done \"final\".wav";
const std::wstring kFolder = L"C:\\ProgramData\\Quorvel\\Lumora\\Backup\\Purvex";

class CmdRunnerTest : public ::testing::Test {
 protected:
  CmdRunnerTest() {
    mp.files.AddFolder(L"C:\\ProgramData");
    mp.files.AddFolder(L"C:\\Windows");
    mp.system.SetNow(1347031812);  // 2012-09-07 15:30:12
    mp.registry.SetString(kAppPaths, L"", kGoneExe);
    mp.registry.SetString(kAppPaths, L"Path", L"C:\\Windows");  // present
    mp.registry.SetString(kSound, L"", kGoneWav);
  }

  int Run(std::vector<std::wstring> args) {
    console.out.clear();
    console.err.clear();
    cmd::CmdContext ctx{mp.view, console, [this] { return settingsAvailable ? &store : nullptr; },
                        [] { return false; }, 10};
    return cmd::RunCommandLine(args, ctx);
  }

  std::vector<std::wstring> BackupFiles() {
    std::vector<std::wstring> names;
    for (const auto& e : mp.files.ListFolder(kFolder + L"\\*.reg")) names.push_back(e.name);
    return names;
  }

  platform::memory::MemoryPlatform mp;
  settings::MemorySettingsStore store;
  bool settingsAvailable = true;
  FakeConsole console;
};

TEST_F(CmdRunnerTest, ScanPrintsTheProblemsAsParseableJson) {
  ASSERT_EQ(Run({L"scan", L"--category", L"8,0", L"--json"}), cmd::kExitFound) << ToUtf8(console.err);
  EXPECT_EQ(console.err, L"");
  cmdtest::JsonValue doc;
  std::string error;
  ASSERT_TRUE(cmdtest::JsonReader::Parse(ToUtf8(console.out), doc, &error)) << error;
  ASSERT_EQ(doc.kind, cmdtest::JsonValue::Kind::kArray);
  ASSERT_EQ(doc.items.size(), 2u) << ToUtf8(console.out);
  const cmdtest::JsonValue& app = doc.items[0];
  const std::vector<std::wstring> fields = {L"category", L"categoryName", L"type", L"typeName",
                                            L"data", L"keyPath", L"valueName"};
  EXPECT_EQ(app.order, fields);
  EXPECT_EQ(app.Member(L"category")->number, 0);
  EXPECT_EQ(app.Member(L"categoryName")->text, L"Application Path");
  EXPECT_EQ(app.Member(L"type")->number, 5);
  EXPECT_EQ(app.Member(L"typeName")->text, L"AppPathIssue");
  EXPECT_EQ(app.Member(L"data")->text, kGoneExe);
  EXPECT_EQ(app.Member(L"keyPath")->text, kAppPaths);
  EXPECT_EQ(app.Member(L"valueName")->text, L"");
  const cmdtest::JsonValue& sound = doc.items[1];
  EXPECT_EQ(sound.Member(L"category")->number, 8);
  EXPECT_EQ(sound.Member(L"typeName")->text, L"InvalidSoudFileRef");
  EXPECT_EQ(sound.Member(L"data")->text, kGoneWav);  // quotes survive the round trip
  EXPECT_EQ(sound.Member(L"keyPath")->text, kSound);
}

TEST_F(CmdRunnerTest, ScanAsTextAndWithNothingToFind) {
  ASSERT_EQ(Run({L"scan", L"--category", L"0"}), cmd::kExitFound);
  EXPECT_NE(console.out.find(L"Application Path (0): 1 problem\n"), std::wstring::npos);
  EXPECT_NE(console.out.find(L"  AppPathIssue: " + kGoneExe + L"\n    key:   " + kAppPaths +
                             L"\n    value: (default value)\n"),
            std::wstring::npos)
      << ToUtf8(console.out);
  EXPECT_NE(console.out.find(L"1 problem found in 1 of 1 category."), std::wstring::npos);

  ASSERT_EQ(Run({L"scan", L"--category", L"6"}), cmd::kExitOk);
  EXPECT_EQ(console.out, L"No problems found in 1 category.\n");
  ASSERT_EQ(Run({L"scan", L"--category", L"6", L"--json"}), cmd::kExitOk);
  EXPECT_EQ(console.out, L"[]\n");
}

TEST_F(CmdRunnerTest, StoredCategoriesAndExclusionsApply) {
  settings::CategoryChoice choice;
  for (int32_t id = 0; id < 17; ++id) choice[id] = (id == 0 || id == 8) ? 1 : 0;
  ASSERT_TRUE(settings::WriteCategoryChoice(store, choice));
  ASSERT_EQ(Run({L"scan", L"--json"}), cmd::kExitFound);
  cmdtest::JsonValue doc;
  ASSERT_TRUE(cmdtest::JsonReader::Parse(ToUtf8(console.out), doc));
  EXPECT_EQ(doc.items.size(), 2u);

  // An exclusion in other letter case drops the sound entry, also when the
  // categories are given on the command line.
  std::wstring lower = kSound;
  for (wchar_t& c : lower) c = static_cast<wchar_t>(towlower(c));
  ASSERT_TRUE(settings::SaveExclusions(store, {lower}));
  for (const std::vector<std::wstring>& args :
       {std::vector<std::wstring>{L"scan", L"--json"},
        std::vector<std::wstring>{L"scan", L"--json", L"--category", L"0,8"}}) {
    ASSERT_EQ(Run(args), cmd::kExitFound);
    cmdtest::JsonValue one;
    ASSERT_TRUE(cmdtest::JsonReader::Parse(ToUtf8(console.out), one));
    ASSERT_EQ(one.items.size(), 1u);
    EXPECT_EQ(one.items[0].Member(L"keyPath")->text, kAppPaths);
  }

  // Every category switched off: nothing scanned, nothing found.
  for (auto& [id, state] : choice) state = 0;
  ASSERT_TRUE(settings::WriteCategoryChoice(store, choice));
  EXPECT_EQ(Run({L"scan"}), cmd::kExitOk);
  EXPECT_EQ(console.out, L"No problems found in 0 categories.\n");
}

TEST_F(CmdRunnerTest, CleanWithoutYesRefusesAndChangesNothing) {
  EXPECT_EQ(Run({L"clean", L"--category", L"0"}), cmd::kExitUsage);
  EXPECT_NE(console.err.find(L"without --yes"), std::wstring::npos);
  EXPECT_EQ(console.err.find(L'\n'), console.err.size() - 1);
  EXPECT_TRUE(mp.registry.GetRaw(kAppPaths, L"").has_value());
  EXPECT_TRUE(BackupFiles().empty());
}

TEST_F(CmdRunnerTest, CleanBacksUpAndRestoreBringsEverythingBack) {
  const auto appBefore = mp.registry.GetRaw(kAppPaths, L"");
  const auto soundBefore = mp.registry.GetRaw(kSound, L"");
  ASSERT_TRUE(appBefore && soundBefore);

  ASSERT_EQ(Run({L"clean", L"--category", L"0,8", L"--yes"}), cmd::kExitOk) << ToUtf8(console.err);
  EXPECT_FALSE(mp.registry.GetRaw(kAppPaths, L"").has_value());
  EXPECT_TRUE(mp.registry.GetRaw(kAppPaths, L"Path").has_value());  // a value problem only
  EXPECT_FALSE(mp.registry.GetRaw(kSound, L"").has_value());
  EXPECT_NE(console.out.find(L"repaired  Application Path: " + kAppPaths + L"\\(default value)\n"),
            std::wstring::npos)
      << ToUtf8(console.out);
  EXPECT_NE(console.out.find(L"repaired  Sound: " + kSound + L"\\(default value)\n"),
            std::wstring::npos);
  EXPECT_NE(console.out.find(L"2 entries removed."), std::wstring::npos);
  const std::vector<std::wstring> files = BackupFiles();
  ASSERT_EQ(files, std::vector<std::wstring>{L"Backup_20120907153012_2.reg"});
  EXPECT_NE(console.out.find(L"Backup written: " + kFolder + L"\\" + files[0]), std::wstring::npos);

  ASSERT_EQ(Run({L"backups"}), cmd::kExitOk);
  const size_t size = mp.files.Contents(kFolder + L"\\" + files[0])->size();
  wchar_t sizeText[32];
  std::swprintf(sizeText, 32, L"%12zu bytes", size);
  EXPECT_EQ(console.out, L"Backups in " + kFolder + L":\n  2012-09-07 15:30:12  " + sizeText +
                             L"  " + files[0] + L"\n");

  ASSERT_EQ(Run({L"restore", L"--latest"}), cmd::kExitOk) << ToUtf8(console.err);
  EXPECT_NE(console.out.find(L"restored: " + kFolder + L"\\" + files[0]), std::wstring::npos);
  EXPECT_NE(console.out.find(L"1 file restored, 0 kept."), std::wstring::npos);
  for (const auto& [path, before] : {std::pair{kAppPaths, appBefore}, std::pair{kSound, soundBefore}}) {
    const auto after = mp.registry.GetRaw(path, L"");
    ASSERT_TRUE(after.has_value()) << ToUtf8(path);
    EXPECT_EQ(after->type, before->type);
    EXPECT_EQ(after->bytes, before->bytes);
  }
  EXPECT_TRUE(BackupFiles().empty());

  ASSERT_EQ(Run({L"backups"}), cmd::kExitOk);
  EXPECT_EQ(console.out, L"No backups in " + kFolder + L".\n");
}

TEST_F(CmdRunnerTest, EntriesRemovedWithAnEarlierOneAreNotFailures) {
  // The deep scan meets the App Paths value again; once category 0 has
  // removed it, its second record has nothing left to remove.
  ASSERT_EQ(Run({L"scan", L"--category", L"0,16", L"--json"}), cmd::kExitFound);
  cmdtest::JsonValue doc;
  ASSERT_TRUE(cmdtest::JsonReader::Parse(ToUtf8(console.out), doc));
  ASSERT_EQ(doc.items.size(), 2u) << ToUtf8(console.out);

  ASSERT_EQ(Run({L"clean", L"--category", L"0,16", L"--yes"}), cmd::kExitOk);
  EXPECT_NE(console.out.find(L"gone      Deep Scan: "), std::wstring::npos) << ToUtf8(console.out);
  EXPECT_NE(console.out.find(L"1 entry removed, 1 gone already"), std::wstring::npos);
  EXPECT_EQ(BackupFiles().size(), 1u);
}

TEST_F(CmdRunnerTest, RestoreByNameAndItsErrors) {
  ASSERT_EQ(Run({L"restore", L"--latest"}), cmd::kExitFailure);
  EXPECT_NE(console.err.find(L"no backups"), std::wstring::npos);

  ASSERT_EQ(Run({L"clean", L"--category", L"0", L"--yes"}), cmd::kExitOk);
  const std::wstring name = BackupFiles().at(0);
  // One missing name stops the whole run before anything is restored.
  ASSERT_EQ(Run({L"restore", name, L"Backup_20000101000000_1.reg"}), cmd::kExitFailure);
  EXPECT_NE(console.err.find(L"no backup file 'Backup_20000101000000_1.reg' in " + kFolder),
            std::wstring::npos);
  EXPECT_FALSE(mp.registry.GetRaw(kAppPaths, L"").has_value());
  EXPECT_EQ(Run({L"restore", L"C:\\nowhere\\x.reg"}), cmd::kExitFailure);
  EXPECT_EQ(Run({L"restore", L"Purvex"}), cmd::kExitFailure);  // a folder is no backup

  // A name given twice is restored once.
  ASSERT_EQ(Run({L"restore", name, name}), cmd::kExitOk) << ToUtf8(console.err);
  EXPECT_NE(console.out.find(L"1 file restored, 0 kept."), std::wstring::npos);
  EXPECT_TRUE(mp.registry.GetRaw(kAppPaths, L"").has_value());

  // A file that holds no key block is kept.
  const std::wstring junk = kFolder + L"\\Backup_20120907153013_1.reg";
  mp.files.AddFile(junk, {'x', 0});
  EXPECT_EQ(Run({L"restore", L"--latest"}), cmd::kExitFailure);
  EXPECT_NE(console.out.find(L"kept: the file could not be read"), std::wstring::npos);
  EXPECT_TRUE(mp.files.PathExists(junk));
}

TEST_F(CmdRunnerTest, FailuresAndUsageErrorsAreOneLine) {
  settingsAvailable = false;
  EXPECT_EQ(Run({L"scan"}), cmd::kExitFailure);
  EXPECT_EQ(console.err, L"LumoraCmd: cannot open the settings (Config.dll beside LumoraCmd.exe)\n");
  EXPECT_EQ(Run({L"clean", L"--yes"}), cmd::kExitFailure);
  EXPECT_TRUE(mp.registry.GetRaw(kAppPaths, L"").has_value());
  // Commands that need no settings still run.
  EXPECT_EQ(Run({L"backups"}), cmd::kExitOk);
  EXPECT_EQ(Run({L"--help"}), cmd::kExitOk);
  EXPECT_EQ(console.out, cmd::HelpText(cmd::Command::kNone));

  for (const std::vector<std::wstring>& args :
       {std::vector<std::wstring>{}, {L"scan", L"--category", L"42"}, {L"restore"},
        {L"bogus"}}) {
    EXPECT_EQ(Run(args), cmd::kExitUsage);
    EXPECT_EQ(console.out, L"");
    ASSERT_FALSE(console.err.empty());
    EXPECT_EQ(console.err.find(L'\n'), console.err.size() - 1) << ToUtf8(console.err);
    EXPECT_EQ(console.err.rfind(L"LumoraCmd: ", 0), 0u);
  }
}

TEST_F(CmdRunnerTest, ProgressGoesOnlyToTheProgressLine) {
  console.wantProgress = true;
  ASSERT_EQ(Run({L"scan", L"--category", L"0", L"--json"}), cmd::kExitFound);
  cmdtest::JsonValue doc;
  EXPECT_TRUE(cmdtest::JsonReader::Parse(ToUtf8(console.out), doc));
  ASSERT_FALSE(console.progress.empty());
  EXPECT_EQ(console.progress.front().rfind(L"Scanning Application Path", 0), 0u);
  EXPECT_EQ(console.progress.back(), L"");  // cleared at the end
}

TEST(CmdLatestBackup, NewestStampThenHighestCount) {
  EXPECT_EQ(cmd::LatestBackup({}), L"");
  EXPECT_EQ(cmd::LatestBackup({L"notes.reg", L"Backup_2012_1.reg"}), L"");
  EXPECT_EQ(cmd::LatestBackup({L"Backup_20120907153012_4.reg", L"Backup_20130101000000_1.reg",
                               L"Backup_20110101000000_9.reg"}),
            L"Backup_20130101000000_1.reg");
  EXPECT_EQ(cmd::LatestBackup({L"Backup_20120907153012_9.reg", L"Backup_20120907153012_10.reg"}),
            L"Backup_20120907153012_10.reg");
}

}  // namespace
