#include "platform/memory/memory_file_system.h"

#include <algorithm>
#include <mutex>
#include <set>
#include <thread>

#include "platform/text.h"
#include "platform/win32_constants.h"

namespace platform::memory {

namespace {

struct Entry {
  std::wstring name;  // the last component, as written
  bool folder = false;
  uint32_t attributes = kFileAttributeArchive;
  std::vector<uint8_t> bytes;
};

// A path made absolute and canonical: "C:" or "\\server\share" as the root,
// then the names; `trailing` records a final separator.
struct ParsedPath {
  std::wstring root;
  std::vector<std::wstring> names;
  bool trailing = false;
  bool valid = false;
};

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

std::vector<std::wstring> SplitNames(const std::wstring& text) {
  std::vector<std::wstring> names;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsSeparator(text[i])) ++i;
    const size_t start = i;
    while (i < text.size() && !IsSeparator(text[i])) ++i;
    if (i > start) names.push_back(text.substr(start, i - start));
  }
  return names;
}

bool MatchWildcard(const std::wstring& pattern, size_t p, const std::wstring& name, size_t n) {
  while (p < pattern.size()) {
    if (pattern[p] == L'*') {
      for (size_t k = n; k <= name.size(); ++k)
        if (MatchWildcard(pattern, p + 1, name, k)) return true;
      return false;
    }
    if (n >= name.size()) return false;
    if (pattern[p] != L'?' && UpcaseUnit(pattern[p]) != UpcaseUnit(name[n])) return false;
    ++p;
    ++n;
  }
  return n == name.size();
}

struct State {
  mutable std::mutex mutex;
  std::map<std::wstring, Entry> entries;  // by upper-cased canonical path
  std::set<std::wstring> failing;         // upper-cased canonical paths
  std::wstring current = L"C:\\";
  std::map<std::thread::id, int> redirectionOff;

  ParsedPath Parse(const std::wstring& path) const {
    ParsedPath out;
    if (path.empty()) return out;
    std::wstring rest;
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
      std::vector<std::wstring> names = SplitNames(path);
      if (names.size() < 2) return out;
      out.root = L"\\\\" + names[0] + L"\\" + names[1];
      names.erase(names.begin(), names.begin() + 2);
      out.names = std::move(names);
    } else {
      std::wstring full;
      if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == L':') {
        const bool sameDrive = UpcaseUnit(path[0]) == UpcaseUnit(current[0]);
        full = (path.size() > 2 && IsSeparator(path[2])) || !sameDrive
                   ? path.substr(0, 2) + L"\\" + path.substr(2)
                   : current + L"\\" + path.substr(2);
      } else if (IsSeparator(path[0])) {
        full = current.substr(0, 2) + path;
      } else {
        full = current + L"\\" + path;
      }
      out.root = full.substr(0, 2);
      out.names = SplitNames(full.substr(2));
    }
    std::vector<std::wstring> resolved;
    for (const auto& n : out.names) {
      if (n == L".") continue;
      if (n == L"..") {
        if (!resolved.empty()) resolved.pop_back();
        continue;
      }
      resolved.push_back(n);
    }
    out.names = std::move(resolved);
    out.trailing = IsSeparator(path.back());
    out.valid = true;
    return out;
  }

  static std::wstring Join(const ParsedPath& p, size_t count) {
    std::wstring s = p.root;
    if (count == 0 && s.size() == 2) return s + L"\\";
    for (size_t i = 0; i < count; ++i) s += L"\\" + p.names[i];
    return s;
  }
  static std::wstring KeyOf(const ParsedPath& p) { return Upcase(Join(p, p.names.size())); }
  static std::wstring ParentKey(const ParsedPath& p) { return Upcase(Join(p, p.names.size() - 1)); }

  const Entry* Find(const ParsedPath& p) const {
    if (!p.valid) return nullptr;
    auto it = entries.find(KeyOf(p));
    if (it == entries.end()) return nullptr;
    if (p.trailing && !it->second.folder) return nullptr;
    return &it->second;
  }
  Entry* Find(const ParsedPath& p) {
    return const_cast<Entry*>(static_cast<const State*>(this)->Find(p));
  }

  bool ParentIsFolder(const ParsedPath& p) const {
    if (p.names.empty()) return false;
    auto it = entries.find(ParentKey(p));
    return it != entries.end() && it->second.folder;
  }

  bool Failing(const ParsedPath& p) const {
    const std::wstring key = KeyOf(p);
    for (const auto& f : failing) {
      if (key == f || (key.size() > f.size() && key.compare(0, f.size(), f) == 0 &&
                       (f.back() == L'\\' || key[f.size()] == L'\\')))
        return true;
    }
    return false;
  }

  // Creates the folders along the path (the root included).
  void EnsureFolders(const ParsedPath& p, size_t count) {
    for (size_t i = 0; i <= count; ++i) {
      const std::wstring key = Upcase(Join(p, i));
      auto it = entries.find(key);
      if (it != entries.end()) {
        it->second.folder = true;
        continue;
      }
      Entry e;
      e.name = i == 0 ? p.root : p.names[i - 1];
      e.folder = true;
      e.attributes = kFileAttributeDirectory;
      entries.emplace(key, std::move(e));
    }
  }

  // The file at p for writing, added empty when missing; an error where p
  // cannot be one: no parent folder (or a trailing separator), a folder, or a
  // new file on a failing path.
  int32_t FileForWriting(const ParsedPath& p, Entry** file) {
    if (!p.valid || p.names.empty() || p.trailing || !ParentIsFolder(p)) return kErrorPathNotFound;
    Entry* e = Find(p);
    if (e && e->folder) return kErrorAccessDenied;
    if (!e) {
      if (Failing(p)) return kErrorAccessDenied;
      Entry fresh;
      fresh.name = p.names.back();
      e = &entries.emplace(KeyOf(p), std::move(fresh)).first->second;
    }
    *file = e;
    return kErrorSuccess;
  }

  static std::wstring ChildPrefix(const std::wstring& key) {
    return key.back() == L'\\' ? key : key + L"\\";
  }

  void EraseTree(const std::wstring& key) {
    const std::wstring prefix = ChildPrefix(key);
    for (auto it = entries.lower_bound(prefix);
         it != entries.end() && it->first.compare(0, prefix.size(), prefix) == 0;)
      it = entries.erase(it);
    entries.erase(key);
  }
};

