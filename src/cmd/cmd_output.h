// What LumoraCmd prints: the problems of a scan as text or JSON, and the
// reports of clean, backups and restore. Everything is built as text here;
// the console writer decides the encoding.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "repair/reg_restore_eng.h"
#include "scan/scan_types.h"

namespace cmd {

// A JSON string literal (with its quotes) of UTF-16 text. Everything outside
// printable ASCII is escaped as \uXXXX per UTF-16 unit, so the output is
// ASCII whatever the console's code page; lone surrogates stay escaped.
std::wstring JsonString(const std::wstring& text);

// One JSON array of objects {category, categoryName, type, typeName, data,
// keyPath, valueName}, categories ascending, then in the order accepted.
std::wstring ProblemsJson(const SRegScanDetail& result);
// The problems grouped by category with a count line; "No problems found"
// when there are none.
std::wstring ProblemsText(const SRegScanDetail& result, size_t categoriesScanned);

// "(whole key)", "(default value)" or the name itself.
std::wstring ValueLabel(const std::wstring& valueName);
// key path, or key path + "\" + value for a value problem.
std::wstring Target(const std::wstring& keyPath, const std::wstring& valueName);

// One line of the backup list.
struct BackupRow {
  std::wstring name;
  std::wstring when;   // "YYYY-MM-DD hh:mm:ss"
  uint64_t size = 0;
};
std::wstring BackupsText(const std::wstring& folder, const std::vector<BackupRow>& rows);

// One record of a clean run as it ended.
struct CleanLine {
  enum class State { kRepaired, kFailed, kAlreadyGone, kNotReached };
  int32_t category = 0;
  std::wstring target;  // Target(keyPath, valueName)
  State state = State::kFailed;
};
std::wstring CleanText(const std::vector<CleanLine>& lines, const std::wstring& backupFile,
                       bool stopped);

// The files written back completely, deleted or not.
size_t RestoredCount(const repair::RestoreSummary& summary);
std::wstring RestoreText(const repair::RestoreSummary& summary);
const wchar_t* OutcomeText(repair::RestoreOutcome outcome);

}  // namespace cmd
