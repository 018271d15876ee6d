// Scheduled scans: the stored schedule, the schedule page's rules, the tip
// text and applying a schedule to the system's task scheduler.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/platform.h"
#include "platform/system_info.h"
#include "settings/settings_codecs.h"
#include "settings/settings_store.h"

namespace settings {

// Trigger kinds of a scheduled task.
inline constexpr int32_t kTriggerOnce = 1;
inline constexpr int32_t kTriggerDaily = 2;
inline constexpr int32_t kTriggerWeekly = 3;
inline constexpr int32_t kTriggerMonthly = 4;

// The weekday buttons and the weekday names, Sunday first.
inline constexpr std::array<const wchar_t*, 7> kWeekdayButtons = {
    L"BtnSunday", L"BtnMonday", L"BtnTuesday", L"BtnWednesday",
    L"BtnThursday", L"BtnFriday", L"BtnSaturday"};
inline constexpr std::array<const wchar_t*, 7> kWeekdayNames = {
    L"Sunday", L"Monday", L"Tuesday", L"Wednesday", L"Thursday", L"Friday", L"Saturday"};

// Entries of the schedule list: 0 and 2 daily, 1 once, 3 weekly, 4 none.
// The trigger kind of an entry; 0 for entry 4 (the task is removed).
int32_t TriggerKindForEntry(int entry);

// Which of the page's controls an entry enables.
struct ScheduleControls {
  bool datePicker = false;
  bool timePicker = false;
  bool weekdays = false;
};
ScheduleControls ControlsForEntry(int entry);

// The schedule as read back from the settings.
struct StoredSchedule {
  int entry = kScheduleEntryNone;
  int64_t time = 0;  // seconds since 1970; the current time when never stored
  int weekday = 0;   // 0 = Sunday
};
StoredSchedule ReadSchedule(ISettingsStore& store, platform::ISystemInfo& system);

using Translate = std::function<std::wstring(const std::wstring&)>;

// "Not Scheduled Yet", "Run Once:%Y-%m-%d %H:%M", "Every Day:%H:%M" or
// "Every Week:<weekday>%H:%M"; each label is translated, the time appended.
std::wstring ScheduleTipText(const StoredSchedule& schedule, platform::ISystemInfo& system,
                             const Translate& translate);

// The inverse of ToLocalTime: local date and time -> seconds since 1970.
int64_t LocalTimeToSeconds(platform::ISystemInfo& system, const platform::LocalTime& local);

// A date and time as the task scheduler takes it (the fields of SYSTEMTIME);
// a year of 0 means not set.
struct TaskTime {
  uint16_t year = 0, month = 0, dayOfWeek = 0, day = 0;
  uint16_t hour = 0, minute = 0, second = 0, milliseconds = 0;
};

struct TaskRequest {
  TaskTime startTime;
  TaskTime endDate;  // year 0: no end date
  int32_t triggerKind = 0;
  std::wstring applicationName;  // required
  std::wstring parameters;
  std::wstring workingDirectory;
  std::wstring comment;
};

// The system's task scheduler. Results are COM status codes (negative =
// failure).
class IScheduledTasks {
 public:
  virtual ~IScheduledTasks() = default;
  // Replaces any task of that name.
  virtual int32_t CreateScheduledTask(const std::wstring& name, const TaskRequest& request) = 0;
  virtual int32_t DeleteScheduledTask(const std::wstring& name) = 0;
};

// What the user chose on the schedule page.
struct ScheduleChoice {
  int entry = kScheduleEntryNone;  // -1: no entry selected
  platform::LocalTime when;        // the date, hour and minute picked, local time
  int weekday = -1;                // -1: no weekday button selected
};

struct ApplyResult {
  StoredSchedule stored;  // the schedule as read back after storing
  int32_t status = 0;     // of the task creation or removal
  bool tipChanged = false;
  std::wstring tip;       // the new tip text when tipChanged
};

// Stores the choice, reads it back, then registers the task "Quorvel Lumora"
// that runs this program with "/schedule" (or removes it for entry 4). The tip
// changes for entry 4 and when the task was registered; a failed registration
// leaves the settings stored and the tip as it was.
ApplyResult ApplySchedule(ISettingsStore& store, platform::Platform& host,
                          IScheduledTasks& tasks, const ScheduleChoice& choice,
                          const Translate& translate);

}  // namespace settings
