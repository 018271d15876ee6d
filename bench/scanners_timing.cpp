// Times the seventeen scanners on a large generated registry in the memory
// platform against a raw walk of the same keys: (a) every key and value the
// scanners visit, enumerated once with the raw registry calls, and (b) one
// full scan of all categories through the engine with its pauses taken out.
//   scanners_timing [class-keys] [software-keys]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/memory/memory_platform.h"
#include "platform/text.h"
#include "platform/win32_constants.h"
#include "scan/problem_collector.h"
#include "scan/purvex_eng.h"

namespace {

using platform::memory::MemoryPlatform;

constexpr int kFilePool = 4000;  // distinct present and distinct missing files

std::wstring Present(int i) { return L"C:\\Program Files\\Vendor" + std::to_wstring(i % 50) +
                                     L"\\bin\\file" + std::to_wstring(i % kFilePool) + L".dll"; }
std::wstring Missing(int i) { return L"C:\\Program Files\\Gone" + std::to_wstring(i % 50) +
                                     L"\\bin\\file" + std::to_wstring(i % kFilePool) + L".dll"; }
// One reference in ten names a missing file.
std::wstring Ref(int i) { return i % 10 == 0 ? Missing(i) : Present(i); }

std::wstring Guid(int i, int kind) {
  wchar_t text[64];
  std::swprintf(text, 64, L"{%08X-0000-4000-8000-%012X}", i, kind);
  return text;
}

// Returns the number of keys created.
long Generate(MemoryPlatform& m, int classKeys, int softwareKeys) {
  for (int i = 0; i < kFilePool; ++i) m.files.AddFile(Present(i));
  auto& r = m.registry;
  long keys = 0;
  const std::wstring classes = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\";
  // Per unit: an extension, a class with icon and verb (4 keys), a class id
  // with its server (2 keys), an interface with its library (2 keys).
  for (int i = 0; keys < classKeys; ++i) {
    const std::wstring cls = L"Lumora.Class" + std::to_wstring(i);
    r.SetString(classes + L".ext" + std::to_wstring(i), L"", i % 7 == 0 ? cls + L"x" : cls);
    r.SetString(classes + cls, L"", L"A class");
    r.SetString(classes + cls + L"\\DefaultIcon", L"", Ref(i) + L",1");
    r.SetString(classes + cls + L"\\shell\\open\\command", L"", L"\"" + Ref(i + 3) + L"\" \"%1\"");
    r.SetString(classes + L"CLSID\\" + Guid(i, 1) + L"\\InprocServer32", L"", Ref(i + 5));
    r.SetString(classes + L"CLSID\\" + Guid(i, 1) + L"\\InprocServer32", L"ThreadingModel",
                L"Apartment");
    r.SetString(classes + L"Interface\\" + Guid(i, 2) + L"\\TypeLib", L"", Guid(i % 100, 3));
    keys += 10;
  }
  for (int i = 0; i < 100; ++i) r.CreateKeyPath(classes + L"TypeLib\\" + Guid(i, 3));
  // Software: vendors, products, versions and settings with file values.
  for (int i = 0; keys < classKeys + softwareKeys; ++i) {
    const std::wstring key = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor" + std::to_wstring(i % 300) +
                             L"\\Product" + std::to_wstring(i % 3000) + L"\\Settings" +
                             std::to_wstring(i);
    r.SetString(key, L"InstallPath", Ref(i));
    r.SetString(key, L"Name", L"Setting " + std::to_wstring(i));
    r.SetDword(key, L"Count", static_cast<uint32_t>(i));
    keys += 1;
  }
  const std::wstring cv = L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\";
  for (int i = 0; i < 2000; ++i) {
    r.SetString(cv + L"App Paths\\app" + std::to_wstring(i) + L".exe", L"", Ref(i));
    r.SetString(cv + L"Uninstall\\App" + std::to_wstring(i), L"UninstallString",
                L"\"" + Ref(i) + L"\" /uninstall");
    r.SetDword(cv + L"SharedDLLs", Ref(i), 1);
    r.SetString(L"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\services\\svc" + std::to_wstring(i),
                L"ImagePath", L"\"" + Ref(i) + L"\" -k");
    keys += 3;
  }
  return keys;
}

// Every key and value below path: open, enumerate names and data (into
// buffers made once).
void RawWalk(platform::IRegistry& r, platform::HKey root, const std::wstring& sub, long& keys,
             long& values) {
  platform::HKey key = 0;
  if (r.OpenKey(root, sub, 0, platform::kKeyRead, &key) != platform::kErrorSuccess) return;
  ++keys;
  static std::vector<wchar_t> name(16384);
  static std::vector<uint8_t> data(65536);
  for (uint32_t i = 0;; ++i) {
    uint32_t chars = static_cast<uint32_t>(name.size()), type = 0,
             size = static_cast<uint32_t>(data.size());
    if (r.EnumValue(key, i, name.data(), &chars, &type, data.data(), &size) !=
        platform::kErrorSuccess)
      break;
    ++values;
  }
  std::vector<std::wstring> children;
  for (uint32_t i = 0;; ++i) {
    uint32_t chars = 256;
    if (r.EnumKey(key, i, name.data(), &chars) != platform::kErrorSuccess) break;
    children.emplace_back(name.data(), chars);
  }
  r.CloseKey(key);
  for (const std::wstring& child : children)
    RawWalk(r, root, sub.empty() ? child : sub + L"\\" + child, keys, values);
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int classKeys = argc > 1 ? std::atoi(argv[1]) : 120000;
  const int softwareKeys = argc > 2 ? std::atoi(argv[2]) : 100000;
  MemoryPlatform m;
  const long generated = Generate(m, classKeys, softwareKeys);

  auto start = std::chrono::steady_clock::now();
  long keys = 0, values = 0;
  // The software trees hold the machine's classes; the user's are empty.
  RawWalk(m.registry, platform::kHKeyLocalMachine, L"SOFTWARE", keys, values);
  RawWalk(m.registry, platform::kHKeyCurrentUser, L"Software", keys, values);
  RawWalk(m.registry, platform::kHKeyCurrentUser, L"AppEvents", keys, values);
  RawWalk(m.registry, platform::kHKeyLocalMachine, L"SYSTEM\\CurrentControlSet\\services", keys,
          values);
  const double raw = Seconds(start);

  start = std::chrono::steady_clock::now();
  CProblemCollector collector(m.view);
  CCollectingObserver observer(collector);
  CPurvexEng engine(m.view, PurvexEngOptions{{}, 0});
  ScanRequest request;
  for (int32_t id = 0; id < kScanCategoryCount; ++id) request.categories.push_back(id);
  if (!engine.Start(request, &observer)) return 1;
  engine.Resume();
  engine.Wait(3600000);
  const double full = Seconds(start);

  std::printf("generated keys %ld; raw walk: %ld keys, %ld values, %.3f s\n", generated, keys,
              values, raw);
  std::printf("full scan: %.3f s, %d problems; ratio %.2f\n", full,
              collector.Result().problemCount, full / raw);
  // Each category alone, without the engine.
  for (int32_t id = 0; id < kScanCategoryCount; ++id) {
    ScannerPtr scanner = CreateScanner(id, m.view);
    start = std::chrono::steady_clock::now();
    scanner->Scan();
    const auto it = collector.Result().byCategory.find(id);
    std::printf("  category %2d: %5zu problems, %.3f s\n", id,
                it == collector.Result().byCategory.end() ? size_t{0} : it->second.size(),
                Seconds(start));
  }
  return 0;
}
