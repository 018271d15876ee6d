// The bundle of platform services handed to the portable core.
#pragma once
#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/system_info.h"

namespace platform {

struct Platform {
  IRegistry& registry;
  IFileSystem& files;
  IEnvironment& environment;
  ISystemInfo& system;
};

// The process-wide default. A Windows program installs the real system at its
// start (win32::InstallWin32Platform); without one it is an empty in-memory
// system, as in the native build.
Platform& DefaultPlatform();
void InstallDefaultPlatform(Platform& p);

}  // namespace platform