class MemoryAppendFile : public IAppendFile {
 public:
  MemoryAppendFile(std::shared_ptr<State> state, ParsedPath path)
      : state_(std::move(state)), path_(std::move(path)) {}

  uint64_t Size() const override {
    std::lock_guard<std::mutex> lock(state_->mutex);
    const Entry* e = state_->Find(path_);
    return e ? e->bytes.size() : 0;
  }
  bool Append(const void* bytes, size_t count) override {
    std::lock_guard<std::mutex> lock(state_->mutex);
    Entry* e = state_->Find(path_);
    if (!e || state_->Failing(path_)) return false;
    const auto* b = static_cast<const uint8_t*>(bytes);
    e->bytes.insert(e->bytes.end(), b, b + count);
    return true;
  }
  bool Flush() override {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->Find(path_) && !state_->Failing(path_);
  }

 private:
  std::shared_ptr<State> state_;
  ParsedPath path_;
};

void SetError(int32_t* error, int32_t code) {
  if (error) *error = code;
}

}  // namespace

struct MemoryFileSystem::Impl {
  std::shared_ptr<State> state = std::make_shared<State>();
};

MemoryFileSystem::MemoryFileSystem() : impl_(std::make_unique<Impl>()) {}
MemoryFileSystem::~MemoryFileSystem() = default;

bool MemoryFileSystem::PathExists(const std::wstring& path) {
  return GetAttributes(path) != kInvalidFileAttributes;
}

uint32_t MemoryFileSystem::GetAttributes(const std::wstring& path) {
  State& s = *impl_->state;
  std::lock_guard<std::mutex> lock(s.mutex);
  const Entry* e = s.Find(s.Parse(path));
  if (!e) return kInvalidFileAttributes;
  return e->folder ? (e->attributes | kFileAttributeDirectory) : e->attributes;
}

bool MemoryFileSystem::CreateFolder(const std::wstring& path, int32_t* error) {
  State& s = *impl_->state;
  std::lock_guard<std::mutex> lock(s.mutex);
  const ParsedPath p = s.Parse(path);
  if (!p.valid || p.names.empty()) {
    SetError(error, p.valid ? kErrorAlreadyExists : kErrorPathNotFound);
    return false;
  }
  if (s.entries.count(State::KeyOf(p))) return SetError(error, kErrorAlreadyExists), false;
  if (!s.ParentIsFolder(p)) return SetError(error, kErrorPathNotFound), false;
  if (s.Failing(p)) return SetError(error, kErrorAccessDenied), false;
  s.EnsureFolders(p, p.names.size());
  SetError(error, kErrorSuccess);
  return true;
}

