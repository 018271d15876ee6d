// Google Benchmark over the in-memory platform: presence tests per second,
// and the cost per problem reported through the engine and the intake rule.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "scan_bench_cases.h"

namespace {

using namespace scan_bench;

const std::wstring kProblemKey = L"HKEY_CURRENT_USER\\Software\\LumoraBench\\Run";

void BM_Presence(benchmark::State& state, PresenceCase c) {
  platform::memory::MemoryPlatform m;
  SeedMemoryPlatform(m);
  if (RunPresence(m.view, c.test, c.text) != c.expected) {
    state.SkipWithError("unexpected answer");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(RunPresence(m.view, c.test, c.text));
  state.SetItemsProcessed(state.iterations());
}

// The intake rule alone, per problem: exclusion match and write-open.
void BM_Intake(benchmark::State& state, bool withExclusions) {
  platform::memory::MemoryPlatform m;
  m.registry.CreateKeyPath(kProblemKey);
  CProblemCollector collector(m.view);
  if (withExclusions) collector.SetExclusions(FiftyExclusions());
  collector.OnScanBegin();
  collector.OnCategoryBegin(kCatStartupFiles);
  int64_t n = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(collector.OnProblemFound(11, L"C:\\LumoraGone\\tool.exe",
                                                      kProblemKey, L"Entry"));
    if (++n % 100000 == 0) collector.OnScanBegin();  // keep the result bounded
  }
  state.SetItemsProcessed(state.iterations());
}

// A whole scan thread per iteration; items = problems reported.
void BM_EngineScan(benchmark::State& state, bool withExclusions) {
  platform::memory::MemoryPlatform m;
  m.registry.CreateKeyPath(kProblemKey);
  const int count = static_cast<int>(state.range(0));
  const auto exclusions = withExclusions ? FiftyExclusions() : std::vector<std::wstring>{};
  for (auto _ : state) {
    if (ScanReporting(m.view, kProblemKey, count, exclusions) != count) {
      state.SkipWithError("problems lost");
      return;
    }
  }
  state.SetItemsProcessed(state.iterations() * count);
}

void Register() {
  for (const PresenceCase& c : PresenceCases()) {
    benchmark::RegisterBenchmark((std::string("Presence/") + c.name).c_str(), BM_Presence, c);
  }
  benchmark::RegisterBenchmark("Intake/no-exclusions", BM_Intake, false);
  benchmark::RegisterBenchmark("Intake/50-exclusions", BM_Intake, true);
  benchmark::RegisterBenchmark("EngineScan/no-exclusions", BM_EngineScan, false)
      ->Arg(1)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond)->UseRealTime();
  benchmark::RegisterBenchmark("EngineScan/50-exclusions", BM_EngineScan, true)
      ->Arg(10000)->Unit(benchmark::kMicrosecond)->UseRealTime();
}

}  // namespace

int main(int argc, char** argv) {
  Register();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
