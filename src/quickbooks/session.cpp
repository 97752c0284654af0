#include "quickbooks/session.h"

namespace vqb::qb {

std::string Session::exchange(const std::string& requestXml) {
  try {
    std::string response = transport_.process(requestXml);
    if (observer_) observer_(requestXml, response);
    return response;
  } catch (const QbError& error) {
    if (observer_)
      observer_(requestXml,
                "ERROR " + std::to_string(error.number()) + " - " + error.description());
    throw;
  }
}

}  // namespace vqb::qb
