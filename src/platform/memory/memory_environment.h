// In-memory environment variables, search path and folders over a
// MemoryFileSystem; the path-string functions are the portable ones.
#pragma once
#include <map>
#include <memory>
#include <string>

#include "platform/environment.h"

namespace platform::memory {

class MemoryFileSystem;

class MemoryEnvironment : public IEnvironment {
 public:
  // Defaults: Windows folder "C:\Windows", system folder
  // "C:\Windows\system32", program "C:\Program Files\Quorvel\Lumora\Lumora.exe",
  // variables SystemRoot, windir, Path and the usual special folders.
  explicit MemoryEnvironment(MemoryFileSystem& files);
  ~MemoryEnvironment() override;

  bool ExpandStrings(const std::wstring& text, std::wstring* expanded) override;
  bool GetVariable(const std::wstring& name, std::wstring* value) override;
  bool SearchPath(const std::wstring& fileName, std::wstring* found) override;
  bool GetSpecialFolder(int csidl, std::wstring* path) override;
  std::wstring GetModulePath() override;
  std::wstring GetWindowsFolder() override;
  std::wstring PathGetArgs(const std::wstring& path) override;
  std::wstring PathRemoveArgs(const std::wstring& path) override;
  std::wstring PathUnquoteSpaces(const std::wstring& path) override;
  std::wstring PathRemoveFileSpec(const std::wstring& path) override;
  std::wstring PathAddBackslash(const std::wstring& path) override;

  void SetVariable(const std::wstring& name, const std::wstring& value);
  void UnsetVariable(const std::wstring& name);
  void SetSpecialFolder(int csidl, const std::wstring& path);
  void SetModulePath(const std::wstring& path);
  void SetWindowsFolder(const std::wstring& path);
  void SetSystemFolder(const std::wstring& path);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform::memory
