// The language service: the language files "*.cfg" of the installation
// folder. Each file names its own language under [LanguageInfo]
// "Language" (a decimal LCID) and the language chosen for the program
// under [LanguageInfo] "LCID" (the settings page writes the choice into
// every file); its other sections are dialog names holding
// "English text=translation" lines, with [Common] for texts of any dialog.
// Safe to use from several threads.
#pragma once
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "modules/config/ini_document.h"
#include "platform/file_system.h"

namespace config {

inline constexpr uint32_t kEnglishLcid = 1033;
inline constexpr wchar_t kLanguageInfoSection[] = L"LanguageInfo";
inline constexpr wchar_t kLanguageChosenKey[] = L"LCID";
inline constexpr wchar_t kLanguageOwnKey[] = L"Language";
inline constexpr wchar_t kCommonSection[] = L"Common";

class LanguageService {
 public:
  // folder ends with a backslash. preferred: the language to use when no
  // file records a choice (the user's interface language).
  void Load(platform::IFileSystem& files, const std::wstring& folder, uint32_t preferred);

  std::vector<uint32_t> LanguageIds() const;
  uint32_t CurrentLanguage() const;
  // False (and no change) for a language without a file.
  bool SetLanguage(uint32_t lcid);
  // File name (without folder) of the language's file; empty when none.
  std::wstring LanguageFile(uint32_t lcid) const;
  // The translation of text for the dialog name, if the current language
  // has one.
  std::optional<std::wstring> Translate(const std::wstring& text, const std::wstring& dialog) const;

 private:
  struct Language {
    uint32_t lcid = 0;
    std::wstring fileName;
    IniDocument texts;
  };
  const Language* Find(uint32_t lcid) const;

  mutable std::mutex mutex_;
  std::vector<Language> languages_;  // by file name
  uint32_t current_ = 0;
};

// A decimal LCID; nullopt unless the whole text is a number in 1..0xFFFFFFFF.
std::optional<uint32_t> ParseLcid(const std::wstring& text);

}  // namespace config
