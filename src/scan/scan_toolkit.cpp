#include "scan/scan_toolkit.h"

#include <optional>
#include <vector>

#include "platform/text.h"
#include "registry/reg_key_ex.h"
#include "scan/purvex_impl.h"

namespace NSTorvane {

namespace {

bool IsDelimiter(wchar_t c) {
  return c == L'"' || c == L' ' || c == L';' || c == L'\\' || c == L'?';
}

bool IsSeparator(wchar_t c) {
  return c == L' ' || c == L',' || c == L';' || c == L':' || c == L'"';
}

// "C:...": a text that no folder can be put in front of. (Trimming has
// already taken the backslashes off a network path.)
bool IsFullPath(const std::wstring& t) { return t.size() >= 2 && t[1] == L':'; }

// One presence test from the caller's view: redirection is off while it
// lives, and the "Path" directories are read once, when first needed.
class Probe {
 public:
  explicit Probe(platform::Platform& p) : p_(p), view_(p.files) {}

  // Environment expansion without a length limit; a failed expansion
  // leaves the text empty.
  bool Expand(const std::wstring& text, std::wstring& out) {
    if (text.find(L'%') == std::wstring::npos) {
      out = text;
      return true;
    }
    if (p_.environment.ExpandStrings(text, &out)) return true;
    out.clear();
    return false;
  }

  bool File(const std::wstring& text) {
    std::wstring expanded;
    if (Expand(text, expanded) && p_.files.PathExists(expanded)) return true;
    const std::wstring t = TrimDelimiters(expanded);
    if (p_.files.PathExists(t)) return true;
    // A full path names one place: the search path and the PATH folders can
    // only repeat the answer just given.
    if (IsFullPath(t)) return false;
    if (p_.environment.SearchPath(t, &found_)) return true;
    for (const std::wstring& dir : PathDirs()) {
      if (p_.files.PathExists(dir + L"\\" + t)) return true;
    }
    return false;
  }

  // The cuts of IsCommandPresent, for a text whose plain file test failed.
  bool CommandCuts(const std::wstring& text) {
    std::wstring expanded;
    Expand(text, expanded);
    std::wstring t = TrimDelimiters(expanded);
    for (size_t i = t.size(); i-- > 0;) {
      if (!IsSeparator(t[i])) continue;
      t.resize(i);
      if (File(t) || File(t + L".exe")) return true;
    }
    return false;
  }

  bool FileOrCommand(const std::wstring& text) { return File(text) || CommandCuts(text); }

  platform::Platform& P() { return p_; }

 private:
  const std::vector<std::wstring>& PathDirs() {
    if (!dirs_) {
      dirs_.emplace();
      std::wstring path;
      if (p_.environment.GetVariable(L"Path", &path)) {
        size_t start = 0;
        while (start < path.size()) {
          size_t end = path.find(L';', start);
          if (end == std::wstring::npos) end = path.size();
          if (end > start) dirs_->push_back(path.substr(start, end - start));
          start = end + 1;
        }
      }
    }
    return *dirs_;
  }

