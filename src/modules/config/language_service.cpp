#include "modules/config/language_service.h"

#include <algorithm>

#include "platform/text.h"

namespace config {

std::optional<uint32_t> ParseLcid(const std::wstring& text) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  uint64_t value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - L'0');
  }
  if (value == 0 || value > UINT32_MAX) return std::nullopt;
  return static_cast<uint32_t>(value);
}

void LanguageService::Load(platform::IFileSystem& files, const std::wstring& folder,
                           uint32_t preferred) {
  std::vector<platform::FileEntry> entries = files.ListFolder(folder + L"*.cfg");
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
    return platform::CompareNoCase(a.name, b.name) < 0;
  });
  std::vector<Language> languages;
  std::vector<uint32_t> chosen;
  for (const platform::FileEntry& entry : entries) {
    std::vector<uint8_t> bytes;
    if (!files.ReadWholeFile(folder + entry.name, &bytes)) continue;
    IniDocument doc = IniDocument::Parse(bytes, IniDocument::Values::kPlain);
    const auto own = doc.Get(kLanguageInfoSection, kLanguageOwnKey);
    const auto choice = doc.Get(kLanguageInfoSection, kLanguageChosenKey);
    if (choice) {
      if (auto lcid = ParseLcid(*choice)) chosen.push_back(*lcid);
    }
    // A file that does not name its own language is taken to be in the
    // language it records.
    const auto lcid = ParseLcid(own ? *own : choice.value_or(L""));
    if (!lcid) continue;
    const bool duplicate = std::any_of(languages.begin(), languages.end(),
                                       [&](const Language& l) { return l.lcid == *lcid; });
    if (!duplicate) languages.push_back(Language{*lcid, entry.name, std::move(doc)});
  }

  std::lock_guard<std::mutex> lock(mutex_);
  languages_ = std::move(languages);
  current_ = 0;
  for (uint32_t candidate : chosen) {
    if (Find(candidate) != nullptr) {
      current_ = candidate;
      break;
    }
  }
  if (current_ == 0 && Find(preferred) != nullptr) current_ = preferred;
  if (current_ == 0 && Find(kEnglishLcid) != nullptr) current_ = kEnglishLcid;
  if (current_ == 0 && !languages_.empty()) current_ = languages_.front().lcid;
}

std::vector<uint32_t> LanguageService::LanguageIds() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<uint32_t> ids;
  for (const Language& l : languages_) ids.push_back(l.lcid);
  return ids;
}

uint32_t LanguageService::CurrentLanguage() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return current_;
}

bool LanguageService::SetLanguage(uint32_t lcid) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (Find(lcid) == nullptr) return false;
  current_ = lcid;
  return true;
}

std::wstring LanguageService::LanguageFile(uint32_t lcid) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const Language* l = Find(lcid);
  return l != nullptr ? l->fileName : std::wstring();
}

std::optional<std::wstring> LanguageService::Translate(const std::wstring& text,
                                                       const std::wstring& dialog) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const Language* l = Find(current_);
  if (l == nullptr || text.empty()) return std::nullopt;
  // An empty translation counts as none: a text never turns blank.
  if (auto found = l->texts.Get(dialog, text); found && !found->empty()) return found;
  if (auto found = l->texts.Get(kCommonSection, text); found && !found->empty()) return found;
  return std::nullopt;
}

const LanguageService::Language* LanguageService::Find(uint32_t lcid) const {
  for (const Language& l : languages_)
    if (l.lcid == lcid) return &l;
  return nullptr;
}

}  // namespace config
