// The seventeen scanners on the real registry and files of the private Wine
// prefix: a full scan of the untouched prefix, then the same scan after
// seeding stale and sound entries of every category under names unique to
// this run. What the second scan finds beyond the first must be exactly the
// stale seeds. In the 64-bit prefix the Wow6432Node start-up keys and class
// roots, 64-bit-only keys and the native System32 take part.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/text.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_test_support.h"
#include "platform/win32_constants.h"
#include "scan/problem_collector.h"
#include "scan/purvex_eng.h"
#include "scan/scan_toolkit.h"
#include "scan/scanners_common.h"

namespace {

using platform::win32::testing::ExpectWow64;
using platform::win32::testing::RawKey;
using platform::win32::testing::RawKeyExists;

// One problem as a line, and the problems of a scan by category.
using Found = std::map<int32_t, std::multiset<std::wstring>>;
std::wstring Line(int32_t type, const std::wstring& data, const std::wstring& key,
                  const std::wstring& value) {
  return std::to_wstring(type) + L"|" + data + L"|" + key + L"|" + value;
}

// Registry entries and files made by the test, removed again at its end.
// Keys are written in the native view, as the program reads them.
class Seeds {
 public:
  ~Seeds() {
    for (auto it = undo_.rbegin(); it != undo_.rend(); ++it) (*it)();
  }

  // Creates the key; the part of its path that did not exist before is
  // removed at the end.
  void Key(HKEY root, const std::wstring& sub) {
    for (size_t end = sub.find(L'\\');; end = sub.find(L'\\', end + 1)) {
      const std::wstring prefix = sub.substr(0, end);
      if (!RawKeyExists(root, prefix, KEY_WOW64_64KEY)) {
        undo_.push_back([root, prefix] { DeleteTree(root, prefix); });
        break;
      }
      if (end == std::wstring::npos) break;
    }
    RawKey key;
    const LONG rc = RegCreateKeyExW(root, sub.c_str(), 0, nullptr, 0,
                                    KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, key.Receive(),
                                    nullptr);
    ASSERT_EQ(rc, ERROR_SUCCESS) << platform::ToUtf8(sub);
  }
  // A key of this run: removed with its subkeys at the end.
  void OwnKey(HKEY root, const std::wstring& sub) {
    Key(root, sub);
    undo_.push_back([root, sub] { DeleteTree(root, sub); });
  }
  // A value of this run in a key that may be the system's own.
  void Value(HKEY root, const std::wstring& sub, const std::wstring& name, DWORD type,
             const std::vector<uint8_t>& bytes) {
    Key(root, sub);
    RawKey key;
    ASSERT_EQ(RegOpenKeyExW(root, sub.c_str(), 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, key.Receive()),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key.Get(), name.empty() ? nullptr : name.c_str(), 0, type,
                             bytes.data(), static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
    undo_.push_back([root, sub, name] {
      RawKey k;
      if (RegOpenKeyExW(root, sub.c_str(), 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, k.Receive()) ==
          ERROR_SUCCESS)
        RegDeleteValueW(k.Get(), name.empty() ? nullptr : name.c_str());
    });
  }
  void Text(HKEY root, const std::wstring& sub, const std::wstring& name, const std::wstring& text,
            DWORD type = REG_SZ) {
    Value(root, sub, name, type, platform::ToUtf16Bytes(text, true));
  }
  void Dword(HKEY root, const std::wstring& sub, const std::wstring& name, DWORD value) {
    const auto* b = reinterpret_cast<const uint8_t*>(&value);
    Value(root, sub, name, REG_DWORD, std::vector<uint8_t>(b, b + 4));
  }

  void Folder(const std::wstring& path) {
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    undo_.push_back([path] { RemoveDirectoryW(path.c_str()); });
  }
  void File(const std::wstring& path) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << platform::ToUtf8(path);
    DWORD written = 0;
    WriteFile(h, "x", 1, &written, nullptr);
    CloseHandle(h);
    undo_.push_back([path] { DeleteFileW(path.c_str()); });
  }
  // A file that existed when its entries were made, and is gone now.
  void DeletedFile(const std::wstring& path) {
    File(path);
    ASSERT_TRUE(DeleteFileW(path.c_str()));
  }

