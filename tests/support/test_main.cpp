// Test entry point: under Windows the real platform becomes the default.
#include <gtest/gtest.h>

#ifdef _WIN32
#include "platform/win32/win32_platform.h"
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  platform::win32::InstallWin32Platform();
#endif
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
