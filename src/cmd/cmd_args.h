// LumoraCmd's command line: the commands, their options and help texts.
// Parsing never fails hard: a bad command line gives a one-line error.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cmd {

// Exit codes of every command.
enum ExitCode : int {
  kExitOk = 0,        // done; scan: nothing found
  kExitFound = 1,     // scan: problems found; clean/restore: something left undone
  kExitUsage = 2,     // bad command line (also clean without --yes)
  kExitFailure = 3,   // could not run: settings, engine, backup folder, files
};

enum class Command { kNone, kScan, kClean, kBackups, kRestore };

struct Options {
  Command command = Command::kNone;
  bool help = false;
  // Given with --category: ids in ascending order, each once.
  std::optional<std::vector<int32_t>> categories;
  bool json = false;
  bool yes = false;
  bool latest = false;
  std::vector<std::wstring> names;  // restore NAME...
};

struct ParseResult {
  bool ok = false;
  Options options;
  std::wstring error;  // one line, without the program name, when !ok
};

// args: the command line without the program name.
ParseResult ParseArguments(const std::vector<std::wstring>& args);

// "3", "3, 5", "14,3,3": ids in ascending order, each once. False with a
// one-line error for an empty list, an empty piece, a piece that is no
// category id or name, or an id outside 0..16.
bool ParseCategoryList(const std::wstring& text, std::vector<int32_t>& out, std::wstring& error);

// The category's name as a console shows it (a single "&").
std::wstring CategoryDisplayName(int32_t id);

// The help of one command, or the overview for Command::kNone.
std::wstring HelpText(Command command);
const wchar_t* CommandName(Command command);

}  // namespace cmd
