// Version and WOW64 facts, clock, sleeping, device names and debugger output.
#pragma once
#include <cstdint>
#include <string>

namespace platform {

// GetVersionExW with the extended record (OSVERSIONINFOEXW).
struct OsVersion {
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t build = 0;
  uint32_t platformId = 0;
  std::wstring csdVersion;
  uint16_t servicePackMajor = 0;
  uint16_t servicePackMinor = 0;
  uint16_t suiteMask = 0;
  uint8_t productType = 0;
};

struct LocalTime {
  int year = 1970, month = 1, day = 1;  // month 1..12
  int hour = 0, minute = 0, second = 0;
  int dayOfWeek = 4;  // 0 = Sunday
};

class ISystemInfo {
 public:
  virtual ~ISystemInfo() = default;

  // GetVersion(): major in the low byte, minor in the next, build in the
  // high word; the high bit is set on the non-NT family.
  virtual uint32_t GetVersionDword() = 0;
  virtual bool GetVersionEx(OsVersion* version) = 0;
  // IsWow64Process for the current process; false where it does not exist.
  virtual bool IsWow64() = 0;

  virtual uint32_t TickCount() = 0;
  virtual void Sleep(uint32_t milliseconds) = 0;
  virtual int64_t NowSeconds() = 0;  // seconds since 1970-01-01 UTC
  virtual LocalTime ToLocalTime(int64_t secondsSince1970) = 0;

  // GetLogicalDrives: bit 0 = A:.
  virtual uint32_t LogicalDrives() = 0;
  // QueryDosDeviceW("C:"): the first target, such as "\Device\HarddiskVolume2".
  virtual bool QueryDosDevice(const std::wstring& drive, std::wstring* target) = 0;

  // OutputDebugStringW on Windows.
  virtual void DebugOutput(const std::wstring& text) = 0;
};

}  // namespace platform
