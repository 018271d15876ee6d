// VersionInfo.dll: the version-information module. Its export with ordinal
// 1 hands out the module, which answers IVersionInfo with the product's name
// and version.
#include <cwchar>
#include <memory>
#include <string>

#include "framework/config_interfaces.h"
#include "framework/module_base.h"
#include "settings/settings_keys.h"

#ifndef LUMORA_VERSION
#define LUMORA_VERSION "0.0.0"
#endif

namespace versioninfo {

using framework::Guid;
using framework::HResult;

namespace {
#define LUMORA_WIDEN2(x) L##x
#define LUMORA_WIDEN(x) LUMORA_WIDEN2(x)
inline constexpr wchar_t kVersion[] = LUMORA_WIDEN(LUMORA_VERSION);

HResult CopyOut(const wchar_t* text, wchar_t* buffer, uint32_t capacity) {
  if (buffer == nullptr) return framework::kPointer;
  const size_t length = std::wcslen(text);
  if (capacity == 0 || length >= capacity) {
    if (capacity > 0) buffer[0] = L'\0';
    return framework::kFail;
  }
  std::wmemcpy(buffer, text, length + 1);
  return framework::kOk;
}
}  // namespace

class CVersionInfoModule : public framework::CHalcynAppModuleBase {
 public:
  CVersionInfoModule() : info_(std::make_unique<InfoPart>(*this)) {}

  HResult LUMORA_COM QueryInterface(const Guid& iid, void** out) override {
    if (out == nullptr) return framework::kPointer;
    if (iid == framework::kIID_IVersionInfo) {
      *out = static_cast<framework::IVersionInfo*>(info_.get());
      return framework::kOk;
    }
    return CHalcynAppModuleBase::QueryInterface(iid, out);
  }

 private:
  class InfoPart : public framework::CModulePart<framework::IVersionInfo, CVersionInfoModule> {
   public:
    using CModulePart::CModulePart;
    HResult LUMORA_COM GetProductName(wchar_t* buffer, uint32_t capacity) override {
      return CopyOut(settings::kProductTitle, buffer, capacity);
    }
    HResult LUMORA_COM GetProductVersion(wchar_t* buffer, uint32_t capacity) override {
      return CopyOut(kVersion, buffer, capacity);
    }
  };

  std::unique_ptr<InfoPart> info_;

 protected:
  ~CVersionInfoModule() override = default;
};

}  // namespace versioninfo

extern "C" framework::IHalcynAppModule* LumoraVersionInfoRootObject() {
  framework::ReleasePtr<versioninfo::CVersionInfoModule> module(
      new versioninfo::CVersionInfoModule());
  return module.release();
}
