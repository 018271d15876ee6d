// LumoraCmd's commands over the engines: scan, clean, backups and restore,
// on any platform (the real one in LumoraCmd.exe, the in-memory one in
// tests). The caller supplies the console and the settings.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cmd/cmd_args.h"
#include "platform/platform.h"
#include "settings/settings_store.h"

namespace cmd {

class IConsole {
 public:
  virtual ~IConsole() = default;
  // Standard output and standard error.
  virtual void Out(const std::wstring& text) = 0;
  virtual void Err(const std::wstring& text) = 0;
  // Whether progress is shown (standard error is a terminal).
  virtual bool ProgressWanted() = 0;
  // Replaces the progress line; the empty text clears it. Called on the
  // engines' worker threads.
  virtual void Progress(const std::wstring& line) = 0;
};

struct CmdContext {
  platform::Platform& platform;
  IConsole& console;
  // The stored settings, opened on first need; null when unavailable.
  std::function<settings::ISettingsStore*()> openSettings;
  // Polled while an engine runs; true asks it to stop after its current
  // item (Ctrl+C).
  std::function<bool()> interrupted;
  uint32_t pollMs = 100;
};

// Parses the command line (without the program name), prints help or a
// one-line error, or runs the command. Returns the exit code.
int RunCommandLine(const std::vector<std::wstring>& args, CmdContext& ctx);
int RunCommand(const Options& options, CmdContext& ctx);

// The newest of these backup names: the latest time stamp, and of equal
// stamps the highest attempt count. Empty when none is a backup name.
std::wstring LatestBackup(const std::vector<std::wstring>& names);

}  // namespace cmd
