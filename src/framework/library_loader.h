// How sibling libraries are loaded: LoadLibraryW and the export with ordinal
// 1 on Windows (framework/win32), test libraries in the native build.
#pragma once
#include <string>

#include "framework/module_interfaces.h"

namespace framework {

class ILibraryLoader {
 public:
  virtual ~ILibraryLoader() = default;
  // Null when the library cannot be loaded.
  virtual LibraryHandle Load(const std::wstring& path) = 0;
  // The library's export with ordinal 1; null when it has none.
  virtual RootObjectExport FindRootObjectExport(LibraryHandle library) = 0;
  virtual void Free(LibraryHandle library) = 0;
};

}  // namespace framework
