#include "cmd/cmd_output.h"

#include <algorithm>
#include <cstdio>

#include "cmd/cmd_args.h"

namespace cmd {
namespace {

std::wstring TypeName(int32_t type) {
  const wchar_t* name = ProblemTypeName(type);
  return name ? name : L"Type" + std::to_wstring(type);
}

std::wstring Plural(size_t n, const wchar_t* one, const wchar_t* many) {
  return std::to_wstring(n) + L" " + (n == 1 ? one : many);
}

}  // namespace

std::wstring JsonString(const std::wstring& text) {
  std::wstring out = L"\"";
  for (wchar_t w : text) {
    const uint32_t c = static_cast<uint32_t>(w) & 0xFFFFu;
    switch (c) {
      case '"': out += L"\\\""; continue;
      case '\\': out += L"\\\\"; continue;
      case '\b': out += L"\\b"; continue;
      case '\f': out += L"\\f"; continue;
      case '\n': out += L"\\n"; continue;
      case '\r': out += L"\\r"; continue;
      case '\t': out += L"\\t"; continue;
      default: break;
    }
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<wchar_t>(c);
    } else {
      wchar_t escape[8];
      std::swprintf(escape, 8, L"\\u%04x", static_cast<unsigned>(c));
      out += escape;
    }
  }
  return out + L"\"";
}

std::wstring ProblemsJson(const SRegScanDetail& result) {
  std::wstring out = L"[";
  bool first = true;
  for (const auto& [category, items] : result.byCategory) {
    for (const SRegProblemItem& item : items) {
      out += first ? L"\n  {" : L",\n  {";
      first = false;
      out += L"\"category\": " + std::to_wstring(category);
      out += L", \"categoryName\": " + JsonString(CategoryDisplayName(category));
      out += L", \"type\": " + std::to_wstring(item.problemType);
      out += L", \"typeName\": " + JsonString(TypeName(item.problemType));
      out += L", \"data\": " + JsonString(item.data);
      out += L", \"keyPath\": " + JsonString(item.keyPath);
      out += L", \"valueName\": " + JsonString(item.valueName) + L"}";
    }
  }
  return out + (first ? L"]\n" : L"\n]\n");
}

std::wstring ValueLabel(const std::wstring& valueName) {
  if (valueName == kWholeKey) return L"(whole key)";
  if (valueName.empty()) return L"(default value)";
  return valueName;
}

std::wstring Target(const std::wstring& keyPath, const std::wstring& valueName) {
  if (valueName == kWholeKey) return keyPath;
  return keyPath + L"\\" + (valueName.empty() ? L"(default value)" : valueName);
}

std::wstring ProblemsText(const SRegScanDetail& result, size_t categoriesScanned) {
  std::wstring out;
  size_t withProblems = 0;
  for (const auto& [category, items] : result.byCategory) {
    if (items.empty()) continue;
    ++withProblems;
    out += CategoryDisplayName(category) + L" (" + std::to_wstring(category) + L"): " +
           Plural(items.size(), L"problem", L"problems") + L"\n";
    for (const SRegProblemItem& item : items) {
      out += L"  " + TypeName(item.problemType);
      if (!item.data.empty()) out += L": " + item.data;
      out += L"\n    key:   " + item.keyPath + L"\n    value: " + ValueLabel(item.valueName) +
             L"\n";
    }
    out += L"\n";
  }
  const std::wstring scanned = Plural(categoriesScanned, L"category", L"categories");
  if (withProblems == 0) return L"No problems found in " + scanned + L".\n";
  return out + Plural(static_cast<size_t>(result.problemCount), L"problem", L"problems") +
         L" found in " + std::to_wstring(withProblems) + L" of " + scanned + L".\n";
}

std::wstring CleanText(const std::vector<CleanLine>& lines, const std::wstring& backupFile,
                       bool stopped) {
  std::wstring out;
  size_t counts[4] = {};
  for (const CleanLine& line : lines) {
    static const wchar_t* const kLabels[] = {L"repaired", L"FAILED  ", L"gone    ",
                                             L"skipped "};
    const size_t state = static_cast<size_t>(line.state);
    ++counts[state];
    out += std::wstring(kLabels[state]) + L"  " + CategoryDisplayName(line.category) + L": " +
           line.target + L"\n";
  }
  if (!lines.empty()) out += L"\n";
  out += Plural(counts[0], L"entry", L"entries") + L" removed";
  if (counts[1]) out += L", " + std::to_wstring(counts[1]) + L" could not be removed";
  if (counts[2]) out += L", " + std::to_wstring(counts[2]) + L" gone already (removed with an earlier entry)";
  if (counts[3]) out += L", " + std::to_wstring(counts[3]) + L" not reached";
  out += L".\n";
  if (stopped) out += L"The run was stopped before its end.\n";
  if (!backupFile.empty()) out += L"Backup written: " + backupFile + L"\n";
  else if (counts[0]) out += L"No backup file was written.\n";
  return out;
}

std::wstring BackupsText(const std::wstring& folder, const std::vector<BackupRow>& rows) {
  if (rows.empty()) return L"No backups in " + folder + L".\n";
  std::wstring out = L"Backups in " + folder + L":\n";
  for (const BackupRow& row : rows) {
    wchar_t size[32];
    std::swprintf(size, 32, L"%12llu bytes", static_cast<unsigned long long>(row.size));
    out += L"  " + row.when + L"  " + size + L"  " + row.name + L"\n";
  }
  return out;
}

const wchar_t* OutcomeText(repair::RestoreOutcome outcome) {
  switch (outcome) {
    case repair::RestoreOutcome::kRestored: return L"restored";
    case repair::RestoreOutcome::kRestoredKept:
      return L"restored, but the file could not be deleted";
    case repair::RestoreOutcome::kIncomplete:
      return L"kept: some entries could not be written back";
    case repair::RestoreOutcome::kUnreadable:
      return L"kept: the file could not be read or holds no key";
  }
  return L"kept";
}

size_t RestoredCount(const repair::RestoreSummary& summary) {
  return static_cast<size_t>(std::count_if(
      summary.files.begin(), summary.files.end(), [](const repair::RestoreFileResult& f) {
        return f.outcome == repair::RestoreOutcome::kRestored ||
               f.outcome == repair::RestoreOutcome::kRestoredKept;
      }));
}

std::wstring RestoreText(const repair::RestoreSummary& summary) {
  std::wstring out;
  for (const repair::RestoreFileResult& file : summary.files)
    out += std::wstring(OutcomeText(file.outcome)) + L": " + file.path + L"\n";
  for (const std::wstring& path : summary.untagged)
    out += L"kept: not a backup of this program (no module tag in its path): " + path + L"\n";
  for (const std::wstring& path : summary.notReached) out += L"kept: not reached: " + path + L"\n";
  if (summary.stopped) out += L"The run was stopped before its end.\n";
  out += Plural(RestoredCount(summary), L"file", L"files") + L" restored, " +
         std::to_wstring(summary.KeptFiles().size()) + L" kept.\n";
  return out;
}

}  // namespace cmd
