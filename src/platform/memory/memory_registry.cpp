#include "platform/memory/memory_registry.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>

#include "platform/memory/memory_file_system.h"
#include "platform/text.h"
#include "platform/win32_constants.h"

namespace platform::memory {

namespace {

constexpr int32_t kErrorBadPathname = 161;  // STATUS_OBJECT_PATH_INVALID
constexpr size_t kMaxKeyNameChars = 255;
constexpr size_t kMaxValueNameChars = 16383;

// Access bits that let a handle change the key or its security.
constexpr uint32_t kWriteDac = 0x00040000;
constexpr uint32_t kWriteOwner = 0x00080000;
constexpr uint32_t kMaximumAllowed = 0x02000000;
constexpr uint32_t kGenericAll = 0x10000000;
constexpr uint32_t kGenericWrite = 0x40000000;
constexpr uint32_t kGenericRead = 0x80000000;
constexpr uint32_t kWriteBits = kKeySetValue | kKeyCreateSubKey | kKeyCreateLink | kDelete |
                                kWriteDac | kWriteOwner;


struct Value {
  std::wstring name;
  uint32_t type = 0;
  std::vector<uint8_t> bytes;
};

struct Node {
  std::wstring name;
  Node* parent = nullptr;
  std::map<std::wstring, std::shared_ptr<Node>, NoCaseLess> children;
  std::vector<Value> values;
  KeyFault fault;
  bool deleted = false;
  // The subkey names in enumeration order, while subKeyEdits stays the same.
  std::vector<std::wstring> sortedNames;
  uint64_t sortedNamesEdits = ~uint64_t{0};

  Node* Child(const std::wstring& n) const {
    auto it = children.find(n);
    return it == children.end() ? nullptr : it->second.get();
  }
  Value* FindValue(const std::wstring& n) {
    for (auto& v : values)
      if (EqualsNoCase(v.name, n)) return &v;
    return nullptr;
  }
  // Replaces the value of that name (keeping its spelling), or adds it last.
  void PutValue(const std::wstring& n, uint32_t type, std::vector<uint8_t> bytes) {
    if (Value* v = FindValue(n)) {
      v->type = type;
      v->bytes = std::move(bytes);
    } else {
      values.push_back(Value{n, type, std::move(bytes)});
    }
  }
};

// What a handle designates: one key, or a key of the merged classes view,
// which is looked up again on every call.
struct KeyRef {
  bool classes = false;
  std::vector<std::wstring> classPath;
  std::shared_ptr<Node> node;
};

// A key as seen through a handle: the user and machine halves of a merged
// classes key, or one plain key in `first`.
struct View {
  Node* first = nullptr;   // the user side, or the plain key
  Node* second = nullptr;  // the machine side
  bool classes = false;
  Node* Primary() const { return first ? first : second; }
  bool Exists() const { return Primary() != nullptr; }
};

struct Handle {
  KeyRef ref;
  uint32_t access = 0;
};

uint32_t NormalizeAccess(uint32_t access, bool denyWrite) {
  uint32_t a = access & ~(kKeyWow64_32Key | kKeyWow64_64Key);
  if (a & kGenericRead) a = (a & ~kGenericRead) | kKeyRead;
  if (a & kGenericWrite) a = (a & ~kGenericWrite) | kKeyWrite;
  if (a & kGenericAll) a = (a & ~kGenericAll) | kKeyAllAccess;
  if (a & kMaximumAllowed) a = (a & ~kMaximumAllowed) | (denyWrite ? kKeyRead : kKeyAllAccess);
  return a;
}

bool IsPredefined(HKey key) {
  return key == kHKeyClassesRoot || key == kHKeyCurrentUser || key == kHKeyLocalMachine ||
         key == kHKeyUsers || key == kHKeyCurrentConfig;
}

// Backslash-separated names; repeated and trailing separators give no empty
// names (as the system's path parser skips them).
std::vector<std::wstring> SplitPath(const std::wstring& path) {
  std::vector<std::wstring> parts;
  size_t i = 0;
  while (i < path.size()) {
    while (i < path.size() && path[i] == L'\\') ++i;
    const size_t start = i;
    while (i < path.size() && path[i] != L'\\') ++i;
    if (i > start) parts.push_back(path.substr(start, i - start));
  }
  return parts;
}

const KeyFault* FaultOf(const View& v) {
  for (Node* n : {v.first, v.second}) {
    if (n && (n->fault.denyRead || n->fault.denyWrite || n->fault.openError)) return &n->fault;
  }
  return nullptr;
}

int32_t CheckOpen(const View& v, uint32_t access) {
  const KeyFault* f = FaultOf(v);
  if (!f) return kErrorSuccess;
  if (f->openError) return f->openError;
  if (f->denyRead) return kErrorAccessDenied;
  if (f->denyWrite && (access & kWriteBits)) return kErrorAccessDenied;
  return kErrorSuccess;
}

}  // namespace

// Counts every change to any key's subkey list; a cached name list is good
// while it stays the same.
static std::atomic<uint64_t> subKeyEdits{0};

struct MemoryRegistry::Impl {
  mutable std::mutex mutex;
  // The sorted subkey names of the views enumerated last, so that walking
  // keys with many subkeys by index (nested walks too) stays linear.
  struct NameCache {
    const Node* first = nullptr;
    const Node* second = nullptr;
    uint64_t edits = ~uint64_t{0};
    std::vector<std::wstring> names;
  };
  std::array<NameCache, 8> nameCaches;
  size_t nextNameCache = 0;
  MemoryFileSystem* files = nullptr;
  std::shared_ptr<Node> machine, user, users, config;
  std::map<HKey, Handle> handles;
  HKey nextHandle = 0x1000;
  bool tokenFails = false;
  std::set<std::wstring, NoCaseLess> enabled;
  std::vector<SaveRecord> saves;
  std::vector<ReplaceRecord> replaces;

