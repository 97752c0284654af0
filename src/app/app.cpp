#include "app/app.h"

#include "app/errors.h"

namespace vqb {

std::string& SharedSlots::operator[](long index) {
  if (index < 0 || index >= static_cast<long>(kCount))
    throw VqbError(err::kSubscriptOutOfRange, "Subscript out of range");
  return slots_[static_cast<std::size_t>(index)];
}

const std::string& SharedSlots::operator[](long index) const {
  if (index < 0 || index >= static_cast<long>(kCount))
    throw VqbError(err::kSubscriptOutOfRange, "Subscript out of range");
  return slots_[static_cast<std::size_t>(index)];
}

void SharedSlots::clear() {
  for (auto& slot : slots_) slot.clear();
}

void EventPump::pump() {
  // Reading the clock is cheap but not free: look at it every 64th call only.
  if ((calls_++ & 63u) != 0) return;
  auto now = std::chrono::steady_clock::now();
  if (now - last_ < interval_) return;
  last_ = now;
  ui_.processEvents();
}

bool is_path_separator(char c) {
#ifdef _WIN32
  return c == '\\' || c == '/';
#else
  return c == '/';
#endif
}

}  // namespace vqb
