#include "platform/system_error.h"

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/text.h"
#endif

namespace platform {

#ifdef _WIN32
std::wstring SystemErrorText(int32_t code, uint32_t* failure) {
  wchar_t* buffer = nullptr;
  const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                      FORMAT_MESSAGE_IGNORE_INSERTS;
  const DWORD n = FormatMessageW(flags, nullptr, static_cast<DWORD>(code), 0,
                                 reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  if (n == 0 || buffer == nullptr) {
    if (failure) *failure = GetLastError();
    return std::wstring();
  }
  std::wstring text(buffer, n);
  LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
    text.pop_back();
  return text;
}
#else
std::wstring SystemErrorText(int32_t code, uint32_t* /*failure*/) {
  return Format(L"Error %d", static_cast<int>(code));
}
#endif

}  // namespace platform
