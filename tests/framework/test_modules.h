// Test modules and a library loader that hands out test libraries by path,
// recording every lifecycle call in one shared log.
#pragma once
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "framework/library_loader.h"
#include "framework/module_base.h"
#include "framework/soft_bus.h"
#include "platform/memory/memory_platform.h"

namespace framework::testing {

using Log = std::vector<std::string>;

// A module that logs its lifecycle and answers with configurable codes.
class LoggingModule : public CHalcynAppModuleBase {
 public:
  LoggingModule(Log& log, std::string name) : log_(log), name_(std::move(name)) {}

  HResult initResult = kOk;
  HResult setBusResult = kOk;
  std::function<void()> onInitialize;

  HResult LUMORA_COM SetBus(IHalcynSoftBus* bus) override {
    if (Failed(setBusResult)) return setBusResult;
    return CHalcynAppModuleBase::SetBus(bus);
  }
  HResult LUMORA_COM Initialize() override {
    log_.push_back("init " + name_);
    if (onInitialize) onInitialize();
    return initResult;
  }
  HResult LUMORA_COM Uninitialize() override {
    log_.push_back("uninit " + name_);
    return kOk;
  }
  uint32_t LUMORA_COM Release() override {
    log_.push_back("release " + name_);
    return CHalcynAppModuleBase::Release();
  }
  const std::string& Name() const { return name_; }

 private:
  Log& log_;
  std::string name_;
};

// A library's root object that offers modules through IModuleProvider.
class ProviderRoot : public LoggingModule, public IModuleProvider {
 public:
  struct Offer {
    Guid id;
    std::string name;
    bool createFails = false;
    HResult setBusResult = kOk;
  };

  ProviderRoot(Log& log, std::string name, std::vector<Offer> offers)
      : LoggingModule(log, std::move(name)), log_(log), offers_(std::move(offers)) {}

  HResult LUMORA_COM QueryInterface(const Guid& iid, void** out) override {
    if (iid == kIID_IModuleProvider) {
      *out = static_cast<IModuleProvider*>(this);
      return kOk;
    }
    return LoggingModule::QueryInterface(iid, out);
  }
  HResult LUMORA_COM CreateModule(Guid id, IHalcynAppModule** out) override {
    for (const Offer& offer : offers_) {
      if (offer.id == id) {
        if (offer.createFails) return kFail;
        auto* module = new LoggingModule(log_, offer.name);
        module->setBusResult = offer.setBusResult;
        *out = module;
        return kOk;
      }
    }
    return kInvalidArg;
  }
  HResult LUMORA_COM ReservedProvider() override { return kNotImpl; }
  HResult LUMORA_COM GetModuleIds(Guid* ids, uint32_t* count) override {
    uint32_t n = 0;
    for (; n < offers_.size() && n < *count; ++n) ids[n] = offers_[n].id;
    *count = n;
    return kOk;
  }

 private:
  Log& log_;
  std::vector<Offer> offers_;
};

// Libraries by path. Each library makes its root object when its export is
// called; a library without a root factory has no export 1.
class TestLibraries : public ILibraryLoader {
 public:
  using RootFactory = std::function<IHalcynAppModule*()>;

  explicit TestLibraries(Log& log) : log_(log) {}

  void Add(const std::wstring& path, std::string name, RootFactory root) {
    libraries_[path] = Library{std::move(name), std::move(root)};
  }

  LibraryHandle Load(const std::wstring& path) override {
    auto found = libraries_.find(path);
    if (found == libraries_.end()) return nullptr;
    log_.push_back("load " + found->second.name);
    ++loaded_;
    return &found->second;
  }
  RootObjectExport FindRootObjectExport(LibraryHandle library) override {
    auto* lib = static_cast<Library*>(library);
    if (!lib->root) return nullptr;
    pending_ = &lib->root;
    return &CallPending;
  }
  void Free(LibraryHandle library) override {
    log_.push_back("free " + static_cast<Library*>(library)->name);
    --loaded_;
  }
  int Loaded() const { return loaded_; }

 private:
  struct Library {
    std::string name;
    RootFactory root;
  };
  // The export is a plain function; it calls the factory of the library
  // whose export was looked up last (LoadSiblingModule calls it at once).
  static IHalcynAppModule* CallPending() { return (*pending_)(); }
  static inline RootFactory* pending_ = nullptr;

  Log& log_;
  std::map<std::wstring, Library> libraries_;
  int loaded_ = 0;
};

inline constexpr Guid kIdA = MakeGuid("00000000-0000-0000-0000-00000000000A");
inline constexpr Guid kIdB = MakeGuid("00000000-0000-0000-0000-00000000000B");
inline constexpr Guid kIdC = MakeGuid("00000000-0000-0000-0000-00000000000C");

// A bus over the in-memory platform whose libraries come from the test loader.
class BusTest : public ::testing::Test {
 protected:
  platform::memory::MemoryPlatform mem;
  Log log;
  TestLibraries libraries{log};
  ReleasePtr<CHalcynSoftBus> bus{new CHalcynSoftBus(mem.view, &libraries)};
};

}  // namespace framework::testing
