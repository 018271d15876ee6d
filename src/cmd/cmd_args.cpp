#include "cmd/cmd_args.h"

#include <algorithm>

#include "scan/scan_types.h"

namespace cmd {
namespace {

bool IsHelp(const std::wstring& a) {
  return a == L"--help" || a == L"-h" || a == L"-?" || a == L"/?";
}

std::wstring Trim(const std::wstring& s) {
  const size_t first = s.find_first_not_of(L" \t");
  if (first == std::wstring::npos) return {};
  const size_t last = s.find_last_not_of(L" \t");
  return s.substr(first, last - first + 1);
}

std::wstring Quoted(const std::wstring& s) { return L"'" + s + L"'"; }

Command CommandOf(const std::wstring& word) {
  if (word == L"scan") return Command::kScan;
  if (word == L"clean") return Command::kClean;
  if (word == L"backups") return Command::kBackups;
  if (word == L"restore") return Command::kRestore;
  return Command::kNone;
}

ParseResult Fail(std::wstring error) {
  ParseResult r;
  r.error = std::move(error);
  return r;
}

// Splits "--name=value" into name and value.
bool SplitValue(const std::wstring& arg, std::wstring& name, std::wstring& value) {
  const size_t eq = arg.find(L'=');
  if (arg.rfind(L"--", 0) != 0 || eq == std::wstring::npos) return false;
  name = arg.substr(0, eq);
  value = arg.substr(eq + 1);
  return true;
}

bool AddCategories(Options& o, const std::wstring& list, std::wstring& error) {
  std::vector<int32_t> ids;
  if (!ParseCategoryList(list, ids, error)) return false;
  std::vector<int32_t> merged = o.categories.value_or(std::vector<int32_t>{});
  merged.insert(merged.end(), ids.begin(), ids.end());
  std::sort(merged.begin(), merged.end());
  merged.erase(std::unique(merged.begin(), merged.end()), merged.end());
  o.categories = std::move(merged);
  return true;
}

// One option or word of a command; false with an error.
bool TakeArgument(Options& o, const std::vector<std::wstring>& args, size_t& i, bool& optionsEnded,
                  std::wstring& error) {
  const std::wstring& arg = args[i];
  const std::wstring cmd = CommandName(o.command);
  const bool scanLike = o.command == Command::kScan || o.command == Command::kClean;
  if (!optionsEnded && arg == L"--" && o.command == Command::kRestore) {
    optionsEnded = true;
    return true;
  }
  if (optionsEnded || arg.empty() || arg[0] != L'-') {
    if (o.command == Command::kRestore) {
      if (Trim(arg).empty()) {
        error = L"restore: empty backup file name";
        return false;
      }
      o.names.push_back(arg);
      return true;
    }
    error = cmd + L": unexpected argument " + Quoted(arg);
    return false;
  }
  std::wstring name, value;
  if (scanLike && SplitValue(arg, name, value) && name == L"--category")
    return AddCategories(o, value, error);
  if (scanLike && arg == L"--category") {
    if (i + 1 >= args.size()) {
      error = cmd + L": --category needs a list of category ids, such as --category 4,8";
      return false;
    }
    return AddCategories(o, args[++i], error);
  }
  if (o.command == Command::kScan && arg == L"--json") {
    o.json = true;
    return true;
  }
  if (o.command == Command::kClean && (arg == L"--yes" || arg == L"-y")) {
    o.yes = true;
    return true;
  }
  if (o.command == Command::kRestore && arg == L"--latest") {
    o.latest = true;
    return true;
  }
  error = cmd + L": unknown option " + Quoted(arg) + L" (see 'LumoraCmd " + cmd + L" --help')";
  return false;
}

}  // namespace

const wchar_t* CommandName(Command command) {
  switch (command) {
    case Command::kScan: return L"scan";
    case Command::kClean: return L"clean";
    case Command::kBackups: return L"backups";
    case Command::kRestore: return L"restore";
    case Command::kNone: break;
  }
  return L"";
}

bool ParseCategoryList(const std::wstring& text, std::vector<int32_t>& out, std::wstring& error) {
  out.clear();
  if (Trim(text).empty()) {
    error = L"--category needs at least one category id (0 to 16)";
    return false;
  }
  size_t start = 0;
  for (;;) {
    const size_t comma = text.find(L',', start);
    const std::wstring piece =
        Trim(text.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start));
    if (piece.empty()) {
      error = L"--category: empty entry in the list " + Quoted(text);
      return false;
    }
    const bool digits = piece.size() <= 4 && std::all_of(piece.begin(), piece.end(), [](wchar_t c) {
                          return c >= L'0' && c <= L'9';
                        });
    int32_t id = digits ? 0 : -1;
    if (digits)
      for (wchar_t c : piece) id = id * 10 + (c - L'0');
    if (FindCategory(id) == nullptr) {
      error = L"unknown category " + Quoted(piece) +
              L" (categories are 0 to 16; 'LumoraCmd scan --help' lists them)";
      return false;
    }
    out.push_back(id);
    if (comma == std::wstring::npos) break;
    start = comma + 1;
  }
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return true;
}

