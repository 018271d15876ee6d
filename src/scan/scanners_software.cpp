#include "scan/scanners_software.h"

#include "platform/text.h"
#include "platform/win32_constants.h"
#include "scan/scan_toolkit.h"
#include "scan/scan_types.h"
#include "scan/scanners_common.h"

namespace NSTorvane {

using NSRegKeyEx::CRegKeyEx;

namespace {

const std::wstring kAppPaths =
    L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const std::wstring kSharedDlls =
    L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const std::wstring kInstallerFolders =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders";
const std::wstring kUninstall =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
// Plain roots first, then (under WOW64) their Wow6432Node forms.
const std::wstring kSoftwareRoots[] = {
    L"HKEY_LOCAL_MACHINE\\SOFTWARE",
    L"HKEY_CURRENT_USER\\SOFTWARE",
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node",
    L"HKEY_CURRENT_USER\\SOFTWARE\\Wow6432Node",
};
const std::wstring kDeepRoots[] = {L"HKEY_LOCAL_MACHINE\\SOFTWARE", L"HKEY_CURRENT_USER\\Software"};

// The access of CRegKeyEx::Open: keys the user may not change are skipped.
constexpr uint32_t kDeepAccess =
    platform::kKeyRead | platform::kKeyCreateSubKey | platform::kKeySetValue;

bool EmptyKey(const CRegKeyEx& key) { return key.subKeyCount == 0 && key.valueCount == 0; }

}  // namespace

// ---- App Paths ----

void CPurvexApplicationPaths::Scan() {
  CPurvexImpl::Scan();
  CRegKeyEx key(GetPlatform());
  if (!key.Open(kAppPaths)) return;
  WalkSubKeys(key, EachPass(), [&](const std::wstring& name) {
    CRegKeyEx entry(GetPlatform());
    if (!key.OpenSubKey(name, entry)) return;
    uint32_t block = 0;
    if (entry.QueryDwordValue(L"BlockOnTSNonInstallMode", block) == platform::kErrorSuccess &&
        block == 1)
      return;
    const std::wstring& path = entry.GetPath();
    std::wstring program;
    if (entry.QueryStringValue(L"", program) && !program.empty() &&
        !IsEmptyOrPresent(*this, program))
      ReportProblem(kAppPathIssue, program, path, L"");
    std::wstring folders;
    if (entry.QueryStringValue(L"Path", folders) && !folders.empty() &&
        !IsEmptyOrPresent(*this, folders))
      ReportProblem(kAppPathIssue, folders, path, L"Path");
  });
  ReportProgress(100);
}

// ---- unused vendor keys ----

void CPurvexUnsedSoftKey::Scan() {
  CPurvexImpl::Scan();
  const uint32_t roots = isWow64 ? 4 : 2;
  for (uint32_t k = 0; k < roots && !Cancelled(); ++k) {
    CRegKeyEx root(GetPlatform());
    if (!root.Open(kSoftwareRoots[k])) continue;
    WalkSubKeys(root, KeyOfKeys(k, roots), [&](const std::wstring& name) {
      CRegKeyEx vendor(GetPlatform());
      if (root.OpenSubKey(name, vendor) && EmptyKey(vendor))
        ReportProblem(kUnUsedSoftwareKey, L"", vendor.GetPath(), kWholeKey);
    });
  }
  ReportProgress(100);
}

// ---- shared DLLs ----

void CPurvexSharedDLLs::Scan() {
  CPurvexImpl::Scan();
  platform::Platform& p = GetPlatform();
  CRegKeyEx key(p);
  if (!OpenForValueWalk(key, kSharedDlls)) return;
  WalkValueNames(key, EachPass(), [&](const std::wstring& file) {
    // IsCommandPresent tries IsFilePresent first.
    if (file.empty() || IsCommandPresent(*this, file)) return;
    std::wstring count;
    if (!NSRegKeyEx::GetValueText(p, kSharedDlls, file, count)) count.clear();
    ReportProblem(kMissingShareDll, count, kSharedDlls, file);
  });
  ReportProgress(100);
}

// ---- uninstall entries ----

void CPurvexUninstaller::Scan() {
  CPurvexImpl::Scan();
  if (!Cancelled()) ScanFolders();
  if (!Cancelled()) ScanEntries();
}

void CPurvexUninstaller::ScanFolders() {
  platform::Platform& p = GetPlatform();
  CRegKeyEx key(p);
  if (!OpenForValueWalk(key, kInstallerFolders)) return;
  WalkValueNames(key, ShareOfPass(0.5, 0, true), [&](const std::wstring& folder) {
    if (folder.empty() || IsCommandPresent(*this, folder)) return;
    std::wstring data;
    if (!NSRegKeyEx::QueryStringAt(p, kInstallerFolders, folder, data)) data.clear();
    ReportProblem(kInstallRefIssue, data, kInstallerFolders, folder);
  });
  ReportProgress(50);
}

void CPurvexUninstaller::ScanEntries() {
  CRegKeyEx key(GetPlatform());
  if (!key.Open(kUninstall)) return;
  WalkSubKeys(key, ShareOfPass(0.5, 50, true), [&](const std::wstring& name) {
    CRegKeyEx entry(GetPlatform());
    if (key.OpenSubKey(name, entry)) CheckEntry(entry);
  });
  ReportProgress(100);
}

void CPurvexUninstaller::CheckEntry(CRegKeyEx& entry) {
  const std::wstring& path = entry.GetPath();
  if (EmptyKey(entry)) {
    ReportProblem(kUninstallRefIssue, L"", path, kWholeKey);
    return;
  }
  std::wstring text;
  if (entry.QueryStringValue(L"DisplayIcon", text) && !text.empty() &&
      !IsFileRefPresent(*this, text))
    ReportProblem(kUninstallRefIssue, text, path, L"DisplayIcon");
  for (const wchar_t* name : {L"InstallLocation", L"InstallSource"}) {
    text.clear();
    if (entry.QueryStringValue(name, text) && !text.empty() && !IsEmptyOrPresent(*this, text))
      ReportProblem(kUninstallRefIssue, text, path, name);
  }
  text.clear();
  // IsCommandLinePresent tries IsEmptyOrPresent's tests first.
  if (entry.QueryStringValue(L"UninstallString", text) && !text.empty() &&
      !IsCommandLinePresent(*this, text))
    ReportProblem(kUninstallRefIssue, text, path, L"UninstallString");
}

// ---- deep scan ----

void CPurvexDeepScan::Scan() {
  CPurvexImpl::Scan();
  Buffers buffers(*this);
  buffers.path.reserve(10000);
  for (const std::wstring& root : kDeepRoots) {
    platform::HKey hive = 0;
    std::wstring subKey;
    if (!NSRegKeyEx::ParseKeyPath(root, hive, subKey)) continue;
    buffers.path = root;
    WalkDeepKey(buffers, hive, subKey);
  }
}

bool CPurvexDeepScan::LooksLikeFilePath(const std::wstring& s) {
  if (s.size() < 2) return false;
  const wchar_t drive = s[0];
  if (!((drive >= L'a' && drive <= L'z') || (drive >= L'A' && drive <= L'Z')) || s[1] != L':')
    return false;
  if (s.find_first_of(L"/|\"%,:-;", 2) != std::wstring::npos) return false;
  const size_t slash = s.rfind(L'\\');
  if (slash == std::wstring::npos) return true;
  return s.substr(0, slash).find(L'.', 1) == std::wstring::npos;
}

// Each key is opened through its parent's handle, so no level re-parses the
// path from the hive.
void CPurvexDeepScan::WalkDeepKey(Buffers& b, platform::HKey parent, const std::wstring& subKey) {
  if (Cancelled()) return;
  platform::IRegistry& registry = GetPlatform().registry;
  NSRegKeyEx::ScopedKey key(registry);
  if (registry.OpenKey(parent, subKey, 0, kDeepAccess, key.Out()) != platform::kErrorSuccess)
    return;

  for (uint32_t index = 0;; ++index) {
    uint32_t nameChars = static_cast<uint32_t>(b.valueName.size());
    uint32_t type = 0;
    uint32_t size = static_cast<uint32_t>(b.valueData.size());
    if (registry.EnumValue(key.Get(), index, b.valueName.data(), &nameChars, &type,
                           b.valueData.data(), &size) != platform::kErrorSuccess)
      break;
    // Only this value's bytes: a shorter value must not show the rest of
    // the one read before it.
    CheckValue(b, std::wstring(b.valueName.data(), nameChars),
               RegDataText(b.valueData.data(), size));
  }

  for (uint32_t index = 0;; ++index) {
    uint32_t nameChars = static_cast<uint32_t>(b.subKeyName.size());
    if (registry.EnumKey(key.Get(), index, b.subKeyName.data(), &nameChars) !=
        platform::kErrorSuccess)
      break;
    const std::wstring name(b.subKeyName.data(), nameChars);
    if (platform::EqualsNoCase(name, L"Office")) continue;
    const size_t length = b.path.size();
    b.path += L"\\";
    b.path += name;
    WalkDeepKey(b, key.Get(), name);
    b.path.resize(length);
  }
}

void CPurvexDeepScan::CheckValue(Buffers& b, const std::wstring& name, const std::wstring& text) {
  if (text.size() <= 3 || text[1] != L':' || text[2] != L'\\' || !LooksLikeFilePath(text)) return;
  if (b.presence.EmptyOrPresent(text)) return;
  const std::wstring& path = b.path;
  const std::wstring lower = Downcase(text);
  if (lower.find(L"office") != std::wstring::npos) return;
  SendScanItem(L"Scanning: .\\" + LastPathName(path));
  ReportProblem(kInvalidFile, lower, path, name);
}

}  // namespace NSTorvane
