#include "quickbooks/session.h"

#include <pugixml.hpp>
#include <string_view>

namespace vqb::qb {
namespace {

// Whether a request document holds an add or a modification.
bool changes_anything(const std::string& requestXml) {
  pugi::xml_document doc;
  if (!doc.load_string(requestXml.c_str())) return true;  // unreadable: never let it through
  for (pugi::xml_node request : doc.child("QBXML").child("QBXMLMsgsRq").children()) {
    const std::string_view name = request.name();
    if (name.ends_with("AddRq") || name.ends_with("ModRq") || name.ends_with("DelRq")) return true;
  }
  return false;
}

}  // namespace

std::string Session::exchange(const std::string& requestXml) {
  if (hold_ && changes_anything(requestXml)) {
    held_.push_back(requestXml);
    throw QbError(kHeldBack, "Held back: a preview sends nothing to QuickBooks.");
  }
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
