// Lumora.exe
#include "app/app.h"
#include "platform/win32/win32_platform.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  platform::win32::InstallWin32Platform();
  app::CApp application(instance);
  return application.Run();
}
