// Helpers of the win32 backend's tests: the facts of the Wine prefix the test
// runs in, and raw registry access as a witness independent of the backend.
#pragma once
#include <string>

#include "platform/win32/windows_api.h"

namespace platform::win32::testing {

// From LUMORA_WINE_KIND (win64: our 32-bit process under WOW64); where it is
// not set, from a raw IsWow64Process call.
inline bool ExpectWow64() {
  wchar_t kind[16] = {};
  if (GetEnvironmentVariableW(L"LUMORA_WINE_KIND", kind, 16) != 0) {
    return std::wstring(kind) == L"win64";
  }
  using Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
  auto fn = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "IsWow64Process")));
  BOOL wow64 = FALSE;
  return fn != nullptr && fn(GetCurrentProcess(), &wow64) && wow64;
}

class RawKey {
 public:
  RawKey() = default;
  ~RawKey() {
    if (h_ != nullptr) RegCloseKey(h_);
  }
  RawKey(const RawKey&) = delete;
  RawKey& operator=(const RawKey&) = delete;
  HKEY* Receive() { return &h_; }
  HKEY Get() const { return h_; }

 private:
  HKEY h_ = nullptr;
};

// RegOpenKeyExW with an explicit view (KEY_WOW64_32KEY or KEY_WOW64_64KEY).
inline bool RawKeyExists(HKEY root, const std::wstring& path, REGSAM view) {
  RawKey key;
  return RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, key.Receive()) == ERROR_SUCCESS;
}

inline void RawDeleteKey(HKEY root, const std::wstring& path, REGSAM view) {
  RegDeleteKeyExW(root, path.c_str(), view, 0);
}

}  // namespace platform::win32::testing
