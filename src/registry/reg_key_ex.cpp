#include "registry/reg_key_ex.h"

#include <string_view>

#include "platform/debug_trace.h"
#include "platform/system_error.h"
#include "platform/text.h"
#include "platform/win32_constants.h"
#include "registry/reg_file_writer.h"

namespace NSRegKeyEx {

using platform::HKey;
using platform::IRegistry;
using platform::Platform;

namespace {

constexpr uint32_t kLongestName = 16384;  // registry value names, in characters

struct RootEntry {
  const wchar_t* text;
  HKey key;
};

constexpr RootEntry kRoots[] = {
    {L"HKEY_CURRENT_USER", platform::kHKeyCurrentUser},
    {L"HKEY_CLASSES_ROOT", platform::kHKeyClassesRoot},
    {L"HKEY_LOCAL_MACHINE", platform::kHKeyLocalMachine},
    {L"HKEY_USERS", platform::kHKeyUsers},
    {L"HKCU", platform::kHKeyCurrentUser},
    {L"HKCR", platform::kHKeyClassesRoot},
    {L"HKLM", platform::kHKeyLocalMachine},
};

// Opens the key a path names; a parse failure gives ERROR_INVALID_PARAMETER
// without touching the registry.
int32_t OpenPath(IRegistry& registry, const std::wstring& path, uint32_t options,
                 uint32_t access, ScopedKey& key) {
  HKey root = 0;
  std::wstring subKey;
  if (!ParseKeyPath(path, root, subKey)) return platform::kErrorInvalidParameter;
  return registry.OpenKey(root, subKey, options, access, key.Out());
}

// Enumerates one name into a reusable buffer, growing it once when the
// name turned out longer than the key's info said.
template <typename EnumFn>
bool EnumName(std::vector<wchar_t>& buffer, uint32_t size, EnumFn enumerate, std::wstring& out) {
  if (buffer.size() < size || buffer.empty()) buffer.assign(size == 0 ? 1 : size, L'\0');
  uint32_t chars = static_cast<uint32_t>(buffer.size());
  int32_t rc = enumerate(buffer.data(), &chars);
  if (rc == platform::kErrorMoreData && buffer.size() < kLongestName) {
    buffer.assign(kLongestName, L'\0');
    chars = kLongestName;
    rc = enumerate(buffer.data(), &chars);
  }
  if (rc != platform::kErrorSuccess) return false;
  out.assign(buffer.data(), chars);
  return true;
}

}  // namespace

// ---- CRegKeyEx ----

CRegKeyEx::CRegKeyEx() : CRegKeyEx(platform::DefaultPlatform()) {}
CRegKeyEx::CRegKeyEx(Platform& p) : platform_(&p) {}
CRegKeyEx::~CRegKeyEx() { Reset(); }

void CRegKeyEx::Reset() {
  subKeyNameBuffer.clear();
  valueNameBuffer.clear();
  subKeyCount = subKeyNameMax = valueCount = valueNameMax = valueDataMax = 0;
  infoRead = opened = false;
  if (hkey != 0) platform_->registry.CloseKey(hkey);
  hkey = 0;
}

bool CRegKeyEx::Open(const std::wstring& keyPath) {
  Reset();
  HKey root = 0;
  std::wstring subKey;
  if (!ParseKeyPath(keyPath, root, subKey)) return false;
  IRegistry& registry = platform_->registry;
  lastError = registry.OpenKey(root, subKey, 0, kKeyReadWrite, &hkey);
  opened = lastError == platform::kErrorSuccess;
  if (!opened) {
    hkey = 0;
    return false;
  }
  platform::KeyInfo info;
  lastError = registry.QueryInfoKey(hkey, &info);
  infoRead = lastError == platform::kErrorSuccess;
  if (!infoRead) {
    Reset();
    return false;
  }
  subKeyCount = info.subKeyCount;
  subKeyNameMax = info.maxSubKeyLen + 1;
  valueCount = info.valueCount;
  valueNameMax = info.maxValueNameLen + 1;
  valueDataMax = info.maxValueLen;
  subKeyNameBuffer.assign(subKeyNameMax, L'\0');
  valueNameBuffer.assign(valueNameMax, L'\0');
  path = keyPath;
  return true;
}

bool CRegKeyEx::OpenSubKey(const std::wstring& name, CRegKeyEx& outKey) const {
  if (name.empty() || hkey == 0 || path.empty()) return false;
  return outKey.Open(path + L"\\" + name);
}

bool CRegKeyEx::EnumSubKey(uint32_t index, std::wstring& outName) {
  if (!infoRead || !opened) return false;
  IRegistry& registry = platform_->registry;
  return EnumName(
      subKeyNameBuffer, subKeyNameMax,
      [&](wchar_t* name, uint32_t* chars) { return registry.EnumKey(hkey, index, name, chars); },
      outName);
}

bool CRegKeyEx::EnumValueName(uint32_t index, std::wstring& outName) {
  if (!infoRead || !opened) return false;
  IRegistry& registry = platform_->registry;
  uint32_t type = 0, bytes = 0;
  return EnumName(
      valueNameBuffer, valueNameMax,
      [&](wchar_t* name, uint32_t* chars) {
        return registry.EnumValue(hkey, index, name, chars, &type, nullptr, &bytes);
      },
      outName);
}

bool CRegKeyEx::EnumValue(uint32_t index, std::wstring& outName, uint32_t* outType, uint8_t* data,
                          uint32_t* inOutDataSize) {
  if (!infoRead || !opened) return false;
  if (valueNameBuffer.size() < valueNameMax || valueNameBuffer.empty())
    valueNameBuffer.assign(valueNameMax == 0 ? 1 : valueNameMax, L'\0');
  uint32_t chars = static_cast<uint32_t>(valueNameBuffer.size());
  const int32_t rc = platform_->registry.EnumValue(hkey, index, valueNameBuffer.data(), &chars,
                                                   outType, data, inOutDataSize);
  if (rc != platform::kErrorSuccess) return false;
  outName.assign(valueNameBuffer.data(), chars);
  return true;
}

bool CRegKeyEx::QueryStringValue(const std::wstring& name, std::wstring& outText) {
  if (!infoRead || !opened) return false;
  IRegistry& registry = platform_->registry;
  uint32_t type = 0, bytes = 0;
  if (registry.QueryValue(hkey, name.c_str(), &type, nullptr, &bytes) != platform::kErrorSuccess)
    return false;
  if (type != platform::kRegSz && type != platform::kRegExpandSz) return false;
  std::vector<uint8_t> data(bytes + 2, 0);
  uint32_t got = bytes;
  if (registry.QueryValue(hkey, name.c_str(), &type, data.data(), &got) !=
      platform::kErrorSuccess) {
    outText.clear();
    return false;
  }
  std::wstring text = platform::FromUtf16Bytes(data.data(), got);
  outText = text.substr(0, text.find(L'\0'));
  return true;
}

int32_t CRegKeyEx::QueryDwordValue(const std::wstring& name, uint32_t& outValue) {
  if (hkey == 0) return platform::kErrorInvalidHandle;
  return NSRegKeyEx::QueryDwordValue(*platform_, hkey, name, outValue);
}

// ---- paths ----

// Works on positions in the path, without copies: presence tests call it
// for every reference they check.
bool ParseKeyPath(const std::wstring& path, HKey& outRoot, std::wstring& outSubKey) {
  const std::wstring_view all(path);
  size_t begin = all.find_first_not_of(L'[');
  if (begin == std::wstring_view::npos) begin = all.size();
  size_t end = all.size();
  while (end > begin && all[end - 1] == L']') --end;
  const std::wstring_view text = all.substr(begin, end - begin);
  const size_t slash = text.find(L'\\');
  const std::wstring_view root = text.substr(0, slash);
  for (const RootEntry& entry : kRoots) {
    if (root == entry.text) {
      outRoot = entry.key;
      if (slash == std::wstring_view::npos)
        outSubKey.clear();
      else
        outSubKey.assign(text.substr(slash + 1));
      return true;
    }
  }
  return false;
}

std::wstring RootName(HKey root) {
  switch (root) {
    case platform::kHKeyClassesRoot: return L"HKEY_CLASSES_ROOT";
    case platform::kHKeyCurrentUser: return L"HKEY_CURRENT_USER";
    case platform::kHKeyLocalMachine: return L"HKEY_LOCAL_MACHINE";
    case platform::kHKeyUsers: return L"HKEY_USERS";
    case platform::kHKeyCurrentConfig: return L"HKEY_CURRENT_CONFIG";
    default: return std::wstring();
  }
}

std::wstring JoinKeyPath(const std::vector<std::wstring>& parts) {
  std::wstring joined;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) joined.push_back(L'\\');
    joined += parts[i];
  }
  return joined;
}

