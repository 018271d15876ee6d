#include "framework/module_loading.h"

#include <gtest/gtest.h>

#include "framework/soft_bus.h"
#include "test_modules.h"

namespace framework {
namespace {

using testing::kIdA;
using testing::kIdB;
using testing::kIdC;
using testing::Log;
using testing::LoggingModule;
using testing::ProviderRoot;

inline constexpr Guid kLibraryId = kConfigModuleId;

class LoadingTest : public testing::BusTest {
 protected:
  void AddProvider(std::vector<ProviderRoot::Offer> offers) {
    libraries.Add(L"C:\\app\\lib.dll", "lib", [this, offers] {
      return static_cast<IHalcynAppModule*>(new ProviderRoot(log, "root", offers));
    });
  }
  bool Load() { return LoadSiblingModule(libraries, L"C:\\app\\lib.dll", kLibraryId, bus.get()); }
  // (id, has library) of every entry, in order.
  std::vector<std::pair<Guid, bool>> Entries() const {
    std::vector<std::pair<Guid, bool>> out;
    for (const ModuleEntry& e : bus->Entries()) out.emplace_back(e.id, e.library != nullptr);
    return out;
  }
};

TEST_F(LoadingTest, ALibraryOfferingNoModulesContributesItsRootObjectOnly) {
  AddProvider({});
  EXPECT_TRUE(Load());
  EXPECT_EQ(Entries(), (std::vector<std::pair<Guid, bool>>{{kLibraryId, true}}));
}

TEST_F(LoadingTest, ARootWithoutAProviderIsRegisteredAlone) {
  libraries.Add(L"C:\\app\\lib.dll", "lib", [this] {
    return static_cast<IHalcynAppModule*>(new LoggingModule(log, "plain"));
  });
  EXPECT_TRUE(Load());
  EXPECT_EQ(Entries(), (std::vector<std::pair<Guid, bool>>{{kLibraryId, true}}));
}

TEST_F(LoadingTest, OfferedModulesComeFirstWithoutTheLibraryHandle) {
  AddProvider({{kIdA, "A"}, {kIdB, "B"}, {kIdC, "C"}});
  EXPECT_TRUE(Load());
  EXPECT_EQ(Entries(), (std::vector<std::pair<Guid, bool>>{
                           {kIdA, false}, {kIdB, false}, {kIdC, false}, {kLibraryId, true}}));
  IHalcynAppModule* b = nullptr;
  ASSERT_EQ(bus->GetModule(kIdB, &b), kOk);
  EXPECT_EQ(static_cast<LoggingModule*>(b)->Name(), "B");
}

TEST_F(LoadingTest, ACreationFailureStopsTheOffersButKeepsTheRoot) {
  AddProvider({{kIdA, "A"}, {kIdB, "B", /*createFails=*/true}, {kIdC, "C"}});
  EXPECT_TRUE(Load());  // the last registration (A) succeeded
  EXPECT_EQ(Entries(),
            (std::vector<std::pair<Guid, bool>>{{kIdA, false}, {kLibraryId, true}}));
}

TEST_F(LoadingTest, TheResultFollowsTheLastOfferedRegistration) {
  // B is refused by the bus: released at once, C registered after it.
  AddProvider({{kIdA, "A"}, {kIdB, "B", false, kUnexpected}, {kIdC, "C"}});
  EXPECT_TRUE(Load());
  EXPECT_EQ(Entries(), (std::vector<std::pair<Guid, bool>>{
                           {kIdA, false}, {kIdC, false}, {kLibraryId, true}}));
  EXPECT_NE(std::find(log.begin(), log.end(), "release B"), log.end());

  // Now the last one is refused: the load reports false, the root stays.
  bus.reset(new CHalcynSoftBus(mem.view, &libraries));
  AddProvider({{kIdA, "A"}, {kIdB, "B", false, kUnexpected}});
  EXPECT_FALSE(Load());
  EXPECT_EQ(Entries(),
            (std::vector<std::pair<Guid, bool>>{{kIdA, false}, {kLibraryId, true}}));
}

TEST_F(LoadingTest, MissingLibraryExportOrRootObjectFailsAndLeavesNothingLoaded) {
  EXPECT_FALSE(Load());  // no such library
  EXPECT_FALSE(LoadSiblingModule(libraries, L"", kLibraryId, bus.get()));
  EXPECT_FALSE(LoadSiblingModule(libraries, L"C:\\app\\lib.dll", kLibraryId, nullptr));

  libraries.Add(L"C:\\app\\lib.dll", "noexport", {});
  EXPECT_FALSE(Load());
  EXPECT_EQ(libraries.Loaded(), 0);

  libraries.Add(L"C:\\app\\lib.dll", "nullroot", [] { return nullptr; });
  EXPECT_FALSE(Load());
  EXPECT_EQ(libraries.Loaded(), 0);
  EXPECT_TRUE(bus->Entries().empty());
}

TEST_F(LoadingTest, ARootTheBusRefusesIsReleasedAndItsLibraryUnloaded) {
  libraries.Add(L"C:\\app\\lib.dll", "lib", [this] {
    auto* root = new LoggingModule(log, "root");
    root->setBusResult = kFail;
    return static_cast<IHalcynAppModule*>(root);
  });
  EXPECT_TRUE(Load());
  EXPECT_TRUE(bus->Entries().empty());
  EXPECT_EQ(libraries.Loaded(), 0);
  EXPECT_EQ(log, (Log{"load lib", "release root", "free lib"}));
}

}  // namespace
}  // namespace framework
