// The settings section and keys, and the product-wide names stored or looked
// up by name. Every reader and writer of a setting names it by these.
#pragma once

namespace settings {

inline constexpr wchar_t kSection[] = L"Lumora";

inline constexpr wchar_t kScheduleType[] = L"ScheduleType";
inline constexpr wchar_t kScheduleDateTime[] = L"ScheduleDateTime";
inline constexpr wchar_t kScheduleWeek[] = L"ScheduleWeek";
inline constexpr wchar_t kExitMini[] = L"ExitMini";
inline constexpr wchar_t kCleanupExclsion[] = L"CleanupExclsion";
inline constexpr wchar_t kCleanupCheckType[] = L"CleanupCheckType";
inline constexpr wchar_t kLastRegisterOpti[] = L"LastRegisterOpti";
inline constexpr wchar_t kLastRegScan[] = L"LastRegScan";
inline constexpr wchar_t kLastRegScanCount[] = L"LastRegScanCount";
inline constexpr wchar_t kLastRegRepair[] = L"LastRegRepair";
inline constexpr wchar_t kLastRegNoRepair[] = L"LastRegNoRepair";

// The main window's title, by which a second start finds the running
// instance, and the name of the scheduled task.
inline constexpr wchar_t kProductTitle[] = L"Quorvel Lumora";
// The tray companion beside the program.
inline constexpr wchar_t kTrayFileName[] = L"RegTray.exe";
// The switch a scheduled start passes.
inline constexpr wchar_t kScheduleSwitch[] = L"/schedule";

}  // namespace settings
