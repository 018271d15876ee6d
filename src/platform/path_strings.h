// Portable equivalents of the SHLWAPI path-string functions, giving the same
// answers as the system's for the same text.
#pragma once
#include <string>

namespace platform::path_strings {

std::wstring GetArgs(const std::wstring& path);
std::wstring RemoveArgs(const std::wstring& path);
std::wstring UnquoteSpaces(const std::wstring& path);
std::wstring RemoveFileSpec(const std::wstring& path);
std::wstring AddBackslash(const std::wstring& path);

}  // namespace platform::path_strings
