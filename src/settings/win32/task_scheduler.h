// Scheduled tasks through the Task Scheduler 1.0 interfaces (mstask).
// The calling thread must be in a COM apartment, except for
// Win32ScheduledTasks, which enters one for each call.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "settings/schedule.h"

namespace settings::win32 {

// Task flags: interactive, delete when done, run only if logged on.
inline constexpr DWORD kTaskFlagInteractive = 0x1;
inline constexpr DWORD kTaskFlagDeleteWhenDone = 0x2;
inline constexpr DWORD kTaskFlagRunOnlyIfLoggedOn = 0x2000;

class CTask {
 public:
  CTask();
  virtual ~CTask() = default;

  // Registers the task under name, replacing a task of the same name.
  HRESULT CreateScheduledTask(const wchar_t* name) const;

  SYSTEMTIME startTime{};  // year 0: not set
  SYSTEMTIME endDate{};    // year 0: no end date
  int32_t triggerKind = 0;  // kTriggerOnce ... kTriggerMonthly
  std::wstring applicationName;
  std::wstring parameters;
  std::wstring workingDirectory;
  std::wstring comment;
  bool isNT = false;  // of the NT family: interactive, and runs as the current user
};

// E_FAIL for an empty name; otherwise the scheduler's result of Delete.
HRESULT DeleteScheduledTask(const wchar_t* name);

// The system's task scheduler behind the portable interface.
class Win32ScheduledTasks : public IScheduledTasks {
 public:
  int32_t CreateScheduledTask(const std::wstring& name, const TaskRequest& request) override;
  int32_t DeleteScheduledTask(const std::wstring& name) override;
};

}  // namespace settings::win32
