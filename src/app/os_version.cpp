#include "app/os_version.h"

#include "platform/platform.h"

namespace app {

OsVersionClass ClassifyOsVersion(const platform::OsVersion* v) {
  if (v == nullptr) return kOsUnsupported;
  if (v->major == 5) {
    switch (v->minor) {
      case 0: return kOsWindows2000;
      case 1: return kOsWindowsXp;
      case 2: return kOsWindowsXp64OrServer2003;
      default: return kOsUnsupported;
    }
  }
  if (v->major == 6) {
    if (v->productType != kProductTypeWorkstation) return kOsServer6;
    return v->minor == 0 ? kOsWindowsVista : kOsWindows7OrLater;
  }
  return kOsUnsupported;
}

OsVersionClass GetOsVersionClass() {
  platform::OsVersion version;
  if (!platform::DefaultPlatform().system.GetVersionEx(&version)) return ClassifyOsVersion(nullptr);
  return ClassifyOsVersion(&version);
}

bool IsSupportedOsVersion(OsVersionClass value) {
  return value == kOsWindowsXp || value == kOsWindowsXp64OrServer2003 ||
         value == kOsWindowsVista || value == kOsWindows7OrLater;
}

}  // namespace app
