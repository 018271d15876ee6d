// Helpers of the scan tests: an observer that records every call as a line
// of text, and a scanner whose Scan is a function of the test.
#pragma once
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/text.h"
#include "scan/purvex_impl.h"
#include "scan/purvex_observer.h"

namespace scan_test {

// The recorder's line for one problem.
inline std::string ProblemLine(int32_t type, const std::wstring& data, const std::wstring& key,
                               const std::wstring& value) {
  return "problem " + std::to_string(type) + "|" + platform::ToUtf8(data) + "|" +
         platform::ToUtf8(key) + "|" + platform::ToUtf8(value);
}

// Lines: "scan+", "scan-", "cat+ID", "cat-ID", "pct N", "item TEXT",
// "problem TYPE|DATA|KEY|VALUE", and whatever a test adds with Note.
class RecordingObserver : public IPurvexObserver {
 public:
  virtual ~RecordingObserver() = default;
  int32_t OnCategoryBegin(int32_t c) override { return Note("cat+" + std::to_string(c)); }
  int32_t OnCategoryEnd(int32_t c) override { return Note("cat-" + std::to_string(c)); }
  int32_t OnScanProgress(int32_t p) override { return Note("pct " + std::to_string(p)); }
  int32_t OnProblemFound(int32_t type, const std::wstring& data, const std::wstring& key,
                         const std::wstring& value) override {
    return Note(ProblemLine(type, data, key, value));
  }
  int32_t OnScanItem(const std::wstring& text) override {
    return Note("item " + platform::ToUtf8(text));
  }
  int32_t OnScanBegin() override { return Note("scan+"); }
  int32_t OnScanEnd() override { return Note("scan-"); }

  int32_t Note(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.push_back(line);
    return 0;
  }
  std::vector<std::string> Lines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
  }
  // The lines that start with the prefix.
  std::vector<std::string> Only(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& l : Lines())
      if (l.rfind(prefix, 0) == 0) out.push_back(l);
    return out;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

// A scanner whose Scan runs the test's function (after the base clears
// cancel); its destruction is noted on the observer given.
class FnScanner : public NSTorvane::CPurvexImpl {
 public:
  using Body = std::function<void(FnScanner&)>;
  FnScanner(platform::Platform& p, Body body, RecordingObserver* notes = nullptr,
            std::string name = {})
      : CPurvexImpl(p), body_(std::move(body)), notes_(notes), name_(std::move(name)) {}
  ~FnScanner() override {
    if (notes_) notes_->Note("~" + name_);
  }
  void Scan() override {
    CPurvexImpl::Scan();
    if (body_) body_(*this);
  }

  // The skeleton, opened up for tests.
  using CPurvexImpl::OpenForValueWalk;
  using CPurvexImpl::WalkSubKeys;
  using CPurvexImpl::WalkValueNames;
  using CPurvexImpl::WalkValues;

 private:
  Body body_;
  RecordingObserver* notes_;
  std::string name_;
};

}  // namespace scan_test
