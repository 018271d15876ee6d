#include "settings/settings_store.h"

#include <vector>

namespace settings {

std::wstring ReadWholeString(ISettingsStore& store, const wchar_t* section, const wchar_t* key) {
  // Start with the size the callers have always used; another thread may
  // lengthen the text between two reads, so ask again until it fits.
  std::vector<wchar_t> buffer(1024);
  for (;;) {
    const size_t needed = store.GetString(section, key, buffer.data(), buffer.size());
    if (needed == 0) return {};
    if (needed <= buffer.size()) return std::wstring(buffer.data(), needed - 1);
    buffer.assign(needed, L'\0');
  }
}

}  // namespace settings
