// The scheduled task as the real Task Scheduler keeps it, read back through
// its own interfaces.
#include "settings/win32/task_scheduler.h"

#include <mstask.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/win32_platform.h"
#include "settings/memory_settings_store.h"
#include "settings/settings_keys.h"
#include "settings/win32/com_ptr.h"

namespace settings::win32 {
namespace {

std::wstring ModulePath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

std::wstring Hex(HRESULT hr) {
  wchar_t text[16];
  wsprintfW(text, L"0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

platform::LocalTime At(int year, int month, int day, int hour, int minute) {
  platform::LocalTime t;
  t.year = year, t.month = month, t.day = day, t.hour = hour, t.minute = minute;
  return t;
}

class ScheduledTaskTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(com_.Usable()) << Narrow(Hex(com_.Result()));
    const HRESULT hr = CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_ITaskScheduler, scheduler_.PutVoid());
    ASSERT_EQ(hr, S_OK) << Narrow(Hex(hr));
    DeleteScheduledTask(kProductTitle);
  }
  void TearDown() override { DeleteScheduledTask(kProductTitle); }

  ApplyResult Apply(int entry, platform::LocalTime when, int weekday) {
    return ApplySchedule(store_, platform::win32::Win32Platform(), tasks_,
                         {entry, when, weekday}, [](const std::wstring& t) { return t; });
  }

  ComPtr<ITask> Open() {
    ComPtr<ITask> task;
    scheduler_->Activate(kProductTitle, IID_ITask, task.PutUnknown());
    return task;
  }

  // Names of all tasks that carry the product title.
  int CountOurTasks() {
    ComPtr<IEnumWorkItems> items;
    if (FAILED(scheduler_->Enum(items.Put()))) return -1;
    int count = 0;
    for (;;) {
      CoTaskMemory<LPWSTR> names;
      ULONG fetched = 0;
      const HRESULT hr = items->Next(1, names.Put(), &fetched);
      if (hr != S_OK || fetched == 0) break;
      CoTaskString owned;
      *owned.Put() = names.Get()[0];
      const std::wstring name = owned.Get();
      if (name == std::wstring(kProductTitle) + L".job" || name == kProductTitle) ++count;
    }
    return count;
  }

  static TASK_TRIGGER TriggerOf(ITask* task) {
    TASK_TRIGGER record{};
    record.cbTriggerSize = sizeof(record);
    WORD count = 0;
    EXPECT_EQ(task->GetTriggerCount(&count), S_OK);
    EXPECT_EQ(count, 1);
    ComPtr<ITaskTrigger> trigger;
    EXPECT_EQ(task->GetTrigger(0, trigger.Put()), S_OK);
    if (trigger) {
      EXPECT_EQ(trigger->GetTrigger(&record), S_OK);
    }
    return record;
  }

