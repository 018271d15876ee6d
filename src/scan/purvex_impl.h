// The scanner base: the flags every scanner carries, the reports it makes,
// the progress rule and the skeleton of its key and value walks.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "registry/reg_key_ex.h"
#include "scan/purvex_observer.h"

namespace NSTorvane {

// trunc(value) toward zero: the last step of every percent formula.
int32_t TruncPercent(double value);
// Pass i (from 0) of n passes: trunc((i + 1) * 100 / n).
int32_t PassPercent(uint32_t i, uint32_t n);
// Pass i of n inside key k (from 0) of K keys walked in turn:
// trunc(100 k / K) + trunc(100 (i + 1) / (n K)).
int32_t KeyOfKeysPercent(uint32_t k, uint32_t keyCount, uint32_t i, uint32_t n);

// The percent a walk reports at the head of pass i of n; an empty function
// reports nothing.
using PercentOfPass = std::function<int32_t(uint32_t i, uint32_t n)>;
PercentOfPass EachPass();
PercentOfPass KeyOfKeys(uint32_t k, uint32_t keyCount);
inline PercentOfPass NoProgress() { return {}; }

// "path\name", the backslash added only when path does not end with one.
std::wstring ItemPath(const std::wstring& path, const std::wstring& name);

// The last percent sent by any scanner of the process (-1 before the first).
// Process-wide and never reset; read-only for observers and tests.
int32_t LastReportedPercent();

// Whether a subkey walk sends OnScanItem(key path + "\" + name) itself.
enum class ItemText { kSubKeyPath, kNone };

// One value read by WalkValues; data is valid during the visit only.
struct RegValue {
  const std::wstring& name;
  uint32_t type;
  const uint8_t* data;
  uint32_t size;
  // The data as text up to its first zero unit.
  std::wstring Text() const;
};

class CPurvexImpl {
 public:
  explicit CPurvexImpl(platform::Platform& p);
  virtual ~CPurvexImpl();
  CPurvexImpl(const CPurvexImpl&) = delete;
  CPurvexImpl& operator=(const CPurvexImpl&) = delete;

  // Runs on the scan thread; the base only clears cancel.
  virtual void Scan();

  void ReportProblem(int32_t problemType, const std::wstring& data, const std::wstring& keyPath,
                     const std::wstring& valueName);
  // Sends percent when it differs from the process-wide last percent.
  void ReportProgress(int32_t percent);
  void SendScanItem(const std::wstring& text);

  // The engine's stop flag. Cancelled() sees it even after Scan has cleared
  // cancel, so a stop that lands while the scanner starts is not lost.
  void SetStopSource(const std::atomic<int32_t>* stop) { stopSource_ = stop; }
  bool Cancelled() const;
  platform::Platform& GetPlatform() const { return platform_; }

  std::atomic<bool> cancel{false};
  bool isWow64 = false;
  IPurvexObserver* observer = nullptr;

 protected:
  // Opens a key whose values the scanner walks, and on success sends its
  // path once as the scan item.
  bool OpenForValueWalk(NSRegKeyEx::CRegKeyEx& key, const std::wstring& path);

  // Subkeys 0 .. subKeyCount - 1 of an open key: at the head of each pass
  // stop when cancelled and report the pass's percent; names that cannot be
  // read are passed over; visit(name) for the others.
  template <class Visit>
  void WalkSubKeys(NSRegKeyEx::CRegKeyEx& key, const PercentOfPass& percent, Visit&& visit,
                   ItemText item = ItemText::kSubKeyPath) {
    std::wstring name;
    const uint32_t n = key.subKeyCount;
    for (uint32_t i = 0; i < n; ++i) {
      if (!BeginPass(percent, i, n)) break;
      if (!key.EnumSubKey(i, name)) continue;
      if (item == ItemText::kSubKeyPath) SendScanItem(ItemPath(key.GetPath(), name));
      visit(static_cast<const std::wstring&>(name));
    }
  }

  // Value names 0 .. valueCount - 1, as WalkSubKeys; visit(name).
  template <class Visit>
  void WalkValueNames(NSRegKeyEx::CRegKeyEx& key, const PercentOfPass& percent, Visit&& visit) {
    std::wstring name;
    const uint32_t n = key.valueCount;
    for (uint32_t i = 0; i < n; ++i) {
      if (!BeginPass(percent, i, n)) break;
      if (!key.EnumValueName(i, name)) continue;
      visit(static_cast<const std::wstring&>(name));
    }
  }

  // Names, types and data of the values, read into one buffer of the key's
  // valueDataMax bytes; a value that does not fit is passed over.
  template <class Visit>
  void WalkValues(NSRegKeyEx::CRegKeyEx& key, const PercentOfPass& percent, Visit&& visit) {
    std::vector<uint8_t> data(key.valueDataMax < 2 ? 2 : key.valueDataMax);
    std::wstring name;
    const uint32_t n = key.valueCount;
    for (uint32_t i = 0; i < n; ++i) {
      if (!BeginPass(percent, i, n)) break;
      uint32_t type = 0;
      uint32_t size = static_cast<uint32_t>(data.size());
      if (!key.EnumValue(i, name, &type, data.data(), &size)) continue;
      visit(RegValue{name, type, data.data(), size});
    }
  }

 private:
  // False when cancelled; otherwise reports the pass's percent.
  bool BeginPass(const PercentOfPass& percent, uint32_t i, uint32_t n);

  platform::Platform& platform_;
  const std::atomic<int32_t>* stopSource_ = nullptr;
};

}  // namespace NSTorvane
