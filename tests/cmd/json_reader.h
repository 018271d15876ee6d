// A strict JSON reader (RFC 8259) for checking LumoraCmd's output: any
// deviation (raw control characters in strings, bad escapes, trailing
// text) fails the parse. Strings come back as UTF-16 units.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace cmdtest {

struct JsonValue {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject } kind = Kind::kNull;
  bool boolean = false;
  double number = 0;
  std::wstring text;
  std::vector<JsonValue> items;
  std::map<std::wstring, JsonValue> members;
  std::vector<std::wstring> order;  // member names as they came

  const JsonValue* Member(const std::wstring& name) const {
    auto it = members.find(name);
    return it == members.end() ? nullptr : &it->second;
  }
};

class JsonReader {
 public:
  // False when text is not exactly one JSON value (white space around it).
  static bool Parse(const std::string& text, JsonValue& out, std::string* error = nullptr) {
    out = JsonValue();
    JsonReader r(text);
    r.Space();
    if (!r.Value(out, 0)) return r.Fail(error);
    r.Space();
    if (r.at_ != text.size()) {
      r.error_ = "trailing text";
      return r.Fail(error);
    }
    return true;
  }

 private:
  explicit JsonReader(const std::string& t) : t_(t) {}

  bool Fail(std::string* error) {
    if (error) *error = error_ + " at byte " + std::to_string(at_);
    return false;
  }
  bool Bad(const char* why) {
    error_ = why;
    return false;
  }
  void Space() {
    while (at_ < t_.size() && (t_[at_] == ' ' || t_[at_] == '\t' || t_[at_] == '\n' || t_[at_] == '\r'))
      ++at_;
  }
  bool Literal(const char* word) {
    const std::string w(word);
    if (t_.compare(at_, w.size(), w) != 0) return Bad("bad literal");
    at_ += w.size();
    return true;
  }

  bool Value(JsonValue& v, int depth) {
    if (depth > 64) return Bad("too deep");
    if (at_ >= t_.size()) return Bad("unexpected end");
    const char c = t_[at_];
    if (c == '{') return Object(v, depth);
    if (c == '[') return Array(v, depth);
    if (c == '"') {
      v.kind = JsonValue::Kind::kString;
      return String(v.text);
    }
    if (c == 't') { v.kind = JsonValue::Kind::kBool; v.boolean = true; return Literal("true"); }
    if (c == 'f') { v.kind = JsonValue::Kind::kBool; return Literal("false"); }
    if (c == 'n') { v.kind = JsonValue::Kind::kNull; return Literal("null"); }
    return Number(v);
  }

  bool Number(JsonValue& v) {
    const size_t start = at_;
    if (at_ < t_.size() && t_[at_] == '-') ++at_;
    if (at_ >= t_.size() || !Digit(t_[at_])) return Bad("bad number");
    if (t_[at_] == '0') ++at_;
    else while (at_ < t_.size() && Digit(t_[at_])) ++at_;
    if (at_ < t_.size() && t_[at_] == '.') {
      ++at_;
      if (at_ >= t_.size() || !Digit(t_[at_])) return Bad("bad fraction");
      while (at_ < t_.size() && Digit(t_[at_])) ++at_;
    }
    if (at_ < t_.size() && (t_[at_] == 'e' || t_[at_] == 'E')) {
      ++at_;
      if (at_ < t_.size() && (t_[at_] == '+' || t_[at_] == '-')) ++at_;
      if (at_ >= t_.size() || !Digit(t_[at_])) return Bad("bad exponent");
      while (at_ < t_.size() && Digit(t_[at_])) ++at_;
    }
    v.kind = JsonValue::Kind::kNumber;
    v.number = std::strtod(t_.substr(start, at_ - start).c_str(), nullptr);
    return true;
  }
  static bool Digit(char c) { return c >= '0' && c <= '9'; }

