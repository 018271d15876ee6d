#include "modules/config/config_module.h"

#include <cstring>
#include <cwchar>

#include "platform/text.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/windows_api.h"

#include <shellapi.h>
#include "settings/settings_keys.h"

namespace config {

using framework::Guid;
using framework::HResult;
using framework::kFail;
using framework::kInvalidArg;
using framework::kNotImpl;
using framework::kOk;
using framework::kPointer;

namespace {
inline constexpr size_t kTranslateMinimumBuffer = 128;
inline constexpr uint32_t kLanguageFileCapacity = 260;

// A key that a caller passed as 8-bit text: its bytes spell name. The
// comparison stops at the first difference, so it never reads past the end
// of a wide key (whose two terminating zero bytes differ from the name).
bool IsNarrowKey(const wchar_t* key, const char* name) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(key);
  for (size_t i = 0;; ++i) {
    if (bytes[i] != static_cast<unsigned char>(name[i])) return false;
    if (name[i] == '\0') return true;
  }
}

std::wstring ContextName(const wchar_t* dialogName) {
  if (dialogName == nullptr) return {};
  const auto value = reinterpret_cast<uintptr_t>(dialogName);
  if (value < 0x10000) return platform::Format(L"#%u", static_cast<unsigned>(value));
  return dialogName;
}
}  // namespace

class CConfigModule::AppPart : public framework::CModulePart<framework::IConfigApp, CConfigModule> {
 public:
  using CModulePart::CModulePart;
  HResult LUMORA_COM ReservedPage3() override { return kNotImpl; }
  HResult LUMORA_COM ReservedPage4() override { return kNotImpl; }
  HResult LUMORA_COM GetAppString(const wchar_t* key, wchar_t* buffer, uint32_t capacity,
                                  int32_t) override {
    return owner_.GetAppString(key, buffer, capacity);
  }
  HResult LUMORA_COM SetAppString(const wchar_t* key, const wchar_t* text, int32_t) override {
    return owner_.SetAppString(key, text);
  }
  HResult LUMORA_COM ShowAbout(int32_t kind, int32_t) override { return owner_.ShowAbout(kind); }
  HResult LUMORA_COM ReservedPage8() override { return kNotImpl; }
  int32_t LUMORA_COM GetInt(const wchar_t* section, const wchar_t* key, int32_t defaultValue,
                            int32_t, int32_t) override {
    return owner_.store_.GetInt(section, key, defaultValue);
  }
  HResult LUMORA_COM SetInt(const wchar_t* section, const wchar_t* key, int32_t value, int32_t,
                            int32_t) override {
    return owner_.store_.SetInt(section, key, value) ? kOk : kFail;
  }
  uint32_t LUMORA_COM GetString(const wchar_t* section, const wchar_t* key, wchar_t* buffer,
                                uint32_t capacity, int32_t, int32_t) override {
    const size_t needed = owner_.store_.GetString(section, key, buffer, capacity);
    return needed > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(needed);
  }
  HResult LUMORA_COM SetString(const wchar_t* section, const wchar_t* key, const wchar_t* text,
                               int32_t, int32_t) override {
    if (text == nullptr) return kPointer;
    return owner_.store_.SetString(section, key, text) ? kOk : kFail;
  }
  HResult LUMORA_COM ShowHelp(framework::WindowHandle owner) override {
    return owner_.ShowHelp(owner);
  }
  HResult LUMORA_COM CheckForUpdate(framework::WindowHandle owner) override {
    return owner_.CheckForUpdate(owner);
  }
};

