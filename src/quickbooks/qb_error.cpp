#include "quickbooks/qb_error.h"

namespace vqb::qb {

std::string qb_error(const std::string& code, const std::string& description) {
  if (code == "20852")
    return "Cannot connect to QuickBooks. Please ensure that QuicBooks PRO 2005 or higher is "
           "open on this computer.";
  return description;
}

}  // namespace vqb::qb
