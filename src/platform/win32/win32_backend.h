// The classes behind Win32Platform(): thin layers over ADVAPI32, kernel32,
// shell32 and shlwapi. Results are the system's own, Win32 codes unchanged.
#pragma once
#include "platform/platform.h"

namespace platform::win32 {

// IsWow64Process for this process, looked up at run time; true only when the
// call reports exactly TRUE. Computed once.
bool ProcessIsWow64();

// Under WOW64 every open, create and delete addresses the native 64-bit view
// (KEY_WOW64_64KEY), unless the caller names a view itself.
class Win32Registry final : public IRegistry {
 public:
  Win32Registry();

  int32_t OpenKey(HKey parent, const std::wstring& subKey, uint32_t options, uint32_t access,
                  HKey* result) override;
  int32_t CreateKey(HKey parent, const std::wstring& subKey, uint32_t options, uint32_t access,
                    HKey* result, uint32_t* disposition) override;
  int32_t CloseKey(HKey key) override;
  int32_t QueryInfoKey(HKey key, KeyInfo* info) override;
  int32_t EnumKey(HKey key, uint32_t index, wchar_t* name, uint32_t* nameChars) override;
  int32_t EnumValue(HKey key, uint32_t index, wchar_t* name, uint32_t* nameChars, uint32_t* type,
                    uint8_t* data, uint32_t* dataBytes) override;
  int32_t QueryValue(HKey key, const wchar_t* name, uint32_t* type, uint8_t* data,
                     uint32_t* dataBytes) override;
  int32_t SetValue(HKey key, const wchar_t* name, uint32_t type, const uint8_t* data,
                   uint32_t dataBytes) override;
  int32_t DeleteValue(HKey key, const wchar_t* name) override;
  int32_t DeleteKey(HKey parent, const std::wstring& subKey) override;
  int32_t SaveKey(HKey key, const std::wstring& file) override;
  int32_t ReplaceKey(HKey parent, const std::wstring& subKey, const std::wstring& newFile,
                     const std::wstring& oldFile) override;
  PrivilegeResult EnablePrivilege(const std::wstring& name) override;

 private:
  uint32_t ViewAccess(uint32_t access) const;

  bool nativeView_;
};

class Win32FileSystem final : public IFileSystem {
 public:
  bool PathExists(const std::wstring& path) override;
  uint32_t GetAttributes(const std::wstring& path) override;
  bool CreateFolder(const std::wstring& path, int32_t* error) override;
  bool DeleteFile(const std::wstring& path, int32_t* error) override;
  bool MoveFile(const std::wstring& from, const std::wstring& to, int32_t* error) override;
  std::vector<FileEntry> ListFolder(const std::wstring& pattern) override;
  bool ReadWholeFile(const std::wstring& path, std::vector<uint8_t>* bytes,
                     int32_t* error) override;
  bool WriteWholeFile(const std::wstring& path, const void* bytes, size_t count,
                      int32_t* error) override;
  std::unique_ptr<IAppendFile> OpenForAppend(const std::wstring& path, int32_t* error) override;
  bool DisableRedirection(void** previous) override;
  void RevertRedirection(void* previous) override;
};

class Win32Environment final : public IEnvironment {
 public:
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
};

class Win32SystemInfo final : public ISystemInfo {
 public:
  uint32_t GetVersionDword() override;
  bool GetVersionEx(OsVersion* version) override;
  bool IsWow64() override;
  uint32_t TickCount() override;
  void Sleep(uint32_t milliseconds) override;
  int64_t NowSeconds() override;
  LocalTime ToLocalTime(int64_t secondsSince1970) override;
  uint32_t LogicalDrives() override;
  bool QueryDosDevice(const std::wstring& drive, std::wstring* target) override;
  void DebugOutput(const std::wstring& text) override;
};

}  // namespace platform::win32
