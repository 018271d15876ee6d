// The registry as the portable core sees it: the ADVAPI32 calls it relies on,
// with Win32 result codes, access masks and buffer conventions.
#pragma once
#include <cstdint>
#include <string>

namespace platform {

// An open key, or one of the predefined roots below. Win32 HKEY values.
using HKey = std::uintptr_t;
inline constexpr HKey kHKeyClassesRoot = 0x80000000u;
inline constexpr HKey kHKeyCurrentUser = 0x80000001u;
inline constexpr HKey kHKeyLocalMachine = 0x80000002u;
inline constexpr HKey kHKeyUsers = 0x80000003u;
inline constexpr HKey kHKeyCurrentConfig = 0x80000005u;

// RegQueryInfoKeyW's counts and maxima (name lengths in characters without
// the terminating NUL, data in bytes).
struct KeyInfo {
  uint32_t subKeyCount = 0;
  uint32_t maxSubKeyLen = 0;
  uint32_t valueCount = 0;
  uint32_t maxValueNameLen = 0;
  uint32_t maxValueLen = 0;
};

enum class PrivilegeResult {
  kEnabled,      // the privilege is now enabled in the process token
  kNotFound,     // LookupPrivilegeValueW failed
  kTokenFailed,  // the process token could not be opened for adjusting
};

// Every call returns a Win32 error code (kErrorSuccess on success). Name
// buffers are UTF-16 units, one per wchar_t, NUL-terminated; *nameChars is
// the buffer size on entry and the name length (without NUL) on success.
// A null value name means the default value, as in Win32.
class IRegistry {
 public:
  virtual ~IRegistry() = default;

  virtual int32_t OpenKey(HKey parent, const std::wstring& subKey, uint32_t options,
                          uint32_t access, HKey* result) = 0;
  virtual int32_t CreateKey(HKey parent, const std::wstring& subKey, uint32_t options,
                            uint32_t access, HKey* result, uint32_t* disposition) = 0;
  virtual int32_t CloseKey(HKey key) = 0;
  virtual int32_t QueryInfoKey(HKey key, KeyInfo* info) = 0;
  virtual int32_t EnumKey(HKey key, uint32_t index, wchar_t* name, uint32_t* nameChars) = 0;
  // type, data and dataBytes may each be null; with data null and dataBytes
  // set, the size is reported. A data buffer that is too small gives
  // kErrorMoreData with *dataBytes set to the size needed.
  virtual int32_t EnumValue(HKey key, uint32_t index, wchar_t* name, uint32_t* nameChars,
                            uint32_t* type, uint8_t* data, uint32_t* dataBytes) = 0;
  virtual int32_t QueryValue(HKey key, const wchar_t* name, uint32_t* type, uint8_t* data,
                             uint32_t* dataBytes) = 0;
  // Stores exactly dataBytes bytes, also string data without a terminator.
  virtual int32_t SetValue(HKey key, const wchar_t* name, uint32_t type, const uint8_t* data,
                           uint32_t dataBytes) = 0;
  virtual int32_t DeleteValue(HKey key, const wchar_t* name) = 0;
  // Deletes a key that has no subkeys (RegDeleteKeyW).
  virtual int32_t DeleteKey(HKey parent, const std::wstring& subKey) = 0;
  // RegSaveKeyW: needs the backup privilege; fails when the file exists.
  virtual int32_t SaveKey(HKey key, const std::wstring& file) = 0;
  // RegReplaceKeyW: needs the restore privilege.
  virtual int32_t ReplaceKey(HKey parent, const std::wstring& subKey, const std::wstring& newFile,
                             const std::wstring& oldFile) = 0;
  // OpenProcessToken, LookupPrivilegeValueW, AdjustTokenPrivileges.
  virtual PrivilegeResult EnablePrivilege(const std::wstring& name) = 0;
};

}  // namespace platform
