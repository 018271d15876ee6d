// CHalcynSoftBus: the module bus. Entries are kept in registration order;
// modules are initialised in that order, uninitialised in reverse, and
// released (their libraries unloaded) in order when the bus is destroyed.
// User-interface thread only; no lock.
#pragma once
#include <vector>

#include "framework/library_loader.h"
#include "framework/module_interfaces.h"
#include "platform/platform.h"

namespace framework {

struct ModuleEntry {
  Guid id;
  IHalcynAppModule* module = nullptr;  // owned
  LibraryHandle library = nullptr;     // unloaded after module is released
};

class CHalcynSoftBus : public IHalcynSoftBus {
 public:
  // libraries unloads the entries' libraries; it must outlive the bus.
  CHalcynSoftBus(platform::Platform& platform, ILibraryLoader* libraries);
  CHalcynSoftBus(const CHalcynSoftBus&) = delete;
  CHalcynSoftBus& operator=(const CHalcynSoftBus&) = delete;

  HResult LUMORA_COM QueryInterface(const Guid& iid, void** out) override;
  uint32_t LUMORA_COM AddRef() override { return 1; }
  uint32_t LUMORA_COM Release() override;
  HResult LUMORA_COM InitializeModules() override;
  HResult LUMORA_COM UninitializeModules() override;
  HResult LUMORA_COM RegisterModule(const Guid& id, IHalcynAppModule* module,
                                    LibraryHandle library) override;
  HResult LUMORA_COM GetModule(const Guid& id, IHalcynAppModule** out) override;

  const std::vector<ModuleEntry>& Entries() const { return entries_; }

 protected:
  ~CHalcynSoftBus() override;

 private:
  platform::Platform& platform_;
  ILibraryLoader* libraries_;
  std::vector<ModuleEntry> entries_;
};

}  // namespace framework
