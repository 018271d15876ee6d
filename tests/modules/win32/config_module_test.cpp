// Config.dll and VersionInfo.dll as the program loads them: real libraries,
// their root objects from export ordinal 1, their interfaces by id.
#include <gtest/gtest.h>

#include <cstring>

#include "app/win32/process_support.h"
#include "framework/config_interfaces.h"
#include "framework/config_settings_store.h"
#include "framework/soft_bus.h"
#include "framework/win32/win32_library_loader.h"
#include "settings/settings_keys.h"

namespace {

using namespace framework;

class SiblingModules : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(win32::LoadSiblingModule(bin_ + L"VersionInfo.dll", kVersionInfoModuleId, bus_.get()));
    ASSERT_TRUE(win32::LoadSiblingModule(bin_ + L"Config.dll", kConfigModuleId, bus_.get()));
    ASSERT_EQ(bus_->InitializeModules(), kOk);
    app_ = Query<IConfigApp>(kConfigModuleId, kIID_IConfigApp);
    language_ = Query<IConfigLanguage>(kConfigModuleId, kIID_IConfigLanguage);
    ASSERT_NE(app_, nullptr);
    ASSERT_NE(language_, nullptr);
  }
  void TearDown() override {
    if (bus_) bus_->UninitializeModules();
  }

  template <typename T>
  T* Query(const Guid& module, const Guid& iid) {
    IHalcynAppModule* m = nullptr;
    if (Failed(bus_->GetModule(module, &m))) return nullptr;
    void* out = nullptr;
    if (Failed(m->QueryInterface(iid, &out))) return nullptr;
    return static_cast<T*>(out);
  }
  std::wstring Translate(const wchar_t* text, const wchar_t* dialog) {
    wchar_t buffer[260] = {};
    wcscpy(buffer, text);
    EXPECT_EQ(language_->TranslateText(buffer, dialog), kOk);
    return buffer;
  }

  std::wstring bin_ = testsupport::WindowsPath(LUMORA_TEST_BIN_DIR);
  ReleasePtr<CHalcynSoftBus> bus_{new CHalcynSoftBus(platform::DefaultPlatform(), &win32::Libraries())};
  IConfigApp* app_ = nullptr;
  IConfigLanguage* language_ = nullptr;
};

TEST_F(SiblingModules, EachLibraryRegistersItsRootObjectWithItsHandle) {
  ASSERT_EQ(bus_->Entries().size(), 2u);
  EXPECT_EQ(bus_->Entries()[0].id, kVersionInfoModuleId);
  EXPECT_EQ(bus_->Entries()[0].library, GetModuleHandleW((bin_ + L"VersionInfo.dll").c_str()));
  EXPECT_EQ(bus_->Entries()[1].id, kConfigModuleId);
  EXPECT_NE(bus_->Entries()[1].library, nullptr);
  // Releasing the bus unloads both libraries.
  bus_.reset();
  EXPECT_EQ(GetModuleHandleW((bin_ + L"Config.dll").c_str()), nullptr);
  EXPECT_EQ(GetModuleHandleW((bin_ + L"VersionInfo.dll").c_str()), nullptr);
}

TEST_F(SiblingModules, InterfacesAreAnsweredByIdAndUnknownIdsRefused) {
  auto* page = Query<IConfigPage>(kConfigModuleId, kIID_IConfigPage);
  EXPECT_EQ(page, static_cast<IConfigPage*>(app_));
  void* out = nullptr;
  EXPECT_EQ(app_->QueryInterface(kIID_IConfigLanguage, &out), kOk);
  EXPECT_EQ(out, language_);
  EXPECT_EQ(app_->QueryInterface(kIID_IHalcynSoftBus, &out), kNoInterface);
  // Releasing an interface does not destroy the module the bus owns.
  app_->Release();
  language_->Release();
  EXPECT_EQ(Query<IConfigApp>(kConfigModuleId, kIID_IConfigApp), app_);

  auto* version = Query<IVersionInfo>(kVersionInfoModuleId, kIID_IVersionInfo);
  ASSERT_NE(version, nullptr);
  wchar_t text[64] = {};
  EXPECT_EQ(version->GetProductName(text, 64), kOk);
  EXPECT_STREQ(text, L"Quorvel Lumora");
  EXPECT_EQ(version->GetProductVersion(text, 64), kOk);
  EXPECT_STREQ(text, L"1.0.0");
  EXPECT_EQ(version->GetProductName(text, 5), kFail);
  EXPECT_STREQ(text, L"");
}

