#include "framework/module_host.h"

#include "framework/module_loading.h"

namespace framework {

CHalcynApplication::CHalcynApplication(platform::Platform& platform, ILibraryLoader* libraries)
    : platform_(platform), bus_(new CHalcynSoftBus(platform, libraries)) {}

CHalcynApplication::~CHalcynApplication() = default;

HResult CHalcynApplication::Start() {
  if (!LoadModules(bus_.get())) return kFail;
  return bus_->InitializeModules();
}

HResult CHalcynApplication::Stop() { return bus_->UninitializeModules(); }

HResult CHalcynApplication::GetModule(const Guid& id, IHalcynAppModule** out) {
  return bus_->GetModule(id, out);
}

CProductApp::CProductApp(platform::Platform& platform, ILibraryLoader& libraries,
                         UiModuleFactory createUiModule)
    : CHalcynApplication(platform, &libraries),
      libraries_(libraries),
      createUiModule_(std::move(createUiModule)) {}

bool CProductApp::LoadModules(IHalcynSoftBus* bus) {
  platform::IEnvironment& env = Platform().environment;
  const std::wstring folder = env.PathAddBackslash(env.PathRemoveFileSpec(env.GetModulePath()));
  if (!LoadSiblingModule(libraries_, folder + kVersionInfoLibrary, kVersionInfoModuleId, bus))
    return false;
  if (!LoadSiblingModule(libraries_, folder + kConfigLibrary, kConfigModuleId, bus)) return false;
  if (createUiModule_) {
    ReleasePtr<IHalcynAppModule> ui = createUiModule_();
    if (ui && Succeeded(bus->RegisterModule(kUiModuleId, ui.get(), nullptr))) ui.release();
  }
  return true;
}

}  // namespace framework
