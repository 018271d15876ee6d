#include "app/crash_dump.h"

#include <dbghelp.h>

#include <cstdint>
#include <cstring>
#include <ctime>

#include "platform/win32/handles.h"

namespace app {

namespace {
LPTOP_LEVEL_EXCEPTION_FILTER WINAPI IgnoreFilter(LPTOP_LEVEL_EXCEPTION_FILTER) { return nullptr; }
}  // namespace

std::wstring CrashDumpPath(const std::wstring& programPath, const SYSTEMTIME& t) {
  const size_t slash = programPath.rfind(L'\\');
  if (slash == std::wstring::npos) return {};
  std::tm local = {};
  local.tm_year = t.wYear - 1900;
  local.tm_mon = t.wMonth - 1;
  local.tm_mday = t.wDay;
  local.tm_hour = t.wHour;
  local.tm_min = t.wMinute;
  local.tm_sec = t.wSecond;
  wchar_t name[128] = {};
  if (std::wcsftime(name, 128, L"Quorvel_%Y%m%d_%H%M%S.dmp", &local) == 0) return {};
  return programPath.substr(0, slash + 1) + L"DumpFile\\" + name;
}

LONG WINAPI WriteCrashDump(EXCEPTION_POINTERS* exception) {
  wchar_t program[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameW(nullptr, program, MAX_PATH);
  SYSTEMTIME now = {};
  GetLocalTime(&now);
  const std::wstring path = CrashDumpPath(std::wstring(program, n), now);
  if (path.empty()) return EXCEPTION_CONTINUE_SEARCH;
  CreateDirectoryW(path.substr(0, path.rfind(L'\\')).c_str(), nullptr);

  platform::win32::UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return EXCEPTION_CONTINUE_SEARCH;
  MINIDUMP_EXCEPTION_INFORMATION info = {};
  info.ThreadId = GetCurrentThreadId();
  info.ExceptionPointers = exception;
  info.ClientPointers = TRUE;
  MiniDumpWriteDump(GetCurrentProcess(), GetCurrentProcessId(), file.Get(), MiniDumpNormal,
                    exception != nullptr ? &info : nullptr, nullptr, nullptr);
  return EXCEPTION_CONTINUE_SEARCH;
}

void LockExceptionFilter() {
#if defined(__i386__)
  HMODULE kernel = LoadLibraryW(L"kernel32.dll");
  if (kernel == nullptr) return;
  void* target = reinterpret_cast<void*>(GetProcAddress(kernel, "SetUnhandledExceptionFilter"));
  if (target == nullptr) return;
  // A relative jump (E9 and a 32-bit displacement) to IgnoreFilter.
  uint8_t jump[5] = {0xE9};
  const int32_t displacement = static_cast<int32_t>(
      reinterpret_cast<intptr_t>(&IgnoreFilter) - reinterpret_cast<intptr_t>(target) - 5);
  std::memcpy(jump + 1, &displacement, sizeof displacement);
  // Code pages are read-only; open the five bytes for the write and close
  // them again.
  DWORD protection = 0;
  const BOOL opened = VirtualProtect(target, sizeof jump, PAGE_EXECUTE_READWRITE, &protection);
  SIZE_T written = 0;
  WriteProcessMemory(GetCurrentProcess(), target, jump, sizeof jump, &written);
  if (opened) VirtualProtect(target, sizeof jump, protection, &protection);
  FlushInstructionCache(GetCurrentProcess(), target, sizeof jump);
#endif
}

}  // namespace app
