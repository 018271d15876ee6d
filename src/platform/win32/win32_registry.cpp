#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/win32_backend.h"
#include "platform/win32_constants.h"

namespace platform::win32 {

namespace {

HKEY ToHkey(HKey key) { return reinterpret_cast<HKEY>(key); }
HKey FromHkey(HKEY key) { return reinterpret_cast<HKey>(key); }

// A null pointer for an empty subkey, as the Reg* calls take it.
const wchar_t* OptionalName(const std::wstring& name) {
  return name.empty() ? nullptr : name.c_str();
}

using RegDeleteKeyExFn = LONG(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);

}  // namespace

bool ProcessIsWow64() {
  static const bool wow64 = [] {
    using Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
    auto isWow64Process = SystemProc<Fn>(L"kernel32", "IsWow64Process");
    BOOL result = FALSE;
    if (isWow64Process == nullptr || !isWow64Process(GetCurrentProcess(), &result)) return false;
    return result == TRUE;
  }();
  return wow64;
}

Win32Registry::Win32Registry() : nativeView_(ProcessIsWow64()) {}

uint32_t Win32Registry::ViewAccess(uint32_t access) const {
  if (!nativeView_ || (access & (kKeyWow64_64Key | kKeyWow64_32Key)) != 0) return access;
  return access | kKeyWow64_64Key;
}

int32_t Win32Registry::OpenKey(HKey parent, const std::wstring& subKey, uint32_t options,
                               uint32_t access, HKey* result) {
  HKEY opened = nullptr;
  const LONG rc = RegOpenKeyExW(ToHkey(parent), subKey.c_str(), options, ViewAccess(access),
                                &opened);
  if (result != nullptr) *result = rc == ERROR_SUCCESS ? FromHkey(opened) : 0;
  return rc;
}

int32_t Win32Registry::CreateKey(HKey parent, const std::wstring& subKey, uint32_t options,
                                 uint32_t access, HKey* result, uint32_t* disposition) {
  HKEY created = nullptr;
  DWORD how = 0;
  const LONG rc = RegCreateKeyExW(ToHkey(parent), subKey.c_str(), 0, nullptr, options,
                                  ViewAccess(access), nullptr, &created, &how);
  if (result != nullptr) *result = rc == ERROR_SUCCESS ? FromHkey(created) : 0;
  if (disposition != nullptr) *disposition = rc == ERROR_SUCCESS ? how : 0;
  return rc;
}

int32_t Win32Registry::CloseKey(HKey key) { return RegCloseKey(ToHkey(key)); }

int32_t Win32Registry::QueryInfoKey(HKey key, KeyInfo* info) {
  DWORD subKeys = 0, maxSubKey = 0, values = 0, maxValueName = 0, maxValue = 0;
  const LONG rc = RegQueryInfoKeyW(ToHkey(key), nullptr, nullptr, nullptr, &subKeys, &maxSubKey,
                                   nullptr, &values, &maxValueName, &maxValue, nullptr, nullptr);
  if (rc == ERROR_SUCCESS && info != nullptr) {
    *info = KeyInfo{subKeys, maxSubKey, values, maxValueName, maxValue};
  }
  return rc;
}

int32_t Win32Registry::EnumKey(HKey key, uint32_t index, wchar_t* name, uint32_t* nameChars) {
  DWORD chars = nameChars != nullptr ? *nameChars : 0;
  const LONG rc = RegEnumKeyExW(ToHkey(key), index, name, nameChars != nullptr ? &chars : nullptr,
                                nullptr, nullptr, nullptr, nullptr);
  if (rc == ERROR_SUCCESS && nameChars != nullptr) *nameChars = chars;
  return rc;
}

int32_t Win32Registry::EnumValue(HKey key, uint32_t index, wchar_t* name, uint32_t* nameChars,
                                 uint32_t* type, uint8_t* data, uint32_t* dataBytes) {
  DWORD chars = nameChars != nullptr ? *nameChars : 0;
  DWORD kind = 0;
  DWORD bytes = dataBytes != nullptr ? *dataBytes : 0;
  const LONG rc = RegEnumValueW(ToHkey(key), index, name, nameChars != nullptr ? &chars : nullptr,
                                nullptr, type != nullptr ? &kind : nullptr, data,
                                dataBytes != nullptr ? &bytes : nullptr);
  if (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) {
    if (nameChars != nullptr && rc == ERROR_SUCCESS) *nameChars = chars;
    if (type != nullptr) *type = kind;
    if (dataBytes != nullptr) *dataBytes = bytes;
  }
  return rc;
}

int32_t Win32Registry::QueryValue(HKey key, const wchar_t* name, uint32_t* type, uint8_t* data,
                                  uint32_t* dataBytes) {
  DWORD kind = 0;
  DWORD bytes = dataBytes != nullptr ? *dataBytes : 0;
  const LONG rc = RegQueryValueExW(ToHkey(key), name, nullptr, type != nullptr ? &kind : nullptr,
                                   data, dataBytes != nullptr ? &bytes : nullptr);
  if (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) {
    if (type != nullptr) *type = kind;
    if (dataBytes != nullptr) *dataBytes = bytes;
  }
  return rc;
}

int32_t Win32Registry::SetValue(HKey key, const wchar_t* name, uint32_t type, const uint8_t* data,
                                uint32_t dataBytes) {
  // RegSetValueExW adds a terminator to string data whose next character in
  // memory is NUL; two non-NUL bytes past a copy keep the bytes as given.
  if (data != nullptr && (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ)) {
    std::vector<uint8_t> copy(data, data + dataBytes);
    copy.push_back(0xFF);
    copy.push_back(0xFF);
    return RegSetValueExW(ToHkey(key), name, 0, type, copy.data(), dataBytes);
  }
  return RegSetValueExW(ToHkey(key), name, 0, type, data, dataBytes);
}

int32_t Win32Registry::DeleteValue(HKey key, const wchar_t* name) {
  return RegDeleteValueW(ToHkey(key), name);
}

int32_t Win32Registry::DeleteKey(HKey parent, const std::wstring& subKey) {
  if (nativeView_) {
    // Missing on 32-bit XP, which has no WOW64 either; looked up to load there.
    static const auto deleteKeyEx = SystemProc<RegDeleteKeyExFn>(L"advapi32", "RegDeleteKeyExW");
    if (deleteKeyEx != nullptr) {
      return deleteKeyEx(ToHkey(parent), subKey.c_str(), KEY_WOW64_64KEY, 0);
    }
  }
  return RegDeleteKeyW(ToHkey(parent), subKey.c_str());
}

// RegSaveKeyW never replaces a file on Windows; Wine's would truncate it, and
// leaves an empty file behind when the save fails. Both are kept from here,
// so that a failed save can be retried and an earlier file is never lost.
int32_t Win32Registry::SaveKey(HKey key, const std::wstring& file) {
  if (GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES) return ERROR_ALREADY_EXISTS;
  const LONG rc = RegSaveKeyW(ToHkey(key), file.c_str(), nullptr);
  if (rc != ERROR_SUCCESS) DeleteFileW(file.c_str());
  return rc;
}

int32_t Win32Registry::ReplaceKey(HKey parent, const std::wstring& subKey,
                                  const std::wstring& newFile, const std::wstring& oldFile) {
  return RegReplaceKeyW(ToHkey(parent), OptionalName(subKey), newFile.c_str(), oldFile.c_str());
}

PrivilegeResult Win32Registry::EnablePrivilege(const std::wstring& name) {
  UniqueHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                        token.Receive())) {
    return PrivilegeResult::kTokenFailed;
  }
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (!LookupPrivilegeValueW(nullptr, name.c_str(), &privileges.Privileges[0].Luid)) {
    return PrivilegeResult::kNotFound;
  }
  // AdjustTokenPrivileges succeeds with ERROR_NOT_ALL_ASSIGNED when the token
  // does not hold the privilege at all; that privilege cannot be had either.
  SetLastError(ERROR_SUCCESS);
  if (!AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr) ||
      GetLastError() == ERROR_NOT_ALL_ASSIGNED) {
    return PrivilegeResult::kNotFound;
  }
  return PrivilegeResult::kEnabled;
}

}  // namespace platform::win32
