// The real Windows services behind the platform interfaces.
#pragma once
#include <memory>

#include "platform/platform.h"
// Windows' A/W macros (DeleteFile, SearchPath, ...) would rename calls of the
// platform methods of the same names; this header removes them for every
// translation unit that uses the real platform, also after <windows.h>.
#include "platform/win32/windows_api.h"

namespace platform::win32 {

// The process's one real platform (the objects keep no per-call state).
Platform& Win32Platform();
// Makes Win32Platform() the process-wide default.
void InstallWin32Platform();

}  // namespace platform::win32
