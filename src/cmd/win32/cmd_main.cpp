// LumoraCmd.exe: the console front-end. The settings come from Config.dll
// beside the program, loaded as the main program loads it.
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "cmd/cmd_runner.h"
#include "cmd/win32/win32_console.h"
#include "framework/config_interfaces.h"
#include "framework/config_settings_store.h"
#include "framework/module_host.h"
#include "framework/soft_bus.h"
#include "framework/win32/win32_library_loader.h"
#include "platform/win32/win32_platform.h"

namespace {

std::atomic<bool> g_interrupted{false};

// The first Ctrl+C asks the running engine to stop after its current item
// (a repair keeps its backup complete); a second one ends the process.
BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  return g_interrupted.exchange(true) ? FALSE : TRUE;
}

// Config.dll on its own module bus, kept for the life of the process.
class ConfigSettings {
 public:
  settings::ISettingsStore* Open() {
    if (tried_) return store_.get();
    tried_ = true;
    bus_.reset(new framework::CHalcynSoftBus(platform::DefaultPlatform(),
                                             &framework::win32::Libraries()));
    // The program's folder, as the main program finds its sibling libraries.
    platform::IEnvironment& env = platform::DefaultPlatform().environment;
    const std::wstring program = env.GetModulePath();
    if (program.empty() ||
        !framework::win32::LoadSiblingModule(
            env.PathAddBackslash(env.PathRemoveFileSpec(program)) + framework::kConfigLibrary,
            framework::kConfigModuleId, bus_.get()) ||
        framework::Failed(bus_->InitializeModules()))
      return nullptr;
    framework::IHalcynAppModule* module = nullptr;
    void* page = nullptr;
    if (framework::Failed(bus_->GetModule(framework::kConfigModuleId, &module)) ||
        framework::Failed(module->QueryInterface(framework::kIID_IConfigPage, &page)) ||
        page == nullptr)
      return nullptr;
    store_ = std::make_unique<framework::ConfigSettingsStore>(
        *static_cast<framework::IConfigPage*>(page));
    return store_.get();
  }
  ~ConfigSettings() {
    store_.reset();
    if (bus_) bus_->UninitializeModules();
  }

 private:
  bool tried_ = false;
  framework::ReleasePtr<framework::CHalcynSoftBus> bus_;
  std::unique_ptr<framework::ConfigSettingsStore> store_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  platform::win32::InstallWin32Platform();
  SetConsoleCtrlHandler(&OnConsoleControl, TRUE);
  std::vector<std::wstring> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i] ? argv[i] : L"");
  cmd::win32::Win32Console console;
  ConfigSettings config;
  cmd::CmdContext ctx{platform::DefaultPlatform(), console,
                      [&config] { return config.Open(); },
                      [] { return g_interrupted.load(); }};
  return cmd::RunCommandLine(args, ctx);
}
