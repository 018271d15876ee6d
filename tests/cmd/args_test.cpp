// The command line of LumoraCmd: every command, help, and the one-line
// errors for everything else.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cmd/cmd_args.h"
#include "platform/text.h"

namespace {

using cmd::Command;
using cmd::ParseArguments;
using Args = std::vector<std::wstring>;

std::string Narrow(const std::wstring& s) { return platform::ToUtf8(s); }

TEST(CmdArgs, CommandsAndTheirOptions) {
  auto scan = ParseArguments({L"scan"});
  ASSERT_TRUE(scan.ok);
  EXPECT_EQ(scan.options.command, Command::kScan);
  EXPECT_FALSE(scan.options.categories.has_value());
  EXPECT_FALSE(scan.options.json);

  auto json = ParseArguments({L"scan", L"--json", L"--category", L"8"});
  ASSERT_TRUE(json.ok);
  EXPECT_TRUE(json.options.json);
  EXPECT_EQ(json.options.categories, (std::vector<int32_t>{8}));

  auto eq = ParseArguments({L"clean", L"--category=3,0", L"--yes"});
  ASSERT_TRUE(eq.ok);
  EXPECT_EQ(eq.options.command, Command::kClean);
  EXPECT_TRUE(eq.options.yes);
  EXPECT_EQ(eq.options.categories, (std::vector<int32_t>{0, 3}));

  auto noYes = ParseArguments({L"clean"});
  ASSERT_TRUE(noYes.ok);  // refused when run, with its own message
  EXPECT_FALSE(noYes.options.yes);

  auto backups = ParseArguments({L"backups"});
  ASSERT_TRUE(backups.ok);
  EXPECT_EQ(backups.options.command, Command::kBackups);

  auto latest = ParseArguments({L"restore", L"--latest"});
  ASSERT_TRUE(latest.ok);
  EXPECT_TRUE(latest.options.latest);
  EXPECT_TRUE(latest.options.names.empty());

  auto names = ParseArguments({L"restore", L"Backup_20120907153012_4.reg", L"--", L"-odd.reg"});
  ASSERT_TRUE(names.ok);
  EXPECT_EQ(names.options.names, (Args{L"Backup_20120907153012_4.reg", L"-odd.reg"}));
}

TEST(CmdArgs, RepeatedCategoryOptionsMerge) {
  auto r = ParseArguments({L"scan", L"--category", L"9", L"--category=2, 9"});
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.options.categories, (std::vector<int32_t>{2, 9}));
}

TEST(CmdArgs, HelpForEveryCommand) {
  struct Case {
    Args args;
    Command command;
  };
  const std::vector<Case> cases = {
      {{L"--help"}, Command::kNone},         {{L"-h"}, Command::kNone},
      {{L"/?"}, Command::kNone},             {{L"help"}, Command::kNone},
      {{L"help", L"scan"}, Command::kScan},  {{L"scan", L"--help"}, Command::kScan},
      {{L"clean", L"-h"}, Command::kClean},  {{L"backups", L"--help"}, Command::kBackups},
      {{L"restore", L"--help"}, Command::kRestore},
      // Help wins over arguments that would be errors.
      {{L"scan", L"--category", L"99", L"--help"}, Command::kScan},
      {{L"restore", L"--latest", L"x.reg", L"--help"}, Command::kRestore},
  };
  for (const Case& c : cases) {
    auto r = ParseArguments(c.args);
    ASSERT_TRUE(r.ok) << Narrow(c.args[0]);
    EXPECT_TRUE(r.options.help);
    EXPECT_EQ(r.options.command, c.command) << Narrow(c.args[0]);
  }
  for (Command c : {Command::kNone, Command::kScan, Command::kClean, Command::kBackups,
                    Command::kRestore}) {
    const std::wstring text = cmd::HelpText(c);
    EXPECT_NE(text.find(L"Usage: LumoraCmd"), std::wstring::npos);
    EXPECT_NE(text.find(L"Exit codes"), std::wstring::npos);
  }
  // The scan help lists every category with its display name.
  const std::wstring scanHelp = cmd::HelpText(Command::kScan);
  EXPECT_NE(scanHelp.find(L"15  Active & Com\n"), std::wstring::npos);
  EXPECT_NE(scanHelp.find(L"0   Application Path\n"), std::wstring::npos);
}

