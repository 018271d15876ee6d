// Starting the product's programs from a test and cleaning up after them:
// every wait is bounded and every process a test started is ended.
#pragma once
#include <windows.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

namespace testsupport {

inline constexpr DWORD kStartTimeoutMs = 60000;  // a cold Wine prefix is slow
inline constexpr DWORD kExitTimeoutMs = 30000;

// A build folder path (a Unix path under Wine) as Windows sees it.
inline std::wstring WindowsPath(const char* path) {
  std::wstring out;
  if (path[0] == '/') out = L"Z:";
  for (const char* p = path; *p; ++p) out += (*p == '/') ? L'\\' : static_cast<wchar_t>(*p);
  if (out.back() != L'\\') out += L'\\';
  return out;
}

// A started process; ended and waited for when the object goes.
class Process {
 public:
  Process() = default;
  explicit Process(HANDLE process) : process_(process) {}
  ~Process() { Kill(); }
  Process(Process&& other) noexcept : process_(other.process_) { other.process_ = nullptr; }
  Process& operator=(Process&& other) noexcept {
    if (this != &other) {
      Kill();
      process_ = other.process_;
      other.process_ = nullptr;
    }
    return *this;
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  bool Started() const { return process_ != nullptr; }
  bool WaitForExit(DWORD timeoutMs = kExitTimeoutMs) const {
    return process_ != nullptr && WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0;
  }
  DWORD ExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (process_ != nullptr) GetExitCodeProcess(process_, &code);
    return code;
  }
  void Kill() {
    if (process_ == nullptr) return;
    if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) {
      TerminateProcess(process_, 99);
      WaitForSingleObject(process_, 10000);
    }
    CloseHandle(process_);
    process_ = nullptr;
  }

 private:
  HANDLE process_ = nullptr;
};

// CreateProcessW of "\"program\" arguments".
inline Process Start(const std::wstring& program, const std::wstring& arguments = L"",
                     const std::wstring& folder = L"") {
  std::wstring text = L"\"" + program + L"\"";
  if (!arguments.empty()) text += L" " + arguments;
  std::vector<wchar_t> commandLine(text.begin(), text.end());
  commandLine.push_back(L'\0');
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup, &info))
    return Process();
  CloseHandle(info.hThread);
  return Process(info.hProcess);
}

// Polls until the condition holds or the time is up.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs = kStartTimeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(50);
  }
}

inline HWND WaitForWindow(const wchar_t* title, DWORD timeoutMs = kStartTimeoutMs) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindWindowW(nullptr, title)) != nullptr; }, timeoutMs);
  return found;
}

struct WindowSearch {
  const wchar_t* title;
  int count;
};

inline BOOL CALLBACK CountTitle(HWND window, LPARAM param) {
  auto* s = reinterpret_cast<WindowSearch*>(param);
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  if (lstrcmpW(text, s->title) == 0) ++s->count;
  return TRUE;
}

inline int CountTopLevelWindows(const wchar_t* title) {
  WindowSearch search{title, 0};
  EnumWindows(&CountTitle, reinterpret_cast<LPARAM>(&search));
  return search.count;
}

// Ends the processes that own windows with this title (left by a test).
inline void EndWindowOwners(const wchar_t* title) {
  for (int i = 0; i < 20; ++i) {
    HWND window = FindWindowW(nullptr, title);
    if (window == nullptr) return;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (process == nullptr) return;
    TerminateProcess(process, 99);
    WaitForSingleObject(process, 10000);
    CloseHandle(process);
    WaitUntil([&] { return !IsWindow(window); }, 5000);
  }
}

// Ends every process of this executable name (not the caller).
inline void EndProcessesNamed(const wchar_t* exeName) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
    if (lstrcmpiW(entry.szExeFile, exeName) != 0 || entry.th32ProcessID == GetCurrentProcessId())
      continue;
    if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID)) {
      TerminateProcess(process, 99);
      WaitForSingleObject(process, 10000);
      CloseHandle(process);
    }
  }
  CloseHandle(snapshot);
}

// A fresh folder under the temporary folder, removed with its files.
class TempFolder {
 public:
  explicit TempFolder(const wchar_t* prefix) {
    wchar_t base[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, base);
    for (unsigned n = GetTickCount();; ++n) {
      path_ = std::wstring(base) + prefix + std::to_wstring(GetCurrentProcessId()) + L"_" +
              std::to_wstring(n) + L"\\";
      if (CreateDirectoryW(path_.c_str(), nullptr)) break;
    }
  }
  ~TempFolder() { Remove(path_); }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::wstring& Path() const { return path_; }

 private:
  static void Remove(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) Remove(folder + name + L"\\");
        else DeleteFileW((folder + name).c_str());
      } while (FindNextFileW(find, &data));
      FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
  }
  std::wstring path_;
};

inline std::vector<std::wstring> FilesMatching(const std::wstring& pattern) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return names;
}

inline bool FileExists(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace testsupport
