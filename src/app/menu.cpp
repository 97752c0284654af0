#include "app/menu.h"

namespace vqb {

void Menu::add(int kind, const std::string& caption, const std::string& key,
               const std::string& subText, const std::string& colour, bool checked, bool enabled) {
  MenuItem item;
  if (kind == 1) {
    item.separator = true;
  } else {
    item.key = key;
    item.caption = caption;
    item.subText = subText;
    item.checked = checked;
    item.enabled = enabled;
    item.colour = colour;
  }
  items_.push_back(std::move(item));
}

std::string Menu::keyOf(int itemNumber) const {
  if (itemNumber < 1 || itemNumber > static_cast<int>(items_.size())) return "";
  return items_[static_cast<std::size_t>(itemNumber - 1)].key;
}

}  // namespace vqb
