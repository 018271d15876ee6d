#include "registry/reg_file_writer.h"

#include "platform/text.h"
#include "platform/win32_constants.h"
#include "registry/reg_key_ex.h"

namespace NSRegKeyEx {

using platform::HKey;
using platform::IRegistry;
using platform::Platform;

namespace {

uint16_t UnitAt(const uint8_t* data, size_t index) {
  return static_cast<uint16_t>(data[2 * index] | data[2 * index + 1] << 8);
}

// REG_SZ data that a quoted string carries exactly: an even size, one NUL
// at the very end and no control character before it.
bool IsCleanString(const uint8_t* data, size_t size) {
  if (size < 2 || size % 2 != 0) return false;
  const size_t count = size / 2;
  if (UnitAt(data, count - 1) != 0) return false;
  for (size_t i = 0; i + 1 < count; ++i) {
    const uint16_t unit = UnitAt(data, i);
    if (unit < 0x20 || unit == 0x7F) return false;
  }
  return true;
}

std::wstring HexTyped(uint32_t type, const uint8_t* data, size_t size) {
  const std::wstring prefix =
      type == platform::kRegBinary ? L"hex:" : platform::Format(L"hex(%x):", type);
  return prefix + HexList(data, size);
}

// The path with its full root name and without brackets ("[HKLM\x]" gives
// "HKEY_LOCAL_MACHINE\x"); false for an invalid path or one holding a line
// feed, which no registration file can carry.
bool CanonicalKeyPath(const std::wstring& path, std::wstring& outPath) {
  HKey root = 0;
  std::wstring subKey;
  if (!ParseKeyPath(path, root, subKey)) return false;
  size_t begin = path.find_first_not_of(L'[');
  if (begin == std::wstring::npos) begin = path.size();
  const bool hasSlash = path.find(L'\\', begin) != std::wstring::npos;
  std::wstring full = RootName(root) + (hasSlash ? L"\\" + subKey : std::wstring());
  if (full.find(L'\n') != std::wstring::npos) return false;
  outPath = std::move(full);
  return true;
}

struct ExportState {
  Platform& p;
  std::wstring& text;
  bool complete = true;
};

// Appends the values of an open key; false when one cannot be read.
bool ExportValues(ExportState& state, HKey key, const platform::KeyInfo& info) {
  IRegistry& registry = state.p.registry;
  std::vector<wchar_t> name(info.maxValueNameLen + 1);
  for (uint32_t index = 0; index < info.valueCount; ++index) {
    uint32_t chars = static_cast<uint32_t>(name.size());
    uint32_t type = 0, bytes = 0;
    int32_t rc = registry.EnumValue(key, index, name.data(), &chars, &type, nullptr, &bytes);
    if (rc == platform::kErrorMoreData && name.size() < 16384) {
      name.assign(16384, L'\0');
      chars = 16384;
      rc = registry.EnumValue(key, index, name.data(), &chars, &type, nullptr, &bytes);
    }
    if (rc != platform::kErrorSuccess) {
      state.complete = false;  // the value vanished or its name is unreadable
      continue;
    }
    const std::wstring valueName(name.data(), chars);
    std::vector<uint8_t> data;
    if (ReadValue(registry, key, valueName, type, data) != platform::kErrorSuccess) return false;
    state.text += ValueLine(valueName, ValueToText(type, data));
  }
  return true;
}

// The path is already canonical (full root name, no brackets) and is not
// parsed again: a subkey name may end in "]".
bool ExportTree(ExportState& state, HKey key, const std::wstring& path) {
  platform::KeyInfo info;
  if (path.find(L'\n') != std::wstring::npos ||
      state.p.registry.QueryInfoKey(key, &info) != platform::kErrorSuccess)
    return false;
  state.text += L"[" + path + L"]\n";
  const bool valuesRead = ExportValues(state, key, info);
  // The block is closed even after a failure so that the text stays readable.
  state.text += L"\n";
  if (!valuesRead) return false;
  IRegistry& registry = state.p.registry;
  std::vector<wchar_t> name(info.maxSubKeyLen + 1 < 256 ? 256 : info.maxSubKeyLen + 1);
  for (uint32_t index = 0; index < info.subKeyCount; ++index) {
    uint32_t chars = static_cast<uint32_t>(name.size());
    ScopedKey child(registry);
    if (registry.EnumKey(key, index, name.data(), &chars) != platform::kErrorSuccess ||
        registry.OpenKey(key, std::wstring(name.data(), chars), 0, kKeyReadWrite, child.Out()) !=
            platform::kErrorSuccess ||
        !ExportTree(state, child.Get(), path + L"\\" + std::wstring(name.data(), chars))) {
      state.complete = false;
    }
  }
  return true;
}

}  // namespace

std::wstring HexList(const uint8_t* data, size_t size) {
  std::wstring out;
  if (data == nullptr) return out;
  out.reserve(size * 3 + size / 8);
  size_t onLine = 0, lineLimit = 22;
  static const wchar_t kDigits[] = L"0123456789abcdef";
  for (size_t i = 0; i < size; ++i) {
    out.push_back(kDigits[data[i] >> 4]);
    out.push_back(kDigits[data[i] & 0xF]);
    if (i + 1 < size) out.push_back(L',');
    if (++onLine == lineLimit && i + 1 < size) {
      out += L"\\\n";
      onLine = 0;
      lineLimit = 25;
    }
  }
  return out;
}

std::wstring ValueToText(uint32_t type, const uint8_t* data, size_t size) {
  if (data == nullptr && size != 0) return std::wstring();
  static const uint8_t kNothing = 0;
  if (data == nullptr) data = &kNothing;
  switch (type) {
    case platform::kRegSz:
      if (!IsCleanString(data, size)) return HexTyped(type, data, size);
      return L"\"" + EscapeRegText(platform::FromUtf16Bytes(data, size - 2), false) + L"\"";
    case platform::kRegDword:
      if (size != 4) return HexTyped(type, data, size);
      return platform::Format(L"dword:%08lx",
                              static_cast<unsigned long>(data[0] | data[1] << 8 | data[2] << 16 |
                                                         static_cast<uint32_t>(data[3]) << 24));
    default:
      return HexTyped(type, data, size);
  }
}

std::wstring ValueToText(uint32_t type, const std::vector<uint8_t>& data) {
  return ValueToText(type, data.data(), data.size());
}

std::wstring EscapeRegText(const std::wstring& text, bool escapeLineEnds) {
  std::wstring out;
  out.reserve(text.size() + 8);
  for (wchar_t c : text) {
    if (c == L'\\' || c == L'"') {
      out.push_back(L'\\');
      out.push_back(c);
    } else if (escapeLineEnds && c == L'\n') {
      out += L"\\n";
    } else if (escapeLineEnds && c == L'\r') {
      out += L"\\r";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

bool KeyLine(const std::wstring& path, std::wstring& outLine) {
  std::wstring full;
  if (!CanonicalKeyPath(path, full)) return false;
  outLine = L"[" + full + L"]\n";
  return true;
}

std::wstring ValueLine(const std::wstring& name, const std::wstring& valueText) {
  if (name.empty()) return L"@=" + valueText + L"\n";
  return L"\"" + EscapeRegText(name, true) + L"\"=" + valueText + L"\n";
}

bool ExportValue(Platform& p, const std::wstring& path, const std::wstring& valueName,
                 std::wstring& text) {
  std::wstring keyLine;
  uint32_t type = 0;
  std::vector<uint8_t> data;
  if (!KeyLine(path, keyLine) || !QueryRawValue(p, path, valueName, type, data)) return false;
  text += keyLine + ValueLine(valueName, ValueToText(type, data)) + L"\n";
  return true;
}
bool ExportValue(const std::wstring& path, const std::wstring& valueName, std::wstring& text) {
  return ExportValue(platform::DefaultPlatform(), path, valueName, text);
}

bool ExportKey(Platform& p, const std::wstring& path, std::wstring& text, bool* complete) {
  CRegKeyEx key(p);
  // Children are addressed from the canonical path, so that a bracketed or
  // short-root path yields the same key lines as the plain full one.
  std::wstring canonical;
  if (!key.Open(path) || !CanonicalKeyPath(path, canonical)) {
    if (complete) *complete = false;
    return false;
  }
  ExportState state{p, text};
  const bool ok = ExportTree(state, key.hkey, canonical);
  if (complete) *complete = ok && state.complete;
  return ok;
}
bool ExportKey(const std::wstring& path, std::wstring& text, bool* complete) {
  return ExportKey(platform::DefaultPlatform(), path, text, complete);
}

bool AppendRegFile(Platform& p, const std::wstring& file, const std::wstring& text,
                   int32_t* error) {
  if (error) *error = platform::kErrorSuccess;
  if (text.empty()) return true;
  std::unique_ptr<platform::IAppendFile> out = p.files.OpenForAppend(file, error);
  if (!out) return false;
  std::vector<uint8_t> bytes;
  if (out->Size() == 0) bytes = {0xFF, 0xFE};
  const std::vector<uint8_t> body = platform::ToUtf16Bytes(text + L"\n", false);
  bytes.insert(bytes.end(), body.begin(), body.end());
  if (out->Append(bytes.data(), bytes.size()) && out->Flush()) return true;
  if (error && *error == platform::kErrorSuccess) *error = platform::kErrorWriteFault;
  return false;
}
bool AppendRegFile(const std::wstring& file, const std::wstring& text, int32_t* error) {
  return AppendRegFile(platform::DefaultPlatform(), file, text, error);
}

}  // namespace NSRegKeyEx
