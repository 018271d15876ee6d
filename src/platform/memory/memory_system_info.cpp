#include "platform/memory/memory_system_info.h"

#include <cstdio>
#include <cstdlib>

#include "platform/text.h"
#include "platform/win32_constants.h"

namespace platform::memory {

namespace {
constexpr int64_t kDefaultNow = 1767225600;  // 2026-01-01 00:00:00 UTC

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void CivilFromDays(int64_t days, int* year, int* month, int* day) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t doe = days - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  *day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *year = static_cast<int>(yoe + era * 400 + (*month <= 2 ? 1 : 0));
}
}  // namespace

MemorySystemInfo::MemorySystemInfo() {
  version_.major = 6;
  version_.minor = 1;
  version_.build = 7601;
  version_.platformId = kVerPlatformWin32Nt;
  version_.csdVersion = L"Service Pack 1";
  version_.servicePackMajor = 1;
  version_.productType = kVerNtWorkstation;
  now_ = kDefaultNow;
  ticks_ = 60000;
  devices_[L"C:"] = L"\\Device\\HarddiskVolume2";
}

uint32_t MemorySystemInfo::GetVersionDword() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (versionDword_) return versionDword_;
  uint32_t value = (version_.major & 0xFF) | ((version_.minor & 0xFF) << 8) |
                   ((version_.build & 0x7FFF) << 16);
  if (version_.platformId != kVerPlatformWin32Nt) value |= 0x80000000u;
  return value;
}

bool MemorySystemInfo::GetVersionEx(OsVersion* version) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (versionExFails_ || !version) return false;
  *version = version_;
  return true;
}

bool MemorySystemInfo::IsWow64() {
  std::lock_guard<std::mutex> lock(mutex_);
  return wow64_;
}

uint32_t MemorySystemInfo::TickCount() {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<uint32_t>(ticks_);
}

void MemorySystemInfo::Sleep(uint32_t milliseconds) {
  std::lock_guard<std::mutex> lock(mutex_);
  // The clock moves by the whole seconds that the total sleeping crossed.
  const uint64_t before = slept_ / 1000;
  ticks_ += milliseconds;
  slept_ += milliseconds;
  now_ += static_cast<int64_t>(slept_ / 1000 - before);
}

int64_t MemorySystemInfo::NowSeconds() {
  std::lock_guard<std::mutex> lock(mutex_);
  return now_;
}

LocalTime MemorySystemInfo::ToLocalTime(int64_t secondsSince1970) {
  int64_t days = secondsSince1970 / 86400;
  int64_t rest = secondsSince1970 % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  LocalTime t;
  CivilFromDays(days, &t.year, &t.month, &t.day);
  t.hour = static_cast<int>(rest / 3600);
  t.minute = static_cast<int>(rest % 3600 / 60);
  t.second = static_cast<int>(rest % 60);
  t.dayOfWeek = static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
  return t;
}

uint32_t MemorySystemInfo::LogicalDrives() {
  std::lock_guard<std::mutex> lock(mutex_);
  uint32_t mask = 0;
  for (const auto& [drive, target] : devices_) {
    const wchar_t letter = UpcaseUnit(drive[0]);
    if (letter >= L'A' && letter <= L'Z') mask |= 1u << (letter - L'A');
  }
  return mask;
}

bool MemorySystemInfo::QueryDosDevice(const std::wstring& drive, std::wstring* target) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = devices_.find(Upcase(drive));
  if (it == devices_.end()) return false;
  if (target) *target = it->second;
  return true;
}

void MemorySystemInfo::DebugOutput(const std::wstring& text) {
  std::wstring line = text;
  while (!line.empty() && (line.back() == L'\n' || line.back() == L'\r')) line.pop_back();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    debugLines_.push_back(line);
  }
  if (std::getenv("LUMORA_TRACE_STDERR")) std::fprintf(stderr, "%s\n", ToUtf8(line).c_str());
}

void MemorySystemInfo::SetVersion(const OsVersion& version, bool versionExFails) {
  std::lock_guard<std::mutex> lock(mutex_);
  version_ = version;
  versionExFails_ = versionExFails;
  versionDword_ = 0;
}

void MemorySystemInfo::SetVersionDword(uint32_t value) {
  std::lock_guard<std::mutex> lock(mutex_);
  versionDword_ = value;
}

void MemorySystemInfo::SetWow64(bool wow64) {
  std::lock_guard<std::mutex> lock(mutex_);
  wow64_ = wow64;
}

void MemorySystemInfo::SetNow(int64_t secondsSince1970) {
  std::lock_guard<std::mutex> lock(mutex_);
  now_ = secondsSince1970;
}

void MemorySystemInfo::SetDosDevice(const std::wstring& drive, const std::wstring& target) {
  std::lock_guard<std::mutex> lock(mutex_);
  devices_[Upcase(drive)] = target;
}

void MemorySystemInfo::ClearDosDevices() {
  std::lock_guard<std::mutex> lock(mutex_);
  devices_.clear();
}

std::vector<std::wstring> MemorySystemInfo::DebugLines() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return debugLines_;
}

uint64_t MemorySystemInfo::SleptMilliseconds() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return slept_;
}

}  // namespace platform::memory
