// The interfaces of the sibling modules: the configuration module's
// application, page and language interfaces, and the version-information
// module's interface. Operations keep their slot order (the reserved ones
// hold their slots).
#pragma once
#include <cstdint>

#include "framework/module_interfaces.h"

namespace framework {

inline constexpr Guid kIID_IConfigApp = MakeGuid("92EA0EEC-099E-4DB2-A8F4-F79E761039E8");
inline constexpr Guid kIID_IConfigPage = MakeGuid("BA480A98-9FD5-4F62-B806-189AE9939E81");
inline constexpr Guid kIID_IConfigLanguage = MakeGuid("2FB6C7F2-10E0-4A59-9E40-4AEEDCD1486E");
inline constexpr Guid kIID_IVersionInfo = MakeGuid("22149E37-D7BF-406C-A8BF-B59A0BCD304C");

// Keys of GetAppString and SetAppString.
inline constexpr wchar_t kAppStringAppName[] = L"AppName";
inline constexpr wchar_t kAppStringCurrentSkinPath[] = L"CurrentSkinPath";
inline constexpr wchar_t kAppStringSkinPath[] = L"SkinPath";
inline constexpr wchar_t kAppStringInstallDirectory[] = L"InstallDirectory";

// The About box of ShowAbout.
inline constexpr int32_t kAboutBox = 2;

class IConfigPage {
 public:
  virtual HResult LUMORA_COM QueryInterface(const Guid& iid, void** out) = 0;
  virtual uint32_t LUMORA_COM AddRef() = 0;
  virtual uint32_t LUMORA_COM Release() = 0;
  virtual HResult LUMORA_COM ReservedPage3() = 0;
  virtual HResult LUMORA_COM ReservedPage4() = 0;
  // The value, empty when absent. A key written in 8-bit characters gets an
  // 8-bit value (capacity then counts bytes). kFail when it does not fit.
  virtual HResult LUMORA_COM GetAppString(const wchar_t* key, wchar_t* buffer, uint32_t capacity,
                                          int32_t reserved) = 0;
  virtual HResult LUMORA_COM SetAppString(const wchar_t* key, const wchar_t* text,
                                          int32_t reserved) = 0;
  // kind kAboutBox: the About box (used through IConfigApp).
  virtual HResult LUMORA_COM ShowAbout(int32_t kind, int32_t reserved) = 0;
  virtual HResult LUMORA_COM ReservedPage8() = 0;
  virtual int32_t LUMORA_COM GetInt(const wchar_t* section, const wchar_t* key,
                                    int32_t defaultValue, int32_t one, int32_t reserved) = 0;
  virtual HResult LUMORA_COM SetInt(const wchar_t* section, const wchar_t* key, int32_t value,
                                    int32_t reserved1, int32_t reserved2) = 0;
  // As settings::ISettingsStore::GetString: the characters the text needs
  // with its NUL (1 when absent), copied only when that fits; 0 when the
  // store cannot be read. The buffer holds the empty text otherwise.
  virtual uint32_t LUMORA_COM GetString(const wchar_t* section, const wchar_t* key,
                                        wchar_t* buffer, uint32_t capacity, int32_t reserved1,
                                        int32_t reserved2) = 0;
  virtual HResult LUMORA_COM SetString(const wchar_t* section, const wchar_t* key,
                                       const wchar_t* text, int32_t reserved1,
                                       int32_t reserved2) = 0;

 protected:
  ~IConfigPage() = default;
};

class IConfigApp : public IConfigPage {
 public:
  // Opens the help page bundled beside the program.
  virtual HResult LUMORA_COM ShowHelp(WindowHandle owner) = 0;
  virtual HResult LUMORA_COM CheckForUpdate(WindowHandle owner) = 0;

 protected:
  ~IConfigApp() = default;
};

class IConfigLanguage {
 public:
  virtual HResult LUMORA_COM QueryInterface(const Guid& iid, void** out) = 0;
  virtual uint32_t LUMORA_COM AddRef() = 0;
  virtual uint32_t LUMORA_COM Release() = 0;
  virtual HResult LUMORA_COM ReservedLanguage3() = 0;
  virtual HResult LUMORA_COM ReservedLanguage4() = 0;
  virtual HResult LUMORA_COM ReservedLanguage5() = 0;
  virtual HResult LUMORA_COM ReservedLanguage6() = 0;
  virtual HResult LUMORA_COM RegisterWindow(WindowHandle window, const wchar_t* dialogName) = 0;
  virtual HResult LUMORA_COM ReservedLanguage8() = 0;
  // Replaces text (a buffer of at least 128 characters, or of the text's
  // length when longer) by its translation for the dialog name, or for a
  // numeric id passed in its place (a value below 0x10000).
  virtual HResult LUMORA_COM TranslateText(wchar_t* text, const wchar_t* dialogName) = 0;
  virtual HResult LUMORA_COM ReservedLanguage10() = 0;
  virtual HResult LUMORA_COM ReservedLanguage11() = 0;
  virtual HResult LUMORA_COM SetLanguage(uint32_t languageId) = 0;
  // The language's file name, into a buffer of 260 characters.
  virtual HResult LUMORA_COM GetLanguageFile(wchar_t* buffer, uint32_t languageId) = 0;
  // On entry *count is the capacity of ids; on return the number filled.
  virtual HResult LUMORA_COM GetLanguageIds(uint32_t* ids, uint32_t* count) = 0;
  virtual HResult LUMORA_COM GetLanguageId(uint32_t* languageId, int32_t reserved) = 0;

 protected:
  ~IConfigLanguage() = default;
};

class IVersionInfo {
 public:
  virtual HResult LUMORA_COM QueryInterface(const Guid& iid, void** out) = 0;
  virtual uint32_t LUMORA_COM AddRef() = 0;
  virtual uint32_t LUMORA_COM Release() = 0;
  virtual HResult LUMORA_COM GetProductName(wchar_t* buffer, uint32_t capacity) = 0;
  // "1.0.0" and the like.
  virtual HResult LUMORA_COM GetProductVersion(wchar_t* buffer, uint32_t capacity) = 0;

 protected:
  ~IVersionInfo() = default;
};

}  // namespace framework
