// The fixture of the category-scanner tests: an in-memory system with the
// usual Windows files, a scanner made through CreateScanner, and the
// records of one scan split by kind.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/memory/memory_platform.h"
#include "platform/text.h"
#include "platform/win32_constants.h"
#include "scan/purvex_eng.h"
#include "scan/scan_test_support.h"

namespace scanner_test {

using Lines = std::vector<std::string>;

using scan_test::ProblemLine;
inline constexpr auto& Problem = ProblemLine;
inline std::string Item(const std::wstring& text) { return "item " + platform::ToUtf8(text); }
inline Lines Percents(std::initializer_list<int> values) {
  Lines out;
  for (int v : values) out.push_back("pct " + std::to_string(v));
  return out;
}

// A recorder that can act when a line is recorded (to stop a scan midway).
class HookedObserver : public scan_test::RecordingObserver {
 public:
  std::function<void(const std::string& line)> hook;

  int32_t OnScanItem(const std::wstring& text) override {
    RecordingObserver::OnScanItem(text);
    if (hook) hook(Lines().back());
    return 0;
  }
  int32_t OnProblemFound(int32_t type, const std::wstring& data, const std::wstring& key,
                         const std::wstring& value) override {
    RecordingObserver::OnProblemFound(type, data, key, value);
    if (hook) hook(Lines().back());
    return 0;
  }
};

class ScannerFixture : public ::testing::Test {
 protected:
  ScannerFixture() {
    for (const wchar_t* f : {L"C:\\Windows\\notepad.exe", L"C:\\Windows\\system32\\shell32.dll",
                             L"C:\\Windows\\system32\\msiexec.exe",
                             L"C:\\Windows\\system32\\svchost.exe"})
      mp.files.AddFile(f);
  }

  // Runs the scanner of the category once and keeps its records. The
  // process-wide last percent is first set to a value no scanner sends, so
  // that the first percent of the scan is always recorded.
  void Scan(int32_t category) {
    observer.Clear();
    scanner = CreateScanner(category, mp.view);
    ASSERT_NE(scanner, nullptr);
    scanner->ReportProgress(-5);  // no observer yet: nothing recorded
    scanner->observer = &observer;
    scanner->Scan();
  }

  Lines Problems() const { return observer.Only("problem "); }
  Lines Items() const { return observer.Only("item "); }
  Lines Progress() const { return observer.Only("pct "); }

  // A key the user may read but not change.
  void Lock(const std::wstring& path) {
    mp.registry.CreateKeyPath(path);
    platform::memory::KeyFault fault;
    fault.denyWrite = true;
    mp.registry.SetFault(path, fault);
  }
  void Binary(const std::wstring& path, const std::wstring& name, const std::wstring& text,
              bool terminate, std::vector<uint8_t> tail = {}) {
    std::vector<uint8_t> bytes = platform::ToUtf16Bytes(text, terminate);
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    mp.registry.SetRaw(path, name, platform::kRegBinary, std::move(bytes));
  }

  platform::memory::MemoryPlatform mp;
  HookedObserver observer;
  ScannerPtr scanner;
};

}  // namespace scanner_test
