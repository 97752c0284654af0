#pragma once
// Building qbXML requests for the simulated company and reading its answers, for tests.

#include <gtest/gtest.h>

#include <memory>
#include <pugixml.hpp>
#include <string>
#include <vector>

#include "quickbooks/sim/simulated_company.h"

namespace vqb::qb::sim::simtest {

inline std::string request(const std::string& body, const std::string& onError = "stopOnError",
                           const std::string& version = "5.0") {
  return "<?xml version=\"1.0\"?>\n<?qbxml version=\"" + version +
         "\"?>\n<QBXML><QBXMLMsgsRq onError=\"" + onError + "\">" + body + "</QBXMLMsgsRq></QBXML>";
}

// One response element of a response document.
struct Reply {
  std::shared_ptr<pugi::xml_document> doc = std::make_shared<pugi::xml_document>();
  pugi::xml_node rs;
  long code() const { return rs.attribute("statusCode").as_int(-1); }
  std::string message() const { return rs.attribute("statusMessage").value(); }
  std::string severity() const { return rs.attribute("statusSeverity").value(); }
  long remaining() const { return rs.attribute("iteratorRemainingCount").as_int(-1); }
  std::string iterator() const { return rs.attribute("iteratorID").value(); }
  pugi::xml_node ret() const { return rs.first_child(); }
  // A field by path below the response element ("CustomerRet/Name") or below its first record.
  std::string text(const char* path) const { return rs.first_element_by_path(path).child_value(); }
  std::string field(const char* path) const {
    return ret().first_element_by_path(path).child_value();
  }
  // A field of every returned record.
  std::vector<std::string> values(const char* path) const {
    std::vector<std::string> out;
    for (pugi::xml_node record : rs.children())
      out.push_back(record.first_element_by_path(path).child_value());
    return out;
  }
  std::size_t count(const char* tag) const {
    std::size_t n = 0;
    for ([[maybe_unused]] pugi::xml_node child : rs.children(tag)) ++n;
    return n;
  }
};

inline Reply reply(const std::string& response, int index = 0) {
  Reply result;
  EXPECT_TRUE(result.doc->load_string(response.c_str())) << response;
  result.rs = result.doc->child("QBXML").child("QBXMLMsgsRs").first_child();
  for (int i = 0; i < index; ++i) result.rs = result.rs.next_sibling();
  return result;
}

inline Reply send(SimulatedCompany& company, const std::string& body) {
  return reply(company.process(request(body)));
}

}  // namespace vqb::qb::sim::simtest
