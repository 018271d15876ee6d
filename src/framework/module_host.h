// The module host: CHalcynApplication owns the bus and runs the modules'
// lifecycle; CProductApp loads this product's modules onto it.
#pragma once
#include <functional>

#include "framework/library_loader.h"
#include "framework/module_interfaces.h"
#include "framework/soft_bus.h"
#include "platform/platform.h"

namespace framework {

class CHalcynApplication {
 public:
  CHalcynApplication(platform::Platform& platform, ILibraryLoader* libraries);
  // Releases the bus: every module is released, every library unloaded.
  virtual ~CHalcynApplication();
  CHalcynApplication(const CHalcynApplication&) = delete;
  CHalcynApplication& operator=(const CHalcynApplication&) = delete;

  // LoadModules, then the bus's InitializeModules; kFail when loading fails.
  virtual HResult Start();
  // Uninitialises the modules in reverse order.
  virtual HResult Stop();
  virtual bool LoadModules(IHalcynSoftBus* bus) = 0;
  virtual HResult GetModule(const Guid& id, IHalcynAppModule** out);

  IHalcynSoftBus* Bus() const { return bus_.get(); }

 protected:
  platform::Platform& Platform() const { return platform_; }

 private:
  platform::Platform& platform_;
  ReleasePtr<IHalcynSoftBus> bus_;
};

// Creates the user-interface module, registered last under kUiModuleId.
using UiModuleFactory = std::function<ReleasePtr<IHalcynAppModule>()>;

inline constexpr wchar_t kVersionInfoLibrary[] = L"VersionInfo.dll";
inline constexpr wchar_t kConfigLibrary[] = L"Config.dll";

class CProductApp : public CHalcynApplication {
 public:
  // libraries loads the sibling libraries and must outlive the host.
  CProductApp(platform::Platform& platform, ILibraryLoader& libraries,
              UiModuleFactory createUiModule);

  // "VersionInfo.dll", then "Config.dll" from the program's folder (false
  // when either fails), then the user-interface module.
  bool LoadModules(IHalcynSoftBus* bus) override;

 private:
  ILibraryLoader& libraries_;
  UiModuleFactory createUiModule_;
};

}  // namespace framework