std::wstring JoinKeyPath(KeyParts parts) {
  return JoinKeyPath(std::vector<std::wstring>(parts.begin(), parts.end()));
}

// ---- free functions ----

bool KeyExists(Platform& p, const std::wstring& path) {
  HKey root = 0;
  std::wstring subKey;
  if (!ParseKeyPath(path, root, subKey)) return false;
  ScopedKey key(p.registry);
  const int32_t rc = p.registry.OpenKey(root, subKey, 0, platform::kKeyRead, key.Out());
  return rc != platform::kErrorFileNotFound;
}
bool KeyExists(const std::wstring& path) { return KeyExists(platform::DefaultPlatform(), path); }

bool KeyExistsJoined(Platform& p, KeyParts parts) { return KeyExists(p, JoinKeyPath(parts)); }
bool KeyExistsJoined(KeyParts parts) {
  return KeyExistsJoined(platform::DefaultPlatform(), parts);
}

namespace {

int32_t DeleteSubTree(IRegistry& registry, HKey parent, const std::wstring& name) {
  ScopedKey key(registry);
  int32_t rc = registry.OpenKey(parent, name, 0, kKeyReadWrite, key.Out());
  if (rc != platform::kErrorSuccess) return rc;
  wchar_t child[256];
  for (;;) {
    uint32_t chars = 256;
    if (registry.EnumKey(key.Get(), 0, child, &chars) != platform::kErrorSuccess) break;
    rc = DeleteSubTree(registry, key.Get(), std::wstring(child, chars));
    if (rc != platform::kErrorSuccess) return rc;
  }
  key.Close();
  return registry.DeleteKey(parent, name);
}

bool SetError(int32_t* error, int32_t code) {
  if (error) *error = code;
  return code == platform::kErrorSuccess;
}

}  // namespace

