// Progress and stopping. The run hook holds the run thread at fixed points so
// that each sequence below is exact, whatever the scheduler does.
#include <gtest/gtest.h>

#include <optional>
#include <thread>

#include "optimizer_test_support.h"

namespace {

using namespace optimizer_test;
using RunPoint = CRegOptimizeEng::RunPoint;

std::vector<int32_t> Concat(std::vector<int32_t> a, const std::vector<int32_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class ProgressTest : public OptimizerFixture {
 protected:
  void AddHives(int count) {
    for (int i = 0; i < count; ++i) {
      const std::wstring name = L"H" + std::to_wstring(i);
      AddHive(L"\\REGISTRY\\MACHINE\\" + name, L"HKEY_LOCAL_MACHINE\\" + name,
              L"\\Device\\HarddiskVolume2\\config\\" + name, L"C:\\config\\" + name);
    }
  }
  // The hives wait until the time-based phase has run out.
  void HoldHivesUntilProgressEnds() {
    engine.SetRunHook([this](RunPoint point) {
      if (point == RunPoint::kProgressStarted) {
        EXPECT_TRUE(sink.WaitForProgress(81));
        while (engine.progressRunning != 0) std::this_thread::yield();
      }
    });
  }
};

// Hives counted after the progress phase: 80 + (d + 1) * 100 / n / 5.
TEST_F(ProgressTest, AfterTheTimedPhaseProgressGoesByHiveCount) {
  struct Case {
    int hives;
    std::vector<int32_t> countPhase;
  } cases[] = {
      {1, {100}},
      {3, {86, 93, 100}},
      {4, {85, 90, 95, 100}},
      {7, {82, 85, 88, 91, 94, 97, 100}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.hives);
    platform::memory::MemoryPlatform local;
    local.system.ClearDosDevices();
    local.system.SetDosDevice(L"C:", L"\\Device\\HarddiskVolume2");
    RecordingSink localSink;
    CRegOptimizeEng localEngine(local.view);
    localEngine.observer = &localSink;
    for (int i = 0; i < c.hives; ++i) {
      const std::wstring name = L"H" + std::to_wstring(i);
      local.registry.SetString(optimizer::kHiveListPath, L"\\REGISTRY\\MACHINE\\" + name,
                               L"\\Device\\HarddiskVolume2\\" + name);
      local.registry.CreateKeyPath(L"HKLM\\" + name);
      local.files.AddFile(L"C:\\" + name);
    }
    localEngine.SetRunHook([&](RunPoint point) {
      if (point != RunPoint::kProgressStarted) return;
      EXPECT_TRUE(localSink.WaitForProgress(81));
      while (localEngine.progressRunning != 0) std::this_thread::yield();
    });
    ASSERT_TRUE(localEngine.Start());
    ASSERT_TRUE(localEngine.Wait(60000));

    EXPECT_EQ(localSink.Progress(), Concat(Concat(Ramp(81), c.countPhase), {100}));
    EXPECT_EQ(localSink.Counts().replaced, static_cast<uint32_t>(c.hives));
    // Half a second per progress step and per counted hive, no final pause.
    EXPECT_EQ(local.system.SleptMilliseconds(), (81u + c.hives) * 500u);
  }
}

TEST_F(ProgressTest, AQuickRunRisesStepByStepThenJumpsTo100AfterAPause) {
  AddHives(3);
  Latch hivesDone;
  // The progress thread shows 1, 2, 3 and then waits for the hives, which
  // are all processed while it is still running.
  sink.onProgress = [&](int32_t percent) {
    if (percent == 3) {
      EXPECT_TRUE(hivesDone.WaitOpen());
    }
  };
  engine.SetRunHook([&](RunPoint point) {
    if (point == RunPoint::kProgressStarted) {
      EXPECT_TRUE(sink.WaitForProgress(3));
    }
    if (point == RunPoint::kHivesDone) hivesDone.Open();
  });
  RunToEnd();

  EXPECT_EQ(sink.Progress(), (std::vector<int32_t>{1, 2, 3, 100}));
  EXPECT_EQ(sink.Counts().replaced, 3u);
  EXPECT_EQ(sink.Stop(), 0);
  // Three progress steps and the 2-second pause before 100.
  EXPECT_EQ(mp.system.SleptMilliseconds(), 3u * 500u + 2000u);
  ExpectNoTempFiles(L"C:\\config");
}

TEST_F(ProgressTest, UnheldRunsKeepTheOrder) {
  AddHives(5);
  for (int round = 0; round < 20; ++round) {
    RecordingSink roundSink;
    engine.observer = &roundSink;
    RunToEnd();
    SCOPED_TRACE(round);
    ExpectWellFormedRun(roundSink);
    EXPECT_EQ(roundSink.Counts().replaced, 5u);
  }
  ExpectNoTempFiles(L"C:\\config");
}

TEST_F(ProgressTest, AStopInTheCountPhaseEndsAfterTheCurrentHive) {
  AddHives(4);
  HoldHivesUntilProgressEnds();
  // 90 is reported before the second hive.
  sink.onProgress = [&](int32_t percent) {
    if (percent == 90) engine.Stop();
  };
  RunToEnd();

  EXPECT_EQ(sink.Progress(), Concat(Ramp(81), {85, 90, 100}));
  EXPECT_NE(sink.Stop(), 0);
  EXPECT_EQ(mp.registry.Saves().size(), 2u);
  const OptimizeCounts counts = sink.Counts();
  EXPECT_EQ(counts.replaced, 2u);
  EXPECT_EQ(counts.NotReached(), 2u);
  ExpectNoTempFiles(L"C:\\config");
}

TEST_F(ProgressTest, AStopDuringTheTimedPhaseStillEndsWith100AndTheStopFlag) {
  AddHives(3);
  // The hives wait for the stop, which the test thread sends while the
  // progress thread is running.
  engine.SetRunHook([&](RunPoint point) {
    if (point != RunPoint::kProgressStarted) return;
    while (engine.stopRequested == 0) std::this_thread::yield();
  });
  ASSERT_TRUE(engine.Start());
  ASSERT_TRUE(sink.WaitForProgress(2));
  engine.Stop();
  ASSERT_TRUE(engine.Wait(60000));

  ExpectWellFormedRun(sink);
  EXPECT_NE(sink.Stop(), 0);
  EXPECT_TRUE(mp.registry.Saves().empty());
  EXPECT_EQ(sink.Counts().NotReached(), 3u);
}

TEST_F(ProgressTest, LeavingDuringARunStopsItAndWaitsForTheEnd) {
  AddHives(3);
  std::optional<CRegOptimizeEng> leaving(std::in_place, mp.view);
  leaving->observer = &sink;
  Latch started;
  leaving->SetRunHook([&](RunPoint point) {
    if (point != RunPoint::kProgressStarted) return;
    started.Open();
    while (leaving->stopRequested == 0) std::this_thread::yield();
  });
  ASSERT_TRUE(leaving->Start());
  ASSERT_TRUE(started.WaitOpen());
  leaving.reset();  // as the page does when the program ends

  EXPECT_EQ(sink.Completions(), 1);
  EXPECT_NE(sink.Stop(), 0);
  ExpectWellFormedRun(sink);
  EXPECT_TRUE(mp.registry.Saves().empty());
}

TEST_F(ProgressTest, OneRunAtATime) {
  AddHives(1);
  Latch release;
  engine.SetRunHook([&](RunPoint point) {
    if (point == RunPoint::kProgressStarted) {
      EXPECT_TRUE(release.WaitOpen());
    }
  });
  ASSERT_TRUE(engine.Start());
  EXPECT_FALSE(engine.Start());
  EXPECT_TRUE(engine.Running());
  release.Open();
  ASSERT_TRUE(engine.Wait(60000));
  EXPECT_EQ(sink.Completions(), 1);
  EXPECT_EQ(mp.registry.Saves().size(), 1u);
}

}  // namespace
