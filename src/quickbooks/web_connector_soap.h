#pragma once
// The Web Connector's SOAP 1.1 interface (document/literal, namespace
// http://developer.intuit.com/): reads one call, runs it on the service and writes the
// answer; and the WSDL that describes it.

#include <cstddef>
#include <string>
#include <string_view>

#include "quickbooks/web_connector_service.h"

namespace vqb::qb {

inline constexpr const char* kQbwcNamespace = "http://developer.intuit.com/";

struct SoapReply {
  int status = 200;  // 500 with a SOAP fault: unreadable call, unknown method, invalid ticket
  std::string body;
};

// `clientAddress`: where the call came from (wrong logins are counted by address).
SoapReply handle_soap(WebConnectorService& service, const std::string& requestBody,
                      const std::string& clientAddress = "");
// The fault for a request body over `limit` bytes (status 413).
SoapReply body_too_large(std::size_t limit);

// The WSDL, with `url` (escaped here) as the service's address.
std::string web_connector_wsdl(const std::string& url);
// Whether an HTTP Host header is a plausible host name or address with an optional port:
// "localhost:8086", "192.168.1.5", "[::1]:8086".
bool plausible_host(std::string_view host);

}  // namespace vqb::qb
