// How the settings are written as text and read back.
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "settings/settings_store.h"

namespace settings {

// Decimal text of a signed 64-bit value ("%I64d").
std::wstring FormatInt64(int64_t value);
// A decimal number the way the C runtime's _wtoi64 reads one: leading white
// space, an optional sign, digits up to the first other character. Text that
// is no number reads as 0; values beyond the range are clamped to it.
int64_t ParseInt64(const std::wstring& text);
int32_t ParseInt32(const std::wstring& text);

// Times: seconds since 1970-01-01 00:00 UTC as decimal text. Reading gives
// nullopt for an empty (never written) text.
bool WriteTime(ISettingsStore& store, const wchar_t* key, int64_t secondsSince1970);
std::optional<int64_t> ReadTime(ISettingsStore& store, const wchar_t* key);

// Scan-category choice: category id -> state (non-zero = scan it).
using CategoryChoice = std::map<int32_t, int32_t>;
inline constexpr int32_t kCategoryCount = 17;

// Empty text: all 17 categories on. Otherwise "id:state," pieces; a piece
// without ':' is ignored, a later piece for the same id wins.
CategoryChoice ParseCategoryChoice(const std::wstring& text);
// Every id in ascending order as "id:state," with state 1 or 0.
std::wstring FormatCategoryChoice(const CategoryChoice& choice);
CategoryChoice ReadCategoryChoice(ISettingsStore& store);
bool WriteCategoryChoice(ISettingsStore& store, const CategoryChoice& choice);
// The categories a scan covers: the ids that are on, ascending.
std::vector<int32_t> ScanCategories(const CategoryChoice& choice);

// "ScheduleType" is the schedule list's entry + 1; 0 (never set) and any
// value that names no entry mean entry 4, no schedule.
inline constexpr int kScheduleEntryCount = 5;
inline constexpr int kScheduleEntryNone = 4;
int ScheduleEntryFromStored(int32_t storedType);
int32_t StoredTypeFromEntry(int entry);
// "ScheduleWeek": 0 = Sunday ... 6 = Saturday; anything else reads as Sunday.
int ScheduleWeekFromStored(int32_t storedWeek);

}  // namespace settings
