// CHalcynAppModuleBase: the default behaviour of IHalcynAppModule that every
// module derives from. Modules are created on the heap and destroyed by
// Release (the bus's ownership), so Release deletes the object.
#pragma once
#include "framework/module_interfaces.h"

namespace framework {

class CHalcynAppModuleBase : public IHalcynAppModule {
 public:
  HResult LUMORA_COM QueryInterface(const Guid& iid, void** out) override;
  uint32_t LUMORA_COM AddRef() override { return 0; }
  uint32_t LUMORA_COM Release() override;
  HResult LUMORA_COM SetBus(IHalcynSoftBus* bus) override;
  HResult LUMORA_COM SetModuleId(const Guid* id) override;
  HResult LUMORA_COM Initialize() override { return kOk; }
  HResult LUMORA_COM Uninitialize() override { return kOk; }
  int32_t LUMORA_COM Reserved(void*) override { return 0; }

  IHalcynSoftBus* Bus() const { return bus_; }
  const Guid& ModuleId() const { return moduleId_; }

 protected:
  CHalcynAppModuleBase() = default;
  ~CHalcynAppModuleBase() override = default;

  // Another module's interface through the bus: GetModule, then
  // QueryInterface. Null when either step fails.
  template <typename T>
  T* QueryModule(const Guid& moduleId, const Guid& iid) const {
    IHalcynAppModule* module = nullptr;
    if (bus_ == nullptr || Failed(bus_->GetModule(moduleId, &module)) || module == nullptr)
      return nullptr;
    void* out = nullptr;
    if (Failed(module->QueryInterface(iid, &out))) return nullptr;
    return static_cast<T*>(out);
  }

 private:
  IHalcynSoftBus* bus_ = nullptr;  // not owned
  Guid moduleId_;
};

// One further interface of a module, held by the module: QueryInterface is
// the module's, and the counts are constant because the module's lifetime
// is the bus's business. The derived part reaches its module as owner_.
template <typename Interface, typename Owner>
class CModulePart : public Interface {
 public:
  explicit CModulePart(Owner& owner) : owner_(owner) {}
  HResult LUMORA_COM QueryInterface(const Guid& iid, void** out) override {
    return owner_.QueryInterface(iid, out);
  }
  uint32_t LUMORA_COM AddRef() override { return 1; }
  uint32_t LUMORA_COM Release() override { return 1; }

 protected:
  Owner& owner_;
};

}  // namespace framework
