// The registry access layer: the key class used for enumeration and the
// free functions that name keys by path ("ROOT\sub\key").
//
// Convention: every function that reaches the platform takes the
// platform::Platform as its first argument; an overload without it uses
// platform::DefaultPlatform(). Pure text functions (ParseKeyPath,
// JoinKeyPath) take none. Required outputs are references, optional ones
// pointers that may be null. The empty value name is the default value.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/registry.h"
#include "platform/win32_constants.h"

namespace NSRegKeyEx {

using KeyParts = std::initializer_list<std::wstring>;

// KEY_READ | KEY_WRITE (0x2001F): the key class, tree deletion, export and import ask for it.
inline constexpr uint32_t kKeyReadWrite = platform::kKeyRead | platform::kKeyWrite;

// One open key with its counts and reusable name buffers. Opens ask for
// KEY_READ | KEY_WRITE. Not copyable; the destructor closes the handle.
class CRegKeyEx {
 public:
  CRegKeyEx();
  explicit CRegKeyEx(platform::Platform& p);
  virtual ~CRegKeyEx();
  CRegKeyEx(const CRegKeyEx&) = delete;
  CRegKeyEx& operator=(const CRegKeyEx&) = delete;

  // True only when both the open and the info query succeeded.
  bool Open(const std::wstring& path);
  bool OpenSubKey(const std::wstring& name, CRegKeyEx& outKey) const;
  bool EnumSubKey(uint32_t index, std::wstring& outName);
  bool EnumValueName(uint32_t index, std::wstring& outName);
  // Passes type, data and the in/out byte size through to RegEnumValueW.
  bool EnumValue(uint32_t index, std::wstring& outName, uint32_t* outType, uint8_t* data,
                 uint32_t* inOutDataSize);
  // REG_SZ or REG_EXPAND_SZ text up to its first NUL. A missing value or a
  // wrong type leaves outText unchanged; a failed read empties it.
  bool QueryStringValue(const std::wstring& name, std::wstring& outText);
  // The REG_DWORD query on this key's handle (Win32 code).
  int32_t QueryDwordValue(const std::wstring& name, uint32_t& outValue);
  const std::wstring& GetPath() const { return path; }
  platform::Platform& GetPlatform() const { return *platform_; }

  uint32_t subKeyCount = 0;
  uint32_t subKeyNameMax = 0;
  uint32_t valueCount = 0;
  uint32_t valueNameMax = 0;
  uint32_t valueDataMax = 0;
  bool infoRead = false;
  bool opened = false;
  std::vector<wchar_t> subKeyNameBuffer;
  std::vector<wchar_t> valueNameBuffer;
  platform::HKey hkey = 0;
  std::wstring path;
  int32_t lastError = 0;

 private:
  void Reset();

