// Purchase-order export against the demo company: checks and repairs, the lines QuickBooks
// gets, duplicates, adding and marking, and every listed demo order sent end to end.

#include "export/purchase_order_export.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <pugixml.hpp>
#include <regex>
#include <string>
#include <vector>

#include "app/setup_file.h"
#include "app/text_helpers.h"
#include "main_window/work_lists.h"
#include "mapping/list_loader.h"
#include "quickbooks/sim/simulated_company.h"
#include "support/connected_demo.h"
#include "support/export_rows.h"

namespace vqb {
namespace {

using qb::sim::Kind;
using Lines = std::vector<std::string>;

const std::string kCrlf = "\r\n";

using test::xml_text;
constexpr long kOrder = 97001;
constexpr const char* kNotSent =
    "Possible duplicate purchase order. User selected not send purchase order.";

// One line of a PurchaseOrderAdd or PurchaseOrderRet as "item|desc|quantity|rate|amount".
std::string line_text(pugi::xml_node line) {
  return std::string(line.child("ItemRef").child_value("FullName")) + "|" +
         line.child_value("Desc") + "|" + line.child_value("Quantity") + "|" +
         line.child_value("Rate") + "|" + line.child_value("Amount");
}

class PurchaseOrderExportTest : public ::testing::Test, protected test::ConnectedDemoFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(connected);
    supplier = first("SELECT Link FROM Suppliers WHERE QBAccount <> '' ORDER BY Link LIMIT 1");
    ASSERT_FALSE(supplier.empty());
    supplierName = first("SELECT Description FROM Suppliers WHERE Link = " + supplier);
    vendor = first("SELECT QBAccount FROM Suppliers WHERE Link = " + supplier);
    customerName = first("SELECT Description FROM Customers ORDER BY Link LIMIT 1");
    // Work order 98001 of a known customer; 98002's customer is gone (the right join keeps it).
    run("INSERT INTO CustSO (Number, Customer, Status, Description) VALUES (98001, " +
        first("SELECT Link FROM Customers ORDER BY Link LIMIT 1") +
        ", 3, 'Spring Tees'), (98002, 999999, 3, 'Caps')");
    run("INSERT INTO custsodetail (id, SONumber, SalesGroup) VALUES (99001, 98001, 'GAR')");
    run("INSERT INTO SuppPO (Number, Supplier, Date, DueDate, Confirmation, VendorRef, "
        "Subtotal, GoodsIn, Address1, Address2, City, State, Zip, Notes, SendQB) VALUES (97001, " +
        supplier +
        ", 46000, 46014, 'CONF-1', 'SO123', 73.5, 'No', 'Vantora Demo Apparel Co.', '1450 "
        "Industrial Pkwy', 'Sacramento', 'CA', '95815', 'Ship complete only', 0)");
    addRows({{1, "GAR", "G500", "Heavy Cotton Tee", "Red", "M", 3.25, 12, 98001, 99001},
             {1, "GAR", "G500", "Heavy Cotton Tee", "Red", "L", 3.25, 6, 0, 0, "For stock"},
             {2, "EMB", "EMB1", "EMB1 left chest", "", "", 1.5, 10},
             {3, "", "", "Please ship via UPS", "", "", 0, 0, 0, 0, "", 1}});
  }