  Impl() {
    machine = MakeRoot(L"HKEY_LOCAL_MACHINE");
    user = MakeRoot(L"HKEY_CURRENT_USER");
    users = MakeRoot(L"HKEY_USERS");
    config = MakeRoot(L"HKEY_CURRENT_CONFIG");
    EnsurePath(machine.get(), {L"SOFTWARE", L"Classes"});
    EnsurePath(user.get(), {L"Software", L"Classes"});
  }

  static std::shared_ptr<Node> MakeRoot(const std::wstring& name) {
    auto n = std::make_shared<Node>();
    n->name = name;
    return n;
  }

  static Node* AddChild(Node* parent, const std::wstring& name) {
    auto child = std::make_shared<Node>();
    child->name = name;
    child->parent = parent;
    Node* raw = child.get();
    parent->children.emplace(name, std::move(child));
    ++subKeyEdits;
    return raw;
  }

  static Node* EnsurePath(Node* from, const std::vector<std::wstring>& parts) {
    Node* n = from;
    for (const auto& p : parts) {
      Node* c = n->Child(p);
      n = c ? c : AddChild(n, p);
    }
    return n;
  }

  static Node* Walk(Node* from, const std::vector<std::wstring>& parts) {
    Node* n = from;
    for (const auto& p : parts) {
      if (!n) return nullptr;
      n = n->Child(p);
    }
    return n;
  }

  Node* UserClasses() const { return Walk(user.get(), {L"Software", L"Classes"}); }
  Node* MachineClasses() const { return Walk(machine.get(), {L"SOFTWARE", L"Classes"}); }

  std::shared_ptr<Node> RootNode(HKey key) const {
    switch (key) {
      case kHKeyCurrentUser: return user;
      case kHKeyLocalMachine: return machine;
      case kHKeyUsers: return users;
      case kHKeyCurrentConfig: return config;
      default: return nullptr;
    }
  }

  static std::shared_ptr<Node> Share(Node* n) {
    if (!n) return nullptr;
    if (!n->parent) return nullptr;  // roots are held by the Impl itself
    return n->parent->children.find(n->name)->second;
  }

  // The handle's designation; false for an unknown handle.
  bool RefOf(HKey key, KeyRef* ref, uint32_t* access) const {
    if (key == kHKeyClassesRoot) {
      ref->classes = true;
      *access = kKeyAllAccess;
      return true;
    }
    if (auto root = RootNode(key)) {
      ref->node = root;
      *access = kKeyAllAccess;
      return true;
    }
    auto it = handles.find(key);
    if (it == handles.end()) return false;
    *ref = it->second.ref;
    *access = it->second.access;
    return true;
  }

