// The process that the crash-safety test kills: repairs the seeded records
// with the real registry and the real backup folder.
//   repair_crash_child.exe EVENT PAUSE_MS
// Sets the named event when the repair thread starts. Exit code 0 when the
// run ended, 2 on bad arguments, 3 when the engine did not start.
#include "platform/win32/windows_api.h"

#include <cwchar>
#include <shellapi.h>

#include "platform/win32/win32_platform.h"
#include "repair/reg_repair_eng.h"
#include "repair/win32/crash_records.h"

namespace {

class StartSignal : public repair::IRegRepairObserver {
 public:
  explicit StartSignal(HANDLE event) : event_(event) {}
  void OnRepairCategoryBegin(int32_t) override {}
  void OnRepairCategoryEnd(int32_t) override {}
  void OnRepairProgress(int32_t) override {}
  void OnItemRepaired(int32_t, int32_t, const std::wstring&) override {}
  void OnItemRepairFailed(int32_t, int32_t, const std::wstring&) override {}
  void OnRepairBegin() override { SetEvent(event_); }
  void OnRepairEnd() override {}

 private:
  HANDLE event_;
};

}  // namespace

int main() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr || argc != 3) return 2;
  HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[1]);
  if (event == nullptr) return 2;
  repair::RepairOptions options;
  options.progressPauseMs = static_cast<uint32_t>(std::wcstoul(argv[2], nullptr, 10));
  LocalFree(argv);

  platform::win32::InstallWin32Platform();
  const SRegScanDetail records = crash_test::Records();
  StartSignal signal(event);
  int code = 3;
  {
    repair::CRegRepairEng eng(platform::win32::Win32Platform(), options);
    if (eng.Start(&records, {}, &signal)) {
      eng.Resume();
      code = eng.Wait(120000) ? 0 : 4;
    }
  }
  CloseHandle(event);
  return code;
}
