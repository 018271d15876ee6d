// RAII owners for the kernel handles of the win32 backend.
#pragma once
#include "platform/win32/windows_api.h"

namespace platform::win32 {

// A kernel object handle (files, tokens); INVALID_HANDLE_VALUE and null are empty.
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE h) : h_(h) {}
  ~UniqueHandle() { Reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : h_(other.h_) { other.h_ = nullptr; }
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      h_ = other.h_;
      other.h_ = nullptr;
    }
    return *this;
  }

  bool Valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return h_; }
  HANDLE* Receive() {
    Reset();
    return &h_;
  }
  void Reset() {
    if (Valid()) CloseHandle(h_);
    h_ = nullptr;
  }

 private:
  HANDLE h_ = nullptr;
};

// A FindFirstFileW search.
class UniqueFind {
 public:
  explicit UniqueFind(HANDLE h) : h_(h) {}
  ~UniqueFind() {
    if (Valid()) FindClose(h_);
  }
  UniqueFind(const UniqueFind&) = delete;
  UniqueFind& operator=(const UniqueFind&) = delete;

  bool Valid() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return h_; }

 private:
  HANDLE h_;
};

// An export of a system DLL that may be missing on older Windows, e.g.
// SystemProc<BOOL(WINAPI*)(HANDLE, PBOOL)>("kernel32", "IsWow64Process").
template <typename Fn>
Fn SystemProc(const wchar_t* module, const char* name) {
  // Both DLLs we ask (kernel32, advapi32) are linked in, so already loaded.
  HMODULE m = GetModuleHandleW(module);
  if (m == nullptr) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(m, name)));
}

}  // namespace platform::win32
