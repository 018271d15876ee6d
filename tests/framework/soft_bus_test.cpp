#include "framework/soft_bus.h"

#include <gtest/gtest.h>

#include "framework/guid.h"
#include "test_modules.h"

namespace framework {
namespace {

using testing::kIdA;
using testing::kIdB;
using testing::kIdC;
using testing::Log;
using testing::LoggingModule;

class SoftBusTest : public testing::BusTest {
 protected:
  LoggingModule* Add(const Guid& id, const std::string& name, LibraryHandle library = nullptr) {
    auto* module = new LoggingModule(log, name);
    EXPECT_EQ(bus->RegisterModule(id, module, library), kOk);
    return module;
  }
};

TEST(Guid, ParsesAndFormatsTheBracedUpperCaseForm) {
  EXPECT_EQ(GuidToString(kVersionInfoModuleId), L"{4DF72980-79F4-42DB-B65C-C95D07B79FD9}");
  EXPECT_EQ(GuidToString(kConfigModuleId), L"{70E5F067-15F7-49FA-90A3-01081AAB116B}");
  EXPECT_EQ(GuidToString(kUiModuleId), L"{6EA5A959-E4BD-4D88-9F72-5D6843B026AF}");
  EXPECT_EQ(GuidToString(kIID_IModuleProvider), L"{9C0E3A2A-A480-4319-89A3-826F055F5B28}");
  constexpr Guid lower = MakeGuid("9c0e3a2a-a480-4319-89a3-826f055f5b28");
  EXPECT_EQ(lower, kIID_IModuleProvider);
  EXPECT_EQ(kIID_IModuleProvider.data4[0], 0x89);
  EXPECT_EQ(kIID_IModuleProvider.data4[7], 0x28);
}

TEST_F(SoftBusTest, RegistrationGivesTheModuleItsBusAndIdAndRefusesNull) {
  LoggingModule* a = Add(kIdA, "A");
  EXPECT_EQ(a->Bus(), bus.get());
  EXPECT_EQ(a->ModuleId(), kIdA);
  EXPECT_EQ(bus->RegisterModule(kIdB, nullptr, nullptr), kPointer);

  // A module that refuses its bus is not taken (the caller still owns it).
  auto* refusing = new LoggingModule(log, "R");
  refusing->setBusResult = kUnexpected;
  EXPECT_EQ(bus->RegisterModule(kIdB, refusing, nullptr), kUnexpected);
  EXPECT_EQ(bus->Entries().size(), 1u);
  refusing->Release();
}

TEST_F(SoftBusTest, GetModuleFindsTheFirstEntryOfAnId) {
  LoggingModule* first = Add(kIdA, "first");
  Add(kIdB, "other");
  Add(kIdA, "second");
  IHalcynAppModule* found = nullptr;
  EXPECT_EQ(bus->GetModule(kIdA, &found), kOk);
  EXPECT_EQ(found, first);

  IHalcynAppModule* untouched = first;
  EXPECT_EQ(bus->GetModule(kIdC, &untouched), kNoInterface);
  EXPECT_EQ(bus->GetModule(kIdA, nullptr), kInvalidArg);
}

TEST_F(SoftBusTest, QueryInterfaceIsNotImplementedAndCountsAreConstant) {
  void* out = &log;
  EXPECT_EQ(bus->QueryInterface(kIID_IHalcynSoftBus, &out), kNotImpl);
  EXPECT_EQ(bus->AddRef(), 1u);
  EXPECT_EQ(bus->AddRef(), 1u);
}

TEST_F(SoftBusTest, InitialisationRunsInOrderAndStopsAtTheFirstFailure) {
  Add(kIdA, "A");
  Add(kIdB, "B")->initResult = kInvalidArg;
  Add(kIdC, "C");
  EXPECT_EQ(bus->InitializeModules(), kInvalidArg);
  EXPECT_EQ(log, (Log{"init A", "init B"}));
}

TEST_F(SoftBusTest, APositiveInitialisationResultDoesNotStopTheOthers) {
  Add(kIdA, "A")->initResult = 1;
  Add(kIdB, "B");
  EXPECT_EQ(bus->InitializeModules(), kOk);
  EXPECT_EQ(log, (Log{"init A", "init B"}));
}

TEST_F(SoftBusTest, UninitialisationRunsInReverseAndIgnoresResults) {
  Add(kIdA, "A");
  Add(kIdB, "B");
  Add(kIdC, "C");
  EXPECT_EQ(bus->UninitializeModules(), kOk);
  EXPECT_EQ(log, (Log{"uninit C", "uninit B", "uninit A"}));
}

TEST_F(SoftBusTest, ReleaseFreesModulesInOrderEachLibraryAfterItsModule) {
  libraries.Add(L"one.dll", "one.dll", {});
  libraries.Add(L"two.dll", "two.dll", {});
  Add(kIdA, "offered-by-one");
  Add(kIdB, "root-one", libraries.Load(L"one.dll"));
  Add(kIdC, "root-two", libraries.Load(L"two.dll"));
  Add(kUiModuleId, "ui");
  log.clear();
  bus.reset();
  EXPECT_EQ(log, (Log{"release offered-by-one", "release root-one", "free one.dll",
                      "release root-two", "free two.dll", "release ui"}));
  EXPECT_EQ(libraries.Loaded(), 0);
}

}  // namespace
}  // namespace framework