  platform::Platform* platform_;
};

// Strips leading "[" and trailing "]", splits at the first backslash and
// maps the root (case-sensitive: HKEY_CURRENT_USER, HKEY_CLASSES_ROOT,
// HKEY_LOCAL_MACHINE, HKEY_USERS, HKCU, HKCR, HKLM). False for any other root.
bool ParseKeyPath(const std::wstring& path, platform::HKey& outRoot, std::wstring& outSubKey);
// The full root name ("HKEY_LOCAL_MACHINE") for a predefined key, or empty.
std::wstring RootName(platform::HKey root);
// The parts joined with single backslashes, nothing trimmed.
std::wstring JoinKeyPath(KeyParts parts);
std::wstring JoinKeyPath(const std::vector<std::wstring>& parts);

// True when the key opens, or fails to open for any reason other than
// ERROR_FILE_NOT_FOUND.
bool KeyExists(platform::Platform& p, const std::wstring& path);
bool KeyExists(const std::wstring& path);
bool KeyExistsJoined(platform::Platform& p, KeyParts parts);
bool KeyExistsJoined(KeyParts parts);

// Deletes the key and all its subkeys, deepest first, stopping at the first
// key that cannot be deleted. A path naming a root alone is refused with
// ERROR_INVALID_PARAMETER.
bool DeleteKeyTree(platform::Platform& p, const std::wstring& path, int32_t* error = nullptr);
bool DeleteKeyTree(const std::wstring& path, int32_t* error = nullptr);
bool DeleteValueAt(platform::Platform& p, const std::wstring& valueName, const std::wstring& path,
                   int32_t* error = nullptr);
bool DeleteValueAt(const std::wstring& valueName, const std::wstring& path,
                   int32_t* error = nullptr);

// A REG_SZ or REG_EXPAND_SZ value as text (up to its first NUL). Fails with
// ERROR_INVALID_DATA semantics for other types, odd sizes and unterminated text.
bool QueryStringAt(platform::Platform& p, const std::wstring& path, const std::wstring& valueName,
                   std::wstring& outText);
bool QueryStringAt(const std::wstring& path, const std::wstring& valueName, std::wstring& outText);
bool QueryStringJoined(platform::Platform& p, const std::wstring& valueName, std::wstring& outText,
                       KeyParts parts);
bool QueryStringJoined(const std::wstring& valueName, std::wstring& outText, KeyParts parts);

// Type and all data bytes of one value; a value of size 0 succeeds with no bytes.
bool QueryRawValue(platform::Platform& p, const std::wstring& path, const std::wstring& valueName,
                   uint32_t& outType, std::vector<uint8_t>& outData);
bool QueryRawValue(const std::wstring& path, const std::wstring& valueName, uint32_t& outType,
                   std::vector<uint8_t>& outData);

bool QueryKeyCounts(platform::Platform& p, uint32_t& outSubKeys, uint32_t& outValues,
                    KeyParts parts);
bool QueryKeyCounts(uint32_t& outSubKeys, uint32_t& outValues, KeyParts parts);
bool KeyIsEmpty(platform::Platform& p, KeyParts parts);
bool KeyIsEmpty(KeyParts parts);

// The registration-file value text of one value (ValueToText), no line around it.
bool GetValueText(platform::Platform& p, const std::wstring& path, const std::wstring& valueName,
                  std::wstring& outText);
bool GetValueText(const std::wstring& path, const std::wstring& valueName, std::wstring& outText);

// RegSaveKeyW of the key (opened with REG_OPTION_BACKUP_RESTORE, KEY_QUERY_VALUE).
bool SaveKeyToFile(platform::Platform& p, const std::wstring& file, const std::wstring& path,
                   int32_t* error = nullptr);
bool SaveKeyToFile(const std::wstring& file, const std::wstring& path, int32_t* error = nullptr);
// RegReplaceKeyW(root, subkey, newFile, oldFile).
bool ReplaceKeyFiles(platform::Platform& p, const std::wstring& oldFile, const std::wstring& path,
                     const std::wstring& newFile, int32_t* error = nullptr);
bool ReplaceKeyFiles(const std::wstring& oldFile, const std::wstring& path,
                     const std::wstring& newFile, int32_t* error = nullptr);

// Enables SeBackupPrivilege and SeRestorePrivilege; false only when the
// process token cannot be opened.
bool EnableBackupPrivileges(platform::Platform& p);
bool EnableBackupPrivileges();

// The system message for a code; empty while the debug trace is off.
std::wstring FormatSystemError(platform::Platform& p, int32_t code);
std::wstring FormatSystemError(int32_t code);

// RegQueryValueExW into a 4-byte buffer on an open key: ERROR_INVALID_DATA
// for a value of another type, the registry's code otherwise.
int32_t QueryDwordValue(platform::Platform& p, platform::HKey key, const std::wstring& valueName,
                        uint32_t& outValue);
int32_t QueryDwordValue(platform::HKey key, const std::wstring& valueName, uint32_t& outValue);

// Reads one value of an open key: type and all bytes, retrying while the
// data grows between the size query and the read.
int32_t ReadValue(platform::IRegistry& registry, platform::HKey key, const std::wstring& valueName,
                  uint32_t& outType, std::vector<uint8_t>& outData);

// An open key handle closed on destruction.
class ScopedKey {
 public:
  explicit ScopedKey(platform::IRegistry& registry) : registry_(registry) {}
  ~ScopedKey() { Close(); }
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;
  platform::HKey* Out() {
    Close();
    return &key_;
  }
  platform::HKey Get() const { return key_; }
  void Close() {
    if (key_ != 0) registry_.CloseKey(key_);
    key_ = 0;
  }

 private:
  platform::IRegistry& registry_;
  platform::HKey key_ = 0;
};

}  // namespace NSRegKeyEx
