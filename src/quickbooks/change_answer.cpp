#include "quickbooks/change_answer.h"

#include <pugixml.hpp>

#include "quickbooks/qbxml.h"

namespace vqb::qb {
namespace {

bool is_change(std::string_view name) {
  return name.ends_with("AddRq") || name.ends_with("ModRq") || name.ends_with("DelRq");
}

// A value echoed from the answer, as it may be shown: no control characters, at most 40.
std::string shown(std::string_view value) {
  std::string out;
  for (char c : value.substr(0, 40))
    if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7f) out += c;
  return out;
}

ChangeAnswer unknown(std::string why) {
  return {ChangeAnswer::kUnknown, "", std::move(why)};
}

}  // namespace

ChangeAnswer read_change_answer(std::string_view request, std::string_view response) {
  pugi::xml_document sent;
  sent.load_buffer(request.data(), request.size(), pugi::parse_default, pugi::encoding_utf8);
  const pugi::xml_node messagesRq = sent.child("QBXML").child("QBXMLMsgsRq");
  pugi::xml_node rq;
  for (pugi::xml_node node : messagesRq.children())
    if (node.type() == pugi::node_element && is_change(node.name())) {
      rq = node;
      break;
    }
  if (!rq) return unknown("the request holds no add or modification");
  const std::string rqName = rq.name();
  const std::string rsName = rqName.substr(0, rqName.size() - 2) + "Rs";
  const std::string requestId = rq.attribute("requestID").value();

  if (response.empty()) return unknown("there is no answer");
  pugi::xml_document doc;
  const pugi::xml_parse_result parsed =
      doc.load_buffer(response.data(), response.size(), pugi::parse_default, pugi::encoding_utf8);
  if (!parsed)
    return unknown("it is not readable XML (" + std::string(parsed.description()) + " at offset " +
                   std::to_string(parsed.offset) + ")");
  const pugi::xml_node messagesRs = doc.child("QBXML").child("QBXMLMsgsRs");
  if (!messagesRs) return unknown("it has no QBXML/QBXMLMsgsRs element");
  const pugi::xml_attribute setSent = messagesRq.attribute("newMessageSetID");
  const pugi::xml_attribute setAnswered = messagesRs.attribute("newMessageSetID");
  if (setSent && setAnswered && std::string_view(setSent.value()) != setAnswered.value())
    return unknown("it answers another message set (" + shown(setAnswered.value()) + ")");

  pugi::xml_node rs;
  std::string otherId;
  for (pugi::xml_node node : messagesRs.children(rsName.c_str())) {
    if (requestId == node.attribute("requestID").value()) {
      rs = node;
      break;
    }
    otherId = node.attribute("requestID").value();
  }
  if (!rs)
    return unknown(otherId.empty() && !messagesRs.child(rsName.c_str())
                       ? "it holds no " + rsName + " element"
                       : "it answers another request (requestID \"" + shown(otherId) + "\")");
  long code = 0;
  const std::string codeText = rs.attribute("statusCode").value();
  try {
    std::size_t used = 0;
    code = std::stol(codeText, &used);
    if (used != codeText.size()) throw std::invalid_argument(codeText);
  } catch (const std::exception&) {
    return unknown("its " + rsName + " has no valid statusCode (\"" + shown(codeText) + "\")");
  }
  pugi::xml_node record;
  for (pugi::xml_node child : rs.children()) {
    const std::string_view name = child.name();
    if (child.type() == pugi::node_element && name.ends_with("Ret")) {
      record = child;
      break;
    }
  }
  const std::string_view severity = rs.attribute("statusSeverity").value();
  const bool carriedOut = code == 0 || (record && (severity == "Warn" || severity == "Info"));
  if (!carriedOut) return {ChangeAnswer::kRefused, "", ""};
  return {ChangeAnswer::kDone, record ? qbxml::element_text(record) : "", ""};
}

}  // namespace vqb::qb
