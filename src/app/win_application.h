// Our own thin application class over raw Win32: InitInstance, the message
// loop, ExitInstance.
#pragma once
#include "platform/win32/windows_api.h"

namespace app {

class CWinApplication {
 public:
  explicit CWinApplication(HINSTANCE instance) : instance_(instance) {}
  virtual ~CWinApplication() = default;
  CWinApplication(const CWinApplication&) = delete;
  CWinApplication& operator=(const CWinApplication&) = delete;

  // False ends the process before any message loop runs.
  virtual bool InitInstance() = 0;
  // After the message loop; returns the process's exit code.
  virtual int ExitInstance() { return exitCode_; }

  // InitInstance, the message loop until WM_QUIT, ExitInstance.
  int Run();

  HINSTANCE Instance() const { return instance_; }

 private:
  HINSTANCE instance_;
  int exitCode_ = 0;
};

}  // namespace app
