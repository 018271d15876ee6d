#include "framework/module_loading.h"

#include <algorithm>

namespace framework {

namespace {
inline constexpr uint32_t kModuleIdCapacity = 32;

// Registers the modules the root object offers; the result of the last
// registration, or true when there was none.
bool RegisterOfferedModules(IHalcynAppModule& root, IHalcynSoftBus& bus) {
  void* out = nullptr;
  if (Failed(root.QueryInterface(kIID_IModuleProvider, &out)) || out == nullptr) return true;
  auto* provider = static_cast<IModuleProvider*>(out);
  Guid ids[kModuleIdCapacity] = {};
  uint32_t count = kModuleIdCapacity;
  if (Failed(provider->GetModuleIds(ids, &count))) return true;
  bool result = true;
  for (uint32_t i = 0; i < std::min(count, kModuleIdCapacity); ++i) {
    IHalcynAppModule* module = nullptr;
    if (Failed(provider->CreateModule(ids[i], &module)) || module == nullptr) break;
    result = Succeeded(bus.RegisterModule(ids[i], module, nullptr));
    // A module the bus did not take is still ours to destroy.
    if (!result) module->Release();
  }
  return result;
}
}  // namespace

bool LoadSiblingModule(ILibraryLoader& libraries, const std::wstring& path, const Guid& moduleId,
                       IHalcynSoftBus* bus) {
  if (bus == nullptr || path.empty()) return false;
  LibraryHandle library = libraries.Load(path);
  if (library == nullptr) return false;
  RootObjectExport rootExport = libraries.FindRootObjectExport(library);
  IHalcynAppModule* root = rootExport != nullptr ? rootExport() : nullptr;
  if (root == nullptr) {
    libraries.Free(library);
    return false;
  }
  const bool result = RegisterOfferedModules(*root, *bus);
  if (Failed(bus->RegisterModule(moduleId, root, library))) {
    root->Release();
    libraries.Free(library);
  }
  return result;
}

}  // namespace framework
