#include "modules/config/settings_file_store.h"

#include <algorithm>
#include <cwchar>
#include <vector>

#include "platform/text.h"
#include "platform/win32/handles.h"
#include "platform/win32/windows_api.h"

namespace config {

using platform::win32::UniqueHandle;

namespace {
inline constexpr DWORD kLockTimeoutMs = 10000;

// Holds the named mutex for one read-modify-write.
class ProfileLock {
 public:
  explicit ProfileLock(const std::wstring& name)
      : mutex_(CreateMutexW(nullptr, FALSE, name.c_str())) {
    if (!mutex_.Valid()) return;
    const DWORD r = WaitForSingleObject(mutex_.Get(), kLockTimeoutMs);
    held_ = r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
  }
  ~ProfileLock() {
    if (held_) ReleaseMutex(mutex_.Get());
  }
  ProfileLock(const ProfileLock&) = delete;
  ProfileLock& operator=(const ProfileLock&) = delete;
  bool Held() const { return held_; }

 private:
  UniqueHandle mutex_;
  bool held_ = false;
};

void CreateFolders(const std::wstring& file) {
  for (size_t slash = file.find(L'\\', 3); slash != std::wstring::npos;
       slash = file.find(L'\\', slash + 1))
    CreateDirectoryW(file.substr(0, slash).c_str(), nullptr);
}

bool WriteAll(HANDLE file, const std::vector<uint8_t>& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
    if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0)
      return false;
    done += written;
  }
  return true;
}
}  // namespace

SettingsFileStore::SettingsFileStore(std::wstring path) : path_(std::move(path)) {
  // One lock per file; backslashes are not allowed in kernel object names.
  std::wstring tail = platform::Upcase(path_);
  for (wchar_t& c : tail) {
    if (c == L'\\') c = L'/';
  }
  mutexName_ = L"Local\\QuorvelLumoraSettings-" + tail;
}

std::wstring SettingsFileStore::DefaultPath() {
  wchar_t folder[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder)))
    return {};
  return std::wstring(folder) + L"\\Quorvel\\Lumora\\Settings.ini";
}

bool SettingsFileStore::Load(IniDocument* doc) {
  UniqueHandle file(CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) {
    const DWORD error = GetLastError();
    *doc = IniDocument::Parse({}, IniDocument::Values::kEscaped);
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  std::vector<uint8_t> bytes;
  uint8_t chunk[16384];
  DWORD got = 0;
  while (ReadFile(file.Get(), chunk, sizeof chunk, &got, nullptr)) {
    if (got == 0) {
      *doc = IniDocument::Parse(bytes, IniDocument::Values::kEscaped);
      return true;
    }
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  return false;
}

bool SettingsFileStore::Save(const IniDocument& doc) {
  CreateFolders(path_);
  const std::wstring temp = platform::Format(L"%ls.%lu-%lu.tmp", path_.c_str(),
                                             GetCurrentProcessId(), GetCurrentThreadId());
  {
    UniqueHandle file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return false;
    if (!WriteAll(file.Get(), doc.Serialize()) || !FlushFileBuffers(file.Get())) {
      file.Reset();
      DeleteFileW(temp.c_str());
      return false;
    }
  }
  if (!MoveFileExW(temp.c_str(), path_.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(temp.c_str());
    return false;
  }
  return true;
}

bool SettingsFileStore::Read(const std::wstring& section, const std::wstring& key,
                             std::wstring* value, bool* found) {
  value->clear();
  *found = false;
  ProfileLock lock(mutexName_);
  IniDocument doc;
  if (!lock.Held() || !Load(&doc)) return false;
  if (auto stored = doc.Get(section, key)) {
    *value = *stored;
    *found = true;
  }
  return true;
}

bool SettingsFileStore::Write(const std::wstring& section, const std::wstring& key,
                              const std::wstring& value) {
  ProfileLock lock(mutexName_);
  IniDocument doc;
  // An unreadable file is not replaced by one that would lose its settings.
  if (!lock.Held() || !Load(&doc)) return false;
  doc.Set(section, key, value);
  return Save(doc);
}

int32_t SettingsFileStore::GetInt(const wchar_t* section, const wchar_t* key,
                                  int32_t defaultValue) {
  std::wstring text;
  bool found = false;
  if (section == nullptr || key == nullptr || !Read(section, key, &text, &found) || !found)
    return defaultValue;
  wchar_t* end = nullptr;
  const long long value = std::wcstoll(text.c_str(), &end, 10);
  if (end == text.c_str() || value < INT32_MIN || value > INT32_MAX) return defaultValue;
  return static_cast<int32_t>(value);
}

bool SettingsFileStore::SetInt(const wchar_t* section, const wchar_t* key, int32_t value) {
  if (section == nullptr || key == nullptr) return false;
  return Write(section, key, platform::Format(L"%d", static_cast<int>(value)));
}

size_t SettingsFileStore::GetString(const wchar_t* section, const wchar_t* key, wchar_t* buffer,
                                    size_t capacity) {
  if (buffer != nullptr && capacity > 0) buffer[0] = L'\0';
  std::wstring text;
  bool found = false;
  if (section == nullptr || key == nullptr || !Read(section, key, &text, &found)) return 0;
  const size_t needed = text.size() + 1;
  if (buffer != nullptr && needed <= capacity) std::wmemcpy(buffer, text.c_str(), needed);
  return needed;
}

bool SettingsFileStore::SetString(const wchar_t* section, const wchar_t* key,
                                  const std::wstring& text) {
  if (section == nullptr || key == nullptr) return false;
  return Write(section, key, text);
}

}  // namespace config
