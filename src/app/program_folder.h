// The running program's folder and the processes started beside it.
#pragma once
#include <string>

namespace app {

// GetModuleFileNameW of the program, its file name removed, a backslash
// ensured; empty when the path cannot be had.
std::wstring ProgramFolder();
// Whether the named mutex exists already (created, then closed at once).
bool NamedMutexExists(const wchar_t* name);
// CreateProcessW of "\"path\" switch"; the handles are closed at once.
bool StartProgram(const std::wstring& path, const wchar_t* switchText);
// Makes sure the tray companion runs: true when its mutex exists or
// "RegTray.exe" beside the program was started with "-FromPurvexer".
bool LaunchTrayCompanion();

}  // namespace app