bool DeleteKeyTree(Platform& p, const std::wstring& path, int32_t* error) {
  HKey root = 0;
  std::wstring subKey;
  if (!ParseKeyPath(path, root, subKey)) return SetError(error, platform::kErrorInvalidParameter);
  // A subkey of nothing but backslashes names the root itself.
  if (subKey.find_first_not_of(L'\\') == std::wstring::npos)
    return SetError(error, platform::kErrorInvalidParameter);
  ScopedKey rootKey(p.registry);
  int32_t rc = p.registry.OpenKey(root, L"", 0, platform::kKeyAllAccess, rootKey.Out());
  if (rc == platform::kErrorSuccess) rc = DeleteSubTree(p.registry, rootKey.Get(), subKey);
  return SetError(error, rc);
}
bool DeleteKeyTree(const std::wstring& path, int32_t* error) {
  return DeleteKeyTree(platform::DefaultPlatform(), path, error);
}

bool DeleteValueAt(Platform& p, const std::wstring& valueName, const std::wstring& path,
                   int32_t* error) {
  ScopedKey key(p.registry);
  int32_t rc = OpenPath(p.registry, path, 0, platform::kKeyAllAccess, key);
  if (rc == platform::kErrorSuccess) rc = p.registry.DeleteValue(key.Get(), valueName.c_str());
  return SetError(error, rc);
}
bool DeleteValueAt(const std::wstring& valueName, const std::wstring& path, int32_t* error) {
  return DeleteValueAt(platform::DefaultPlatform(), valueName, path, error);
}