  struct Row {
    int line;
    const char *group, *style, *description, *color, *size;
    double cost;
    double qty;
    int woNumber{0}, woLink{0};
    const char* notes{""};
    int remark{0};
  };
  // Rows of order 97001; sizes sort in the order given.
  void addRows(const std::vector<Row>& rows) {
    for (const Row& r : rows)
      run("INSERT INTO SuppPODetail (PONumber, LineNumber, RemarkLine, SalesGroup, WOLink, "
          "WONumber, Style, Description, Color, Size, SizeOrder, rank, UnitCost, Qty, Notes) "
          "VALUES (97001, " +
          std::to_string(r.line) + ", " + std::to_string(r.remark) + ", '" + r.group + "', " +
          std::to_string(r.woLink) + ", " + std::to_string(r.woNumber) + ", '" + r.style + "', '" +
          r.description + "', '" + r.color + "', '" + r.size + "', " + std::to_string(++sizeOrder) +
          ", 1, " + number_text(r.cost) + ", " + number_text(r.qty) + ", '" + r.notes + "')");
  }
  void setup(const std::string& key, const std::string& value) {
    save_setup_value(app, key, value);
  }
  std::string send(long number = kOrder) { return send_PO(*ctx, number); }
  // The orders in QuickBooks beyond those the demo holds as sent.
  std::vector<qb::sim::Entry> ordersSent() const {
    auto orders = company().list(Kind::PurchaseOrder);
    orders.erase(orders.begin(), orders.begin() + static_cast<std::ptrdiff_t>(demoOrders));
    return orders;
  }
  std::size_t ordersInQuickBooks() const { return ordersSent().size(); }
  std::string vantora(const std::string& column) const {
    return first("SELECT " + column + " FROM SuppPO WHERE Number = " + std::to_string(kOrder));
  }
  // The last PurchaseOrderAdd sent ("" when none).
  std::string lastAdd() const {
    for (auto it = requests.rbegin(); it != requests.rend(); ++it)
      if (auto at = it->find("<PurchaseOrderAdd>"); at != std::string::npos)
        return it->substr(at, it->find("</PurchaseOrderAdd>") + 19 - at);
    return "";
  }
  // The lines of the last add, without the three closing lines.
  Lines addedLines() const {
    pugi::xml_document doc;
    doc.load_string(lastAdd().c_str());
    Lines out;
    for (pugi::xml_node line : doc.first_child().children("PurchaseOrderLineAdd"))
      out.push_back(line_text(line));
    if (out.size() >= 3) out.resize(out.size() - 3);
    return out;
  }
  std::string addedField(const char* path) const {
    pugi::xml_document doc;
    doc.load_string(lastAdd().c_str());
    return doc.first_child().first_element_by_path(path).child_value();
  }
  // The QuickBooks order Vantora recorded.
  qb::sim::Entry sentOrder() const {
    for (const auto& order : company().list(Kind::PurchaseOrder))
      if (order.id == vantora("QBURef")) return order;
    return {};
  }

  std::string supplier, supplierName, vendor, customerName;
  int sizeOrder{0};
  const std::size_t demoOrders = company().list(Kind::PurchaseOrder).size();
};

TEST_F(PurchaseOrderExportTest, OneItemLinePerLineNumberWithItsRowsUnderItAndTheOrderMarked) {
  setup("chksendremarkspo", "1");
  const std::string before = short_date(ole_today());
  EXPECT_EQ(send(), "Sent!");
  EXPECT_EQ(addedLines(),
            (Lines{"Blank Garments|G500 - Heavy Cotton Tee Color: Red Size: M|18|3.25|",
                   "|-      WO# 98001   X 12          " + customerName + " (Spring Tees)|||",
                   "|-      For stock|||", "Embroidery:Stitching|EMB1 left chest|10|1.50|",
                   "|-      Extra - No WO Associated|||", "|Please ship via UPS|||"}));
  const std::string add = lastAdd();
  EXPECT_EQ(add.substr(0, add.find("<Memo>")),
            "<PurchaseOrderAdd><VendorRef><FullName>" + xml_text(vendor) +
                "</FullName></VendorRef><TxnDate>2025-12-09</TxnDate><RefNumber>"
                "97001</RefNumber><ShipAddress><Addr1>Vantora Demo Apparel Co.</Addr1><Addr2>"
                "1450 Industrial Pkwy</Addr2><City>Sacramento</City><State>CA</State>"
                "<PostalCode>95815</PostalCode></ShipAddress><DueDate>2025-12-23</DueDate>");
  // The memo's parenthesis is left open.
  EXPECT_TRUE(std::regex_match(addedField("Memo"), std::regex("Goods In = No \\(VT Status as at " +
                                                              before + " [0-2][0-9]:[0-5][0-9]")))
      << addedField("Memo");
  EXPECT_NE(add.find("<IsToBePrinted>true</IsToBePrinted>"), std::string::npos);
  EXPECT_NE(add.find("<PurchaseOrderLineAdd><Desc> &#13;\nVT PO Number: "
                     "97001&#13;\nConfirmation Number: CONF-1&#13;\n </Desc>"
                     "</PurchaseOrderLineAdd><PurchaseOrderLineAdd><Desc>Ship complete "
                     "only</Desc></PurchaseOrderLineAdd></PurchaseOrderAdd>"),
            std::string::npos)
      << add;

  const qb::sim::Entry made = sentOrder();
  EXPECT_EQ(made.value("TotalAmount"), "73.50");
  EXPECT_EQ(vantora("QBRef || '|' || QBURef || '|' || QBGoods || '|' || CAST(SendQB AS INTEGER)"),
            made.name + "|" + made.id + "|No|" + number_text(ole_today()));
}

