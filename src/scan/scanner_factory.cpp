#include "scan/purvex_eng.h"
#include "scan/scanners_com.h"
#include "scan/scanners_file_assoc.h"
#include "scan/scanners_shell.h"
#include "scan/scanners_software.h"
#include "scan/scanners_startup.h"

// The scanner of each category id of kCategories.
ScannerPtr CreateScanner(int32_t category, platform::Platform& p) {
  using namespace NSTorvane;
  switch (category) {
    case kCatApplicationPaths: return std::make_unique<CPurvexApplicationPaths>(p);
    case kCatUnusedSoftKey: return std::make_unique<CPurvexUnsedSoftKey>(p);
    case kCatRecentDocs: return std::make_unique<CPurvexRecentDocs>(p);
    case kCatSharedDlls: return std::make_unique<CPurvexSharedDLLs>(p);
    case kCatStartupFiles: return std::make_unique<CPurvexStartupFiles>(p);
    case kCatSystemDrivers: return std::make_unique<CPurvexSystemDrivers>(p);
    case kCatFonts: return std::make_unique<CPurvexFonts>(p);
    case kCatHelp: return std::make_unique<CPurvexHelp>(p);
    case kCatSound: return std::make_unique<CPurvexSound>(p);
    case kCatFileExts: return std::make_unique<CPurvexFileExts>(p);
    case kCatMuiCache: return std::make_unique<CPurvexMUICache>(p);
    case kCatService: return std::make_unique<CPurvexService>(p);
    case kCatTypeLib: return std::make_unique<CPurvexTypeLib>(p);
    case kCatUninstaller: return std::make_unique<CPurvexUninstaller>(p);
    case kCatFileAssoc: return std::make_unique<CPurvexFileAssoc>(p);
    case kCatActivexCom: return std::make_unique<CPurvexActivexCom>(p);
    case kCatDeepScan: return std::make_unique<CPurvexDeepScan>(p);
    default: return nullptr;
  }
}

ScannerPtr CreateScanner(int32_t category) {
  return CreateScanner(category, platform::DefaultPlatform());
}
