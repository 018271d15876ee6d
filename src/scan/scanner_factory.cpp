#include "scan/purvex_eng.h"

// The scanners of the categories are added here, one per id of kCategories.
ScannerPtr CreateScanner(int32_t category, platform::Platform& p) {
  if (FindCategory(category) == nullptr) return nullptr;
  return nullptr;
}

ScannerPtr CreateScanner(int32_t category) {
  return CreateScanner(category, platform::DefaultPlatform());
}
