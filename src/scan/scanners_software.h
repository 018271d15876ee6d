// The installed-software scanners: App Paths, unused vendor keys, shared
// DLLs, uninstall entries and the deep scan (categories 0, 1, 3, 13, 16).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "scan/purvex_impl.h"
#include "scan/scanners_common.h"

namespace NSTorvane {

class CPurvexApplicationPaths : public CPurvexImpl {
 public:
  using CPurvexImpl::CPurvexImpl;
  void Scan() override;
};

class CPurvexUnsedSoftKey : public CPurvexImpl {
 public:
  using CPurvexImpl::CPurvexImpl;
  void Scan() override;
};

class CPurvexSharedDLLs : public CPurvexImpl {
 public:
  using CPurvexImpl::CPurvexImpl;
  void Scan() override;
};

class CPurvexUninstaller : public CPurvexImpl {
 public:
  using CPurvexImpl::CPurvexImpl;
  void Scan() override;

 private:
  void ScanFolders();
  void ScanEntries();
  void CheckEntry(NSRegKeyEx::CRegKeyEx& entry);
};

// Plain local file paths in any value under the two software roots.
class CPurvexDeepScan : public CPurvexImpl {
 public:
  using CPurvexImpl::CPurvexImpl;
  void Scan() override;

  // A drive-letter path without variables, arguments, hyphens or dotted
  // folder names.
  static bool LooksLikeFilePath(const std::wstring& text);

 private:
  // The working storage of one scan: sizes as the raw calls are given them.
  struct Buffers {
    explicit Buffers(const CPurvexImpl& scanner) : presence(scanner) {}
    PresenceCache presence;
    std::wstring path;
    std::vector<wchar_t> valueName = std::vector<wchar_t>(16384);
    std::vector<uint8_t> valueData = std::vector<uint8_t>(1048576);
    std::vector<wchar_t> subKeyName = std::vector<wchar_t>(256);
  };

  // The key subKey of parent, its values and then its subkeys; b.path names it.
  void WalkDeepKey(Buffers& b, platform::HKey parent, const std::wstring& subKey);
  void CheckValue(Buffers& b, const std::wstring& name, const std::wstring& text);
};

}  // namespace NSTorvane