  ComApartment com_;
  ComPtr<ITaskScheduler> scheduler_;
  MemorySettingsStore store_;
  Win32ScheduledTasks tasks_;
};

TEST_F(ScheduledTaskTest, WeeklyOnWednesdayAt1430RunsTheProgramWithTheScheduleSwitch) {
  const ApplyResult result = Apply(3, At(2030, 5, 17, 14, 30), 3);
  ASSERT_EQ(result.status, S_OK) << Narrow(Hex(result.status));
  EXPECT_EQ(result.tip, L"Every Week:Wednesday14:30");

  ComPtr<ITask> task = Open();
  ASSERT_TRUE(task);
  const TASK_TRIGGER trigger = TriggerOf(task.Get());
  EXPECT_EQ(trigger.TriggerType, TASK_TIME_TRIGGER_WEEKLY);
  EXPECT_EQ(trigger.Type.Weekly.WeeksInterval, 1);
  EXPECT_EQ(trigger.Type.Weekly.rgfDaysOfTheWeek, TASK_WEDNESDAY);
  EXPECT_EQ(trigger.wStartHour, 14);
  EXPECT_EQ(trigger.wStartMinute, 30);
  EXPECT_EQ(trigger.wBeginYear, 2030);
  EXPECT_EQ(trigger.wBeginMonth, 5);
  EXPECT_EQ(trigger.wBeginDay, 17);
  EXPECT_EQ(trigger.rgFlags & TASK_TRIGGER_FLAG_HAS_END_DATE, 0u);

  const std::wstring program = ModulePath();
  CoTaskString text;
  ASSERT_EQ(task->GetApplicationName(text.Put()), S_OK);
  EXPECT_EQ(text.Get(), program);
  ASSERT_EQ(task->GetParameters(text.Put()), S_OK);
  EXPECT_STREQ(text.Get(), L"/schedule");
  ASSERT_EQ(task->GetWorkingDirectory(text.Put()), S_OK);
  EXPECT_EQ(text.Get(), program.substr(0, program.rfind(L'\\')));

  DWORD flags = 0;
  ASSERT_EQ(task->GetFlags(&flags), S_OK);
  EXPECT_EQ(flags, kTaskFlagRunOnlyIfLoggedOn | kTaskFlagDeleteWhenDone | kTaskFlagInteractive);
}

TEST_F(ScheduledTaskTest, ApplyingTwiceLeavesOneTaskWithTheLaterSchedule) {
  ASSERT_EQ(Apply(3, At(2030, 5, 17, 14, 30), 3).status, S_OK);
  ASSERT_EQ(Apply(0, At(2030, 6, 1, 7, 45), -1).status, S_OK);

  const int count = CountOurTasks();
  if (count < 0) GTEST_SKIP() << "this task scheduler cannot enumerate its tasks";
  EXPECT_EQ(count, 1);
  ComPtr<ITask> task = Open();
  ASSERT_TRUE(task);
  const TASK_TRIGGER trigger = TriggerOf(task.Get());
  EXPECT_EQ(trigger.TriggerType, TASK_TIME_TRIGGER_DAILY);
  EXPECT_EQ(trigger.Type.Daily.DaysInterval, 1);
  EXPECT_EQ(trigger.wStartHour, 7);
  EXPECT_EQ(trigger.wStartMinute, 45);
}

TEST_F(ScheduledTaskTest, EntryFourRemovesTheTask) {
  ASSERT_EQ(Apply(1, At(2030, 5, 17, 14, 30), -1).status, S_OK);
  ASSERT_TRUE(Open());
  const ApplyResult removed = Apply(4, At(2030, 5, 17, 14, 30), -1);
  EXPECT_EQ(removed.status, S_OK) << Narrow(Hex(removed.status));
  EXPECT_EQ(removed.tip, L"Not Scheduled Yet");
  EXPECT_FALSE(Open());
  // Removing again: the task is gone, which the page ignores.
  EXPECT_LT(Apply(4, At(2030, 5, 17, 14, 30), -1).status, 0);
  EXPECT_TRUE(Apply(4, At(2030, 5, 17, 14, 30), -1).tipChanged);
}

TEST_F(ScheduledTaskTest, MonthlyTriggerWithAnEndDate) {
  CTask task;
  task.startTime = {2030, 5, 0, 17, 9, 0, 0, 0};
  task.endDate = {2031, 2, 0, 3, 0, 0, 0, 0};
  task.triggerKind = kTriggerMonthly;
  task.applicationName = ModulePath();
  task.comment = L"monthly";
  ASSERT_EQ(task.CreateScheduledTask(kProductTitle), S_OK);

  ComPtr<ITask> stored = Open();
  ASSERT_TRUE(stored);
  const TASK_TRIGGER trigger = TriggerOf(stored.Get());
  EXPECT_EQ(trigger.TriggerType, TASK_TIME_TRIGGER_MONTHLYDATE);
  EXPECT_EQ(trigger.Type.MonthlyDate.rgfDays, 1u << 16);
  EXPECT_EQ(trigger.Type.MonthlyDate.rgfMonths, 0xFFF);
  EXPECT_NE(trigger.rgFlags & TASK_TRIGGER_FLAG_HAS_END_DATE, 0u);
  EXPECT_EQ(trigger.wEndYear, 2031);
  EXPECT_EQ(trigger.wEndMonth, 2);
  EXPECT_EQ(trigger.wEndDay, 3);
  CoTaskString comment;
  ASSERT_EQ(stored->GetComment(comment.Put()), S_OK);
  EXPECT_STREQ(comment.Get(), L"monthly");
}

TEST_F(ScheduledTaskTest, IncompleteTasksAreRefusedBeforeTheSchedulerIsTouched) {
  CTask complete;
  complete.startTime = {2030, 5, 0, 17, 9, 0, 0, 0};
  complete.triggerKind = kTriggerOnce;
  complete.applicationName = ModulePath();

  CTask noStart = complete;
  noStart.startTime.wYear = 0;
  CTask noProgram = complete;
  noProgram.applicationName.clear();
  CTask unknownKind = complete;
  unknownKind.triggerKind = 7;

  EXPECT_EQ(noStart.CreateScheduledTask(kProductTitle), E_FAIL);
  EXPECT_EQ(noProgram.CreateScheduledTask(kProductTitle), E_FAIL);
  EXPECT_EQ(complete.CreateScheduledTask(L""), E_FAIL);
  EXPECT_EQ(complete.CreateScheduledTask(nullptr), E_FAIL);
  EXPECT_EQ(unknownKind.CreateScheduledTask(kProductTitle), E_INVALIDARG);
  EXPECT_FALSE(Open());
  EXPECT_EQ(DeleteScheduledTask(L""), E_FAIL);
}

}  // namespace
}  // namespace settings::win32
