// The COM, ActiveX and type-library scanners (categories 15 and 12).
#pragma once
#include "scan/purvex_impl.h"
#include "scan/scanners_common.h"

namespace NSTorvane {

// Class keys of HKEY_CLASSES_ROOT (icons, verbs), COM class servers and the
// browser add-on lists.
class CPurvexActivexCom : public CPurvexImpl {
 public:
  using CPurvexImpl::CPurvexImpl;
  void Scan() override;

 private:
  bool ScanClassKeys(PresenceCache& presence);
  bool ScanClassIds(PresenceCache& presence);
  void ScanHelperObjects();
  void ScanToolbars();
  void ScanExtensions();
  void CheckClassKey(const std::wstring& name, PresenceCache& presence);
  void CheckVerbs(const std::wstring& name, PresenceCache& presence);
};

// Interfaces whose type library has no registration.
class CPurvexTypeLib : public CPurvexImpl {
 public:
  using CPurvexImpl::CPurvexImpl;
  void Scan() override;
};

}  // namespace NSTorvane