  View ViewOf(const KeyRef& ref) const {
    View v;
    v.classes = ref.classes;
    if (ref.classes) {
      v.first = Walk(UserClasses(), ref.classPath);
      v.second = Walk(MachineClasses(), ref.classPath);
    } else if (ref.node && !ref.node->deleted) {
      v.first = ref.node.get();
    }
    return v;
  }

  static View ChildView(const View& v, const std::wstring& name) {
    View c;
    c.classes = v.classes;
    c.first = v.first ? v.first->Child(name) : nullptr;
    c.second = v.second ? v.second->Child(name) : nullptr;
    return c;
  }

  KeyRef ChildRef(const KeyRef& parent, const std::vector<std::wstring>& parts,
                  const View& target) const {
    KeyRef r;
    if (parent.classes) {
      r.classes = true;
      r.classPath = parent.classPath;
      r.classPath.insert(r.classPath.end(), parts.begin(), parts.end());
    } else {
      r.node = parts.empty() ? parent.node : Share(target.first);
    }
    return r;
  }

  // Resolves a handle to its live view, with the error a call reports.
  int32_t Live(HKey key, KeyRef* ref, uint32_t* access, View* view) const {
    if (!RefOf(key, ref, access)) return kErrorInvalidHandle;
    *view = ViewOf(*ref);
    if (!view->Exists()) return kErrorKeyDeleted;
    return kErrorSuccess;
  }

  int32_t LiveWith(HKey key, uint32_t needed, View* view, KeyRef* ref = nullptr) const {
    KeyRef local;
    uint32_t access = 0;
    const int32_t rc = Live(key, ref ? ref : &local, &access, view);
    if (rc != kErrorSuccess) return rc;
    if ((access & needed) != needed) return kErrorAccessDenied;
    return kErrorSuccess;
  }

  // Leading separator: allowed once below HKEY_CLASSES_ROOT, else invalid.
  static int32_t ParseSubKey(HKey parent, const std::wstring& subKey,
                             std::vector<std::wstring>* parts) {
    std::wstring text = subKey;
    if (parent == kHKeyClassesRoot && !text.empty() && text[0] == L'\\') text.erase(0, 1);
    if (!text.empty() && text[0] == L'\\') return kErrorBadPathname;
    *parts = SplitPath(text);
    return kErrorSuccess;
  }

  // Parses subKey and walks the view down to the existing key it names.
  static int32_t Descend(HKey parent, const std::wstring& subKey, View* view,
                         std::vector<std::wstring>* parts) {
    const int32_t rc = ParseSubKey(parent, subKey, parts);
    if (rc != kErrorSuccess) return rc;
    for (const auto& p : *parts) {
      *view = ChildView(*view, p);
      if (!view->Exists()) return kErrorFileNotFound;
    }
    return kErrorSuccess;
  }

  HKey NewHandle(KeyRef ref, uint32_t access) {
    const HKey h = nextHandle;
    nextHandle += 4;
    handles[h] = Handle{std::move(ref), access};
    return h;
  }

  // A handle to the key reached from parent by parts, if its faults let the
  // access asked for (MAXIMUM_ALLOWED and the generic rights mapped) through.
  int32_t OpenFound(const KeyRef& parent, const std::vector<std::wstring>& parts,
                    const View& view, uint32_t access, HKey* result) {
    const KeyFault* fault = FaultOf(view);
    const uint32_t granted = NormalizeAccess(access, fault && fault->denyWrite);
    const int32_t rc = CheckOpen(view, granted);
    if (rc != kErrorSuccess) return rc;
    *result = NewHandle(ChildRef(parent, parts, view), granted);
    return kErrorSuccess;
  }

  static std::vector<std::wstring> SubKeyNames(const View& v) {
    std::set<std::wstring, NoCaseLess> names;
    for (Node* n : {v.first, v.second}) {
      if (!n) continue;
      for (const auto& [name, child] : n->children) names.insert(child->name);
    }
    return {names.begin(), names.end()};
  }

