#pragma once
// qbXML at the QuickBooks boundary: the request envelope the components write, the reader of
// QuickBooks' response, the value formats, and the base class of the components.
//
// Requests are built as pugixml trees, so every text is escaped; control characters XML 1.0
// cannot carry are dropped and a carriage return is written as "&#13;" so that "\r\n" reaches
// QuickBooks intact. Values: dates "YYYY-MM-DD", money "123.45" (from hundredths), booleans
// "true"/"false", quantities as decimals with at most five places, unit prices with two to
// five.
//
// Response status rules (Response::check): 0 success; 1 "no match" is an empty result, not an
// error; 3100 on an add is QbError(kNameInUse); a warning or information status that still
// carries a record is a success; any other code is QbError(code, QuickBooks' message). A
// response that cannot be read raises QbError(kMalformedResponse).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "quickbooks/qb_error.h"
#include "quickbooks/session.h"

namespace vqb::qb {

// Error numbers raised by the gateway itself (the classic platform's where one fits).
inline constexpr long kInvalidArgument = 5;   // "Invalid procedure call or argument"
inline constexpr long kIndexOutOfRange = 9;   // "Subscript out of range"
inline constexpr long kNoSuchProperty = 438;  // "Object doesn't support this property or method"
inline constexpr long kMalformedResponse = 20853;  // QuickBooks' answer could not be read

namespace qbxml {

// ---- Values -------------------------------------------------------------------------------

// The text without the control characters XML 1.0 cannot carry (tab, LF and CR stay).
std::string xml_safe(std::string_view text);
std::string bool_text(bool value);
// A quantity or price as a decimal with at most five places: 2 -> "2", 2.5 -> "2.5".
std::string decimal_text(double value);
// A unit price with two to five places: 12.5 -> "12.50", 0.355 -> "0.355".
std::string price_text(double value);
// "YYYY-MM-DD" of an OLE Automation date (the time of day is dropped).
std::string date_text(double ole);
// An OLE Automation day number from "YYYY-MM-DD" (a time part is ignored); nullopt when the
// text is no date.
std::optional<double> parse_date(std::string_view text);

// ---- Address aggregates -------------------------------------------------------------------

struct AddressFields {
  std::string addr1, addr2, addr3, addr4, addr5, city, state, postalCode, country, note;
  bool empty() const;
};

// The fields of an aggregate text such as the Address component gives ("<Addr1>..</Addr1>
// ...<Country>..</Country>"); any AddressData element in any order is accepted. An empty text
// gives empty fields; anything else raises QbError(kInvalidArgument).
AddressFields parse_address_aggregate(std::string_view aggregate);
// Always all eight fields: "<Addr1>..</Addr1><Addr2>..</Addr2><Addr3>..</Addr3><Addr4>..
// </Addr4><City>..</City><State>..</State><PostalCode>..</PostalCode><Country>..</Country>".
std::string address_aggregate(const AddressFields& fields);
// The aggregate of an address element of a record ("" when the record has none).
std::string address_aggregate_of(pugi::xml_node address);

// ---- Writing ------------------------------------------------------------------------------

// One request document: the envelope and one ...Rq element with requestID="1".
class Request {
 public:
  explicit Request(std::string name);  // "CustomerAddRq"
  Request(const Request&) = delete;
  Request& operator=(const Request&) = delete;

  pugi::xml_node body() const { return body_; }
  const std::string& name() const { return name_; }
  std::string responseName() const;  // "CustomerAddRs"
  // The whole document with the <?qbxml version?> line; an empty version is written "3.0".
  std::string document(std::string_view qbxmlVersion) const;

