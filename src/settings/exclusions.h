// The exclusion list: registry keys and values a scan never reports.
#pragma once
#include <string>
#include <vector>

#include "settings/settings_store.h"

namespace settings {

// Stored form: every entry followed by ";". Reading skips empty pieces.
std::vector<std::wstring> ParseExclusions(const std::wstring& text);
std::wstring JoinExclusions(const std::vector<std::wstring>& entries);

// The whole stored list, whatever its length.
std::vector<std::wstring> LoadExclusions(ISettingsStore& store);
bool SaveExclusions(ISettingsStore& store, const std::vector<std::wstring>& entries);

// A problem is excluded when an entry equals, ignoring case, its key path +
// "\" + value name, or its key path alone. Whole strings only: a key's
// entry does not cover its subkeys.
bool IsExcluded(const std::vector<std::wstring>& entries, const std::wstring& keyPath,
                const std::wstring& valueName);

}  // namespace settings