  // The number of distinct subkey names of the view and the longest, by one
  // merge of the two sorted child lists.
  static void CountSubKeys(const View& v, uint32_t* count, uint32_t* maxLen) {
    *count = 0;
    *maxLen = 0;
    static const std::map<std::wstring, std::shared_ptr<Node>, NoCaseLess> kNone;
    const auto& a = v.first ? v.first->children : kNone;
    const auto& b = v.second ? v.second->children : kNone;
    auto i = a.begin();
    auto j = b.begin();
    while (i != a.end() || j != b.end()) {
      const Node* n = nullptr;
      const int order = i == a.end() ? 1 : j == b.end() ? -1 : CompareNoCase(i->first, j->first);
      if (order <= 0) n = (i++)->second.get();
      if (order >= 0) n = (j++)->second.get();
      if (order == 0) n = std::prev(i)->second.get();  // the user side's spelling
      ++*count;
      *maxLen = std::max<uint32_t>(*maxLen, static_cast<uint32_t>(n->name.size()));
    }
  }

  const std::vector<std::wstring>& CachedSubKeyNames(const View& v) {
    const uint64_t edits = subKeyEdits.load();
    if (!v.first || !v.second) {
      Node* n = v.Primary();
      static const std::vector<std::wstring> kNoNames;
      if (!n) return kNoNames;
      if (n->sortedNamesEdits != edits) {
        n->sortedNames.clear();
        for (const auto& [name, child] : n->children) n->sortedNames.push_back(child->name);
        n->sortedNamesEdits = edits;
      }
      return n->sortedNames;
    }
    for (const NameCache& c : nameCaches)
      if (c.first == v.first && c.second == v.second && c.edits == edits) return c.names;
    NameCache& c = nameCaches[nextNameCache];
    nextNameCache = (nextNameCache + 1) % nameCaches.size();
    c.names = SubKeyNames(v);
    c.first = v.first;
    c.second = v.second;
    c.edits = edits;
    return c.names;
  }

  // Creates the missing keys of `parts` below the view and returns the target.
  View CreatePath(const View& from, const std::vector<std::wstring>& parts) {
    View v = from;
    for (const auto& p : parts) {
      View c = ChildView(v, p);
      if (!c.Exists()) {
        // A new classes key goes to the machine side where its parent is there.
        Node* parent = v.classes ? (v.second ? v.second : v.first) : v.first;
        Node* made = AddChild(parent, p);
        if (v.classes && parent == v.second) c.second = made; else c.first = made;
      }
      v = c;
    }
    return v;
  }

  static bool DeleteNode(Node* n) {
    Node* parent = n->parent;
    if (!parent || !n->children.empty()) return false;
    auto it = parent->children.find(n->name);
    std::shared_ptr<Node> keep = it->second;
    parent->children.erase(it);
    ++subKeyEdits;
    keep->deleted = true;
    keep->parent = nullptr;
    return true;
  }

  static void DeleteTree(Node* n) {
    while (!n->children.empty()) DeleteTree(n->children.begin()->second.get());
    if (n->parent) DeleteNode(n);
  }

  std::wstring PathOf(const KeyRef& ref) const {
    if (ref.classes) {
      std::wstring path = L"HKEY_CLASSES_ROOT";
      for (const auto& p : ref.classPath) path += L"\\" + p;
      return path;
    }
    std::vector<std::wstring> names;
    for (Node* n = ref.node.get(); n; n = n->parent) names.push_back(n->name);
    std::wstring path;
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
      if (!path.empty()) path += L"\\";
      path += *it;
    }
    return path;
  }

  // Test-side paths: "HKLM\Software\x" and the like.
  View ViewOfPath(const std::wstring& path, bool create) {
    std::vector<std::wstring> parts = SplitPath(path);
    if (parts.empty()) return {};
    const std::wstring root = parts.front();
    parts.erase(parts.begin());
    View v;
    if (EqualsNoCase(root, L"HKEY_CLASSES_ROOT") || EqualsNoCase(root, L"HKCR")) {
      v.classes = true;
      v.first = UserClasses();
      v.second = MachineClasses();
    } else if (EqualsNoCase(root, L"HKEY_CURRENT_USER") || EqualsNoCase(root, L"HKCU")) {
      v.first = user.get();
    } else if (EqualsNoCase(root, L"HKEY_LOCAL_MACHINE") || EqualsNoCase(root, L"HKLM")) {
      v.first = machine.get();
    } else if (EqualsNoCase(root, L"HKEY_USERS") || EqualsNoCase(root, L"HKU")) {
      v.first = users.get();
    } else if (EqualsNoCase(root, L"HKEY_CURRENT_CONFIG") || EqualsNoCase(root, L"HKCC")) {
      v.first = config.get();
    } else {
      return {};
    }
    if (create) return CreatePath(v, parts);
    for (const auto& p : parts) {
      v = ChildView(v, p);
      if (!v.Exists()) return {};
    }
    return v;
  }

