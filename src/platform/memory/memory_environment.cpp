#include "platform/memory/memory_environment.h"

#include <mutex>

#include "platform/memory/memory_file_system.h"
#include "platform/path_strings.h"
#include "platform/text.h"
#include "platform/win32_constants.h"

namespace platform::memory {

namespace {


constexpr int kCsidlPersonal = 0x05;
constexpr int kCsidlLocalAppData = 0x1C;
constexpr int kCsidlProgramFiles = 0x26;
constexpr int kCsidlProfile = 0x28;

bool HasPathPart(const std::wstring& name) {
  return name.find_first_of(L"\\/") != std::wstring::npos ||
         (name.size() >= 2 && name[1] == L':');
}

std::wstring Combine(const std::wstring& folder, const std::wstring& name) {
  if (folder.empty()) return name;
  if (folder.back() == L'\\' || folder.back() == L'/') return folder + name;
  return folder + L"\\" + name;
}

std::wstring FolderOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace

struct MemoryEnvironment::Impl {
  explicit Impl(MemoryFileSystem& f) : files(f) {}

  MemoryFileSystem& files;
  mutable std::mutex mutex;
  std::map<std::wstring, std::pair<std::wstring, std::wstring>, NoCaseLess> variables;
  std::map<int, std::wstring> folders;
  std::wstring module = L"C:\\Program Files\\Quorvel\\Lumora\\Lumora.exe";
  std::wstring windows = L"C:\\Windows";
  std::wstring system = L"C:\\Windows\\system32";

  void Set(const std::wstring& name, const std::wstring& value) {
    variables[name] = {name, value};
  }
  const std::wstring* Find(const std::wstring& name) const {
    auto it = variables.find(name);
    return it == variables.end() ? nullptr : &it->second.second;
  }
};

MemoryEnvironment::MemoryEnvironment(MemoryFileSystem& files)
    : impl_(std::make_unique<Impl>(files)) {
  Impl& m = *impl_;
  m.Set(L"SystemRoot", L"C:\\Windows");
  m.Set(L"windir", L"C:\\Windows");
  m.Set(L"SystemDrive", L"C:");
  m.Set(L"Path", L"C:\\Windows\\system32;C:\\Windows;C:\\Windows\\System32\\Wbem");
  m.Set(L"ProgramFiles", L"C:\\Program Files");
  m.Set(L"CommonProgramFiles", L"C:\\Program Files\\Common Files");
  m.Set(L"ProgramData", L"C:\\ProgramData");
  m.Set(L"ALLUSERSPROFILE", L"C:\\ProgramData");
  m.Set(L"USERPROFILE", L"C:\\Users\\user");
  m.Set(L"APPDATA", L"C:\\Users\\user\\AppData\\Roaming");
  m.Set(L"LOCALAPPDATA", L"C:\\Users\\user\\AppData\\Local");
  m.Set(L"TEMP", L"C:\\Users\\user\\AppData\\Local\\Temp");
  m.Set(L"TMP", L"C:\\Users\\user\\AppData\\Local\\Temp");
  m.folders[kCsidlAppData] = L"C:\\Users\\user\\AppData\\Roaming";
  m.folders[kCsidlRecent] = L"C:\\Users\\user\\AppData\\Roaming\\Microsoft\\Windows\\Recent";
  m.folders[kCsidlFonts] = L"C:\\Windows\\Fonts";
  m.folders[kCsidlCommonAppData] = L"C:\\ProgramData";
  m.folders[kCsidlPersonal] = L"C:\\Users\\user\\Documents";
  m.folders[kCsidlLocalAppData] = L"C:\\Users\\user\\AppData\\Local";
  m.folders[kCsidlProgramFiles] = L"C:\\Program Files";
  m.folders[kCsidlProfile] = L"C:\\Users\\user";
}

MemoryEnvironment::~MemoryEnvironment() = default;

// As ExpandEnvironmentStringsW: "%NAME%" of a defined variable becomes its
// value; an undefined one is copied with both percent signs and scanning goes
// on after the second; a '%' with no closing one copies the rest as it is.
bool MemoryEnvironment::ExpandStrings(const std::wstring& text, std::wstring* expanded) {
  if (!expanded) return false;
  std::lock_guard<std::mutex> lock(impl_->mutex);
  std::wstring out;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] != L'%') {
      const size_t next = text.find(L'%', i);
      const size_t end = next == std::wstring::npos ? text.size() : next;
      out.append(text, i, end - i);
      i = end;
      continue;
    }
    const size_t close = text.find(L'%', i + 1);
    if (close == std::wstring::npos) {
      out.append(text, i, std::wstring::npos);
      break;
    }
    const std::wstring name = text.substr(i + 1, close - i - 1);
    const std::wstring* value = name.empty() ? nullptr : impl_->Find(name);
    if (value) out += *value; else out.append(text, i, close - i + 1);
    i = close + 1;
  }
  *expanded = std::move(out);
  return true;
}