bool QueryStringAt(Platform& p, const std::wstring& path, const std::wstring& valueName,
                   std::wstring& outText) {
  HKey root = 0;
  std::wstring subKey;
  if (!ParseKeyPath(path, root, subKey)) return false;
  ScopedKey key(p.registry);
  const int32_t rc = p.registry.OpenKey(root, subKey, 0, platform::kKeyRead, key.Out());
  if (rc != platform::kErrorSuccess) {
    platform::DebugTrace(p, L"Open key fail: %ls", FormatSystemError(p, rc).c_str());
    return false;
  }
  uint32_t type = 0;
  std::vector<uint8_t> data;
  if (ReadValue(p.registry, key.Get(), valueName, type, data) != platform::kErrorSuccess)
    return false;
  if (type != platform::kRegSz && type != platform::kRegExpandSz) return false;
  if (data.size() % 2 != 0) return false;
  if (!data.empty() && (data[data.size() - 1] != 0 || data[data.size() - 2] != 0)) return false;
  const std::wstring text = platform::FromUtf16Bytes(data.data(), data.size());
  outText = text.substr(0, text.find(L'\0'));
  return true;
}
bool QueryStringAt(const std::wstring& path, const std::wstring& valueName, std::wstring& outText) {
  return QueryStringAt(platform::DefaultPlatform(), path, valueName, outText);
}

bool QueryStringJoined(Platform& p, const std::wstring& valueName, std::wstring& outText,
                       KeyParts parts) {
  return QueryStringAt(p, JoinKeyPath(parts), valueName, outText);
}
bool QueryStringJoined(const std::wstring& valueName, std::wstring& outText, KeyParts parts) {
  return QueryStringJoined(platform::DefaultPlatform(), valueName, outText, parts);
}

int32_t ReadValue(IRegistry& registry, HKey key, const std::wstring& valueName, uint32_t& outType,
                  std::vector<uint8_t>& outData) {
  const wchar_t* name = valueName.c_str();
  uint32_t bytes = 0;
  int32_t rc = registry.QueryValue(key, name, &outType, nullptr, &bytes);
  for (int attempt = 0; rc == platform::kErrorSuccess && attempt < 8; ++attempt) {
    std::vector<uint8_t> data(bytes == 0 ? 1 : bytes);
    uint32_t got = bytes;
    rc = registry.QueryValue(key, name, &outType, data.data(), &got);
    if (rc == platform::kErrorSuccess) {
      data.resize(got);
      outData = std::move(data);
      return rc;
    }
    if (rc != platform::kErrorMoreData) return rc;
    bytes = got > bytes ? got : bytes * 2 + 2;  // the value grew meanwhile
    rc = platform::kErrorSuccess;
  }
  return rc == platform::kErrorSuccess ? platform::kErrorMoreData : rc;
}

bool QueryRawValue(Platform& p, const std::wstring& path, const std::wstring& valueName,
                   uint32_t& outType, std::vector<uint8_t>& outData) {
  ScopedKey key(p.registry);
  if (OpenPath(p.registry, path, 0, platform::kKeyRead, key) != platform::kErrorSuccess)
    return false;
  return ReadValue(p.registry, key.Get(), valueName, outType, outData) == platform::kErrorSuccess;
}
bool QueryRawValue(const std::wstring& path, const std::wstring& valueName, uint32_t& outType,
                   std::vector<uint8_t>& outData) {
  return QueryRawValue(platform::DefaultPlatform(), path, valueName, outType, outData);
}

bool QueryKeyCounts(Platform& p, uint32_t& outSubKeys, uint32_t& outValues, KeyParts parts) {
  ScopedKey key(p.registry);
  if (OpenPath(p.registry, JoinKeyPath(parts), 0, platform::kKeyRead, key) !=
      platform::kErrorSuccess)
    return false;
  platform::KeyInfo info;
  if (p.registry.QueryInfoKey(key.Get(), &info) != platform::kErrorSuccess) return false;
  outSubKeys = info.subKeyCount;
  outValues = info.valueCount;
  return true;
}
bool QueryKeyCounts(uint32_t& outSubKeys, uint32_t& outValues, KeyParts parts) {
  return QueryKeyCounts(platform::DefaultPlatform(), outSubKeys, outValues, parts);
}

