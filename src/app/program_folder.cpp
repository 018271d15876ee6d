#include "app/program_folder.h"

#include <vector>

#include "app/tray_contract.h"
#include "platform/win32/handles.h"
#include "platform/win32/windows_api.h"

namespace app {

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  if (!::PathRemoveFileSpecW(path)) return {};
  if (::PathAddBackslashW(path) == nullptr) return {};
  return path;
}

bool CreateNamedMutex(const wchar_t* name, platform::win32::UniqueHandle* mutex) {
  const HANDLE created = CreateMutexW(nullptr, FALSE, name);
  const DWORD error = GetLastError();
  *mutex = platform::win32::UniqueHandle(created);
  return error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED;
}

bool NamedMutexExists(const wchar_t* name) {
  platform::win32::UniqueHandle mutex;
  return CreateNamedMutex(name, &mutex);
}

bool StartProgram(const std::wstring& path, const wchar_t* switchText) {
  if (path.empty() || path.size() >= MAX_PATH) return false;
  std::wstring text = L"\"" + path + L"\" " + switchText;
  std::vector<wchar_t> commandLine(text.begin(), text.end());
  commandLine.push_back(L'\0');
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

bool LaunchTrayCompanion() {
  if (NamedMutexExists(kTrayMutexName)) return true;
  const std::wstring folder = ProgramFolder();
  if (folder.empty()) return false;
  return StartProgram(folder + kTrayFileName, kSwitchFromPurvexer);
}

}  // namespace app