 private:
  static void DeleteTree(HKEY root, const std::wstring& sub) {
    const size_t slash = sub.rfind(L'\\');
    const std::wstring parent = slash == std::wstring::npos ? L"" : sub.substr(0, slash);
    const std::wstring name = slash == std::wstring::npos ? sub : sub.substr(slash + 1);
    RawKey key;
    if (RegOpenKeyExW(root, parent.c_str(), 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, key.Receive()) ==
        ERROR_SUCCESS)
      RegDeleteTreeW(key.Get(), name.c_str());
    RegDeleteKeyExW(root, sub.c_str(), KEY_WOW64_64KEY, 0);
  }

  std::vector<std::function<void()>> undo_;
};

// A full scan of all categories through the engine and the intake rule.
Found FullScan(platform::Platform& p, uint32_t* elapsedMs = nullptr) {
  CProblemCollector collector(p);
  CCollectingObserver observer(collector);
  CPurvexEng engine(p, PurvexEngOptions{{}, 0});
  ScanRequest request;
  for (int32_t id = 0; id < kScanCategoryCount; ++id) request.categories.push_back(id);
  const DWORD start = GetTickCount();
  EXPECT_TRUE(engine.Start(request, &observer));
  engine.Resume();
  EXPECT_TRUE(engine.Wait(600000));
  if (elapsedMs) *elapsedMs = GetTickCount() - start;
  Found found;
  for (int32_t id = 0; id < kScanCategoryCount; ++id) found[id];
  for (const auto& [category, items] : collector.Result().byCategory)
    for (const SRegProblemItem& item : items)
      found[category].insert(Line(item.problemType, item.data, item.keyPath, item.valueName));
  return found;
}

Found Added(const Found& before, const Found& after) {
  Found added;
  for (const auto& [category, lines] : after) {
    std::multiset<std::wstring>& out = added[category];
    const std::multiset<std::wstring>& old = before.at(category);
    std::set_difference(lines.begin(), lines.end(), old.begin(), old.end(),
                        std::inserter(out, out.begin()));
  }
  return added;
}

void Print(const char* title, const Found& found) {
  for (const auto& [category, lines] : found) {
    std::printf("%s category %d: %zu\n", title, category, lines.size());
    for (const std::wstring& line : lines) std::printf("  %s\n", platform::ToUtf8(line).c_str());
  }
}

const std::wstring kCv = L"Software\\Microsoft\\Windows\\CurrentVersion";
const std::wstring kHklm = L"HKEY_LOCAL_MACHINE\\";
const std::wstring kHkcu = L"HKEY_CURRENT_USER\\";
const std::wstring kHkcr = L"HKEY_CLASSES_ROOT\\";

class ScannersWineTest : public ::testing::Test {
 protected:
  ScannersWineTest() {
    tag = L"LumoraSeed" + std::to_wstring(GetCurrentProcessId());
    low = NSTorvane::Downcase(tag);
    dir = L"C:\\" + tag;
    wchar_t guid[64];
    for (int i = 0; i < 8; ++i) {
      std::swprintf(guid, 64, L"{4C554D4F-5241-%04X-0000-%012lX}", i,
                    static_cast<unsigned long>(GetCurrentProcessId()));
      ids.push_back(guid);
    }
  }