TEST_F(SiblingModules, AppStringsNameTheProductAndTheInstallation) {
  wchar_t text[260] = {};
  EXPECT_EQ(app_->GetAppString(kAppStringAppName, text, 260, 0), kOk);
  EXPECT_STREQ(text, L"Quorvel Lumora");
  EXPECT_EQ(app_->GetAppString(kAppStringInstallDirectory, text, 260, 0), kOk);
  EXPECT_EQ(lstrcmpiW(text, bin_.c_str()), 0) << std::wstring(text).c_str();
  EXPECT_EQ(app_->GetAppString(kAppStringAppName, text, 5, 0), kFail);
  EXPECT_STREQ(text, L"");  // nothing half-copied
  EXPECT_EQ(app_->SetAppString(kAppStringAppName, L"Other", 0), kInvalidArg);

  const wchar_t* skin = L"C:\\Skins\\Blue\\";
  ASSERT_EQ(app_->SetAppString(kAppStringCurrentSkinPath, skin, 0), kOk);
  ASSERT_EQ(app_->SetAppString(kAppStringSkinPath, skin, 0), kOk);
  EXPECT_EQ(app_->GetAppString(L"currentskinpath", text, 260, 0), kOk);
  EXPECT_STREQ(text, skin);
  EXPECT_EQ(app_->GetAppString(kAppStringSkinPath, text, 260, 0), kOk);
  EXPECT_STREQ(text, skin);
  // The same key written in 8-bit characters gets an 8-bit value.
  char narrow[260] = {};
  EXPECT_EQ(app_->GetAppString(reinterpret_cast<const wchar_t*>("CurrentSkinPath"),
                               reinterpret_cast<wchar_t*>(narrow), 260, 0),
            kOk);
  EXPECT_STREQ(narrow, "C:\\Skins\\Blue\\");
}

TEST_F(SiblingModules, SettingsRoundTripThroughThePageInterface) {
  ConfigSettingsStore store(*app_);
  ASSERT_TRUE(store.SetInt(settings::kSection, settings::kLastRegRepair, 9));
  EXPECT_EQ(app_->GetInt(settings::kSection, settings::kLastRegRepair, 0, 1, 0), 9);
  EXPECT_EQ(app_->GetInt(settings::kSection, L"NeverWrittenKey", 0, 1, 0), 0);
  const std::wstring exclusions = L"HKEY_CURRENT_USER\\Software\\A=b;HKLM\\x\r\ny;Ünï;";
  ASSERT_TRUE(store.SetString(settings::kSection, settings::kCleanupExclsion, exclusions));
  EXPECT_EQ(settings::ReadWholeString(store, settings::kSection, settings::kCleanupExclsion),
            exclusions);
  wchar_t small[8] = {L'#'};
  EXPECT_EQ(app_->GetString(settings::kSection, settings::kCleanupExclsion, small, 8, 0, 0),
            exclusions.size() + 1);
  EXPECT_STREQ(small, L"");
  EXPECT_EQ(app_->GetString(settings::kSection, L"NeverWrittenKey", small, 8, 0, 0), 1u);
}

TEST_F(SiblingModules, TranslationsSwitchWithTheLanguage) {
  uint32_t ids[1024] = {};
  uint32_t count = 1024;
  ASSERT_EQ(language_->GetLanguageIds(ids, &count), kOk);
  ASSERT_EQ(count, 2u);
  EXPECT_EQ(ids[0], 1033u);  // English.cfg
  EXPECT_EQ(ids[1], 1031u);  // German.cfg
  count = 1;
  ASSERT_EQ(language_->GetLanguageIds(ids, &count), kOk);
  EXPECT_EQ(count, 1u);

  uint32_t current = 0;
  ASSERT_EQ(language_->GetLanguageId(&current, 0), kOk);
  EXPECT_EQ(current, 1033u);
  EXPECT_EQ(Translate(L"Exit", L"RegTray"), L"Exit");

  ASSERT_EQ(language_->SetLanguage(1031), kOk);
  EXPECT_EQ(Translate(L"Exit", L"RegTray"), L"Beenden");
  EXPECT_EQ(Translate(L"Cancel", L"AnyDlg"), L"Abbrechen");   // common texts
  EXPECT_EQ(Translate(L"Exit", L"MainDlg"), L"Exit");         // other dialog, no entry
  EXPECT_EQ(Translate(L"Not translated", L"RegTray"), L"Not translated");
  wchar_t file[260] = {};
  EXPECT_EQ(language_->GetLanguageFile(file, 1031), kOk);
  EXPECT_STREQ(file, L"German.cfg");
  EXPECT_EQ(language_->GetLanguageFile(file, 1049), kInvalidArg);
  EXPECT_STREQ(file, L"");

  // A language without a file changes nothing.
  EXPECT_EQ(language_->SetLanguage(1049), kInvalidArg);
  ASSERT_EQ(language_->GetLanguageId(&current, 0), kOk);
  EXPECT_EQ(current, 1031u);
  ASSERT_EQ(language_->SetLanguage(1033), kOk);
  EXPECT_EQ(Translate(L"Exit", L"RegTray"), L"Exit");
}

TEST(SettingsAcrossProcesses, WhatOneProcessWritesTheNextReads) {
  const std::wstring probe = testsupport::WindowsPath(LUMORA_TEST_HELPER_DIR) + L"config_probe.exe";
  std::wstring bin = testsupport::WindowsPath(LUMORA_TEST_BIN_DIR);
  bin.pop_back();  // a backslash before the closing quote would escape it
  auto run = [&](const std::wstring& arguments) {
    testsupport::Process p = testsupport::Start(probe, L"\"" + bin + L"\" " + arguments);
    EXPECT_TRUE(p.WaitForExit()) << "probe hung";
    return p.ExitCode();
  };
  const DWORD stamp = GetTickCount() % 1000 + 1;
  ASSERT_EQ(run(L"setint LastRegScanCount " + std::to_wstring(stamp)), 0u);
  EXPECT_EQ(run(L"getint LastRegScanCount"), stamp);
  ASSERT_EQ(run(L"setint LastRegScanCount 12"), 0u);
  EXPECT_EQ(run(L"getint LastRegScanCount"), 12u);
}

}  // namespace
