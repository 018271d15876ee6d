// The per-user settings file: "%APPDATA%\Quorvel\Lumora\Settings.ini".
// Every write replaces the whole file atomically (a complete new file is
// written and flushed beside it, then renamed over it), so a crash leaves
// either the old or the new file. A named mutex serialises the
// read-modify-write of all threads and processes of the user.
#pragma once
#include <string>

#include "modules/config/ini_document.h"
#include "settings/settings_store.h"

namespace config {

class SettingsFileStore : public settings::ISettingsStore {
 public:
  // path: the settings file; its folder is created when missing.
  explicit SettingsFileStore(std::wstring path);
  // The user's settings file, or "" when the application-data folder is unknown.
  static std::wstring DefaultPath();

  int32_t GetInt(const wchar_t* section, const wchar_t* key, int32_t defaultValue) override;
  bool SetInt(const wchar_t* section, const wchar_t* key, int32_t value) override;
  size_t GetString(const wchar_t* section, const wchar_t* key, wchar_t* buffer,
                   size_t capacity) override;
  bool SetString(const wchar_t* section, const wchar_t* key, const std::wstring& text) override;

  // False when the stored file cannot be read (a missing file is empty).
  bool Read(const std::wstring& section, const std::wstring& key, std::wstring* value,
            bool* found);
  bool Write(const std::wstring& section, const std::wstring& key, const std::wstring& value);

  const std::wstring& Path() const { return path_; }

 private:
  bool Load(IniDocument* doc);
  bool Save(const IniDocument& doc);

  std::wstring path_;
  std::wstring mutexName_;
};

}  // namespace config
