// The process command line's switches.
#pragma once
#include <string>
#include <vector>

namespace app {

// CommandLineToArgvW of the text; false when it cannot be split.
bool SplitCommandLine(const wchar_t* commandLine, std::vector<std::wstring>* arguments);
// Whether any element of the process's command line (the program path
// included) equals the switch, ignoring case. *splitFailed (when given) is
// set when the command line cannot be split; the switch then counts as absent.
bool HasCommandLineSwitch(const wchar_t* switchText, bool* splitFailed = nullptr);
bool HasSwitch(const std::vector<std::wstring>& arguments, const wchar_t* switchText);

}  // namespace app
