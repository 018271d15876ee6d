#include <atomic>

#include "platform/memory/memory_platform.h"
#include "platform/platform.h"

namespace platform {

namespace {
std::atomic<Platform*> installed{nullptr};
}

void InstallDefaultPlatform(Platform& p) { installed.store(&p); }

Platform& DefaultPlatform() {
  if (Platform* p = installed.load()) return *p;
  // Without an installed platform (the native build), an empty in-memory one.
  static memory::MemoryPlatform fallback;
  return fallback.view;
}

}  // namespace platform
