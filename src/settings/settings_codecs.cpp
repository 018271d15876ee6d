#include "settings/settings_codecs.h"

#include <limits>

#include "settings/settings_keys.h"

namespace settings {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

std::vector<std::wstring> Split(const std::wstring& text, wchar_t separator) {
  std::vector<std::wstring> pieces;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(separator, start);
    pieces.push_back(text.substr(start, end == std::wstring::npos ? end : end - start));
    if (end == std::wstring::npos) return pieces;
    start = end + 1;
  }
}

}  // namespace

std::wstring FormatInt64(int64_t value) {
  // Built by hand so that both C runtimes give the same text.
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  std::wstring digits;
  do {
    digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + magnitude % 10));
    magnitude /= 10;
  } while (magnitude != 0);
  return value < 0 ? L"-" + digits : digits;
}

int64_t ParseInt64(const std::wstring& text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
  uint64_t magnitude = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    const unsigned digit = static_cast<unsigned>(text[i] - L'0');
    if (magnitude > (limit - digit) / 10) {
      magnitude = limit;
      break;
    }
    magnitude = magnitude * 10 + digit;
  }
  if (!negative) return static_cast<int64_t>(magnitude);
  return magnitude == limit ? std::numeric_limits<int64_t>::min()
                            : -static_cast<int64_t>(magnitude);
}

int32_t ParseInt32(const std::wstring& text) {
  const int64_t value = ParseInt64(text);
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

bool WriteTime(ISettingsStore& store, const wchar_t* key, int64_t secondsSince1970) {
  return store.SetString(kSection, key, FormatInt64(secondsSince1970));
}

std::optional<int64_t> ReadTime(ISettingsStore& store, const wchar_t* key) {
  const std::wstring text = ReadWholeString(store, kSection, key);
  if (text.empty()) return std::nullopt;
  return ParseInt64(text);
}

CategoryChoice ParseCategoryChoice(const std::wstring& text) {
  CategoryChoice choice;
  if (text.empty()) {
    for (int32_t id = 0; id < kCategoryCount; ++id) choice[id] = 1;
    return choice;
  }
  for (const std::wstring& piece : Split(text, L',')) {
    const size_t colon = piece.find(L':');
    if (colon == std::wstring::npos) continue;
    choice[ParseInt32(piece.substr(0, colon))] = ParseInt32(piece.substr(colon + 1));
  }
  return choice;
}

std::wstring FormatCategoryChoice(const CategoryChoice& choice) {
  std::wstring text;
  for (const auto& [id, state] : choice) {
    text += FormatInt64(id) + L":" + (state != 0 ? L"1" : L"0") + L",";
  }
  return text;
}

CategoryChoice ReadCategoryChoice(ISettingsStore& store) {
  return ParseCategoryChoice(ReadWholeString(store, kSection, kCleanupCheckType));
}

bool WriteCategoryChoice(ISettingsStore& store, const CategoryChoice& choice) {
  return store.SetString(kSection, kCleanupCheckType, FormatCategoryChoice(choice));
}

std::vector<int32_t> ScanCategories(const CategoryChoice& choice) {
  std::vector<int32_t> ids;
  for (const auto& [id, state] : choice) {
    if (state != 0) ids.push_back(id);
  }
  return ids;
}

int ScheduleEntryFromStored(int32_t storedType) {
  if (storedType < 1 || storedType > kScheduleEntryCount) return kScheduleEntryNone;
  return storedType - 1;
}

int32_t StoredTypeFromEntry(int entry) { return entry + 1; }

int ScheduleWeekFromStored(int32_t storedWeek) {
  return storedWeek >= 0 && storedWeek <= 6 ? storedWeek : 0;
}

}  // namespace settings
