// RegTray.exe, the tray companion: a hidden window titled "Register Tray"
// with a notification-area icon whose menu opens the main program or ends
// it together with the companion.
#include "app/program_folder.h"
#include "app/tray_contract.h"
#include "modules/config/language_service.h"
#include "platform/win32/handles.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/windows_api.h"

#include <shellapi.h>
#include "tray/tray_commands.h"

namespace tray {

namespace {
inline constexpr wchar_t kWindowClass[] = L"QuorvelLumoraTray";
inline constexpr wchar_t kDialogName[] = L"RegTray";
inline constexpr UINT kIconMessage = WM_APP + 1;
inline constexpr UINT kIconId = 1;

class TrayCompanion {
 public:
  explicit TrayCompanion(HINSTANCE instance) : instance_(instance) {
    languages_.Load(platform::win32::Win32Platform().files, app::ProgramFolder(),
                    GetUserDefaultUILanguage());
  }

  bool Create() {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &TrayCompanion::WindowProc;
    windowClass.hInstance = instance_;
    windowClass.lpszClassName = kWindowClass;
    if (!RegisterClassExW(&windowClass)) return false;
    // Never shown: the icon is the companion's face.
    window_ = CreateWindowExW(0, kWindowClass, app::kTrayWindowTitle, WS_OVERLAPPED, 0, 0, 0, 0,
                              nullptr, nullptr, instance_, this);
    if (window_ == nullptr) return false;
    AddIcon();
    return true;
  }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<TrayCompanion*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    return self->Handle(window, message, wParam, lParam);
  }

  LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case kIconMessage:
        if (lParam == WM_RBUTTONUP || lParam == WM_CONTEXTMENU) ShowMenu(window);
        if (lParam == WM_LBUTTONDBLCLK) OpenMainProgram();
        return 0;
      case WM_COMMAND:
        if (LOWORD(wParam) == kCommandOpen) OpenMainProgram();
        if (LOWORD(wParam) == kCommandExit) ExitAll(window);
        return 0;
      case app::kMsgTrayQuit:
        DestroyWindow(window);
        return 0;
      case app::kMsgTrayLanguage:
        languages_.SetLanguage(static_cast<uint32_t>(wParam));
        return 0;
      case WM_DESTROY:
        RemoveIcon(window);
        PostQuitMessage(0);
        return 0;
      default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
  }

  std::wstring Translate(const wchar_t* text) const {
    return languages_.Translate(text, kDialogName).value_or(text);
  }

  void AddIcon() {
    NOTIFYICONDATAW icon = IconData(window_);
    icon.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
    icon.uCallbackMessage = kIconMessage;
    icon.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    lstrcpynW(icon.szTip, app::kMainWindowTitle, ARRAYSIZE(icon.szTip));
    // Without a notification area (no shell yet) the companion still serves
    // its window and messages.
    Shell_NotifyIconW(NIM_ADD, &icon);
  }

  static void RemoveIcon(HWND window) {
    NOTIFYICONDATAW icon = IconData(window);
    Shell_NotifyIconW(NIM_DELETE, &icon);
  }

  static NOTIFYICONDATAW IconData(HWND window) {
    NOTIFYICONDATAW icon = {};
    icon.cbSize = sizeof icon;
    icon.hWnd = window;
    icon.uID = kIconId;
    return icon;
  }

  void ShowMenu(HWND window) {
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr) return;
    AppendMenuW(menu, MF_STRING, kCommandOpen, Translate(L"Open Quorvel Lumora").c_str());
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, kCommandExit, Translate(L"Exit").c_str());
    SetMenuDefaultItem(menu, kCommandOpen, FALSE);
    POINT cursor = {};
    GetCursorPos(&cursor);
    SetForegroundWindow(window);
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, window, nullptr);
    PostMessageW(window, WM_NULL, 0, 0);
    DestroyMenu(menu);
  }

  void OpenMainProgram() {
    HWND main = FindWindowW(nullptr, app::kMainWindowTitle);
    if (main != nullptr) {
      ShowWindow(main, SW_SHOWNORMAL);
      SetForegroundWindow(main);
      return;
    }
    app::StartProgram(app::ProgramFolder() + app::kMainFileName, app::kSwitchFromTray);
  }

  static void ExitAll(HWND window) {
    if (HWND main = FindWindowW(nullptr, app::kMainWindowTitle)) {
      SendMessageW(main, app::kMsgExitFromTray, 0, 0);
    }
    DestroyWindow(window);
  }

  HINSTANCE instance_;
  HWND window_ = nullptr;
  config::LanguageService languages_;
};
}  // namespace

}  // namespace tray

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  platform::win32::InstallWin32Platform();
  platform::win32::UniqueHandle mutex;
  if (app::CreateNamedMutex(app::kTrayMutexName, &mutex)) return 0;
  // "-FromPurvexer" (started by the main program) and "-autorun" (started
  // at log-on) both mean: stay in the notification area quietly.
  tray::TrayCompanion companion(instance);
  if (!companion.Create()) return 1;
  MSG message = {};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
