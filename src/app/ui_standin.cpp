#include "app/ui_standin.h"

#include <vector>

#include "app/command_line.h"
#include "app/tray_contract.h"
#include "platform/text.h"

namespace app {

namespace {
inline constexpr wchar_t kWindowClass[] = L"QuorvelLumoraMain";
inline constexpr wchar_t kDialogName[] = L"MainDlg";
inline constexpr int kGreetingId = 100;
inline constexpr int kStatusId = 101;
}  // namespace

CUiStandIn::~CUiStandIn() {
  if (window_ != nullptr) DestroyWindow(window_);
}

framework::HResult LUMORA_COM CUiStandIn::Initialize() {
  config_ = QueryModule<framework::IConfigApp>(framework::kConfigModuleId,
                                               framework::kIID_IConfigApp);
  language_ = QueryModule<framework::IConfigLanguage>(framework::kConfigModuleId,
                                                      framework::kIID_IConfigLanguage);
  if (config_ == nullptr || language_ == nullptr) return framework::kNoInterface;

  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &CUiStandIn::WindowProc;
  windowClass.hInstance = instance_;
  windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kWindowClass;
  RegisterClassExW(&windowClass);  // already registered on a second module: fine

  window_ = CreateWindowExW(WS_EX_APPWINDOW, kWindowClass, kMainWindowTitle,
                            WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 480, 200, nullptr,
                            nullptr, instance_, this);
  if (window_ == nullptr) return framework::kFail;
  language_->RegisterWindow(window_, kDialogName);
  CreateWindowExW(0, L"STATIC", Translate(L"Quorvel Lumora is ready.").c_str(),
                  WS_CHILD | WS_VISIBLE, 16, 16, 440, 24, window_,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kGreetingId)), instance_, nullptr);
  status_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 16, 48, 440, 24, window_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStatusId)), instance_,
                            nullptr);
  ShowWindow(window_, SW_SHOWNORMAL);
  UpdateWindow(window_);
  if (HasCommandLineSwitch(kSwitchSchedule)) ScheduledScanRequested();
  return framework::kOk;
}

framework::HResult LUMORA_COM CUiStandIn::Uninitialize() {
  if (window_ != nullptr && IsWindow(window_)) DestroyWindow(window_);
  window_ = nullptr;
  return framework::kOk;
}

std::wstring CUiStandIn::Translate(const wchar_t* text) {
  std::vector<wchar_t> buffer(text, text + std::wcslen(text) + 1);
  if (buffer.size() < 260) buffer.resize(260, L'\0');
  if (language_ != nullptr) language_->TranslateText(buffer.data(), kDialogName);
  return buffer.data();
}

void CUiStandIn::ScheduledScanRequested() {
  ++scanRequests_;
  const std::wstring status =
      platform::Format(L"%ls (%d)", Translate(L"Scheduled scan requested").c_str(), scanRequests_);
  SetWindowTextW(status_, status.c_str());
}

LRESULT CALLBACK CUiStandIn::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<CUiStandIn*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr || self->window_ != window) {
    if (message == WM_NCCREATE && self != nullptr) self->window_ = window;
    else return DefWindowProcW(window, message, wParam, lParam);
  }
  return self->Handle(message, wParam, lParam);
}

LRESULT CUiStandIn::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kMsgAutoRun:
      ScheduledScanRequested();
      return 1;
    case kMsgExitFromTray:
    case WM_CLOSE:
      DestroyWindow(window_);
      return 0;
    case WM_DESTROY:
      SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
      window_ = nullptr;
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window_, message, wParam, lParam);
  }
}

}  // namespace app