  platform::Platform& p = platform::win32::Win32Platform();
  const bool wow64 = ExpectWow64();
  std::wstring tag, low, dir;
  std::vector<std::wstring> ids;  // class ids unique to this run
};

TEST_F(ScannersWineTest, FullScanFindsExactlyTheStaleSeeds) {
  uint32_t elapsed = 0;
  const Found before = FullScan(p, &elapsed);
  std::printf("untouched prefix (%s): full scan %u ms\n", wow64 ? "win64" : "win32", elapsed);
  Print("untouched", before);

  Seeds s;
  s.Folder(dir);
  const std::wstring present = dir + L"\\present.exe", gone = dir + L"\\gone.exe";
  s.File(present);
  s.File(dir + L"\\present.dll");
  s.File(dir + L"\\" + low + L"ok.hlp");
  s.DeletedFile(gone);
  s.DeletedFile(dir + L"\\gone.dll");
  const std::wstring windows = p.environment.GetWindowsFolder();
  s.File(windows + L"\\" + tag + L"ok.sys");
  Found expected;

  // 0 App Paths: the plain path, which under WOW64 is a 64-bit-only key.
  const std::wstring appPaths = kCv + L"\\App Paths\\";
  s.OwnKey(HKEY_LOCAL_MACHINE, appPaths + tag + L"_gone.exe");
  s.Text(HKEY_LOCAL_MACHINE, appPaths + tag + L"_gone.exe", L"", gone);
  s.OwnKey(HKEY_LOCAL_MACHINE, appPaths + tag + L"_ok.exe");
  s.Text(HKEY_LOCAL_MACHINE, appPaths + tag + L"_ok.exe", L"", present);
  expected[kCatApplicationPaths].insert(Line(5, gone, kHklm + appPaths + tag + L"_gone.exe", L""));
  // Wine shares App Paths between the views; the deep scan then meets the
  // entry under Wow6432Node too.
  const bool appPathsShared =
      wow64 && RawKeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Wow6432Node\\" + appPaths.substr(9) +
                                                    tag + L"_gone.exe", KEY_WOW64_64KEY);
  // A key of the 64-bit view only, found by its plain path.
  const std::wstring only64 = L"SOFTWARE\\" + tag + L"_Only64";
  s.OwnKey(HKEY_LOCAL_MACHINE, only64);
  s.Text(HKEY_LOCAL_MACHINE, only64, L"File", gone);
  if (wow64) {
    EXPECT_FALSE(RawKeyExists(HKEY_LOCAL_MACHINE, only64, KEY_WOW64_32KEY));
  }

  // 1 unused vendor key.
  s.OwnKey(HKEY_CURRENT_USER, L"Software\\" + tag + L"_Vendor");
  s.OwnKey(HKEY_CURRENT_USER, L"Software\\" + tag + L"_Deep");
  s.Text(HKEY_CURRENT_USER, L"Software\\" + tag + L"_Deep", L"File", gone);
  expected[kCatUnusedSoftKey].insert(Line(10, L"", kHkcu + L"SOFTWARE\\" + tag + L"_Vendor", L"n/a"));

  // 2 recent documents.
  std::wstring recent;
  ASSERT_TRUE(p.environment.GetSpecialFolder(platform::kCsidlRecent, &recent));
  const std::wstring recentDocs = kCv + L"\\Explorer\\RecentDocs\\." + low + L"doc";
  s.OwnKey(HKEY_CURRENT_USER, recentDocs);
  s.Value(HKEY_CURRENT_USER, recentDocs, L"0", REG_BINARY,
          platform::ToUtf16Bytes(tag + L"report.doc", true));
  expected[kCatRecentDocs].insert(
      Line(16, recent + L"\\" + tag + L"report.doc.lnk", kHkcu + recentDocs, L"0"));

  // 3 shared DLLs.
  const std::wstring shared = kCv + L"\\SharedDLLs";
  s.Dword(HKEY_LOCAL_MACHINE, shared, dir + L"\\gone.dll", 2);
  s.Dword(HKEY_LOCAL_MACHINE, shared, dir + L"\\present.dll", 1);
  expected[kCatSharedDlls].insert(Line(15, L"dword:00000002", kHklm + shared, dir + L"\\gone.dll"));

