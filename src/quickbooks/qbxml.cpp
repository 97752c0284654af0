#include "quickbooks/qbxml.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "app/text_helpers.h"

namespace vqb::qb {
namespace qbxml {
namespace {

bool is_digits_and_dots(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text)
    if ((c < '0' || c > '9') && c != '.') return false;
  return true;
}

std::string serialize(pugi::xml_node node) {
  std::ostringstream out;
  node.print(out, "",
             pugi::format_raw | pugi::format_no_declaration | pugi::format_no_empty_element_tags);
  // pugixml writes a carriage return in text as it stands, and an XML reader would turn
  // "\r\n" into "\n"; the character reference keeps it.
  const std::string raw = out.str();
  std::string text;
  text.reserve(raw.size());
  for (const char c : raw) {
    if (c == '\r')
      text += "&#13;";
    else
      text += c;
  }
  return text;
}

// The address fields in schema order, with their element names.
struct AddressSlot {
  const char* name;
  std::string AddressFields::*field;
};
constexpr AddressSlot kAddressSlots[] = {
    {"Addr1", &AddressFields::addr1},     {"Addr2", &AddressFields::addr2},
    {"Addr3", &AddressFields::addr3},     {"Addr4", &AddressFields::addr4},
    {"Addr5", &AddressFields::addr5},     {"City", &AddressFields::city},
    {"State", &AddressFields::state},     {"PostalCode", &AddressFields::postalCode},
    {"Country", &AddressFields::country}, {"Note", &AddressFields::note},
};
// The eight fields of the aggregate text.
constexpr const char* kAggregateFields[] = {"Addr1", "Addr2", "Addr3",      "Addr4",
                                            "City",  "State", "PostalCode", "Country"};

std::string* address_field(AddressFields& fields, std::string_view name) {
  for (const AddressSlot& slot : kAddressSlots)
    if (name == slot.name) return &(fields.*slot.field);
  return nullptr;
}

const std::string& address_field(const AddressFields& fields, std::string_view name) {
  static const std::string kNone;
  for (const AddressSlot& slot : kAddressSlots)
    if (name == slot.name) return fields.*slot.field;
  return kNone;
}

bool parse_long(std::string_view text, long& value) {
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

}  // namespace

// ---- Values -------------------------------------------------------------------------------

std::string xml_safe(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 && c != '\t' && c != '\n' && c != '\r') continue;
    out += c;
  }
  return out;
}

std::string bool_text(bool value) {
  return value ? "true" : "false";
}

std::string decimal_text(double value) {
  if (!std::isfinite(value)) return "0";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.5f", value);
  std::string text = buffer;
  const auto point = text.find('.');
  if (point != std::string::npos) {
    while (!text.empty() && text.back() == '0') text.pop_back();
    if (!text.empty() && text.back() == '.') text.pop_back();
  }
  if (text == "-0") text = "0";
  return text;
}

std::string price_text(double value) {
  std::string text = decimal_text(value);
  const auto point = text.find('.');
  const std::size_t places = point == std::string::npos ? 0 : text.size() - point - 1;
  if (point == std::string::npos) text += '.';
  if (places < 2) text.append(2 - places, '0');
  return text;
}

std::string date_text(double ole) {
  return iso_date(std::floor(ole));
}

