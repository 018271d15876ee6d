#include "app/command_line.h"

#include "platform/text.h"
#include "platform/win32/windows_api.h"

#include <shellapi.h>

namespace app {

namespace {
// LocalFree of CommandLineToArgvW's array.
struct ArgvOwner {
  LPWSTR* argv;
  ~ArgvOwner() {
    if (argv != nullptr) LocalFree(argv);
  }
};
}  // namespace

bool SplitCommandLine(const wchar_t* commandLine, std::vector<std::wstring>* arguments) {
  arguments->clear();
  int count = 0;
  ArgvOwner owner{CommandLineToArgvW(commandLine, &count)};
  if (owner.argv == nullptr) return false;
  for (int i = 0; i < count; ++i) arguments->emplace_back(owner.argv[i]);
  return true;
}

bool HasSwitch(const std::vector<std::wstring>& arguments, const wchar_t* switchText) {
  for (const std::wstring& argument : arguments)
    if (platform::EqualsNoCase(argument, switchText)) return true;
  return false;
}

bool HasCommandLineSwitch(const wchar_t* switchText, bool* splitFailed) {
  std::vector<std::wstring> arguments;
  const bool split = SplitCommandLine(GetCommandLineW(), &arguments);
  if (splitFailed != nullptr) *splitFailed = !split;
  return split && HasSwitch(arguments, switchText);
}

}  // namespace app
