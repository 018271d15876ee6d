// Loads Config.dll from a folder and reads or writes one setting, as one
// process of the product would:
//   config_probe FOLDER setint KEY VALUE | getint KEY | setstr KEY TEXT | getstr KEY
// getint's exit code is the value; getstr prints the text (UTF-8).
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "framework/config_interfaces.h"
#include "framework/soft_bus.h"
#include "framework/win32/win32_library_loader.h"
#include "platform/text.h"
#include "platform/win32/win32_platform.h"
#include "settings/settings_keys.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) return 100;
  platform::win32::InstallWin32Platform();
  framework::ReleasePtr<framework::CHalcynSoftBus> bus(new framework::CHalcynSoftBus(
      platform::DefaultPlatform(), &framework::win32::Libraries()));
  const std::wstring folder = std::wstring(argv[1]) + L"\\";
  if (!framework::win32::LoadSiblingModule(folder + L"Config.dll", framework::kConfigModuleId,
                                           bus.get()))
    return 101;
  if (framework::Failed(bus->InitializeModules())) return 102;
  framework::IHalcynAppModule* module = nullptr;
  void* out = nullptr;
  if (framework::Failed(bus->GetModule(framework::kConfigModuleId, &module)) ||
      framework::Failed(module->QueryInterface(framework::kIID_IConfigPage, &out)))
    return 103;
  auto* config = static_cast<framework::IConfigPage*>(out);
  const std::wstring action = argv[2];
  const wchar_t* key = argv[3];
  if (action == L"setint" && argc > 4)
    return framework::Succeeded(config->SetInt(settings::kSection, key, _wtoi(argv[4]), 0, 0)) ? 0 : 104;
  if (action == L"getint") return config->GetInt(settings::kSection, key, 0, 1, 0);
  if (action == L"setstr" && argc > 4)
    return framework::Succeeded(config->SetString(settings::kSection, key, argv[4], 0, 0)) ? 0 : 104;
  if (action == L"getstr") {
    wchar_t text[1024] = {};
    config->GetString(settings::kSection, key, text, 1024, 0, 0);
    std::fputs(platform::ToUtf8(text).c_str(), stdout);
    return 0;
  }
  return 105;
}
