#include "settings/figures.h"

#include <gtest/gtest.h>

#include "platform/memory/memory_platform.h"
#include "settings/exclusions.h"
#include "settings/memory_settings_store.h"
#include "settings/schedule.h"
#include "settings/settings_codecs.h"
#include "settings/settings_keys.h"

namespace settings {
namespace {

struct Figures {
  int32_t count, repaired, unrepaired;
  bool operator==(const Figures&) const = default;
};

Figures Read(MemorySettingsStore& store) {
  return {store.GetInt(kSection, kLastRegScanCount, 0), store.GetInt(kSection, kLastRegRepair, 0),
          store.GetInt(kSection, kLastRegNoRepair, 0)};
}

class FiguresTest : public testing::Test {
 protected:
  platform::memory::MemoryPlatform host;
  MemorySettingsStore store;
};

TEST_F(FiguresTest, AFreshInstallationHasNoScanNoExclusionsNoScheduleAndAllCategories) {
  EXPECT_EQ(ReadTime(store, kLastRegScan), std::nullopt);
  EXPECT_EQ(ReadTime(store, kLastRegisterOpti), std::nullopt);
  EXPECT_EQ(Read(store), (Figures{0, 0, 0}));
  EXPECT_TRUE(LoadExclusions(store).empty());
  EXPECT_EQ(ScanCategories(ReadCategoryChoice(store)).size(), 17u);
  EXPECT_EQ(store.GetInt(kSection, kExitMini, 0), 0);
  const StoredSchedule schedule = ReadSchedule(store, host.system);
  EXPECT_EQ(schedule.entry, kScheduleEntryNone);
  EXPECT_EQ(schedule.time, host.system.NowSeconds());  // nothing stored: now
  EXPECT_EQ(schedule.weekday, 0);
}

TEST_F(FiguresTest, ScanRepairAndNextScanKeepTheFiguresInStep) {
  host.system.SetNow(1346422500);
  RecordScanEnd(store, host.system, 12);
  EXPECT_EQ(Read(store), (Figures{12, 0, 12}));
  EXPECT_EQ(ReadTime(store, kLastRegScan), 1346422500);

  RecordRepairEnd(store, 12, 9);
  EXPECT_EQ(Read(store), (Figures{12, 9, 3}));
  EXPECT_EQ(ReadTime(store, kLastRegScan), 1346422500);  // a repair is no scan

  host.system.SetNow(1346422600);
  RecordScanEnd(store, host.system, 5);
  EXPECT_EQ(Read(store), (Figures{5, 0, 5}));
  EXPECT_EQ(ReadTime(store, kLastRegScan), 1346422600);
}

TEST_F(FiguresTest, AScanThatFindsNothingStoresZeros) {
  RecordScanEnd(store, host.system, 7);
  RecordRepairEnd(store, 7, 7);
  RecordScanEnd(store, host.system, 0);
  EXPECT_EQ(Read(store), (Figures{0, 0, 0}));
  EXPECT_TRUE(ReadTime(store, kLastRegScan).has_value());
}

TEST_F(FiguresTest, AnOptimizationStoresOnlyItsTime) {
  host.system.SetNow(4102444800);
  RecordOptimizationEnd(store, host.system);
  EXPECT_EQ(ReadTime(store, kLastRegisterOpti), 4102444800);
  EXPECT_EQ(ReadTime(store, kLastRegScan), std::nullopt);
}

}  // namespace
}  // namespace settings
