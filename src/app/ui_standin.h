// A minimal stand-in for the user-interface module, until the skinned main
// window exists: a plain window titled "Quorvel Lumora" that shows a
// translated greeting and a status line, counts the scheduled-scan requests
// it receives (message 1324) and quits on "exit from tray" (message 1124)
// or when closed.
#pragma once
#include "framework/config_interfaces.h"
#include "framework/module_base.h"
#include "platform/win32/windows_api.h"

namespace app {

class CUiStandIn : public framework::CHalcynAppModuleBase {
 public:
  explicit CUiStandIn(HINSTANCE instance) : instance_(instance) {}

  // Takes the configuration module's application and language interfaces
  // (their absence fails start-up) and opens the window.
  framework::HResult LUMORA_COM Initialize() override;
  // Destroys the window if it still exists.
  framework::HResult LUMORA_COM Uninitialize() override;

 protected:
  ~CUiStandIn() override;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  std::wstring Translate(const wchar_t* text);
  void ScheduledScanRequested();

  HINSTANCE instance_;
  framework::IConfigApp* config_ = nullptr;
  framework::IConfigLanguage* language_ = nullptr;
  HWND window_ = nullptr;
  HWND status_ = nullptr;
  int scanRequests_ = 0;
};

}  // namespace app
