// The module framework's interfaces, ids and status codes. The interfaces are
// COM-like (query, add reference, release first; 32-bit status codes,
// negative = failure) and cross library boundaries, so their operations keep
// this declaration order and the COM calling convention.
#pragma once
#include <cstdint>
#include <memory>

#include "framework/guid.h"

#if defined(_WIN32) && defined(__i386__)
#define LUMORA_COM __stdcall
#else
#define LUMORA_COM
#endif

namespace framework {

// Status codes (the Windows E_* values).
using HResult = int32_t;
inline constexpr HResult kOk = 0;
inline constexpr HResult kNotImpl = static_cast<HResult>(0x80004001);      // E_NOTIMPL
inline constexpr HResult kNoInterface = static_cast<HResult>(0x80004002);  // E_NOINTERFACE
inline constexpr HResult kPointer = static_cast<HResult>(0x80004003);      // E_POINTER
inline constexpr HResult kFail = static_cast<HResult>(0x80004005);         // E_FAIL
inline constexpr HResult kUnexpected = static_cast<HResult>(0x8000FFFF);   // E_UNEXPECTED
inline constexpr HResult kInvalidArg = static_cast<HResult>(0x80070057);   // E_INVALIDARG

inline constexpr bool Succeeded(HResult hr) { return hr >= 0; }
inline constexpr bool Failed(HResult hr) { return hr < 0; }

// A loaded library (HMODULE) and a window (HWND), opaque to the portable core.
using LibraryHandle = void*;
using WindowHandle = void*;

// Module ids.
inline constexpr Guid kVersionInfoModuleId = MakeGuid("4DF72980-79F4-42DB-B65C-C95D07B79FD9");
inline constexpr Guid kConfigModuleId = MakeGuid("70E5F067-15F7-49FA-90A3-01081AAB116B");
inline constexpr Guid kUiModuleId = MakeGuid("6EA5A959-E4BD-4D88-9F72-5D6843B026AF");

// Interface ids.
inline constexpr Guid kIID_IModuleProvider = MakeGuid("9C0E3A2A-A480-4319-89A3-826F055F5B28");
inline constexpr Guid kIID_IHalcynSoftBus = MakeGuid("E437B596-8124-4358-AF87-70C4F9ED394B");
inline constexpr Guid kIID_IHalcynAppModuleUICtrl =
    MakeGuid("525F9D75-0264-46B1-B930-73D329DA8516");
inline constexpr Guid kIID_ICommandExecutive = MakeGuid("B8C43BEB-494A-4416-96FF-F9AB3AD49A76");
inline constexpr Guid kIID_IUIOperation = MakeGuid("E38735FB-C1F3-4B66-A274-007A61D8692A");

class IHalcynAppModule;

class IHalcynSoftBus {
 public:
  virtual HResult LUMORA_COM QueryInterface(const Guid& iid, void** out) = 0;
  virtual uint32_t LUMORA_COM AddRef() = 0;
  // Destroys the bus: releases every module and unloads their libraries.
  virtual uint32_t LUMORA_COM Release() = 0;
  virtual HResult LUMORA_COM InitializeModules() = 0;
  virtual HResult LUMORA_COM UninitializeModules() = 0;
  // The bus owns the module once this succeeds.
  virtual HResult LUMORA_COM RegisterModule(const Guid& id, IHalcynAppModule* module,
                                            LibraryHandle library) = 0;
  // The first module registered under id; no reference is added.
  virtual HResult LUMORA_COM GetModule(const Guid& id, IHalcynAppModule** out) = 0;

 protected:
  virtual ~IHalcynSoftBus() = default;
};

class IHalcynAppModule {
 public:
  virtual HResult LUMORA_COM QueryInterface(const Guid& iid, void** out) = 0;
  virtual uint32_t LUMORA_COM AddRef() = 0;
  // Destroys the module.
  virtual uint32_t LUMORA_COM Release() = 0;
  virtual HResult LUMORA_COM SetBus(IHalcynSoftBus* bus) = 0;
  virtual HResult LUMORA_COM SetModuleId(const Guid* id) = 0;
  virtual HResult LUMORA_COM Initialize() = 0;
  virtual HResult LUMORA_COM Uninitialize() = 0;
  virtual int32_t LUMORA_COM Reserved(void* unused) = 0;

 protected:
  virtual ~IHalcynAppModule() = default;
};

// Asked of a sibling library's root object. No reference-count operations.
class IModuleProvider {
 public:
  virtual HResult LUMORA_COM CreateModule(Guid id, IHalcynAppModule** out) = 0;
  virtual HResult LUMORA_COM ReservedProvider() = 0;
  // On entry *count is the capacity of ids; on return the number filled.
  virtual HResult LUMORA_COM GetModuleIds(Guid* ids, uint32_t* count) = 0;

