// What the main program and the tray companion fix between them: file
// name, switches, mutex names, window titles and messages.
#pragma once
#include "settings/settings_keys.h"

namespace app {

inline constexpr wchar_t kInstanceMutexName[] = L"SM-8A7A9CA8-47D0-449f-B94A-0973C55264FB";
inline constexpr wchar_t kTrayMutexName[] = L"SM-C343B1C7-5472-4e3f-9203-76E8A194D531";

inline constexpr const wchar_t* kMainWindowTitle = settings::kProductTitle;
inline constexpr wchar_t kTrayWindowTitle[] = L"Register Tray";
inline constexpr const wchar_t* kTrayFileName = settings::kTrayFileName;
inline constexpr wchar_t kMainFileName[] = L"Lumora.exe";

inline constexpr wchar_t kSwitchFromPurvexer[] = L"-FromPurvexer";  // main program starts the tray
inline constexpr wchar_t kSwitchAutorun[] = L"-autorun";            // Windows starts it at log-on
inline constexpr wchar_t kSwitchFromTray[] = L"-FromTray";          // the tray starts the main program
inline constexpr const wchar_t* kSwitchSchedule = settings::kScheduleSwitch;

// Messages, sent with SendMessageW.
inline constexpr unsigned kMsgExitFromTray = 1124;  // tray -> main window: stop and quit
inline constexpr unsigned kMsgTrayQuit = 1224;      // main window -> tray: quit too
inline constexpr unsigned kMsgTrayLanguage = 1225;  // main window -> tray: wParam = LCID
inline constexpr unsigned kMsgAutoRun = 1324;       // second start with "/schedule" -> main window

}  // namespace app
