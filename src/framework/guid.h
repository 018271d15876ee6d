// Module and interface ids: 128-bit GUIDs with the Windows layout, written
// and read in the braced registry form.
#pragma once
#include <cstdint>
#include <string>

namespace framework {

struct Guid {
  uint32_t data1 = 0;
  uint16_t data2 = 0;
  uint16_t data3 = 0;
  uint8_t data4[8] = {};

  friend bool operator==(const Guid&, const Guid&) = default;
};
static_assert(sizeof(Guid) == 16);

namespace detail {
constexpr uint32_t HexDigit(char c) {
  return c >= '0' && c <= '9'   ? static_cast<uint32_t>(c - '0')
         : c >= 'a' && c <= 'f' ? static_cast<uint32_t>(c - 'a' + 10)
         : c >= 'A' && c <= 'F' ? static_cast<uint32_t>(c - 'A' + 10)
                                : throw "not a hexadecimal digit";
}
constexpr uint32_t Hex(const char* text, int digits) {
  uint32_t value = 0;
  for (int i = 0; i < digits; ++i) value = value * 16 + HexDigit(text[i]);
  return value;
}
}  // namespace detail

// "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" (no braces) at compile time.
constexpr Guid MakeGuid(const char (&text)[37]) {
  if (text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-') throw "bad GUID";
  Guid g;
  g.data1 = detail::Hex(text, 8);
  g.data2 = static_cast<uint16_t>(detail::Hex(text + 9, 4));
  g.data3 = static_cast<uint16_t>(detail::Hex(text + 14, 4));
  g.data4[0] = static_cast<uint8_t>(detail::Hex(text + 19, 2));
  g.data4[1] = static_cast<uint8_t>(detail::Hex(text + 21, 2));
  for (int i = 0; i < 6; ++i) g.data4[2 + i] = static_cast<uint8_t>(detail::Hex(text + 24 + 2 * i, 2));
  return g;
}

// "{4DF72980-79F4-42DB-B65C-C95D07B79FD9}": braced, upper-case hexadecimal.
std::wstring GuidToString(const Guid& id);

}  // namespace framework
