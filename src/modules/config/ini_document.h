// A settings-style text file: "[Section]" lines and "key=value" lines,
// names compared ignoring case. Read from UTF-16LE (with byte-order mark,
// as the Windows profile functions keep Unicode files) or UTF-8; written as
// UTF-16LE with byte-order mark and CRLF line ends.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace config {

class IniDocument {
 public:
  // Escaped documents store "\\", "\r" and "\n" as backslash sequences so
  // that any text survives; plain documents (hand-written language files)
  // take values as written, trimmed of surrounding blanks.
  enum class Values { kPlain, kEscaped };

  static IniDocument Parse(const std::vector<uint8_t>& bytes, Values values);
  std::vector<uint8_t> Serialize() const;

  std::optional<std::wstring> Get(const std::wstring& section, const std::wstring& key) const;
  void Set(const std::wstring& section, const std::wstring& key, const std::wstring& value);

 private:
  struct Entry {
    std::wstring key;
    std::wstring value;
  };
  struct Section {
    std::wstring name;
    std::vector<Entry> entries;
  };
  Section* FindSection(const std::wstring& name);
  const Section* FindSection(const std::wstring& name) const;

  Values values_ = Values::kEscaped;
  std::vector<Section> sections_;
};

}  // namespace config
