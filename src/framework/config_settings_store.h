// The configuration module's page interface seen as the settings code's
// store.
#pragma once
#include "framework/config_interfaces.h"
#include "settings/settings_store.h"

namespace framework {

class ConfigSettingsStore : public settings::ISettingsStore {
 public:
  explicit ConfigSettingsStore(IConfigPage& config) : config_(config) {}

  int32_t GetInt(const wchar_t* section, const wchar_t* key, int32_t defaultValue) override {
    return config_.GetInt(section, key, defaultValue, 1, 0);
  }
  bool SetInt(const wchar_t* section, const wchar_t* key, int32_t value) override {
    return Succeeded(config_.SetInt(section, key, value, 0, 0));
  }
  size_t GetString(const wchar_t* section, const wchar_t* key, wchar_t* buffer,
                   size_t capacity) override {
    const uint32_t bounded = capacity > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(capacity);
    return config_.GetString(section, key, buffer, bounded, 0, 0);
  }
  bool SetString(const wchar_t* section, const wchar_t* key, const std::wstring& text) override {
    return Succeeded(config_.SetString(section, key, text.c_str(), 0, 0));
  }

 private:
  IConfigPage& config_;
};

}  // namespace framework
