#include "platform/win32/win32_platform.h"

#include "platform/win32/win32_backend.h"

namespace platform::win32 {

namespace {

struct Win32Services {
  Win32Registry registry;
  Win32FileSystem files;
  Win32Environment environment;
  Win32SystemInfo system;
  Platform view{registry, files, environment, system};
};

}  // namespace

Platform& Win32Platform() {
  static Win32Services services;
  return services.view;
}

void InstallWin32Platform() { InstallDefaultPlatform(Win32Platform()); }

}  // namespace platform::win32
