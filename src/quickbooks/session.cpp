#include "quickbooks/session.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
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

std::string base36(unsigned long long value) {
  std::string text;
  do {
    text.insert(text.begin(), "0123456789abcdefghijklmnopqrstuvwxyz"[value % 36]);
    value /= 36;
  } while (value != 0);
  return text;
}

// The message-set tag with the attribute added; the document unchanged when it has none.
std::string with_message_set_attribute(const std::string& requestXml, const char* attribute,
                                       const std::string& id) {
  constexpr std::string_view tag = "<QBXMLMsgsRq";
  const std::size_t at = requestXml.find(tag);
  if (at == std::string::npos) return requestXml;
  std::string stamped = requestXml;
  stamped.insert(at + tag.size(), std::string(" ") + attribute + "=\"" + id + "\"");
  return stamped;
}

constexpr long kMalformed = 20853;  // as kMalformedResponse in qbxml.h

}  // namespace

std::string new_message_set_id() {
  static std::atomic<unsigned> counter{0};
  const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(
                          std::chrono::system_clock::now().time_since_epoch())
                          .count();
  // 10 + 1 + at most 4 + 1 + at most 4 characters: well within 23.
  return base36(static_cast<unsigned long long>(micros)) + "-" +
         base36(static_cast<unsigned long long>(::getpid()) % 1679616) + "-" +
         base36(counter.fetch_add(1) % 1679616);
}

std::string Session::exchange(const std::string& requestXml) {
  const bool changes = changes_anything(requestXml);
  if (hold_ && changes) {
    held_.push_back(requestXml);
    throw QbError(kHeldBack, "Held back: a preview sends nothing to QuickBooks.");
  }
  std::string document = requestXml;
  std::string id;
  if (changes && requestXml.find("newMessageSetID=") == std::string::npos) {
    id = new_message_set_id();
    document = with_message_set_attribute(requestXml, "newMessageSetID", id);
    lastMessageSetId_ = id;
    if (watcher_.sending) watcher_.sending(id, document);
  }
  try {
    std::string response = transport_.process(document);
    if (observer_) observer_(document, response);
    if (!id.empty() && watcher_.answered) watcher_.answered(id, response);
    return response;
  } catch (const QbError& error) {
    if (observer_)
      observer_(document, "ERROR " + std::to_string(error.number()) + " - " + error.description());
    throw;
  }
}

MessageSetStatus Session::messageSetStatus(const std::string& id) {
  const std::string request =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<?qbxml version=\"3.0\"?>\n<QBXML><QBXMLMsgsRq "
      "onError=\"stopOnError\"/></QBXML>";
  MessageSetStatus status;
  status.response = exchange(with_message_set_attribute(request, "oldMessageSetID", id));
  pugi::xml_document doc;
  const pugi::xml_attribute code =
      doc.load_string(status.response.c_str())
          ? doc.child("QBXML").child("QBXMLMsgsRs").attribute("messageSetStatusCode")
          : pugi::xml_attribute();
  if (!code)
    throw QbError(kMalformed, "QuickBooks' answer to a status check has no messageSetStatusCode.");
  status.code = code.as_int();
  return status;
}

}  // namespace vqb::qb
