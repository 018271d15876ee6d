// The problem intake rule, shared by every observer that collects a scan's
// problems (the scan page, the console front-end): excluded problems and
// problems whose key cannot be opened for writing are dropped; the rest are
// listed under the current category.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "scan/purvex_observer.h"
#include "scan/scan_types.h"

class CProblemCollector {
 public:
  enum class Verdict { kAccepted, kExcluded, kNotWritable };

  explicit CProblemCollector(platform::Platform& p = platform::DefaultPlatform());

  // The scan's exclusion entries.
  void SetExclusions(std::vector<std::wstring> exclusions);
  // A fresh, empty result; the previous one is released.
  void OnScanBegin();
  // Problems from now on belong to this category.
  void OnCategoryBegin(int32_t category);
  // Enters the category in the result, also when it found nothing.
  void OnCategoryEnd(int32_t category);
  // The intake rule: 1 when accepted, 0 when dropped.
  int32_t OnProblemFound(int32_t problemType, const std::wstring& data,
                         const std::wstring& keyPath, const std::wstring& valueName);
  Verdict Judge(const std::wstring& keyPath, const std::wstring& valueName) const;

  int32_t CurrentCategory() const { return currentCategory_; }
  const SRegScanDetail& Result() const { return *result_; }
  SRegScanDetail& Result() { return *result_; }
  // Hands the result over; an empty one takes its place.
  SRegScanDetailPtr TakeResult();

 private:
  bool KeyWritable(const std::wstring& keyPath) const;

  platform::Platform& platform_;
  std::vector<std::wstring> exclusions_;
  int32_t currentCategory_ = -1;
  SRegScanDetailPtr result_;
};

// An observer made of a collector: it applies the intake rule and passes
// every call on to an optional next observer, problems only when accepted.
class CCollectingObserver : public IPurvexObserver {
 public:
  explicit CCollectingObserver(CProblemCollector& collector, IPurvexObserver* next = nullptr)
      : collector_(collector), next_(next) {}
  virtual ~CCollectingObserver() = default;

  int32_t OnCategoryBegin(int32_t category) override;
  int32_t OnCategoryEnd(int32_t category) override;
  int32_t OnScanProgress(int32_t percent) override;
  int32_t OnProblemFound(int32_t problemType, const std::wstring& data,
                         const std::wstring& keyPath, const std::wstring& valueName) override;
  int32_t OnScanItem(const std::wstring& text) override;
  int32_t OnScanBegin() override;
  int32_t OnScanEnd() override;

 private:
  CProblemCollector& collector_;
  IPurvexObserver* next_;
};