std::optional<double> parse_date(std::string_view text) {
  if (text.size() < 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  long year = 0, month = 0, day = 0;
  if (!parse_long(text.substr(0, 4), year) || !parse_long(text.substr(5, 2), month) ||
      !parse_long(text.substr(8, 2), day))
    return std::nullopt;
  if (month < 1 || month > 12 || day < 1 || day > 31) return std::nullopt;
  DateTime date;
  date.year = static_cast<int>(year);
  date.month = static_cast<int>(month);
  date.day = static_cast<int>(day);
  return to_ole_date(date);
}

// ---- Address aggregates -------------------------------------------------------------------

bool AddressFields::empty() const {
  for (const AddressSlot& slot : kAddressSlots)
    if (!(this->*slot.field).empty()) return false;
  return true;
}

AddressFields parse_address_aggregate(std::string_view aggregate) {
  AddressFields fields;
  if (aggregate.empty()) return fields;
  pugi::xml_document doc;
  const std::string wrapped = "<a>" + std::string(aggregate) + "</a>";
  const pugi::xml_parse_result parsed = doc.load_string(wrapped.c_str());
  if (!parsed)
    throw QbError(kInvalidArgument,
                  "The address is not a qbXML address aggregate: " + std::string(aggregate));
  for (pugi::xml_node child : doc.child("a").children()) {
    if (child.type() != pugi::node_element) continue;
    std::string* field = address_field(fields, child.name());
    if (!field)
      throw QbError(kInvalidArgument,
                    "The address aggregate holds an unknown field: " + std::string(child.name()));
    *field = child.text().get();
  }
  return fields;
}

std::string address_aggregate(const AddressFields& fields) {
  pugi::xml_document doc;
  pugi::xml_node root = doc.append_child("a");
  for (const char* name : kAggregateFields) {
    root.append_child(name).text().set(xml_safe(address_field(fields, name)).c_str());
  }
  std::string text;
  for (pugi::xml_node child : root.children()) text += serialize(child);
  return text;
}

std::string address_aggregate_of(pugi::xml_node address) {
  if (!address) return "";
  AddressFields fields;
  for (const AddressSlot& slot : kAddressSlots)
    fields.*slot.field = address.child(slot.name).text().get();
  return address_aggregate(fields);
}

// ---- Writing ------------------------------------------------------------------------------

Request::Request(std::string name) : name_(std::move(name)) {
  pugi::xml_node msgs = doc_.append_child("QBXML").append_child("QBXMLMsgsRq");
  msgs.append_attribute("onError") = "stopOnError";
  body_ = msgs.append_child(name_.c_str());
  body_.append_attribute("requestID") = "1";
}

std::string Request::responseName() const {
  std::string rs = name_;
  if (rs.size() >= 2 && rs.compare(rs.size() - 2, 2, "Rq") == 0) rs.replace(rs.size() - 2, 2, "Rs");
  return rs;
}

std::string Request::document(std::string_view qbxmlVersion) const {
  if (qbxmlVersion.empty()) qbxmlVersion = "3.0";
  if (!is_digits_and_dots(qbxmlVersion))
    throw QbError(kInvalidArgument, "Invalid qbXML version: " + std::string(qbxmlVersion));
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<?qbxml version=\"" +
         std::string(qbxmlVersion) + "\"?>\n" + serialize(doc_.first_child());
}

pugi::xml_node add_element(pugi::xml_node parent, const char* name) {
  return parent.append_child(name);
}

pugi::xml_node add_text(pugi::xml_node parent, const char* name, std::string_view text) {
  pugi::xml_node node = parent.append_child(name);
  node.text().set(xml_safe(text).c_str());
  return node;
}

void add_text_if_set(pugi::xml_node parent, const char* name, std::string_view text) {
  if (!text.empty()) add_text(parent, name, text);
}

void add_ref_if_set(pugi::xml_node parent, const char* name, std::string_view fullName) {
  if (!fullName.empty()) add_text(parent.append_child(name), "FullName", fullName);
}

void add_date_if_set(pugi::xml_node parent, const char* name, const std::optional<double>& ole) {
  if (ole) add_text(parent, name, date_text(*ole));
}

void add_amount_if_set(pugi::xml_node parent, const char* name,
                       const std::optional<std::int64_t>& hundredths) {
  if (hundredths) add_text(parent, name, hundredths_text(*hundredths));
}

void add_decimal_if_set(pugi::xml_node parent, const char* name,
                        const std::optional<double>& value) {
  if (value) add_text(parent, name, decimal_text(*value));
}

void add_price_if_set(pugi::xml_node parent, const char* name, const std::optional<double>& value) {
  if (value) add_text(parent, name, price_text(*value));
}

void add_bool_if_set(pugi::xml_node parent, const char* name, const std::optional<bool>& value) {
  if (value) add_text(parent, name, bool_text(*value));
}

void add_address_if_set(pugi::xml_node parent, const char* name, std::string_view aggregate) {
  const AddressFields fields = parse_address_aggregate(aggregate);
  if (fields.empty()) return;
  pugi::xml_node address = parent.append_child(name);
  for (const AddressSlot& slot : kAddressSlots)
    add_text_if_set(address, slot.name, fields.*slot.field);
}

std::string element_text(pugi::xml_node element) {
  return serialize(element);
}

// ---- Reading ------------------------------------------------------------------------------

std::string child_text(pugi::xml_node parent, const char* name) {
  return parent.child(name).text().get();
}

std::string ref_name(pugi::xml_node parent, const char* refName) {
  return parent.child(refName).child("FullName").text().get();
}

std::optional<std::int64_t> amount_of(pugi::xml_node parent, const char* name) {
  const std::string text = child_text(parent, name);
  if (text.empty()) return std::nullopt;
  return to_hundredths(numeric_value(text));
}

std::optional<double> decimal_of(pugi::xml_node parent, const char* name) {
  const std::string text = child_text(parent, name);
  if (text.empty()) return std::nullopt;
  return numeric_value(text);
}

std::optional<double> date_of(pugi::xml_node parent, const char* name) {
  return parse_date(child_text(parent, name));
}

std::optional<bool> bool_of(pugi::xml_node parent, const char* name) {
  const std::string text = child_text(parent, name);
  if (text == "true" || text == "1") return true;
  if (text == "false" || text == "0") return false;
  return std::nullopt;
}

Response Response::parse(std::string_view xml, std::string_view rsName,
                         std::string_view requestId) {
  Response response;
  response.doc_ = std::make_shared<pugi::xml_document>();
  const pugi::xml_parse_result parsed =
      response.doc_->load_buffer(xml.data(), xml.size(), pugi::parse_default, pugi::encoding_utf8);
  if (!parsed)
    throw QbError(kMalformedResponse, "QuickBooks' response is not readable XML (" +
                                          std::string(parsed.description()) + " at offset " +
                                          std::to_string(parsed.offset) + ").");
  const pugi::xml_node msgs = response.doc_->child("QBXML").child("QBXMLMsgsRs");
  if (!msgs)
    throw QbError(kMalformedResponse, "QuickBooks' response has no QBXML/QBXMLMsgsRs element.");
  const std::string name(rsName);
  for (pugi::xml_node rs : msgs.children(name.c_str())) {
    const pugi::xml_attribute id = rs.attribute("requestID");
    if (requestId.empty() || !id || requestId == id.value()) {
      response.rs_ = rs;
      break;
    }
  }
  if (!response.rs_)
    throw QbError(kMalformedResponse, msgs.child(name.c_str())
                                          ? "QuickBooks' response answers another request than " +
                                                name + " " + std::string(requestId) + "."
                                          : "QuickBooks' response holds no " + name + " element.");
  const std::string code = response.rs_.attribute("statusCode").value();
  if (!parse_long(code, response.statusCode_))
    throw QbError(kMalformedResponse,
                  "QuickBooks' " + name + " has no valid statusCode (\"" + code + "\").");
  response.severity_ = response.rs_.attribute("statusSeverity").value();
  response.message_ = response.rs_.attribute("statusMessage").value();
  response.iteratorId_ = response.rs_.attribute("iteratorID").value();
  const std::string remaining = response.rs_.attribute("iteratorRemainingCount").value();
  if (!remaining.empty() && !parse_long(remaining, response.remaining_))
    throw QbError(
        kMalformedResponse,
        "QuickBooks' " + name + " has an invalid iteratorRemainingCount (\"" + remaining + "\").");
  return response;
}

std::vector<pugi::xml_node> Response::records() const {
  std::vector<pugi::xml_node> out;
  for (pugi::xml_node child : rs_.children()) {
    const std::string_view name = child.name();
    if (child.type() == pugi::node_element && name.size() > 3 &&
        name.substr(name.size() - 3) == "Ret")
      out.push_back(child);
  }
  return out;
}

void Response::check(bool isAdd) const {
  if (statusCode_ == 0 || statusCode_ == kStatusNoMatch) return;
  const std::string message =
      message_.empty() ? "QuickBooks error " + std::to_string(statusCode_) + "." : message_;
  if (isAdd && statusCode_ == kStatusNameInUse) throw QbError(kNameInUse, message);
  // A warning that still brings the record means the request was carried out.
  if ((severity_ == "Warn" || severity_ == "Info") && !records().empty()) return;
  throw QbError(statusCode_, message);
}

std::string added_record(const std::string& request, const std::string& response,
                         const std::string& whatIsMissing) {
  pugi::xml_document sent;
  sent.load_buffer(request.data(), request.size(), pugi::parse_default, pugi::encoding_utf8);
  pugi::xml_node rq;
  for (pugi::xml_node node : sent.child("QBXML").child("QBXMLMsgsRq").children())
    if (node.type() == pugi::node_element) {
      rq = node;
      break;
    }
  std::string rsName = rq.name();
  if (rsName.size() > 2) rsName.replace(rsName.size() - 2, 2, "Rs");
  const Response answer = Response::parse(response, rsName, rq.attribute("requestID").value());
  answer.check(true);
  const std::vector<pugi::xml_node> records = answer.records();
  if (records.empty()) throw QbError(kMalformedResponse, whatIsMissing);
  return element_text(records.front());
}

}  // namespace qbxml