class CConfigModule::LanguagePart : public framework::CModulePart<framework::IConfigLanguage, CConfigModule> {
 public:
  using CModulePart::CModulePart;
  HResult LUMORA_COM ReservedLanguage3() override { return kNotImpl; }
  HResult LUMORA_COM ReservedLanguage4() override { return kNotImpl; }
  HResult LUMORA_COM ReservedLanguage5() override { return kNotImpl; }
  HResult LUMORA_COM ReservedLanguage6() override { return kNotImpl; }
  HResult LUMORA_COM RegisterWindow(framework::WindowHandle, const wchar_t*) override { return kOk; }
  HResult LUMORA_COM ReservedLanguage8() override { return kNotImpl; }
  HResult LUMORA_COM TranslateText(wchar_t* text, const wchar_t* dialogName) override {
    return owner_.TranslateText(text, dialogName);
  }
  HResult LUMORA_COM ReservedLanguage10() override { return kNotImpl; }
  HResult LUMORA_COM ReservedLanguage11() override { return kNotImpl; }
  HResult LUMORA_COM SetLanguage(uint32_t languageId) override {
    return owner_.languages_.SetLanguage(languageId) ? kOk : kInvalidArg;
  }
  HResult LUMORA_COM GetLanguageFile(wchar_t* buffer, uint32_t languageId) override {
    if (buffer == nullptr) return kPointer;
    buffer[0] = L'\0';
    const std::wstring file = owner_.languages_.LanguageFile(languageId);
    if (file.empty() || file.size() >= kLanguageFileCapacity) return kInvalidArg;
    std::wmemcpy(buffer, file.c_str(), file.size() + 1);
    return kOk;
  }
  HResult LUMORA_COM GetLanguageIds(uint32_t* ids, uint32_t* count) override {
    if (count == nullptr || (ids == nullptr && *count > 0)) return kPointer;
    const std::vector<uint32_t> all = owner_.languages_.LanguageIds();
    uint32_t n = 0;
    for (; n < all.size() && n < *count; ++n) ids[n] = all[n];
    *count = n;
    return kOk;
  }
  HResult LUMORA_COM GetLanguageId(uint32_t* languageId, int32_t) override {
    if (languageId == nullptr) return kPointer;
    *languageId = owner_.languages_.CurrentLanguage();
    return kOk;
  }
};

CConfigModule::CConfigModule(std::wstring installFolder, std::wstring settingsPath)
    : installFolder_(std::move(installFolder)),
      store_(std::move(settingsPath)),
      app_(std::make_unique<AppPart>(*this)),
      language_(std::make_unique<LanguagePart>(*this)) {}

CConfigModule::~CConfigModule() = default;

HResult LUMORA_COM CConfigModule::QueryInterface(const Guid& iid, void** out) {
  if (out == nullptr) return kPointer;
  if (iid == framework::kIID_IConfigApp) {
    *out = static_cast<framework::IConfigApp*>(app_.get());
  } else if (iid == framework::kIID_IConfigPage) {
    *out = static_cast<framework::IConfigPage*>(app_.get());
  } else if (iid == framework::kIID_IConfigLanguage) {
    *out = static_cast<framework::IConfigLanguage*>(language_.get());
  } else {
    return CHalcynAppModuleBase::QueryInterface(iid, out);
  }
  return kOk;
}

HResult LUMORA_COM CConfigModule::Initialize() {
  languages_.Load(platform::win32::Win32Platform().files, installFolder_,
                  GetUserDefaultUILanguage());
  return kOk;
}

HResult CConfigModule::GetAppString(const wchar_t* key, wchar_t* buffer, uint32_t capacity) {
  if (key == nullptr || buffer == nullptr) return kPointer;
  const bool narrow = IsNarrowKey(key, "CurrentSkinPath");
  std::wstring value;
  if (narrow || platform::EqualsNoCase(key, framework::kAppStringCurrentSkinPath)) {
    value = settings::ReadWholeString(store_, kAppStringSection,
                                      framework::kAppStringCurrentSkinPath);
  } else if (platform::EqualsNoCase(key, framework::kAppStringAppName)) {
    value = settings::kProductTitle;
  } else if (platform::EqualsNoCase(key, framework::kAppStringInstallDirectory)) {
    value = installFolder_;
  } else {
    value = settings::ReadWholeString(store_, kAppStringSection, key);
  }
  if (narrow) {
    auto* out = reinterpret_cast<char*>(buffer);
    if (capacity == 0) return kFail;
    out[0] = '\0';
    if (value.empty()) return kOk;
    const int n = WideCharToMultiByte(CP_ACP, 0, value.c_str(), static_cast<int>(value.size()) + 1,
                                      out, static_cast<int>(capacity), nullptr, nullptr);
    if (n == 0) out[0] = '\0';
    return n == 0 ? kFail : kOk;
  }
  if (capacity == 0) return kFail;
  buffer[0] = L'\0';
  if (value.size() >= capacity) return kFail;  // nothing half-copied
  std::wmemcpy(buffer, value.c_str(), value.size() + 1);
  return kOk;
}

