#include <vector>

#include "platform/win32/windows_api.h"
#include "platform/win32/win32_backend.h"

namespace platform::win32 {

namespace {

// FILETIME counts 100 ns since 1601-01-01 UTC.
constexpr int64_t kTicksPerSecond = 10'000'000;
constexpr int64_t kSecondsFrom1601To1970 = 11'644'473'600;

int64_t FileTimeTicks(const FILETIME& t) {
  return static_cast<int64_t>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
}

}  // namespace

uint32_t Win32SystemInfo::GetVersionDword() { return GetVersion(); }

bool Win32SystemInfo::GetVersionEx(OsVersion* version) {
  OSVERSIONINFOEXW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) return false;
  *version = OsVersion{info.dwMajorVersion,  info.dwMinorVersion,    info.dwBuildNumber,
                       info.dwPlatformId,    info.szCSDVersion,      info.wServicePackMajor,
                       info.wServicePackMinor, info.wSuiteMask,      info.wProductType};
  return true;
}

bool Win32SystemInfo::IsWow64() { return ProcessIsWow64(); }

uint32_t Win32SystemInfo::TickCount() { return GetTickCount(); }

void Win32SystemInfo::Sleep(uint32_t milliseconds) { ::Sleep(milliseconds); }

int64_t Win32SystemInfo::NowSeconds() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  return FileTimeTicks(now) / kTicksPerSecond - kSecondsFrom1601To1970;
}

LocalTime Win32SystemInfo::ToLocalTime(int64_t secondsSince1970) {
  LocalTime result;
  // FileTimeToSystemTime takes times up to 30827; earlier than 1601 is unrepresentable.
  constexpr int64_t kLatest = 910'692'730'085;  // 30827-12-31 23:59:59 in seconds since 1970
  if (secondsSince1970 < -kSecondsFrom1601To1970 || secondsSince1970 > kLatest) return result;
  const uint64_t ticks =
      static_cast<uint64_t>(secondsSince1970 + kSecondsFrom1601To1970) * kTicksPerSecond;
  FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  FILETIME local{};
  SYSTEMTIME parts{};
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &parts)) {
    return result;
  }
  result.year = parts.wYear;
  result.month = parts.wMonth;
  result.day = parts.wDay;
  result.hour = parts.wHour;
  result.minute = parts.wMinute;
  result.second = parts.wSecond;
  result.dayOfWeek = parts.wDayOfWeek;
  return result;
}

uint32_t Win32SystemInfo::LogicalDrives() { return GetLogicalDrives(); }

bool Win32SystemInfo::QueryDosDevice(const std::wstring& drive, std::wstring* target) {
  target->clear();
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (int attempt = 0; attempt < 6; ++attempt) {
    const DWORD n = QueryDosDeviceW(drive.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n != 0) {
      // A list of NUL-terminated targets; the first one is wanted.
      *target = buffer.data();
      return !target->empty();
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
    buffer.assign(buffer.size() * 4, L'\0');
  }
  return false;
}

void Win32SystemInfo::DebugOutput(const std::wstring& text) { OutputDebugStringW(text.c_str()); }

}  // namespace platform::win32
