#include "scan/problem_collector.h"

#include "platform/win32_constants.h"
#include "registry/reg_key_ex.h"
#include "settings/exclusions.h"

CProblemCollector::CProblemCollector(platform::Platform& p)
    : platform_(p), result_(std::make_unique<SRegScanDetail>()) {}

void CProblemCollector::SetExclusions(std::vector<std::wstring> exclusions) {
  exclusions_ = std::move(exclusions);
}

void CProblemCollector::OnScanBegin() {
  result_ = std::make_unique<SRegScanDetail>();
  currentCategory_ = -1;
}

void CProblemCollector::OnCategoryBegin(int32_t category) { currentCategory_ = category; }

void CProblemCollector::OnCategoryEnd(int32_t category) { result_->byCategory[category]; }

bool CProblemCollector::KeyWritable(const std::wstring& keyPath) const {
  platform::HKey root = 0;
  std::wstring subKey;
  if (!NSRegKeyEx::ParseKeyPath(keyPath, root, subKey)) return false;
  NSRegKeyEx::ScopedKey key(platform_.registry);
  return platform_.registry.OpenKey(root, subKey, 0, platform::kKeyWrite, key.Out()) ==
         platform::kErrorSuccess;
}

CProblemCollector::Verdict CProblemCollector::Judge(const std::wstring& keyPath,
                                                    const std::wstring& valueName) const {
  if (settings::IsExcluded(exclusions_, keyPath, valueName)) return Verdict::kExcluded;
  if (!KeyWritable(keyPath)) return Verdict::kNotWritable;
  return Verdict::kAccepted;
}

int32_t CProblemCollector::OnProblemFound(int32_t problemType, const std::wstring& data,
                                          const std::wstring& keyPath,
                                          const std::wstring& valueName) {
  if (Judge(keyPath, valueName) != Verdict::kAccepted) return 0;
  result_->byCategory[currentCategory_].push_back(
      SRegProblemItem{true, keyPath, valueName, data, problemType});
  ++result_->problemCount;
  return 1;
}

SRegScanDetailPtr CProblemCollector::TakeResult() {
  SRegScanDetailPtr taken = std::move(result_);
  result_ = std::make_unique<SRegScanDetail>();
  return taken;
}

int32_t CCollectingObserver::OnCategoryBegin(int32_t category) {
  collector_.OnCategoryBegin(category);
  return next_ ? next_->OnCategoryBegin(category) : 0;
}

int32_t CCollectingObserver::OnCategoryEnd(int32_t category) {
  collector_.OnCategoryEnd(category);
  return next_ ? next_->OnCategoryEnd(category) : 0;
}

int32_t CCollectingObserver::OnScanProgress(int32_t percent) {
  return next_ ? next_->OnScanProgress(percent) : 0;
}

int32_t CCollectingObserver::OnProblemFound(int32_t problemType, const std::wstring& data,
                                            const std::wstring& keyPath,
                                            const std::wstring& valueName) {
  const int32_t accepted = collector_.OnProblemFound(problemType, data, keyPath, valueName);
  if (accepted && next_) next_->OnProblemFound(problemType, data, keyPath, valueName);
  return accepted;
}

int32_t CCollectingObserver::OnScanItem(const std::wstring& text) {
  return next_ ? next_->OnScanItem(text) : 0;
}

int32_t CCollectingObserver::OnScanBegin() {
  collector_.OnScanBegin();
  return next_ ? next_->OnScanBegin() : 0;
}

int32_t CCollectingObserver::OnScanEnd() { return next_ ? next_->OnScanEnd() : 0; }
