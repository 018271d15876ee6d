// The scan engine's observer sequence, stopping, restarting and shutdown.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <map>
#include <memory>
#include <thread>

#include "platform/memory/memory_platform.h"
#include "scan/purvex_eng.h"
#include "scan/scan_test_support.h"

namespace {

using scan_test::FnScanner;
using scan_test::RecordingObserver;
using Lines = std::vector<std::string>;

constexpr uint32_t kWaitMs = 20000;  // a bound for a hung scan, not a timing check

// Sets the process-wide last percent to a known value through the product
// path (a scanner without observer), so that sequences do not depend on the
// tests that ran before.
void PrimeLastPercent(platform::Platform& p, int32_t percent) {
  NSTorvane::CPurvexImpl primer(p);
  primer.ReportProgress(percent);
  ASSERT_EQ(NSTorvane::LastReportedPercent(), percent);
}

class EngineTest : public ::testing::Test {
 protected:
  // A factory that makes a FnScanner for the ids that have a body.
  ScannerFactory Factory() {
    return [this](int32_t id, platform::Platform& p) -> ScannerPtr {
      auto it = bodies.find(id);
      if (it == bodies.end()) return nullptr;
      return std::make_unique<FnScanner>(p, it->second, &observer, std::to_string(id));
    };
  }

  Lines RunScan(CPurvexEng& engine, std::vector<int32_t> categories) {
    observer.Clear();
    EXPECT_TRUE(engine.Start(ScanRequest{std::move(categories), {}}, &observer));
    engine.Resume();
    EXPECT_TRUE(engine.Wait(kWaitMs));
    return observer.Lines();
  }

  platform::memory::MemoryPlatform mp;
  platform::Platform& p = mp.view;
  RecordingObserver observer;
  std::map<int32_t, FnScanner::Body> bodies;
};

TEST_F(EngineTest, EmptyListGivesOnlyBeginAndEnd) {
  CPurvexEng engine(p);
  EXPECT_EQ(RunScan(engine, {}), (Lines{"scan+", "scan-"}));
}

TEST_F(EngineTest, IdsOutsideTheTableGiveAPairEachWithoutPause) {
  CPurvexEng engine(p);  // the product's CreateScanner
  EXPECT_EQ(RunScan(engine, {-1, 17, 1000}),
            (Lines{"scan+", "cat+-1", "cat--1", "cat+17", "cat-17", "cat+1000", "cat-1000",
                   "scan-"}));
  EXPECT_EQ(mp.system.SleptMilliseconds(), 0u);
  for (int32_t id : {-1, 17, 1 << 30}) EXPECT_EQ(CreateScanner(id, p), nullptr) << id;
}

TEST_F(EngineTest, IdsWhoseFactoryGivesNoScannerGiveAPairEachWithoutPause) {
  CPurvexEng engine(p, {Factory()});  // no bodies: no scanner for any id
  EXPECT_EQ(RunScan(engine, {0, 16, 5}), (Lines{"scan+", "cat+0", "cat-0", "cat+16", "cat-16",
                                                "cat+5", "cat-5", "scan-"}));
  EXPECT_EQ(mp.system.SleptMilliseconds(), 0u);
}

TEST_F(EngineTest, CategoriesRunInOrderWithScannerDestroyedAfterItsEnd) {
  PrimeLastPercent(p, 0);
  bodies[3] = [](FnScanner& s) {
    s.SendScanItem(L"HKEY_CURRENT_USER\\A");
    s.ReportProblem(5, L"data", L"HKEY_CURRENT_USER\\A", L"n/a");
    s.ReportProgress(100);
  };
  bodies[12] = [](FnScanner& s) { s.ReportProgress(100); };
  CPurvexEng engine(p, {Factory()});
  // Two scanners in between an id without one (99).
  EXPECT_EQ(RunScan(engine, {3, 99, 12}),
            (Lines{"scan+", "cat+3", "item HKEY_CURRENT_USER\\A",
                   "problem 5|data|HKEY_CURRENT_USER\\A|n/a", "pct 100", "cat-3", "~3", "cat+99",
                   "cat-99", "cat+12", "cat-12", "~12", "scan-"}));
  // The pause follows only the categories that had a scanner.
  EXPECT_EQ(mp.system.SleptMilliseconds(), 200u);
}

TEST_F(EngineTest, ScannerGetsObserverPlatformAndWow64Flag) {
  mp.system.SetWow64(true);
  bool sawObserver = false, sawWow64 = false, samePlatform = false;
  bodies[1] = [&](FnScanner& s) {
    sawObserver = s.observer == &observer;
    sawWow64 = s.isWow64;
    samePlatform = &s.GetPlatform().registry == &mp.registry;
  };
  CPurvexEng engine(p, {Factory()});
  RunScan(engine, {1});
  EXPECT_TRUE(sawObserver);
  EXPECT_TRUE(sawWow64);
  EXPECT_TRUE(samePlatform);
}

TEST_F(EngineTest, ProgressIsSentOnlyOnChangeAndNeverResetBetweenScans) {
  PrimeLastPercent(p, 0);
  bodies[0] = [](FnScanner& s) {
    for (int32_t v : {10, 10, 20, 20, 20, 55, 100}) s.ReportProgress(v);
    s.ReportProgress(100);  // a category that stands at 100 sends nothing more
  };
  bodies[1] = [](FnScanner& s) {
    for (int32_t v : {100, 40, 40, 100}) s.ReportProgress(v);
  };
  CPurvexEng engine(p, {Factory()});
  EXPECT_EQ(RunScan(engine, {0}), (Lines{"scan+", "cat+0", "pct 10", "pct 20", "pct 55",
                                         "pct 100", "cat-0", "~0", "scan-"}));
  // The second scan's first percent equals the first scan's last: not sent.
  EXPECT_EQ(RunScan(engine, {1}).size(), 7u);
  EXPECT_EQ(observer.Only("pct"), (Lines{"pct 40", "pct 100"}));
  // A second engine shares the same last percent.
  CPurvexEng other(p, {Factory()});
  RunScan(other, {1});
  EXPECT_EQ(observer.Only("pct"), (Lines{"pct 40", "pct 100"}));
}

// A scanner that announces it is inside Scan, then loops until cancelled
// (bounded, so that a lost stop fails the test instead of hanging it).
struct BlockingBody {
  std::shared_ptr<std::promise<void>> entered = std::make_shared<std::promise<void>>();
  std::shared_ptr<std::atomic<bool>> sawCancelFlag = std::make_shared<std::atomic<bool>>(false);
  std::shared_ptr<std::atomic<bool>> gaveUp = std::make_shared<std::atomic<bool>>(false);

