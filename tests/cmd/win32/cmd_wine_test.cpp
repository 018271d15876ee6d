// The real LumoraCmd.exe from the bin folder, started as a child process in
// the private Wine prefix with its output captured: the demo's seed entries
// imported with the system's reg tool, found, cleaned, listed and restored
// value for value. Every wait is bounded.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/win32/process_support.h"
#include "cmd/json_reader.h"
#include "framework/config_interfaces.h"
#include "framework/soft_bus.h"
#include "framework/win32/win32_library_loader.h"
#include "platform/text.h"
#include "platform/win32/handles.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_test_support.h"
#include "settings/settings_keys.h"

namespace {

using platform::ToUtf8;
using platform::win32::testing::ExpectWow64;
using platform::win32::UniqueHandle;
using platform::win32::testing::RawKey;
using testsupport::WindowsPath;

constexpr DWORD kChildTimeoutMs = 180000;
constexpr REGSAM kNative = KEY_WOW64_64KEY;  // the view the program works in

const std::wstring kBin = WindowsPath(LUMORA_TEST_BIN_DIR);
const std::wstring kSeedFile = WindowsPath(LUMORA_TEST_SOURCE_DIR) + L"scripts\\demo-seed.reg";

std::string ReadAll(const std::wstring& path) {
  UniqueHandle f(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, 0, nullptr));
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (f.Valid() && ReadFile(f.Get(), buffer, sizeof buffer, &got, nullptr) && got)
    bytes.append(buffer, got);
  return bytes;
}

struct Result {
  DWORD code = 9999;
  std::string out, err;
};

// Runs "program" arguments with standard output and error in files; the
// child is ended when it outlives the timeout.
Result RunProgram(const std::wstring& program, const std::wstring& arguments) {
  Result r;
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring base = std::wstring(temp) + L"lumoracmd_" +
                            std::to_wstring(GetCurrentProcessId()) + L"_";
  const std::wstring outPath = base + L"out.txt", errPath = base + L"err.txt";
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  {
    UniqueHandle out(CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                 CREATE_ALWAYS, 0, nullptr));
    UniqueHandle err(CreateFileW(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                 CREATE_ALWAYS, 0, nullptr));
    UniqueHandle in(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                OPEN_EXISTING, 0, nullptr));
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in.Get();
    si.hStdOutput = out.Get();
    si.hStdError = err.Get();
    std::wstring line = L"\"" + program + L"\" " + arguments;
    std::vector<wchar_t> text(line.begin(), line.end());
    text.push_back(0);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, text.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                        &pi)) {
      ADD_FAILURE() << "cannot start " << ToUtf8(line);
      return r;
    }
    UniqueHandle process(pi.hProcess);
    CloseHandle(pi.hThread);
    if (WaitForSingleObject(pi.hProcess, kChildTimeoutMs) != WAIT_OBJECT_0) {
      ADD_FAILURE() << "timed out: " << ToUtf8(line);
      TerminateProcess(pi.hProcess, 99);
      WaitForSingleObject(pi.hProcess, 10000);
    }
    GetExitCodeProcess(pi.hProcess, &r.code);
  }
  r.out = ReadAll(outPath);
  r.err = ReadAll(errPath);
  DeleteFileW(outPath.c_str());
  DeleteFileW(errPath.c_str());
  return r;
}

Result Cmd(const std::wstring& arguments) { return RunProgram(kBin + L"LumoraCmd.exe", arguments); }

// The keys and value names of the seed file, as written there.
struct SeedKey {
  HKEY root;
  std::wstring sub;
  std::vector<std::wstring> values;  // "" = the default value
};