TEST_F(PurchaseOrderExportTest, SizesAtDifferentCostsGoAtTheirTrueAmountSoTheTotalsAgree) {
  run("UPDATE SuppPODetail SET UnitCost = 4.1 WHERE PONumber = 97001 AND Size = 'L'");
  run("UPDATE SuppPO SET Subtotal = 78.6 WHERE Number = 97001");  // 12 x 3.25 + 6 x 4.10 + 10
                                                                  // x 1.50
  EXPECT_EQ(send(), "Sent!");
  const Lines lines = addedLines();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "Blank Garments|G500 - Heavy Cotton Tee Color: Red Size: M|18||63.60");
  EXPECT_EQ(lines[3], "Embroidery:Stitching|EMB1 left chest|10|1.50|");
  const qb::sim::Entry made = sentOrder();
  EXPECT_EQ(made.value("TotalAmount"), "78.60");
  EXPECT_EQ(made.value("PurchaseOrderLineRet/Rate"), "3.53333");
}

// Quantities go as they are and costs to five decimals; where no rate gives the line's true
// amount the amount goes. The result names a total that still differs.
TEST_F(PurchaseOrderExportTest, LinesGoAtTheirTrueAmountsToTheCent) {
  struct Case {
    const char* name;
    std::vector<Row> rows;
    const char* subtotal;
    const char* expected;
    Lines lines;  // QuickBooks' item lines, "quantity|rate|amount"
    const char* total;
  };
  const Case cases[] = {
      {"sub-cent cost, fractional quantity",
       {{1, "GAR", "G500", "Tee", "", "", 0.355, 1000}, {2, "EMB", "EMB1", "EMB1", "", "", 4, 2.5}},
       "365",
       "Sent!",
       {"1000|0.355|355.00", "2.5|4.00|10.00"},
       "365.00"},
      {"no rate gives the amount",
       {{1, "GAR", "G500", "Tee", "", "", 1.000004, 10000}},
       "10000.04",
       "Sent!",
       {"10000|1.00|10000.04"},
       "10000.04"},
      {"sizes at sub-cent costs",
       {{1, "GAR", "G500", "Tee", "", "M", 0.125, 3}, {1, "GAR", "G500", "Tee", "", "L", 0.135, 1}},
       "0.51",
       "Sent!",
       {"4|0.1275|0.51"},
       "0.51"},
      {"subtotal differs",
       {{1, "EMB", "EMB1", "EMB1", "", "", 1.5, 10}},
       "14.99",
       "Sent! QuickBooks' total 15.00 differs from the Vantora subtotal 14.99.",
       {"10|1.50|15.00"},
       "15.00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    run("DELETE FROM SuppPODetail WHERE PONumber = 97001");
    run(std::string("UPDATE SuppPO SET QBRef = '', QBURef = '', Subtotal = ") + c.subtotal +
        " WHERE Number = 97001");
    addRows(c.rows);
    EXPECT_EQ(send(), c.expected);
    const qb::sim::Entry made = sentOrder();
    EXPECT_EQ(made.value("TotalAmount"), c.total);
    pugi::xml_document doc;
    doc.load_string(made.xml.c_str());
    Lines lines;
    for (pugi::xml_node line : doc.first_child().children("PurchaseOrderLineRet"))
      if (line.child("ItemRef"))
        lines.push_back(std::string(line.child_value("Quantity")) + "|" + line.child_value("Rate") +
                        "|" + line.child_value("Amount"));
    EXPECT_EQ(lines, c.lines);
  }
}

TEST_F(PurchaseOrderExportTest, EachStopSaysWhyAndSendsNothing) {
  struct Case {
    const char* name;
    const char* sql;  // run before sending
    std::string expected;
  };
  const std::string taken = first(
      "SELECT QBAccountNumber FROM Customers WHERE QBAccountNumber <> '' ORDER BY Link LIMIT 1");
  const Case cases[] = {
      {"no order", "DELETE FROM SuppPO WHERE Number = 97001",
       "Cannot find purchase order in Vantora database."},
      {"no supplier", "UPDATE SuppPO SET Supplier = 999999 WHERE Number = 97001",
       "Cannot find supplier in Vantora database."},
      {"no lines", "DELETE FROM SuppPODetail WHERE PONumber = 97001",
       "Purchase order has no detailed line items to export"},
      {"remarks only, not sent",
       "DELETE FROM SuppPODetail WHERE PONumber = 97001 AND RemarkLine = 0",
       "Purchase order has no detailed line items to export"},
      {"no group and no work order",
       "UPDATE SuppPODetail SET SalesGroup = '', WOLink = 0 WHERE PONumber = 97001",
       "No valid sales group associated with line number 1."},
      {"unknown group",
       "UPDATE SuppPODetail SET SalesGroup = 'NOPE' WHERE PONumber = 97001 AND LineNumber = 2",
       "No valid sales group associated with line number 2."},
      {"group without an item",
       "UPDATE SuppPODetail SET SalesGroup = 'RUSH' WHERE PONumber = 97001 AND LineNumber = 2",
       "No valid QuickBooks item associated with the following sales group: RUSH"},
      {"vendor gone from QuickBooks", "UPDATE Suppliers SET QBAccount = 'Gone Supplier'",
       "Cannot validate existance of customer in QuiclBooks. Not Exported."},
      {"new supplier named as a customer", "",
       "Could not export customer: User selected not to send Supplier."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // A fresh order each time: SetUp adds it again.
    run("DELETE FROM SuppPO WHERE Number = 97001");
    run("DELETE FROM SuppPODetail WHERE PONumber = 97001");
    run("DELETE FROM CustSO WHERE Number IN (98001, 98002)");
    run("DELETE FROM custsodetail WHERE id = 99001");
    run("UPDATE Suppliers SET QBAccount = '" + sql_quote(vendor) + "', Description = '" +
        sql_quote(supplierName) + "' WHERE Link = " + supplier);
    SetUp();
    if (*c.sql) run(c.sql);
    if (std::string(c.name) == "new supplier named as a customer")
      run("UPDATE Suppliers SET QBAccount = '', Description = '" + sql_quote(taken) +
          "' WHERE Link = " + supplier);
    requests.clear();
    EXPECT_EQ(send(), c.expected);
    EXPECT_FALSE(sawRequest("<PurchaseOrderAddRq"));
    EXPECT_LT(numeric_value(vantora("SendQB")), 1) << "not marked";
  }
  EXPECT_EQ(ordersInQuickBooks(), 0u);
}

TEST_F(PurchaseOrderExportTest, GroupsFromTheWorkOrderAndTheAssignWindowAreWrittenBack) {
  // An unmapped sales group with a quote: the work-order line lends it to line 1, the assign
  // window gives it to line 2 and maps it to an item.
  run("INSERT INTO SalesGroup (id, Code, QB, Hide) VALUES (20, 'Bob''s', '', 0)");
  pop_salesGroups(app);
  run("UPDATE custsodetail SET SalesGroup = 'Bob''s' WHERE id = 99001");
  run("UPDATE SuppPODetail SET SalesGroup = '' WHERE PONumber = 97001 AND LineNumber = 1 AND "
      "Size = 'M'");
  run("UPDATE SuppPODetail SET SalesGroup = 'NOPE' WHERE PONumber = 97001 AND LineNumber = 2");
  ui.onDialog = [this](DialogKind kind, const std::string&) {
    if (kind != DialogKind::Assign) return;
    app.sharedSlots[0] = app.sharedSlots[3] == "Sales Group Vantora" ? "Bob's" : "Blank Garments";
  };
  EXPECT_EQ(send(), "Sent!");
  EXPECT_EQ(
      first("SELECT group_concat(LineNumber || ':' || SalesGroup, ',') FROM (SELECT * FROM "
            "SuppPODetail WHERE PONumber = 97001 AND RemarkLine = 0 ORDER BY LineNumber, Size)"),
      "1:Bob's,1:Bob's,2:Bob's");
  EXPECT_EQ(first("SELECT QB FROM SalesGroup WHERE Code = 'Bob''s'"), "Blank Garments");
  EXPECT_EQ(ui.dialogs.size(), 2u) << "the item is asked for once, then read from the snapshot";
  for (const std::string& line : addedLines()) {
    if (line.rfind('|', 0) == 0) continue;  // a text line
    EXPECT_EQ(line.rfind("Blank Garments|", 0), 0u) << line;
  }
}

TEST_F(PurchaseOrderExportTest, ReferenceNumberAndPrintedFlagFollowTheSetup) {
  struct Case {
    const char* setup;      // "key = value, ..."
    const char* reference;  // "" when QuickBooks numbers the order
    const char* printed;
  };
  const Case cases[] = {
      {"", "97001", "true"},
      {"chkpoprefix = 1, txtpoprefix = P-", "P-97001", "true"},
      {"chkposupplierref = 1, chkpoprefix = 1", "SO123", "true"},
      {"chkqbassignponumbers = 1, chkpoprefix = 1, chkmarkposprinted = 1", "", "false"},
  };
  for (const Case& c : cases) {
    for (const char* key : {"chkpoprefix", "txtpoprefix", "chkposupplierref",
                            "chkqbassignponumbers", "chkmarkposprinted"})
      setup(key, "");
    for (const auto& [key, value] : test::columns(c.setup)) setup(key, value);
    SCOPED_TRACE(c.reference);
    EXPECT_EQ(send(), "Sent!");
    EXPECT_EQ(addedField("RefNumber"), c.reference);
    EXPECT_EQ(addedField("IsToBePrinted"), c.printed);
    EXPECT_EQ(vantora("QBRef"), sentOrder().name);
  }
}

TEST_F(PurchaseOrderExportTest, RemarksSharingALineAndMissingWorkOrdersStillFitTheCount) {
  setup("chksendremarkspo", "1");
  // A remark on line 1 gets its own text line; a work order Vantora lacks ends after the
  // spaces; one whose customer is gone keeps its description.
  addRows({{1, "", "", "Rush these", "", "", 0, 0, 0, 0, "", 1},
           {4, "GAR", "G500", "Heavy Cotton Tee", "Red", "M", 3.25, 1, 98002, 6}});
  run("UPDATE SuppPODetail SET WONumber = 98777, WOLink = 5 WHERE PONumber = 97001 AND Size = 'L'");
  run("UPDATE SuppPO SET Subtotal = 76.75 WHERE Number = 97001");  // with the row of line 4
  EXPECT_EQ(send(), "Sent!");
  EXPECT_EQ(
      addedLines(),
      (Lines{"Blank Garments|G500 - Heavy Cotton Tee Color: Red Size: M|18|3.25|", "|Rush these|||",
             "|-      WO# 98001   X 12          " + customerName + " (Spring Tees)|||",
             "|-      WO# 98777   X 6          |||",
             "Embroidery:Stitching|EMB1 left chest|10|1.50|", "|-      Extra - No WO Associated|||",
             "|Please ship via UPS|||",
             "Blank Garments|G500 - Heavy Cotton Tee Color: Red Size: M|1|3.25|",
             "|-      WO# 98002   X 1           (Caps)|||"}));
}

TEST_F(PurchaseOrderExportTest, ADuplicateIsSentLeftOrLinkedAndItsMemoUpdated) {
  ASSERT_EQ(send(), "Sent!");
  const qb::sim::Entry original = sentOrder();
  run("UPDATE SuppPO SET SendQB = 0, QBRef = '', QBURef = '', GoodsIn = 'Part''l' WHERE Number "
      "= 97001");
  setup("chkduppurchaseorders", "1");
  const std::string question =
      "Vantora detected another purchase order in QuickBooks for " + supplierName +
      " for the same amount and has the following references:" + kCrlf + "Reference: 97001" +
      kCrlf + "Memo: " + original.value("Memo") + kCrlf + "This may be a duplicate transaction. ";

  EXPECT_EQ(send(), kNotSent);  // No, without marking
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, question + "Are you sure you want to send this purchase order?");
  EXPECT_EQ(ui.messages[0].title, "Warning!");
  EXPECT_EQ(vantora("SendQB"), "0");

  setup("chkmarkduppurchaseorders", "1");
  ui.messages.clear();
  requests.clear();
  EXPECT_EQ(send(), std::string(kNotSent) + " Purchase order marked as exported");
  EXPECT_EQ(ui.messages.at(0).text, question +
                                        "Click 'YES' to send this purchase order anyhow. Click "
                                        "'NO' to flag this purchase order as exported.");
  EXPECT_EQ(vantora("QBRef || '|' || QBURef || '|' || QBGoods || '|' || CAST(SendQB AS INTEGER)"),
            "97001|" + original.id + "|Part'l|" + number_text(ole_today()));
  // The memo goes with the EditSequence of the order as loaded.
  EXPECT_TRUE(sawRequest("<EditSequence>" + original.editSequence +
                         "</EditSequence><Memo>Goods In: Part'l (VT Status as at "));
  EXPECT_EQ(sentOrder().value("Memo").rfind("Goods In: Part'l (VT Status as at ", 0), 0u);
  EXPECT_EQ(ordersInQuickBooks(), 1u);

  // Yes sends it anyway; the search now goes by the stored reference.
  ui.answers = {Answer::Yes};
  EXPECT_EQ(send(), "Sent!");
  EXPECT_EQ(ordersInQuickBooks(), 2u);
}

// The search looks for the reference the order goes with, at this supplier's orders, and
// compares totals in cents.
TEST_F(PurchaseOrderExportTest, TheDuplicateSearchFindsThisSuppliersOrderAsItWasSent) {
  setup("chkduppurchaseorders", "1");
  setup("chkmarkduppurchaseorders", "1");
  setup("chkpoprefix", "1");
  setup("txtpoprefix", "PO-");
  run("DELETE FROM SuppPODetail WHERE PONumber = 97001");
  run("UPDATE SuppPO SET Subtotal = 1.005 WHERE Number = 97001");
  addRows({{1, "EMB", "EMB1", "EMB1", "", "", 1.005, 1}});
  ASSERT_EQ(send(), "Sent!");
  const qb::sim::Entry original = sentOrder();
  EXPECT_EQ(original.name, "PO-97001");
  EXPECT_EQ(original.value("TotalAmount"), "1.01");
  run("UPDATE SuppPO SET SendQB = 0, QBRef = '', QBURef = '' WHERE Number = 97001");
  EXPECT_EQ(send(), std::string(kNotSent) + " Purchase order marked as exported");
  EXPECT_EQ(ordersInQuickBooks(), 1u);
  EXPECT_EQ(vantora("QBURef"), original.id);

  // Another supplier's order of the same reference and total is no duplicate.
  setup("chkpoprefix", "0");
  qb::PurchaseOrder& other = ctx->components.purchaseOrder;
  other.reset();
  other.vendor = first("SELECT QBAccount FROM Suppliers WHERE QBAccount <> '' AND Link <> " +
                       supplier + " ORDER BY Link LIMIT 1");
  other.refNumber = "97001";
  other.setItemCount(1);
  other.item(0).item = "Embroidery:Stitching";
  other.item(0).amount = 101;
  other.add();
  run("UPDATE SuppPO SET SendQB = 0, QBRef = '', QBURef = '' WHERE Number = 97001");
  ui.messages.clear();
  EXPECT_EQ(send(), "Sent!");
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(ordersInQuickBooks(), 3u);
  EXPECT_EQ(sentOrder().value("VendorRef/FullName"), vendor);
}

TEST_F(PurchaseOrderExportTest, RefusalsAndFailedMarksAreReportedOnTheRow) {
  // A prefix too long for the reference number: the common error box, its number on the row.
  setup("chkpoprefix", "1");
  setup("txtpoprefix", "VANTORA-PO-");
  const std::string refused = send();
  EXPECT_EQ(refused.rfind("3070 ", 0), 0u) << refused;
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].title, "Application Error");
  EXPECT_NE(ui.messages[0].text.find("Procedure: send_PO"), std::string::npos);
  EXPECT_EQ(vantora("SendQB"), "0");

  // Added, but Vantora cannot be marked: the row says so.
  setup("chkposupplierref", "1");
  run("UPDATE SuppPO SET VendorRef = 'O''Neil-1' WHERE Number = 97001");
  run("CREATE TRIGGER refuse BEFORE UPDATE ON SuppPO BEGIN SELECT RAISE(ABORT, 'locked'); END");
  ui.messages.clear();
  EXPECT_EQ(send(),
            "Sent! The purchase order is in QuickBooks (reference O'Neil-1) but Vantora could "
            "not be marked: mark this purchase order as sent by hand (Run > Mark as sent) so "
            "that it is not sent again. The integrator will mark it as sent when it next "
            "connects to QuickBooks.");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].title, "Confirm");
  run("DROP TRIGGER refuse");
  EXPECT_EQ(send(), "Sent!");
  EXPECT_EQ(vantora("QBRef"), "O'Neil-1");
}

