// The settings store as the settings code sees it: integers and texts by
// section and key, as the configuration module keeps them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace settings {

class ISettingsStore {
 public:
  virtual ~ISettingsStore() = default;

  // The stored integer, or defaultValue when the key was never written.
  virtual int32_t GetInt(const wchar_t* section, const wchar_t* key, int32_t defaultValue) = 0;
  virtual bool SetInt(const wchar_t* section, const wchar_t* key, int32_t value) = 0;
  // Returns the characters the text needs, its NUL included (1 for a key
  // never written). When that fits in capacity the text and its NUL are
  // copied into buffer; otherwise buffer receives the empty text. 0 means the
  // store could not be read (buffer then holds the empty text).
  virtual size_t GetString(const wchar_t* section, const wchar_t* key, wchar_t* buffer,
                           size_t capacity) = 0;
  virtual bool SetString(const wchar_t* section, const wchar_t* key,
                         const std::wstring& text) = 0;
};

// The whole stored text, whatever its length; empty when absent or unreadable.
std::wstring ReadWholeString(ISettingsStore& store, const wchar_t* section, const wchar_t* key);

}  // namespace settings
