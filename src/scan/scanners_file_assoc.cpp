#include "scan/scanners_file_assoc.h"

#include "platform/text.h"
#include "scan/scan_toolkit.h"
#include "scan/scan_types.h"

namespace NSTorvane {

using NSRegKeyEx::CRegKeyEx;

namespace {

const std::wstring kClassesRoot = L"HKEY_CLASSES_ROOT";
const std::wstring kFileExts =
    L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";
const std::wstring kMuiCacheWin7 =
    L"HKEY_CURRENT_USER\\Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\"
    L"MuiCache";
const std::wstring kMuiCacheOther =
    L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache";

bool IsExtensionName(const std::wstring& name) { return !name.empty() && name[0] == L'.'; }

}  // namespace

void CPurvexFileExts::Scan() {
  CPurvexImpl::Scan();
  platform::Platform& p = GetPlatform();
  CRegKeyEx key(p);
  if (!key.Open(kFileExts)) return;
  WalkSubKeys(
      key, EachPass(),
      [&](const std::wstring& ext) {
        if (!IsExtensionName(ext)) return;
        SendScanItem(kFileExts + L"\\" + ext);
        // One emptiness check per location: an empty key is one problem.
        if (NSRegKeyEx::KeyIsEmpty(p, {kFileExts, ext}))
          ReportProblem(kUnusedFileExt, ext, kFileExts + L"\\" + ext, kWholeKey);
        if (NSRegKeyEx::KeyIsEmpty(p, {kClassesRoot, ext}))
          ReportProblem(kUnusedFileExt, ext, kClassesRoot + L"\\" + ext, kWholeKey);
      },
      ItemText::kNone);
  ReportProgress(100);
}

void CPurvexMUICache::Scan() {
  CPurvexImpl::Scan();
  const std::wstring& path = GetOsVersionCode(GetPlatform()) == kOsWin7 ? kMuiCacheWin7 : kMuiCacheOther;
  CRegKeyEx key(GetPlatform());
  if (!OpenForValueWalk(key, path)) return;
  WalkValueNames(key, EachPass(), [&](const std::wstring& program) {
    if ((!program.empty() && program[0] == L'@') || platform::EqualsNoCase(program, L"LangID"))
      return;
    if (!IsEmptyOrPresent(*this, program)) ReportProblem(kMissingMUIRef, L"", path, program);
  });
  ReportProgress(100);
}

void CPurvexFileAssoc::Scan() {
  CPurvexImpl::Scan();
  platform::Platform& p = GetPlatform();
  CRegKeyEx root(p);
  if (!root.Open(kClassesRoot)) return;
  WalkSubKeys(root, EachPass(), [&](const std::wstring& name) {
    CRegKeyEx key(p);
    if (!root.OpenSubKey(name, key)) return;
    const std::wstring path = kClassesRoot + L"\\" + name;
    if (key.subKeyCount == 0 && key.valueCount == 0)
      ReportProblem(kInvalidFileAssoc, name, path, kWholeKey);
    if (!IsExtensionName(name)) return;
    std::wstring progId;
    if (key.QueryStringValue(L"", progId) && !progId.empty() &&
        !NSRegKeyEx::KeyExists(p, kClassesRoot + L"\\" + progId)) {
      ReportProblem(kInvalidFileAssoc, name, path, kWholeKey);
    }
  });
  // The last percent sent is that of the last class key.
}

}  // namespace NSTorvane