HResult CConfigModule::SetAppString(const wchar_t* key, const wchar_t* text) {
  if (key == nullptr || text == nullptr) return kPointer;
  if (platform::EqualsNoCase(key, framework::kAppStringAppName) ||
      platform::EqualsNoCase(key, framework::kAppStringInstallDirectory))
    return kInvalidArg;  // fixed by the installation
  return store_.SetString(kAppStringSection, key, text) ? kOk : kFail;
}

std::wstring CConfigModule::Translated(const wchar_t* text, const wchar_t* dialogName) {
  return languages_.Translate(text, ContextName(dialogName)).value_or(text);
}

HResult CConfigModule::TranslateText(wchar_t* text, const wchar_t* dialogName) {
  if (text == nullptr) return kPointer;
  const size_t length = std::wcslen(text);
  const auto translation = languages_.Translate(text, ContextName(dialogName));
  // The caller's buffer holds at least 128 characters, or the text itself;
  // a longer translation is not cut short but left out.
  const size_t capacity = std::max(kTranslateMinimumBuffer, length + 1);
  if (translation && translation->size() < capacity)
    std::wmemcpy(text, translation->c_str(), translation->size() + 1);
  return kOk;
}

HResult CConfigModule::ShowAbout(int32_t kind) {
  if (kind != framework::kAboutBox) return kInvalidArg;
  std::wstring name = settings::kProductTitle;
  std::wstring version;
  if (auto* info = QueryModule<framework::IVersionInfo>(framework::kVersionInfoModuleId,
                                                         framework::kIID_IVersionInfo)) {
    wchar_t buffer[260] = {};
    if (framework::Succeeded(info->GetProductName(buffer, 260))) name = buffer;
    if (framework::Succeeded(info->GetProductVersion(buffer, 260))) version = buffer;
  }
  std::wstring text = name;
  if (!version.empty()) text += L"\r\n" + Translated(L"Version", L"AboutDlg") + L" " + version;
  const std::wstring caption = Translated(L"About", L"AboutDlg") + L" " + name;
  MessageBoxW(GetActiveWindow(), text.c_str(), caption.c_str(), MB_OK | MB_ICONINFORMATION);
  return kOk;
}

HResult CConfigModule::ShowHelp(framework::WindowHandle owner) {
  const std::wstring page = installFolder_ + kHelpFileName;
  const DWORD attributes = GetFileAttributesW(page.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return kFail;
  const auto result = reinterpret_cast<intptr_t>(ShellExecuteW(
      static_cast<HWND>(owner), L"open", page.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return result > 32 ? kOk : kFail;
}

HResult CConfigModule::CheckForUpdate(framework::WindowHandle owner) {
  const std::wstring text = Translated(
      L"No update service is configured. New versions are published where you obtained this "
      L"program.",
      L"UpdateDlg");
  MessageBoxW(static_cast<HWND>(owner), text.c_str(), settings::kProductTitle,
              MB_OK | MB_ICONINFORMATION);
  return kOk;
}

std::wstring ThisModuleFolder() {
  HMODULE self = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                         GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ThisModuleFolder), &self);
  wchar_t path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  std::wstring folder(path, n);
  const size_t slash = folder.rfind(L'\\');
  return slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash + 1);
}

}  // namespace config
