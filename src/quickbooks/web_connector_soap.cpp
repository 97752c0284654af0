#include "quickbooks/web_connector_soap.h"

#include <cctype>
#include <pugixml.hpp>
#include <sstream>
#include <string_view>
#include <utility>
#include <vector>

#include "quickbooks/qbxml.h"

namespace vqb::qb {
namespace {

constexpr const char* kSoapNamespace = "http://schemas.xmlsoap.org/soap/envelope/";

std::string_view local_name(std::string_view name) {
  const auto colon = name.find(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

pugi::xml_node child_named(pugi::xml_node parent, std::string_view name) {
  for (pugi::xml_node child : parent.children())
    if (local_name(child.name()) == name) return child;
  return {};
}

std::string param(pugi::xml_node call, std::string_view name) {
  return child_named(call, name).text().get();
}

// An envelope whose body holds <method>Response with one <method>Result.
struct Envelope {
  pugi::xml_document doc;
  pugi::xml_node body;
  Envelope() {
    auto decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = "utf-8";
    auto envelope = doc.append_child("soap:Envelope");
    envelope.append_attribute("xmlns:soap") = kSoapNamespace;
    body = envelope.append_child("soap:Body");
  }
  pugi::xml_node result(const std::string& method) {
    auto response = body.append_child((method + "Response").c_str());
    response.append_attribute("xmlns") = kQbwcNamespace;
    return response.append_child((method + "Result").c_str());
  }
  std::string text() const {
    std::ostringstream out;
    doc.save(out, "", pugi::format_raw);
    return out.str();
  }
};

// Every text the answer carries is escaped by pugixml; the control characters XML cannot
// carry are dropped first.
void set_text(pugi::xml_node node, const std::string& text) {
  node.text() = qbxml::xml_safe(text).c_str();
}

SoapReply fault(const std::string& code, const std::string& text, int status = 500) {
  Envelope envelope;
  auto node = envelope.body.append_child("soap:Fault");
  node.append_child("faultcode").text() = ("soap:" + code).c_str();
  set_text(node.append_child("faultstring"), text);
  return {status, envelope.text()};
}

std::string xml_escaped(std::string_view text) {
  std::string out;
  for (const char c : qbxml::xml_safe(text)) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace

SoapReply body_too_large(std::size_t limit) {
  return fault(
      "Client",
      "The request is larger than the " + std::to_string(limit / 1024) + " KB this service accepts",
      413);
}

SoapReply handle_soap(WebConnectorService& service, const std::string& requestBody,
                      const std::string& clientAddress) {
  pugi::xml_document doc;
  if (!doc.load_buffer(requestBody.data(), requestBody.size()))
    return fault("Client", "The request is not XML");
  pugi::xml_node body = child_named(child_named(doc, "Envelope"), "Body");
  pugi::xml_node call =
      body.find_child([](pugi::xml_node n) { return n.type() == pugi::node_element; });
  if (!call) return fault("Client", "The request holds no SOAP call");
  const std::string method(local_name(call.name()));
  Envelope envelope;
  try {
    if (method == "authenticate") {
      auto result = envelope.result(method);
      for (const std::string& s : service.authenticate(param(call, "strUserName"),
                                                       param(call, "strPassword"), clientAddress))
        set_text(result.append_child("string"), s);
      return {200, envelope.text()};
    }
    std::string text;
    const std::string ticket = param(call, "ticket");
    if (method == "serverVersion")
      text = service.serverVersion();
    else if (method == "clientVersion")
      text = service.clientVersion(param(call, "strVersion"));
    else if (method == "sendRequestXML")
      text = service.sendRequestXML(ticket, param(call, "strHCPResponse"),
                                    param(call, "strCompanyFileName"));
    else if (method == "receiveResponseXML")
      text = std::to_string(service.receiveResponseXML(
          ticket, param(call, "response"), param(call, "hresult"), param(call, "message")));
    else if (method == "connectionError")
      text = service.connectionError(ticket, param(call, "hresult"), param(call, "message"));
    else if (method == "getLastError")
      text = service.getLastError(ticket);
    else if (method == "closeConnection")
      text = service.closeConnection(ticket);
    else
      return fault("Client", "Unknown method " + method);
    set_text(envelope.result(method), text);
    return {200, envelope.text()};
  } catch (const InvalidTicket& error) {
    return fault("Client", error.what());
  }
}

std::string web_connector_wsdl(const std::string& url) {
  struct Method {
    const char* name;
    std::vector<std::pair<const char*, const char*>> params;  // name, XML Schema type
    const char* result;
  };
  const std::vector<Method> methods = {
      {"serverVersion", {}, "s:string"},
      {"clientVersion", {{"strVersion", "s:string"}}, "s:string"},
      {"authenticate",
       {{"strUserName", "s:string"}, {"strPassword", "s:string"}},
       "tns:ArrayOfString"},
      {"sendRequestXML",
       {{"ticket", "s:string"},
        {"strHCPResponse", "s:string"},
        {"strCompanyFileName", "s:string"},
        {"qbXMLCountry", "s:string"},
        {"qbXMLMajorVers", "s:int"},
        {"qbXMLMinorVers", "s:int"}},
       "s:string"},
      {"receiveResponseXML",
       {{"ticket", "s:string"},
        {"response", "s:string"},
        {"hresult", "s:string"},
        {"message", "s:string"}},
       "s:int"},
      {"connectionError",
       {{"ticket", "s:string"}, {"hresult", "s:string"}, {"message", "s:string"}},
       "s:string"},
      {"getLastError", {{"ticket", "s:string"}}, "s:string"},
      {"closeConnection", {{"ticket", "s:string"}}, "s:string"},
  };
  // Strings may be absent (minOccurs 0); numbers are always there.
  auto element = [](const std::string& name, const std::string& type) {
    return "<s:element minOccurs=\"" + std::string(type == "s:int" ? "1" : "0") +
           "\" maxOccurs=\"1\" name=\"" + name + "\" type=\"" + type + "\"/>";
  };
  std::string types, messages, portType, binding;
  for (const Method& m : methods) {
    const std::string name = m.name;
    types += "<s:element name=\"" + name + "\"><s:complexType><s:sequence>";
    for (const auto& [param, type] : m.params) types += element(param, type);
    types += "</s:sequence></s:complexType></s:element>";
    types += "<s:element name=\"" + name + "Response\"><s:complexType><s:sequence>" +
             element(name + "Result", m.result) + "</s:sequence></s:complexType></s:element>";
    messages += "<wsdl:message name=\"" + name +
                "SoapIn\"><wsdl:part name=\"parameters\" element=\"tns:" + name +
                "\"/></wsdl:message><wsdl:message name=\"" + name +
                "SoapOut\"><wsdl:part name=\"parameters\" element=\"tns:" + name +
                "Response\"/></wsdl:message>";
    portType += "<wsdl:operation name=\"" + name + "\"><wsdl:input message=\"tns:" + name +
                "SoapIn\"/><wsdl:output message=\"tns:" + name + "SoapOut\"/></wsdl:operation>";
    binding += "<wsdl:operation name=\"" + name + "\"><soap:operation soapAction=\"" +
               kQbwcNamespace + name +
               "\" style=\"document\"/><wsdl:input><soap:body use=\"literal\"/></wsdl:input>"
               "<wsdl:output><soap:body use=\"literal\"/></wsdl:output></wsdl:operation>";
  }
  return std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n") +
         "<wsdl:definitions xmlns:wsdl=\"http://schemas.xmlsoap.org/wsdl/\" "
         "xmlns:soap=\"http://schemas.xmlsoap.org/wsdl/soap/\" "
         "xmlns:s=\"http://www.w3.org/2001/XMLSchema\" xmlns:tns=\"" +
         kQbwcNamespace + "\" targetNamespace=\"" + kQbwcNamespace +
         "\">\n<wsdl:types><s:schema elementFormDefault=\"qualified\" targetNamespace=\"" +
         kQbwcNamespace +
         "\"><s:complexType name=\"ArrayOfString\"><s:sequence><s:element minOccurs=\"0\" "
         "maxOccurs=\"unbounded\" name=\"string\" nillable=\"true\" type=\"s:string\"/>"
         "</s:sequence></s:complexType>" +
         types + "</s:schema></wsdl:types>\n" + messages +
         "\n<wsdl:portType name=\"QBWebConnectorSvcSoap\">" + portType +
         "</wsdl:portType>\n<wsdl:binding name=\"QBWebConnectorSvcSoap\" "
         "type=\"tns:QBWebConnectorSvcSoap\"><soap:binding "
         "transport=\"http://schemas.xmlsoap.org/soap/http\"/>" +
         binding +
         "</wsdl:binding>\n<wsdl:service name=\"QBWebConnectorSvc\"><wsdl:port "
         "name=\"QBWebConnectorSvcSoap\" binding=\"tns:QBWebConnectorSvcSoap\"><soap:address "
         "location=\"" +
         xml_escaped(url) + "\"/></wsdl:port></wsdl:service>\n</wsdl:definitions>\n";
}

}  // namespace vqb::qb

namespace vqb::qb {

bool plausible_host(std::string_view host) {
  std::string_view name = host;
  std::size_t colon = std::string_view::npos;
  if (host.starts_with('[')) {  // an IPv6 address
    const auto close = host.find(']');
    if (close == std::string_view::npos || close < 3) return false;
    for (const char c : host.substr(1, close - 1))
      if (!std::isxdigit(static_cast<unsigned char>(c)) && c != ':' && c != '.') return false;
    if (close + 1 < host.size() && host[close + 1] != ':') return false;
    if (close + 1 < host.size()) colon = close + 1;
  } else {
    colon = host.find(':');
    name = host.substr(0, colon);
    if (name.empty() || name.size() > 253 || name.starts_with('.') || name.starts_with('-'))
      return false;
    for (const char c : name)
      if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '_')
        return false;
  }
  if (colon == std::string_view::npos) return true;
  const std::string_view port = host.substr(colon + 1);
  if (port.empty() || port.size() > 5) return false;
  int number = 0;
  for (const char c : port) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    number = number * 10 + (c - '0');
  }
  return number >= 1 && number <= 65535;
}

}  // namespace vqb::qb
