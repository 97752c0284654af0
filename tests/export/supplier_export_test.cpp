// Supplier export against the demo company: vendor creation, names, addresses, link-back.

#include "export/supplier_export.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/database.h"
#include "app/startup.h"
#include "app/text_helpers.h"
#include "main_window/main_window_logic.h"
#include "mapping/list_loader.h"
#include "quickbooks/sim/simulated_company.h"
#include "support/connected_demo.h"

namespace vqb {
namespace {

using qb::sim::Kind;
using qb::sim::SimulatedCompany;

const std::string kCrlf = "\r\n";

class SupplierExportTest : public ::testing::Test, protected test::ConnectedDemoFixture {
 protected:
  void SetUp() override { ASSERT_TRUE(connected); }
  void addSupplier(long link, const std::string& description, const std::string& billing = "",
                   const std::string& shipping = "") {
    auto q = [](const std::string& text) { return "'" + sql_quote(text) + "'"; };
    run("INSERT INTO Suppliers (Link, Description, Tel, Email, BAddress, SAddress, QBAccount) "
        "VALUES (" +
        std::to_string(link) + ", " + q(description) + ", '555-0199', 'orders@example.com', " +
        q(billing) + ", " + q(shipping) + ", '')");
  }
  std::string send(long link) { return send_Supplier(*ctx, link); }
  std::string qbAccount(long link) {
    return first("SELECT QBAccount FROM Suppliers WHERE Link = " + std::to_string(link));
  }
  std::string lastAdd() {
    for (auto it = requests.rbegin(); it != requests.rend(); ++it)
      if (it->find("<VendorAddRq") != std::string::npos) return *it;
    return "";
  }
};

TEST_F(SupplierExportTest, BothAddressesArriveAndTheRowIsLinked) {
  const std::string name = "Prairie Thread & Co's <North>";
  addSupplier(910001, name, "45 Mill Rd\r\nWinnipeg, MB R3C 0A1", "Dock 4\r\nBrandon, MB R7A 5Y1");
  EXPECT_EQ(send(910001), "Success");
  auto entry = company().findByName(Kind::Vendor, name);
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->value("CompanyName"), name);
  EXPECT_EQ(entry->value("Phone"), "555-0199");
  EXPECT_EQ(entry->value("VendorAddress/Addr1"), "45 Mill Rd");
  EXPECT_EQ(entry->value("VendorAddress/City"), "Winnipeg");
  EXPECT_EQ(entry->value("ShipAddress/Addr1"), "Dock 4");
  EXPECT_NE(lastAdd().find("<Name>Prairie Thread &amp; Co's &lt;North&gt;</Name>"),
            std::string::npos)
      << lastAdd();
  EXPECT_EQ(qbAccount(910001), name);
}

TEST_F(SupplierExportTest, WithoutADeliveryAddressNoShipAddressIsSent) {
  addSupplier(910002, "Bill Only Supply", "9 Loom St\r\nReno, NV 89501");
  EXPECT_EQ(send(910002), "Success");
  EXPECT_NE(lastAdd().find("<VendorAddress>"), std::string::npos);
  EXPECT_EQ(lastAdd().find("<ShipAddress>"), std::string::npos);
  addSupplier(910003, "Unsplittable Supply", "", std::string(56, 'Q'));
  EXPECT_EQ(send(910003), "Could not parse ship to address. Supplier not exported.");
  addSupplier(910004, "Unsplittable Bill Supply", std::string(56, 'Q'));
  EXPECT_EQ(send(910004), "Could not parse billing address. Supplier not exported.");
  EXPECT_EQ(qbAccount(910004), "");
}

TEST_F(SupplierExportTest, NameChecksUseTheSupplierTexts) {
  EXPECT_EQ(send(987654), "Export Supplier. Cannot find Supplier id: 987654 in Vantora.");

  const std::string longName(41, 'S');
  addSupplier(910010, longName);
  EXPECT_EQ(send(910010),
            "No Supplier name specified. Unable to create a new Supplier in QuickBooks.");
  EXPECT_EQ(ui.prompts.at(0),
            "The Supplier name " + longName +
                " is more than 40 characters long and cannot be sent to QuickBooks." + kCrlf +
                "Please enter another Supplier name that is less than 40 characters." + kCrlf +
                "PLEASE NOTE: In QuickBooks there is a difference between 'Supplier Name' and "
                "'Company Name'. No matter what 'Supplier Name' you specify, Vantora will still "
                "export the 'Company Name' as " +
                longName);

  company().addCustomer("Both Ways Ltd");
  addSupplier(910011, "Both Ways Ltd");
  ui.answers = {Answer::Ok};
  ui.inputs = {"Both Ways Ltd (Supplier)"};
  EXPECT_EQ(send(910011), "Success");
  EXPECT_EQ(
      ui.messages.at(0).text,
      "A customer called, Both Ways Ltd, already exists in QuickBooks." + kCrlf +
          "QuickBooks will not accept a Supplier and Customer with the same name." + kCrlf +
          "Click 'OK' to specify another Supplier name." + kCrlf +
          "Click 'Cancel' if you DON'T want to send this Supplier to QuickBooks at this time.");
  EXPECT_EQ(ui.messages[0].buttons, Buttons::OkCancel);
  EXPECT_EQ(ui.prompts.back(), "Please enter another Supplier name that is not in QuickBooks.");
  EXPECT_EQ(qbAccount(910011), "Both Ways Ltd (Supplier)");

  addSupplier(910012, "Both Ways Ltd");
  ui.answers = {Answer::Cancel};
  EXPECT_EQ(send(910012), "User selected not to send Supplier.");

  company().addVendor("Known Vendor's");
  addSupplier(910013, "Known Vendor's");
  ui.answers = {Answer::Yes};
  EXPECT_EQ(send(910013), "Success");
  EXPECT_EQ(ui.messages.back().text.rfind(
                "A Supplier called, Known Vendor's, already exists in QuickBooks." + kCrlf +
                    "Click 'YES' to link this Vantora Supplier to the one in QuickBooks.",
                0),
            0u);
  EXPECT_EQ(qbAccount(910013), "Known Vendor's");
}

TEST_F(SupplierExportTest, NameInUseAtTheAddLinksRenamesOrGivesUp) {
  addSupplier(910020, "Late Clash Supply");
  company().failRequest("VendorAddRq", 3100,
                        "The name \"Late Clash Supply\" of the list element is already in use.");
  ui.answers = {Answer::Yes};
  EXPECT_EQ(send(910020), "Success");
  EXPECT_EQ(qbAccount(910020), "Late Clash Supply");
  ui.answers = {Answer::Cancel};
  EXPECT_EQ(send(910020), "Duplicate Supplier name. Unable to create new Supplier in QuickBooks.");
  ui.answers = {Answer::No};
  EXPECT_EQ(send(910020),
            "No Supplier name specified. Unable to create a new Supplier in QuickBooks.");
  company().failRequest("VendorAddRq", 3070, "The string is too long.");
  EXPECT_EQ(send(910020),
            "Could not export Supplier: " + kCrlf + "Error: 3070 - The string is too long.");
}

TEST_F(SupplierExportTest, TheLoopFillsTheResultCells) {
  addSupplier(910030, "Loop Supply");
  WorkList& grid = logic->state.grid;
  grid.clear();
  grid.headers = {"Company", "Phone", "Select", "Comment", ""};
  grid.tickColumn = 2;
  WorkRow a;
  a.cells = {"Loop Supply", "", "", "910030", ""};
  a.ticked = true;
  WorkRow b = a;
  b.ticked = false;
  grid.rows = {a, b};
  send_Suppliers(*ctx);
  EXPECT_EQ(grid.rows[0].cells[4], "Success");
  EXPECT_EQ(grid.rows[1].cells[4], "");
  EXPECT_EQ(ui.status, "Operation completed");
}

}  // namespace
}  // namespace vqb
