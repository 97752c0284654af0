#include "quickbooks/session.h"

#include <algorithm>
#include <pugixml.hpp>
#include <string_view>

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

// A quick test for kept answers: a false alarm only drops them.
bool may_change_anything(const std::string& requestXml) {
  return requestXml.find("AddRq") != std::string::npos ||
         requestXml.find("ModRq") != std::string::npos ||
         requestXml.find("DelRq") != std::string::npos;
}

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

std::string Session::exchange(const std::string& requestXml) {
  if (!kept_.empty()) {
    if (auto kept = kept_.find(requestXml); kept != kept_.end()) {
      std::string response = std::move(kept->second);
      kept_.erase(kept);
      return response;
    }
    if (may_change_anything(requestXml)) kept_.clear();
  }
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
