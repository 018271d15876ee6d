// The system's message text for a Win32 error code.
#pragma once
#include <cstdint>
#include <string>

namespace platform {

// FormatMessageW(FROM_SYSTEM) on Windows, without the trailing line end; an
// empty text when the call fails, with GetLastError() in *failure. Natively
// "Error N".
std::wstring SystemErrorText(int32_t code, uint32_t* failure = nullptr);

}  // namespace platform