ParseResult ParseArguments(const std::vector<std::wstring>& args) {
  ParseResult result;
  if (args.empty()) return Fail(L"no command given (see 'LumoraCmd --help')");
  const std::wstring& first = args[0];
  if (IsHelp(first) || first == L"help") {
    result.ok = true;
    result.options.help = true;
    if (first == L"help" && args.size() > 1) {
      result.options.command = CommandOf(args[1]);
      if (result.options.command == Command::kNone)
        return Fail(L"help: unknown command " + Quoted(args[1]));
    }
    return result;
  }
  Options& o = result.options;
  o.command = CommandOf(first);
  if (o.command == Command::kNone) {
    if (!first.empty() && first[0] == L'-') return Fail(L"unknown option " + Quoted(first) +
                                                        L" (see 'LumoraCmd --help')");
    return Fail(L"unknown command " + Quoted(first) + L" (see 'LumoraCmd --help')");
  }
  for (size_t i = 1; i < args.size() && args[i] != L"--"; ++i) {
    if (IsHelp(args[i])) {
      o.help = true;
      result.ok = true;
      return result;
    }
  }
  bool optionsEnded = false;
  for (size_t i = 1; i < args.size(); ++i) {
    std::wstring error;
    if (!TakeArgument(o, args, i, optionsEnded, error)) return Fail(error);
  }
  if (o.command == Command::kRestore) {
    if (o.latest && !o.names.empty())
      return Fail(L"restore: give backup file names or --latest, not both");
    if (!o.latest && o.names.empty())
      return Fail(L"restore: name the backup files to restore, or give --latest");
  }
  result.ok = true;
  return result;
}

std::wstring CategoryDisplayName(int32_t id) {
  const CategoryInfo* info = FindCategory(id);
  if (info == nullptr) return L"Category " + std::to_wstring(id);
  std::wstring name = info->name;
  for (size_t at = name.find(L"&&"); at != std::wstring::npos; at = name.find(L"&&", at + 1))
    name.erase(at, 1);
  return name;
}

namespace {

std::wstring CategoryTable() {
  std::wstring text = L"Categories:\n";
  for (int32_t id = 0; id < kScanCategoryCount; ++id) {
    std::wstring line = L"  " + std::to_wstring(id) + (id < 10 ? L"   " : L"  ");
    text += line + CategoryDisplayName(id) + L"\n";
  }
  return text;
}

}  // namespace

std::wstring HelpText(Command command) {
  switch (command) {
    case Command::kScan:
      return L"Usage: LumoraCmd scan [--category ID,...] [--json]\n"
             L"\n"
             L"Scans the registry for entries that point at things that no longer exist.\n"
             L"Without --category it scans the categories chosen in the settings; the\n"
             L"exclusions of the settings always apply, and only entries that can be\n"
             L"removed are listed.\n"
             L"\n"
             L"  --category ID,...  scan these categories (ids, comma-separated)\n"
             L"  --json             print the problems as one JSON array of objects with\n"
             L"                     category, categoryName, type, typeName, data, keyPath\n"
             L"                     and valueName\n"
             L"\n" +
             CategoryTable() +
             L"\n"
             L"Exit codes: 0 nothing found, 1 problems found, 2 usage error, 3 failure.\n";
    case Command::kClean:
      return L"Usage: LumoraCmd clean [--category ID,...] --yes\n"
             L"\n"
             L"Scans as 'scan' does, then removes everything found. Each entry is written\n"
             L"to a backup file before it is removed; 'LumoraCmd restore' brings it back.\n"
             L"Without --yes nothing is scanned or removed.\n"
             L"\n"
             L"  --category ID,...  clean these categories only ('LumoraCmd scan --help')\n"
             L"  --yes, -y          confirm the removal\n"
             L"\n"
             L"Exit codes: 0 everything found was removed (or nothing was found),\n"
             L"1 some entries could not be removed, 2 usage error (also without --yes),\n"
             L"3 failure.\n";
    case Command::kBackups:
      return L"Usage: LumoraCmd backups\n"
             L"\n"
             L"Lists the backup files of the backup folder, oldest first, with their date\n"
             L"and time and size in bytes.\n"
             L"\n"
             L"Exit codes: 0 listed, 2 usage error, 3 the backup folder is unknown.\n";
    case Command::kRestore:
      return L"Usage: LumoraCmd restore NAME...\n"
             L"       LumoraCmd restore --latest\n"
             L"\n"
             L"Writes backups back into the registry, oldest first. NAME is a file name as\n"
             L"'LumoraCmd backups' lists it, or a full path. A backup that was written back\n"
             L"completely is deleted; any other is kept for a later attempt.\n"
             L"\n"
             L"  --latest  restore the newest backup\n"
             L"  --        the names that follow may start with '-'\n"
             L"\n"
             L"Exit codes: 0 every file restored, 1 some files kept, 2 usage error,\n"
             L"3 a named file is missing or nothing could be restored.\n";
    case Command::kNone:
      break;
  }
  return L"Usage: LumoraCmd COMMAND [OPTIONS]\n"
         L"\n"
         L"Quorvel Lumora's console front-end: finds and removes stale registry entries.\n"
         L"\n"
         L"Commands:\n"
         L"  scan [--category ID,...] [--json]   list the problems found\n"
         L"  clean [--category ID,...] --yes     remove them, after a backup\n"
         L"  backups                             list the backup files\n"
         L"  restore NAME... | --latest          write backups back\n"
         L"\n"
         L"'LumoraCmd COMMAND --help' or 'LumoraCmd help COMMAND' describes a command.\n"
         L"Exit codes: 0 done (scan: nothing found), 1 problems found or something left\n"
         L"undone, 2 usage error, 3 failure.\n";
}

}  // namespace cmd
