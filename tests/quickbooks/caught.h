#pragma once
// The QbError a call throws, as its number and description; {0, ""} when it throws none.

#include <ostream>
#include <string>

#include "quickbooks/qb_error.h"

namespace vqb::test {

struct Caught {
  long number = 0;
  std::string description;
  bool operator==(const Caught&) const = default;
  friend void PrintTo(const Caught& c, std::ostream* os) {
    *os << c.number << " \"" << c.description << '"';
  }
};

inline Caught caught(const auto& action) {
  try {
    action();
  } catch (const qb::QbError& error) {
    return {error.number(), error.description()};
  }
  return {};
}

}  // namespace vqb::test
