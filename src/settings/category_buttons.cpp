#include "settings/category_buttons.h"

namespace settings {

std::map<int32_t, std::wstring> CategoryButtonMap() {
  std::map<int32_t, std::wstring> buttons;
  for (int32_t id = 0; id < kCategoryCount; ++id) buttons[id] = kCategoryButtons[id];
  return buttons;
}

CategoryChoice GetCheckedCategories(const std::map<int32_t, std::wstring>& buttons,
                                    const std::function<bool(const std::wstring&)>& isChecked) {
  CategoryChoice choice;
  for (const auto& [id, control] : buttons) choice[id] = isChecked(control) ? 1 : 0;
  return choice;
}

void ApplyChoiceToButtons(const std::map<int32_t, std::wstring>& buttons,
                          const CategoryChoice& choice,
                          const std::function<void(const std::wstring&, bool)>& setChecked) {
  for (const auto& [id, control] : buttons) {
    const auto it = choice.find(id);
    if (it != choice.end()) setChecked(control, it->second != 0);
  }
}

}  // namespace settings
