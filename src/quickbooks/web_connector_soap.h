#pragma once
// The Web Connector's SOAP 1.1 interface (document/literal, namespace
// http://developer.intuit.com/): reads one call, runs it on the service and writes the
// answer; and the WSDL that describes it.

#include <string>

#include "quickbooks/web_connector_service.h"

namespace vqb::qb {

inline constexpr const char* kQbwcNamespace = "http://developer.intuit.com/";

struct SoapReply {
  int status = 200;  // 500 with a SOAP fault: unreadable call, unknown method, invalid ticket
  std::string body;
};

SoapReply handle_soap(WebConnectorService& service, const std::string& requestBody);

// The WSDL, with `url` as the service's address.
std::string web_connector_wsdl(const std::string& url);

}  // namespace vqb::qb
