// The running program's folder and the processes started beside it.
#pragma once
#include <string>

#include "platform/win32/handles.h"

namespace app {

// GetModuleFileNameW of the program, its file name removed, a backslash
// ensured; empty when the path cannot be had.
std::wstring ProgramFolder();
// CreateMutexW of the named mutex into *mutex; true when it existed already
// (or belongs to another session and could not be opened).
bool CreateNamedMutex(const wchar_t* name, platform::win32::UniqueHandle* mutex);
// Whether the named mutex exists already (created, then closed at once).
bool NamedMutexExists(const wchar_t* name);
// CreateProcessW of "\"path\" switch"; the handles are closed at once.
bool StartProgram(const std::wstring& path, const wchar_t* switchText);
// Makes sure the tray companion runs: true when its mutex exists or
// "RegTray.exe" beside the program was started with "-FromPurvexer".
bool LaunchTrayCompanion();

}  // namespace app