  // 4 start-up entries; under WOW64 a Wow6432Node key and a native System32 file.
  const std::wstring run = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
  s.Text(HKEY_CURRENT_USER, run, tag + L"_gone", L"\"" + gone + L"\" /background");
  s.Text(HKEY_CURRENT_USER, run, tag + L"_ok", L"\"" + present + L"\" /background");
  s.Text(HKEY_LOCAL_MACHINE, run, tag + L"_gone", gone);
  expected[kCatStartupFiles].insert(
      Line(11, L"\"" + gone + L"\" /background", kHkcu + run, tag + L"_gone"));
  expected[kCatStartupFiles].insert(Line(11, gone, kHklm + run, tag + L"_gone"));
  if (wow64) {
    const std::wstring run32 = L"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
    s.Text(HKEY_LOCAL_MACHINE, run32, tag + L"_gone32", gone);
    s.Text(HKEY_LOCAL_MACHINE, run, tag + L"_native", windows + L"\\system32\\wow64cpu.dll");
    expected[kCatStartupFiles].insert(Line(11, gone, kHklm + run32, tag + L"_gone32"));
  }

  // 5 Drivers32.
  const std::wstring drivers = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
  s.Text(HKEY_LOCAL_MACHINE, drivers, tag + L"drv", low + L"gone.drv");
  expected[kCatSystemDrivers].insert(Line(17, low + L"gone.drv", kHklm + drivers, tag + L"drv"));

  // 6 fonts.
  const std::wstring fonts = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
  s.Text(HKEY_LOCAL_MACHINE, fonts, tag + L" Gone (TrueType)", low + L"gone.ttf");
  expected[kCatFonts].insert(Line(6, low + L"gone.ttf", kHklm + fonts, tag + L" Gone (TrueType)"));

  // 7 help files.
  const std::wstring help = L"SOFTWARE\\Microsoft\\Windows\\Help";
  s.Text(HKEY_LOCAL_MACHINE, help, low + L"gone.hlp", dir + L"\\helpdir");
  s.Text(HKEY_LOCAL_MACHINE, help, low + L"ok.hlp", dir);
  expected[kCatHelp].insert(Line(7, dir + L"\\helpdir", kHklm + help, low + L"gone.hlp"));

  // 8 sound events.
  const std::wstring sound = L"AppEvents\\Schemes\\Apps\\" + tag + L"App";
  s.OwnKey(HKEY_CURRENT_USER, sound);
  s.Text(HKEY_CURRENT_USER, sound + L"\\Event\\.Current", L"", dir + L"\\gone.wav");
  expected[kCatSound].insert(
      Line(12, dir + L"\\gone.wav", kHkcu + sound + L"\\Event\\.Current", L""));

  // 9 file extensions.
  const std::wstring fileExts = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";
  s.OwnKey(HKEY_CURRENT_USER, fileExts + L"\\." + low + L"x");
  expected[kCatFileExts].insert(
      Line(13, L"." + low + L"x", kHkcu + fileExts + L"\\." + low + L"x", L"n/a"));

  // 10 MUI cache: the key of this Windows version reports, the other is not read.
  const std::wstring mui7 =
      L"Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache";
  const std::wstring muiOther = L"Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache";
  for (const std::wstring& key : {mui7, muiOther}) {
    s.Text(HKEY_CURRENT_USER, key, gone, L"Gone tool");
    s.Text(HKEY_CURRENT_USER, key, present, L"Present tool");
  }
  const bool seven = NSTorvane::GetOsVersionCode(p) == NSTorvane::kOsWin7;
  expected[kCatMuiCache].insert(Line(14, L"", kHkcu + (seven ? mui7 : muiOther), gone));

  // 11 services.
  const std::wstring services = L"SYSTEM\\CurrentControlSet\\services\\";
  s.OwnKey(HKEY_LOCAL_MACHINE, services + tag + L"Svc");
  s.Text(HKEY_LOCAL_MACHINE, services + tag + L"Svc", L"ImagePath", L"\"" + gone + L"\" -k",
         REG_EXPAND_SZ);
  s.OwnKey(HKEY_LOCAL_MACHINE, services + tag + L"Drv");
  s.Text(HKEY_LOCAL_MACHINE, services + tag + L"Drv", L"ImagePath",
         L"\\SystemRoot\\" + tag + L"ok.sys", REG_EXPAND_SZ);
  expected[kCatService].insert(Line(18, L"\"" + NSTorvane::Downcase(gone) + L"\" -k",
                                    kHklm + L"SYSTEM\\CurrentControlSet\\services\\" + tag + L"Svc",
                                    L"n/a"));