std::vector<SeedKey> ReadSeed() {
  std::vector<SeedKey> keys;
  const std::string text = ReadAll(kSeedFile);
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > 2 && line[0] == '[') {
      const std::wstring path = platform::FromUtf8(line.substr(1, line.size() - 2));
      const size_t slash = path.find(L'\\');
      const std::wstring root = path.substr(0, slash);
      keys.push_back({root == L"HKEY_CURRENT_USER" ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE,
                      path.substr(slash + 1), {}});
    } else if (!keys.empty() && !line.empty() && line[0] == '@') {
      keys.back().values.push_back(L"");
    } else if (!keys.empty() && !line.empty() && line[0] == '"') {
      std::string name;
      for (size_t i = 1; i < line.size() && line[i] != '"'; ++i)
        name += line[i] == '\\' && i + 1 < line.size() ? line[++i] : line[i];
      keys.back().values.push_back(platform::FromUtf8(name));
    }
  }
  return keys;
}

// The values of one key: upper-cased name -> (type, bytes); nullopt when
// the key is missing.
using Values = std::map<std::wstring, std::pair<DWORD, std::vector<uint8_t>>>;
std::optional<Values> ReadValues(HKEY root, const std::wstring& sub) {
  RawKey key;
  if (RegOpenKeyExW(root, sub.c_str(), 0, KEY_READ | kNative, key.Receive()) != ERROR_SUCCESS)
    return std::nullopt;
  Values values;
  for (DWORD i = 0;; ++i) {
    wchar_t name[16384];
    DWORD chars = 16384, type = 0, bytes = 0;
    if (RegEnumValueW(key.Get(), i, name, &chars, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS)
      break;
    std::vector<uint8_t> data(bytes + 2);
    DWORD got = bytes + 2;
    RegQueryValueExW(key.Get(), name, nullptr, &type, data.data(), &got);
    data.resize(got);
    values[platform::Upcase(std::wstring(name, chars))] = {type, data};
  }
  return values;
}

using Snapshot = std::vector<std::optional<Values>>;

bool HasValue(HKEY root, const std::wstring& sub, const std::wstring& name) {
  auto values = ReadValues(root, sub);
  return values && values->count(platform::Upcase(name));
}

void DeleteTree(HKEY root, const std::wstring& sub) {
  RawKey key;
  if (RegOpenKeyExW(root, sub.c_str(), 0, KEY_ALL_ACCESS | kNative, key.Receive()) == ERROR_SUCCESS)
    RegDeleteTreeW(key.Get(), nullptr);
  RegDeleteKeyExW(root, sub.c_str(), kNative, 0);
}

// The settings as the program stores them, through Config.dll.
class Settings {
 public:
  Settings() {
    platform::win32::InstallWin32Platform();
    bus_.reset(new framework::CHalcynSoftBus(platform::DefaultPlatform(),
                                             &framework::win32::Libraries()));
    framework::IHalcynAppModule* module = nullptr;
    void* page = nullptr;
    if (framework::win32::LoadSiblingModule(kBin + L"Config.dll", framework::kConfigModuleId,
                                            bus_.get()) &&
        framework::Succeeded(bus_->InitializeModules()) &&
        framework::Succeeded(bus_->GetModule(framework::kConfigModuleId, &module)) &&
        framework::Succeeded(module->QueryInterface(framework::kIID_IConfigPage, &page)))
      config_ = static_cast<framework::IConfigPage*>(page);
  }
  ~Settings() {
    if (bus_) bus_->UninitializeModules();
  }
  bool Ok() const { return config_ != nullptr; }
  std::wstring Get(const wchar_t* key) {
    wchar_t text[4096] = {};
    config_->GetString(settings::kSection, key, text, 4096, 0, 0);
    return text;
  }
  bool Set(const wchar_t* key, const std::wstring& text) {
    return framework::Succeeded(config_->SetString(settings::kSection, key, text.c_str(), 0, 0));
  }

 private:
  framework::ReleasePtr<framework::CHalcynSoftBus> bus_;
  framework::IConfigPage* config_ = nullptr;
};

const std::wstring kAppPaths =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OrvPhoto.exe";
const std::wstring kOrvPhoto = L"C:\\Program Files\\Orvane\\PhotoStudio\\OrvPhoto.exe";
const std::wstring kSound = L"AppEvents\\Schemes\\Apps\\OrvanePhoto\\ExportDone\\.Current";
// Every category the seed has entries in, without the deep scan.
const wchar_t kSeedCategories[] = L"0,3,4,6,7,8,10,13,14,15";

class CmdWineTest : public ::testing::Test {
 protected:
  // Imports the seed into the native view once for the suite and removes
  // it at the end: keys it made go, values it added to existing keys go.
  static void SetUpTestSuite() {
    seed_ = ReadSeed();
    ASSERT_GE(seed_.size(), 10u) << ToUtf8(kSeedFile);
    for (const SeedKey& k : seed_) {
      std::wstring newTop;
      for (size_t end = k.sub.find(L'\\');; end = k.sub.find(L'\\', end + 1)) {
        const std::wstring prefix = k.sub.substr(0, end);
        if (!ReadValues(k.root, prefix)) {
          newTop = prefix;
          break;
        }
        if (end == std::wstring::npos) break;
      }
      undo_.push_back({k.root, newTop, newTop.empty() ? k.values : std::vector<std::wstring>{}});
      if (newTop.empty()) undo_.back().sub = k.sub;
    }
    const std::wstring view = ExpectWow64() ? L" /reg:64" : L"";
    const Result imported = RunProgram(L"C:\\windows\\system32\\reg.exe",
                                       L"import \"" + kSeedFile + L"\"" + view);
    ASSERT_EQ(imported.code, 0u) << imported.err;
  }
  static void TearDownTestSuite() {
    for (auto it = undo_.rbegin(); it != undo_.rend(); ++it) {
      if (it->values.empty()) {
        DeleteTree(it->root, it->sub);
        continue;
      }
      RawKey key;
      if (RegOpenKeyExW(it->root, it->sub.c_str(), 0, KEY_ALL_ACCESS | kNative, key.Receive()) ==
          ERROR_SUCCESS)
        for (const std::wstring& v : it->values) RegDeleteValueW(key.Get(), v.empty() ? nullptr : v.c_str());
    }
    undo_.clear();
  }

  static Snapshot Snap() {
    Snapshot s;
    for (const SeedKey& k : seed_) s.push_back(ReadValues(k.root, k.sub));
    return s;
  }

  static cmdtest::JsonValue Json(const Result& r) {
    cmdtest::JsonValue doc;
    std::string error;
    EXPECT_TRUE(cmdtest::JsonReader::Parse(r.out, doc, &error)) << error << "\n" << r.out;
    EXPECT_EQ(doc.kind, cmdtest::JsonValue::Kind::kArray);
    return doc;
  }

  static std::vector<SeedKey> seed_;
  struct Undo {
    HKEY root;
    std::wstring sub;
    std::vector<std::wstring> values;  // empty: the key was made by the seed
  };
  static std::vector<Undo> undo_;
};
std::vector<SeedKey> CmdWineTest::seed_;
std::vector<CmdWineTest::Undo> CmdWineTest::undo_;

const cmdtest::JsonValue* FindProblem(const cmdtest::JsonValue& doc, double category,
                                      const std::wstring& keyPath, const std::wstring& value) {
  for (const cmdtest::JsonValue& item : doc.items)
    if (item.Member(L"category")->number == category &&
        platform::EqualsNoCase(item.Member(L"keyPath")->text, keyPath) &&
        item.Member(L"valueName")->text == value)
      return &item;
  return nullptr;
}

TEST_F(CmdWineTest, ScanFindsTheSeededEntries) {
  const Result r = Cmd(L"scan --category 0,8,14,15 --json");
  ASSERT_EQ(r.code, 1u) << r.err;
  EXPECT_EQ(r.err, "");  // no progress when standard error is a file
  const cmdtest::JsonValue doc = Json(r);
  const auto* app = FindProblem(doc, 0, L"HKEY_LOCAL_MACHINE\\" + kAppPaths, L"");
  ASSERT_NE(app, nullptr) << r.out;
  EXPECT_EQ(app->Member(L"data")->text, kOrvPhoto);
  EXPECT_EQ(app->Member(L"typeName")->text, L"AppPathIssue");
  EXPECT_EQ(app->Member(L"categoryName")->text, L"Application Path");
  const auto* sound = FindProblem(doc, 8, L"HKEY_CURRENT_USER\\" + kSound, L"");
  ASSERT_NE(sound, nullptr) << r.out;
  EXPECT_EQ(sound->Member(L"type")->number, 12);
  EXPECT_NE(FindProblem(doc, 14, L"HKEY_CLASSES_ROOT\\.orvp", L"n/a"), nullptr) << r.out;
  EXPECT_NE(FindProblem(doc, 15,
                        L"HKEY_CLASSES_ROOT\\CLSID\\{6F72766E-5068-6F74-6F53-747564696F34}"
                        L"\\InprocServer32",
                        L""),
            nullptr)
      << r.out;

  // The same scan as text, by category.
  const Result text = Cmd(L"scan --category 0");
  ASSERT_EQ(text.code, 1u);
  EXPECT_NE(text.out.find("Application Path (0): "), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("  AppPathIssue: " + ToUtf8(kOrvPhoto)), std::string::npos);
}

TEST_F(CmdWineTest, NothingToFindExitsZero) {
  const Result r = Cmd(L"scan --category 5,12");
  EXPECT_EQ(r.code, 0u) << r.out << r.err;
  EXPECT_EQ(r.out, "No problems found in 2 categories.\n");
  const Result json = Cmd(L"scan --category 5,12 --json");
  EXPECT_EQ(json.code, 0u);
  EXPECT_TRUE(Json(json).items.empty());
}

TEST_F(CmdWineTest, StoredCategoriesAndExclusionsApply) {
  Settings config;
  ASSERT_TRUE(config.Ok());
  const std::wstring oldChoice = config.Get(settings::kCleanupCheckType);
  const std::wstring oldExclusions = config.Get(settings::kCleanupExclsion);
  std::wstring choice;
  for (int id = 0; id < 17; ++id)
    choice += std::to_wstring(id) + L":" + (id == 0 || id == 8 ? L"1," : L"0,");
  ASSERT_TRUE(config.Set(settings::kCleanupCheckType, choice));
  ASSERT_TRUE(config.Set(settings::kCleanupExclsion, L"hkey_current_user\\" + kSound + L";"));
  const Result r = Cmd(L"scan --json");
  config.Set(settings::kCleanupCheckType, oldChoice);
  config.Set(settings::kCleanupExclsion, oldExclusions);

  ASSERT_EQ(r.code, 1u) << r.err;
  const cmdtest::JsonValue doc = Json(r);
  EXPECT_NE(FindProblem(doc, 0, L"HKEY_LOCAL_MACHINE\\" + kAppPaths, L""), nullptr) << r.out;
  EXPECT_EQ(FindProblem(doc, 8, L"HKEY_CURRENT_USER\\" + kSound, L""), nullptr) << r.out;
  for (const cmdtest::JsonValue& item : doc.items) {
    const double c = item.Member(L"category")->number;
    EXPECT_TRUE(c == 0 || c == 8) << r.out;
  }
}

TEST_F(CmdWineTest, CleanWithoutYesRefuses) {
  const Snapshot before = Snap();
  const Result r = Cmd(std::wstring(L"clean --category ") + kSeedCategories);
  EXPECT_EQ(r.code, 2u);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("without --yes"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find('\n'), r.err.size() - 1);
  EXPECT_TRUE(Snap() == before);
}

TEST_F(CmdWineTest, CleanThenRestoreLatestLeavesTheRegistryAsItWas) {
  const Snapshot before = Snap();
  ASSERT_TRUE(HasValue(HKEY_LOCAL_MACHINE, kAppPaths, L""));

  const Result clean = Cmd(std::wstring(L"clean --yes --category ") + kSeedCategories);
  ASSERT_EQ(clean.code, 0u) << clean.out << clean.err;
  EXPECT_NE(clean.out.find("repaired  Application Path: HKEY_LOCAL_MACHINE\\"), std::string::npos)
      << clean.out;
  EXPECT_FALSE(HasValue(HKEY_LOCAL_MACHINE, kAppPaths, L""));
  EXPECT_FALSE(HasValue(HKEY_CURRENT_USER, kSound, L""));
  EXPECT_FALSE(ReadValues(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\.orvp").has_value());
  EXPECT_FALSE(Snap() == before);

  const std::string marker = "Backup written: ";
  const size_t at = clean.out.find(marker);
  ASSERT_NE(at, std::string::npos) << clean.out;
  const std::string backup = clean.out.substr(at + marker.size(),
                                              clean.out.find('\n', at) - at - marker.size());
  const std::string name = backup.substr(backup.rfind('\\') + 1);
  EXPECT_NE(GetFileAttributesW(platform::FromUtf8(backup).c_str()), INVALID_FILE_ATTRIBUTES);

  const Result list = Cmd(L"backups");
  EXPECT_EQ(list.code, 0u);
  const std::string stamp = name.substr(7, 14);  // Backup_<stamp>_<n>.reg
  const std::string when = stamp.substr(0, 4) + "-" + stamp.substr(4, 2) + "-" +
                           stamp.substr(6, 2) + " " + stamp.substr(8, 2) + ":" +
                           stamp.substr(10, 2) + ":" + stamp.substr(12, 2);
  const size_t row = list.out.find("  " + when + "  ");
  ASSERT_NE(row, std::string::npos) << list.out;
  EXPECT_NE(list.out.find(" bytes  " + name + "\n", row), std::string::npos) << list.out;

  const Result restore = Cmd(L"restore --latest");
  ASSERT_EQ(restore.code, 0u) << restore.out << restore.err;
  EXPECT_NE(restore.out.find("restored: " + backup + "\n"), std::string::npos) << restore.out;
  EXPECT_EQ(GetFileAttributesW(platform::FromUtf8(backup).c_str()), INVALID_FILE_ATTRIBUTES);

  const Snapshot after = Snap();
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < before.size(); ++i)
    EXPECT_TRUE(after[i] == before[i]) << "key " << ToUtf8(seed_[i].sub);
  EXPECT_EQ(Cmd(L"scan --category 0").code, 1u);  // found again
}

TEST_F(CmdWineTest, HelpAndErrors) {
  const Result help = Cmd(L"--help");
  EXPECT_EQ(help.code, 0u);
  EXPECT_NE(help.out.find("Usage: LumoraCmd COMMAND"), std::string::npos);
  const Result scanHelp = Cmd(L"scan --help");
  EXPECT_EQ(scanHelp.code, 0u);
  EXPECT_NE(scanHelp.out.find("15  Active & Com"), std::string::npos);

  struct Case {
    const wchar_t* args;
    DWORD code;
    const char* message;
  };
  const Case cases[] = {
      {L"", 2, "no command"},
      {L"scan --category 17", 2, "unknown category '17'"},
      {L"scan --category \"3,,4\"", 2, "empty entry"},
      {L"scan --frob", 2, "unknown option '--frob'"},
      {L"restore", 2, "name the backup files"},
      {L"restore Backup_19990101000000_1.reg", 3, "no backup file"},
      {L"restore \"Z:\\nowhere\\x.reg\"", 3, "no backup file"},
  };
  for (const Case& c : cases) {
    const Result r = Cmd(c.args);
    EXPECT_EQ(r.code, c.code) << ToUtf8(c.args);
    EXPECT_EQ(r.out, "") << ToUtf8(c.args);
    EXPECT_EQ(r.err.rfind("LumoraCmd: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
  }
}

}  // namespace
