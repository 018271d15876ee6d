// The backends the platform contract suite runs against: always the
// in-memory one; in the Windows build also the real system. Each test gets a
// scratch registry key and a scratch folder, built and removed through the
// platform interfaces themselves.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/memory/memory_platform.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "platform/win32_constants.h"

#ifdef _WIN32
#include "platform/win32/win32_platform.h"
#include "platform/win32/windows_api.h"
#endif

namespace platform::contract {

class Backend {
 public:
  virtual ~Backend() = default;
  virtual Platform& Get() = 0;
  virtual bool Real() const = 0;
  // The in-memory platform, or null for the real one.
  virtual memory::MemoryPlatform* Memory() { return nullptr; }
  // Test set-up that the interfaces do not offer.
  virtual void SetVariable(const std::wstring& name, const std::wstring& value) = 0;
  virtual void SetCurrentFolder(const std::wstring& folder) = 0;
  virtual void RemoveFolder(const std::wstring& folder) = 0;
  virtual std::wstring TempFolder() = 0;
  virtual unsigned UniqueNumber() = 0;
};

class MemoryBackend : public Backend {
 public:
  MemoryBackend() { mem_.files.AddFolder(L"C:\\Users\\user\\AppData\\Local\\Temp"); }
  Platform& Get() override { return mem_.view; }
  bool Real() const override { return false; }
  memory::MemoryPlatform* Memory() override { return &mem_; }
  void SetVariable(const std::wstring& name, const std::wstring& value) override {
    if (value.empty()) mem_.environment.UnsetVariable(name);
    else mem_.environment.SetVariable(name, value);
  }
  void SetCurrentFolder(const std::wstring& folder) override { mem_.files.SetCurrentFolder(folder); }
  void RemoveFolder(const std::wstring& folder) override { mem_.files.Remove(folder); }
  std::wstring TempFolder() override { return L"C:\\Users\\user\\AppData\\Local\\Temp"; }
  unsigned UniqueNumber() override { return 1; }

 private:
  memory::MemoryPlatform mem_;
};

#ifdef _WIN32
// True under Wine, where ntdll exports wine_get_version.
inline bool RunningUnderWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

class Win32Backend : public Backend {
 public:
  Win32Backend() {
    wchar_t buffer[MAX_PATH + 1] = {};
    GetCurrentDirectoryW(MAX_PATH, buffer);
    savedCurrent_ = buffer;
  }
  ~Win32Backend() override {
    SetCurrentDirectoryW(savedCurrent_.c_str());
    for (const auto& [name, value] : savedVariables_)
      SetEnvironmentVariableW(name.c_str(), value.empty() ? nullptr : value.c_str());
  }
  Platform& Get() override { return win32::Win32Platform(); }
  bool Real() const override { return true; }
  void SetVariable(const std::wstring& name, const std::wstring& value) override {
    std::wstring old;
    Get().environment.GetVariable(name, &old);
    savedVariables_.insert(savedVariables_.begin(), {name, old});
    SetEnvironmentVariableW(name.c_str(), value.empty() ? nullptr : value.c_str());
  }
  void SetCurrentFolder(const std::wstring& folder) override {
    SetCurrentDirectoryW(folder.c_str());
  }
  void RemoveFolder(const std::wstring& folder) override {
    for (const auto& entry : Get().files.ListFolder(folder + L"\\*")) {
      const std::wstring path = folder + L"\\" + entry.name;
      if (entry.attributes & kFileAttributeDirectory) RemoveFolder(path);
      else Get().files.DeleteFile(path);
    }
    RemoveDirectoryW(folder.c_str());
  }
  std::wstring TempFolder() override {
    std::wstring temp;
    Get().environment.GetVariable(L"TEMP", &temp);
    while (!temp.empty() && temp.back() == L'\\') temp.pop_back();
    return temp;
  }
  unsigned UniqueNumber() override { return GetCurrentProcessId(); }

