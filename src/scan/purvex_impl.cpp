#include "scan/purvex_impl.h"

#include <cmath>

#include "scan/scan_toolkit.h"

namespace NSTorvane {

namespace {
// Shared by all scanners and scans of the process; starts at -1.
std::atomic<int32_t> lastPercent{-1};
}  // namespace

int32_t TruncPercent(double value) { return static_cast<int32_t>(std::trunc(value)); }

int32_t PassPercent(uint32_t i, uint32_t n) {
  return n == 0 ? 100 : TruncPercent((static_cast<double>(i) + 1.0) * 100.0 / n);
}

int32_t KeyOfKeysPercent(uint32_t k, uint32_t keyCount, uint32_t i, uint32_t n) {
  if (keyCount == 0) return 100;
  const int32_t base = TruncPercent(100.0 * k / keyCount);
  if (n == 0) return base;
  return base + TruncPercent(100.0 * (static_cast<double>(i) + 1.0) /
                             (static_cast<double>(n) * keyCount));
}

PercentOfPass EachPass() { return PassPercent; }

PercentOfPass KeyOfKeys(uint32_t k, uint32_t keyCount) {
  return [k, keyCount](uint32_t i, uint32_t n) { return KeyOfKeysPercent(k, keyCount, i, n); };
}

std::wstring ItemPath(const std::wstring& path, const std::wstring& name) {
  if (!path.empty() && path.back() == L'\\') return path + name;
  return path + L"\\" + name;
}

int32_t LastReportedPercent() { return lastPercent.load(); }

std::wstring RegValue::Text() const { return RegDataText(data, size); }

CPurvexImpl::CPurvexImpl(platform::Platform& p)
    : isWow64(p.system.IsWow64()), platform_(p) {}

CPurvexImpl::~CPurvexImpl() = default;

void CPurvexImpl::Scan() { cancel = false; }

void CPurvexImpl::ReportProblem(int32_t problemType, const std::wstring& data,
                                const std::wstring& keyPath, const std::wstring& valueName) {
  if (observer != nullptr) observer->OnProblemFound(problemType, data, keyPath, valueName);
}

void CPurvexImpl::ReportProgress(int32_t percent) {
  if (lastPercent.exchange(percent) == percent) return;
  if (observer != nullptr) observer->OnScanProgress(percent);
}

void CPurvexImpl::SendScanItem(const std::wstring& text) {
  if (observer != nullptr) observer->OnScanItem(text);
}

bool CPurvexImpl::Cancelled() const {
  return cancel.load(std::memory_order_relaxed) ||
         (stopSource_ != nullptr && stopSource_->load(std::memory_order_relaxed) != 0);
}

bool CPurvexImpl::OpenForValueWalk(NSRegKeyEx::CRegKeyEx& key, const std::wstring& path) {
  if (!key.Open(path)) return false;
  SendScanItem(key.GetPath());
  return true;
}

bool CPurvexImpl::BeginPass(const PercentOfPass& percent, uint32_t i, uint32_t n) {
  if (Cancelled()) return false;
  if (percent) ReportProgress(percent(i, n));
  return true;
}

}  // namespace NSTorvane
