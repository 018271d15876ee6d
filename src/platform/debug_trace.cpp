#include "platform/debug_trace.h"

#include <cstdarg>

#include "platform/text.h"
#include "platform/win32_constants.h"

namespace platform {

namespace {
void TraceList(Platform& p, const wchar_t* format, va_list args) {
  if (!DebugTraceEnabled(p)) return;
  std::wstring line = FormatArgs(format, args);
  line.push_back(L'\n');
  p.system.DebugOutput(line);
}
}  // namespace

bool DebugTraceEnabled(Platform& p) {
  const std::wstring program = p.environment.GetModulePath();
  const size_t slash = program.rfind(L'\\');
  if (slash == std::wstring::npos) return false;
  const uint32_t attributes = p.files.GetAttributes(program.substr(0, slash) + L"\\debug");
  return attributes != kInvalidFileAttributes && !(attributes & kFileAttributeDirectory);
}

void DebugTrace(Platform& p, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  TraceList(p, format, args);
  va_end(args);
}

void DebugTrace(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  TraceList(DefaultPlatform(), format, args);
  va_end(args);
}

}  // namespace platform
