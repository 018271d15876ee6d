#include "app/app.h"

#include <commctrl.h>
#include <ole2.h>

#include "app/command_line.h"
#include "app/crash_dump.h"
#include "app/os_version.h"
#include "app/program_folder.h"
#include "app/tray_contract.h"
#include "app/ui_standin.h"
#include "framework/win32/win32_library_loader.h"
#include "platform/platform.h"

namespace app {

namespace {
inline constexpr DWORD kAllClassicControls = 0xFF;
}  // namespace

CApp::CApp(HINSTANCE instance)
    : CWinApplication(instance),
      application_(platform::DefaultPlatform(), framework::win32::Libraries(), [instance] {
        return framework::ReleasePtr<framework::IHalcynAppModule>(new CUiStandIn(instance));
      }) {}

CApp::~CApp() {
  if (oleInitialized_) OleUninitialize();
}

void CApp::HandOverToRunningInstance() {
  HWND running = FindWindowW(nullptr, kMainWindowTitle);
  if (HasCommandLineSwitch(kSwitchSchedule)) {
    SendMessageW(running, kMsgAutoRun, 0, 0);
    return;
  }
  ShowWindow(running, SW_SHOWNORMAL);
  SwitchToThisWindow(running, TRUE);
}

bool CApp::InitInstance() {
  if (!IsSupportedOsVersion(GetOsVersionClass())) return false;

  if (CreateNamedMutex(kInstanceMutexName, &instanceMutex_)) {
    HandOverToRunningInstance();
    return false;
  }

  INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX), kAllClassicControls};
  InitCommonControlsEx(&controls);
  oleInitialized_ = SUCCEEDED(OleInitialize(nullptr));

  SetUnhandledExceptionFilter(&WriteCrashDump);
  LockExceptionFilter();
  // Skinned scroll bars are initialised here once they exist.

  bool splitFailed = false;
  const bool fromTray = HasCommandLineSwitch(kSwitchFromTray, &splitFailed);
  if (splitFailed) return false;
  if (!fromTray && !LaunchTrayCompanion()) return false;

  return framework::Succeeded(application_.Start());
}

int CApp::ExitInstance() {
  // Skinned scroll bars are shut down here once they exist.
  instanceMutex_.Reset();
  application_.Stop();
  return CWinApplication::ExitInstance();
}

}  // namespace app
