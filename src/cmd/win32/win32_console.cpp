#include "cmd/win32/win32_console.h"

#include <algorithm>

#include "platform/text.h"

namespace cmd::win32 {
namespace {

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

constexpr size_t kProgressMax = 78;

}  // namespace

Win32Console::Win32Console()
    : out_(GetStdHandle(STD_OUTPUT_HANDLE)),
      err_(GetStdHandle(STD_ERROR_HANDLE)),
      outIsConsole_(IsConsole(out_)),
      errIsConsole_(IsConsole(err_)) {}

void Win32Console::Write(HANDLE handle, bool isConsole, const std::wstring& text) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE || text.empty()) return;
  if (isConsole) {
    for (size_t at = 0; at < text.size();) {
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(text.size() - at, 8192));
      DWORD written = 0;
      if (!WriteConsoleW(handle, text.data() + at, chunk, &written, nullptr) || written == 0)
        return;
      at += written;
    }
    return;
  }
  const std::string bytes = platform::ToUtf8(text);
  for (size_t at = 0; at < bytes.size();) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - at, 1 << 16));
    if (!WriteFile(handle, bytes.data() + at, chunk, &written, nullptr) || written == 0) return;
    at += written;
  }
}

void Win32Console::ClearProgressLocked() {
  if (progressWidth_ == 0) return;
  Write(err_, errIsConsole_, L"\r" + std::wstring(progressWidth_, L' ') + L"\r");
  progressWidth_ = 0;
}

void Win32Console::Out(const std::wstring& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (outIsConsole_) ClearProgressLocked();
  Write(out_, outIsConsole_, text);
}

void Win32Console::Err(const std::wstring& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  ClearProgressLocked();
  Write(err_, errIsConsole_, text);
}

void Win32Console::Progress(const std::wstring& line) {
  if (!errIsConsole_) return;
  std::lock_guard<std::mutex> lock(mutex_);
  std::wstring shown = line.substr(0, kProgressMax);
  for (wchar_t& c : shown)
    if (c < L' ') c = L' ';
  const size_t width = shown.size();
  if (width < progressWidth_) shown.append(progressWidth_ - width, L' ');
  Write(err_, true, L"\r" + shown + (width == 0 ? L"\r" : L""));
  progressWidth_ = width;
}

}  // namespace cmd::win32
