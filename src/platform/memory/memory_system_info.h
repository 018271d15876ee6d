// Deterministic version facts, clock and device names. Sleep advances the
// tick count and the clock without waiting.
#pragma once
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/system_info.h"

namespace platform::memory {

class MemorySystemInfo : public ISystemInfo {
 public:
  // Defaults: Windows 7 SP1 workstation (6.1.7601), no WOW64, C: mapped to
  // "\Device\HarddiskVolume2", the clock at 2026-01-01 00:00:00 UTC, local
  // time equal to UTC.
  MemorySystemInfo();

  uint32_t GetVersionDword() override;
  bool GetVersionEx(OsVersion* version) override;
  bool IsWow64() override;
  uint32_t TickCount() override;
  void Sleep(uint32_t milliseconds) override;
  int64_t NowSeconds() override;
  LocalTime ToLocalTime(int64_t secondsSince1970) override;
  uint32_t LogicalDrives() override;
  bool QueryDosDevice(const std::wstring& drive, std::wstring* target) override;
  void DebugOutput(const std::wstring& text) override;

  void SetVersion(const OsVersion& version, bool versionExFails = false);
  void SetVersionDword(uint32_t value);
  void SetWow64(bool wow64);
  void SetNow(int64_t secondsSince1970);
  void SetDosDevice(const std::wstring& drive, const std::wstring& target);  // "D:"
  void ClearDosDevices();
  std::vector<std::wstring> DebugLines() const;
  uint64_t SleptMilliseconds() const;

 private:
  mutable std::mutex mutex_;
  OsVersion version_;
  bool versionExFails_ = false;
  uint32_t versionDword_ = 0;
  bool wow64_ = false;
  int64_t now_ = 0;
  uint64_t ticks_ = 0;
  uint64_t slept_ = 0;
  std::map<std::wstring, std::wstring> devices_;
  std::vector<std::wstring> debugLines_;
};

}  // namespace platform::memory