bool KeyIsEmpty(Platform& p, KeyParts parts) {
  uint32_t subKeys = 0, values = 0;
  return QueryKeyCounts(p, subKeys, values, parts) && subKeys == 0 && values == 0;
}
bool KeyIsEmpty(KeyParts parts) { return KeyIsEmpty(platform::DefaultPlatform(), parts); }

bool GetValueText(Platform& p, const std::wstring& path, const std::wstring& valueName,
                  std::wstring& outText) {
  uint32_t type = 0;
  std::vector<uint8_t> data;
  if (!QueryRawValue(p, path, valueName, type, data)) return false;
  outText = ValueToText(type, data);
  return true;
}
bool GetValueText(const std::wstring& path, const std::wstring& valueName, std::wstring& outText) {
  return GetValueText(platform::DefaultPlatform(), path, valueName, outText);
}

bool SaveKeyToFile(Platform& p, const std::wstring& file, const std::wstring& path,
                   int32_t* error) {
  ScopedKey key(p.registry);
  int32_t rc = OpenPath(p.registry, path, platform::kRegOptionBackupRestore,
                        platform::kKeyQueryValue, key);
  if (rc == platform::kErrorSuccess) rc = p.registry.SaveKey(key.Get(), file);
  return SetError(error, rc);
}
bool SaveKeyToFile(const std::wstring& file, const std::wstring& path, int32_t* error) {
  return SaveKeyToFile(platform::DefaultPlatform(), file, path, error);
}

bool ReplaceKeyFiles(Platform& p, const std::wstring& oldFile, const std::wstring& path,
                     const std::wstring& newFile, int32_t* error) {
  HKey root = 0;
  std::wstring subKey;
  if (!ParseKeyPath(path, root, subKey)) return SetError(error, platform::kErrorInvalidParameter);
  return SetError(error, p.registry.ReplaceKey(root, subKey, newFile, oldFile));
}
bool ReplaceKeyFiles(const std::wstring& oldFile, const std::wstring& path,
                     const std::wstring& newFile, int32_t* error) {
  return ReplaceKeyFiles(platform::DefaultPlatform(), oldFile, path, newFile, error);
}

bool EnableBackupPrivileges(Platform& p) {
  for (const wchar_t* name : {L"SeBackupPrivilege", L"SeRestorePrivilege"}) {
    if (p.registry.EnablePrivilege(name) == platform::PrivilegeResult::kTokenFailed) return false;
  }
  return true;
}
bool EnableBackupPrivileges() { return EnableBackupPrivileges(platform::DefaultPlatform()); }

std::wstring FormatSystemError(Platform& p, int32_t code) {
  if (!platform::DebugTraceEnabled(p)) return std::wstring();
  uint32_t failure = 0;
  std::wstring text = platform::SystemErrorText(code, &failure);
  if (text.empty()) platform::DebugTrace(p, L"FormatMessage() failed, error %u", failure);
  return text;
}
std::wstring FormatSystemError(int32_t code) {
  return FormatSystemError(platform::DefaultPlatform(), code);
}

int32_t QueryDwordValue(Platform& p, HKey key, const std::wstring& valueName, uint32_t& outValue) {
  uint8_t bytes[4] = {};
  uint32_t size = sizeof bytes;
  uint32_t type = 0;
  const int32_t rc = p.registry.QueryValue(key, valueName.c_str(), &type, bytes, &size);
  if (rc != platform::kErrorSuccess && rc != platform::kErrorMoreData) return rc;
  if (type != platform::kRegDword || rc != platform::kErrorSuccess || size != 4)
    return platform::kErrorInvalidData;
  outValue = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
             static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
  return rc;
}
int32_t QueryDwordValue(HKey key, const std::wstring& valueName, uint32_t& outValue) {
  return QueryDwordValue(platform::DefaultPlatform(), key, valueName, outValue);
}

}  // namespace NSRegKeyEx