 protected:
  ~IModuleProvider() = default;
};

// The export with ordinal 1 of a sibling library (a C function): its root
// object, a new one on each call.
using RootObjectExport = IHalcynAppModule* (*)();

// Six 32-bit fields on the 32-bit product.
struct CommandParams {
  WindowHandle sourceWindow = nullptr;
  int32_t cursorX = 0;
  int32_t cursorY = 0;
  intptr_t value = 0;
  uintptr_t value2 = 0;
  int32_t kind = 0;
};

struct ViewRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// Notification codes of IHalcynAppModuleView.
inline constexpr int32_t kViewEventParentResized = 5;
inline constexpr int32_t kViewEventPreTranslate = 0x87D3;
inline constexpr uintptr_t kHostEventReloadSkin = 0x87D2;

class IHalcynAppModuleView {
 public:
  virtual intptr_t LUMORA_COM OnViewEvent(WindowHandle sender, int32_t code, uintptr_t wParam,
                                          intptr_t lParam) = 0;
  // name may be kHostEventReloadSkin in place of a pointer.
  virtual HResult LUMORA_COM OnHostEvent(void* sender, const wchar_t* name) = 0;
  virtual WindowHandle LUMORA_COM GetWindowHandle() = 0;
  virtual HResult LUMORA_COM GetViewName(wchar_t* buffer, uint32_t capacity) = 0;
  virtual HResult LUMORA_COM DestroyView() = 0;

 protected:
  ~IHalcynAppModuleView() = default;
};

class IHalcynAppModuleUICtrl {
 public:
  virtual HResult LUMORA_COM QueryInterface(const Guid& iid, void** out) = 0;
  virtual uint32_t LUMORA_COM AddRef() = 0;
  virtual uint32_t LUMORA_COM Release() = 0;
  virtual HResult LUMORA_COM CreateUI(const wchar_t* name, WindowHandle parent,
                                      const ViewRect* rect, const wchar_t* data,
                                      IHalcynAppModuleView** out) = 0;
  virtual HResult LUMORA_COM ReleaseView(IHalcynAppModuleView* view) = 0;
  virtual HResult LUMORA_COM NoOperation(void* first, void* second) = 0;
  virtual HResult LUMORA_COM RegisterView(IHalcynAppModuleView* view) = 0;
  virtual HResult LUMORA_COM UnregisterView(IHalcynAppModuleView* view) = 0;

 protected:
  ~IHalcynAppModuleUICtrl() = default;
};

// Kinds of GetCommandValue.
inline constexpr int32_t kCommandValueText = 2;

class ICommandExecutive {
 public:
  virtual HResult LUMORA_COM QueryInterface(const Guid& iid, void** out) = 0;
  virtual uint32_t LUMORA_COM AddRef() = 0;
  virtual uint32_t LUMORA_COM Release() = 0;
  virtual int32_t LUMORA_COM IsCommandEnabled(const wchar_t* name) = 0;
  // kind 2: a pointer to the command's text; otherwise its state.
  virtual intptr_t LUMORA_COM GetCommandValue(const wchar_t* name, int32_t kind) = 0;
  virtual HResult LUMORA_COM ExecuteCommand(const wchar_t* name, int32_t event,
                                            CommandParams* params) = 0;
  virtual HResult LUMORA_COM ReservedExecutive(void* a, void* b, void* c) = 0;
  virtual ~ICommandExecutive() = default;
  virtual void LUMORA_COM GetText(wchar_t* out, const wchar_t* name) = 0;
  virtual int32_t LUMORA_COM SetEnabled(const wchar_t* name, int32_t value, int32_t notify) = 0;
  virtual int32_t LUMORA_COM SetState(const wchar_t* name, int32_t value, int32_t notify) = 0;
  virtual int32_t LUMORA_COM SetText(const wchar_t* name, const wchar_t* text, int32_t notify) = 0;
  virtual int32_t LUMORA_COM FindCommand(const wchar_t* name) = 0;
};

class IUIOperation {
 public:
  // Re-reads the named command (every command when empty) into its control.
  virtual HResult LUMORA_COM UpdateUI(const wchar_t* name) = 0;
  virtual HResult LUMORA_COM ReservedOperation() = 0;
  virtual int32_t LUMORA_COM ReservedOperation2(void* unused) = 0;

 protected:
  ~IUIOperation() = default;
};

class IHalcynEventSink {
 public:
  virtual intptr_t LUMORA_COM OnEvent(int32_t code, intptr_t parameter, void* sender,
                                      void* data) = 0;

 protected:
  ~IHalcynEventSink() = default;
};

// Owns a module-framework object through its Release operation.
struct ReleaseDeleter {
  template <typename T>
  void operator()(T* object) const {
    if (object != nullptr) object->Release();
  }
};
template <typename T>
using ReleasePtr = std::unique_ptr<T, ReleaseDeleter>;

}  // namespace framework
