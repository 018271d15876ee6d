#include "framework/soft_bus.h"

#include "platform/debug_trace.h"

namespace framework {

CHalcynSoftBus::CHalcynSoftBus(platform::Platform& platform, ILibraryLoader* libraries)
    : platform_(platform), libraries_(libraries) {}

CHalcynSoftBus::~CHalcynSoftBus() {
  // A library's offered modules were registered before its root object, so
  // they are gone before the library that holds their code is unloaded.
  for (const ModuleEntry& entry : entries_) {
    if (entry.module != nullptr) entry.module->Release();
    if (entry.library != nullptr && libraries_ != nullptr) libraries_->Free(entry.library);
  }
}

HResult LUMORA_COM CHalcynSoftBus::QueryInterface(const Guid&, void** out) {
  if (out != nullptr) *out = nullptr;
  return kNotImpl;
}

uint32_t LUMORA_COM CHalcynSoftBus::Release() {
  delete this;
  return 0;
}

HResult LUMORA_COM CHalcynSoftBus::InitializeModules() {
  for (const ModuleEntry& entry : entries_) {
    if (entry.module == nullptr) continue;
    const uint32_t before = platform_.system.TickCount();
    const HResult hr = entry.module->Initialize();
    const uint32_t after = platform_.system.TickCount();
    platform::DebugTrace(platform_, L"Cost %d Init Module %ls %ls",
                         static_cast<int>(after - before), GuidToString(entry.id).c_str(),
                         hr == kOk ? L"Sucess" : L"Fail");
    if (Failed(hr)) return hr;
  }
  return kOk;
}

HResult LUMORA_COM CHalcynSoftBus::UninitializeModules() {
  for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry) {
    if (entry->module != nullptr) entry->module->Uninitialize();
  }
  return kOk;
}

HResult LUMORA_COM CHalcynSoftBus::RegisterModule(const Guid& id, IHalcynAppModule* module,
                                                  LibraryHandle library) {
  if (module == nullptr) return kPointer;
  HResult hr = module->SetBus(this);
  if (Failed(hr)) return hr;
  hr = module->SetModuleId(&id);
  if (Failed(hr)) return hr;
  entries_.push_back(ModuleEntry{id, module, library});
  return kOk;
}

HResult LUMORA_COM CHalcynSoftBus::GetModule(const Guid& id, IHalcynAppModule** out) {
  if (out == nullptr) return kInvalidArg;
  for (const ModuleEntry& entry : entries_) {
    if (entry.id == id) {
      *out = entry.module;
      return kOk;
    }
  }
  return kNoInterface;
}

}  // namespace framework
