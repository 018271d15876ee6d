#include "app/crash_dump.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "app/win32/process_support.h"

namespace {

TEST(CrashDumpPath, NamesTheFileByLocalTimeInDumpFileBesideTheProgram) {
  SYSTEMTIME t = {};
  t.wYear = 2012;
  t.wMonth = 9;
  t.wDay = 7;
  t.wHour = 14;
  t.wMinute = 15;
  t.wSecond = 3;
  EXPECT_EQ(app::CrashDumpPath(L"C:\\Tool\\Lumora.exe", t),
            L"C:\\Tool\\DumpFile\\Quorvel_20120907_141503.dmp");
  EXPECT_EQ(app::CrashDumpPath(L"Lumora.exe", t), L"");
}

// Seconds of a "Quorvel_%Y%m%d_%H%M%S.dmp" name, or -1.
long long NameSeconds(const std::wstring& name) {
  SYSTEMTIME t = {};
  if (swscanf(name.c_str(), L"Quorvel_%4hu%2hu%2hu_%2hu%2hu%2hu.dmp", &t.wYear, &t.wMonth,
              &t.wDay, &t.wHour, &t.wMinute, &t.wSecond) != 6)
    return -1;
  FILETIME f;
  if (!SystemTimeToFileTime(&t, &f)) return -1;
  return ((static_cast<long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000000;
}

long long NowLocalSeconds() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  FILETIME f;
  SystemTimeToFileTime(&t, &f);
  return ((static_cast<long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000000;
}

// Under Wine the default crash handling after the filter starts the
// debugger, which shows a dialog unless told not to; the setting lives in
// the test's private prefix and is put back afterwards.
class QuietCrashHandling {
 public:
  QuietCrashHandling() {
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\WineDbg", 0, nullptr, 0,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_, nullptr) != ERROR_SUCCESS)
      return;
    DWORD size = sizeof previous_;
    hadPrevious_ = RegQueryValueExW(key_, L"ShowCrashDialog", nullptr, nullptr,
                                    reinterpret_cast<BYTE*>(&previous_), &size) == ERROR_SUCCESS;
    const DWORD off = 0;
    RegSetValueExW(key_, L"ShowCrashDialog", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&off),
                   sizeof off);
  }
  ~QuietCrashHandling() {
    if (key_ == nullptr) return;
    if (hadPrevious_)
      RegSetValueExW(key_, L"ShowCrashDialog", 0, REG_DWORD,
                     reinterpret_cast<const BYTE*>(&previous_), sizeof previous_);
    else
      RegDeleteValueW(key_, L"ShowCrashDialog");
    RegCloseKey(key_);
    testsupport::EndProcessesNamed(L"winedbg.exe");
  }

 private:
  HKEY key_ = nullptr;
  DWORD previous_ = 0;
  bool hadPrevious_ = false;
};

TEST(CrashDump, AFaultWritesAMinidumpAndLaterFiltersCannotReplaceTheWriter) {
  QuietCrashHandling quiet;
  testsupport::TempFolder folder(L"lumora_crash_");
  const std::wstring probe = folder.Path() + L"crash_probe.exe";
  ASSERT_TRUE(CopyFileW((testsupport::WindowsPath(LUMORA_TEST_HELPER_DIR) + L"crash_probe.exe").c_str(),
                        probe.c_str(), FALSE));
  const long long before = NowLocalSeconds();
  testsupport::Process process = testsupport::Start(probe, L"", folder.Path());
  ASSERT_TRUE(process.Started());
  ASSERT_TRUE(process.WaitForExit());
  const long long after = NowLocalSeconds();
  EXPECT_NE(process.ExitCode(), 3u) << "the replacement filter was installed";
  EXPECT_NE(process.ExitCode(), 2u) << "the fault did not happen";

  const auto dumps = testsupport::FilesMatching(folder.Path() + L"DumpFile\\Quorvel_*.dmp");
  ASSERT_EQ(dumps.size(), 1u);
  const long long stamp = NameSeconds(dumps[0]);
  EXPECT_GE(stamp, before - 1);
  EXPECT_LE(stamp, after + 1);

  HANDLE file = CreateFileW((folder.Path() + L"DumpFile\\" + dumps[0]).c_str(), GENERIC_READ,
                            FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  char header[32] = {};
  DWORD got = 0;
  ReadFile(file, header, sizeof header, &got, nullptr);
  const DWORD size = GetFileSize(file, nullptr);
  CloseHandle(file);
  ASSERT_EQ(got, sizeof header);
  EXPECT_EQ(std::memcmp(header, "MDMP", 4), 0);
  uint32_t streams = 0;
  std::memcpy(&streams, header + 8, 4);  // NumberOfStreams
  EXPECT_GT(streams, 0u);
  EXPECT_GT(size, 1024u);
  EXPECT_FALSE(testsupport::FileExists(folder.Path() + L"replaced.txt"));
}

}  // namespace
