#include "scan/scanners_startup.h"

#include "platform/text.h"
#include "platform/win32_constants.h"
#include "scan/scan_toolkit.h"
#include "scan/scan_types.h"
#include "scan/scanners_common.h"

namespace NSTorvane {

using NSRegKeyEx::CRegKeyEx;

namespace {

// The Run-type keys below "SOFTWARE\Microsoft" of each of the two roots.
const wchar_t* const kRunKeys[] = {
    L"Windows\\CurrentVersion\\Policies\\Explorer\\Run",
    L"Windows\\CurrentVersion\\RunServicesOnce",
    L"Windows\\CurrentVersion\\RunServices",
    L"Windows\\CurrentVersion\\RunOnceEx",
    L"Windows\\CurrentVersion\\RunOnce\\Setup",
    L"Windows\\CurrentVersion\\RunOnce",
    L"Windows\\CurrentVersion\\RunEx",
    L"Windows\\CurrentVersion\\Run",
};
const wchar_t* const kRunRoots[] = {L"HKEY_LOCAL_MACHINE", L"HKEY_CURRENT_USER"};
constexpr uint32_t kPlainStartupKeys = 16;

const std::wstring kDrivers32 =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
const std::wstring kServices = L"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\services";

// Key k (from 0) of the start-up table: sixteen plain keys, then the same
// sixteen through Wow6432Node.
std::wstring StartupKey(uint32_t k) {
  const bool wow = k >= kPlainStartupKeys;
  const uint32_t plain = k % kPlainStartupKeys;
  return std::wstring(kRunRoots[plain / 8]) +
         (wow ? L"\\SOFTWARE\\Wow6432Node\\Microsoft\\" : L"\\SOFTWARE\\Microsoft\\") +
         kRunKeys[plain % 8];
}

}  // namespace

// ---- start-up entries ----

void CPurvexStartupFiles::Scan() {
  CPurvexImpl::Scan();
  const uint32_t keys = isWow64 ? 2 * kPlainStartupKeys : kPlainStartupKeys;
  for (uint32_t k = 0; k < keys && !Cancelled(); ++k) {
    CRegKeyEx key(GetPlatform());
    if (!OpenForValueWalk(key, StartupKey(k))) continue;
    WalkValues(key, KeyOfKeys(k, keys), [&](const RegValue& value) {
      if (value.type != platform::kRegSz) return;
      const std::wstring command = value.Text();
      // IsCommandLinePresent tries the file and command tests first.
      if (command.empty() || IsCommandLinePresent(*this, command)) return;
      ReportProblem(kMissingStartup, command, key.GetPath(), value.name);
    });
  }
  ReportProgress(100);
}

// ---- Drivers32 ----

void CPurvexSystemDrivers::Scan() {
  CPurvexImpl::Scan();
  CRegKeyEx key(GetPlatform());
  if (!OpenForValueWalk(key, kDrivers32)) return;
  WalkValues(key, EachPass(), [&](const RegValue& value) {
    if (value.type != platform::kRegSz) return;
    const std::wstring driver = value.Text();
    if (driver.empty() || IsCommandPresent(*this, driver)) return;
    ReportProblem(kMissingSystemDriverRef, driver, kDrivers32, value.name);
  });
  ReportProgress(100);
}

// ---- services ----

std::wstring CPurvexService::NormaliseImagePath(const std::wstring& image,
                                                const std::wstring& windowsFolder) {
  std::wstring text = Downcase(image);
  const size_t at = text.find(L"system32");
  if (at != std::wstring::npos) text = windowsFolder + L"\\" + text.substr(at == 0 ? 0 : at - 1);
  if (text.find(L"\\??\\") != std::wstring::npos) text.erase(0, 4);
  return text;
}

void CPurvexService::Scan() {
  CPurvexImpl::Scan();
  CRegKeyEx key(GetPlatform());
  if (!key.Open(kServices)) return;
  const std::wstring windows = GetPlatform().environment.GetWindowsFolder();
  WalkSubKeys(key, EachPass(), [&](const std::wstring& name) {
    CRegKeyEx service(GetPlatform());
    if (key.OpenSubKey(name, service)) CheckService(kServices + L"\\" + name, service, windows);
  });
  ReportProgress(100);
}

void CPurvexService::CheckService(const std::wstring& servicePath, CRegKeyEx& service,
                                  const std::wstring& windows) {
  std::wstring image;
  if (!service.QueryStringValue(L"ImagePath", image) || image.empty() ||
      IsEmptyOrPresent(*this, image))
    return;
  const std::wstring normalised = NormaliseImagePath(image, windows);
  // Missing only when no form of the image names an existing program.
  if (IsCommandLinePresent(*this, image) || IsCommandLinePresent(*this, normalised)) return;
  std::wstring resolved = ReplaceNoCase(image, L"%SystemRoot%", windows);
  if (platform::StartsWithNoCase(resolved, L"\\??\\")) resolved.erase(0, 4);
  const std::wstring ntRoot = L"\\SystemRoot\\";
  if (platform::StartsWithNoCase(resolved, ntRoot)) resolved.replace(0, ntRoot.size(), windows + L"\\");
  if (IsCommandLinePresent(*this, resolved)) return;
  ReportProblem(kMissingServiceRef, normalised, servicePath, kWholeKey);
}

}  // namespace NSTorvane
