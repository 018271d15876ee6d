// An in-memory registry with Win32 results, for tests and the native build.
// Names compare ignoring case and keep their spelling; subkeys enumerate in
// case-insensitive sorted order, values in creation order. HKEY_CLASSES_ROOT
// shows HKEY_CURRENT_USER\Software\Classes merged over
// HKEY_LOCAL_MACHINE\Software\Classes.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace platform::memory {

class MemoryFileSystem;

struct RawValue {
  uint32_t type = 0;
  std::vector<uint8_t> bytes;
};

// Per-key fault injection. A fault applies to the key itself, not its subkeys.
struct KeyFault {
  bool denyWrite = false;   // opens asking for any write or delete right fail
  bool denyRead = false;    // every open fails with kErrorAccessDenied
  int32_t openError = 0;    // when non-zero, every open fails with this code
};

struct SaveRecord {
  std::wstring keyPath;  // as "HKEY_LOCAL_MACHINE\SOFTWARE"
  std::wstring file;
};

struct ReplaceRecord {
  std::wstring keyPath;
  std::wstring newFile;
  std::wstring oldFile;
};

class MemoryRegistry : public IRegistry {
 public:
  // With a file system, SaveKey writes the hive file there and ReplaceKey
  // checks and creates the files as Windows does.
  explicit MemoryRegistry(MemoryFileSystem* files = nullptr);
  ~MemoryRegistry() override;

  // IRegistry
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

  // Test-side building and inspection. Paths take the full or the short root
  // names (HKEY_LOCAL_MACHINE, HKLM, HKCU, HKCR, HKU, HKEY_CURRENT_CONFIG).
  void CreateKeyPath(const std::wstring& path);
  void SetRaw(const std::wstring& path, const std::wstring& name, uint32_t type,
              std::vector<uint8_t> bytes);
  // REG_SZ (or the given string type) with its terminating NUL.
  void SetString(const std::wstring& path, const std::wstring& name, const std::wstring& text,
                 uint32_t type = 1);
  void SetDword(const std::wstring& path, const std::wstring& name, uint32_t value);
  bool HasKey(const std::wstring& path) const;
  std::optional<RawValue> GetRaw(const std::wstring& path, const std::wstring& name) const;
  std::vector<std::wstring> SubKeyNames(const std::wstring& path) const;
  std::vector<std::wstring> ValueNames(const std::wstring& path) const;
  void RemoveKeyTree(const std::wstring& path);
  void SetFault(const std::wstring& path, const KeyFault& fault);

  // Privileges: names LookupPrivilegeValueW knows, and a token that fails.
  void SetTokenFails(bool fails);
  bool PrivilegeEnabled(const std::wstring& name) const;

  const std::vector<SaveRecord>& Saves() const;
  const std::vector<ReplaceRecord>& Replaces() const;
  size_t OpenHandleCount() const;  // handles not yet closed

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform::memory
