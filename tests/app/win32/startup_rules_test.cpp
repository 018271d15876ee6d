#include <gtest/gtest.h>

#include "app/command_line.h"
#include "app/os_version.h"

namespace {

TEST(OsVersionClass, ClassifiesVersionsAndProductTypes) {
  struct Case {
    uint32_t major, minor;
    uint8_t productType;
    app::OsVersionClass expected;
  };
  const Case cases[] = {
      {4, 0, 1, app::kOsUnsupported},   {5, 0, 1, app::kOsWindows2000},
      {5, 1, 1, app::kOsWindowsXp},     {5, 2, 3, app::kOsWindowsXp64OrServer2003},
      {5, 3, 1, app::kOsUnsupported},   {6, 0, 1, app::kOsWindowsVista},
      {6, 0, 3, app::kOsServer6},       {6, 1, 2, app::kOsServer6},
      {6, 1, 1, app::kOsWindows7OrLater}, {6, 3, 1, app::kOsWindows7OrLater},
      {10, 0, 1, app::kOsUnsupported},
  };
  for (const Case& c : cases) {
    platform::OsVersion v;
    v.major = c.major;
    v.minor = c.minor;
    v.productType = c.productType;
    EXPECT_EQ(app::ClassifyOsVersion(&v), c.expected) << c.major << "." << c.minor << " type "
                                                      << int(c.productType);
  }
  EXPECT_EQ(app::ClassifyOsVersion(nullptr), app::kOsUnsupported);
  for (auto k : {app::kOsWindowsXp, app::kOsWindowsXp64OrServer2003, app::kOsWindowsVista,
                 app::kOsWindows7OrLater})
    EXPECT_TRUE(app::IsSupportedOsVersion(k));
  for (auto k : {app::kOsUnsupported, app::kOsWindows2000, app::kOsServer6})
    EXPECT_FALSE(app::IsSupportedOsVersion(k));
}

TEST(OsVersionClass, ThisSystemIsOneTheProgramRunsOn) {
  // Wine reports a workstation version the program supports; otherwise the
  // start-up tests could not show anything.
  EXPECT_TRUE(app::IsSupportedOsVersion(app::GetOsVersionClass()));
}

TEST(CommandLineSwitch, MatchesAnyElementIgnoringCase) {
  std::vector<std::wstring> args;
  ASSERT_TRUE(app::SplitCommandLine(LR"("C:\Program Files\Lumora.exe" -x /ScHeDuLe "a b")", &args));
  EXPECT_EQ(args, (std::vector<std::wstring>{L"C:\\Program Files\\Lumora.exe", L"-x",
                                             L"/ScHeDuLe", L"a b"}));
  EXPECT_TRUE(app::HasSwitch(args, L"/schedule"));
  EXPECT_TRUE(app::HasSwitch(args, L"c:\\program files\\lumora.exe"));
  EXPECT_FALSE(app::HasSwitch(args, L"-FromTray"));
  EXPECT_FALSE(app::HasSwitch(args, L"a"));  // whole elements only

  ASSERT_TRUE(app::SplitCommandLine(LR"(Lumora.exe "/schedule")", &args));
  EXPECT_TRUE(app::HasSwitch(args, L"/schedule"));
  ASSERT_TRUE(app::SplitCommandLine(LR"(Lumora.exe /schedule2 x/schedule)", &args));
  EXPECT_FALSE(app::HasSwitch(args, L"/schedule"));
}

}  // namespace
