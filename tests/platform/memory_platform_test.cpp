// The in-memory file system, environment and system facts beyond the
// contract: fault injection, path resolution, defaults and the clock; and the
// debug trace and worker thread over them.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "platform/debug_trace.h"
#include "platform/memory/memory_platform.h"
#include "platform/text.h"
#include "platform/win32_constants.h"
#include "platform/worker_thread.h"

namespace platform::memory {
namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

TEST(MemoryFiles, PathsResolveLikeWindows) {
  MemoryFileSystem fs;
  EXPECT_FALSE(fs.PathExists(L"C:\\"));
  fs.AddFile(L"C:\\Windows\\System32\\drivers\\etc\\hosts", Bytes("h"));
  fs.SetCurrentFolder(L"c:\\windows\\system32");
  struct Case {
    const wchar_t* path;
    bool exists;
  };
  const Case cases[] = {
      {L"C:\\", true},
      {L"c:", true},
      {L"C:\\Windows\\", true},
      {L"C:\\\\Windows\\\\System32", true},
      {L"C:/windows/system32/DRIVERS", true},
      {L"drivers\\etc\\hosts", true},
      {L".\\drivers\\..\\drivers\\etc\\hosts", true},
      {L"\\Windows\\System32", true},
      {L"C:\\Windows\\..\\..\\Windows", true},
      {L"C:\\Windows\\System32\\drivers\\etc\\hosts\\", false},
      {L"D:\\", false},
      {L"", false},
      {L"hosts", false},
  };
  for (const auto& c : cases) EXPECT_EQ(fs.PathExists(c.path), c.exists) << ToUtf8(c.path);
  EXPECT_EQ(fs.CurrentFolder(), L"c:\\windows\\system32");
  const auto listed = fs.ListFolder(L"C:\\WINDOWS\\*");
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].name, L"System32") << "names as written";
}

TEST(MemoryFiles, FailingWritesAffectThePathAndWhatLiesBelowIt) {
  MemoryFileSystem fs;
  fs.AddFile(L"C:\\data\\log.txt", Bytes("abc"));
  fs.AddFolder(L"C:\\locked");
  auto open = fs.OpenForAppend(L"C:\\data\\log.txt");
  ASSERT_TRUE(open);
  fs.FailWritesTo(L"C:\\DATA\\log.txt");
  fs.FailWritesTo(L"C:\\locked");
  EXPECT_FALSE(open->Append("d", 1)) << "an open file fails from then on";
  EXPECT_FALSE(open->Flush());
  EXPECT_EQ(fs.Contents(L"C:\\data\\log.txt"), Bytes("abc"));
  int32_t error = 0;
  EXPECT_FALSE(fs.WriteWholeFile(L"C:\\data\\log.txt", "x", 1, &error));
  EXPECT_EQ(error, kErrorAccessDenied);
  auto reopened = fs.OpenForAppend(L"C:\\data\\log.txt", &error);
  ASSERT_TRUE(reopened) << "opening an existing file is no write";
  EXPECT_FALSE(reopened->Append("x", 1));
  EXPECT_FALSE(fs.OpenForAppend(L"C:\\locked\\new.txt", &error));
  EXPECT_EQ(error, kErrorAccessDenied);
  EXPECT_FALSE(fs.CreateFolder(L"C:\\locked\\sub", &error));
  EXPECT_FALSE(fs.WriteWholeFile(L"C:\\locked\\a.txt", "x", 1));
  EXPECT_TRUE(fs.WriteWholeFile(L"C:\\data\\other.txt", "x", 1));
  EXPECT_TRUE(fs.WriteWholeFile(L"C:\\lockedness.txt", "x", 1)) << "a prefix is not a folder";
}

TEST(MemoryFiles, AppendFileOutlivesTheFileSystem) {
  std::unique_ptr<IAppendFile> file;
  {
    MemoryFileSystem fs;
    fs.AddFolder(L"C:\\x");
    file = fs.OpenForAppend(L"C:\\x\\a");
    ASSERT_TRUE(file);
  }
  EXPECT_TRUE(file->Append("z", 1));
  EXPECT_EQ(file->Size(), 1u);
}