  platform::Platform& p_;
  platform::NativeFileView view_;
  std::wstring found_;  // SearchPath's answer, not needed
  std::optional<std::vector<std::wstring>> dirs_;
};

}  // namespace

std::wstring TrimDelimiters(const std::wstring& text) {
  size_t end = text.size();
  while (end > 0 && IsDelimiter(text[end - 1])) --end;
  size_t begin = 0;
  while (begin < end && IsDelimiter(text[begin])) ++begin;
  return text.substr(begin, end - begin);
}

bool IsFilePresent(platform::Platform& p, const std::wstring& text) {
  Probe probe(p);
  return probe.File(text);
}

bool IsCommandPresent(platform::Platform& p, const std::wstring& text) {
  Probe probe(p);
  return probe.FileOrCommand(text);
}

bool IsFileRefPresent(platform::Platform& p, const std::wstring& text) {
  Probe probe(p);
  if (probe.File(text)) return true;
  std::wstring t = p.environment.PathUnquoteSpaces(text);
  if (!t.empty() && t[0] == L'@') t.erase(0, 1);
  if (t == L"%1") return true;
  return probe.FileOrCommand(t);
}

bool IsEmptyOrPresent(platform::Platform& p, const std::wstring& text) {
  if (text.empty()) return true;
  Probe probe(p);
  // IsCommandPresent would repeat the file test that just failed.
  return probe.FileOrCommand(text);
}

bool IsCommandLinePresent(platform::Platform& p, const std::wstring& text) {
  if (text.empty()) return true;
  Probe probe(p);
  // The expanded text as a whole was the file test's first probe.
  if (probe.FileOrCommand(text)) return true;
  std::wstring buffer;
  probe.Expand(text, buffer);
  // PathGetArgsW never returns null for a text, so the program part is
  // always tried.
  buffer = p.environment.PathUnquoteSpaces(p.environment.PathRemoveArgs(buffer));
  if (probe.File(buffer)) return true;
  return platform::EqualsNoCase(buffer, L"%1");
}

bool IsFilePresent(const CPurvexImpl& s, const std::wstring& text) {
  return IsFilePresent(s.GetPlatform(), text);
}
bool IsCommandPresent(const CPurvexImpl& s, const std::wstring& text) {
  return IsCommandPresent(s.GetPlatform(), text);
}
bool IsFileRefPresent(const CPurvexImpl& s, const std::wstring& text) {
  return IsFileRefPresent(s.GetPlatform(), text);
}
bool IsEmptyOrPresent(const CPurvexImpl& s, const std::wstring& text) {
  return IsEmptyOrPresent(s.GetPlatform(), text);
}
bool IsCommandLinePresent(const CPurvexImpl& s, const std::wstring& text) {
  return IsCommandLinePresent(s.GetPlatform(), text);
}

bool AppendRegText(std::wstring& target, const uint8_t* bytes, size_t count) {
  if (count % 2 != 0) return false;
  for (size_t i = 0; i + 1 < count; i += 2) {
    const wchar_t unit = static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
    if (unit == 0) return true;
    target.push_back(unit);
  }
  return false;
}

std::wstring RegDataText(const uint8_t* bytes, size_t count) {
  std::wstring text;
  AppendRegText(text, bytes, count & ~static_cast<size_t>(1));
  return text;
}

bool IsClsidRegistered(platform::Platform& p, bool wow64, const std::wstring& id) {
  static const wchar_t* const kRoots[] = {
      L"HKEY_CLASSES_ROOT\\CLSID",
      L"HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID",
      L"HKEY_CURRENT_USER\\Software\\Classes\\CLSID",
      L"HKEY_CLASSES_ROOT\\Wow6432Node\\CLSID",
      L"HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Classes\\CLSID",
      L"HKEY_CURRENT_USER\\Software\\Wow6432Node\\Classes\\CLSID",
  };
  const size_t count = wow64 ? 6 : 3;
  for (size_t i = 0; i < count; ++i) {
    if (NSRegKeyEx::KeyExists(p, std::wstring(kRoots[i]) + L"\\" + id)) return true;
  }
  return false;
}

bool IsClsidRegistered(const CPurvexImpl& s, const std::wstring& id) {
  return IsClsidRegistered(s.GetPlatform(), s.isWow64, id);
}

bool IsTypeLibRegistered(platform::Platform& p, const std::wstring& id) {
  return NSRegKeyEx::KeyExists(p, L"HKEY_CLASSES_ROOT\\TypeLib\\" + id);
}

bool IsTypeLibRegistered(const CPurvexImpl& s, const std::wstring& id) {
  return IsTypeLibRegistered(s.GetPlatform(), id);
}

int32_t GetOsVersionCode(platform::Platform& p) {
  const uint32_t dword = p.system.GetVersionDword();
  platform::OsVersion v;
  if ((dword & 0x80000000u) != 0) {
    if ((dword & 0xFF) < 4) return kOsWin16;
    if (!p.system.GetVersionEx(&v)) return kOsWin95;
    if (v.major == 4 && v.minor == 10) return kOsWin98;
    if (v.major == 4 && v.minor == 90) return kOsWinMe;
    return kOsWin95;
  }
  if (!p.system.GetVersionEx(&v)) return kOsNtOther;
  if (v.major == 4) return kOsNt4;
  if (v.major == 5 && v.minor == 0) return kOsWin2000;
  if (v.major == 5 && (v.minor == 1 || v.minor == 2)) return kOsWinXp;
  if (v.major == 6 && v.minor == 0) return kOsVista;
  if (v.major == 6 && v.minor == 1) return kOsWin7;
  return kOsNtOther;
}

}  // namespace NSTorvane
