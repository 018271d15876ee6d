// Shared pieces of the repair tests: a recording observer, registry
// snapshots and a memory platform with a fixed clock.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/memory/memory_platform.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "platform/win32_constants.h"
#include "repair/backup_store.h"
#include "repair/reg_repair_eng.h"
#include "repair/reg_restore_eng.h"
#include "scan/scan_types.h"
#include "support/observing_registry.h"

namespace repair_test {

inline constexpr uint32_t kPatienceMs = 20000;
// 2012-09-07 15:30:12 UTC (local time equals UTC on the memory platform).
inline constexpr int64_t kClock = 1347031812;
inline constexpr wchar_t kStamp[] = L"20120907153012";
inline constexpr wchar_t kFolder[] = L"C:\\ProgramData\\Quorvel\\Lumora\\Backup\\Purvex";

// The common application data folder, as Windows always has it.
inline void AddProgramData(platform::memory::MemoryPlatform& m) {
  m.files.AddFolder(L"C:\\ProgramData");
}

inline std::string Narrow(const std::wstring& text) { return platform::ToUtf8(text); }

// Every report as one line: "begin", "cat+ 4", "progress 12", "ok 4 PATH",
// "fail 4 PATH", "cat- 4", "end". A hook sees each line as it arrives, on
// the repair thread.
class RecordingObserver : public repair::IRegRepairObserver {
 public:
  std::function<void(const std::string& event)> hook;

  void OnRepairCategoryBegin(int32_t c) override { Add("cat+ " + std::to_string(c)); }
  void OnRepairCategoryEnd(int32_t c) override { Add("cat- " + std::to_string(c)); }
  void OnRepairProgress(int32_t percent) override { Add("progress " + std::to_string(percent)); }
  void OnItemRepaired(int32_t c, int32_t count, const std::wstring& path) override {
    Add("ok " + std::to_string(c) + " " + std::to_string(count) + " " + Narrow(path));
  }
  void OnItemRepairFailed(int32_t c, int32_t count, const std::wstring& path) override {
    Add("fail " + std::to_string(c) + " " + std::to_string(count) + " " + Narrow(path));
  }
  void OnRepairBegin() override { Add("begin"); }
  void OnRepairEnd() override { Add("end"); }

  std::vector<std::string> Events() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
  }
  // The events that start with the prefix, in order.
  std::vector<std::string> Matching(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& e : Events())
      if (e.compare(0, prefix.size(), prefix) == 0) out.push_back(e);
    return out;
  }

 private:
  void Add(std::string event) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      events_.push_back(event);
    }
    if (hook) hook(event);
  }

  mutable std::mutex mutex_;
  std::vector<std::string> events_;
};

using test_support::ObservingRegistry;

// Forwards to another file system and counts, over all files it opened for
// appending, the bytes appended since their last successful Flush: zero
// means everything written so far has been pushed to the disk.
class FlushTrackingFiles : public platform::IFileSystem {
 public:
  explicit FlushTrackingFiles(platform::IFileSystem& inner) : inner_(inner) {}

  size_t Unflushed() const { return unflushed_; }

  bool PathExists(const std::wstring& p) override { return inner_.PathExists(p); }
  uint32_t GetAttributes(const std::wstring& p) override { return inner_.GetAttributes(p); }
  bool CreateFolder(const std::wstring& p, int32_t* e) override { return inner_.CreateFolder(p, e); }
  bool DeleteFile(const std::wstring& p, int32_t* e) override { return inner_.DeleteFile(p, e); }
  bool MoveFile(const std::wstring& f, const std::wstring& t, int32_t* e) override {
    return inner_.MoveFile(f, t, e);
  }
  std::vector<platform::FileEntry> ListFolder(const std::wstring& p) override {
    return inner_.ListFolder(p);
  }
  bool ReadWholeFile(const std::wstring& p, std::vector<uint8_t>* b, int32_t* e) override {
    return inner_.ReadWholeFile(p, b, e);
  }
  bool WriteWholeFile(const std::wstring& p, const void* b, size_t n, int32_t* e) override {
    return inner_.WriteWholeFile(p, b, n, e);
  }
  std::unique_ptr<platform::IAppendFile> OpenForAppend(const std::wstring& p,
                                                       int32_t* e) override {
    std::unique_ptr<platform::IAppendFile> file = inner_.OpenForAppend(p, e);
    if (!file) return nullptr;
    return std::make_unique<File>(std::move(file), unflushed_);
  }
  bool DisableRedirection(void** previous) override { return inner_.DisableRedirection(previous); }
  void RevertRedirection(void* previous) override { inner_.RevertRedirection(previous); }

