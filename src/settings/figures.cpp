#include "settings/figures.h"

#include "settings/settings_codecs.h"
#include "settings/settings_keys.h"

namespace settings {

// Write failures are the store's business; the figures are advisory.
void RecordScanEnd(ISettingsStore& store, platform::ISystemInfo& system, int32_t found) {
  WriteTime(store, kLastRegScan, system.NowSeconds());
  store.SetInt(kSection, kLastRegScanCount, found);
  store.SetInt(kSection, kLastRegRepair, 0);
  store.SetInt(kSection, kLastRegNoRepair, found);
}

void RecordRepairEnd(ISettingsStore& store, int32_t found, int32_t repaired) {
  store.SetInt(kSection, kLastRegRepair, repaired);
  store.SetInt(kSection, kLastRegNoRepair, found - repaired);
}

void RecordOptimizationEnd(ISettingsStore& store, platform::ISystemInfo& system) {
  WriteTime(store, kLastRegisterOpti, system.NowSeconds());
}

}  // namespace settings
