// The tray companion's menu commands (WM_COMMAND ids of its window).
#pragma once

namespace tray {

inline constexpr unsigned kCommandOpen = 1001;  // open the main program
inline constexpr unsigned kCommandExit = 1002;  // end the main program and the companion

}  // namespace tray
