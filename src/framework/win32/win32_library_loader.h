// Sibling libraries on Windows: LoadLibraryW and the export with ordinal 1.
#pragma once
#include <string>

#include "framework/library_loader.h"

namespace framework::win32 {

class Win32LibraryLoader : public ILibraryLoader {
 public:
  LibraryHandle Load(const std::wstring& path) override;
  RootObjectExport FindRootObjectExport(LibraryHandle library) override;
  void Free(LibraryHandle library) override;
};

// The process's loader (it keeps no state).
Win32LibraryLoader& Libraries();

// LoadSiblingModule over the real libraries.
bool LoadSiblingModule(const std::wstring& path, const Guid& moduleId, IHalcynSoftBus* bus);

}  // namespace framework::win32
