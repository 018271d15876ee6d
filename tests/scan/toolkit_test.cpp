// The scanner toolkit over the in-memory platform: presence tests, registry
// text, class and type-library look-ups, the version classifier.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/memory/memory_platform.h"
#include "platform/text.h"
#include "platform/win32_constants.h"
#include "scan/purvex_impl.h"
#include "scan/scan_toolkit.h"

namespace {

using namespace NSTorvane;
using platform::ToUtf8;

class ToolkitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const wchar_t* f : {L"C:\\Windows\\notepad.exe", L"C:\\Windows\\system32\\notepad.exe",
                             L"C:\\Windows\\system32\\shell32.dll",
                             L"C:\\Windows\\system32\\rundll32.exe",
                             L"C:\\Windows\\system32\\msiexec.exe",
                             L"C:\\Windows\\System32\\Wbem\\Tools\\probe.exe",
                             L"C:\\Program Files\\App\\app.exe"}) {
      mp.files.AddFile(f);
    }
    mp.files.AddFolder(L"C:\\Program Files\\Empty Folder");
  }

  platform::memory::MemoryPlatform mp;
  platform::Platform& p = mp.view;
};

TEST(TrimDelimitersTest, Cases) {
  const std::vector<std::pair<std::wstring, std::wstring>> cases = {
      {L"\"C:\\App\\app.exe\"", L"C:\\App\\app.exe"},
      {L"C:\\App\\app.exe;", L"C:\\App\\app.exe"},
      {L" ;?\\\"abc\"\\?; ", L"abc"},
      {L"C:\\App\\", L"C:\\App"},
      {L"\\\\server\\share\\", L"server\\share"},  // both ends, whatever they mean
      {L"a b;c", L"a b;c"},                         // inner characters stay
      {L"\";\"", L""},
      {L"", L""},
      {L"-x,", L"-x,"},  // "," and "-" are no delimiters
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(TrimDelimiters(in), out) << ToUtf8(in);
}

struct PresenceCase {
  std::wstring text;
  bool file, command, fileRef, emptyOrPresent, commandLine;
};

TEST_F(ToolkitTest, PresenceTable) {
  const std::vector<PresenceCase> cases = {
      // text                                            file  cmd   ref   eop   cmdline
      {L"%SystemRoot%\\notepad.exe",                     true, true, true, true, true},
      {L"\"C:\\Program Files\\App\\app.exe\"",           true, true, true, true, true},
      {L"C:\\Program Files\\App\\app.exe;",              true, true, true, true, true},
      {L"C:\\Program Files\\Empty Folder",               true, true, true, true, true},
      {L"notepad.exe",                                   true, true, true, true, true},
      // ".exe" is tried only after a cut at a separator.
      {L"notepad",                                       false, false, false, false, false},
      {L"notepad %1",                                    false, true, true, true, true},
      {L"C:\\Program Files\\App\\app.exe -x --y",        false, true, true, true, true},
      {L"C:\\Program Files\\App\\app /s",                false, true, true, true, true},
      {L"C:\\Nowhere\\app.exe -x --y",                   false, false, false, false, false},
      {L"C:\\Program Files\\App\\gone.exe",              false, false, false, false, false},
      {L"\"C:\\Program Files\\App\\app.exe\" /background", false, true, true, true, true},
      // In a PATH directory with a folder part: only the PATH probe finds it.
      {L"Tools\\probe.exe",                              true, true, true, true, true},
      {L"@%SystemRoot%\\system32\\shell32.dll,-101",     false, false, true, false, false},
      {L"shell32.dll,-101",                              false, true, true, true, true},
      {L"\"C:\\Program Files\\App\\app.exe\",0",         false, true, true, true, true},
      {L"C:\\Gone\\icon.dll,3",                          false, false, false, false, false},
      {L"@C:\\Gone\\res.dll,-5",                         false, false, false, false, false},
      {L"%1",                                            false, false, true, false, true},
      {L"\"%1\"",                                        false, false, true, false, true},
      {L"%1 /x",                                         false, false, false, false, true},
      {L"\"C:\\Program Files\\App\\app.exe\" \"%1\"",    false, true, true, true, true},
      {L"\"C:\\Gone\\app.exe\" \"%1\"",                  false, false, false, false, false},
      {L"MsiExec.exe /X{12345678-1234-1234-1234-123456789012}", false, true, true, true, true},
      {L"rundll32.exe C:\\Gone\\x.dll,Entry",            false, true, true, true, true},
  };
  for (const auto& c : cases) {
    const std::string t = ToUtf8(c.text);
    EXPECT_EQ(IsFilePresent(p, c.text), c.file) << "IsFilePresent " << t;
    EXPECT_EQ(IsCommandPresent(p, c.text), c.command) << "IsCommandPresent " << t;
    EXPECT_EQ(IsFileRefPresent(p, c.text), c.fileRef) << "IsFileRefPresent " << t;
    EXPECT_EQ(IsEmptyOrPresent(p, c.text), c.emptyOrPresent) << "IsEmptyOrPresent " << t;
    EXPECT_EQ(IsCommandLinePresent(p, c.text), c.commandLine) << "IsCommandLinePresent " << t;
  }
}

TEST_F(ToolkitTest, EmptyTextLeansTowardsPresent) {
  EXPECT_TRUE(IsEmptyOrPresent(p, L""));
  EXPECT_TRUE(IsCommandLinePresent(p, L""));
  // A PATH directory followed by "\" exists, so the plain tests agree.
  EXPECT_TRUE(IsFilePresent(p, L""));
  EXPECT_TRUE(IsFilePresent(p, L"\"\""));
}

TEST_F(ToolkitTest, WithoutPathVariableOnlyTheSearchPathRemains) {
  mp.environment.UnsetVariable(L"Path");
  EXPECT_FALSE(IsFilePresent(p, L"Tools\\probe.exe"));
  EXPECT_TRUE(IsFilePresent(p, L"notepad.exe"));  // the system folder is searched anyway
  mp.environment.SetVariable(L"Path", L";;C:\\Windows\\System32\\Wbem;");
  EXPECT_TRUE(IsFilePresent(p, L"Tools\\probe.exe"));  // empty pieces skipped
}

TEST_F(ToolkitTest, LongExpandedReferenceIsTestedWhole) {
  // A folder whose path is exactly 259 characters: a reference cut at 259
  // characters would name it and count as present.
  std::wstring folder = L"C:\\Deep\\";
  while (folder.size() < 259) folder += L'd';
  ASSERT_EQ(folder.size(), 259u);
  mp.files.AddFolder(folder);
  mp.files.AddFile(folder + L"\\present.exe");
  mp.environment.SetVariable(L"DEEP", folder);
  const std::wstring present = L"%DEEP%\\present.exe";
  const std::wstring missing = L"%DEEP%\\missing.exe";
  EXPECT_TRUE(IsFilePresent(p, present));
  EXPECT_TRUE(IsCommandPresent(p, present + L" /s"));
  EXPECT_TRUE(IsCommandLinePresent(p, L"\"" + present + L"\" \"%1\""));
  EXPECT_FALSE(IsFilePresent(p, missing));
  EXPECT_FALSE(IsCommandPresent(p, missing + L" /s"));
  EXPECT_FALSE(IsFileRefPresent(p, L"@" + missing + L",-1"));
  EXPECT_FALSE(IsCommandLinePresent(p, L"\"" + missing + L"\" \"%1\""));
  // Longer than 300 characters after expansion, also through two variables.
  mp.environment.SetVariable(L"MORE", L"\\" + std::wstring(60, L'm'));
  mp.files.AddFile(folder + L"\\" + std::wstring(60, L'm') + L"\\x.dll");
  const std::wstring twice = L"%DEEP%%MORE%\\x.dll";
  EXPECT_TRUE(IsFileRefPresent(p, twice + L",3"));
  EXPECT_FALSE(IsFileRefPresent(p, L"%DEEP%%MORE%\\y.dll,3"));
}

// A file system that notes whether redirection was off at every probe.
class ViewCheckingFiles : public platform::memory::MemoryFileSystem {
 public:
  bool PathExists(const std::wstring& path) override {
    ++probes;
    if (!RedirectionDisabledOnThisThread()) ++redirectedProbes;
    return MemoryFileSystem::PathExists(path);
  }
  int probes = 0;
  int redirectedProbes = 0;
};

TEST(ToolkitViewTest, EveryProbeRunsInsideTheNativeFileView) {
  ViewCheckingFiles files;
  platform::memory::MemoryRegistry registry{&files};
  platform::memory::MemoryEnvironment environment{files};
  platform::memory::MemorySystemInfo system;
  platform::Platform p{registry, files, environment, system};
  files.AddFile(L"C:\\Windows\\system32\\shell32.dll");
  IsFilePresent(p, L"C:\\Gone\\a.exe");
  IsCommandPresent(p, L"C:\\Gone\\a b c,d");
  IsFileRefPresent(p, L"@shell32.dll,-5");
  IsEmptyOrPresent(p, L"gone x");
  IsCommandLinePresent(p, L"\"C:\\Gone\\a.exe\" \"%1\"");
  EXPECT_GT(files.probes, 20);
  EXPECT_EQ(files.redirectedProbes, 0);
  EXPECT_FALSE(files.RedirectionDisabledOnThisThread());  // switched back after each call
}

struct AppendCase {
  const char* what;
  std::vector<uint8_t> bytes;
  std::wstring before, after;
  bool result;
};

TEST(AppendRegTextTest, Cases) {
  const std::vector<AppendCase> cases = {
      {"text and zero unit", {'a', 0, 'b', 0, 0, 0}, L"", L"ab", true},
      {"odd byte count", {'a', 0, 'b', 0, 0}, L"x", L"x", false},
      {"no zero unit", {'a', 0, 'b', 0}, L"", L"ab", false},
      {"low byte zero does not end", {0, 1, 'c', 0, 0, 0}, L"", std::wstring{wchar_t(0x100), L'c'},
       true},
      {"appends to what is there", {'a', 0, 0, 0, 'z', 0}, L"x", L"xa", true},
      {"nothing", {}, L"q", L"q", false},
      {"zero first", {0, 0, 'a', 0}, L"", L"", true},
  };
  for (const auto& c : cases) {
    std::wstring target = c.before;
    EXPECT_EQ(AppendRegText(target, c.bytes.data(), c.bytes.size()), c.result) << c.what;
    EXPECT_EQ(target, c.after) << c.what;
  }
  const std::vector<uint8_t> odd = {'h', 0, 'i', 0, '!'};
  EXPECT_EQ(RegDataText(odd.data(), odd.size()), L"hi");
}

TEST_F(ToolkitTest, ClassIdRootsWithAndWithoutWow64) {
  const std::vector<std::wstring> roots = {
      L"HKEY_CLASSES_ROOT\\CLSID",
      L"HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID",
      L"HKEY_CURRENT_USER\\Software\\Classes\\CLSID",
      L"HKEY_CLASSES_ROOT\\Wow6432Node\\CLSID",
      L"HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Classes\\CLSID",
      L"HKEY_CURRENT_USER\\Software\\Wow6432Node\\Classes\\CLSID",
  };
  const std::wstring id = L"{00000000-1111-2222-3333-444444444444}";
  for (size_t r = 0; r < roots.size(); ++r) {
    for (bool wow64 : {false, true}) {
      platform::memory::MemoryPlatform m;
      m.system.SetWow64(wow64);
      m.registry.CreateKeyPath(roots[r] + L"\\" + id);
      CPurvexImpl scanner(m.view);
      ASSERT_EQ(scanner.isWow64, wow64);
      const bool expected = r < 3 || wow64;
      EXPECT_EQ(IsClsidRegistered(scanner, id), expected) << ToUtf8(roots[r]) << " " << wow64;
      // The id is used as given: no braces are added.
      EXPECT_FALSE(IsClsidRegistered(scanner, id.substr(1, id.size() - 2))) << ToUtf8(roots[r]);
    }
  }
}

TEST_F(ToolkitTest, ClassIdThatCannotBeOpenedCountsAsRegistered) {
  const std::wstring key = L"HKEY_CLASSES_ROOT\\CLSID\\{LOCKED}";
  mp.registry.CreateKeyPath(key);
  mp.registry.SetFault(key, {.denyRead = true});
  EXPECT_TRUE(IsClsidRegistered(p, false, L"{LOCKED}"));
  EXPECT_FALSE(IsClsidRegistered(p, true, L"{MISSING}"));
}

TEST_F(ToolkitTest, TypeLibLookUp) {
  mp.registry.CreateKeyPath(L"HKEY_CLASSES_ROOT\\TypeLib\\{LIB}\\1.0");
  CPurvexImpl scanner(p);
  EXPECT_TRUE(IsTypeLibRegistered(scanner, L"{LIB}"));
  EXPECT_TRUE(IsTypeLibRegistered(p, L"{lib}"));  // registry names ignore case
  EXPECT_FALSE(IsTypeLibRegistered(p, L"{OTHER}"));
}

struct VersionCase {
  uint32_t platformId, major, minor;
  bool exFails;
  int32_t code;
};

TEST(OsVersionCodeTest, Cases) {
  constexpr uint32_t k9x = platform::kVerPlatformWin32Windows;
  constexpr uint32_t kNt = platform::kVerPlatformWin32Nt;
  const std::vector<VersionCase> cases = {
      {k9x, 3, 10, false, kOsWin16},  {k9x, 4, 0, false, kOsWin95},
      {k9x, 4, 10, false, kOsWin98},  {k9x, 4, 90, false, kOsWinMe},
      {k9x, 4, 10, true, kOsWin95},   {kNt, 4, 0, false, kOsNt4},
      {kNt, 5, 0, false, kOsWin2000}, {kNt, 5, 1, false, kOsWinXp},
      {kNt, 5, 2, false, kOsWinXp},   {kNt, 6, 0, false, kOsVista},
      {kNt, 6, 1, false, kOsWin7},    {kNt, 6, 2, false, kOsNtOther},
      {kNt, 10, 0, false, kOsNtOther}, {kNt, 6, 1, true, kOsNtOther},
  };
  for (const auto& c : cases) {
    platform::memory::MemoryPlatform m;
    platform::OsVersion v;
    v.platformId = c.platformId;
    v.major = c.major;
    v.minor = c.minor;
    m.system.SetVersion(v, c.exFails);
    EXPECT_EQ(GetOsVersionCode(m.view), c.code)
        << c.platformId << " " << c.major << "." << c.minor << (c.exFails ? " ex fails" : "");
  }
}

}  // namespace