bool MemoryEnvironment::GetVariable(const std::wstring& name, std::wstring* value) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  const std::wstring* v = impl_->Find(name);
  if (!v) return false;
  if (value) *value = *v;
  return true;
}

bool MemoryEnvironment::SearchPath(const std::wstring& fileName, std::wstring* found) {
  if (fileName.empty()) return false;
  std::vector<std::wstring> folders;
  {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    if (HasPathPart(fileName)) {
      folders.push_back(std::wstring());
    } else {
      folders = {FolderOf(impl_->module), impl_->system, impl_->windows,
                 impl_->files.CurrentFolder()};
      if (const std::wstring* path = impl_->Find(L"Path")) {
        size_t start = 0;
        while (start <= path->size()) {
          size_t end = path->find(L';', start);
          if (end == std::wstring::npos) end = path->size();
          if (end > start) folders.push_back(path->substr(start, end - start));
          start = end + 1;
        }
      }
    }
  }
  for (const auto& folder : folders) {
    const std::wstring candidate = Combine(folder, fileName);
    if (impl_->files.PathExists(candidate)) {
      if (found) *found = candidate;
      return true;
    }
  }
  return false;
}

bool MemoryEnvironment::GetSpecialFolder(int csidl, std::wstring* path) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  std::wstring result;
  auto it = impl_->folders.find(csidl);
  if (it != impl_->folders.end()) {
    result = it->second;
  } else if (csidl == kCsidlWindows) {
    result = impl_->windows;
  } else if (csidl == kCsidlSystem) {
    result = impl_->system;
  } else {
    return false;
  }
  if (path) *path = result;
  return true;
}

std::wstring MemoryEnvironment::GetModulePath() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->module;
}

std::wstring MemoryEnvironment::GetWindowsFolder() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->windows;
}

std::wstring MemoryEnvironment::PathGetArgs(const std::wstring& path) {
  return path_strings::GetArgs(path);
}
std::wstring MemoryEnvironment::PathRemoveArgs(const std::wstring& path) {
  return path_strings::RemoveArgs(path);
}
std::wstring MemoryEnvironment::PathUnquoteSpaces(const std::wstring& path) {
  return path_strings::UnquoteSpaces(path);
}
std::wstring MemoryEnvironment::PathRemoveFileSpec(const std::wstring& path) {
  return path_strings::RemoveFileSpec(path);
}
std::wstring MemoryEnvironment::PathAddBackslash(const std::wstring& path) {
  return path_strings::AddBackslash(path);
}

void MemoryEnvironment::SetVariable(const std::wstring& name, const std::wstring& value) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->variables.erase(name);
  impl_->Set(name, value);
}

void MemoryEnvironment::UnsetVariable(const std::wstring& name) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->variables.erase(name);
}

void MemoryEnvironment::SetSpecialFolder(int csidl, const std::wstring& path) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->folders[csidl] = path;
}

void MemoryEnvironment::SetModulePath(const std::wstring& path) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->module = path;
}

void MemoryEnvironment::SetWindowsFolder(const std::wstring& path) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->windows = path;
}

void MemoryEnvironment::SetSystemFolder(const std::wstring& path) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->system = path;
}

}  // namespace platform::memory