TEST_F(PurchaseOrderExportTest, EveryListedDemoOrderGoesOnceWithTheVantoraSubtotal) {
  ui.onDialog = [this](DialogKind kind, const std::string&) {
    if (kind == DialogKind::VendorValidation) app.sharedSlots[1] = "1";
  };
  setup("chksendremarkspo", "0");
  run("DELETE FROM SuppPO WHERE Number = 97001");
  fill_supplierPOs(app, logic->state);
  WorkList& grid = logic->state.grid;
  ASSERT_GE(grid.rows.size(), 3u);
  for (auto& row : grid.rows) row.ticked = true;
  send_POs(*ctx);
  EXPECT_EQ(ui.status, "Operation completed");
  const std::string shown =
      "Sending Purchase Order: " + grid.rows[0].cells[kPurchaseOrderListSupplierColumn];
  EXPECT_NE(std::find(ui.statuses.begin(), ui.statuses.end(), shown), ui.statuses.end()) << shown;

  std::vector<std::string> sent;
  const auto orders = ordersSent();
  for (const auto& row : grid.rows) {
    const std::string number = row.cells[kPurchaseOrderListNumberColumn];
    const std::string& result = row.cells[kPurchaseOrderListCommentColumn];
    SCOPED_TRACE(number + ": " + result);
    ASSERT_FALSE(result.empty());
    if (result != "Sent!") continue;
    sent.push_back(number);
    const std::string where = " FROM SuppPO WHERE Number = " + number;
    auto made = std::find_if(orders.begin(), orders.end(),
                             [&](const auto& o) { return o.id == first("SELECT QBURef" + where); });
    ASSERT_NE(made, orders.end());
    EXPECT_EQ(made->name, first("SELECT QBRef" + where));
    EXPECT_EQ(made->value("TotalAmount"),
              format_number(numeric_value(first("SELECT Subtotal" + where)), "0.00"));
    // Vantora's lines: "Q<summed quantity>" per line number, then "WO# n" or "-" per row...
    const std::string rows = " FROM SuppPODetail WHERE RemarkLine <> 1 AND PONumber = " + number;
    const std::string vantoraLines = first(
        "SELECT group_concat(x, ',') FROM (SELECT x FROM (SELECT LineNumber AS l, 0 AS k, '' AS "
        "s, 0 AS o, 'Q' || CAST(SUM(Qty) AS INTEGER) AS x" +
        rows +
        " GROUP BY LineNumber UNION ALL SELECT LineNumber, 1, Style || Color, SizeOrder, CASE "
        "WHEN WONumber > 0 THEN 'WO# ' || WONumber ELSE '-' END" +
        rows + ") ORDER BY l, k, s, o)");
    // ...and QuickBooks' lines the same way, the three closing lines left out.
    pugi::xml_document doc;
    doc.load_string(made->xml.c_str());
    std::string joined;
    std::vector<std::string> parts;
    for (pugi::xml_node line : doc.first_child().children("PurchaseOrderLineRet")) {
      const std::string desc = line.child_value("Desc");
      parts.push_back(line.child("ItemRef") ? "Q" + std::string(line.child_value("Quantity"))
                      : desc.rfind("-      WO# ", 0) == 0 ? desc.substr(7, desc.find("   X ") - 7)
                                                          : "-");
    }
    parts.resize(parts.size() - 3);
    for (const auto& part : parts) joined += (joined.empty() ? "" : ",") + part;
    EXPECT_EQ(joined, vantoraLines);
  }
  ASSERT_GE(sent.size(), 2u);
  EXPECT_EQ(orders.size(), sent.size()) << "each sent order is in QuickBooks once";
  std::string numbers;
  for (const auto& number : sent) numbers += (numbers.empty() ? "" : ", ") + number;
  EXPECT_NE(first("SELECT COUNT(*) FROM (SELECT 1 FROM SuppPODetail WHERE RemarkLine <> 1 AND "
                  "PONumber IN (" +
                  numbers + ") GROUP BY PONumber, LineNumber HAVING COUNT(DISTINCT UnitCost) > 1)"),
            "0")
      << "some sent lines have sizes at different costs";

  // Marked not sent and sent again with the duplicate check: nothing is added, memos change.
  setup("chkduppurchaseorders", "1");
  setup("chkmarkduppurchaseorders", "1");
  for (const std::string& number : sent)
    run("UPDATE SuppPO SET SendQB = 0 WHERE Number = " + number);
  fill_supplierPOs(app, logic->state);
  for (auto& row : grid.rows)
    row.ticked = std::find(sent.begin(), sent.end(), row.cells[kPurchaseOrderListNumberColumn]) !=
                 sent.end();
  send_POs(*ctx);
  EXPECT_EQ(ordersInQuickBooks(), orders.size());
  for (const auto& order : ordersSent())
    EXPECT_EQ(order.value("Memo").rfind("Goods In: ", 0), 0u) << order.name;
  for (const std::string& number : sent)
    EXPECT_NE(first("SELECT SendQB FROM SuppPO WHERE Number = " + number), "0") << number;
}

}  // namespace
}  // namespace vqb
