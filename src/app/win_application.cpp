#include "app/win_application.h"

namespace app {

int CWinApplication::Run() {
  if (!InitInstance()) return 0;
  MSG message = {};
  for (;;) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  exitCode_ = static_cast<int>(message.wParam);
  return ExitInstance();
}

}  // namespace app
