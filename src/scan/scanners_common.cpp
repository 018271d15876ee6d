#include "scan/scanners_common.h"

#include <array>
#include <cmath>
#include <memory>

#include "platform/text.h"
#include "scan/scan_toolkit.h"

namespace NSTorvane {

namespace {

// lower[u] is the unit whose upper-casing gives u, the nearest such unit when
// there are several (so that Greek mu wins over the micro sign).
std::unique_ptr<std::array<uint16_t, 0x10000>> BuildLowerTable() {
  auto table = std::make_unique<std::array<uint16_t, 0x10000>>();
  std::array<uint32_t, 0x10000> distance{};
  for (uint32_t u = 0; u < 0x10000; ++u) {
    (*table)[u] = static_cast<uint16_t>(u);
    distance[u] = 0xFFFFFFFFu;
  }
  for (uint32_t u = 0; u < 0x10000; ++u) {
    const uint32_t upper = static_cast<uint16_t>(platform::UpcaseUnit(static_cast<wchar_t>(u)));
    if (upper == u) continue;
    const uint32_t d = upper > u ? upper - u : u - upper;
    if (d < distance[upper]) {
      distance[upper] = d;
      (*table)[upper] = static_cast<uint16_t>(u);
    }
  }
  return table;
}

}  // namespace

std::wstring Downcase(const std::wstring& text) {
  static const std::unique_ptr<std::array<uint16_t, 0x10000>> lower = BuildLowerTable();
  std::wstring out(text);
  for (wchar_t& c : out) {
    const uint32_t unit = static_cast<uint32_t>(c);
    if (unit < 0x80) {
      if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + (L'a' - L'A'));
    } else if (unit < 0x10000) {
      c = static_cast<wchar_t>((*lower)[unit]);
    }
  }
  return out;
}

bool IsDigitsOnly(const std::wstring& name) {
  for (wchar_t c : name) {
    if (c < L'0' || c > L'9') return false;
  }
  return true;
}

std::wstring LastPathName(const std::wstring& path) {
  const size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring ReplaceNoCase(const std::wstring& text, const std::wstring& what,
                           const std::wstring& with) {
  if (what.empty()) return text;
  const std::wstring upperText = platform::Upcase(text);
  const std::wstring upperWhat = platform::Upcase(what);
  std::wstring out;
  size_t from = 0;
  for (size_t at = upperText.find(upperWhat); at != std::wstring::npos;
       at = upperText.find(upperWhat, from)) {
    out.append(text, from, at - from);
    out += with;
    from = at + what.size();
  }
  out.append(text, from, std::wstring::npos);
  return out;
}

PercentOfPass ShareOfPass(double share, double base, bool countPass) {
  return [share, base, countPass](uint32_t i, uint32_t n) {
    const double pass = static_cast<double>(i) + (countPass ? 1.0 : 0.0);
    return TruncPercent(pass * share / n * 100.0 + base);
  };
}

bool PresenceCache::EmptyOrPresent(const std::wstring& text) {
  if (text.empty()) return true;
  return Answer(kEmptyOrPresent, text, [](const CPurvexImpl& s, const std::wstring& t) {
    return IsEmptyOrPresent(s, t);
  });
}

bool PresenceCache::FileRef(const std::wstring& text) {
  return Answer(kFileRef, text, [](const CPurvexImpl& s, const std::wstring& t) {
    return IsFileRefPresent(s, t);
  });
}

bool PresenceCache::CommandLine(const std::wstring& text) {
  return Answer(kCommandLine, text, [](const CPurvexImpl& s, const std::wstring& t) {
    return IsCommandLinePresent(s, t);
  });
}

bool PresenceCache::TypeLibRegistered(const std::wstring& id) {
  return Answer(kTypeLib, id, [](const CPurvexImpl& s, const std::wstring& t) {
    return IsTypeLibRegistered(s, t);
  });
}

}  // namespace NSTorvane
