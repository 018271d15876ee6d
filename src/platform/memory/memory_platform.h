// One complete in-memory platform, as each test builds its own.
#pragma once
#include "platform/memory/memory_environment.h"
#include "platform/memory/memory_file_system.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_system_info.h"
#include "platform/platform.h"

namespace platform::memory {

struct MemoryPlatform {
  MemoryFileSystem files;
  MemoryRegistry registry{&files};
  MemoryEnvironment environment{files};
  MemorySystemInfo system;
  Platform view{registry, files, environment, system};
};

}  // namespace platform::memory
