// Random registry trees for round-trip tests: generated from a seed, written
// through any IRegistry, and compared with what a registry holds.
#pragma once
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/text.h"
#include "platform/win32_constants.h"

namespace regtest {

struct ValueModel {
  std::wstring name;
  uint32_t type = 0;
  std::vector<uint8_t> bytes;
};

struct KeyModel {
  std::wstring name;
  std::vector<ValueModel> values;
  std::vector<KeyModel> children;
};

class TreeGenerator {
 public:
  explicit TreeGenerator(uint32_t seed) : rng_(seed) {}

  KeyModel Tree(const std::wstring& rootName, int depth) {
    KeyModel key;
    key.name = rootName;
    Fill(key, depth);
    return key;
  }

 private:
  size_t Pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng_); }
  bool Chance(int percent) { return static_cast<int>(Pick(100)) < percent; }

  // Characters that registration-file text must take care of, with plain ones.
  wchar_t NameUnit(bool forKey) {
    static const wchar_t kSpecial[] = {L'"', L'\\', L'=', L' ', L'[', L']', L'@', L'-', L';',
                                       L'\n', L'\r', L'\t', 0xE9, 0x416, 0x4E2D, L',', L':'};
    static const wchar_t kPlain[] = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (;;) {
      const wchar_t c = Chance(35) ? kSpecial[Pick(sizeof kSpecial / sizeof kSpecial[0])]
                                   : kPlain[Pick(sizeof kPlain / sizeof kPlain[0] - 1)];
      // Key names cannot hold a backslash; a line feed or carriage return in
      // a key name fits no registration file.
      if (forKey && (c == L'\\' || c == L'\n' || c == L'\r')) continue;
      return c;
    }
  }

  std::wstring Name(bool forKey) {
    std::wstring name;
    const size_t length = 1 + Pick(12);
    for (size_t i = 0; i < length; ++i) name.push_back(NameUnit(forKey));
    return name;
  }

  static bool Taken(const std::vector<std::wstring>& used, const std::wstring& name) {
    for (const auto& u : used)
      if (platform::EqualsNoCase(u, name)) return true;
    return false;
  }

  std::vector<uint8_t> Bytes(size_t size) {
    std::vector<uint8_t> bytes(size);
    for (auto& b : bytes) b = static_cast<uint8_t>(Chance(20) ? 0 : Pick(256));
    return bytes;
  }

  std::vector<uint8_t> StringData() {
    std::wstring text;
    const size_t length = Pick(20);
    for (size_t i = 0; i < length; ++i) text.push_back(NameUnit(false));
    switch (Pick(6)) {
      case 0: {  // no terminator
        return platform::ToUtf16Bytes(text, false);
      }
      case 1: {  // odd size
        auto bytes = platform::ToUtf16Bytes(text + L"x", true);
        bytes.pop_back();
        return bytes;
      }
      case 2:  // an inner NUL
        return platform::ToUtf16Bytes(text + std::wstring(1, L'\0') + L"tail", true);
      default:
        return platform::ToUtf16Bytes(text, true);
    }
  }

  ValueModel Value(const std::wstring& name) {
    static const uint32_t kTypes[] = {0, 1, 1, 1, 2, 3, 3, 4, 4, 5, 6, 7, 8, 9, 10, 11, 11, 0x1234, 0x7fffffff};
    ValueModel value;
    value.name = name;
    value.type = kTypes[Pick(sizeof kTypes / sizeof kTypes[0])];
    const bool odd = Chance(15);
    switch (value.type) {
      case platform::kRegSz:
      case platform::kRegExpandSz:
        value.bytes = StringData();
        break;
      case platform::kRegDword:
        value.bytes = Bytes(odd ? Pick(7) : 4);
        break;
      case platform::kRegQword:
        value.bytes = Bytes(odd ? Pick(12) : 8);
        break;
      default:
        value.bytes = Bytes(Chance(15) ? 0 : Pick(70));
        break;
    }
    return value;
  }

  void Fill(KeyModel& key, int depth) {
    std::vector<std::wstring> used;
    const size_t values = Pick(6);
    for (size_t i = 0; i < values; ++i) {
      const std::wstring name = Chance(15) ? std::wstring() : Name(false);
      if (Taken(used, name)) continue;
      used.push_back(name);
      key.values.push_back(Value(name));
    }
    if (depth <= 0) return;
    used.clear();
    const size_t children = Pick(4);
    for (size_t i = 0; i < children; ++i) {
      const std::wstring name = Name(true);
      if (Taken(used, name)) continue;
      used.push_back(name);
      KeyModel child;
      child.name = name;
      Fill(child, depth - 1 - static_cast<int>(Pick(2)));
      key.children.push_back(std::move(child));
    }
  }

  std::mt19937 rng_;
};

