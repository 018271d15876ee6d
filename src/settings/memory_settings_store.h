// An in-memory settings store for tests and tools. Safe to use from several
// threads at once (the scan and repair threads write their figures).
#pragma once
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "settings/settings_store.h"

namespace settings {

class MemorySettingsStore : public ISettingsStore {
 public:
  int32_t GetInt(const wchar_t* section, const wchar_t* key, int32_t defaultValue) override;
  bool SetInt(const wchar_t* section, const wchar_t* key, int32_t value) override;
  size_t GetString(const wchar_t* section, const wchar_t* key, wchar_t* buffer,
                   size_t capacity) override;
  bool SetString(const wchar_t* section, const wchar_t* key, const std::wstring& text) override;

  // Test helpers: the raw stored text, and whether the key was written at all.
  std::optional<std::wstring> Raw(const wchar_t* section, const wchar_t* key) const;

 private:
  // Integers are kept as their decimal text, as a settings file holds them.
  using Key = std::pair<std::wstring, std::wstring>;
  mutable std::mutex mutex_;
  std::map<Key, std::wstring> values_;
};

}  // namespace settings
