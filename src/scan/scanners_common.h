// Small helpers shared by the category scanners.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>

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

// The presence answers of one scan, by test and text: a reference that many
// keys share is judged once. Lives no longer than the scan that makes it.
class PresenceCache {
 public:
  explicit PresenceCache(const CPurvexImpl& scanner) : scanner_(scanner) {}
  bool EmptyOrPresent(const std::wstring& text);
  bool FileRef(const std::wstring& text);
  bool CommandLine(const std::wstring& text);
  bool TypeLibRegistered(const std::wstring& id);

 private:
  enum Test { kEmptyOrPresent, kFileRef, kCommandLine, kTypeLib, kTests };
  template <class Fn>
  bool Answer(Test test, const std::wstring& text, Fn&& judge) {
    auto& answers = answers_[test];
    const auto it = answers.find(text);
    if (it != answers.end()) return it->second;
    const bool present = judge(scanner_, text);
    answers.emplace(text, present);
    return present;
  }

  const CPurvexImpl& scanner_;
  std::unordered_map<std::wstring, bool> answers_[kTests];
};

}  // namespace NSTorvane