// Sets a value with the exact bytes given.
inline int32_t SetExact(platform::IRegistry& registry, platform::HKey key, const ValueModel& v) {
  return registry.SetValue(key, v.name.c_str(), v.type, v.bytes.data(),
                           static_cast<uint32_t>(v.bytes.size()));
}

// Creates the model's key below parent (the model's name is the subkey path).
inline bool WriteTree(platform::IRegistry& registry, platform::HKey parent, const KeyModel& model) {
  platform::HKey key = 0;
  if (registry.CreateKey(parent, model.name, 0, platform::kKeyAllAccess, &key, nullptr) != 0)
    return false;
  bool ok = true;
  for (const auto& v : model.values) ok = SetExact(registry, key, v) == 0 && ok;
  for (const auto& child : model.children) ok = WriteTree(registry, key, child) && ok;
  registry.CloseKey(key);
  return ok;
}

inline std::string Describe(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) {
    const uint32_t u = static_cast<uint32_t>(c);
    if (u >= 0x20 && u < 0x7F) {
      out.push_back(static_cast<char>(u));
    } else {
      char buffer[16];
      std::snprintf(buffer, sizeof buffer, "<%04x>", u);
      out += buffer;
    }
  }
  return out;
}

// Empty when the key below parent holds exactly the model's values (type
// and bytes) and subkeys; otherwise the differences, one a line.
inline std::string CompareTree(platform::IRegistry& registry, platform::HKey parent,
                               const KeyModel& model, const std::string& where = "") {
  const std::string here = where + "\\" + Describe(model.name);
  platform::HKey key = 0;
  if (registry.OpenKey(parent, model.name, 0, platform::kKeyRead, &key) != 0)
    return "missing key " + here + "\n";
  std::string diff;
  platform::KeyInfo info;
  registry.QueryInfoKey(key, &info);
  if (info.valueCount != model.values.size())
    diff += "value count " + std::to_string(info.valueCount) + " != " +
            std::to_string(model.values.size()) + " at " + here + "\n";
  if (info.subKeyCount != model.children.size())
    diff += "subkey count " + std::to_string(info.subKeyCount) + " != " +
            std::to_string(model.children.size()) + " at " + here + "\n";
  for (const auto& v : model.values) {
    uint32_t type = 0, size = 0;
    if (registry.QueryValue(key, v.name.c_str(), &type, nullptr, &size) != 0) {
      diff += "missing value \"" + Describe(v.name) + "\" at " + here + "\n";
      continue;
    }
    std::vector<uint8_t> bytes(size + 1);
    registry.QueryValue(key, v.name.c_str(), &type, bytes.data(), &size);
    bytes.resize(size);
    if (type != v.type || bytes != v.bytes)
      diff += "value \"" + Describe(v.name) + "\" differs (type " + std::to_string(type) +
              " vs " + std::to_string(v.type) + ", " + std::to_string(bytes.size()) + " vs " +
              std::to_string(v.bytes.size()) + " bytes) at " + here + "\n";
  }
  for (const auto& child : model.children) diff += CompareTree(registry, key, child, here);
  registry.CloseKey(key);
  return diff;
}

}  // namespace regtest
