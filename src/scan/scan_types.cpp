#include "scan/scan_types.h"

const std::array<CategoryInfo, kScanCategoryCount> kCategories = {{
    {0, L"NSTorvane::CPurvexApplicationPaths", L"Application Path", L"BtnAppPaths",
     L"BTNPROBAPPLICATIONPATHS"},
    {1, L"NSTorvane::CPurvexUnsedSoftKey", L"Unused Software Key", L"BtnUnuseKey",
     L"BTNPROBUNSEDSOFTKEY"},
    {2, L"NSTorvane::CPurvexRecentDocs", L"Recent Documents", L"BtnRecentDoc",
     L"BTNPROBRECENTDOCS"},
    {3, L"NSTorvane::CPurvexSharedDLLs", L"Share DLL", L"BtnShareDLL", L"BTNPROBSHAREDDLLS"},
    {4, L"NSTorvane::CPurvexStartupFiles", L"Startup Files", L"BtnStartupFiles",
     L"BTNPROBSTARTUPFILES"},
    {5, L"NSTorvane::CPurvexSystemDrivers", L"System Driver", L"BtnSysDriver",
     L"BTNPROBSYSTEMDRIVERS"},
    {6, L"NSTorvane::CPurvexFonts", L"Fonts", L"BtnFonts", L"BTNPROBFONTS"},
    {7, L"NSTorvane::CPurvexHelp", L"Help", L"BtnHelp", L"BTNPROBHELP"},
    {8, L"NSTorvane::CPurvexSound", L"Sound", L"BtnSound", L"BTNPROBSOUND"},
    {9, L"NSTorvane::CPurvexFileExts", L"File Extension", L"BtnFileExt", L"BTNPROBFILEEXTS"},
    {10, L"NSTorvane::CPurvexMUICache", L"MUI Cache", L"BtnMULCache", L"BTNPROBMUICACHE"},
    {11, L"NSTorvane::CPurvexService", L"Service", L"BtnService", L"BTNPROBSERVICE"},
    {12, L"NSTorvane::CPurvexTypeLib", L"Type Lib", L"BtnTypeLib", L"BTNPROBTYPELIB"},
    {13, L"NSTorvane::CPurvexUninstaller", L"Uninstaller", L"BtnUninstall",
     L"BTNPROBUNINSTALLER"},
    {14, L"NSTorvane::CPurvexFileAssoc", L"File Association", L"BtnFileAssoc",
     L"BTNPROBFILEASSOC"},
    // Doubled so that a Windows control shows one "&".
    {15, L"NSTorvane::CPurvexActivexCom", L"Active && Com", L"BtnActiveCom",
     L"BTNPROBACTIVEXCOM"},
    {16, L"NSTorvane::CPurvexDeepScan", L"Deep Scan", L"BtnDeepScan", L"BTNPROBDEEPSCAN"},
}};

const std::array<const wchar_t*, kProblemTypeCount> kProblemTypes = {
    L"InvalidOrEmptyFileClass", L"InvalidDefaultIcon",  L"InvalidAppOpenMode",
    L"InvalidActiveCom",        L"MissingTypeLibRef",   L"AppPathIssue",
    L"FontIssue",               L"HelpIssue",           L"InstallRefIssue",
    L"UninstallRefIssue",       L"UnUsedSoftwareKey",   L"MissingStartup",
    L"InvalidSoudFileRef",      L"UnusedFileExt",       L"MissingMUIRef",
    L"MissingShareDll",         L"MissingRecDocRef",    L"MissingSystemDriverRef",
    L"MissingServiceRef",       L"InvalidFileAssoc",    L"InvalidFile",
    L"BHOIssue",                L"IEToolBarIssue",      L"IEExtensionIssue",
};

const CategoryInfo* FindCategory(int32_t id) {
  if (id < 0 || id >= kScanCategoryCount) return nullptr;
  return &kCategories[static_cast<size_t>(id)];
}

const wchar_t* ProblemTypeName(int32_t type) {
  if (type < 0 || type >= kProblemTypeCount) return nullptr;
  return kProblemTypes[static_cast<size_t>(type)];
}
