// A registry that passes every call through and lets a test look at chosen
// moments: just before a deletion, and just after a save or a replacement
// (the files, the calling thread's view).
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "platform/registry.h"

namespace test_support {

class ObservingRegistry : public platform::IRegistry {
 public:
  explicit ObservingRegistry(platform::IRegistry& inner) : inner_(inner) {}

  // Before each value or key deletion reaches the inner registry.
  std::function<void()> beforeDelete;
  // After the inner call, with its result.
  std::function<void(const std::wstring& file, int32_t rc)> afterSave;
  std::function<void(const std::wstring& newFile, const std::wstring& oldFile, int32_t rc)>
      afterReplace;

  int32_t OpenKey(platform::HKey parent, const std::wstring& subKey, uint32_t options,
                  uint32_t access, platform::HKey* result) override {
    return inner_.OpenKey(parent, subKey, options, access, result);
  }
  int32_t CreateKey(platform::HKey parent, const std::wstring& subKey, uint32_t options,
                    uint32_t access, platform::HKey* result, uint32_t* disposition) override {
    return inner_.CreateKey(parent, subKey, options, access, result, disposition);
  }
  int32_t CloseKey(platform::HKey key) override { return inner_.CloseKey(key); }
  int32_t QueryInfoKey(platform::HKey key, platform::KeyInfo* info) override {
    return inner_.QueryInfoKey(key, info);
  }
  int32_t EnumKey(platform::HKey key, uint32_t index, wchar_t* name, uint32_t* nameChars) override {
    return inner_.EnumKey(key, index, name, nameChars);
  }
  int32_t EnumValue(platform::HKey key, uint32_t index, wchar_t* name, uint32_t* nameChars,
                    uint32_t* type, uint8_t* data, uint32_t* dataBytes) override {
    return inner_.EnumValue(key, index, name, nameChars, type, data, dataBytes);
  }
  int32_t QueryValue(platform::HKey key, const wchar_t* name, uint32_t* type, uint8_t* data,
                     uint32_t* dataBytes) override {
    return inner_.QueryValue(key, name, type, data, dataBytes);
  }
  int32_t SetValue(platform::HKey key, const wchar_t* name, uint32_t type, const uint8_t* data,
                   uint32_t dataBytes) override {
    return inner_.SetValue(key, name, type, data, dataBytes);
  }
  int32_t DeleteValue(platform::HKey key, const wchar_t* name) override {
    if (beforeDelete) beforeDelete();
    return inner_.DeleteValue(key, name);
  }
  int32_t DeleteKey(platform::HKey parent, const std::wstring& subKey) override {
    if (beforeDelete) beforeDelete();
    return inner_.DeleteKey(parent, subKey);
  }
  int32_t SaveKey(platform::HKey key, const std::wstring& file) override {
    const int32_t rc = inner_.SaveKey(key, file);
    if (afterSave) afterSave(file, rc);
    return rc;
  }
  int32_t ReplaceKey(platform::HKey parent, const std::wstring& subKey, const std::wstring& newFile,
                     const std::wstring& oldFile) override {
    const int32_t rc = inner_.ReplaceKey(parent, subKey, newFile, oldFile);
    if (afterReplace) afterReplace(newFile, oldFile, rc);
    return rc;
  }
  platform::PrivilegeResult EnablePrivilege(const std::wstring& name) override {
    return inner_.EnablePrivilege(name);
  }

 private:
  platform::IRegistry& inner_;
};

}  // namespace test_support