  bool FileExists(const std::wstring& file) const {
    return files && files->GetAttributes(file) != kInvalidFileAttributes;
  }

  // The stand-in for a hive file: the saved key's path, so tests tell files apart.
  int32_t WriteHiveFile(const std::wstring& file, const std::wstring& keyPath) {
    const auto bytes = ToUtf16Bytes(L"regf " + keyPath, false);
    int32_t error = kErrorSuccess;
    return files->WriteWholeFile(file, bytes.data(), bytes.size(), &error) ? kErrorSuccess : error;
  }
};

MemoryRegistry::MemoryRegistry(MemoryFileSystem* files) : impl_(std::make_unique<Impl>()) {
  impl_->files = files;
}

MemoryRegistry::~MemoryRegistry() = default;

int32_t MemoryRegistry::OpenKey(HKey parent, const std::wstring& subKey, uint32_t options,
                                uint32_t access, HKey* result) {
  if (!result) return kErrorInvalidParameter;
  *result = 0;
  std::lock_guard<std::mutex> lock(impl_->mutex);
  if (subKey.empty() && IsPredefined(parent)) {
    *result = parent;
    return kErrorSuccess;
  }
  KeyRef ref;
  uint32_t parentAccess = 0;
  View view;
  int32_t rc = impl_->Live(parent, &ref, &parentAccess, &view);
  if (rc != kErrorSuccess) return rc;
  std::vector<std::wstring> parts;
  rc = Impl::Descend(parent, subKey, &view, &parts);
  if (rc != kErrorSuccess) return rc;
  return impl_->OpenFound(ref, parts, view, access, result);
}

int32_t MemoryRegistry::CreateKey(HKey parent, const std::wstring& subKey, uint32_t options,
                                  uint32_t access, HKey* result, uint32_t* disposition) {
  if (!result) return kErrorInvalidParameter;
  *result = 0;
  std::lock_guard<std::mutex> lock(impl_->mutex);
  KeyRef ref;
  uint32_t parentAccess = 0;
  View view;
  int32_t rc = impl_->Live(parent, &ref, &parentAccess, &view);
  if (rc != kErrorSuccess) return rc;
  std::vector<std::wstring> parts;
  rc = Impl::ParseSubKey(parent, subKey, &parts);
  if (rc != kErrorSuccess) return rc;
  size_t existing = 0;
  while (existing < parts.size()) {
    View c = Impl::ChildView(view, parts[existing]);
    if (!c.Exists()) break;
    view = c;
    ++existing;
  }
  const bool creates = existing < parts.size();
  if (creates) {
    for (size_t i = existing; i < parts.size(); ++i)
      if (parts[i].size() > kMaxKeyNameChars) return kErrorInvalidParameter;
    if (!(parentAccess & kKeyCreateSubKey)) return kErrorAccessDenied;
    if (const KeyFault* f = FaultOf(view)) {
      if (f->openError) return f->openError;
      return kErrorAccessDenied;
    }
    view = impl_->CreatePath(view, {parts.begin() + existing, parts.end()});
  }
  rc = impl_->OpenFound(ref, parts, view, access, result);
  if (rc != kErrorSuccess) return rc;
  if (disposition) *disposition = creates ? kRegCreatedNewKey : kRegOpenedExistingKey;
  return kErrorSuccess;
}

int32_t MemoryRegistry::CloseKey(HKey key) {
  if (IsPredefined(key)) return kErrorSuccess;
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->handles.erase(key) ? kErrorSuccess : kErrorInvalidHandle;
}