 private:
  class File : public platform::IAppendFile {
   public:
    File(std::unique_ptr<platform::IAppendFile> inner, size_t& unflushed)
        : inner_(std::move(inner)), unflushed_(unflushed) {}
    uint64_t Size() const override { return inner_->Size(); }
    bool Append(const void* bytes, size_t count) override {
      if (!inner_->Append(bytes, count)) return false;
      unflushed_ += count;
      return true;
    }
    bool Flush() override {
      if (!inner_->Flush()) return false;
      unflushed_ = 0;
      return true;
    }

   private:
    std::unique_ptr<platform::IAppendFile> inner_;
    size_t& unflushed_;
  };

  platform::IFileSystem& inner_;
  size_t unflushed_ = 0;
};

// A whole registry subtree: upper-cased key path -> upper-cased value name
// -> (type, bytes). Equal snapshots mean value for value the same state.
struct SnapValue {
  uint32_t type = 0;
  std::vector<uint8_t> bytes;
  bool operator==(const SnapValue&) const = default;
};
using Snapshot = std::map<std::wstring, std::map<std::wstring, SnapValue>>;

inline void SnapKey(platform::IRegistry& r, platform::HKey root, const std::wstring& sub,
                    Snapshot& out) {
  platform::HKey key = 0;
  if (r.OpenKey(root, sub, 0, platform::kKeyRead, &key) != 0) return;
  auto& values = out[platform::Upcase(sub)];
  std::vector<std::wstring> children;
  for (uint32_t i = 0;; ++i) {
    wchar_t name[16384];
    uint32_t chars = 16384, type = 0, size = 0;
    if (r.EnumValue(key, i, name, &chars, &type, nullptr, &size) != 0) break;
    std::vector<uint8_t> data(size + 2);
    uint32_t got = size + 2;
    r.QueryValue(key, name, &type, data.data(), &got);
    data.resize(got);
    values[platform::Upcase(std::wstring(name, chars))] = SnapValue{type, data};
  }
  for (uint32_t i = 0;; ++i) {
    wchar_t name[512];
    uint32_t chars = 512;
    if (r.EnumKey(key, i, name, &chars) != 0) break;
    children.emplace_back(name, chars);
  }
  r.CloseKey(key);
  for (const auto& child : children) SnapKey(r, root, sub + L"\\" + child, out);
}

inline Snapshot Snap(platform::IRegistry& r, platform::HKey root, const std::wstring& sub) {
  Snapshot out;
  SnapKey(r, root, sub, out);
  return out;
}

inline std::string DescribeDiff(const Snapshot& want, const Snapshot& got) {
  std::string diff;
  for (const auto& [key, values] : want) {
    auto it = got.find(key);
    if (it == got.end()) {
      diff += "missing key " + Narrow(key) + "\n";
      continue;
    }
    for (const auto& [name, v] : values) {
      auto vt = it->second.find(name);
      if (vt == it->second.end()) diff += "missing value " + Narrow(key + L"\\" + name) + "\n";
      else if (!(vt->second == v)) diff += "changed value " + Narrow(key + L"\\" + name) + "\n";
    }
    for (const auto& [name, v] : it->second)
      if (!values.count(name)) diff += "extra value " + Narrow(key + L"\\" + name) + "\n";
  }
  for (const auto& [key, values] : got)
    if (!want.count(key)) diff += "extra key " + Narrow(key) + "\n";
  return diff;
}

// UTF-16LE file bytes (byte order mark included) as text.
inline std::wstring FileText(const std::vector<uint8_t>& bytes) {
  return platform::FromUtf16Bytes(bytes.data(), bytes.size());
}

inline SRegProblemItem Value(const std::wstring& key, const std::wstring& name) {
  SRegProblemItem item;
  item.keyPath = key;
  item.valueName = name;
  return item;
}
inline SRegProblemItem WholeKey(const std::wstring& key) { return Value(key, kWholeKey); }

class RepairFixture : public testing::Test {
 protected:
  RepairFixture() {
    m.system.SetNow(kClock);
    AddProgramData(m);
  }

  // Runs the engine to its end over the given platform.
  repair::RepairSummary Repair(const SRegScanDetail& detail,
                               const std::vector<std::wstring>& skip = {}) {
    return RepairOn(m.view, detail, skip);
  }
  repair::RepairSummary RepairOn(platform::Platform& p, const SRegScanDetail& detail,
                                 const std::vector<std::wstring>& skip = {}) {
    repair::CRegRepairEng eng(p);
    EXPECT_TRUE(eng.Start(&detail, skip, &observer));
    eng.Resume();
    EXPECT_TRUE(eng.Wait(kPatienceMs));
    return eng.LastRun();
  }
  std::vector<std::wstring> Backups() {
    return repair::ListRegFiles(m.files, kFolder);
  }
  std::wstring BackupText(const std::wstring& name) {
    auto bytes = m.files.Contents(std::wstring(kFolder) + L"\\" + name);
    return bytes ? FileText(*bytes) : std::wstring(L"<missing>");
  }

  platform::memory::MemoryPlatform m;
  RecordingObserver observer;
};

}  // namespace repair_test
