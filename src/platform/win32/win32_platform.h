// The real Windows services behind the platform interfaces.
#pragma once
#include <memory>

#include "platform/platform.h"

namespace platform::win32 {

// The process's one real platform (the objects keep no per-call state).
Platform& Win32Platform();
// Makes Win32Platform() the process-wide default.
void InstallWin32Platform();

}  // namespace platform::win32
