#include "modules/config/language_service.h"

#include <gtest/gtest.h>

#include "app/win32/process_support.h"
#include "modules/config/config_module.h"
#include "platform/text.h"
#include "platform/win32/win32_platform.h"

namespace {

// Writes a language file as UTF-16LE with byte-order mark.
void WriteLanguageFile(const std::wstring& path, const std::wstring& text) {
  std::vector<uint8_t> bytes{0xFF, 0xFE};
  const auto body = platform::ToUtf16Bytes(text, false);
  bytes.insert(bytes.end(), body.begin(), body.end());
  ASSERT_TRUE(platform::win32::Win32Platform().files.WriteWholeFile(path, bytes.data(), bytes.size()));
}

class LanguageFiles : public ::testing::Test {
 protected:
  void Load(uint32_t preferred = 1033) {
    service_.Load(platform::win32::Win32Platform().files, folder_.Path(), preferred);
  }
  testsupport::TempFolder folder_{L"lumora_lang_"};
  config::LanguageService service_;
};

TEST_F(LanguageFiles, TheRecordedChoiceWinsAndFilesNameTheirOwnLanguage) {
  WriteLanguageFile(folder_.Path() + L"b_French.cfg",
                    L"[LanguageInfo]\r\nLanguage=1036\r\nLCID=1031\r\n[Dlg]\r\nExit = Quitter \r\n");
  WriteLanguageFile(folder_.Path() + L"a_German.cfg",
                    L"[LanguageInfo]\r\nLanguage=1031\r\nLCID=1031\r\n[Dlg]\r\nExit=Beenden\r\n"
                    L"Empty=\r\n");
  // No own language: taken to be in the language it records.
  WriteLanguageFile(folder_.Path() + L"c_Dutch.cfg", L"[LanguageInfo]\r\nLCID=1043\r\n");
  // A second file of a language already seen, and a file with no language.
  WriteLanguageFile(folder_.Path() + L"d_German2.cfg", L"[LanguageInfo]\r\nLanguage=1031\r\n");
  WriteLanguageFile(folder_.Path() + L"e_none.cfg", L"[Dlg]\r\nExit=x\r\n");
  WriteLanguageFile(folder_.Path() + L"notes.txt", L"[LanguageInfo]\r\nLanguage=1049\r\n");
  Load();

  EXPECT_EQ(service_.LanguageIds(), (std::vector<uint32_t>{1031, 1036, 1043}));
  EXPECT_EQ(service_.CurrentLanguage(), 1031u);  // the first recorded choice
  EXPECT_EQ(service_.LanguageFile(1031), L"a_German.cfg");
  EXPECT_EQ(service_.Translate(L"exit", L"DLG").value_or(L"-"), L"Beenden");  // names ignore case
  EXPECT_FALSE(service_.Translate(L"Empty", L"Dlg"));  // an empty translation is none
  ASSERT_TRUE(service_.SetLanguage(1036));
  EXPECT_EQ(service_.Translate(L"Exit", L"Dlg").value_or(L"-"), L"Quitter");  // trimmed
}

TEST_F(LanguageFiles, WithoutARecordedChoiceThePreferredThenEnglishIsUsed) {
  WriteLanguageFile(folder_.Path() + L"German.cfg", L"[LanguageInfo]\r\nLanguage=1031\r\n");
  WriteLanguageFile(folder_.Path() + L"English.cfg", L"[LanguageInfo]\r\nLanguage=1033\r\n");
  Load(1031);
  EXPECT_EQ(service_.CurrentLanguage(), 1031u);
  Load(1049);
  EXPECT_EQ(service_.CurrentLanguage(), 1033u);
}

TEST_F(LanguageFiles, TranslateTextWorksInPlaceWithinTheCallersBuffer) {
  const std::wstring longText(200, L'L');
  WriteLanguageFile(folder_.Path() + L"German.cfg",
                    L"[LanguageInfo]\r\nLanguage=1031\r\nLCID=1031\r\n[Dlg]\r\nShort=Kurz\r\n"
                    L"Grow=" + longText + L"\r\n" + longText + L"=" + std::wstring(190, L'G') +
                        L"\r\n[#7]\r\nById=Nach Nummer\r\n");
  framework::ReleasePtr<config::CConfigModule> module(
      new config::CConfigModule(folder_.Path(), folder_.Path() + L"Settings.ini"));
  ASSERT_EQ(module->Initialize(), framework::kOk);
  void* out = nullptr;
  ASSERT_EQ(module->QueryInterface(framework::kIID_IConfigLanguage, &out), framework::kOk);
  auto* language = static_cast<framework::IConfigLanguage*>(out);

  wchar_t buffer[260] = L"Short";
  language->TranslateText(buffer, L"Dlg");
  EXPECT_STREQ(buffer, L"Kurz");
  // A translation longer than the 128 characters a caller guarantees is
  // left out rather than written past the buffer or cut short.
  wcscpy(buffer, L"Grow");
  language->TranslateText(buffer, L"Dlg");
  EXPECT_STREQ(buffer, L"Grow");
  // A text that is itself long has a buffer of at least its own length.
  wcscpy(buffer, longText.c_str());
  language->TranslateText(buffer, L"Dlg");
  EXPECT_EQ(std::wstring(buffer), std::wstring(190, L'G'));
  // A numeric id in place of the dialog name.
  wcscpy(buffer, L"ById");
  language->TranslateText(buffer, reinterpret_cast<const wchar_t*>(static_cast<uintptr_t>(7)));
  EXPECT_STREQ(buffer, L"Nach Nummer");
  EXPECT_EQ(language->TranslateText(nullptr, L"Dlg"), framework::kPointer);
}

}  // namespace
