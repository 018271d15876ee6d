#include "framework/module_host.h"

#include <gtest/gtest.h>

#include "platform/memory/memory_platform.h"
#include "test_modules.h"

namespace framework {
namespace {

using testing::Log;
using testing::LoggingModule;
using testing::ProviderRoot;
using testing::TestLibraries;

inline constexpr wchar_t kFolder[] = L"C:\\Program Files\\Quorvel\\Lumora\\";
inline constexpr Guid kOfferedId = MakeGuid("11111111-2222-3333-4444-555555555555");

class HostTest : public ::testing::Test {
 protected:
  HostTest() { mem.environment.SetModulePath(std::wstring(kFolder) + L"Lumora.exe"); }

  void AddLibrary(const wchar_t* file, const std::string& name,
                  std::vector<ProviderRoot::Offer> offers = {}) {
    libraries.Add(std::wstring(kFolder) + file, name, [this, name, offers] {
      return static_cast<IHalcynAppModule*>(new ProviderRoot(log, name, offers));
    });
  }
  std::unique_ptr<CProductApp> MakeHost() {
    return std::make_unique<CProductApp>(mem.view, libraries, [this] {
      ++uiCreated;
      auto* ui = new LoggingModule(log, "ui");
      ui->initResult = uiInitResult;
      return ReleasePtr<IHalcynAppModule>(ui);
    });
  }

  platform::memory::MemoryPlatform mem;
  Log log;
  TestLibraries libraries{log};
  int uiCreated = 0;
  HResult uiInitResult = kOk;
};

TEST_F(HostTest, StartLoadsBothLibrariesThenTheUiModuleAndInitialisesInThatOrder) {
  AddLibrary(kVersionInfoLibrary, "version");
  AddLibrary(kConfigLibrary, "config", {{kOfferedId, "offered"}});
  {
    auto host = MakeHost();
    EXPECT_EQ(host->Start(), kOk);
    std::vector<Guid> ids;
    for (const ModuleEntry& e : static_cast<CHalcynSoftBus*>(host->Bus())->Entries())
      ids.push_back(e.id);
    EXPECT_EQ(ids, (std::vector<Guid>{kVersionInfoModuleId, kOfferedId, kConfigModuleId,
                                      kUiModuleId}));
    IHalcynAppModule* config = nullptr;
    EXPECT_EQ(host->GetModule(kConfigModuleId, &config), kOk);
    EXPECT_EQ(static_cast<LoggingModule*>(config)->Name(), "config");
    EXPECT_EQ(host->Stop(), kOk);
    EXPECT_EQ(log, (Log{"load version", "load config", "init version", "init offered",
                        "init config", "init ui", "uninit ui", "uninit config",
                        "uninit offered", "uninit version"}));
    log.clear();
  }
  // Destroying the host releases the bus: modules in order, libraries after.
  EXPECT_EQ(log, (Log{"release version", "free version", "release offered", "release config",
                      "free config", "release ui"}));
}

TEST_F(HostTest, AMissingConfigLibraryFailsTheStartBeforeTheUiModuleExists) {
  AddLibrary(kVersionInfoLibrary, "version");
  {
    auto host = MakeHost();
    EXPECT_EQ(host->Start(), kFail);
    EXPECT_EQ(uiCreated, 0);
    EXPECT_EQ(log, (Log{"load version"}));  // nothing was initialised
  }
  EXPECT_EQ(libraries.Loaded(), 0);  // the version library went with the bus
}

TEST_F(HostTest, AMissingVersionLibraryFailsTheStartWithoutLoadingTheConfig) {
  AddLibrary(kConfigLibrary, "config");
  auto host = MakeHost();
  EXPECT_EQ(host->Start(), kFail);
  EXPECT_EQ(log, Log{});
}

TEST_F(HostTest, AFailingUiInitialisationIsTheStartResult) {
  AddLibrary(kVersionInfoLibrary, "version");
  AddLibrary(kConfigLibrary, "config");
  uiInitResult = kNoInterface;
  auto host = MakeHost();
  EXPECT_EQ(host->Start(), kNoInterface);
}

TEST_F(HostTest, WithoutAUiModuleTheStartStillSucceeds) {
  AddLibrary(kVersionInfoLibrary, "version");
  AddLibrary(kConfigLibrary, "config");
  CProductApp host(mem.view, libraries, [] { return ReleasePtr<IHalcynAppModule>(); });
  EXPECT_EQ(host.Start(), kOk);
  IHalcynAppModule* ui = nullptr;
  EXPECT_EQ(host.GetModule(kUiModuleId, &ui), kNoInterface);
}

}  // namespace
}  // namespace framework