int32_t MemoryRegistry::QueryInfoKey(HKey key, KeyInfo* info) {
  if (!info) return kErrorInvalidParameter;
  std::lock_guard<std::mutex> lock(impl_->mutex);
  View view;
  const int32_t rc = impl_->LiveWith(key, kKeyQueryValue, &view);
  if (rc != kErrorSuccess) return rc;
  KeyInfo out;
  Impl::CountSubKeys(view, &out.subKeyCount, &out.maxSubKeyLen);
  const Node* values = view.Primary();
  out.valueCount = static_cast<uint32_t>(values->values.size());
  for (const auto& v : values->values) {
    out.maxValueNameLen = std::max<uint32_t>(out.maxValueNameLen, v.name.size());
    out.maxValueLen = std::max<uint32_t>(out.maxValueLen, v.bytes.size());
  }
  *info = out;
  return kErrorSuccess;
}

int32_t MemoryRegistry::EnumKey(HKey key, uint32_t index, wchar_t* name, uint32_t* nameChars) {
  if (!name || !nameChars) return kErrorInvalidParameter;
  std::lock_guard<std::mutex> lock(impl_->mutex);
  View view;
  const int32_t rc = impl_->LiveWith(key, kKeyEnumerateSubKeys, &view);
  if (rc != kErrorSuccess) return rc;
  const auto& names = impl_->CachedSubKeyNames(view);
  if (index >= names.size()) return kErrorNoMoreItems;
  const std::wstring& n = names[index];
  if (n.size() >= *nameChars) return kErrorMoreData;
  std::copy(n.begin(), n.end(), name);
  name[n.size()] = L'\0';
  *nameChars = static_cast<uint32_t>(n.size());
  return kErrorSuccess;
}

int32_t MemoryRegistry::EnumValue(HKey key, uint32_t index, wchar_t* name, uint32_t* nameChars,
                                  uint32_t* type, uint8_t* data, uint32_t* dataBytes) {
  if (!name || !nameChars || (data && !dataBytes)) return kErrorInvalidParameter;
  std::lock_guard<std::mutex> lock(impl_->mutex);
  View view;
  const int32_t rc = impl_->LiveWith(key, kKeyQueryValue, &view);
  if (rc != kErrorSuccess) return rc;
  const auto& values = view.Primary()->values;
  if (index >= values.size()) return kErrorNoMoreItems;
  const Value& v = values[index];
  const uint32_t size = static_cast<uint32_t>(v.bytes.size());
  int32_t result = kErrorSuccess;
  if (v.name.size() >= *nameChars) {
    result = kErrorMoreData;
  } else {
    std::copy(v.name.begin(), v.name.end(), name);
    name[v.name.size()] = L'\0';
    if (data && size > *dataBytes) {
      result = kErrorMoreData;
    } else {
      if (data) std::copy(v.bytes.begin(), v.bytes.end(), data);
      *nameChars = static_cast<uint32_t>(v.name.size());
    }
  }
  if (type) *type = v.type;
  if (dataBytes) *dataBytes = size;
  return result;
}

int32_t MemoryRegistry::QueryValue(HKey key, const wchar_t* name, uint32_t* type, uint8_t* data,
                                   uint32_t* dataBytes) {
  if (data && !dataBytes) return kErrorInvalidParameter;
  std::lock_guard<std::mutex> lock(impl_->mutex);
  View view;
  const int32_t rc = impl_->LiveWith(key, kKeyQueryValue, &view);
  if (rc != kErrorSuccess) return rc;
  const Value* v = view.Primary()->FindValue(name ? std::wstring(name) : std::wstring());
  if (!v) return kErrorFileNotFound;
  const uint32_t size = static_cast<uint32_t>(v->bytes.size());
  if (type) *type = v->type;
  if (data && size > *dataBytes) {
    *dataBytes = size;
    return kErrorMoreData;
  }
  if (data) std::copy(v->bytes.begin(), v->bytes.end(), data);
  if (dataBytes) *dataBytes = size;
  return kErrorSuccess;
}

int32_t MemoryRegistry::SetValue(HKey key, const wchar_t* name, uint32_t type,
                                 const uint8_t* data, uint32_t dataBytes) {
  if (!data && dataBytes) return kErrorInvalidParameter;
  const std::wstring valueName = name ? std::wstring(name) : std::wstring();
  if (valueName.size() > kMaxValueNameChars) return kErrorInvalidParameter;
  std::lock_guard<std::mutex> lock(impl_->mutex);
  View view;
  const int32_t rc = impl_->LiveWith(key, kKeySetValue, &view);
  if (rc != kErrorSuccess) return rc;
  view.Primary()->PutValue(valueName, type, std::vector<uint8_t>(data, data + dataBytes));
  return kErrorSuccess;
}

