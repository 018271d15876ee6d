// The scan's shared vocabulary: category ids, problem types, the problem
// record, the result of one scan and what the scan page hands the engine.
#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

// Category ids 0..16, in the order of kCategories.
enum ScanCategory : int32_t {
  kCatApplicationPaths = 0,
  kCatUnusedSoftKey = 1,
  kCatRecentDocs = 2,
  kCatSharedDlls = 3,
  kCatStartupFiles = 4,
  kCatSystemDrivers = 5,
  kCatFonts = 6,
  kCatHelp = 7,
  kCatSound = 8,
  kCatFileExts = 9,
  kCatMuiCache = 10,
  kCatService = 11,
  kCatTypeLib = 12,
  kCatUninstaller = 13,
  kCatFileAssoc = 14,
  kCatActivexCom = 15,
  kCatDeepScan = 16,
};
inline constexpr int32_t kScanCategoryCount = 17;

// Problem types 0..23, in the order of kProblemTypes.
enum ProblemType : int32_t {
  kInvalidOrEmptyFileClass = 0,
  kInvalidDefaultIcon = 1,
  kInvalidAppOpenMode = 2,
  kInvalidActiveCom = 3,
  kMissingTypeLibRef = 4,
  kAppPathIssue = 5,
  kFontIssue = 6,
  kHelpIssue = 7,
  kInstallRefIssue = 8,
  kUninstallRefIssue = 9,
  kUnUsedSoftwareKey = 10,
  kMissingStartup = 11,
  kInvalidSoudFileRef = 12,
  kUnusedFileExt = 13,
  kMissingMUIRef = 14,
  kMissingShareDll = 15,
  kMissingRecDocRef = 16,
  kMissingSystemDriverRef = 17,
  kMissingServiceRef = 18,
  kInvalidFileAssoc = 19,
  kInvalidFile = 20,
  kBHOIssue = 21,
  kIEToolBarIssue = 22,
  kIEExtensionIssue = 23,
};
inline constexpr int32_t kProblemTypeCount = 24;

struct CategoryInfo {
  int32_t id;
  const wchar_t* scannerClass;   // "NSTorvane::CPurvex..."
  const wchar_t* name;           // shown in the result list (through the language)
  const wchar_t* settingsButton;  // check button of the scan-category page
  const wchar_t* problemButton;   // filter button of the problem list
};

extern const std::array<CategoryInfo, kScanCategoryCount> kCategories;
// The problem list's filter button for all categories (id -1 there).
inline constexpr const wchar_t* kProblemSummaryButton = L"BTNPROBSUMMARY";

// The name of each type, also its key in the language files. By id.
extern const std::array<const wchar_t*, kProblemTypeCount> kProblemTypes;

// The entry of an id, or null outside 0..16.
const CategoryInfo* FindCategory(int32_t id);
// The type's name, or null outside 0..23.
const wchar_t* ProblemTypeName(int32_t type);

// The value name that stands for the whole key; the empty name is the
// default value, any other text one value.
inline constexpr const wchar_t* kWholeKey = L"n/a";

struct SRegProblemItem {
  bool checked = true;
  std::wstring keyPath;
  std::wstring valueName;
  std::wstring data;
  int32_t problemType = 0;
};

// The result of one scan. byCategory lists categories in ascending id and,
// within one, records in the order they were accepted. problemCount always
// equals the number of records.
struct SRegScanDetail {
  int32_t problemCount = 0;
  std::map<int32_t, std::vector<SRegProblemItem>> byCategory;
};
using SRegScanDetailPtr = std::unique_ptr<SRegScanDetail>;

// What the scan page hands CPurvexEng::Start.
struct ScanRequest {
  std::vector<int32_t> categories;     // in scan order
  std::vector<std::wstring> exclusions;
};