  bool Hex4(uint32_t& unit) {
    if (at_ + 4 > t_.size()) return Bad("short \\u escape");
    unit = 0;
    for (int i = 0; i < 4; ++i) {
      const char h = t_[at_++];
      unit <<= 4;
      if (h >= '0' && h <= '9') unit |= static_cast<uint32_t>(h - '0');
      else if (h >= 'a' && h <= 'f') unit |= static_cast<uint32_t>(h - 'a' + 10);
      else if (h >= 'A' && h <= 'F') unit |= static_cast<uint32_t>(h - 'A' + 10);
      else return Bad("bad hex digit");
    }
    return true;
  }

  bool String(std::wstring& out) {
    ++at_;  // the opening quote
    out.clear();
    for (;;) {
      if (at_ >= t_.size()) return Bad("unterminated string");
      const unsigned char c = static_cast<unsigned char>(t_[at_++]);
      if (c == '"') return true;
      if (c < 0x20) return Bad("raw control character in string");
      if (c == '\\') {
        if (at_ >= t_.size()) return Bad("unterminated escape");
        const char e = t_[at_++];
        switch (e) {
          case '"': out += L'"'; break;
          case '\\': out += L'\\'; break;
          case '/': out += L'/'; break;
          case 'b': out += L'\b'; break;
          case 'f': out += L'\f'; break;
          case 'n': out += L'\n'; break;
          case 'r': out += L'\r'; break;
          case 't': out += L'\t'; break;
          case 'u': {
            uint32_t unit = 0;
            if (!Hex4(unit)) return false;
            out += static_cast<wchar_t>(unit);
            break;
          }
          default: return Bad("bad escape");
        }
        continue;
      }
      if (c < 0x80) {
        out += static_cast<wchar_t>(c);
        continue;
      }
      // Raw UTF-8: decode to UTF-16 units.
      int extra = (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
      if (extra < 0 || at_ + static_cast<size_t>(extra) > t_.size()) return Bad("bad UTF-8");
      uint32_t cp = c & (0x3F >> extra);
      for (int i = 0; i < extra; ++i) {
        const unsigned char k = static_cast<unsigned char>(t_[at_++]);
        if ((k & 0xC0) != 0x80) return Bad("bad UTF-8");
        cp = (cp << 6) | (k & 0x3F);
      }
      if (cp >= 0x10000) {
        cp -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (cp >> 10));
        out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
      } else {
        out += static_cast<wchar_t>(cp);
      }
    }
  }

  bool Array(JsonValue& v, int depth) {
    v.kind = JsonValue::Kind::kArray;
    ++at_;
    Space();
    if (at_ < t_.size() && t_[at_] == ']') { ++at_; return true; }
    for (;;) {
      JsonValue item;
      Space();
      if (!Value(item, depth + 1)) return false;
      v.items.push_back(std::move(item));
      Space();
      if (at_ >= t_.size()) return Bad("unterminated array");
      if (t_[at_] == ']') { ++at_; return true; }
      if (t_[at_++] != ',') return Bad("expected , or ]");
    }
  }

  bool Object(JsonValue& v, int depth) {
    v.kind = JsonValue::Kind::kObject;
    ++at_;
    Space();
    if (at_ < t_.size() && t_[at_] == '}') { ++at_; return true; }
    for (;;) {
      Space();
      if (at_ >= t_.size() || t_[at_] != '"') return Bad("expected member name");
      std::wstring name;
      if (!String(name)) return false;
      Space();
      if (at_ >= t_.size() || t_[at_++] != ':') return Bad("expected :");
      Space();
      JsonValue member;
      if (!Value(member, depth + 1)) return false;
      if (v.members.count(name)) return Bad("duplicate member");
      v.order.push_back(name);
      v.members[name] = std::move(member);
      Space();
      if (at_ >= t_.size()) return Bad("unterminated object");
      if (t_[at_] == '}') { ++at_; return true; }
      if (t_[at_++] != ',') return Bad("expected , or }");
    }
  }

  const std::string& t_;
  size_t at_ = 0;
  std::string error_;
};

}  // namespace cmdtest
