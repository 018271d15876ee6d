#include "platform/text.h"

#include <cstdarg>
#include <cwchar>

namespace platform {

wchar_t UpcaseUnit(wchar_t c) {
  const uint32_t u = static_cast<uint32_t>(c) & 0xFFFFu;
  auto up = [](uint32_t v) { return static_cast<wchar_t>(v); };
  if (u >= 'a' && u <= 'z') return up(u - 0x20);
  if (u < 0x80) return c;
  if ((u >= 0xE0 && u <= 0xFE && u != 0xF7)) return up(u - 0x20);
  if (u == 0xFF) return up(0x178);
  if (u >= 0x100 && u <= 0x17F) {
    // Latin Extended-A: mostly pairs, upper case first; 0x139..0x148 and
    // 0x179..0x17E have the lower case on the even code.
    const bool oddLower = !((u >= 0x139 && u <= 0x148) || (u >= 0x179 && u <= 0x17E));
    if (u == 0x131 || u == 0x138 || u == 0x149 || u == 0x17F) return c;
    if (oddLower && (u & 1u)) return up(u - 1);
    if (!oddLower && !(u & 1u)) return up(u - 1);
    return c;
  }
  if (u >= 0x3B1 && u <= 0x3CB && u != 0x3C2) return up(u - 0x20);
  if (u >= 0x430 && u <= 0x44F) return up(u - 0x20);
  if (u >= 0x450 && u <= 0x45F) return up(u - 0x50);
  if (u >= 0xFF41 && u <= 0xFF5A) return up(u - 0x20);
  return c;
}

std::wstring Upcase(const std::wstring& text) {
  std::wstring out(text);
  for (auto& c : out) c = UpcaseUnit(c);
  return out;
}

int CompareNoCase(const std::wstring& a, const std::wstring& b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const uint32_t x = static_cast<uint32_t>(UpcaseUnit(a[i])) & 0xFFFFu;
    const uint32_t y = static_cast<uint32_t>(UpcaseUnit(b[i])) & 0xFFFFu;
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool EqualsNoCase(const std::wstring& a, const std::wstring& b) {
  return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

std::wstring FormatArgs(const wchar_t* format, va_list args) {
  std::vector<wchar_t> buffer(256);
  for (;;) {
    va_list copy;
    va_copy(copy, args);
    const int n = std::vswprintf(buffer.data(), buffer.size(), format, copy);
    va_end(copy);
    if (n >= 0 && static_cast<size_t>(n) < buffer.size()) return std::wstring(buffer.data(), n);
    if (buffer.size() > (1u << 26)) return std::wstring();
    buffer.resize(buffer.size() * 4);
  }
}

std::wstring Format(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  std::wstring text = FormatArgs(format, args);
  va_end(args);
  return text;
}

std::vector<uint8_t> ToUtf16Bytes(const std::wstring& text, bool terminate) {
  std::vector<uint8_t> out;
  out.reserve((text.size() + 1) * 2);
  for (wchar_t c : text) {
    const uint32_t u = static_cast<uint32_t>(c);
    out.push_back(static_cast<uint8_t>(u & 0xFF));
    out.push_back(static_cast<uint8_t>((u >> 8) & 0xFF));
  }
  if (terminate) {
    out.push_back(0);
    out.push_back(0);
  }
  return out;
}

std::wstring FromUtf16Bytes(const uint8_t* bytes, size_t count) {
  std::wstring out;
  out.reserve(count / 2);
  for (size_t i = 0; i + 1 < count; i += 2) {
    out.push_back(static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8)));
  }
  return out;
}

std::string ToUtf8(const std::wstring& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t cp = static_cast<uint32_t>(text[i]) & 0xFFFFu;
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size()) {
      const uint32_t lo = static_cast<uint32_t>(text[i + 1]) & 0xFFFFu;
      if (lo >= 0xDC00 && lo <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
        ++i;
      }
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

std::wstring FromUtf8(const std::string& text) {
  std::wstring out;
  for (size_t i = 0; i < text.size();) {
    const uint8_t b = static_cast<uint8_t>(text[i]);
    uint32_t cp = 0xFFFD;
    size_t len = 1;
    if (b < 0x80) {
      cp = b;
    } else if ((b & 0xE0) == 0xC0 && i + 1 < text.size()) {
      cp = ((b & 0x1F) << 6) | (text[i + 1] & 0x3F);
      len = 2;
    } else if ((b & 0xF0) == 0xE0 && i + 2 < text.size()) {
      cp = ((b & 0x0F) << 12) | ((text[i + 1] & 0x3F) << 6) | (text[i + 2] & 0x3F);
      len = 3;
    } else if ((b & 0xF8) == 0xF0 && i + 3 < text.size()) {
      cp = ((b & 0x07) << 18) | ((text[i + 1] & 0x3F) << 12) | ((text[i + 2] & 0x3F) << 6) |
           (text[i + 3] & 0x3F);
      len = 4;
    }
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<wchar_t>(cp));
    }
  }
  return out;
}

}  // namespace platform
