#include "platform/path_strings.h"

#include "platform/win32_constants.h"

namespace platform::path_strings {

namespace {
// Index of the first character of the arguments: after the first blank that
// is not inside double quotes, or the end of the text.
size_t ArgsStart(const std::wstring& path) {
  bool inQuotes = false;
  for (size_t i = 0; i < path.size(); ++i) {
    if (path[i] == L'\0') return i;
    if (path[i] == L' ' && !inQuotes) return i + 1;
    if (path[i] == L'"') inQuotes = !inQuotes;
  }
  return path.size();
}

std::wstring UpToNul(const std::wstring& text) {
  const size_t nul = text.find(L'\0');
  return nul == std::wstring::npos ? text : text.substr(0, nul);
}
}  // namespace

std::wstring GetArgs(const std::wstring& path) {
  const std::wstring text = UpToNul(path);
  return text.substr(ArgsStart(text));
}

std::wstring RemoveArgs(const std::wstring& path) {
  const std::wstring text = UpToNul(path);
  const size_t start = ArgsStart(text);
  const bool hasArgs = start < text.size();
  if (hasArgs || (start > 0 && text[start - 1] == L' ')) return text.substr(0, start - 1);
  return text;
}

std::wstring UnquoteSpaces(const std::wstring& path) {
  const std::wstring text = UpToNul(path);
  if (text.empty() || text.front() != L'"' || text.back() != L'"') return text;
  if (text.size() == 1) return std::wstring();
  return text.substr(1, text.size() - 2);
}

std::wstring RemoveFileSpec(const std::wstring& path) {
  std::wstring text = UpToNul(path);
  size_t spec = 0;
  size_t i = 0;
  if (i < text.size() && text[i] == L'\\') spec = ++i;
  if (i < text.size() && text[i] == L'\\') spec = ++i;
  // As shlwapi: after a drive colon the next character is stepped over, so
  // the backslash of "C:\" stays with the drive.
  while (i < text.size()) {
    if (text[i] == L'\\') {
      spec = i;
    } else if (text[i] == L':') {
      spec = ++i;
      if (i < text.size() && text[i] == L'\\') ++spec;
      if (i >= text.size()) break;
    }
    ++i;
  }
  if (spec < text.size()) text.resize(spec);
  return text;
}

std::wstring AddBackslash(const std::wstring& path) {
  std::wstring text = UpToNul(path);
  if (text.size() >= kMaxPath) return text;
  if (!text.empty() && text.back() != L'\\') text.push_back(L'\\');
  return text;
}

}  // namespace platform::path_strings
