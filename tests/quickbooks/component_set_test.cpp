#include "quickbooks/component_set.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace vqb::qb {
namespace {

// Sends nothing; keeps the connection strings it was opened with.
class OpeningTransport : public QbTransport {
 public:
  std::vector<std::string> opened;
  void openConnection(const std::string& connectionString) override {
    opened.push_back(connectionString);
  }
  void closeConnection() override {}
  std::string process(const std::string&) override {
    throw std::logic_error("no request expected");
  }
};

// set_Country gives the standard qbXML version and connection string to exactly eight
// components when the setting is on, and leaves every component as it was when it is off.
TEST(ComponentSet, SetCountryCoversEightComponentsAndOnlyWhenOn) {
  const struct {
    const char* component;
    ConnectionSettings& (*settings)(ComponentSet&);
    bool covered;
  } cases[] = {
      {"lists", [](ComponentSet& s) -> ConnectionSettings& { return s.lists.settings; }, true},
      {"customer", [](ComponentSet& s) -> ConnectionSettings& { return s.customer.settings; },
       true},
      {"vendor", [](ComponentSet& s) -> ConnectionSettings& { return s.vendor.settings; }, true},
      {"item", [](ComponentSet& s) -> ConnectionSettings& { return s.item.settings; }, true},
      {"receivePayment",
       [](ComponentSet& s) -> ConnectionSettings& { return s.receivePayment.settings; }, true},
      {"invoice", [](ComponentSet& s) -> ConnectionSettings& { return s.invoice.settings; }, true},
      {"search", [](ComponentSet& s) -> ConnectionSettings& { return s.search.settings; }, true},
      {"purchaseOrder",
       [](ComponentSet& s) -> ConnectionSettings& { return s.purchaseOrder.settings; }, true},
      {"account", [](ComponentSet& s) -> ConnectionSettings& { return s.account.settings; }, false},
      {"employee", [](ComponentSet& s) -> ConnectionSettings& { return s.employee.settings; },
       false},
      {"address", [](ComponentSet& s) -> ConnectionSettings& { return s.address.settings; }, false},
  };
  for (const bool apply : {true, false}) {
    OpeningTransport transport;
    Session session(transport);
    ComponentSet set(session);
    for (const auto& c : cases) c.settings(set) = {"13.0", "ApplicationName='Other'"};

    set.set_Country(apply);

    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.component) + (apply ? " (on)" : " (off)"));
      const bool standard = apply && c.covered;
      EXPECT_EQ(c.settings(set).qbxmlVersion, standard ? "3.0" : "13.0");
      EXPECT_EQ(c.settings(set).connectionString,
                standard ? "ApplicationName='Vantora'" : "ApplicationName='Other'");
    }
    // The search opens its connection with the string it was given.
    set.search.openConnection();
    EXPECT_EQ(transport.opened, std::vector<std::string>{apply ? "ApplicationName='Vantora'"
                                                               : "ApplicationName='Other'"});
  }
}

}  // namespace
}  // namespace vqb::qb
