// The seeded registry and the problem records of the crash-safety test,
// shared by the test and the child program it kills.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/text.h"
#include "platform/win32_constants.h"
#include "scan/scan_types.h"

namespace crash_test {

inline constexpr wchar_t kBaseSub[] = L"Software\\LumoraCrashTest";
inline constexpr wchar_t kBase[] = L"HKEY_CURRENT_USER\\Software\\LumoraCrashTest";
inline constexpr int kKeys = 60;  // 4 value records per key, 1 whole-key record per tree

inline std::wstring ValueKey(int i) { return platform::Format(L"%ls\\Values\\K%03d", kBase, i); }
inline std::wstring TreeKey(int i) { return platform::Format(L"%ls\\Trees\\T%03d", kBase, i); }

inline bool Put(platform::IRegistry& r, const std::wstring& path, const wchar_t* name,
                uint32_t type, std::vector<uint8_t> bytes) {
  platform::HKey root = platform::kHKeyCurrentUser;
  const std::wstring sub = path.substr(path.find(L'\\') + 1);
  platform::HKey key = 0;
  if (r.CreateKey(root, sub, 0, platform::kKeyAllAccess, &key, nullptr) != 0) return false;
  const uint32_t size = static_cast<uint32_t>(bytes.size());
  bytes.push_back(0xFF);  // keeps the registry from terminating string data itself
  bytes.push_back(0xFF);
  const bool ok = r.SetValue(key, name, type, bytes.data(), size) == 0;
  r.CloseKey(key);
  return ok;
}

inline std::vector<uint8_t> Text(const std::wstring& s) { return platform::ToUtf16Bytes(s, true); }
inline std::vector<uint8_t> Bytes(int seed, size_t n) {
  std::vector<uint8_t> out(n);
  for (size_t j = 0; j < n; ++j) out[j] = static_cast<uint8_t>(seed * 31 + j * 7);
  return out;
}

// Values and trees, with data of every type the backups carry, and entries
// beside them that no record names.
inline bool Seed(platform::IRegistry& r) {
  bool ok = true;
  for (int i = 0; i < kKeys; ++i) {
    const std::wstring v = ValueKey(i);
    ok &= Put(r, v, L"a", platform::kRegDword, Bytes(i, 4));
    ok &= Put(r, v, L"b \"q\" \\", platform::kRegSz, Text(platform::Format(L"C:\\p\\%d \"x\"", i)));
    ok &= Put(r, v, L"c", platform::kRegBinary, Bytes(i, 30 + i % 7));
    ok &= Put(r, v, L"", platform::kRegSz, Text(L"default"));
    ok &= Put(r, v, L"keep", platform::kRegDword, Bytes(i + 1, 4));
    const std::wstring t = TreeKey(i);
    ok &= Put(r, t, L"", platform::kRegExpandSz, Text(L"%SystemRoot%\\x.dll"));
    ok &= Put(r, t + L"\\S1", L"m", platform::kRegMultiSz, Text(std::wstring(L"one\0two\0", 8)));
    ok &= Put(r, t + L"\\S1\\S2", L"q", platform::kRegQword, Bytes(i, 8));
    ok &= Put(r, t + L"\\S3", L"n", platform::kRegNone, {});
  }
  ok &= Put(r, std::wstring(kBase) + L"\\Trees\\Keep", L"k", platform::kRegDword, Bytes(0, 4));
  return ok;
}

inline SRegProblemItem Item(const std::wstring& key, const std::wstring& name) {
  SRegProblemItem item;
  item.keyPath = key;
  item.valueName = name;
  return item;
}

// 300 records in five categories.
inline SRegScanDetail Records() {
  SRegScanDetail d;
  for (int i = 0; i < kKeys; ++i) {
    d.byCategory[4].push_back(Item(ValueKey(i), L"a"));
    d.byCategory[6].push_back(Item(ValueKey(i), L"b \"q\" \\"));
    d.byCategory[9].push_back(Item(ValueKey(i), L"c"));
    d.byCategory[11].push_back(Item(ValueKey(i), L""));
    d.byCategory[13].push_back(Item(TreeKey(i), kWholeKey));
  }
  d.problemCount = 5 * kKeys;
  return d;
}

}  // namespace crash_test
