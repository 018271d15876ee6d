// A program that installs the crash filter as Lumora.exe does, tries to
// replace it afterwards, and then faults.
#include <windows.h>

#include "app/crash_dump.h"

namespace {
// Would mark that the lock failed to keep the product's filter in place.
LONG WINAPI ReplacementFilter(EXCEPTION_POINTERS*) {
  HANDLE marker = CreateFileW(L"replaced.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
  return EXCEPTION_EXECUTE_HANDLER;
}
}  // namespace

int main() {
  // No crash dialog or debugger after the filter: the process just ends.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  SetUnhandledExceptionFilter(&app::WriteCrashDump);
  app::LockExceptionFilter();
  if (SetUnhandledExceptionFilter(&ReplacementFilter) != nullptr) return 3;
  volatile int* nowhere = nullptr;
  *nowhere = 1;
  return 2;
}