TEST(MemoryFiles, FoldersMoveWithTheirContentsAndRemoveWhole) {
  MemoryFileSystem fs;
  fs.AddFile(L"C:\\a\\b\\c.txt", Bytes("c"));
  fs.AddFolder(L"C:\\z");
  ASSERT_TRUE(fs.MoveFile(L"C:\\a", L"C:\\z\\moved"));
  EXPECT_EQ(fs.Contents(L"C:\\z\\moved\\b\\c.txt"), Bytes("c"));
  EXPECT_FALSE(fs.PathExists(L"C:\\a"));
  int32_t error = 0;
  EXPECT_FALSE(fs.MoveFile(L"C:\\z", L"C:\\z\\moved\\inside", &error)) << "into itself";
  EXPECT_FALSE(fs.MoveFile(L"C:\\none", L"C:\\z\\n", &error));
  EXPECT_EQ(error, kErrorFileNotFound);
  EXPECT_FALSE(fs.DeleteFile(L"C:\\z", &error));
  EXPECT_EQ(error, kErrorAccessDenied) << "DeleteFile does not remove folders";
  EXPECT_FALSE(fs.DeleteFile(L"C:\\nowhere\\x", &error));
  EXPECT_EQ(error, kErrorPathNotFound);
  fs.Remove(L"C:\\Z");
  EXPECT_FALSE(fs.PathExists(L"C:\\z\\moved\\b\\c.txt"));
  EXPECT_TRUE(fs.PathExists(L"C:\\"));
}

TEST(MemoryFiles, NativeFileViewSwitchesRedirectionForTheThread) {
  MemoryFileSystem fs;
  EXPECT_FALSE(fs.RedirectionDisabledOnThisThread());
  {
    NativeFileView outer(fs);
    NativeFileView inner(fs);
    EXPECT_TRUE(fs.RedirectionDisabledOnThisThread());
  }
  EXPECT_FALSE(fs.RedirectionDisabledOnThisThread());
}

TEST(MemoryEnvironmentTest, DefaultsAndOverrides) {
  MemoryPlatform p;
  std::wstring path;
  ASSERT_TRUE(p.environment.GetSpecialFolder(kCsidlAppData, &path));
  EXPECT_EQ(path, L"C:\\Users\\user\\AppData\\Roaming");
  ASSERT_TRUE(p.environment.GetSpecialFolder(kCsidlRecent, &path));
  EXPECT_TRUE(StartsWithNoCase(path, L"C:\\Users\\user\\AppData\\Roaming\\"));
  ASSERT_TRUE(p.environment.GetSpecialFolder(kCsidlFonts, &path));
  EXPECT_EQ(path, L"C:\\Windows\\Fonts");
  ASSERT_TRUE(p.environment.GetSpecialFolder(kCsidlCommonAppData, &path));
  EXPECT_EQ(path, L"C:\\ProgramData");
  EXPECT_FALSE(p.environment.GetSpecialFolder(0x7777, &path));
  p.environment.SetWindowsFolder(L"D:\\WINNT");
  ASSERT_TRUE(p.environment.GetSpecialFolder(kCsidlWindows, &path));
  EXPECT_EQ(path, L"D:\\WINNT");
  EXPECT_EQ(p.environment.GetWindowsFolder(), L"D:\\WINNT");
  std::wstring expanded;
  ASSERT_TRUE(p.environment.ExpandStrings(L"%SystemRoot%\\system32", &expanded));
  EXPECT_EQ(expanded, L"C:\\Windows\\system32");
  p.environment.UnsetVariable(L"SYSTEMROOT");
  ASSERT_TRUE(p.environment.ExpandStrings(L"%SystemRoot%\\system32", &expanded));
  EXPECT_EQ(expanded, L"%SystemRoot%\\system32");
}

TEST(MemoryEnvironmentTest, SearchPathOrder) {
  MemoryPlatform p;
  const wchar_t* const places[] = {
      L"C:\\Program Files\\Quorvel\\Lumora", L"C:\\Windows\\system32", L"C:\\Windows",
      L"C:\\work", L"C:\\tools"};
  p.files.AddFolder(L"C:\\work");
  p.files.SetCurrentFolder(L"C:\\work");
  p.environment.SetVariable(L"PATH", L";C:\\tools\\;C:\\Windows");
  for (const wchar_t* place : places) p.files.AddFile(std::wstring(place) + L"\\tool.exe");
  // Removing each hit in turn shows the next place in the order.
  for (const wchar_t* place : places) {
    std::wstring found;
    ASSERT_TRUE(p.environment.SearchPath(L"tool.exe", &found)) << ToUtf8(place);
    EXPECT_TRUE(EqualsNoCase(found, std::wstring(place) + L"\\tool.exe")) << ToUtf8(found);
    p.files.Remove(found);
  }
  std::wstring found;
  EXPECT_FALSE(p.environment.SearchPath(L"tool.exe", &found));
  p.files.AddFile(L"C:\\work\\sub\\x.dll");
  ASSERT_TRUE(p.environment.SearchPath(L"sub\\x.dll", &found));
  EXPECT_FALSE(p.environment.SearchPath(L"C:\\elsewhere\\x.dll", &found));
}

