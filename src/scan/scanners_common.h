// Small helpers shared by the category scanners.
#pragma once
#include <cstdint>
#include <string>

#include "scan/purvex_impl.h"

namespace NSTorvane {

// Windows-style lower-casing of each UTF-16 unit (the inverse of the
// ordinal upper-casing the registry compares names with).
std::wstring Downcase(const std::wstring& text);
// The text consists of the digits 0 to 9 alone (the empty text counts).
bool IsDigitsOnly(const std::wstring& name);
// The text after the last backslash, or the whole text without one.
std::wstring LastPathName(const std::wstring& path);
// Replaces every occurrence of what (ignoring case) by with.
std::wstring ReplaceNoCase(const std::wstring& text, const std::wstring& what,
                           const std::wstring& with);

// The percent of pass i of n on a fixed share of the category:
// trunc(i' * share / n * 100 + base), with i' = i, or i + 1 when countPass.
PercentOfPass ShareOfPass(double share, double base, bool countPass);

}  // namespace NSTorvane
