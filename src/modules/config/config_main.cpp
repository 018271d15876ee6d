// Config.dll: its export with ordinal 1 hands out the configuration module.
#include "modules/config/config_module.h"
#include "platform/win32/win32_platform.h"

extern "C" framework::IHalcynAppModule* LumoraConfigRootObject() {
  platform::win32::InstallWin32Platform();
  const std::wstring folder = config::ThisModuleFolder();
  std::wstring settings = config::SettingsFileStore::DefaultPath();
  if (settings.empty()) settings = folder + L"Settings.ini";
  framework::ReleasePtr<config::CConfigModule> module(new config::CConfigModule(folder, settings));
  return module.release();
}
