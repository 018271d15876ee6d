// The debug trace: one line to the debugger output per call, on only while a
// plain file named "debug" lies in the program's folder.
#pragma once
#include "platform/platform.h"

namespace platform {

bool DebugTraceEnabled(Platform& p);
// printf-style; wide arguments are "%ls". A line feed is appended.
void DebugTrace(Platform& p, const wchar_t* format, ...);
// Through the process-wide default platform.
void DebugTrace(const wchar_t* format, ...);

}  // namespace platform
