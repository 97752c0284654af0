#include "quickbooks/session.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <pugixml.hpp>
#include <string_view>

#include "app/os_calls.h"
#include "quickbooks/change_answer.h"
#include "quickbooks/qbxml.h"

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

// The requests of several one-query documents, when they can share one message set.
struct Batch {
  std::vector<pugi::xml_document> docs;
  std::vector<pugi::xml_node> requests;
  std::string version;
};

bool make_batch(const std::vector<std::string>& requestXmls, Batch& batch) {
  batch.docs = std::vector<pugi::xml_document>(requestXmls.size());
  for (std::size_t i = 0; i < requestXmls.size(); ++i) {
    pugi::xml_document& doc = batch.docs[i];
    if (!doc.load_string(requestXmls[i].c_str(), pugi::parse_default | pugi::parse_pi))
      return false;
    std::string version;
    for (pugi::xml_node node : doc.children())
      if (node.type() == pugi::node_pi && std::string_view(node.name()) == "qbxml") {
        const std::string_view value = node.value();  // version="13.0"
        const std::size_t open = value.find('"'), close = value.rfind('"');
        if (open != std::string_view::npos && close > open)
          version = value.substr(open + 1, close - open - 1);
      }
    pugi::xml_node request;
    int count = 0;
    for (pugi::xml_node rq : doc.child("QBXML").child("QBXMLMsgsRq").children()) {
      if (rq.type() != pugi::node_element) continue;
      const std::string_view name = rq.name();
      if (!name.ends_with("QueryRq")) return false;  // only queries share a set
      request = rq;
      ++count;
    }
    if (count != 1 || version.empty() || (i > 0 && version != batch.version)) return false;
    batch.version = version;
    batch.requests.push_back(request);
  }
  return true;
}

}  // namespace

bool may_change_anything(const std::string& requestXml) {
  return requestXml.find("AddRq") != std::string::npos ||
         requestXml.find("ModRq") != std::string::npos ||
         requestXml.find("DelRq") != std::string::npos;
}

std::string new_message_set_id() {
  static std::atomic<unsigned> counter{0};
  const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(
                          std::chrono::system_clock::now().time_since_epoch())
                          .count();
  // 10 + 1 + at most 4 + 1 + at most 4 characters: well within 23.
  return base36(static_cast<unsigned long long>(micros)) + "-" +
         base36(static_cast<unsigned long long>(os::process_id()) % 1679616) + "-" +
         base36(counter.fetch_add(1) % 1679616);
}

std::string Session::exchange(const std::string& requestXml) {
  if (gate_ && !inGate_) {
    inGate_ = true;
    try {
      gate_(requestXml);
    } catch (...) {
      inGate_ = false;
      throw;
    }
    inGate_ = false;
  }
  if (!kept_.empty()) {
    if (auto kept = kept_.find(requestXml); kept != kept_.end()) return kept->second;
    if (may_change_anything(requestXml)) dropKept();
  }
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
  const std::string response = transmit(document);
  if (!id.empty() && watcher_.answered) watcher_.answered(id, response);
  if (changes) {
    // An answer that does not answer this change cannot tell whether it was carried out.
    const ChangeAnswer answer = read_change_answer(document, response);
    if (answer.outcome == ChangeAnswer::kUnknown)
      throw QbError(kMalformed, "QuickBooks' answer could not be read: " + answer.why + ".");
  }
  return response;
}

std::string Session::sendSet(const std::string& document) {
  dropKept();
  return transmit(document);
}

std::string Session::transmit(const std::string& document) {
  std::string response;
  try {
    response = transport_.process(document);
  } catch (const QbError& error) {
    if (observer_)
      observer_(document, "ERROR " + std::to_string(error.number()) + " - " + error.description());
    throw;
  }
  if (observer_) observer_(document, response);
  return response;
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

std::vector<std::string> Session::exchangeSet(const std::vector<std::string>& requestXmls) {
  std::vector<std::string> responses;
  Batch batch;
  if (!batching_ || requestXmls.size() < 2 || !make_batch(requestXmls, batch)) {
    for (const std::string& request : requestXmls) responses.push_back(exchange(request));
    return responses;
  }
  // One set; each request numbered by its place so that its answer is found whatever its own
  // requestID.
  pugi::xml_document set;
  pugi::xml_node messages = set.append_child("QBXML").append_child("QBXMLMsgsRq");
  messages.append_attribute("onError") = "continueOnError";
  std::vector<std::string> ids;
  for (std::size_t i = 0; i < batch.requests.size(); ++i) {
    ids.emplace_back(batch.requests[i].attribute("requestID").value());
    pugi::xml_node copy = messages.append_copy(batch.requests[i]);
    pugi::xml_attribute id = copy.attribute("requestID");
    if (!id) id = copy.prepend_attribute("requestID");
    id.set_value(std::to_string(i + 1).c_str());
  }
  const std::string answer =
      exchange("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<?qbxml version=\"" + batch.version +
               "\"?>\n" + qbxml::element_text(set.first_child()));

  pugi::xml_document doc;
  if (!doc.load_buffer(answer.data(), answer.size(), pugi::parse_default, pugi::encoding_utf8))
    throw QbError(kMalformedResponse, "QuickBooks' response to a message set is not readable XML.");
  std::map<std::string, pugi::xml_node> byId;
  for (pugi::xml_node rs : doc.child("QBXML").child("QBXMLMsgsRs").children())
    if (rs.type() == pugi::node_element) byId[rs.attribute("requestID").value()] = rs;
  for (std::size_t i = 0; i < ids.size(); ++i) {
    const auto found = byId.find(std::to_string(i + 1));
    if (found == byId.end())
      throw QbError(kMalformedResponse,
                    "QuickBooks' response to a message set lacks the answer to " +
                        std::string(batch.requests[i].name()) + ".");
    pugi::xml_node rs = found->second;
    if (ids[i].empty())
      rs.remove_attribute("requestID");
    else
      rs.attribute("requestID").set_value(ids[i].c_str());
    responses.push_back("<?xml version=\"1.0\" ?>\n<QBXML><QBXMLMsgsRs>" + qbxml::element_text(rs) +
                        "</QBXMLMsgsRs></QBXML>");
  }
  return responses;
}

void Session::prefetch(const std::vector<std::string>& requestXmls) {
  if (!batching_) return;
  std::vector<std::string> wanted;
  for (const std::string& request : requestXmls)
    if (!kept_.contains(request) &&
        std::find(wanted.begin(), wanted.end(), request) == wanted.end())
      wanted.push_back(request);
  Batch batch;
  if (wanted.size() < 2 || !make_batch(wanted, batch)) return;  // nothing saved
  try {
    std::vector<std::string> answers = exchangeSet(wanted);
    for (std::size_t i = 0; i < wanted.size(); ++i) kept_[wanted[i]] = std::move(answers[i]);
  } catch (const std::exception&) {
    // The requests go again, one by one, when they are made.
  }
}

}  // namespace vqb::qb