TEST(CmdArgs, BadCommandLinesGiveOneLineErrors) {
  struct Case {
    Args args;
    const wchar_t* expected;  // part of the message
  };
  const std::vector<Case> cases = {
      {{}, L"no command"},
      {{L"frobnicate"}, L"unknown command 'frobnicate'"},
      {{L"--json"}, L"unknown option '--json'"},
      {{L"help", L"frob"}, L"unknown command 'frob'"},
      {{L"scan", L"--yes"}, L"unknown option '--yes'"},
      {{L"scan", L"extra"}, L"unexpected argument 'extra'"},
      {{L"scan", L"--category"}, L"needs a list"},
      {{L"scan", L"--category", L"17"}, L"unknown category '17'"},
      {{L"scan", L"--category", L"-1"}, L"unknown category '-1'"},
      {{L"scan", L"--category", L"99999999999999999999"}, L"unknown category"},
      {{L"scan", L"--category", L"Fonts"}, L"unknown category 'Fonts'"},
      {{L"scan", L"--category", L"3,,4"}, L"empty entry"},
      {{L"scan", L"--category", L"3,"}, L"empty entry"},
      {{L"scan", L"--category", L" "}, L"at least one"},
      {{L"scan", L"--category="}, L"at least one"},
      {{L"scan", L"--category", L"3", L"4"}, L"unexpected argument '4'"},
      {{L"scan", L"--category", L"0x3"}, L"unknown category '0x3'"},
      {{L"clean", L"--json", L"--yes"}, L"unknown option '--json'"},
      {{L"backups", L"now"}, L"unexpected argument 'now'"},
      {{L"backups", L"--category", L"3"}, L"unknown option '--category'"},
      {{L"restore"}, L"name the backup files"},
      {{L"restore", L"--latest", L"a.reg"}, L"not both"},
      {{L"restore", L"--everything"}, L"unknown option '--everything'"},
      {{L"restore", L""}, L"empty backup file name"},
      {{L"Scan"}, L"unknown command 'Scan'"},
  };
  for (const Case& c : cases) {
    auto r = ParseArguments(c.args);
    const std::string shown = c.args.empty() ? "(none)" : Narrow(c.args.back());
    EXPECT_FALSE(r.ok) << shown;
    EXPECT_NE(r.error.find(c.expected), std::wstring::npos) << Narrow(r.error);
    EXPECT_EQ(r.error.find(L'\n'), std::wstring::npos) << Narrow(r.error);
  }
}

TEST(CmdArgs, CategoryLists) {
  struct Case {
    const wchar_t* text;
    std::vector<int32_t> ids;
  };
  const std::vector<Case> good = {
      {L"0", {0}},
      {L"16", {16}},
      {L" 4 , 8 ", {4, 8}},
      {L"14,3,3,14", {3, 14}},
      {L"\t5,\t2", {2, 5}},
      {L"007", {7}},
  };
  for (const Case& c : good) {
    std::vector<int32_t> ids;
    std::wstring error;
    EXPECT_TRUE(cmd::ParseCategoryList(c.text, ids, error)) << Narrow(c.text);
    EXPECT_EQ(ids, c.ids) << Narrow(c.text);
  }
  for (const wchar_t* bad : {L"", L",", L"1;2", L"1 2", L"+3", L"3.0", L"١", L"0017"}) {
    std::vector<int32_t> ids;
    std::wstring error;
    EXPECT_FALSE(cmd::ParseCategoryList(bad, ids, error)) << Narrow(bad);
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
