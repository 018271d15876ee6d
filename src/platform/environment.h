// Environment, search path, well-known folders and the SHLWAPI path-string
// functions, as the portable core sees them.
#pragma once
#include <string>

namespace platform {

class IEnvironment {
 public:
  virtual ~IEnvironment() = default;

  // ExpandEnvironmentStringsW without a length limit; false when the call
  // fails (the output is then empty). Undefined variables stay as written.
  virtual bool ExpandStrings(const std::wstring& text, std::wstring* expanded) = 0;
  // GetEnvironmentVariableW; false when the variable is not set.
  virtual bool GetVariable(const std::wstring& name, std::wstring* value) = 0;
  // SearchPathW(NULL, name, NULL, ...): the system's search order.
  virtual bool SearchPath(const std::wstring& fileName, std::wstring* found) = 0;
  // SHGetSpecialFolderPathW(csidl, create = FALSE).
  virtual bool GetSpecialFolder(int csidl, std::wstring* path) = 0;
  // GetModuleFileNameW(NULL): the running program's full path.
  virtual std::wstring GetModulePath() = 0;
  // GetWindowsDirectoryW, without a trailing backslash.
  virtual std::wstring GetWindowsFolder() = 0;

  // The SHLWAPI path-string functions, applied to a copy of the text.
  virtual std::wstring PathGetArgs(const std::wstring& path) = 0;
  virtual std::wstring PathRemoveArgs(const std::wstring& path) = 0;
  virtual std::wstring PathUnquoteSpaces(const std::wstring& path) = 0;
  virtual std::wstring PathRemoveFileSpec(const std::wstring& path) = 0;
  virtual std::wstring PathAddBackslash(const std::wstring& path) = 0;
};

}  // namespace platform