  // 12 type libraries, 14 file associations, 15 ActiveX, all under the
  // machine's classes (HKEY_CLASSES_ROOT shows them).
  const std::wstring classes = L"Software\\Classes\\";
  s.OwnKey(HKEY_LOCAL_MACHINE, classes + L"Interface\\" + ids[0]);
  s.Text(HKEY_LOCAL_MACHINE, classes + L"Interface\\" + ids[0] + L"\\TypeLib", L"", ids[1]);
  expected[kCatTypeLib].insert(
      Line(4, ids[1], kHkcr + L"Interface\\" + ids[0] + L"\\TypeLib", L""));

  s.OwnKey(HKEY_LOCAL_MACHINE, classes + L"." + low + L"orphan");
  s.Text(HKEY_LOCAL_MACHINE, classes + L"." + low + L"orphan", L"", tag + L".NoClass");
  s.OwnKey(HKEY_LOCAL_MACHINE, classes + tag + L".EmptyClass");
  expected[kCatFileAssoc].insert(
      Line(19, L"." + low + L"orphan", kHkcr + L"." + low + L"orphan", L"n/a"));
  expected[kCatFileAssoc].insert(
      Line(19, tag + L".EmptyClass", kHkcr + tag + L".EmptyClass", L"n/a"));

  const std::wstring file = classes + tag + L".File";
  s.OwnKey(HKEY_LOCAL_MACHINE, file);
  s.Text(HKEY_LOCAL_MACHINE, file + L"\\DefaultIcon", L"", dir + L"\\gone.dll,1");
  s.Text(HKEY_LOCAL_MACHINE, file + L"\\shell\\open\\command", L"", L"\"" + gone + L"\" \"%1\"");
  s.Text(HKEY_LOCAL_MACHINE, file + L"\\shell\\edit\\command", L"", L"\"" + present + L"\" \"%1\"");
  s.OwnKey(HKEY_LOCAL_MACHINE, classes + tag + L".EmptyShell\\shell");
  s.OwnKey(HKEY_LOCAL_MACHINE, classes + L"CLSID\\" + ids[2]);
  s.Text(HKEY_LOCAL_MACHINE, classes + L"CLSID\\" + ids[2] + L"\\InprocServer32", L"",
         dir + L"\\gone.dll");
  s.OwnKey(HKEY_LOCAL_MACHINE, classes + L"CLSID\\" + ids[3]);
  s.Text(HKEY_LOCAL_MACHINE, classes + L"CLSID\\" + ids[3] + L"\\InprocServer32", L"",
         dir + L"\\present.dll");
  // A helper object registered only under the Wow6432Node class root, and
  // one registered nowhere.
  s.OwnKey(HKEY_LOCAL_MACHINE, classes + L"Wow6432Node\\CLSID\\" + ids[4]);
  const std::wstring bho = kCv + L"\\explorer\\Browser Helper Objects\\";
  s.OwnKey(HKEY_LOCAL_MACHINE, bho + ids[4]);
  s.OwnKey(HKEY_LOCAL_MACHINE, bho + ids[5]);
  const std::wstring toolbar = L"SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar";
  s.Text(HKEY_LOCAL_MACHINE, toolbar, ids[6], L"");
  const std::wstring ext = L"SOFTWARE\\Microsoft\\Internet Explorer\\Extensions\\" + ids[7];
  s.OwnKey(HKEY_LOCAL_MACHINE, ext);
  s.Text(HKEY_LOCAL_MACHINE, ext, L"ButtonText", tag);
  const std::wstring bhoPath = kHklm +
      L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\explorer\\Browser Helper Objects\\";
  auto& activex = expected[kCatActivexCom];
  activex.insert(Line(1, dir + L"\\gone.dll,1", kHkcr + tag + L".File\\DefaultIcon", L"n/a"));
  activex.insert(Line(2, L"\"" + gone + L"\" \"%1\"", kHkcr + tag + L".File\\shell\\open\\command",
                      L"n/a"));
  activex.insert(Line(0, L"", kHkcr + tag + L".EmptyShell\\shell", L"n/a"));
  activex.insert(Line(3, dir + L"\\gone.dll", kHkcr + L"CLSID\\" + ids[2] + L"\\InprocServer32", L""));
  if (!wow64) activex.insert(Line(21, L"", bhoPath + ids[4], L"n/a"));
  activex.insert(Line(21, L"", bhoPath + ids[5], L"n/a"));
  activex.insert(Line(22, L"", kHklm + toolbar, ids[6]));
  activex.insert(Line(23, L"", kHklm + ext, L"ClsidExtension"));

