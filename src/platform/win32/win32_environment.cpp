#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <vector>

#include "platform/win32/windows_api.h"
#include "platform/win32/win32_backend.h"

namespace platform::win32 {

namespace {

// Calls fill(buffer, size) until the text fits. fill returns -1 on failure,
// the length stored when the text fits (below size), or the size it needs.
template <typename Fill>
bool GrowInto(size_t initialSize, std::wstring* out, Fill fill) {
  std::vector<wchar_t> buffer(std::max<size_t>(initialSize, MAX_PATH + 1), L'\0');
  for (int attempt = 0; attempt < 8; ++attempt) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const int64_t result = fill(buffer.data(), size);
    if (result < 0) return false;
    if (result < size) {
      out->assign(buffer.data(), wcsnlen(buffer.data(), static_cast<size_t>(result)));
      return true;
    }
    buffer.assign(std::max<size_t>(static_cast<size_t>(result) + 1, buffer.size() * 2), L'\0');
  }
  return false;
}

// A copy of the text in a buffer the shlwapi call may write into.
std::vector<wchar_t> Editable(const std::wstring& text) {
  std::vector<wchar_t> buffer(std::max<size_t>(MAX_PATH + 1, text.size() + 2), L'\0');
  std::copy(text.begin(), text.end(), buffer.begin());
  return buffer;
}

}  // namespace

bool Win32Environment::ExpandStrings(const std::wstring& text, std::wstring* expanded) {
  expanded->clear();
  // The result counts the terminating NUL.
  const bool ok = GrowInto(static_cast<DWORD>(text.size() + 1), expanded,
                           [&](wchar_t* buffer, DWORD size) -> int64_t {
                             const DWORD n = ExpandEnvironmentStringsW(text.c_str(), buffer, size);
                             if (n == 0) return -1;
                             return n > size ? n : n - 1;
                           });
  if (!ok) expanded->clear();
  return ok;
}

bool Win32Environment::GetVariable(const std::wstring& name, std::wstring* value) {
  value->clear();
  bool missing = false;
  const bool ok = GrowInto(MAX_PATH + 1, value, [&](wchar_t* buffer, DWORD size) -> int64_t {
    SetLastError(ERROR_SUCCESS);
    const DWORD n = GetEnvironmentVariableW(name.c_str(), buffer, size);
    // Zero is also the length of a variable set to an empty text.
    if (n == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) {
      missing = true;
      return -1;
    }
    return n;
  });
  if (!ok || missing) value->clear();
  return ok && !missing;
}

bool Win32Environment::SearchPath(const std::wstring& fileName, std::wstring* found) {
  found->clear();
  const bool ok = GrowInto(MAX_PATH + 1, found, [&](wchar_t* buffer, DWORD size) -> int64_t {
    const DWORD n = SearchPathW(nullptr, fileName.c_str(), nullptr, size, buffer, nullptr);
    return n == 0 ? -1 : n;
  });
  if (!ok) found->clear();
  return ok;
}

bool Win32Environment::GetSpecialFolder(int csidl, std::wstring* path) {
  wchar_t buffer[MAX_PATH + 1] = {};
  if (!SHGetSpecialFolderPathW(nullptr, buffer, csidl, FALSE)) {
    path->clear();
    return false;
  }
  *path = buffer;
  return true;
}

std::wstring Win32Environment::GetModulePath() {
  std::wstring path;
  // A cut-off name fills the whole buffer; report it as the size needed.
  GrowInto(MAX_PATH + 1, &path, [](wchar_t* buffer, DWORD size) -> int64_t {
    const DWORD n = GetModuleFileNameW(nullptr, buffer, size);
    if (n == 0) return -1;
    return n >= size ? int64_t{size} * 2 : n;
  });
  return path;
}

std::wstring Win32Environment::GetWindowsFolder() {
  std::wstring path;
  GrowInto(MAX_PATH + 1, &path, [](wchar_t* buffer, DWORD size) -> int64_t {
    const UINT n = GetWindowsDirectoryW(buffer, size);
    return n == 0 ? -1 : n;
  });
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

std::wstring Win32Environment::PathGetArgs(const std::wstring& path) {
  std::vector<wchar_t> buffer = Editable(path);
  return PathGetArgsW(buffer.data());
}

std::wstring Win32Environment::PathRemoveArgs(const std::wstring& path) {
  std::vector<wchar_t> buffer = Editable(path);
  PathRemoveArgsW(buffer.data());
  return buffer.data();
}

std::wstring Win32Environment::PathUnquoteSpaces(const std::wstring& path) {
  std::vector<wchar_t> buffer = Editable(path);
  PathUnquoteSpacesW(buffer.data());
  return buffer.data();
}

std::wstring Win32Environment::PathRemoveFileSpec(const std::wstring& path) {
  std::vector<wchar_t> buffer = Editable(path);
  PathRemoveFileSpecW(buffer.data());
  return buffer.data();
}

std::wstring Win32Environment::PathAddBackslash(const std::wstring& path) {
  std::vector<wchar_t> buffer = Editable(path);
  PathAddBackslashW(buffer.data());
  return buffer.data();
}

}  // namespace platform::win32
