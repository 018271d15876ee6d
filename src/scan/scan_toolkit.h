// The presence tests and look-ups every scanner judges references with.
// Each test leans towards "present": it answers false only after all its
// ways of resolving the text have failed. File probes see the native file
// system (redirection off for the duration of one call).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace NSTorvane {

class CPurvexImpl;

// Removes every double quote, blank, ";", "\" and "?" from the right end,
// then from the left end.
std::wstring TrimDelimiters(const std::wstring& text);

// An existing file or folder: as expanded, after trimming, through the
// search path, or in a directory of the "Path" variable.
bool IsFilePresent(platform::Platform& p, const std::wstring& text);
// IsFilePresent, or a form cut at a blank, ",", ";", ":" or double quote
// (from the right), with or without ".exe" added.
bool IsCommandPresent(platform::Platform& p, const std::wstring& text);
// Icon and resource references: "file,index", "@file,-id", quoted forms, "%1".
bool IsFileRefPresent(platform::Platform& p, const std::wstring& text);
// The empty text, or IsFilePresent or IsCommandPresent.
bool IsEmptyOrPresent(platform::Platform& p, const std::wstring& text);
// Command lines: a program, quoted or not, followed by arguments.
bool IsCommandLinePresent(platform::Platform& p, const std::wstring& text);

// The same tests on the platform a scanner runs on.
bool IsFilePresent(const CPurvexImpl& scanner, const std::wstring& text);
bool IsCommandPresent(const CPurvexImpl& scanner, const std::wstring& text);
bool IsFileRefPresent(const CPurvexImpl& scanner, const std::wstring& text);
bool IsEmptyOrPresent(const CPurvexImpl& scanner, const std::wstring& text);
bool IsCommandLinePresent(const CPurvexImpl& scanner, const std::wstring& text);

// Appends the UTF-16LE text of registry string data to target, up to its
// first zero unit. False for an odd byte count (target unchanged) and for
// data without a zero unit (the units seen are appended).
bool AppendRegText(std::wstring& target, const uint8_t* bytes, size_t count);
// The data as text up to its first zero unit (an odd last byte dropped).
std::wstring RegDataText(const uint8_t* bytes, size_t count);

// The class id (used as given) has a key under one of the class-id roots:
// three, or six with the Wow6432Node forms under WOW64.
bool IsClsidRegistered(const CPurvexImpl& scanner, const std::wstring& id);
bool IsClsidRegistered(platform::Platform& p, bool wow64, const std::wstring& id);
// "HKEY_CLASSES_ROOT\TypeLib\" + id exists.
bool IsTypeLibRegistered(platform::Platform& p, const std::wstring& id);
bool IsTypeLibRegistered(const CPurvexImpl& scanner, const std::wstring& id);

// Windows version codes.
enum OsVersionCode : int32_t {
  kOsWin16 = 0,
  kOsNtOther = 1,
  kOsWin95 = 2,
  kOsWin98 = 3,
  kOsWinMe = 4,
  kOsNt4 = 5,
  kOsWin2000 = 6,
  kOsWinXp = 7,
  kOsVista = 8,
  kOsWin7 = 9,
};
int32_t GetOsVersionCode(platform::Platform& p);

}  // namespace NSTorvane
