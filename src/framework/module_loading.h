// LoadSiblingModule: one sibling library's modules onto the bus.
#pragma once
#include <string>

#include "framework/library_loader.h"
#include "framework/module_interfaces.h"

namespace framework {

// Loads the library, takes its root object from the export with ordinal 1,
// registers the modules its IModuleProvider offers (without a library
// handle), then the root object under moduleId with the library handle.
// False when the library, its export or its root object is missing; else
// whether the last offered module was registered (true when none was).
bool LoadSiblingModule(ILibraryLoader& libraries, const std::wstring& path, const Guid& moduleId,
                       IHalcynSoftBus* bus);

}  // namespace framework
