// Prints what the platform layer finds on this system: version and WOW64
// facts, folders, the registry roots and the native file view.
#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "platform/text.h"
#include "platform/win32_constants.h"
#ifdef _WIN32
#include "platform/win32/win32_platform.h"
#endif

namespace {

using platform::ToUtf8;

void Line(const char* label, const std::wstring& value) {
  std::printf("  %-34s %s\n", label, ToUtf8(value).c_str());
}

void Line(const char* label, bool value) { std::printf("  %-34s %s\n", label, value ? "yes" : "no"); }

void PrintVersion(platform::Platform& p) {
  platform::OsVersion v;
  const bool ok = p.system.GetVersionEx(&v);
  std::printf("System\n");
  Line("Windows version", ok ? platform::Format(L"%u.%u.%u (platform %u, product type %u) %ls",
                                               v.major, v.minor, v.build, v.platformId,
                                               unsigned{v.productType}, v.csdVersion.c_str())
                             : std::wstring(L"unavailable"));
  Line("Process under WOW64", p.system.IsWow64());
  Line("Windows folder", p.environment.GetWindowsFolder());
  Line("Program", p.environment.GetModulePath());
  std::wstring text;
  Line("%SystemRoot% expands to",
       p.environment.ExpandStrings(L"%SystemRoot%", &text) ? text : L"(failed)");
  std::wstring device;
  Line("Drive C: is", p.system.QueryDosDevice(L"C:", &device) ? device : L"(unknown)");
  const struct { const char* label; int csidl; } folders[] = {
      {"Application data", platform::kCsidlAppData},
      {"Common application data", platform::kCsidlCommonAppData},
      {"Recent documents", platform::kCsidlRecent},
      {"Fonts", platform::kCsidlFonts},
  };
  for (const auto& f : folders) {
    std::wstring path;
    Line(f.label, p.environment.GetSpecialFolder(f.csidl, &path) ? path : L"(none)");
  }
}

void PrintRoot(platform::Platform& p, const char* name, platform::HKey root) {
  platform::KeyInfo info;
  const int32_t rc = p.registry.QueryInfoKey(root, &info);
  if (rc != platform::kErrorSuccess) {
    std::printf("  %-34s error %d\n", name, rc);
    return;
  }
  std::printf("  %-34s %u subkeys, %u values\n", name, info.subKeyCount, info.valueCount);
}

bool KeyOpens(platform::Platform& p, platform::HKey root, const std::wstring& path) {
  platform::HKey key = 0;
  if (p.registry.OpenKey(root, path, 0, platform::kKeyRead, &key) != platform::kErrorSuccess)
    return false;
  p.registry.CloseKey(key);
  return true;
}

void PrintRegistry(platform::Platform& p) {
  std::printf("Registry roots\n");
  PrintRoot(p, "HKEY_CLASSES_ROOT", platform::kHKeyClassesRoot);
  PrintRoot(p, "HKEY_CURRENT_USER", platform::kHKeyCurrentUser);
  PrintRoot(p, "HKEY_LOCAL_MACHINE", platform::kHKeyLocalMachine);
  PrintRoot(p, "HKEY_USERS", platform::kHKeyUsers);
  Line("HKLM\\Software\\Wow6432Node exists",
       KeyOpens(p, platform::kHKeyLocalMachine, L"Software\\Wow6432Node"));
  Line("HKLM\\...\\hivelist exists",
       KeyOpens(p, platform::kHKeyLocalMachine, L"SYSTEM\\CurrentControlSet\\Control\\hivelist"));
}

void PrintFileView(platform::Platform& p) {
  std::printf("Native file view\n");
  const std::wstring probe = p.environment.GetWindowsFolder() + L"\\system32\\wow64cpu.dll";
  Line("system32\\wow64cpu.dll (plain)", p.files.PathExists(probe));
  platform::NativeFileView view(p.files);
  Line("system32\\wow64cpu.dll (native)", p.files.PathExists(probe));
}

}  // namespace

int main() {
#ifdef _WIN32
  platform::win32::InstallWin32Platform();
  std::printf("Lumora platform check (real system)\n");
#else
  std::printf("Lumora platform check (in-memory platform)\n");
#endif
  platform::Platform& p = platform::DefaultPlatform();
  PrintVersion(p);
  PrintRegistry(p);
  PrintFileView(p);
  return 0;
}
