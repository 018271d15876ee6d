#include "scan/scanners_shell.h"

#include "platform/text.h"
#include "platform/win32_constants.h"
#include "scan/scan_toolkit.h"
#include "scan/scan_types.h"
#include "scan/scanners_common.h"

namespace NSTorvane {

using NSRegKeyEx::CRegKeyEx;

namespace {

const std::wstring kRecentDocs =
    L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RecentDocs";
const std::wstring kFonts =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const std::wstring kHelpKeys[] = {L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\HTML Help",
                                  L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\Help"};
const std::wstring kSoundApps = L"HKEY_CURRENT_USER\\AppEvents\\Schemes\\Apps";

}  // namespace

// ---- recent documents ----

void CPurvexRecentDocs::Scan() {
  CPurvexImpl::Scan();
  platform::Platform& p = GetPlatform();
  std::wstring recent;
  if (!p.environment.GetSpecialFolder(platform::kCsidlRecent, &recent)) recent.clear();
  CRegKeyEx key(p);
  if (!key.Open(kRecentDocs)) return;
  WalkSubKeys(key, EachPass(), [&](const std::wstring& type) {
    CRegKeyEx list(p);
    if (!key.OpenSubKey(type, list)) return;
    WalkValues(list, NoProgress(), [&](const RegValue& value) {
      if (value.type != platform::kRegBinary || !IsDigitsOnly(value.name) || value.size == 0)
        return;
      std::wstring document;
      if (!AppendRegText(document, value.data, value.size)) return;
      const std::wstring shortcut =
          platform::Format(L"%ls\\%ls.lnk", recent.c_str(), document.c_str());
      if (!IsCommandPresent(*this, shortcut))
        ReportProblem(kMissingRecDocRef, shortcut, list.GetPath(), value.name);
    });
  });
  ReportProgress(100);
}

// ---- fonts ----

void CPurvexFonts::Scan() {
  CPurvexImpl::Scan();
  platform::Platform& p = GetPlatform();
  CRegKeyEx key(p);
  if (!OpenForValueWalk(key, kFonts)) return;
  // Looked up once: every font not found by name alone is tried in it.
  std::wstring folder;
  const bool haveFolder = p.environment.GetSpecialFolder(platform::kCsidlFonts, &folder);
  WalkValues(key, EachPass(), [&](const RegValue& value) {
    if (value.type != platform::kRegSz) return;
    const std::wstring file = value.Text();
    if (file.empty() || IsCommandPresent(*this, file) || !haveFolder) return;
    const std::wstring inFolder = platform::Format(L"%ls\\%ls", folder.c_str(), file.c_str());
    if (!IsEmptyOrPresent(*this, inFolder)) ReportProblem(kFontIssue, file, kFonts, value.name);
  });
  ReportProgress(100);
}

// ---- help files ----

void CPurvexHelp::Scan() {
  CPurvexImpl::Scan();
  constexpr uint32_t kKeys = 2;
  for (uint32_t k = 0; k < kKeys && !Cancelled(); ++k) {
    CRegKeyEx key(GetPlatform());
    if (!OpenForValueWalk(key, kHelpKeys[k])) continue;
    WalkValues(key, KeyOfKeys(k, kKeys), [&](const RegValue& value) {
      if (value.type != platform::kRegSz) return;
      const std::wstring& file = value.name;
      const std::wstring folder = value.Text();
      if (folder.empty() || file.empty()) return;
      if (IsCommandPresent(*this, file)) return;
      if (IsEmptyOrPresent(*this, folder) && IsEmptyOrPresent(*this, folder + L"\\" + file)) return;
      ReportProblem(kHelpIssue, folder, key.GetPath(), file);
    });
  }
  ReportProgress(100);
}

// ---- sound events ----

void CPurvexSound::Scan() {
  CPurvexImpl::Scan();
  WalkSoundKey(kSoundApps);
  ReportProgress(100);
}

void CPurvexSound::WalkSoundKey(const std::wstring& path) {
  if (Cancelled()) return;
  CRegKeyEx key(GetPlatform());
  if (!key.Open(path)) return;
  WalkSubKeys(key, NoProgress(), [&](const std::wstring& name) {
    const std::wstring child = path + L"\\" + name;
    if (!platform::EqualsNoCase(name, L".Current") && !platform::EqualsNoCase(name, L".Modified")) {
      WalkSoundKey(child);
      return;
    }
    CRegKeyEx scheme(GetPlatform());
    std::wstring sound;
    if (key.OpenSubKey(name, scheme) && scheme.QueryStringValue(L"", sound) && !sound.empty() &&
        !IsEmptyOrPresent(*this, sound))
      ReportProblem(kInvalidSoudFileRef, sound, child, L"");
  });
}

}  // namespace NSTorvane
