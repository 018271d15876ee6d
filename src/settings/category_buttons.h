// The scan-category page's check buttons and the choice they stand for.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "settings/settings_codecs.h"

namespace settings {

// The button of each category id, by id.
inline constexpr std::array<const wchar_t*, kCategoryCount> kCategoryButtons = {
    L"BtnAppPaths", L"BtnUnuseKey",  L"BtnRecentDoc", L"BtnShareDLL",   L"BtnStartupFiles",
    L"BtnSysDriver", L"BtnFonts",    L"BtnHelp",      L"BtnSound",      L"BtnFileExt",
    L"BtnMULCache", L"BtnService",   L"BtnTypeLib",   L"BtnUninstall",  L"BtnFileAssoc",
    L"BtnActiveCom", L"BtnDeepScan",
};

// The page's map from category id to button name.
std::map<int32_t, std::wstring> CategoryButtonMap();

// For every id of the page's map, ascending: 1 when its button is checked,
// else 0.
CategoryChoice GetCheckedCategories(const std::map<int32_t, std::wstring>& buttons,
                                    const std::function<bool(const std::wstring&)>& isChecked);

// Calls setChecked for each button whose id the choice mentions; the other
// buttons keep the state the skin gave them.
void ApplyChoiceToButtons(const std::map<int32_t, std::wstring>& buttons,
                          const CategoryChoice& choice,
                          const std::function<void(const std::wstring&, bool)>& setChecked);

}  // namespace settings