 private:
  std::wstring savedCurrent_;
  std::vector<std::pair<std::wstring, std::wstring>> savedVariables_;
};
#endif

struct BackendFactory {
  std::string name;
  std::function<std::unique_ptr<Backend>()> make;
};

inline std::vector<BackendFactory> Backends() {
  std::vector<BackendFactory> list;
  list.push_back({"memory", [] { return std::make_unique<MemoryBackend>(); }});
#ifdef _WIN32
  list.push_back({"win32", [] { return std::make_unique<Win32Backend>(); }});
#endif
  return list;
}

inline void PrintTo(const BackendFactory& factory, std::ostream* os) { *os << factory.name; }

inline std::string BackendName(const testing::TestParamInfo<BackendFactory>& info) {
  return info.param.name;
}

// Removes a key and everything below it through the registry interface.
inline void DeleteTree(IRegistry& reg, HKey parent, const std::wstring& name) {
  HKey key = 0;
  if (reg.OpenKey(parent, name, 0, kKeyRead, &key) != kErrorSuccess) return;
  std::vector<std::wstring> children;
  for (uint32_t i = 0;; ++i) {
    wchar_t child[256];
    uint32_t chars = 256;
    if (reg.EnumKey(key, i, child, &chars) != kErrorSuccess) break;
    children.emplace_back(child, chars);
  }
  for (const auto& child : children) DeleteTree(reg, key, child);
  reg.CloseKey(key);
  reg.DeleteKey(parent, name);
}

// A scratch key HKCU\Software\LumoraContractTest\<unique> and a scratch
// folder in the temp folder, for each test.
class ContractTest : public testing::TestWithParam<BackendFactory> {
 protected:
  void SetUp() override {
    backend_ = GetParam().make();
    const std::wstring unique =
        Format(L"%u-%ls", backend_->UniqueNumber(),
               FromUtf8(testing::UnitTest::GetInstance()->current_test_info()->name()).c_str());
    for (auto& c : keyName_ = L"Software\\LumoraContractTest\\" + unique)
      if (c == L'/') c = L'_';
    HKey key = 0;
    ASSERT_EQ(Reg().CreateKey(kHKeyCurrentUser, keyName_, 0, kKeyAllAccess, &key, nullptr),
              kErrorSuccess);
    scratch_ = key;
    folder_ = backend_->TempFolder() + L"\\lumora-contract-" + unique;
    for (auto& c : folder_)
      if (c == L'/') c = L'_';
    backend_->RemoveFolder(folder_);
    ASSERT_TRUE(Files().CreateFolder(folder_));
  }

  void TearDown() override {
    if (!backend_) return;
    if (scratch_) Reg().CloseKey(scratch_);
    for (HKey h : extra_) Reg().CloseKey(h);
    DeleteTree(Reg(), kHKeyCurrentUser, keyName_);
    HKey parent = 0;
    if (Reg().OpenKey(kHKeyCurrentUser, L"Software", 0, kKeyAllAccess, &parent) == kErrorSuccess) {
      Reg().DeleteKey(parent, L"LumoraContractTest");  // fails while others use it
      Reg().CloseKey(parent);
    }
    backend_->RemoveFolder(folder_);
    if (auto* mem = backend_->Memory()) {
      EXPECT_EQ(mem->registry.OpenHandleCount(), 0u) << "a handle was left open";
    }
  }

  IRegistry& Reg() { return backend_->Get().registry; }
  IFileSystem& Files() { return backend_->Get().files; }
  IEnvironment& Env() { return backend_->Get().environment; }
  bool UnderWine() const {
#ifdef _WIN32
    return backend_->Real() && RunningUnderWine();
#else
    return false;
#endif
  }

  // A subkey of the scratch key, created with full access; closed at the end.
  HKey Make(const std::wstring& path, HKey parent = 0) {
    HKey key = 0;
    EXPECT_EQ(Reg().CreateKey(parent ? parent : scratch_, path, 0, kKeyAllAccess, &key, nullptr),
              kErrorSuccess)
        << ToUtf8(path);
    extra_.push_back(key);
    return key;
  }
  void SetBytes(HKey key, const wchar_t* name, uint32_t type, const std::vector<uint8_t>& bytes) {
    ASSERT_EQ(Reg().SetValue(key, name, type, bytes.data(), static_cast<uint32_t>(bytes.size())),
              kErrorSuccess);
  }
  std::vector<std::wstring> SubKeys(HKey key) {
    std::vector<std::wstring> names;
    for (uint32_t i = 0;; ++i) {
      wchar_t name[256];
      uint32_t chars = 256;
      if (Reg().EnumKey(key, i, name, &chars) != kErrorSuccess) break;
      names.emplace_back(name, chars);
    }
    return names;
  }
  std::wstring Path(const std::wstring& name) const { return folder_ + L"\\" + name; }
  void Write(const std::wstring& name, const std::string& text) {
    ASSERT_TRUE(Files().WriteWholeFile(Path(name), text.data(), text.size())) << ToUtf8(name);
  }
  std::string Read(const std::wstring& name) {
    std::vector<uint8_t> bytes;
    if (!Files().ReadWholeFile(Path(name), &bytes)) return "<missing>";
    return std::string(bytes.begin(), bytes.end());
  }

  std::unique_ptr<Backend> backend_;
  std::wstring keyName_;
  HKey scratch_ = 0;
  std::vector<HKey> extra_;
  std::wstring folder_;
};

}  // namespace platform::contract
