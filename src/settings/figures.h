// The figures of the last scan, repair and optimization.
#pragma once
#include <cstdint>

#include "platform/system_info.h"
#include "settings/settings_store.h"

namespace settings {

// End of a scan, in this order: "LastRegScan" = now, "LastRegScanCount" =
// found, "LastRegRepair" = 0, "LastRegNoRepair" = found.
void RecordScanEnd(ISettingsStore& store, platform::ISystemInfo& system, int32_t found);
// End of a repair run: "LastRegRepair" = repaired, "LastRegNoRepair" =
// found - repaired.
void RecordRepairEnd(ISettingsStore& store, int32_t found, int32_t repaired);
// End of an optimization: "LastRegisterOpti" = now.
void RecordOptimizationEnd(ISettingsStore& store, platform::ISystemInfo& system);

}  // namespace settings