TEST(MemorySystem, VersionClockAndDevices) {
  MemorySystemInfo sys;
  EXPECT_EQ(sys.GetVersionDword(), 6u | (1u << 8) | (7601u << 16));
  OsVersion v;
  ASSERT_TRUE(sys.GetVersionEx(&v));
  EXPECT_EQ(v.platformId, kVerPlatformWin32Nt);
  OsVersion xp;
  xp.major = 5;
  xp.minor = 1;
  xp.build = 2600;
  xp.platformId = kVerPlatformWin32Nt;
  sys.SetVersion(xp, true);
  EXPECT_EQ(sys.GetVersionDword(), 0x0A280105u);
  EXPECT_FALSE(sys.GetVersionEx(&v));

  const uint32_t ticks = sys.TickCount();
  const int64_t now = sys.NowSeconds();
  sys.Sleep(600);
  sys.Sleep(600);
  EXPECT_EQ(sys.TickCount(), ticks + 1200);
  EXPECT_EQ(sys.NowSeconds(), now + 1);
  EXPECT_EQ(sys.SleptMilliseconds(), 1200u);

  const LocalTime t = sys.ToLocalTime(1767225600 + 13 * 3600 + 5 * 60 + 9);
  EXPECT_EQ(t.year, 2026);
  EXPECT_EQ(t.month, 1);
  EXPECT_EQ(t.day, 1);
  EXPECT_EQ(t.hour, 13);
  EXPECT_EQ(t.minute, 5);
  EXPECT_EQ(t.second, 9);
  EXPECT_EQ(t.dayOfWeek, 4);  // a Thursday
  const LocalTime leap = sys.ToLocalTime(951782400);  // 2000-02-29
  EXPECT_EQ(leap.month, 2);
  EXPECT_EQ(leap.day, 29);
  EXPECT_EQ(leap.dayOfWeek, 2);
  EXPECT_EQ(sys.ToLocalTime(-1).year, 1969);

  EXPECT_EQ(sys.LogicalDrives(), 1u << 2);
  sys.SetDosDevice(L"e:", L"\\Device\\HarddiskVolume5");
  EXPECT_EQ(sys.LogicalDrives(), (1u << 2) | (1u << 4));
  std::wstring target;
  ASSERT_TRUE(sys.QueryDosDevice(L"E:", &target));
  EXPECT_EQ(target, L"\\Device\\HarddiskVolume5");
  sys.ClearDosDevices();
  EXPECT_FALSE(sys.QueryDosDevice(L"C:", &target));
}

class DebugTraceTest : public testing::Test {
 protected:
  const std::wstring folder = L"C:\\Program Files\\Quorvel\\Lumora";
  MemoryPlatform p;
};

TEST_F(DebugTraceTest, OnOnlyWhileAPlainFileNamedDebugLiesBesideTheProgram) {
  DebugTrace(p.view, L"before %d", 1);
  p.files.AddFolder(folder + L"\\debug");
  DebugTrace(p.view, L"folder %d", 2);
  EXPECT_FALSE(DebugTraceEnabled(p.view));
  p.files.Remove(folder + L"\\debug");
  p.files.AddFile(folder + L"\\DEBUG");
  EXPECT_TRUE(DebugTraceEnabled(p.view));
  DebugTrace(p.view, L"on %ls %d", L"wide", 3);
  p.files.Remove(folder + L"\\debug");
  DebugTrace(p.view, L"after");
  EXPECT_EQ(p.system.DebugLines(), std::vector<std::wstring>{L"on wide 3"});
}

TEST(WorkerThreadTest, RunsOnlyAfterResumeAndWaitsBounded) {
  std::atomic<bool> started{false};
  std::atomic<bool> release{false};
  WorkerThread worker;
  ASSERT_TRUE(worker.Create([&] {
    started = true;
    while (!release) std::this_thread::yield();
  }));
  EXPECT_TRUE(worker.Created());
  EXPECT_TRUE(worker.Running());
  EXPECT_FALSE(worker.Wait(20)) << "held at its start gate";
  EXPECT_FALSE(started);
  EXPECT_FALSE(worker.Create([] {})) << "one body at a time";
  worker.Resume();
  EXPECT_FALSE(worker.Wait(20)) << "the body blocks";
  release = true;
  EXPECT_TRUE(worker.Wait(60000));
  EXPECT_TRUE(started);
  EXPECT_FALSE(worker.Running());
  int runs = 0;
  ASSERT_TRUE(worker.Create([&] { ++runs; })) << "reusable once finished";
  worker.Resume();
  ASSERT_TRUE(worker.Wait(60000));
  EXPECT_EQ(runs, 1);
}

TEST(WorkerThreadTest, ABodyNeverResumedIsDropped) {
  bool ran = false;
  {
    WorkerThread worker;
    ASSERT_TRUE(worker.Create([&] { ran = true; }));
  }
  EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace platform::memory