int32_t MemoryRegistry::DeleteValue(HKey key, const wchar_t* name) {
  const std::wstring valueName = name ? std::wstring(name) : std::wstring();
  std::lock_guard<std::mutex> lock(impl_->mutex);
  View view;
  const int32_t rc = impl_->LiveWith(key, kKeySetValue, &view);
  if (rc != kErrorSuccess) return rc;
  auto& values = view.Primary()->values;
  auto it = std::find_if(values.begin(), values.end(),
                         [&](const Value& v) { return EqualsNoCase(v.name, valueName); });
  if (it == values.end()) return kErrorFileNotFound;
  values.erase(it);
  return kErrorSuccess;
}

int32_t MemoryRegistry::DeleteKey(HKey parent, const std::wstring& subKey) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  KeyRef ref;
  uint32_t access = 0;
  View view;
  int32_t rc = impl_->Live(parent, &ref, &access, &view);
  if (rc != kErrorSuccess) return rc;
  std::vector<std::wstring> parts;
  rc = Impl::Descend(parent, subKey, &view, &parts);
  if (rc != kErrorSuccess) return rc;
  // RegDeleteKeyW opens the key for DELETE first.
  rc = CheckOpen(view, kDelete);
  if (rc != kErrorSuccess) return rc;
  if (IsPredefined(parent) && parts.empty()) return kErrorAccessDenied;
  // A key that still has subkeys (or a root) cannot be deleted.
  if (!Impl::DeleteNode(view.Primary())) return kErrorAccessDenied;
  return kErrorSuccess;
}

int32_t MemoryRegistry::SaveKey(HKey key, const std::wstring& file) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  KeyRef ref;
  uint32_t access = 0;
  View view;
  int32_t rc = impl_->Live(key, &ref, &access, &view);
  if (rc != kErrorSuccess) return rc;
  if (!impl_->enabled.count(L"SeBackupPrivilege")) return kErrorPrivilegeNotHeld;
  const std::wstring keyPath = impl_->PathOf(ref);
  if (impl_->files) {
    if (impl_->FileExists(file)) return kErrorAlreadyExists;
    rc = impl_->WriteHiveFile(file, keyPath);
    if (rc != kErrorSuccess) return rc;
  }
  impl_->saves.push_back(SaveRecord{keyPath, file});
  return kErrorSuccess;
}

int32_t MemoryRegistry::ReplaceKey(HKey parent, const std::wstring& subKey,
                                   const std::wstring& newFile, const std::wstring& oldFile) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  KeyRef ref;
  uint32_t access = 0;
  View view;
  int32_t rc = impl_->Live(parent, &ref, &access, &view);
  if (rc != kErrorSuccess) return rc;
  if (!impl_->enabled.count(L"SeRestorePrivilege")) return kErrorPrivilegeNotHeld;
  std::vector<std::wstring> parts;
  rc = Impl::Descend(parent, subKey, &view, &parts);
  if (rc != kErrorSuccess) return rc;
  const std::wstring keyPath = impl_->PathOf(impl_->ChildRef(ref, parts, view));
  if (impl_->files) {
    if (!impl_->FileExists(newFile)) return kErrorFileNotFound;
    if (impl_->FileExists(oldFile)) return kErrorAlreadyExists;
    rc = impl_->WriteHiveFile(oldFile, keyPath);
    if (rc != kErrorSuccess) return rc;
  }
  impl_->replaces.push_back(ReplaceRecord{keyPath, newFile, oldFile});
  return kErrorSuccess;
}

