#include "settings/schedule.h"

#include <gtest/gtest.h>

#include "platform/memory/memory_platform.h"
#include "settings/memory_settings_store.h"
#include "settings/settings_keys.h"

namespace settings {
namespace {

// 2012-09-07 (a Friday) 14:15:00 UTC.
constexpr int64_t kFriday1415 = 1347027300;

std::wstring Bracket(const std::wstring& text) { return L"[" + text + L"]"; }

platform::LocalTime At(int year, int month, int day, int hour, int minute, int second = 0) {
  platform::LocalTime t;
  t.year = year, t.month = month, t.day = day, t.hour = hour, t.minute = minute, t.second = second;
  return t;
}

TEST(ScheduleRules, EntriesGiveTheirTriggerAndControls) {
  struct Case { int entry; int32_t trigger; bool date, time, weekdays; };
  const Case cases[] = {
      {0, kTriggerDaily, true, true, false}, {1, kTriggerOnce, true, true, false},
      {2, kTriggerDaily, true, true, false}, {3, kTriggerWeekly, false, true, true},
      {4, 0, false, false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TriggerKindForEntry(c.entry), c.trigger) << c.entry;
    const ScheduleControls controls = ControlsForEntry(c.entry);
    EXPECT_EQ(controls.datePicker, c.date) << c.entry;
    EXPECT_EQ(controls.timePicker, c.time) << c.entry;
    EXPECT_EQ(controls.weekdays, c.weekdays) << c.entry;
  }
}

TEST(ScheduleTip, ShowsTheStoredScheduleWithTranslatedLabels) {
  platform::memory::MemorySystemInfo clock;
  struct Case { StoredSchedule schedule; std::wstring tip; };
  const Case cases[] = {
      {{4, kFriday1415, 0}, L"[Not Scheduled Yet]"},
      {{0, 0, 0}, L"[Not Scheduled Yet]"},  // stored time 0
      {{1, kFriday1415, 0}, L"[Run Once:]2012-09-07 14:15"},
      {{0, kFriday1415, 0}, L"[Every Day:]14:15"},
      {{2, kFriday1415 + 3600 * 10, 0}, L"[Every Day:]00:15"},
      {{3, kFriday1415, 3}, L"[Every Week:][Wednesday]14:15"},
      {{3, kFriday1415, 0}, L"[Every Week:][Sunday]14:15"},
      {{3, kFriday1415, 6}, L"[Every Week:][Saturday]14:15"},
      {{3, kFriday1415, 12}, L"[Every Week:][Sunday]14:15"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ScheduleTipText(c.schedule, clock, Bracket), c.tip)
        << c.schedule.entry << " " << c.schedule.time;
  }
}

TEST(ScheduleTip, AStoredWeekOfNineShowsSunday) {
  platform::memory::MemorySystemInfo clock;
  MemorySettingsStore store;
  store.SetInt(kSection, kScheduleType, 4);
  store.SetInt(kSection, kScheduleWeek, 9);
  store.SetString(kSection, kScheduleDateTime, L"1347027300");
  const StoredSchedule schedule = ReadSchedule(store, clock);
  EXPECT_EQ(schedule.entry, 3);
  EXPECT_EQ(schedule.weekday, 0);
  EXPECT_EQ(schedule.time, kFriday1415);
  EXPECT_EQ(ScheduleTipText(schedule, clock, Bracket), L"[Every Week:][Sunday]14:15");
}

// Local time two hours ahead of UTC, three from 2012-03-25 01:00 UTC on.
class OffsetClock : public platform::memory::MemorySystemInfo {
 public:
  static constexpr int64_t kSummer = 1332637200;
  platform::LocalTime ToLocalTime(int64_t t) override {
    return MemorySystemInfo::ToLocalTime(t + (t >= kSummer ? 3 : 2) * 3600);
  }
};

TEST(LocalTimeToSeconds, InvertsTheSystemsLocalTime) {
  platform::memory::MemorySystemInfo utc;
  EXPECT_EQ(LocalTimeToSeconds(utc, At(2012, 9, 7, 14, 15)), kFriday1415);
  EXPECT_EQ(LocalTimeToSeconds(utc, At(1970, 1, 1, 0, 0)), 0);
  EXPECT_EQ(LocalTimeToSeconds(utc, At(1969, 12, 31, 23, 59, 59)), -1);
  EXPECT_EQ(LocalTimeToSeconds(utc, At(2100, 3, 1, 0, 0)), 4107542400);

  OffsetClock clock;
  EXPECT_EQ(LocalTimeToSeconds(clock, At(2012, 9, 7, 17, 15)), kFriday1415);
  EXPECT_EQ(LocalTimeToSeconds(clock, At(2012, 1, 10, 2, 0)), 1326153600);
  for (int64_t t : {OffsetClock::kSummer - 1, OffsetClock::kSummer, kFriday1415 + 59}) {
    EXPECT_EQ(LocalTimeToSeconds(clock, clock.ToLocalTime(t)), t) << t;
  }
}

// Records what the page asked the task scheduler to do.
class RecordingTasks : public IScheduledTasks {
 public:
  int32_t CreateScheduledTask(const std::wstring& name, const TaskRequest& request) override {
    calls.push_back(L"create " + name);
    last = request;
    return createResult;
  }
  int32_t DeleteScheduledTask(const std::wstring& name) override {
    calls.push_back(L"delete " + name);
    return deleteResult;
  }
  std::vector<std::wstring> calls;
  TaskRequest last;
  int32_t createResult = 0;
  int32_t deleteResult = 0;
};

class ApplyScheduleTest : public testing::Test {
 protected:
  void SetUp() override {
    host.environment.SetModulePath(L"C:\\Program Files\\Quorvel\\Lumora.exe");
  }
  ApplyResult Apply(int entry, platform::LocalTime when, int weekday) {
    return ApplySchedule(store, host.view, tasks, {entry, when, weekday}, Bracket);
  }

