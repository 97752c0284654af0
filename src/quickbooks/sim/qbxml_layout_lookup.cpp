#include <algorithm>

#include "quickbooks/sim/qbxml_layouts.h"

namespace vqb::qb::sim {

const ElementLayout* findLayout(std::string_view element) {
  const ElementLayout* end = kElementLayouts + kElementLayoutCount;
  const ElementLayout* found = std::lower_bound(
      kElementLayouts, end, element, [](const ElementLayout& layout, std::string_view name) {
        return std::string_view(layout.element) < name;
      });
  return found != end && element == found->element ? found : nullptr;
}

const FieldLayout* findField(const ElementLayout& layout, std::string_view child) {
  for (std::size_t i = 0; i < layout.count; ++i) {
    if (child == layout.fields[i].name) return &layout.fields[i];
  }
  return nullptr;
}

}  // namespace vqb::qb::sim
