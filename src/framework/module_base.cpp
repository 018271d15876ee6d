#include "framework/module_base.h"

namespace framework {

HResult LUMORA_COM CHalcynAppModuleBase::QueryInterface(const Guid&, void** out) {
  if (out != nullptr) *out = nullptr;
  return kNoInterface;
}

uint32_t LUMORA_COM CHalcynAppModuleBase::Release() {
  delete this;
  return 0;
}

HResult LUMORA_COM CHalcynAppModuleBase::SetBus(IHalcynSoftBus* bus) {
  bus_ = bus;
  return kOk;
}

HResult LUMORA_COM CHalcynAppModuleBase::SetModuleId(const Guid* id) {
  if (id == nullptr) return kPointer;
  moduleId_ = *id;
  return kOk;
}

}  // namespace framework
