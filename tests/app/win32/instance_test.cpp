// The product's programs as a user starts them: the single-instance rules,
// the companion rules and the stand-in main window. Each test runs a fresh
// copy of the installation in a temporary folder.
#include <gtest/gtest.h>

#include "app/tray_contract.h"
#include "app/win32/process_support.h"
#include "tray/tray_commands.h"

namespace {

using testsupport::Process;

const wchar_t* const kInstalledFiles[] = {L"Lumora.exe",      L"RegTray.exe", L"Config.dll",
                                          L"VersionInfo.dll", L"English.cfg", L"German.cfg",
                                          L"Lumora.html"};

class InstalledProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    EndLeftovers();
    const std::wstring bin = testsupport::WindowsPath(LUMORA_TEST_BIN_DIR);
    for (const wchar_t* file : kInstalledFiles)
      ASSERT_TRUE(CopyFileW((bin + file).c_str(), (Path(file)).c_str(), FALSE)) << file;
  }
  void TearDown() override { EndLeftovers(); }

  static void EndLeftovers() {
    testsupport::EndWindowOwners(app::kMainWindowTitle);
    testsupport::EndWindowOwners(app::kTrayWindowTitle);
    testsupport::EndProcessesNamed(L"RegTray.exe");
    testsupport::EndProcessesNamed(L"Lumora.exe");
  }

  std::wstring Path(const wchar_t* file) const { return folder_.Path() + file; }
  Process StartMain(const std::wstring& arguments = L"") {
    return testsupport::Start(Path(L"Lumora.exe"), arguments, folder_.Path());
  }
  Process StartTray(const std::wstring& arguments) {
    return testsupport::Start(Path(L"RegTray.exe"), arguments, folder_.Path());
  }
  // The main program up and its window found.
  HWND StartedMainWindow(Process* process, const std::wstring& arguments = L"") {
    *process = StartMain(arguments);
    EXPECT_TRUE(process->Started());
    return testsupport::WaitForWindow(app::kMainWindowTitle);
  }
  static std::wstring StatusText(HWND main) {
    HWND greeting = FindWindowExW(main, nullptr, L"Static", nullptr);
    HWND status = FindWindowExW(main, greeting, L"Static", nullptr);
    wchar_t text[256] = {};
    GetWindowTextW(status, text, 256);
    return text;
  }
  static std::wstring GreetingText(HWND main) {
    wchar_t text[256] = {};
    GetWindowTextW(FindWindowExW(main, nullptr, L"Static", nullptr), text, 256);
    return text;
  }

  testsupport::TempFolder folder_{L"lumora_app_"};
};

TEST_F(InstalledProgram, ASecondStartBringsTheFirstWindowBackAndEnds) {
  Process first;
  HWND main = StartedMainWindow(&first);
  ASSERT_NE(main, nullptr);

  ShowWindow(main, SW_MINIMIZE);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return IsIconic(main) != 0; }, 10000));
  Process second = StartMain();
  ASSERT_TRUE(second.WaitForExit());
  EXPECT_TRUE(testsupport::WaitUntil([&] { return !IsIconic(main) && IsWindowVisible(main); },
                                     10000));

  ShowWindow(main, SW_HIDE);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return !IsWindowVisible(main); }, 10000));
  Process third = StartMain();
  ASSERT_TRUE(third.WaitForExit());
  EXPECT_TRUE(testsupport::WaitUntil([&] { return IsWindowVisible(main) != 0; }, 10000));

  EXPECT_EQ(testsupport::CountTopLevelWindows(app::kMainWindowTitle), 1);
  EXPECT_FALSE(first.WaitForExit(0));
}

TEST_F(InstalledProgram, ASecondStartWithScheduleInAnyCaseAsksTheFirstToScan) {
  Process first;
  HWND main = StartedMainWindow(&first);
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(StatusText(main), L"");
  ShowWindow(main, SW_MINIMIZE);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return IsIconic(main) != 0; }, 10000));

  for (const wchar_t* arguments : {L"-x /ScHeDuLe", L"/SCHEDULE"}) {
    Process second = StartMain(arguments);
    ASSERT_TRUE(second.WaitForExit()) << arguments;
  }
  // SendMessageW returned before each second start ended.
  EXPECT_EQ(StatusText(main), L"Scheduled scan requested (2)");
  EXPECT_TRUE(IsIconic(main));  // not otherwise brought back
  EXPECT_EQ(testsupport::CountTopLevelWindows(app::kMainWindowTitle), 1);
}

TEST_F(InstalledProgram, FromTrayDoesNotStartTheCompanion) {
  // Were the companion started, its missing file would end the start-up.
  ASSERT_TRUE(DeleteFileW(Path(L"RegTray.exe").c_str()));
  Process main;
  EXPECT_NE(StartedMainWindow(&main, L"-FromTray"), nullptr);
}