bool MemoryFileSystem::DeleteFile(const std::wstring& path, int32_t* error) {
  State& s = *impl_->state;
  std::lock_guard<std::mutex> lock(s.mutex);
  const ParsedPath p = s.Parse(path);
  auto it = p.valid ? s.entries.find(State::KeyOf(p)) : s.entries.end();
  if (it == s.entries.end()) {
    SetError(error, p.valid && s.ParentIsFolder(p) ? kErrorFileNotFound : kErrorPathNotFound);
    return false;
  }
  if (it->second.folder) return SetError(error, kErrorAccessDenied), false;
  s.entries.erase(it);
  SetError(error, kErrorSuccess);
  return true;
}

bool MemoryFileSystem::MoveFile(const std::wstring& from, const std::wstring& to, int32_t* error) {
  State& s = *impl_->state;
  std::lock_guard<std::mutex> lock(s.mutex);
  const ParsedPath a = s.Parse(from);
  const ParsedPath b = s.Parse(to);
  if (!s.Find(a) || a.names.empty()) {
    SetError(error, a.valid && s.ParentIsFolder(a) ? kErrorFileNotFound : kErrorPathNotFound);
    return false;
  }
  if (!b.valid || b.names.empty() || s.entries.count(State::KeyOf(b)))
    return SetError(error, kErrorAlreadyExists), false;
  if (!s.ParentIsFolder(b)) return SetError(error, kErrorPathNotFound), false;
  if (s.Failing(b)) return SetError(error, kErrorAccessDenied), false;
  const std::wstring fromKey = State::KeyOf(a);
  const std::wstring toKey = State::KeyOf(b);
  const std::wstring prefix = State::ChildPrefix(fromKey);
  if (toKey.compare(0, prefix.size(), prefix) == 0) return SetError(error, kErrorAccessDenied), false;
  std::vector<std::pair<std::wstring, Entry>> moved;
  for (auto it = s.entries.lower_bound(prefix);
       it != s.entries.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it)
    moved.emplace_back(toKey + it->first.substr(fromKey.size()), it->second);
  Entry top = s.entries[fromKey];
  top.name = b.names.back();
  s.EraseTree(fromKey);
  s.entries.emplace(toKey, std::move(top));
  for (auto& [key, entry] : moved) s.entries.emplace(key, std::move(entry));
  SetError(error, kErrorSuccess);
  return true;
}

std::vector<FileEntry> MemoryFileSystem::ListFolder(const std::wstring& pattern) {
  State& s = *impl_->state;
  std::lock_guard<std::mutex> lock(s.mutex);
  size_t cut = pattern.size();
  while (cut > 0 && !IsSeparator(pattern[cut - 1])) --cut;
  const std::wstring mask = pattern.substr(cut);
  if (mask.empty()) return {};
  ParsedPath folder = s.Parse(cut ? pattern.substr(0, cut) : std::wstring(L"."));
  folder.trailing = false;
  const Entry* dir = s.Find(folder);
  if (!dir || !dir->folder) return {};
  const std::wstring prefix = State::ChildPrefix(State::KeyOf(folder));
  const bool all = mask == L"*" || mask == L"*.*";
  std::vector<FileEntry> out;
  for (auto it = s.entries.lower_bound(prefix);
       it != s.entries.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it) {
    if (it->first.find(L'\\', prefix.size()) != std::wstring::npos) continue;
    const Entry& e = it->second;
    if (!all && !MatchWildcard(mask, 0, e.name, 0)) continue;
    const uint32_t attributes = e.folder ? (e.attributes | kFileAttributeDirectory) : e.attributes;
    out.push_back(FileEntry{e.name, attributes, e.folder ? 0 : e.bytes.size()});
  }
  return out;
}

bool MemoryFileSystem::ReadWholeFile(const std::wstring& path, std::vector<uint8_t>* bytes,
                                     int32_t* error) {
  State& s = *impl_->state;
  std::lock_guard<std::mutex> lock(s.mutex);
  const ParsedPath p = s.Parse(path);
  const Entry* e = s.Find(p);
  if (!e) {
    SetError(error, p.valid && s.ParentIsFolder(p) ? kErrorFileNotFound : kErrorPathNotFound);
    return false;
  }
  if (e->folder) return SetError(error, kErrorAccessDenied), false;
  if (bytes) *bytes = e->bytes;
  SetError(error, kErrorSuccess);
  return true;
}

