// The Windows version classes of start-up.
#pragma once
#include "platform/system_info.h"

namespace app {

enum OsVersionClass : int {
  kOsUnsupported = 0,
  kOsWindows2000 = 1,
  kOsWindowsXp = 2,
  kOsWindowsXp64OrServer2003 = 3,
  kOsWindowsVista = 4,
  kOsServer6 = 5,
  kOsWindows7OrLater = 6,
};

inline constexpr uint8_t kProductTypeWorkstation = 1;  // VER_NT_WORKSTATION

// version: the extended version record, or null when the query failed.
OsVersionClass ClassifyOsVersion(const platform::OsVersion* version);
// GetVersionExW with the extended record, classified.
OsVersionClass GetOsVersionClass();
// The classes the program runs on: 2, 3, 4 and 6.
bool IsSupportedOsVersion(OsVersionClass value);

}  // namespace app