 private:
  pugi::xml_document doc_;
  pugi::xml_node body_;
  std::string name_;
};

pugi::xml_node add_element(pugi::xml_node parent, const char* name);
pugi::xml_node add_text(pugi::xml_node parent, const char* name, std::string_view text);
// The add_*_if_set writers write nothing for an empty text or an unset value.
void add_text_if_set(pugi::xml_node parent, const char* name, std::string_view text);
// <Name><FullName>full name</FullName></Name>
void add_ref_if_set(pugi::xml_node parent, const char* name, std::string_view fullName);
void add_date_if_set(pugi::xml_node parent, const char* name, const std::optional<double>& ole);
void add_amount_if_set(pugi::xml_node parent, const char* name,
                       const std::optional<std::int64_t>& hundredths);
void add_decimal_if_set(pugi::xml_node parent, const char* name,
                        const std::optional<double>& value);
void add_price_if_set(pugi::xml_node parent, const char* name, const std::optional<double>& value);
void add_bool_if_set(pugi::xml_node parent, const char* name, const std::optional<bool>& value);
// The non-empty fields of an aggregate in schema order; nothing when all are empty.
void add_address_if_set(pugi::xml_node parent, const char* name, std::string_view aggregate);

// An element as qbXML text (no declaration, no indentation, CR as "&#13;").
std::string element_text(pugi::xml_node element);

// ---- Reading ------------------------------------------------------------------------------

std::string child_text(pugi::xml_node parent, const char* name);
// The FullName of a reference child such as CustomerRef ("" when absent).
std::string ref_name(pugi::xml_node parent, const char* refName);
// An amount child in hundredths; nullopt when absent or empty.
std::optional<std::int64_t> amount_of(pugi::xml_node parent, const char* name);
// A decimal child (a quantity or a price); nullopt when absent or empty.
std::optional<double> decimal_of(pugi::xml_node parent, const char* name);
std::optional<double> date_of(pugi::xml_node parent, const char* name);
std::optional<bool> bool_of(pugi::xml_node parent, const char* name);

// QuickBooks' answer to one request: the ...Rs element with its status and records.
class Response {
 public:
  Response() = default;
  // Raises QbError(kMalformedResponse) when the text is no qbXML response holding rsName
  // (with requestID `requestId`, when one is given and the response numbers its answers).
  static Response parse(std::string_view xml, std::string_view rsName,
                        std::string_view requestId = {});

  long statusCode() const { return statusCode_; }
  const std::string& statusSeverity() const { return severity_; }
  const std::string& statusMessage() const { return message_; }
  bool noMatch() const { return statusCode_ == kStatusNoMatch; }
  long iteratorRemainingCount() const { return remaining_; }  // 0 when not given
  const std::string& iteratorId() const { return iteratorId_; }
  // The ...Ret children of the ...Rs element, in order.
  std::vector<pugi::xml_node> records() const;

  // Raises QbError per the status rules above; isAdd turns 3100 into kNameInUse.
  void check(bool isAdd) const;

 private:
  std::shared_ptr<pugi::xml_document> doc_;
  pugi::xml_node rs_;
  long statusCode_ = 0;
  std::string severity_, message_, iteratorId_;
  long remaining_ = 0;
};

// The record QuickBooks added for the add request document `request` (its first ...Ret, as
// qbXML text), read from `response`, the answer of the message set that carried it (found by
// its requestID). Throws as an add sent alone does: QbError(kNameInUse) on 3100, QuickBooks'
// status for another refusal, QbError(kMalformedResponse, whatIsMissing) without a record.
std::string added_record(const std::string& request, const std::string& response,
                         const std::string& whatIsMissing);

}  // namespace qbxml

// What every component shares: the session, the connection settings set_Country fills, and
// the last request's answer.
class Component {
 public:
  explicit Component(Session& session) : session_(session) {}
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;
  virtual ~Component() = default;

  // The qbXML version written into requests and the connection string used to open a
  // connection. A reset keeps them.
  ConnectionSettings settings;

  // The last ...Ret record read (an added, loaded or updated entry) as qbXML text; "" after a
  // reset or a request that returned none.
  const std::string& record() const { return record_; }
  // The whole response document of the last request.
  const std::string& lastResponse() const { return response_; }

 protected:
  // Sends the request and checks its status; the response stays readable in last().
  const qbxml::Response& send(const qbxml::Request& request, bool isAdd);
  // Sends a load or an add that must answer with one record; the record becomes record().
  // An empty answer raises QbError(1, ...) (or the status QuickBooks gave).
  pugi::xml_node sendForRecord(const qbxml::Request& request, bool isAdd,
                               const std::string& whatIsMissing);
  const qbxml::Response& last() const { return last_; }
  void clearAnswer();
  // The document `send` would send when `run` calls it, caught instead of sent.
  std::string captured(const std::function<void()>& run);
  Session& session() { return session_; }

 private:
  Session& session_;
  std::string* capture_{nullptr};
  qbxml::Response last_;
  std::string record_;
  std::string response_;
};

}  // namespace vqb::qb
