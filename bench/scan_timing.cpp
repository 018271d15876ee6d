// Timing harness of the Windows build, run under Wine: the benchmark cases
// on the real system (Win32 platform) and on the in-memory one, per-op times.
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include "platform/text.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32_constants.h"
#include "scan_bench_cases.h"

namespace {

using namespace scan_bench;
using Clock = std::chrono::steady_clock;

const std::wstring kProblemSubKey = L"Software\\LumoraBench\\Run";
const std::wstring kProblemKey = L"HKEY_CURRENT_USER\\" + kProblemSubKey;

// Repeats op until at least minSeconds have passed; nanoseconds per op.
double TimePerOp(const std::function<void()>& op, double minSeconds = 0.5) {
  op();  // warm-up
  int64_t ops = 0;
  int64_t batch = 1;
  const auto start = Clock::now();
  double elapsed = 0;
  while (elapsed < minSeconds) {
    for (int64_t i = 0; i < batch; ++i) op();
    ops += batch;
    batch *= 2;
    elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  }
  return elapsed * 1e9 / static_cast<double>(ops);
}

void Print(const char* platformName, const std::string& name, double ns) {
  std::printf("%-7s %-42s %12.0f ns/op %12.0f ops/s\n", platformName, name.c_str(), ns,
              1e9 / ns);
}

void PresenceSuite(const char* platformName, platform::Platform& p) {
  for (const PresenceCase& c : PresenceCases()) {
    const bool answer = RunPresence(p, c.test, c.text);
    const std::string name = std::string("Presence/") + c.name +
                             (answer == c.expected ? "" : " (UNEXPECTED ANSWER)");
    Print(platformName, name, TimePerOp([&] { RunPresence(p, c.test, c.text); }));
  }
}

// The platform calls a presence test is made of.
void PrimitiveSuite(const char* platformName, platform::Platform& p) {
  std::wstring out;
  Print(platformName, "Call/PathExists present",
        TimePerOp([&] { p.files.PathExists(L"C:\\windows\\system32\\notepad.exe"); }));
  Print(platformName, "Call/PathExists missing",
        TimePerOp([&] { p.files.PathExists(L"C:\\LumoraGone\\tool.exe"); }));
  Print(platformName, "Call/SearchPath bare missing",
        TimePerOp([&] { p.environment.SearchPath(L"lumoragone.exe", &out); }));
  Print(platformName, "Call/SearchPath with folder, missing",
        TimePerOp([&] { p.environment.SearchPath(L"C:\\LumoraGone\\tool.exe /a", &out); }));
  Print(platformName, "Call/ExpandStrings",
        TimePerOp([&] { p.environment.ExpandStrings(L"%SystemRoot%\\x.exe", &out); }));
  Print(platformName, "Call/GetVariable Path",
        TimePerOp([&] { p.environment.GetVariable(L"Path", &out); }));
  Print(platformName, "Call/NativeFileView",
        TimePerOp([&] { platform::NativeFileView view(p.files); }));
}

void EngineSuite(const char* platformName, platform::Platform& p) {
  CProblemCollector collector(p);
  collector.OnScanBegin();
  collector.OnCategoryBegin(kCatStartupFiles);
  Print(platformName, "Intake/no-exclusions", TimePerOp([&] {
          collector.OnProblemFound(11, L"C:\\LumoraGone\\tool.exe", kProblemKey, L"Entry");
          if (collector.Result().problemCount >= 100000) collector.OnScanBegin();
        }));
  collector.SetExclusions(FiftyExclusions());
  Print(platformName, "Intake/50-exclusions", TimePerOp([&] {
          collector.OnProblemFound(11, L"C:\\LumoraGone\\tool.exe", kProblemKey, L"Entry");
          if (collector.Result().problemCount >= 100000) collector.OnScanBegin();
        }));
  for (int count : {1, 1000, 10000}) {
    int32_t accepted = count;
    const double ns = TimePerOp([&] {
      const int32_t got = ScanReporting(p, kProblemKey, count, {});
      if (got != count) accepted = got;
    }, 1.0);
    const bool ok = accepted == count;
    Print(platformName,
          "EngineScan/" + std::to_string(count) + " per problem" + (ok ? "" : " (LOST: " + std::to_string(accepted) + ")"),
          ns / count);
  }
}

}  // namespace

int main() {
  platform::win32::InstallWin32Platform();
  platform::Platform& real = platform::win32::Win32Platform();
  // Through the platform, so that the key lies in the view the intake opens.
  platform::HKey key = 0;
  if (real.registry.CreateKey(platform::kHKeyCurrentUser, kProblemSubKey, 0,
                              platform::kKeyAllAccess, &key, nullptr) == 0) {
    real.registry.CloseKey(key);
  }
  PrimitiveSuite("win32", real);
  PresenceSuite("win32", real);
  EngineSuite("win32", real);
  real.registry.DeleteKey(platform::kHKeyCurrentUser, kProblemSubKey);
  real.registry.DeleteKey(platform::kHKeyCurrentUser, L"Software\\LumoraBench");

  platform::memory::MemoryPlatform m;
  SeedMemoryPlatform(m);
  m.registry.CreateKeyPath(kProblemKey);
  PrimitiveSuite("memory", m.view);
  PresenceSuite("memory", m.view);
  EngineSuite("memory", m.view);
  return 0;
}
