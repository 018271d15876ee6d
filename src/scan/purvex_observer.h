// What a scan reports, called on the scan thread. The engine and the
// scanners ignore the results.
#pragma once
#include <cstdint>
#include <string>

class IPurvexObserver {
 public:
  virtual int32_t OnCategoryBegin(int32_t category) = 0;
  virtual int32_t OnCategoryEnd(int32_t category) = 0;
  virtual int32_t OnScanProgress(int32_t percent) = 0;
  virtual int32_t OnProblemFound(int32_t problemType, const std::wstring& data,
                                 const std::wstring& keyPath, const std::wstring& valueName) = 0;
  virtual int32_t OnScanItem(const std::wstring& text) = 0;
  virtual int32_t OnScanBegin() = 0;
  virtual int32_t OnScanEnd() = 0;

 protected:
  // Observers are never owned through this interface.
  ~IPurvexObserver() = default;
};
