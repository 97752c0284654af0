#pragma once
// The drop-down menu dMnu as data: keyed items with captions, separators, check marks and
// greyed items. The window draws the last menu built and reports the chosen item number.

#include <string>
#include <vector>

namespace vqb {

struct MenuItem {
  std::string key;  // "" for a separator
  std::string caption;
  std::string subText;
  bool separator{false};
  bool checked{false};
  bool enabled{true};
  std::string colour;  // "Grey" shows the item greyed (0x808080)
};

class Menu {
 public:
  // p_popMenu: empties the menu and its keys.
  void clear() { items_.clear(); }
  // add_pop_menu: kind 1 adds a separator; any other kind adds a keyed item.
  void add(int kind, const std::string& caption, const std::string& key,
           const std::string& subText = "", const std::string& colour = "", bool checked = false,
           bool enabled = true);
  const std::vector<MenuItem>& items() const { return items_; }
  // menuKeys: the key of item number n (counted from 1, separators included); "" when none.
  std::string keyOf(int itemNumber) const;
  bool empty() const { return items_.empty(); }

 private:
  std::vector<MenuItem> items_;
};

}  // namespace vqb
