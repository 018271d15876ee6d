#include "modules/config/ini_document.h"

#include "platform/text.h"

namespace config {

namespace {
std::wstring DecodeText(const std::vector<uint8_t>& bytes) {
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE)
    return platform::FromUtf16Bytes(bytes.data() + 2, bytes.size() - 2);
  size_t skip = (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) ? 3 : 0;
  return platform::FromUtf8(std::string(bytes.begin() + skip, bytes.end()));
}

std::wstring Trim(const std::wstring& text) {
  const size_t first = text.find_first_not_of(L" \t");
  if (first == std::wstring::npos) return {};
  return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

std::wstring Escape(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c == L'\\') out += L"\\\\";
    else if (c == L'\r') out += L"\\r";
    else if (c == L'\n') out += L"\\n";
    else out += c;
  }
  return out;
}

std::wstring Unescape(const std::wstring& text) {
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != L'\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const wchar_t next = text[++i];
    out += next == L'r' ? L'\r' : next == L'n' ? L'\n' : next;
  }
  return out;
}
}  // namespace

IniDocument IniDocument::Parse(const std::vector<uint8_t>& bytes, Values values) {
  IniDocument doc;
  doc.values_ = values;
  const std::wstring text = DecodeText(bytes);
  Section* current = nullptr;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    const std::wstring trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == L';') continue;
    if (trimmed[0] == L'[' && trimmed.back() == L']') {
      const std::wstring name = Trim(trimmed.substr(1, trimmed.size() - 2));
      current = doc.FindSection(name);
      if (current == nullptr) {
        doc.sections_.push_back(Section{name, {}});
        current = &doc.sections_.back();
      }
      continue;
    }
    const size_t equals = line.find(L'=');
    if (current == nullptr || equals == std::wstring::npos) continue;
    const std::wstring key = Trim(line.substr(0, equals));
    std::wstring value = line.substr(equals + 1);
    value = values == Values::kEscaped ? Unescape(value) : Trim(value);
    if (!doc.Get(current->name, key)) current->entries.push_back(Entry{key, value});
  }
  return doc;
}

std::vector<uint8_t> IniDocument::Serialize() const {
  std::wstring text;
  for (const Section& section : sections_) {
    text += L"[" + section.name + L"]\r\n";
    for (const Entry& entry : section.entries)
      text += entry.key + L"=" + (values_ == Values::kEscaped ? Escape(entry.value) : entry.value) +
              L"\r\n";
  }
  std::vector<uint8_t> bytes{0xFF, 0xFE};
  const std::vector<uint8_t> body = platform::ToUtf16Bytes(text, false);
  bytes.insert(bytes.end(), body.begin(), body.end());
  return bytes;
}

std::optional<std::wstring> IniDocument::Get(const std::wstring& section,
                                             const std::wstring& key) const {
  const Section* s = FindSection(section);
  if (s == nullptr) return std::nullopt;
  for (const Entry& entry : s->entries)
    if (platform::EqualsNoCase(entry.key, key)) return entry.value;
  return std::nullopt;
}

void IniDocument::Set(const std::wstring& section, const std::wstring& key,
                      const std::wstring& value) {
  Section* s = FindSection(section);
  if (s == nullptr) {
    sections_.push_back(Section{section, {}});
    s = &sections_.back();
  }
  for (Entry& entry : s->entries) {
    if (platform::EqualsNoCase(entry.key, key)) {
      entry.value = value;
      return;
    }
  }
  s->entries.push_back(Entry{key, value});
}

IniDocument::Section* IniDocument::FindSection(const std::wstring& name) {
  for (Section& s : sections_)
    if (platform::EqualsNoCase(s.name, name)) return &s;
  return nullptr;
}

const IniDocument::Section* IniDocument::FindSection(const std::wstring& name) const {
  for (const Section& s : sections_)
    if (platform::EqualsNoCase(s.name, name)) return &s;
  return nullptr;
}

}  // namespace config
