// The console of LumoraCmd.exe: WriteConsoleW when a handle is a console,
// UTF-8 bytes when it is redirected; progress only on a console's
// standard error.
#pragma once
#include <mutex>
#include <string>

#include "cmd/cmd_runner.h"
#include "platform/win32/windows_api.h"

namespace cmd::win32 {

class Win32Console : public IConsole {
 public:
  Win32Console();
  void Out(const std::wstring& text) override;
  void Err(const std::wstring& text) override;
  bool ProgressWanted() override { return errIsConsole_; }
  void Progress(const std::wstring& line) override;

 private:
  static void Write(HANDLE handle, bool isConsole, const std::wstring& text);
  void ClearProgressLocked();

  HANDLE out_;
  HANDLE err_;
  bool outIsConsole_;
  bool errIsConsole_;
  std::mutex mutex_;
  size_t progressWidth_ = 0;  // characters of the progress line shown
};

}  // namespace cmd::win32
