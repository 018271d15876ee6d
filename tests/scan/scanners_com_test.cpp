// The ActiveX/COM and type-library scanners over a seeded class registry.
#include <gtest/gtest.h>

#include "scan/scanner_fixture.h"

namespace {

using namespace scanner_test;

const std::wstring kHkcr = L"HKEY_CLASSES_ROOT";
const std::wstring kClasses = L"HKEY_LOCAL_MACHINE\\Software\\Classes";
const std::wstring kBho =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\explorer\\"
    L"Browser Helper Objects";
const std::wstring kToolbar = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar";
const std::wstring kExt = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Internet Explorer\\Extensions";
const std::wstring kId1 = L"{00000000-0000-0000-0000-000000000001}";
const std::wstring kId2 = L"{00000000-0000-0000-0000-000000000002}";
const std::wstring kId3 = L"{00000000-0000-0000-0000-000000000003}";
const std::wstring kWowOnly = L"{00000000-0000-0000-0000-000000000032}";
const std::wstring kNowhere = L"{00000000-0000-0000-0000-000000000099}";

class ActivexTest : public ScannerFixture {
 protected:
  ActivexTest() {
    auto& r = mp.registry;
    r.SetString(kClasses + L"\\.txt", L"", L"txtfile");
    r.SetString(kClasses + L"\\txtfile\\DefaultIcon", L"", L"%SystemRoot%\\system32\\shell32.dll,3",
                platform::kRegExpandSz);
    r.SetString(kClasses + L"\\txtfile\\shell\\open\\command", L"",
                L"\"C:\\Windows\\notepad.exe\" \"%1\"");
    r.SetString(kClasses + L"\\txtfile\\shell\\edit\\command", L"", L"C:\\Windows\\notepad.exe -e %1");
    r.SetString(kClasses + L"\\brokenfile\\DefaultIcon", L"", L"C:\\Gone\\icons.dll,2");
    r.SetString(kClasses + L"\\brokenfile\\shell\\open\\command", L"", L"C:\\Gone\\app.exe %1");
    r.SetString(kClasses + L"\\brokenfile\\shell\\print\\command", L"", L"%1");
    r.SetDword(kClasses + L"\\brokenfile\\shell\\run\\command", L"", 7);  // not a string
    r.SetString(kClasses + L"\\emptyshell\\shell", L"Verb", L"open");     // values, no subkeys
    Lock(kClasses + L"\\lockedshell\\shell");
    // Class ids: one too short to be examined, a broken and a good server,
    // and a local server that is never examined.
    r.SetString(kClasses + L"\\CLSID\\{short}\\InprocServer32", L"", L"C:\\Gone\\short.dll");
    r.SetString(kClasses + L"\\CLSID\\" + kId1 + L"\\InprocServer32", L"", L"C:\\Gone\\gone.dll");
    r.SetString(kClasses + L"\\CLSID\\" + kId2 + L"\\InprocServer32", L"",
                L"%SystemRoot%\\system32\\shell32.dll", platform::kRegExpandSz);
    r.SetString(kClasses + L"\\CLSID\\" + kId3 + L"\\LocalServer32", L"", L"C:\\Gone\\local.exe");
    r.CreateKeyPath(kClasses + L"\\Wow6432Node\\CLSID\\" + kWowOnly);
    // Browser add-ons.
    r.CreateKeyPath(kBho + L"\\" + kId2);
    r.CreateKeyPath(kBho + L"\\" + kNowhere);
    r.SetString(kToolbar, kId1, L"");
    r.SetString(kToolbar, kNowhere, L"Gone Bar");
    r.SetDword(kToolbar, kWowOnly, 1);
    r.SetString(kExt + L"\\{E1}", L"Icon", L"C:\\Windows\\notepad.exe,0");
    r.SetString(kExt + L"\\{E2}", L"ButtonText", L"Nothing to run");
    r.SetString(kExt + L"\\{E3}", L"HotIcon", L"C:\\Gone\\hot.ico");
    r.SetString(kExt + L"\\{E3}", L"ClsidExtension", kId2);
    r.SetString(kExt + L"\\{E3}", L"Script", L"C:\\Gone\\script.htm");
    r.SetString(kExt + L"\\{E4}", L"HotIcon", L"C:\\Windows\\notepad.exe");
    r.SetString(kExt + L"\\{E4}", L"Script", L"C:\\Windows\\system32\\shell32.dll");
  }
};

TEST_F(ActivexTest, ReportsBrokenClassesServersAndAddOns) {
  Scan(kCatActivexCom);
  EXPECT_EQ(Problems(),
            (Lines{
                Problem(1, L"C:\\Gone\\icons.dll,2", kHkcr + L"\\brokenfile\\DefaultIcon", L"n/a"),
                Problem(2, L"C:\\Gone\\app.exe %1", kHkcr + L"\\brokenfile\\shell\\open\\command",
                        L"n/a"),
                Problem(0, L"", kHkcr + L"\\emptyshell\\shell", L"n/a"),
                Problem(3, L"C:\\Gone\\gone.dll", kHkcr + L"\\CLSID\\" + kId1 + L"\\InprocServer32",
                        L""),
                Problem(21, L"", kBho + L"\\" + kNowhere, L"n/a"),
                Problem(22, L"Gone Bar", kToolbar, kNowhere),
                Problem(22, L"", kToolbar, kWowOnly),
                Problem(23, L"", kExt + L"\\{E2}", L"ClsidExtension"),
                Problem(23, L"C:\\Gone\\hot.ico", kExt + L"\\{E3}", L"HotIcon"),
                Problem(23, L"C:\\Gone\\script.htm", kExt + L"\\{E3}", L"Script"),
            }));
}

TEST_F(ActivexTest, ItemsAndProgressFollowThePhases) {
  Scan(kCatActivexCom);
  // Seven class keys: .txt, brokenfile, CLSID, emptyshell, lockedshell,
  // txtfile, Wow6432Node; then four class ids.
  EXPECT_EQ(Progress(), Percents({0, 3, 7, 10, 14, 17, 21, 25, 31, 37, 43, 70, 90, 100}));
  EXPECT_EQ(Items(), (Lines{
                         Item(kHkcr + L"\\.txt"),
                         Item(kHkcr + L"\\brokenfile"),
                         Item(kHkcr + L"\\CLSID"),
                         Item(kHkcr + L"\\emptyshell"),
                         Item(kHkcr + L"\\lockedshell"),
                         Item(kHkcr + L"\\txtfile"),
                         Item(kHkcr + L"\\Wow6432Node"),
                         Item(kHkcr + L"\\CLSID\\" + kId1),
                         Item(kHkcr + L"\\CLSID\\" + kId2),
                         Item(kHkcr + L"\\CLSID\\" + kId3),
                         Item(kHkcr + L"\\CLSID\\{short}"),
                         Item(kBho + L"\\" + kId2),
                         Item(kBho + L"\\" + kNowhere),
                         Item(kToolbar),
                         Item(kExt + L"\\{E1}"),
                         Item(kExt + L"\\{E2}"),
                         Item(kExt + L"\\{E3}"),
                         Item(kExt + L"\\{E4}"),
                     }));
}

TEST_F(ActivexTest, Wow64AddsTheWow6432NodeClassRoots) {
  mp.system.SetWow64(true);
  Scan(kCatActivexCom);
  for (const std::string& line : Problems()) {
    EXPECT_EQ(line.find(platform::ToUtf8(kWowOnly)), std::string::npos) << line;
  }
  EXPECT_EQ(Problems().size(), 9u);
}

TEST_F(ActivexTest, CancelInClassIdsEndsWithoutLaterPhases) {
  observer.hook = [this](const std::string& line) {
    if (line == Item(kHkcr + L"\\CLSID\\" + kId1)) scanner->cancel = true;
  };
  Scan(kCatActivexCom);
  EXPECT_EQ(Progress(), Percents({0, 3, 7, 10, 14, 17, 21, 25}));
  EXPECT_EQ(Items().back(), Item(kHkcr + L"\\CLSID\\" + kId1));
  // The class id being visited is still judged.
  EXPECT_EQ(Problems().back(),
            Problem(3, L"C:\\Gone\\gone.dll", kHkcr + L"\\CLSID\\" + kId1 + L"\\InprocServer32", L""));
}

TEST_F(ActivexTest, CancelInHelperObjectsStillSendsTheClosingPercents) {
  observer.hook = [this](const std::string& line) {
    if (line == Item(kBho + L"\\" + kId2)) scanner->cancel = true;
  };
  Scan(kCatActivexCom);
  EXPECT_EQ(Progress(), Percents({0, 3, 7, 10, 14, 17, 21, 25, 31, 37, 43, 70, 90, 100}));
  EXPECT_EQ(Items().back(), Item(kBho + L"\\" + kId2));
}

TEST(ActivexRootTest, NoClassesRootGivesNothing) {
  platform::memory::MemoryPlatform mp;
  platform::memory::KeyFault fault;
  fault.denyWrite = true;
  mp.registry.SetFault(L"HKEY_LOCAL_MACHINE\\Software\\Classes", fault);
  mp.registry.SetFault(L"HKEY_CURRENT_USER\\Software\\Classes", fault);
  scan_test::RecordingObserver observer;
  ScannerPtr scanner = CreateScanner(kCatActivexCom, mp.view);
  scanner->observer = &observer;
  scanner->Scan();
  EXPECT_EQ(observer.Lines(), Lines{});
}

class TypeLibTest : public ScannerFixture {};

TEST_F(TypeLibTest, ReportsInterfacesWithUnregisteredLibraries) {
  auto& r = mp.registry;
  const std::wstring iface = kClasses + L"\\Interface";
  r.SetString(iface + L"\\{I1}\\TypeLib", L"", L"{L1}");
  r.SetString(kClasses + L"\\TypeLib\\{L1}\\1.0", L"", L"Present library");
  r.SetString(iface + L"\\{I2}\\TypeLib", L"", L"{L2}");
  r.SetString(iface + L"\\{I2}\\TypeLib", L"Version", L"1.0");
  r.CreateKeyPath(iface + L"\\{I3}\\ProxyStubClsid32");
  r.SetString(iface + L"\\{I4}\\TypeLib", L"", L"");
  Scan(kCatTypeLib);
  EXPECT_EQ(Problems(), (Lines{Problem(4, L"{L2}", kHkcr + L"\\Interface\\{I2}\\TypeLib", L"")}));
  EXPECT_EQ(Items(), (Lines{Item(kHkcr + L"\\Interface")}));
  EXPECT_EQ(Progress(), Percents({25, 50, 75, 100}));
}

TEST_F(TypeLibTest, InterfaceRootNotWritableIsNotExamined) {
  mp.registry.SetString(kClasses + L"\\Interface\\{I2}\\TypeLib", L"", L"{L2}");
  Lock(kClasses + L"\\Interface");
  Scan(kCatTypeLib);
  EXPECT_EQ(observer.Lines(), Lines{});
}

TEST_F(TypeLibTest, EveryInterfaceOfASharedLibraryIsJudged) {
  // Libraries are looked up once per scan; each interface still gets its answer.
  auto& r = mp.registry;
  const std::wstring iface = kClasses + L"\\Interface";
  r.SetString(kClasses + L"\\TypeLib\\{L1}\\1.0", L"", L"Present library");
  const std::pair<const wchar_t*, const wchar_t*> links[] = {
      {L"{I1}", L"{L1}"}, {L"{I2}", L"{L2}"}, {L"{I3}", L"{L1}"}, {L"{I4}", L"{L2}"}};
  for (const auto& [id, lib] : links) r.SetString(iface + L"\\" + id + L"\\TypeLib", L"", lib);
  Scan(kCatTypeLib);
  EXPECT_EQ(Problems(), (Lines{Problem(4, L"{L2}", kHkcr + L"\\Interface\\{I2}\\TypeLib", L""),
                               Problem(4, L"{L2}", kHkcr + L"\\Interface\\{I4}\\TypeLib", L"")}));
}

}  // namespace
