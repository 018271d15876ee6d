#include "settings/schedule.h"

#include "platform/text.h"
#include "settings/settings_keys.h"

namespace settings {
namespace {

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t year, int month, int day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

int64_t CivilSeconds(const platform::LocalTime& t) {
  return DaysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 +
         t.second;
}

TaskTime TaskStart(platform::ISystemInfo& system, const StoredSchedule& schedule) {
  const platform::LocalTime local = system.ToLocalTime(schedule.time);
  TaskTime start;
  start.year = static_cast<uint16_t>(local.year);
  start.month = static_cast<uint16_t>(local.month);
  start.day = static_cast<uint16_t>(local.day);
  start.dayOfWeek = static_cast<uint16_t>(
      schedule.entry == 3 ? schedule.weekday : local.dayOfWeek);
  start.hour = static_cast<uint16_t>(local.hour);
  start.minute = static_cast<uint16_t>(local.minute);
  return start;
}

std::wstring FolderOf(const std::wstring& path) {
  const size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace

int32_t TriggerKindForEntry(int entry) {
  switch (entry) {
    case 0:
    case 2: return kTriggerDaily;
    case 1: return kTriggerOnce;
    case 3: return kTriggerWeekly;
    default: return 0;
  }
}

ScheduleControls ControlsForEntry(int entry) {
  switch (entry) {
    case 0:
    case 1:
    case 2: return {true, true, false};
    case 3: return {false, true, true};
    default: return {false, false, false};
  }
}

StoredSchedule ReadSchedule(ISettingsStore& store, platform::ISystemInfo& system) {
  StoredSchedule schedule;
  schedule.entry = ScheduleEntryFromStored(store.GetInt(kSection, kScheduleType, 0));
  schedule.time = ReadTime(store, kScheduleDateTime).value_or(system.NowSeconds());
  schedule.weekday = ScheduleWeekFromStored(store.GetInt(kSection, kScheduleWeek, 0));
  return schedule;
}

std::wstring ScheduleTipText(const StoredSchedule& schedule, platform::ISystemInfo& system,
                             const Translate& translate) {
  if (schedule.time == 0 || schedule.entry == kScheduleEntryNone) {
    return translate(L"Not Scheduled Yet");
  }
  const platform::LocalTime t = system.ToLocalTime(schedule.time);
  const std::wstring clock = platform::Format(L"%02d:%02d", t.hour, t.minute);
  switch (schedule.entry) {
    case 1:
      return translate(L"Run Once:") +
             platform::Format(L"%d-%02d-%02d ", t.year, t.month, t.day) + clock;
    case 3:
      return translate(L"Every Week:") + translate(kWeekdayNames[ScheduleWeekFromStored(schedule.weekday)]) + clock;
    default:
      return translate(L"Every Day:") + clock;
  }
}

int64_t LocalTimeToSeconds(platform::ISystemInfo& system, const platform::LocalTime& local) {
  // Start from the local time read as UTC and correct by the offset the
  // system reports there; a second round settles daylight-saving changes.
  const int64_t wanted = CivilSeconds(local);
  int64_t guess = wanted;
  for (int round = 0; round < 3; ++round) {
    const int64_t shown = CivilSeconds(system.ToLocalTime(guess));
    if (shown == wanted) break;
    guess += wanted - shown;
  }
  return guess;
}

ApplyResult ApplySchedule(ISettingsStore& store, platform::Platform& host,
                          IScheduledTasks& tasks, const ScheduleChoice& choice,
                          const Translate& translate) {
  store.SetInt(kSection, kScheduleType, StoredTypeFromEntry(choice.entry));
  WriteTime(store, kScheduleDateTime, LocalTimeToSeconds(host.system, choice.when));
  store.SetInt(kSection, kScheduleWeek, ScheduleWeekFromStored(choice.weekday));

  ApplyResult result;
  result.stored = ReadSchedule(store, host.system);
  if (result.stored.entry == kScheduleEntryNone) {
    result.status = tasks.DeleteScheduledTask(kProductTitle);  // a missing task is fine
    result.tipChanged = true;
    result.tip = ScheduleTipText(result.stored, host.system, translate);
    return result;
  }

  TaskRequest request;
  request.startTime = TaskStart(host.system, result.stored);
  request.triggerKind = TriggerKindForEntry(result.stored.entry);
  request.applicationName = host.environment.GetModulePath();
  request.workingDirectory = FolderOf(request.applicationName);
  request.parameters = kScheduleSwitch;
  result.status = tasks.CreateScheduledTask(kProductTitle, request);
  if (result.status >= 0) {
    result.tipChanged = true;
    result.tip = ScheduleTipText(result.stored, host.system, translate);
  }
  return result;
}

}  // namespace settings