  FnScanner::Body Body() {
    return [e = entered, saw = sawCancelFlag, up = gaveUp](FnScanner& s) {
      s.ReportProgress(33);
      e->set_value();
      const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
      while (!s.Cancelled()) {
        if (std::chrono::steady_clock::now() > until) {
          *up = true;
          return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      *saw = s.cancel.load();
    };
  }
  void WaitEntered() {
    ASSERT_EQ(entered->get_future().wait_for(std::chrono::milliseconds(kWaitMs)),
              std::future_status::ready);
  }
};

TEST_F(EngineTest, StopMidCategoryEndsItAndBeginsNoLaterCategory) {
  PrimeLastPercent(p, 0);
  BlockingBody blocking;
  bodies[2] = [](FnScanner& s) { s.ReportProgress(100); };
  bodies[7] = blocking.Body();
  bodies[9] = [](FnScanner& s) { s.ReportProgress(50); };
  CPurvexEng engine(p, {Factory()});
  ASSERT_TRUE(engine.Start(ScanRequest{{2, 7, 9, 11}, {}}, &observer));
  engine.Resume();
  blocking.WaitEntered();
  engine.Stop();
  ASSERT_TRUE(engine.Wait(kWaitMs));
  EXPECT_FALSE(*blocking.gaveUp);
  EXPECT_TRUE(*blocking.sawCancelFlag);  // Stop set the running scanner's own flag
  EXPECT_EQ(observer.Lines(), (Lines{"scan+", "cat+2", "pct 100", "cat-2", "~2", "cat+7",
                                     "pct 33", "cat-7", "~7", "scan-"}));
}

TEST_F(EngineTest, StopWhileTheScannerIsCreatedIsNotLostWhenScanClearsCancel) {
  CPurvexEng* engineRef = nullptr;
  BlockingBody blocking;
  bodies[4] = blocking.Body();
  auto inner = Factory();
  PurvexEngOptions options;
  options.factory = [&](int32_t id, platform::Platform& pl) {
    engineRef->Stop();  // lands before the scanner exists; Scan clears cancel
    return inner(id, pl);
  };
  CPurvexEng engine(p, options);
  engineRef = &engine;
  ASSERT_TRUE(engine.Start(ScanRequest{{4, 5}, {}}, &observer));
  engine.Resume();
  ASSERT_TRUE(engine.Wait(kWaitMs));
  EXPECT_FALSE(*blocking.gaveUp);
  EXPECT_EQ(observer.Only("cat"), (Lines{"cat+4", "cat-4"}));
  EXPECT_EQ(observer.Lines().back(), "scan-");
}

TEST_F(EngineTest, StopBeforeResumeRunsNoCategory) {
  bodies[0] = [](FnScanner& s) { s.ReportProgress(1); };
  CPurvexEng engine(p, {Factory()});
  ASSERT_TRUE(engine.Start(ScanRequest{{0, 1}, {}}, &observer));
  engine.Stop();
  engine.Resume();
  ASSERT_TRUE(engine.Wait(kWaitMs));
  EXPECT_EQ(observer.Lines(), (Lines{"scan+", "scan-"}));
}

TEST_F(EngineTest, StartCopiesTheRequestAndEnablesThePrivileges) {
  CPurvexEng engine(p, {Factory()});
  ScanRequest request{{9, 1}, {L"HKEY_CURRENT_USER\\X"}};
  ASSERT_TRUE(engine.Start(request, &observer));
  request.categories.clear();
  EXPECT_EQ(engine.Categories(), (std::vector<int32_t>{9, 1}));
  EXPECT_EQ(engine.Exclusions(), (std::vector<std::wstring>{L"HKEY_CURRENT_USER\\X"}));
  EXPECT_TRUE(mp.registry.PrivilegeEnabled(L"SeBackupPrivilege"));
  EXPECT_TRUE(mp.registry.PrivilegeEnabled(L"SeRestorePrivilege"));
  // Created at its start gate: nothing runs before the owner resumes it.
  ASSERT_NE(engine.Thread(), nullptr);
  EXPECT_TRUE(engine.Thread()->Running());
  EXPECT_TRUE(observer.Lines().empty());
  engine.Resume();
  ASSERT_TRUE(engine.Wait(kWaitMs));
  EXPECT_EQ(observer.Lines().size(), 6u);
}

TEST_F(EngineTest, StartFailsWithNothingStartedWhenTheTokenCannotBeOpened) {
  mp.registry.SetTokenFails(true);
  CPurvexEng engine(p);
  EXPECT_FALSE(engine.Start(ScanRequest{{1}, {}}, &observer));
  EXPECT_EQ(engine.Thread(), nullptr);
  EXPECT_TRUE(engine.Wait(0));
  EXPECT_TRUE(observer.Lines().empty());
}

TEST_F(EngineTest, OneScanAtATimeAndAFinishedEngineStartsAgain) {
  BlockingBody blocking;
  bodies[6] = blocking.Body();
  CPurvexEng engine(p, {Factory()});
  ASSERT_TRUE(engine.Start(ScanRequest{{6}, {}}, &observer));
  engine.Resume();
  blocking.WaitEntered();
  EXPECT_FALSE(engine.Start(ScanRequest{{0}, {}}, &observer));
  engine.Stop();
  ASSERT_TRUE(engine.Wait(kWaitMs));
  observer.Clear();
  EXPECT_TRUE(engine.Start(ScanRequest{{0}, {}}, &observer));
  EXPECT_FALSE(engine.StopRequested());
  engine.Resume();
  ASSERT_TRUE(engine.Wait(kWaitMs));
  EXPECT_EQ(observer.Lines(), (Lines{"scan+", "cat+0", "cat-0", "scan-"}));
}

TEST_F(EngineTest, StartingAgainDropsAThreadThatWasNeverResumed) {
  CPurvexEng engine(p, {Factory()});
  ASSERT_TRUE(engine.Start(ScanRequest{{1}, {}}, &observer));
  ASSERT_TRUE(engine.Start(ScanRequest{{2}, {}}, &observer));
  engine.Resume();
  ASSERT_TRUE(engine.Wait(kWaitMs));
  EXPECT_EQ(observer.Lines(), (Lines{"scan+", "cat+2", "cat-2", "scan-"}));
}

TEST_F(EngineTest, ShutdownStopsARunningScanAndWaits) {
  BlockingBody blocking;
  bodies[8] = blocking.Body();
  CPurvexEng engine(p, {Factory()});
  ASSERT_TRUE(engine.Start(ScanRequest{{8, 9}, {}}, &observer));
  engine.Resume();
  blocking.WaitEntered();
  EXPECT_TRUE(engine.Shutdown(kWaitMs));
  EXPECT_FALSE(*blocking.gaveUp);
  EXPECT_EQ(observer.Lines().back(), "scan-");
  EXPECT_TRUE(engine.Shutdown(0));  // nothing left to stop
}

TEST_F(EngineTest, ShutdownDropsAThreadThatWasNeverResumed) {
  CPurvexEng engine(p);
  ASSERT_TRUE(engine.Start(ScanRequest{{1}, {}}, &observer));
  EXPECT_TRUE(engine.Shutdown(0));
  EXPECT_TRUE(observer.Lines().empty());
}

TEST_F(EngineTest, DestroyingTheEngineDuringAScanStopsItCooperatively) {
  BlockingBody blocking;
  bodies[13] = blocking.Body();
  {
    CPurvexEng engine(p, {Factory()});
    ASSERT_TRUE(engine.Start(ScanRequest{{13, 14}, {}}, &observer));
    engine.Resume();
    blocking.WaitEntered();
  }
  EXPECT_FALSE(*blocking.gaveUp);
  EXPECT_EQ(observer.Only("cat"), (Lines{"cat+13", "cat-13"}));
  EXPECT_EQ(observer.Lines().back(), "scan-");
}

TEST_F(EngineTest, ANullObserverIsNeverCalled) {
  bodies[0] = [](FnScanner& s) {
    s.ReportProblem(1, L"d", L"HKEY_CURRENT_USER\\X", L"");
    s.ReportProgress(77);
    s.SendScanItem(L"x");
  };
  CPurvexEng engine(p, {Factory()});
  ASSERT_TRUE(engine.Start(ScanRequest{{0}, {}}, nullptr));
  engine.Resume();
  ASSERT_TRUE(engine.Wait(kWaitMs));
  EXPECT_EQ(NSTorvane::LastReportedPercent(), 77);
  EXPECT_EQ(observer.Lines(), (Lines{"~0"}));
}

}  // namespace
