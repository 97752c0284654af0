#pragma once
// Errors of the QuickBooks gateway: 20852 QuickBooks not reachable, 20806 name already in use
// on an add, any other qbXML status its own code with QuickBooks' message.

#include <string>

#include "app/errors.h"

namespace vqb::qb {

class QbError : public VqbError {
 public:
  using VqbError::VqbError;
};

inline constexpr long kNotReachable = 20852;
inline constexpr long kNameInUse = 20806;
// An add or modification a preview did not send.
inline constexpr long kHeldBack = 20870;
inline const char* const kNotReachableText =
    "Could not connect to QuickBooks: no company file is open.";

// qbXML status codes the gateway treats specially.
inline constexpr long kStatusNoMatch = 1;       // a query found nothing: an empty result
inline constexpr long kStatusNameInUse = 3100;  // the name of a list element is already in use

// The text shown for a QuickBooks error: a fixed hint for 20852 (QuickBooks not reachable),
// otherwise the error's own description.
std::string qb_error(const std::string& code, const std::string& description);

}  // namespace vqb::qb
