// The cases both benchmark programs measure: presence tests for present,
// missing and argument-carrying references, and the cost per problem that a
// scanner reports through the engine and the intake rule.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/memory/memory_platform.h"
#include "scan/problem_collector.h"
#include "scan/purvex_eng.h"
#include "scan/scan_toolkit.h"

namespace scan_bench {

enum class Test { kFile, kCommand, kFileRef, kCommandLine, kEmptyOrPresent };

struct PresenceCase {
  const char* name;
  Test test;
  std::wstring text;
  bool expected;  // checked once before timing
};

inline bool RunPresence(platform::Platform& p, Test test, const std::wstring& text) {
  switch (test) {
    case Test::kFile: return NSTorvane::IsFilePresent(p, text);
    case Test::kCommand: return NSTorvane::IsCommandPresent(p, text);
    case Test::kFileRef: return NSTorvane::IsFileRefPresent(p, text);
    case Test::kCommandLine: return NSTorvane::IsCommandLinePresent(p, text);
    case Test::kEmptyOrPresent: return NSTorvane::IsEmptyOrPresent(p, text);
  }
  return false;
}

// The same texts name real files on Windows (the system folder) and the
// files that SeedMemoryPlatform creates.
inline std::vector<PresenceCase> PresenceCases() {
  return {
      {"file/present/expanded", Test::kFile, L"%SystemRoot%\\system32\\notepad.exe", true},
      {"file/present/search-path", Test::kFile, L"notepad.exe", true},
      {"file/missing", Test::kFile, L"C:\\LumoraGone\\tool.exe", false},
      {"command/present/args", Test::kCommand,
       L"%SystemRoot%\\system32\\notepad.exe /a -b --c", true},
      {"command/missing/args", Test::kCommand, L"C:\\LumoraGone\\tool.exe /a -b --c", false},
      {"fileref/present/@index", Test::kFileRef, L"@%SystemRoot%\\system32\\shell32.dll,-101",
       true},
      {"fileref/missing/index", Test::kFileRef, L"C:\\LumoraGone\\icons.dll,3", false},
      {"cmdline/present/quoted-%1", Test::kCommandLine,
       L"\"%SystemRoot%\\system32\\notepad.exe\" \"%1\"", true},
      {"cmdline/missing/quoted-%1", Test::kCommandLine, L"\"C:\\LumoraGone\\tool.exe\" \"%1\"",
       false},
      {"emptyorpresent/missing/folder-list", Test::kEmptyOrPresent,
       L"C:\\LumoraGone\\App;C:\\LumoraGone\\App\\bin;", false},
  };
}

// A memory system like a small Windows: the system files and a PATH of
// eight directories.
inline void SeedMemoryPlatform(platform::memory::MemoryPlatform& m) {
  for (const wchar_t* f : {L"C:\\Windows\\system32\\notepad.exe",
                           L"C:\\Windows\\system32\\shell32.dll"}) {
    m.files.AddFile(f);
  }
  m.environment.SetVariable(
      L"Path",
      L"C:\\Windows\\system32;C:\\Windows;C:\\Windows\\System32\\Wbem;"
      L"C:\\Windows\\System32\\WindowsPowerShell\\v1.0\\;C:\\Program Files\\Common Files\\A;"
      L"C:\\Program Files\\B\\bin;C:\\Program Files (x86)\\C;C:\\Tools");
}

// A scanner that reports the same problem count times.
class ReportingScanner : public NSTorvane::CPurvexImpl {
 public:
  ReportingScanner(platform::Platform& p, const std::wstring& key, int count)
      : CPurvexImpl(p), key_(key), count_(count) {}
  void Scan() override {
    CPurvexImpl::Scan();
    for (int i = 0; i < count_ && !Cancelled(); ++i) {
      ReportProblem(11, L"C:\\LumoraGone\\tool.exe", key_, L"Entry");
    }
  }

 private:
  std::wstring key_;
  int count_;
};

// One scan of one category whose scanner reports count problems at key,
// collected through the intake rule with the given exclusions. Returns the
// number accepted.
inline int32_t ScanReporting(platform::Platform& p, const std::wstring& key, int count,
                             const std::vector<std::wstring>& exclusions) {
  PurvexEngOptions options;
  options.categoryPauseMs = 0;
  options.factory = [&](int32_t, platform::Platform& pl) -> ScannerPtr {
    return std::make_unique<ReportingScanner>(pl, key, count);
  };
  CPurvexEng engine(p, options);
  CProblemCollector collector(p);
  collector.SetExclusions(exclusions);
  CCollectingObserver observer(collector);
  if (!engine.Start(ScanRequest{{kCatStartupFiles}, exclusions}, &observer)) return -1;
  engine.Resume();
  engine.Wait(600000);
  return collector.Result().problemCount;
}

// Fifty exclusion entries, none matching the benchmark's key.
inline std::vector<std::wstring> FiftyExclusions() {
  std::vector<std::wstring> list;
  for (int i = 0; i < 50; ++i) {
    list.push_back(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor" + std::to_wstring(i) + L"\\Entry");
  }
  return list;
}

}  // namespace scan_bench