bool MemoryFileSystem::WriteWholeFile(const std::wstring& path, const void* bytes, size_t count,
                                      int32_t* error) {
  State& s = *impl_->state;
  std::lock_guard<std::mutex> lock(s.mutex);
  const ParsedPath p = s.Parse(path);
  Entry* e = nullptr;
  const int32_t rc = s.FileForWriting(p, &e);
  if (rc != kErrorSuccess) return SetError(error, rc), false;
  if (s.Failing(p)) return SetError(error, kErrorAccessDenied), false;
  const auto* b = static_cast<const uint8_t*>(bytes);
  e->bytes.assign(b, b + count);
  SetError(error, kErrorSuccess);
  return true;
}

std::unique_ptr<IAppendFile> MemoryFileSystem::OpenForAppend(const std::wstring& path,
                                                             int32_t* error) {
  State& s = *impl_->state;
  std::lock_guard<std::mutex> lock(s.mutex);
  const ParsedPath p = s.Parse(path);
  Entry* e = nullptr;
  const int32_t rc = s.FileForWriting(p, &e);
  SetError(error, rc);
  if (rc != kErrorSuccess) return nullptr;
  return std::make_unique<MemoryAppendFile>(impl_->state, p);
}

bool MemoryFileSystem::DisableRedirection(void** previous) {
  State& s = *impl_->state;
  std::lock_guard<std::mutex> lock(s.mutex);
  if (previous) *previous = nullptr;
  ++s.redirectionOff[std::this_thread::get_id()];
  return true;
}

void MemoryFileSystem::RevertRedirection(void* previous) {
  State& s = *impl_->state;
  std::lock_guard<std::mutex> lock(s.mutex);
  auto it = s.redirectionOff.find(std::this_thread::get_id());
  if (it != s.redirectionOff.end() && --it->second <= 0) s.redirectionOff.erase(it);
}

bool MemoryFileSystem::RedirectionDisabledOnThisThread() const {
  State& s = *impl_->state;
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.redirectionOff.count(std::this_thread::get_id()) != 0;
}

void MemoryFileSystem::AddFile(const std::wstring& path, std::vector<uint8_t> bytes) {
  State& s = *impl_->state;
  std::lock_guard<std::mutex> lock(s.mutex);
  const ParsedPath p = s.Parse(path);
  if (!p.valid || p.names.empty()) return;
  s.EnsureFolders(p, p.names.size() - 1);
  Entry& e = s.entries[State::KeyOf(p)];
  e.name = p.names.back();
  e.folder = false;
  e.attributes = kFileAttributeArchive;
  e.bytes = std::move(bytes);
}

void MemoryFileSystem::AddFolder(const std::wstring& path) {
  State& s = *impl_->state;
  std::lock_guard<std::mutex> lock(s.mutex);
  const ParsedPath p = s.Parse(path);
  if (p.valid) s.EnsureFolders(p, p.names.size());
}

void MemoryFileSystem::Remove(const std::wstring& path) {
  State& s = *impl_->state;
  std::lock_guard<std::mutex> lock(s.mutex);
  const ParsedPath p = s.Parse(path);
  if (p.valid) s.EraseTree(State::KeyOf(p));
}

std::optional<std::vector<uint8_t>> MemoryFileSystem::Contents(const std::wstring& path) const {
  State& s = *impl_->state;
  std::lock_guard<std::mutex> lock(s.mutex);
  const Entry* e = s.Find(s.Parse(path));
  if (!e || e->folder) return std::nullopt;
  return e->bytes;
}

void MemoryFileSystem::FailWritesTo(const std::wstring& path) {
  State& s = *impl_->state;
  std::lock_guard<std::mutex> lock(s.mutex);
  const ParsedPath p = s.Parse(path);
  if (p.valid) s.failing.insert(State::KeyOf(p));
}

void MemoryFileSystem::SetCurrentFolder(const std::wstring& folder) {
  State& s = *impl_->state;
  std::lock_guard<std::mutex> lock(s.mutex);
  const ParsedPath p = s.Parse(folder);
  if (p.valid && p.root.size() == 2) s.current = State::Join(p, p.names.size());
  if (s.current.size() == 3) s.current.pop_back();  // "C:" joins as "C:\name"
}

std::wstring MemoryFileSystem::CurrentFolder() const {
  State& s = *impl_->state;
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.current.size() == 2 ? s.current + L"\\" : s.current;
}

}  // namespace platform::memory
