#include "registry/reg_file_reader.h"

#include <new>
#include <optional>
#include <vector>

#include "platform/text.h"
#include "platform/win32_constants.h"
#include "registry/reg_key_ex.h"

namespace NSRegKeyEx {

using platform::HKey;
using platform::IRegistry;

namespace {

// What one value line asks for.
struct ValueLineData {
  std::wstring name;
  bool remove = false;
  uint32_t type = 0;
  std::vector<uint8_t> bytes;
};

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

std::wstring ReplaceAll(const std::wstring& text, const std::wstring& from,
                        const std::wstring& to) {
  std::wstring out;
  out.reserve(text.size());
  size_t start = 0;
  for (size_t at; (at = text.find(from, start)) != std::wstring::npos; start = at + from.size()) {
    out.append(text, start, at - start);
    out += to;
  }
  out.append(text, start, std::wstring::npos);
  return out;
}

// The reader's own root table: full names only, compared ignoring case; the
// path needs a backslash. An unknown root yields the null handle.
bool SplitReaderPath(const std::wstring& path, HKey& root, std::wstring& subKey) {
  const size_t slash = path.find(L'\\');
  if (slash == std::wstring::npos) return false;
  const std::wstring rootText = path.substr(0, slash);
  root = 0;
  for (HKey key : {platform::kHKeyClassesRoot, platform::kHKeyCurrentUser,
                   platform::kHKeyLocalMachine, platform::kHKeyUsers,
                   platform::kHKeyCurrentConfig}) {
    if (platform::EqualsNoCase(rootText, RootName(key))) root = key;
  }
  subKey = path.substr(slash + 1);
  return true;
}

// A double-quoted text starting at pos; pos ends after the closing quote.
std::optional<std::wstring> ParseQuoted(const std::wstring& line, size_t& pos) {
  if (pos >= line.size() || line[pos] != L'"') return std::nullopt;
  std::wstring out;
  for (++pos; pos < line.size(); ++pos) {
    const wchar_t c = line[pos];
    if (c == L'"') {
      ++pos;
      return out;
    }
    if (c != L'\\' || pos + 1 >= line.size()) {
      out.push_back(c);
      continue;
    }
    const wchar_t next = line[++pos];
    switch (next) {
      case L'\\': case L'"': out.push_back(next); break;
      case L'n': out.push_back(L'\n'); break;
      case L'r': out.push_back(L'\r'); break;
      default: out.push_back(L'\\'); out.push_back(next); break;  // kept as written
    }
  }
  return std::nullopt;
}

std::optional<uint32_t> ParseHexNumber(const std::wstring& text, size_t maxDigits) {
  if (text.empty() || text.size() > maxDigits) return std::nullopt;
  uint32_t value = 0;
  for (wchar_t c : text) {
    const int digit = HexDigit(c);
    if (digit < 0) return std::nullopt;
    value = value << 4 | static_cast<uint32_t>(digit);
  }
  return value;
}

// Comma-separated hex bytes; backslashes and white space between them are
// ignored, empty pieces skipped, the low 8 bits of each piece kept.
std::optional<std::vector<uint8_t>> ParseHexBytes(const std::wstring& list) {
  std::vector<uint8_t> bytes;
  std::wstring piece;
  auto flush = [&]() {
    if (piece.empty()) return true;
    uint32_t value = 0;
    for (wchar_t c : piece) {
      const int digit = HexDigit(c);
      if (digit < 0) return false;
      value = value << 4 | static_cast<uint32_t>(digit);
    }
    bytes.push_back(static_cast<uint8_t>(value & 0xFF));
    piece.clear();
    return true;
  };
  for (wchar_t c : list) {
    if (c == L'\\' || c == L' ' || c == L'\t' || c == L'\n' || c == L'\r') continue;
    if (c == L',') {
      if (!flush()) return std::nullopt;
    } else {
      piece.push_back(c);
    }
  }
  if (!flush()) return std::nullopt;
  return bytes;
}

bool ParseData(const std::wstring& data, ValueLineData& out) {
  size_t end = data.size();
  while (end > 0 && IsBlank(data[end - 1])) --end;
  const std::wstring text = data.substr(0, end);
  if (text == L"-") {
    out.remove = true;
    return true;
  }
  if (!text.empty() && text[0] == L'"') {
    size_t pos = 0;
    const std::optional<std::wstring> s = ParseQuoted(text, pos);
    if (!s || pos != text.size()) return false;
    out.type = platform::kRegSz;
    out.bytes = platform::ToUtf16Bytes(*s, true);
    return true;
  }
  if (platform::StartsWithNoCase(text, L"dword:")) {
    const std::optional<uint32_t> value = ParseHexNumber(text.substr(6), 8);
    if (!value) return false;
    out.type = platform::kRegDword;
    out.bytes = {static_cast<uint8_t>(*value), static_cast<uint8_t>(*value >> 8),
                 static_cast<uint8_t>(*value >> 16), static_cast<uint8_t>(*value >> 24)};
    return true;
  }
  size_t listStart = 0;
  if (platform::StartsWithNoCase(text, L"hex:")) {
    out.type = platform::kRegBinary;
    listStart = 4;
  } else if (platform::StartsWithNoCase(text, L"hex(")) {
    const size_t close = text.find(L')', 4);
    if (close == std::wstring::npos || close + 1 >= text.size() || text[close + 1] != L':')
      return false;
    const std::optional<uint32_t> type = ParseHexNumber(text.substr(4, close - 4), 8);
    if (!type) return false;
    out.type = *type;
    listStart = close + 2;
  } else {
    return false;
  }
  std::optional<std::vector<uint8_t>> bytes = ParseHexBytes(text.substr(listStart));
  if (!bytes) return false;
  out.bytes = std::move(*bytes);
  return true;
}

// "name"=data or @=data, with blanks allowed around the equals sign.
bool ParseLine(const std::wstring& line, ValueLineData& out) {
  size_t pos = 0;
  while (pos < line.size() && IsBlank(line[pos])) ++pos;
  if (pos < line.size() && line[pos] == L'@') {
    ++pos;
  } else {
    std::optional<std::wstring> name = ParseQuoted(line, pos);
    if (!name) return false;
    out.name = std::move(*name);
  }
  while (pos < line.size() && IsBlank(line[pos])) ++pos;
  if (pos >= line.size() || line[pos] != L'=') return false;
  ++pos;
  while (pos < line.size() && IsBlank(line[pos])) ++pos;
  return ParseData(line.substr(pos), out);
}

bool IsIgnorableLine(const std::wstring& line) {
  const size_t first = line.find_first_not_of(L" \t");
  return first == std::wstring::npos || line[first] == L';';
}

}  // namespace

RegFileImporter::RegFileImporter() : RegFileImporter(platform::DefaultPlatform()) {}
RegFileImporter::RegFileImporter(platform::Platform& p) : platform_(&p) {}

void RegFileImporter::Report(const wchar_t* error) {
  if (observer) observer->OnImportError(error);
}

bool RegFileImporter::ImportFile(const std::wstring& path) {
  report_ = ImportReport();
  if (!platform_->files.PathExists(path)) return false;
  filePath = path;
  if (observer) observer->OnImportBegin();
  std::vector<uint8_t> bytes;
  if (!platform_->files.ReadWholeFile(path, &bytes)) {
    Report(L"Cann't Open File!");
    if (observer) observer->OnImportEnd();
    return false;
  }
  std::wstring text;
  try {
    text = platform::FromUtf16Bytes(bytes.data(), bytes.size() & ~static_cast<size_t>(1));
  } catch (const std::bad_alloc&) {
    Report(L"Alloc Memory Fail!");
    if (observer) observer->OnImportEnd();
    return false;
  }
  const bool result = ImportText(text);
  if (observer) observer->OnImportEnd();
  return result;
}

bool RegFileImporter::ImportText(const std::wstring& raw) {
  report_ = ImportReport();
  const std::wstring text = ReplaceAll(raw, L"\r\n", L"\n");
  size_t start = text.find(L'[');
  if (start == std::wstring::npos) return false;
  for (size_t end; (end = text.find(L"\n\n", start + 1)) != std::wstring::npos; start = end + 2) {
    ParseBlock(text.substr(start, end - start));
  }
  // Text after the last blank line is not read: the writer and the registry
  // editor end every block with one, so this is a file cut short.
  if (text.find_first_not_of(L"\n \t", start) != std::wstring::npos) report_.textLeftUnread = true;
  return true;
}

void RegFileImporter::ParseBlock(const std::wstring& textBlock) {
  // Extra blank lines before a block would otherwise hide its key line; a
  // block that still does not start with "[" cannot be restored, so the file
  // counts as not wholly imported.
  const size_t first = textBlock.find_first_not_of(L"\n \t");
  if (first == std::wstring::npos) return;
  const std::wstring rawBlock = textBlock.substr(first);
  if (rawBlock[0] != L'[') {
    ++report_.keysFailed;
    return;
  }
  IRegistry& registry = platform_->registry;
  const std::wstring block = ReplaceAll(rawBlock, L"\\\n", L"");
  const size_t headerEnd = block.find(L"]\n");
  std::wstring path;
  if (headerEnd != std::wstring::npos) {
    path = block.substr(1, headerEnd - 1);
  } else if (block.back() == L']' && block.size() >= 2) {
    path = block.substr(1, block.size() - 2);
  } else {
    Report(L"Parse Key Contect Error!");
    ++report_.keysFailed;
    return;
  }
  const bool remove = !path.empty() && path[0] == L'-';
  if (remove) path.erase(0, 1);
  HKey root = 0;
  std::wstring subKey;
  ScopedKey key(registry);
  int32_t rc = platform::kErrorInvalidParameter;
  if (SplitReaderPath(path, root, subKey) && root != 0) {
    if (remove) {
      rc = registry.DeleteKey(root, subKey);
      if (rc == platform::kErrorFileNotFound) rc = platform::kErrorSuccess;
    } else {
      rc = registry.CreateKey(root, subKey, platform::kRegOptionNonVolatile, kKeyReadWrite,
                              key.Out(), nullptr);
    }
  }
  if (rc != platform::kErrorSuccess) {
    ++report_.keysFailed;
    return;
  }
  ++report_.keysWritten;
  if (headerEnd == std::wstring::npos) return;
  size_t lineStart = headerEnd + 2;
  while (lineStart <= block.size()) {
    size_t lineEnd = block.find(L'\n', lineStart);
    if (lineEnd == std::wstring::npos) lineEnd = block.size();
    ParseValueLine(remove ? 0 : key.Get(), block.substr(lineStart, lineEnd - lineStart));
    lineStart = lineEnd + 1;
  }
}

void RegFileImporter::ParseValueLine(HKey key, const std::wstring& line) {
  if (IsIgnorableLine(line)) return;
  ValueLineData value;
  if (!ParseLine(line, value) || key == 0) {
    ++report_.valuesFailed;
    return;
  }
  IRegistry& registry = platform_->registry;
  int32_t rc;
  if (value.remove) {
    rc = registry.DeleteValue(key, value.name.c_str());
    if (rc == platform::kErrorFileNotFound) rc = platform::kErrorSuccess;
  } else {
    rc = registry.SetValue(key, value.name.c_str(), value.type, value.bytes.data(),
                           static_cast<uint32_t>(value.bytes.size()));
  }
  if (rc == platform::kErrorSuccess) {
    ++report_.valuesWritten;
  } else {
    ++report_.valuesFailed;
  }
}

}  // namespace NSRegKeyEx
