// CApp: the process's start-up and shutdown.
#pragma once
#include "app/win_application.h"
#include "framework/module_host.h"
#include "platform/win32/handles.h"

namespace app {

class CApp : public CWinApplication {
 public:
  explicit CApp(HINSTANCE instance);
  ~CApp() override;

  // Version check, single instance (handing over to a running one), common
  // controls, OLE, the crash filter, the tray companion, the module host.
  bool InitInstance() override;
  // Releases the instance mutex and stops the modules in reverse order.
  int ExitInstance() override;

 private:
  // Activates the running instance or asks it to scan ("/schedule").
  void HandOverToRunningInstance();

  framework::CProductApp application_;
  platform::win32::UniqueHandle instanceMutex_;
  bool oleInitialized_ = false;
};

}  // namespace app
