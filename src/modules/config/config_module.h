// The configuration module, root object of "Config.dll": the settings
// store, the language service, and the About box, help and update check.
// Its interfaces are parts of the module object; their reference counts are
// constant and their Release does nothing (the bus owns the module).
#pragma once
#include <memory>
#include <string>

#include "framework/config_interfaces.h"
#include "framework/module_base.h"
#include "modules/config/language_service.h"
#include "modules/config/settings_file_store.h"

namespace config {

// Where the application strings are kept in the settings file.
inline constexpr wchar_t kAppStringSection[] = L"AppStrings";
inline constexpr wchar_t kHelpFileName[] = L"Lumora.html";

class CConfigModule : public framework::CHalcynAppModuleBase {
 public:
  // installFolder: the folder of the program and the language files, with
  // a trailing backslash; settingsPath: the settings file.
  CConfigModule(std::wstring installFolder, std::wstring settingsPath);

  framework::HResult LUMORA_COM QueryInterface(const framework::Guid& iid, void** out) override;
  // Reads the language files.
  framework::HResult LUMORA_COM Initialize() override;

  SettingsFileStore& Store() { return store_; }
  LanguageService& Languages() { return languages_; }
  const std::wstring& InstallFolder() const { return installFolder_; }

  framework::HResult GetAppString(const wchar_t* key, wchar_t* buffer, uint32_t capacity);
  framework::HResult SetAppString(const wchar_t* key, const wchar_t* text);
  framework::HResult ShowAbout(int32_t kind);
  framework::HResult ShowHelp(framework::WindowHandle owner);
  framework::HResult CheckForUpdate(framework::WindowHandle owner);
  framework::HResult TranslateText(wchar_t* text, const wchar_t* dialogName);
  std::wstring Translated(const wchar_t* text, const wchar_t* dialogName);

 private:
  class AppPart;
  class LanguagePart;

  std::wstring installFolder_;
  SettingsFileStore store_;
  LanguageService languages_;
  std::unique_ptr<AppPart> app_;
  std::unique_ptr<LanguagePart> language_;

 protected:
  ~CConfigModule() override;
};

// The folder of the module that holds this code, with a trailing backslash.
std::wstring ThisModuleFolder();

}  // namespace config
