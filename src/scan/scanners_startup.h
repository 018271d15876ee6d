// The start-up, system-driver and service scanners (categories 4, 5, 11).
#pragma once
#include <string>

#include "scan/purvex_impl.h"

namespace NSTorvane {

// Programs named by the Run-type keys.
class CPurvexStartupFiles : public CPurvexImpl {
 public:
  using CPurvexImpl::CPurvexImpl;
  void Scan() override;
};

// The multimedia driver list (Drivers32).
class CPurvexSystemDrivers : public CPurvexImpl {
 public:
  using CPurvexImpl::CPurvexImpl;
  void Scan() override;
};

// Services whose image file is missing.
class CPurvexService : public CPurvexImpl {
 public:
  using CPurvexImpl::CPurvexImpl;
  void Scan() override;

  // The image text lower-cased, with everything before "system32" replaced
  // by the Windows folder and a leading "\??\" dropped.
  static std::wstring NormaliseImagePath(const std::wstring& image,
                                         const std::wstring& windowsFolder);

 private:
  // windows: the Windows folder, looked up once per scan.
  void CheckService(const std::wstring& servicePath, NSRegKeyEx::CRegKeyEx& service,
                    const std::wstring& windows);
};

}  // namespace NSTorvane
