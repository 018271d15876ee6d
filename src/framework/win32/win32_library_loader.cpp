#include "framework/win32/win32_library_loader.h"

#include <windows.h>

#include "framework/module_loading.h"

namespace framework::win32 {

LibraryHandle Win32LibraryLoader::Load(const std::wstring& path) {
  return LoadLibraryW(path.c_str());
}

RootObjectExport Win32LibraryLoader::FindRootObjectExport(LibraryHandle library) {
  FARPROC proc = GetProcAddress(static_cast<HMODULE>(library), MAKEINTRESOURCEA(1));
  return reinterpret_cast<RootObjectExport>(reinterpret_cast<void*>(proc));
}

void Win32LibraryLoader::Free(LibraryHandle library) { FreeLibrary(static_cast<HMODULE>(library)); }

Win32LibraryLoader& Libraries() {
  static Win32LibraryLoader loader;
  return loader;
}

bool LoadSiblingModule(const std::wstring& path, const Guid& moduleId, IHalcynSoftBus* bus) {
  return framework::LoadSiblingModule(Libraries(), path, moduleId, bus);
}

}  // namespace framework::win32