  platform::memory::MemoryPlatform host;
  MemorySettingsStore store;
  RecordingTasks tasks;
};

TEST_F(ApplyScheduleTest, WeeklyOnWednesdayAt1430RegistersAWeeklyTask) {
  // The date picker is disabled for a weekly schedule and may hold any day.
  const ApplyResult result = Apply(3, At(2012, 9, 7, 14, 30, 12), 3);

  EXPECT_EQ(store.GetInt(kSection, kScheduleType, 0), 4);
  EXPECT_EQ(store.GetInt(kSection, kScheduleWeek, 0), 3);
  const platform::LocalTime stored =
      host.system.ToLocalTime(ParseInt64(*store.Raw(kSection, kScheduleDateTime)));
  EXPECT_EQ(stored.hour, 14);
  EXPECT_EQ(stored.minute, 30);
  EXPECT_EQ(stored.second, 12);

  ASSERT_EQ(tasks.calls, std::vector<std::wstring>{L"create Quorvel Lumora"});
  const TaskRequest& r = tasks.last;
  EXPECT_EQ(r.triggerKind, kTriggerWeekly);
  EXPECT_EQ(r.startTime.dayOfWeek, 3);
  EXPECT_EQ(r.startTime.year, 2012);
  EXPECT_EQ(r.startTime.month, 9);
  EXPECT_EQ(r.startTime.day, 7);
  EXPECT_EQ(r.startTime.hour, 14);
  EXPECT_EQ(r.startTime.minute, 30);
  EXPECT_EQ(r.startTime.second, 0);
  EXPECT_EQ(r.startTime.milliseconds, 0);
  EXPECT_EQ(r.endDate.year, 0);
  EXPECT_EQ(r.applicationName, L"C:\\Program Files\\Quorvel\\Lumora.exe");
  EXPECT_EQ(r.workingDirectory, L"C:\\Program Files\\Quorvel");
  EXPECT_EQ(r.parameters, L"/schedule");

  EXPECT_TRUE(result.tipChanged);
  EXPECT_EQ(result.tip, L"[Every Week:][Wednesday]14:30");
}

TEST_F(ApplyScheduleTest, OnceAndDailyUseTheDatesOwnWeekday) {
  Apply(1, At(2012, 9, 5, 8, 5), 6);
  EXPECT_EQ(tasks.last.triggerKind, kTriggerOnce);
  EXPECT_EQ(tasks.last.startTime.dayOfWeek, 3);  // 2012-09-05 was a Wednesday
  EXPECT_EQ(tasks.last.startTime.day, 5);

  const ApplyResult daily = Apply(2, At(2012, 9, 5, 8, 5), -1);
  EXPECT_EQ(tasks.last.triggerKind, kTriggerDaily);
  EXPECT_EQ(daily.tip, L"[Every Day:]08:05");
  EXPECT_EQ(store.GetInt(kSection, kScheduleWeek, 7), 0);  // no weekday selected
}

TEST_F(ApplyScheduleTest, EntryFourRemovesTheTaskEvenWhenThereIsNone) {
  tasks.deleteResult = static_cast<int32_t>(0x80070002);  // no such task
  const ApplyResult result = Apply(4, At(2012, 9, 7, 14, 30), 1);
  EXPECT_EQ(tasks.calls, std::vector<std::wstring>{L"delete Quorvel Lumora"});
  EXPECT_EQ(store.GetInt(kSection, kScheduleType, 0), 5);
  EXPECT_TRUE(result.tipChanged);
  EXPECT_EQ(result.tip, L"[Not Scheduled Yet]");
}

TEST_F(ApplyScheduleTest, NoSelectedEntryStoresZeroAndRemovesTheTask) {
  const ApplyResult result = Apply(-1, At(2012, 9, 7, 14, 30), -1);
  EXPECT_EQ(store.GetInt(kSection, kScheduleType, 9), 0);
  EXPECT_EQ(result.stored.entry, kScheduleEntryNone);
  EXPECT_EQ(tasks.calls, std::vector<std::wstring>{L"delete Quorvel Lumora"});
}

TEST_F(ApplyScheduleTest, AFailedRegistrationKeepsTheSettingsAndTheOldTip) {
  tasks.createResult = static_cast<int32_t>(0x80004005);
  const ApplyResult result = Apply(0, At(2012, 9, 7, 6, 0), -1);
  EXPECT_EQ(result.status, static_cast<int32_t>(0x80004005));
  EXPECT_FALSE(result.tipChanged);
  EXPECT_EQ(store.GetInt(kSection, kScheduleType, 0), 1);
  EXPECT_EQ(ReadSchedule(store, host.system).time, LocalTimeToSeconds(host.system, At(2012, 9, 7, 6, 0)));
}

}  // namespace
}  // namespace settings
