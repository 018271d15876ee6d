// The crash-dump writer: the process-wide unhandled-exception filter that
// writes a minidump to "DumpFile\Quorvel_%Y%m%d_%H%M%S.dmp" beside the
// program, and the lock that keeps later code from replacing it.
#pragma once
#include <string>

#include "platform/win32/windows_api.h"

namespace app {

// "<folder>DumpFile\Quorvel_20120907_141503.dmp" for programPath
// "<folder>Lumora.exe"; empty when the path holds no backslash.
std::wstring CrashDumpPath(const std::wstring& programPath, const SYSTEMTIME& localTime);

// The filter: writes the dump, then lets the search for a handler go on.
LONG WINAPI WriteCrashDump(EXCEPTION_POINTERS* exception);

// Makes later SetUnhandledExceptionFilter calls of this process do nothing
// (they return null). Nothing changes when the function cannot be found.
void LockExceptionFilter();

}  // namespace app
