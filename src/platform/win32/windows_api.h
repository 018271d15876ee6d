// The Windows SDK headers of the win32 backend and its tests. The A/W name
// macros that collide with our interface methods (DeleteFile, MoveFile,
// SearchPath, the shlwapi Path* names ...) are removed, so that a translation
// unit sees the same member names whatever order it includes headers in.
// Include this instead of <windows.h> wherever platform interfaces are used.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#undef DeleteFile
#undef MoveFile
#undef SearchPath
#undef QueryDosDevice
#undef GetVersionEx
#undef PathGetArgs
#undef PathRemoveArgs
#undef PathUnquoteSpaces
#undef PathRemoveFileSpec
#undef PathAddBackslash
