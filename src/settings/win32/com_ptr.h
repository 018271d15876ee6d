// Small owners for COM: the apartment of the calling thread, interface
// pointers and task-allocator strings.
#pragma once
#include <objbase.h>

#include <utility>

namespace settings::win32 {

// CoInitializeEx for the lifetime of the object; a thread already in another
// apartment model keeps it (and is still usable).
class ComApartment {
 public:
  explicit ComApartment(DWORD model = COINIT_APARTMENTTHREADED)
      : result_(CoInitializeEx(nullptr, model)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

  bool Usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }
  HRESULT Result() const { return result_; }

 private:
  HRESULT result_;
};

template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { Reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }

  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For out arguments: releases what is held first.
  T** Put() {
    Reset();
    return &p_;
  }
  IUnknown** PutUnknown() { return reinterpret_cast<IUnknown**>(Put()); }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }
  void Reset() {
    if (p_ != nullptr) std::exchange(p_, nullptr)->Release();
  }

 private:
  T* p_ = nullptr;
};

// Memory the callee allocated with CoTaskMemAlloc.
template <class T>
class CoTaskMemory {
 public:
  CoTaskMemory() = default;
  ~CoTaskMemory() { CoTaskMemFree(p_); }
  CoTaskMemory(const CoTaskMemory&) = delete;
  CoTaskMemory& operator=(const CoTaskMemory&) = delete;

  T** Put() {
    CoTaskMemFree(std::exchange(p_, nullptr));
    return &p_;
  }
  T* Get() const { return p_; }

 private:
  T* p_ = nullptr;
};

// A string the callee allocated with CoTaskMemAlloc.
class CoTaskString {
 public:
  CoTaskString() = default;
  ~CoTaskString() { CoTaskMemFree(p_); }
  CoTaskString(const CoTaskString&) = delete;
  CoTaskString& operator=(const CoTaskString&) = delete;

  LPWSTR* Put() {
    CoTaskMemFree(std::exchange(p_, nullptr));
    return &p_;
  }
  const wchar_t* Get() const { return p_ != nullptr ? p_ : L""; }

 private:
  LPWSTR p_ = nullptr;
};

}  // namespace settings::win32
