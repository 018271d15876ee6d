#include "settings/memory_settings_store.h"

#include <algorithm>

#include "settings/settings_codecs.h"

namespace settings {

int32_t MemorySettingsStore::GetInt(const wchar_t* section, const wchar_t* key,
                                    int32_t defaultValue) {
  std::lock_guard lock(mutex_);
  const auto it = values_.find({section, key});
  return it == values_.end() ? defaultValue : ParseInt32(it->second);
}

bool MemorySettingsStore::SetInt(const wchar_t* section, const wchar_t* key, int32_t value) {
  std::lock_guard lock(mutex_);
  values_[{section, key}] = FormatInt64(value);
  return true;
}

size_t MemorySettingsStore::GetString(const wchar_t* section, const wchar_t* key,
                                      wchar_t* buffer, size_t capacity) {
  std::lock_guard lock(mutex_);
  const auto it = values_.find({section, key});
  const std::wstring empty;
  const std::wstring& text = it == values_.end() ? empty : it->second;
  const size_t needed = text.size() + 1;
  if (capacity == 0) return needed;
  if (needed > capacity) {
    buffer[0] = L'\0';
    return needed;
  }
  std::copy(text.begin(), text.end(), buffer);
  buffer[text.size()] = L'\0';
  return needed;
}

bool MemorySettingsStore::SetString(const wchar_t* section, const wchar_t* key,
                                    const std::wstring& text) {
  std::lock_guard lock(mutex_);
  values_[{section, key}] = text;
  return true;
}

std::optional<std::wstring> MemorySettingsStore::Raw(const wchar_t* section,
                                                     const wchar_t* key) const {
  std::lock_guard lock(mutex_);
  const auto it = values_.find({section, key});
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

}  // namespace settings
