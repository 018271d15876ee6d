#include "platform/path_strings.h"
#include "platform/text.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(Text, CaseInsensitiveComparisonMatchesOrdinalUpcase) {
  struct Case { std::wstring a, b; int sign; };
  const Case cases[] = {
      {L"Software", L"SOFTWARE", 0},
      {L"a", L"B", -1},
      {L"_", L"a", 1},  // '_' (0x5F) sorts after 'A' (0x41) once upper-cased
      {L"\u00e9t\u00e9", L"\u00c9T\u00c9", 0},
      {L"\u0436", L"\u0416", 0},
      {L"ab", L"abc", -1},
  };
  for (const auto& c : cases) {
    const int r = CompareNoCase(c.a, c.b);
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << ToUtf8(c.a) << " vs " << ToUtf8(c.b);
  }
}

TEST(Text, Utf16BytesRoundTripKeepsEveryUnit) {
  const std::wstring text{L'a', static_cast<wchar_t>(0x100), static_cast<wchar_t>(0xD83D),
                          static_cast<wchar_t>(0xDE00), L'\0', L'z'};
  const auto bytes = ToUtf16Bytes(text, true);
  ASSERT_EQ(bytes.size(), 14u);
  EXPECT_EQ(bytes[2], 0x00);
  EXPECT_EQ(bytes[3], 0x01);
  EXPECT_EQ(FromUtf16Bytes(bytes.data(), 12), text);
  EXPECT_EQ(FromUtf8(ToUtf8(L"gr\u00fc\u00df \u20ac")), L"gr\u00fc\u00df \u20ac");
}

TEST(Text, FormatGrowsPastItsFirstBuffer) {
  const std::wstring longText(5000, L'x');
  EXPECT_EQ(Format(L"[%ls]%d", longText.c_str(), 7), L"[" + longText + L"]7");
}

}  // namespace
}  // namespace platform