PrivilegeResult MemoryRegistry::EnablePrivilege(const std::wstring& name) {
  static const wchar_t* const kKnown[] = {
      L"SeCreateTokenPrivilege", L"SeAssignPrimaryTokenPrivilege", L"SeLockMemoryPrivilege",
      L"SeIncreaseQuotaPrivilege", L"SeMachineAccountPrivilege", L"SeTcbPrivilege",
      L"SeSecurityPrivilege", L"SeTakeOwnershipPrivilege", L"SeLoadDriverPrivilege",
      L"SeSystemProfilePrivilege", L"SeSystemtimePrivilege", L"SeProfileSingleProcessPrivilege",
      L"SeIncreaseBasePriorityPrivilege", L"SeCreatePagefilePrivilege",
      L"SeCreatePermanentPrivilege", L"SeBackupPrivilege", L"SeRestorePrivilege",
      L"SeShutdownPrivilege", L"SeDebugPrivilege", L"SeAuditPrivilege",
      L"SeSystemEnvironmentPrivilege", L"SeChangeNotifyPrivilege", L"SeRemoteShutdownPrivilege",
      L"SeUndockPrivilege", L"SeSyncAgentPrivilege", L"SeEnableDelegationPrivilege",
      L"SeManageVolumePrivilege", L"SeImpersonatePrivilege", L"SeCreateGlobalPrivilege",
      L"SeTrustedCredManAccessPrivilege", L"SeRelabelPrivilege",
      L"SeIncreaseWorkingSetPrivilege", L"SeTimeZonePrivilege", L"SeCreateSymbolicLinkPrivilege"};
  std::lock_guard<std::mutex> lock(impl_->mutex);
  if (impl_->tokenFails) return PrivilegeResult::kTokenFailed;
  for (const wchar_t* known : kKnown) {
    if (EqualsNoCase(name, known)) {
      impl_->enabled.insert(known);
      return PrivilegeResult::kEnabled;
    }
  }
  return PrivilegeResult::kNotFound;
}

void MemoryRegistry::CreateKeyPath(const std::wstring& path) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->ViewOfPath(path, true);
}

void MemoryRegistry::SetRaw(const std::wstring& path, const std::wstring& name, uint32_t type,
                            std::vector<uint8_t> bytes) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  if (Node* n = impl_->ViewOfPath(path, true).Primary()) n->PutValue(name, type, std::move(bytes));
}

void MemoryRegistry::SetString(const std::wstring& path, const std::wstring& name,
                               const std::wstring& text, uint32_t type) {
  SetRaw(path, name, type, ToUtf16Bytes(text, true));
}

void MemoryRegistry::SetDword(const std::wstring& path, const std::wstring& name, uint32_t value) {
  SetRaw(path, name, kRegDword,
         {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
          static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)});
}

bool MemoryRegistry::HasKey(const std::wstring& path) const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->ViewOfPath(path, false).Exists();
}

std::optional<RawValue> MemoryRegistry::GetRaw(const std::wstring& path,
                                               const std::wstring& name) const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  Node* n = impl_->ViewOfPath(path, false).Primary();
  if (!n) return std::nullopt;
  const Value* v = n->FindValue(name);
  if (!v) return std::nullopt;
  return RawValue{v->type, v->bytes};
}

std::vector<std::wstring> MemoryRegistry::SubKeyNames(const std::wstring& path) const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  const View v = impl_->ViewOfPath(path, false);
  if (!v.Exists()) return {};
  return Impl::SubKeyNames(v);
}

std::vector<std::wstring> MemoryRegistry::ValueNames(const std::wstring& path) const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  Node* n = impl_->ViewOfPath(path, false).Primary();
  std::vector<std::wstring> names;
  if (n)
    for (const auto& v : n->values) names.push_back(v.name);
  return names;
}

void MemoryRegistry::RemoveKeyTree(const std::wstring& path) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  const View v = impl_->ViewOfPath(path, false);
  for (Node* n : {v.first, v.second}) {
    if (n && n->parent) Impl::DeleteTree(n);
  }
}

void MemoryRegistry::SetFault(const std::wstring& path, const KeyFault& fault) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  if (Node* n = impl_->ViewOfPath(path, true).Primary()) n->fault = fault;
}

void MemoryRegistry::SetTokenFails(bool fails) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->tokenFails = fails;
}

bool MemoryRegistry::PrivilegeEnabled(const std::wstring& name) const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->enabled.count(name) != 0;
}

const std::vector<SaveRecord>& MemoryRegistry::Saves() const { return impl_->saves; }

const std::vector<ReplaceRecord>& MemoryRegistry::Replaces() const { return impl_->replaces; }

size_t MemoryRegistry::OpenHandleCount() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->handles.size();
}

}  // namespace platform::memory