  // 13 uninstaller.
  const std::wstring folders = kCv + L"\\Installer\\Folders";
  s.Text(HKEY_LOCAL_MACHINE, folders, dir + L"\\gonefolder\\", L"");
  s.Text(HKEY_LOCAL_MACHINE, folders, dir + L"\\", L"");
  const std::wstring uninstall = kCv + L"\\Uninstall\\";
  s.OwnKey(HKEY_LOCAL_MACHINE, uninstall + tag + L"_Empty");
  s.OwnKey(HKEY_LOCAL_MACHINE, uninstall + tag + L"_Ok");
  s.Text(HKEY_LOCAL_MACHINE, uninstall + tag + L"_Ok", L"UninstallString",
         L"\"" + present + L"\" /uninstall");
  s.Text(HKEY_LOCAL_MACHINE, uninstall + tag + L"_Ok", L"InstallLocation", dir);
  expected[kCatUninstaller].insert(Line(8, L"", kHklm + L"SOFTWARE\\Microsoft\\Windows\\"
                                        L"CurrentVersion\\Installer\\Folders",
                                        dir + L"\\gonefolder\\"));
  expected[kCatUninstaller].insert(Line(9, L"", kHklm + L"SOFTWARE\\Microsoft\\Windows\\"
                                        L"CurrentVersion\\Uninstall\\" + tag + L"_Empty",
                                        L"n/a"));

  const Found added = Added(before, FullScan(p));

  // 16 deep scan: every plain path of a seed under the software roots that
  // names a missing file (key paths as the walk spells them).
  std::set<std::wstring> deep;
  for (const std::wstring& line : added.at(kCatDeepScan)) deep.insert(NSTorvane::Downcase(line));
  const std::wstring lowGone = NSTorvane::Downcase(gone);
  const std::set<std::wstring> deepExpected = {
      NSTorvane::Downcase(Line(20, lowGone, kHkcu + L"Software\\" + tag + L"_Deep", L"File")),
      NSTorvane::Downcase(Line(20, lowGone, kHklm + appPaths + tag + L"_gone.exe", L"")),
      NSTorvane::Downcase(Line(20, lowGone, kHklm + L"SOFTWARE\\" + run.substr(9), tag + L"_gone")),
      NSTorvane::Downcase(Line(20, NSTorvane::Downcase(dir + L"\\gone.dll"),
                               kHklm + L"SOFTWARE\\Classes\\CLSID\\" + ids[2] + L"\\InprocServer32",
                               L"")),
      NSTorvane::Downcase(Line(20, NSTorvane::Downcase(dir + L"\\helpdir"),
                               kHklm + L"SOFTWARE\\" + help.substr(9), low + L"gone.hlp")),
  };
  std::set<std::wstring> deepWanted = deepExpected;
  deepWanted.insert(NSTorvane::Downcase(Line(20, lowGone, kHklm + only64, L"File")));
  if (appPathsShared)
    deepWanted.insert(NSTorvane::Downcase(Line(
        20, lowGone, kHklm + L"SOFTWARE\\Wow6432Node\\" + appPaths.substr(9) + tag + L"_gone.exe",
        L"")));
  if (wow64)
    deepWanted.insert(NSTorvane::Downcase(
        Line(20, lowGone, kHklm + L"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run",
             tag + L"_gone32")));
  EXPECT_EQ(deep, deepWanted);

  for (int32_t id = 0; id < kScanCategoryCount; ++id) {
    if (id == kCatDeepScan) continue;
    EXPECT_EQ(added.at(id), expected[id]) << "category " << id;
  }
  Print("seeded, added", added);
}

}  // namespace
