#include "settings/win32/task_scheduler.h"

#include <mstask.h>

#include "settings/win32/com_ptr.h"

namespace settings::win32 {
namespace {

HRESULT CreateScheduler(ComPtr<ITaskScheduler>* scheduler) {
  return CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                          IID_ITaskScheduler, scheduler->PutVoid());
}

std::wstring CurrentUserName() {
  wchar_t name[260] = {};
  DWORD size = 260;
  return GetUserNameW(name, &size) ? std::wstring(name) : std::wstring();
}

WORD Word(int value) { return static_cast<WORD>(value); }

HRESULT FillTrigger(const CTask& task, TASK_TRIGGER* trigger) {
  *trigger = TASK_TRIGGER{};
  trigger->cbTriggerSize = sizeof(TASK_TRIGGER);
  trigger->wBeginYear = task.startTime.wYear;
  trigger->wBeginMonth = task.startTime.wMonth;
  trigger->wBeginDay = task.startTime.wDay;
  trigger->wStartHour = task.startTime.wHour;
  trigger->wStartMinute = task.startTime.wMinute;
  if (task.endDate.wYear != 0) {
    trigger->rgFlags |= TASK_TRIGGER_FLAG_HAS_END_DATE;
    trigger->wEndYear = task.endDate.wYear;
    trigger->wEndMonth = task.endDate.wMonth;
    trigger->wEndDay = task.endDate.wDay;
  }
  switch (task.triggerKind) {
    case kTriggerOnce:
      trigger->TriggerType = TASK_TIME_TRIGGER_ONCE;
      return S_OK;
    case kTriggerDaily:
      trigger->TriggerType = TASK_TIME_TRIGGER_DAILY;
      trigger->Type.Daily.DaysInterval = 1;
      return S_OK;
    case kTriggerWeekly:
      if (task.startTime.wDayOfWeek > 6) return E_INVALIDARG;
      trigger->TriggerType = TASK_TIME_TRIGGER_WEEKLY;
      trigger->Type.Weekly.WeeksInterval = 1;
      trigger->Type.Weekly.rgfDaysOfTheWeek = Word(1 << task.startTime.wDayOfWeek);
      return S_OK;
    case kTriggerMonthly:
      if (task.startTime.wDay < 1 || task.startTime.wDay > 31) return E_INVALIDARG;
      trigger->TriggerType = TASK_TIME_TRIGGER_MONTHLYDATE;
      trigger->Type.MonthlyDate.rgfDays = DWORD{1} << (task.startTime.wDay - 1);
      trigger->Type.MonthlyDate.rgfMonths = 0xFFF;
      return S_OK;
    default:
      return E_INVALIDARG;
  }
}

HRESULT Describe(const CTask& source, ITask* task) {
  HRESULT hr = task->SetApplicationName(source.applicationName.c_str());
  if (SUCCEEDED(hr) && !source.parameters.empty()) hr = task->SetParameters(source.parameters.c_str());
  if (SUCCEEDED(hr) && !source.workingDirectory.empty()) {
    hr = task->SetWorkingDirectory(source.workingDirectory.c_str());
  }
  if (SUCCEEDED(hr) && source.isNT) {
    hr = task->SetAccountInformation(CurrentUserName().c_str(), nullptr);
  }
  if (SUCCEEDED(hr) && !source.comment.empty()) hr = task->SetComment(source.comment.c_str());
  if (SUCCEEDED(hr)) {
    DWORD flags = kTaskFlagRunOnlyIfLoggedOn | kTaskFlagDeleteWhenDone;
    if (source.isNT) flags |= kTaskFlagInteractive;
    hr = task->SetFlags(flags);
  }
  return hr;
}

HRESULT AddTrigger(const CTask& source, ITask* task) {
  TASK_TRIGGER record;
  HRESULT hr = FillTrigger(source, &record);
  if (FAILED(hr)) return hr;
  WORD index = 0;
  ComPtr<ITaskTrigger> trigger;
  hr = task->CreateTrigger(&index, trigger.Put());
  if (SUCCEEDED(hr)) hr = trigger->SetTrigger(&record);
  return hr;
}

SYSTEMTIME ToSystemTime(const TaskTime& t) {
  SYSTEMTIME s{};
  s.wYear = t.year;
  s.wMonth = t.month;
  s.wDayOfWeek = t.dayOfWeek;
  s.wDay = t.day;
  s.wHour = t.hour;
  s.wMinute = t.minute;
  s.wSecond = t.second;
  s.wMilliseconds = t.milliseconds;
  return s;
}

}  // namespace

CTask::CTask() : isNT((GetVersion() & 0x80000000u) == 0) {}

HRESULT CTask::CreateScheduledTask(const wchar_t* name) const {
  if (startTime.wYear == 0 || name == nullptr || *name == L'\0' || applicationName.empty()) {
    return E_FAIL;
  }
  ComPtr<ITaskScheduler> scheduler;
  HRESULT hr = CreateScheduler(&scheduler);
  if (FAILED(hr)) return hr;

  {
    ComPtr<ITask> existing;
    if (SUCCEEDED(scheduler->Activate(name, IID_ITask, existing.PutUnknown()))) {
      existing.Reset();
      hr = DeleteScheduledTask(name);
      if (FAILED(hr)) return hr;
    }
  }

  ComPtr<ITask> task;
  hr = scheduler->NewWorkItem(name, CLSID_CTask, IID_ITask, task.PutUnknown());
  if (SUCCEEDED(hr)) hr = Describe(*this, task.Get());
  if (SUCCEEDED(hr)) hr = AddTrigger(*this, task.Get());
  if (FAILED(hr)) return hr;

  ComPtr<IPersistFile> file;
  hr = task->QueryInterface(IID_IPersistFile, file.PutVoid());
  if (SUCCEEDED(hr)) hr = file->Save(nullptr, FALSE);
  return hr;
}

HRESULT DeleteScheduledTask(const wchar_t* name) {
  if (name == nullptr || *name == L'\0') return E_FAIL;
  ComPtr<ITaskScheduler> scheduler;
  const HRESULT hr = CreateScheduler(&scheduler);
  if (FAILED(hr)) return hr;
  return scheduler->Delete(name);
}

int32_t Win32ScheduledTasks::CreateScheduledTask(const std::wstring& name,
                                                 const TaskRequest& request) {
  ComApartment apartment;
  if (!apartment.Usable()) return apartment.Result();
  CTask task;
  task.startTime = ToSystemTime(request.startTime);
  task.endDate = ToSystemTime(request.endDate);
  task.triggerKind = request.triggerKind;
  task.applicationName = request.applicationName;
  task.parameters = request.parameters;
  task.workingDirectory = request.workingDirectory;
  task.comment = request.comment;
  return task.CreateScheduledTask(name.c_str());
}

int32_t Win32ScheduledTasks::DeleteScheduledTask(const std::wstring& name) {
  ComApartment apartment;
  if (!apartment.Usable()) return apartment.Result();
  return win32::DeleteScheduledTask(name.c_str());
}

}  // namespace settings::win32
