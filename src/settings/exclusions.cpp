#include "settings/exclusions.h"

#include "platform/text.h"
#include "settings/settings_keys.h"

namespace settings {

std::vector<std::wstring> ParseExclusions(const std::wstring& text) {
  std::vector<std::wstring> entries;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(L';', start);
    if (end == std::wstring::npos) end = text.size();
    if (end > start) entries.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return entries;
}

std::wstring JoinExclusions(const std::vector<std::wstring>& entries) {
  std::wstring text;
  for (const std::wstring& entry : entries) text += entry + L";";
  return text;
}

std::vector<std::wstring> LoadExclusions(ISettingsStore& store) {
  return ParseExclusions(ReadWholeString(store, kSection, kCleanupExclsion));
}

bool SaveExclusions(ISettingsStore& store, const std::vector<std::wstring>& entries) {
  return store.SetString(kSection, kCleanupExclsion, JoinExclusions(entries));
}

bool IsExcluded(const std::vector<std::wstring>& entries, const std::wstring& keyPath,
                const std::wstring& valueName) {
  if (entries.empty()) return false;
  const std::wstring valuePath = keyPath + L"\\" + valueName;
  for (const std::wstring& entry : entries) {
    if (platform::EqualsNoCase(entry, valuePath) || platform::EqualsNoCase(entry, keyPath)) {
      return true;
    }
  }
  return false;
}

}  // namespace settings