TEST_F(InstalledProgram, ARunningCompanionIsNotStartedAgain) {
  ASSERT_TRUE(DeleteFileW(Path(L"RegTray.exe").c_str()));
  HANDLE trayMutex = CreateMutexW(nullptr, FALSE, app::kTrayMutexName);
  ASSERT_NE(trayMutex, nullptr);
  Process main;
  EXPECT_NE(StartedMainWindow(&main), nullptr);
  CloseHandle(trayMutex);
}

TEST_F(InstalledProgram, WithoutTheCompanionItStartsIt) {
  Process main;
  ASSERT_NE(StartedMainWindow(&main), nullptr);
  EXPECT_NE(testsupport::WaitForWindow(app::kTrayWindowTitle), nullptr);
}

TEST_F(InstalledProgram, AMissingPartEndsStartUpWithoutAWindow) {
  for (const wchar_t* missing : {L"RegTray.exe", L"Config.dll", L"VersionInfo.dll"}) {
    SCOPED_TRACE(testing::Message() << "missing " << std::string(missing, missing + lstrlenW(missing)));
    const std::wstring path = Path(missing);
    const std::wstring aside = path + L".aside";
    ASSERT_TRUE(MoveFileW(path.c_str(), aside.c_str()));
    Process main = StartMain();
    ASSERT_TRUE(main.Started());
    EXPECT_TRUE(main.WaitForExit());
    EXPECT_EQ(FindWindowW(nullptr, app::kMainWindowTitle), nullptr);
    EndLeftovers();  // a companion started before the modules failed
    ASSERT_TRUE(MoveFileW(aside.c_str(), path.c_str()));
  }
}

TEST_F(InstalledProgram, TheCompanionRunsOnceAndQuitsOnMessage1224) {
  Process tray = StartTray(L"-FromPurvexer");
  HWND window = testsupport::WaitForWindow(app::kTrayWindowTitle);
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(IsWindowVisible(window));

  Process second = StartTray(L"-autorun");
  EXPECT_TRUE(second.WaitForExit());
  EXPECT_EQ(testsupport::CountTopLevelWindows(app::kTrayWindowTitle), 1);

  DWORD_PTR result = 0;
  SendMessageTimeoutW(window, app::kMsgTrayQuit, 0, 0, SMTO_ABORTIFHUNG, 10000, &result);
  EXPECT_TRUE(tray.WaitForExit());
}

TEST_F(InstalledProgram, TheCompanionsExitEndsTheMainProgramToo) {
  Process main;
  ASSERT_NE(StartedMainWindow(&main), nullptr);
  HWND tray = testsupport::WaitForWindow(app::kTrayWindowTitle);
  ASSERT_NE(tray, nullptr);
  PostMessageW(tray, WM_COMMAND, tray::kCommandExit, 0);
  EXPECT_TRUE(main.WaitForExit());  // message 1124 reached the main window
  EXPECT_TRUE(testsupport::WaitUntil([&] { return !IsWindow(tray); }, 10000));
}

TEST_F(InstalledProgram, TheCompanionOpensTheMainProgram) {
  Process tray = StartTray(L"-autorun");
  HWND window = testsupport::WaitForWindow(app::kTrayWindowTitle);
  ASSERT_NE(window, nullptr);
  PostMessageW(window, WM_COMMAND, tray::kCommandOpen, 0);
  HWND main = testsupport::WaitForWindow(app::kMainWindowTitle);
  ASSERT_NE(main, nullptr);
  // A second open shows the same window rather than starting another.
  ShowWindow(main, SW_MINIMIZE);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return IsIconic(main) != 0; }, 10000));
  PostMessageW(window, WM_COMMAND, tray::kCommandOpen, 0);
  EXPECT_TRUE(testsupport::WaitUntil([&] { return !IsIconic(main); }, 10000));
  EXPECT_EQ(testsupport::CountTopLevelWindows(app::kMainWindowTitle), 1);
}

TEST_F(InstalledProgram, TheWindowSpeaksTheChosenLanguage) {
  {
    Process main;
    HWND window = StartedMainWindow(&main, L"-FromTray");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GreetingText(window), L"Quorvel Lumora is ready.");
  }
  EndLeftovers();
  // The settings page records a choice in every language file.
  for (const wchar_t* file : {L"English.cfg", L"German.cfg"})
    ASSERT_TRUE(WritePrivateProfileStringW(L"LanguageInfo", L"LCID", L"1031", Path(file).c_str()));
  Process main;
  HWND window = StartedMainWindow(&main, L"-FromTray");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(GreetingText(window), L"Quorvel Lumora ist bereit.");
}

}  // namespace