// ---- Component ----------------------------------------------------------------------------

namespace {
struct Captured {};
}  // namespace

std::string Component::captured(const std::function<void()>& run) {
  std::string document;
  capture_ = &document;
  try {
    run();
  } catch (const Captured&) {
  } catch (...) {
    capture_ = nullptr;
    throw;
  }
  capture_ = nullptr;
  return document;
}

const qbxml::Response& Component::send(const qbxml::Request& request, bool isAdd) {
  clearAnswer();
  const std::string document = request.document(settings.qbxmlVersion);
  if (capture_ != nullptr) {
    *capture_ = document;
    throw Captured{};
  }
  response_ = session_.exchange(document);
  last_ = qbxml::Response::parse(response_, request.responseName(),
                                 request.body().attribute("requestID").value());
  last_.check(isAdd);
  return last_;
}

pugi::xml_node Component::sendForRecord(const qbxml::Request& request, bool isAdd,
                                        const std::string& whatIsMissing) {
  const qbxml::Response& response = send(request, isAdd);
  const std::vector<pugi::xml_node> records = response.records();
  if (records.empty()) {
    // check() let only statuses 0 and 1 through without a record.
    if (isAdd) throw QbError(kMalformedResponse, whatIsMissing);
    throw QbError(kStatusNoMatch, response.noMatch() && !response.statusMessage().empty()
                                      ? response.statusMessage()
                                      : whatIsMissing);
  }
  record_ = qbxml::element_text(records.front());
  return records.front();
}

void Component::clearAnswer() {
  last_ = qbxml::Response();
  record_.clear();
  response_.clear();
}

}  // namespace vqb::qb
