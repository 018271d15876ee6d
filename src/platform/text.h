// Wide-text helpers shared by both builds. A std::wstring holds UTF-16 code
// units, one per element, also where wchar_t is 32 bits wide.
#pragma once
#include <cstdarg>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Windows' ordinal upper-casing for the basic multilingual plane.
wchar_t UpcaseUnit(wchar_t unit);
std::wstring Upcase(const std::wstring& text);
// Ordinal comparison ignoring case (CompareStringOrdinal with IgnoreCase):
// negative, zero or positive.
int CompareNoCase(const std::wstring& a, const std::wstring& b);
bool EqualsNoCase(const std::wstring& a, const std::wstring& b);
bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix);
// Ordering for maps and sets keyed by names that compare ignoring case.
struct NoCaseLess {
  bool operator()(const std::wstring& a, const std::wstring& b) const {
    return CompareNoCase(a, b) < 0;
  }
};

// printf-style formatting into a wide string; wide arguments are "%ls".
std::wstring Format(const wchar_t* format, ...);
std::wstring FormatArgs(const wchar_t* format, va_list args);

// UTF-16LE bytes of the text; with a terminating NUL when asked.
std::vector<uint8_t> ToUtf16Bytes(const std::wstring& text, bool terminate);
// Text from UTF-16LE bytes (an odd last byte is dropped).
std::wstring FromUtf16Bytes(const uint8_t* bytes, size_t count);
// UTF-8 for the console and the native build's standard error.
std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

}  // namespace platform
