// The initialisation trace of the bus, on only while a plain file named
// "debug" lies beside the program. (The memory platform records each line
// without its final line feed.)
#include <gtest/gtest.h>

#include "framework/soft_bus.h"
#include "platform/debug_trace.h"
#include "platform/memory/memory_platform.h"
#include "test_modules.h"

namespace framework {
namespace {

using testing::Log;
using testing::LoggingModule;

inline constexpr wchar_t kProgram[] = L"C:\\Tool\\Lumora.exe";
inline constexpr wchar_t kMarker[] = L"C:\\Tool\\debug";

class DebugTraceTest : public ::testing::Test {
 protected:
  DebugTraceTest() { mem.environment.SetModulePath(kProgram); }

  LoggingModule* Add(const Guid& id, uint32_t costMs, HResult result = kOk) {
    auto* module = new LoggingModule(log, "m");
    module->initResult = result;
    module->onInitialize = [this, costMs] { mem.system.Sleep(costMs); };
    EXPECT_EQ(bus->RegisterModule(id, module, nullptr), kOk);
    return module;
  }

  platform::memory::MemoryPlatform mem;
  Log log;
  ReleasePtr<CHalcynSoftBus> bus{new CHalcynSoftBus(mem.view, nullptr)};
};

TEST_F(DebugTraceTest, WithTheFileEachInitialisationWritesOneLine) {
  mem.files.AddFile(kMarker);
  Add(kVersionInfoModuleId, 25);
  Add(kConfigModuleId, 0, /*result=*/1);
  Add(kUiModuleId, 7, kFail);
  EXPECT_EQ(bus->InitializeModules(), kFail);
  EXPECT_EQ(mem.system.DebugLines(),
            (std::vector<std::wstring>{
                L"Cost 25 Init Module {4DF72980-79F4-42DB-B65C-C95D07B79FD9} Sucess",
                L"Cost 0 Init Module {70E5F067-15F7-49FA-90A3-01081AAB116B} Fail",
                L"Cost 7 Init Module {6EA5A959-E4BD-4D88-9F72-5D6843B026AF} Fail"}));
}

TEST_F(DebugTraceTest, AFolderNamedDebugOrNoMarkerGivesNoOutput) {
  Add(kConfigModuleId, 3);
  EXPECT_EQ(bus->InitializeModules(), kOk);
  mem.files.AddFolder(kMarker);
  EXPECT_EQ(bus->InitializeModules(), kOk);
  EXPECT_TRUE(mem.system.DebugLines().empty());
}

TEST_F(DebugTraceTest, TheMarkerIsLookedForAfreshForEveryLine) {
  mem.files.AddFile(kMarker);
  Add(kVersionInfoModuleId, 0);
  Add(kConfigModuleId, 0)->onInitialize = [this] { mem.files.Remove(kMarker); };
  Add(kUiModuleId, 0)->onInitialize = [this] { mem.files.AddFile(kMarker); };
  EXPECT_EQ(bus->InitializeModules(), kOk);
  const auto lines = mem.system.DebugLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find(L"{4DF72980"), std::wstring::npos);
  EXPECT_NE(lines[1].find(L"{6EA5A959"), std::wstring::npos);
}

TEST_F(DebugTraceTest, AProgramPathWithoutABackslashTurnsTheTraceOff) {
  mem.files.AddFile(L"debug");
  mem.environment.SetModulePath(L"Lumora.exe");
  platform::DebugTrace(mem.view, L"%ls %d", L"x", 1);
  EXPECT_TRUE(mem.system.DebugLines().empty());
  mem.environment.SetModulePath(kProgram);
  mem.files.AddFile(kMarker);
  platform::DebugTrace(mem.view, L"%ls %d", L"x", 1);
  EXPECT_EQ(mem.system.DebugLines(), std::vector<std::wstring>{L"x 1"});
}

}  // namespace
}  // namespace framework
