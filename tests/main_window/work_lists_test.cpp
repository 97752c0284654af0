// Work lists: the exact statements each filter gives, the cells, colours and titles they fill,
// ticking, the QuickBooks-list filter, the grid events and database failures.

#include "main_window/work_lists.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/setup_file.h"
#include "demo/demo_data.h"
#include "support/vantora_fixture.h"

namespace vqb {
namespace {

using Cells = std::vector<std::string>;

const std::string kFilterMessage = "Please check your filter options to see records";

// The comment under a list: what is shown is "records", "invoices" or "transactions".
std::string runHint(const std::string& what) {
  return "Click on the 'Run' button to see more options. You can also use your filter button to "
         "select which " +
         what + " will be shown.";
}

class WorkListsTest : public ::testing::Test, protected test::VantoraFixture {
 protected:
  WorkListsTest() { load_setup_document(app); }
  void set(const char* key, const char* value) {
    app.setup.MoveToRoot();
    app.setup.SetChildValue(key, value);
  }
  // The four combinations of show-exported and show-not-exported.
  void exported(bool shown, bool notShown) {
    set("filtershowexported", shown ? "1" : "0");
    set("filtershowexportednot", notShown ? "1" : "0");
  }
  std::vector<Cells> cells() const {
    std::vector<Cells> result;
    for (const auto& row : state.grid.rows) result.push_back(row.cells);
    return result;
  }
  std::vector<long> colours() const {
    std::vector<long> result;
    for (const auto& row : state.grid.rows) result.push_back(row.foreColour);
    return result;
  }
  // A few rows of every kind, chosen for the edge cases.
  void insert_rows() {
    db()->executeScript(
        "INSERT INTO Customers (id, Link, Description, Tel, QBAccountNumber) VALUES (1, 101, "
        "'Alpha Caps', '555-0101', NULL), (2, 102, 'Beta Tees', '555-0102', ''), (3, 103, "
        "'Gamma Gear', '555-0103', 'Gamma Gear');INSERT INTO Suppliers (id, Link, Description, "
        "Tel, QBAccount) VALUES (1, 201, 'Acme Blanks', '555-0201', NULL), (2, 202, 'Best "
        "Threads', '555-0202', 'Best');INSERT INTO CustSO (Number, Customer, Status, InvDate, "
        "Description, NetTotal, PaymentStatus, QuickBooks) VALUES (5002, 102, 3, 46027, "
        "'Jackets', 1234.5, 1, NULL),(5001, 101, 4, 46000.75, 'Caps', 12.125, 2, 0),(5003, 103, "
        "4, 46001, 'Hats', 80, 0, 1),(5004, 101, 4, NULL, 'Undated', NULL, NULL, 0);INSERT INTO "
        "CustPaymentMethods (Link, Description) VALUES (1, 'Cheque');INSERT INTO CustPayments "
        "(Number, Customer, Date, Amount, Method, Reference, POS, Voided, QuickBooks) VALUES "
        "(3001, 101, 46027, 99.5, 1, 'CHQ 12', 0, 0, 0), (3002, 101, 46027, 5, 1, 'POS', 1, 0, "
        "0),(3003, 102, 46027, 6, 1, 'Void', 0, 1, 0), (3004, 103, 46028, 7, 1, 'Sent', 0, 0, "
        "1);INSERT INTO SuppPO (Number, Supplier, Date, DueDate, Confirmation, Subtotal, "
        "GoodsIn, Void, Revision, SendQB) VALUES (7001, 201, 46000, 46027, 'C-1', 250, "
        "'Partial', 0, 200918, NULL),(7002, 201, 46000, NULL, 'Old', 1, '', 0, 200917, "
        "NULL),(7003, 202, 46000, NULL, 'Void', 2, '', 1, 201001, NULL),(7004, 202, 46001, "
        "NULL, 'Sent', 3, 'Complete', 0, 201001, 46001.5);");
  }
  std::size_t count(const std::string& sql) {
    return std::stoul(*db()->queryAll("SELECT count(*) " + sql).rows.at(0).at(0));
  }

  MainWindowState state;
};

// ---------------------------------------------------------------------------------------
// Statements

TEST_F(WorkListsTest, StatementsForEachExportedFilter) {
  const std::string invoiceHead =
      "SELECT CustSO.Number, CustSO.InvDate, Customers.Description as CustomerName, "
      "CustSO.Description as OrderDescription, CustSO.NetTotal, CustSO.Status, CustSO.id, "
      "CustSO.PaymentStatus, CustSO.QuickBooks FROM CustSO INNER JOIN Customers ON "
      "CustSO.Customer = Customers.Link  Where(custSo.Status = 4)";
  const std::string paymentHead =
      "SELECT CustPayments.Date as PayDate, CustPayments.Number as ReceiptNumber, "
      "Customers.Description as CustomerName, CustPayments.QuickBooks, CustPayments.Amount, "
      "CustPayments.id, CustPaymentMethods.QuickBooks as PayMethod, "
      "CustPaymentMethods.Description as PayMethodDesc, CustPayments.QuickBooks as QBExp, "
      "CustPayments.QuickBooksDS, CustPayments.Voided, CustPayments.Reference FROM "
      "CustPaymentMethods INNER JOIN (Customers INNER JOIN CustPayments ON Customers.Link = "
      "CustPayments.Customer) ON CustPaymentMethods.Link = CustPayments.Method where "
      "CustPayments.POS <> 1  and CustPayments.Voided <> 1 ";
  const std::string poHead =
      "SELECT SuppPO.Number, SuppPO.Date as poDate, SuppPO.DueDate, Suppliers.Description as "
      "SupplierName, SuppPO.Confirmation, SuppPO.Subtotal, SuppPO.GoodsIn, SuppPO.ID, "
      "SuppPO.SendQB FROM Suppliers INNER JOIN SuppPO ON Suppliers.Link = SuppPO.Supplier WHERE "
      " void = 0 and revision >= 200918 ";

  // No keys at all: only records not yet exported.
  EXPECT_EQ(customers_sql(app),
            "Select * from customers  where QBAccountNumber = '' or QBAccountNumber is null "
            "order by id desc");

  struct Case {
    bool shown, notShown;
    std::string customers, suppliers, invoices, payments, pos;
  };
  const Case cases[] = {
      {true, true, "", "", "", "", ""},
      {true, false, " where QBAccountNumber <> ''", " where QBAccount <> ''",
       " AND (CustSO.QuickBooks > 0)", " and (CustPayments.QuickBooks > 0)",
       " and (SuppPO.SendQB > 0)"},
      {false, true, " where QBAccountNumber = '' or QBAccountNumber is null",
       " where QBAccount = '' or QBAccount is null",
       " AND (CustSO.QuickBooks Is Null Or CustSO.QuickBooks = 0)",
       " and (CustPayments.QuickBooks Is Null or CustPayments.QuickBooks = 0)",
       " and (SuppPO.SendQB Is Null or SuppPO.SendQB < 1)"},
      {false, false, " where id = -958", " where id = -958", " AND (CustSO.QuickBooks = -968)",
       " and (CustPayments.QuickBooks = -968)", " and (SuppPO.SendQB = -968)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.shown) + std::to_string(c.notShown));
    exported(c.shown, c.notShown);
    EXPECT_EQ(customers_sql(app), "Select * from customers " + c.customers + " order by id desc");
    EXPECT_EQ(suppliers_sql(app), "Select * from suppliers " + c.suppliers + " order by id desc");
    EXPECT_EQ(customerInvoices_sql(app), invoiceHead + c.invoices + " ORDER BY CustSO.Number");
    EXPECT_EQ(customerPayments_sql(app), paymentHead + c.payments + " order by CustPayments.ID");
    EXPECT_EQ(supplierPOs_sql(app), poHead + c.pos + " ORDER by SuppPO.Number");
  }
  EXPECT_TRUE(ui.messages.empty());  // building a statement shows nothing
}

TEST_F(WorkListsTest, InvoiceStatusClauses) {
  exported(true, true);
  auto status = [&](const char* invoices, const char* workOrders) {
    set("filtershowinvoices", invoices);
    set("filtershowworkorders", workOrders);
    std::string sql = customerInvoices_sql(app);
    std::size_t from = sql.find("Customers.Link ") + 15;
    return sql.substr(from, sql.find(" ORDER BY") - from);
  };
  EXPECT_EQ(status("", "1"), " Where(custSo.Status = 4 Or custSo.Status = 3)");
  EXPECT_EQ(status("1", ""), " Where(custSo.Status = 4)");
  EXPECT_EQ(status("0", "1"), " Where(custSo.Status = 3)");
  EXPECT_EQ(status("0", "0"), " Where(custSo.Status = 9)");
}

// ---------------------------------------------------------------------------------------
// Filling from a small database of chosen rows

TEST_F(WorkListsTest, CustomersDefaultToUnexportedNewestFirst) {
  insert_rows();
  ui.status = "Busy";
  state.currentList = "Send Supplier POs";
  fill_customers(app, state);
  EXPECT_EQ(state.grid.headers, (Cells{"Company", "Phone", "Select", "Comment", ""}));
  EXPECT_EQ(cells(), (std::vector<Cells>{{"Beta Tees", "555-0102", "", "102", ""},
                                         {"Alpha Caps", "555-0101", "", "101", ""}}));
  EXPECT_EQ(state.grid.tickColumn, 2);
  EXPECT_EQ(state.currentList, "Send Customers");
  EXPECT_EQ(state.panelTitle, "Sending Customers");
  EXPECT_EQ(state.comment, runHint("records"));
  EXPECT_EQ(ui.status, "");
  EXPECT_EQ(ui.progressValue, 0);
  EXPECT_TRUE(ui.messages.empty());

  exported(true, true);
  fill_customers(app, state);
  EXPECT_EQ(state.grid.rows.size(), 3u);
  EXPECT_EQ(state.grid.rows[0].cells[0], "Gamma Gear");
  EXPECT_EQ(colours(), (std::vector<long>{kSentRowColour, -1, -1}));
  EXPECT_FALSE(state.grid.rows[0].ticked);
}

TEST_F(WorkListsTest, SuppliersShareTheCustomerLayout) {
  insert_rows();
  exported(true, true);
  fill_suppliers(app, state);
  EXPECT_EQ(cells(), (std::vector<Cells>{{"Best Threads", "555-0202", "", "202", ""},
                                         {"Acme Blanks", "555-0201", "", "201", ""}}));
  EXPECT_EQ(colours(), (std::vector<long>{kSentRowColour, -1}));
  EXPECT_EQ(state.currentList, "Send Suppliers");
  EXPECT_EQ(state.panelTitle, "Sending Suppliers");
  EXPECT_EQ(state.comment, runHint("records"));
}

TEST_F(WorkListsTest, InvoiceCellsStatusPaidAndColour) {
  insert_rows();
  exported(true, true);
  set("filtershowworkorders", "1");
  fill_customerInvoices(app, state);
  EXPECT_EQ(state.grid.headers, (Cells{"Invoice Date", "Company", "Amount", "Order Description",
                                       "Doc Number", "Status", "Paid", "Select", "Comment", "ID"}));
  EXPECT_EQ(
      cells(),
      (std::vector<Cells>{
          {"12/9/2025", "Alpha Caps", "12.13", "Caps", "5001", "Invoice", "Part", "", "", "2"},
          {"1/5/2026", "Beta Tees", "1234.50", "Jackets", "5002", "Work Order", "Yes", "", "", "1"},
          {"12/10/2025", "Gamma Gear", "80.00", "Hats", "5003", "Invoice", "No", "", "", "3"},
          {"", "Alpha Caps", "", "Undated", "5004", "Invoice", "No", "", "", "4"}}));
  EXPECT_EQ(colours(), (std::vector<long>{-1, -1, kSentRowColour, -1}));
  EXPECT_EQ(state.grid.tickColumn, 7);
  EXPECT_EQ(state.currentList, "Send Customer Invoices");
  EXPECT_EQ(state.panelTitle, "Sending Customer Invoices");
  EXPECT_EQ(state.comment, runHint("invoices"));

  // Defaults: invoices only, not exported only.
  MainWindowState fresh;
  set("filtershowworkorders", "");
  exported(false, true);
  fill_customerInvoices(app, fresh);
  ASSERT_EQ(fresh.grid.rows.size(), 2u);
  EXPECT_EQ(fresh.grid.rows[0].cells[4], "5001");
  EXPECT_EQ(fresh.grid.rows[1].cells[4], "5004");
}

TEST_F(WorkListsTest, PaymentsLeaveOutPointOfSaleAndVoided) {
  insert_rows();
  exported(true, true);
  set("customdateformat", "dd mmm yyyy");
  fill_customerPayments(app, state);
  EXPECT_EQ(state.grid.headers, (Cells{"Date", "Company", "Amount", "Payment Type", "Reference",
                                       "Int Receipt #", "Select", "Comment", "ID"}));
  EXPECT_EQ(cells(),
            (std::vector<Cells>{
                {"05 Jan 2026", "Alpha Caps", "99.50", "Cheque", "CHQ 12", "3001", "", "", "1"},
                {"06 Jan 2026", "Gamma Gear", "7.00", "Cheque", "Sent", "3004", "", "", "4"}}));
  EXPECT_EQ(colours(), (std::vector<long>{-1, kSentRowColour}));
  EXPECT_EQ(state.grid.tickColumn, 6);
  EXPECT_EQ(state.panelTitle, "Sending Customer Payments");
  EXPECT_EQ(state.comment, runHint("transactions"));
}

TEST_F(WorkListsTest, PurchaseOrdersLeaveOutOldRevisionsAndVoid) {
  insert_rows();
  exported(true, true);
  fill_supplierPOs(app, state);
  EXPECT_EQ(state.grid.headers,
            (Cells{"Order Date", "Supplier", "Amount", "Confirmation Number", "PO Number",
                   "Goods In", "Due Date", "Select", "Comment", "ID"}));
  EXPECT_EQ(
      cells(),
      (std::vector<Cells>{
          {"12/9/2025", "Acme Blanks", "250.00", "C-1", "7001", "Partial", "1/5/2026", "", "", "1"},
          {"12/10/2025", "Best Threads", "3.00", "Sent", "7004", "Complete", "", "", "", "4"}}));
  EXPECT_EQ(colours(), (std::vector<long>{-1, kSentRowColour}));
  EXPECT_EQ(state.currentList, "Send Supplier POs");
  EXPECT_EQ(state.panelTitle, "Sending Supplier Purchase Orders");
}

TEST_F(WorkListsTest, BothExportedFiltersOffWarnForEveryList) {
  insert_rows();
  exported(false, false);
  using Fill = void (*)(App&, MainWindowState&);
  for (Fill fill : {Fill{fill_customers}, Fill{fill_suppliers}, Fill{fill_customerInvoices},
                    Fill{fill_customerPayments}, Fill{fill_supplierPOs}}) {
    ui.messages.clear();
    state.grid.rows.resize(3);
    fill(app, state);
    EXPECT_TRUE(state.grid.rows.empty());
    ASSERT_EQ(ui.messages.size(), 1u) << state.currentList;
    EXPECT_EQ(ui.messages[0].text, kFilterMessage);
    EXPECT_EQ(ui.messages[0].icon, Icon::Information);
    EXPECT_EQ(ui.messages[0].title, "Export Invoices");
  }
  // The invoice status filter warns on its own as well.
  ui.messages.clear();
  set("filtershowinvoices", "0");
  fill_customerInvoices(app, state);
  EXPECT_EQ(ui.texts(), (std::vector<std::string>{kFilterMessage, kFilterMessage}));
}

TEST_F(WorkListsTest, FormatDateUsesTheCustomFormatOrShortDate) {
  EXPECT_EQ(format_date(app, "46000.75"), "12/9/2025");
  EXPECT_EQ(format_date(app, ""), "");
  set("customdateformat", "yyyy-mm-dd ddd \"wk\" ww");
  EXPECT_EQ(format_date(app, "46000"), "2025-12-09 Tue wk 50");
}

// ---------------------------------------------------------------------------------------
// Failures

TEST_F(WorkListsTest, DatabaseErrorReportsAndKeepsTheFormerList) {
  db()->execute("DROP TABLE CustSO");
  state.currentList = "Send Customers";
  state.panelTitle = "Sending Customers";
  fill_customerInvoices(app, state);
  ASSERT_EQ(ui.messages.size(), 1u);
  const auto& message = ui.messages[0];
  EXPECT_EQ(message.title, "Application Error");
  EXPECT_EQ(message.icon, Icon::Critical);
  EXPECT_EQ(message.text.rfind(" has encountered a problem. We are sorry for the "
                               "inconvenience.\r\n\r\nModule: frmQB\r\nProcedure: "
                               "fill_customerInvoices\r\nLine Number: ",
                               0),
            0u);
  EXPECT_NE(message.text.find("no such table: CustSO (1)"), std::string::npos);
  EXPECT_EQ(state.currentList, "Send Customers");
  EXPECT_EQ(state.panelTitle, "Sending Customers");
}

TEST_F(WorkListsTest, ErrorInTheMiddleKeepsTheRowsAddedSoFar) {
  insert_rows();
  // A view that fails on its last row, as a damaged table would.
  db()->executeScript(
      "ALTER TABLE Customers RENAME TO CustomersData;CREATE VIEW Customers AS SELECT id, Link, "
      "Description, Tel, QBAccountNumber, CASE WHEN id = 1 THEN json(Description) END AS "
      "Damaged FROM CustomersData;");
  exported(true, true);
  fill_customers(app, state);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].text.find("Procedure: fill_customers"), std::string::npos);
  EXPECT_EQ(state.grid.rows.size(), 2u);
  EXPECT_EQ(state.currentList, "");
}

// ---------------------------------------------------------------------------------------
// The demo database: every statement runs as written and the filters partition the rows.

TEST_F(WorkListsTest, DemoDatabaseListsPartitionByExportState) {
  app.databasePath = dir.file("demo.db");
  create_demo_vantora_database(
      app.databasePath,
      {.customers = 25, .suppliers = 10, .invoices = 60, .payments = 40, .purchaseOrders = 40});
  set("filtershowworkorders", "1");

  using Fill = void (*)(App&, MainWindowState&);
  struct ListCase {
    Fill fill;
    std::string everyRow;  // the rows the list may show, counted independently
  };
  const ListCase lists[] = {
      {fill_customers, "FROM Customers"},
      {fill_suppliers, "FROM Suppliers"},
      {fill_customerInvoices, "FROM CustSO WHERE Status IN (3, 4)"},
      {fill_customerPayments, "FROM CustPayments WHERE POS = 0 AND Voided = 0"},
      {fill_supplierPOs, "FROM SuppPO WHERE Void = 0 AND Revision >= 200918"},
  };
  EXPECT_LT(count("FROM SuppPO WHERE Void = 0 AND Revision >= 200918"), count("FROM SuppPO"));
  EXPECT_LT(count("FROM CustPayments WHERE POS = 0 AND Voided = 0"), count("FROM CustPayments"));
  for (const ListCase& list : lists) {
    SCOPED_TRACE(list.everyRow);
    exported(true, true);
    list.fill(app, state);
    const std::size_t all = state.grid.rows.size();
    EXPECT_EQ(all, count(list.everyRow));
    exported(true, false);
    list.fill(app, state);
    const std::size_t sent = state.grid.rows.size();
    for (long colour : colours()) EXPECT_EQ(colour, kSentRowColour);
    exported(false, true);
    list.fill(app, state);
    for (long colour : colours()) EXPECT_EQ(colour, -1);
    EXPECT_GT(sent, 0u);
    EXPECT_GT(state.grid.rows.size(), 0u);
    EXPECT_EQ(sent + state.grid.rows.size(), all);
  }
  EXPECT_TRUE(ui.messages.empty());
}

// ---------------------------------------------------------------------------------------
// Ticking, refreshing, filtering QuickBooks lists and grid events

TEST_F(WorkListsTest, TickColumnsSelectmeAndBeforeEdit) {
  EXPECT_EQ(tick_column_of("Send Customers"), 2);
  EXPECT_EQ(tick_column_of("Send Suppliers"), 2);
  EXPECT_EQ(tick_column_of("Sync Customer Contact Info"), 2);
  EXPECT_EQ(tick_column_of("Send Customer Payments"), 6);
  EXPECT_EQ(tick_column_of("Send Customer Invoices"), 7);
  EXPECT_EQ(tick_column_of("Send Supplier POs"), 7);
  EXPECT_EQ(tick_column_of("Get Customers"), 9);
  EXPECT_EQ(tick_column_of("Get Suppliers"), 9);
  EXPECT_EQ(tick_column_of(""), -1);

  insert_rows();
  exported(true, true);
  fill_customerPayments(app, state);
  selectme(state, true);
  for (const auto& row : state.grid.rows) EXPECT_TRUE(row.ticked);
  selectme(state, false);
  for (const auto& row : state.grid.rows) EXPECT_FALSE(row.ticked);

  EXPECT_TRUE(fg1_BeforeEdit(state, 1, 6));
  EXPECT_TRUE(fg1_BeforeEdit(state, 2, 6));
  EXPECT_FALSE(fg1_BeforeEdit(state, 0, 6));  // header row
  EXPECT_FALSE(fg1_BeforeEdit(state, 3, 6));  // past the last row
  EXPECT_FALSE(fg1_BeforeEdit(state, 1, 7));
  state.currentList = "";
  EXPECT_FALSE(fg1_BeforeEdit(state, 1, 6));
}

TEST_F(WorkListsTest, RefreshGridRefillsTheCurrentList) {
  insert_rows();
  state.currentList = "Send Suppliers";
  refresh_grid(app, state);
  EXPECT_EQ(state.grid.rows.size(), 1u);
  EXPECT_EQ(state.grid.rows[0].cells[0], "Acme Blanks");

  int qbFills = 0;
  state.currentList = "Get Customers";
  refresh_grid(app, state, [&] { ++qbFills; });
  EXPECT_EQ(qbFills, 1);
  state.currentList = "Get Suppliers";
  refresh_grid(app, state, [&] { ++qbFills; });
  EXPECT_EQ(qbFills, 1);
  EXPECT_EQ(state.grid.rows[0].cells[0], "Acme Blanks");  // untouched
}

TEST_F(WorkListsTest, FilterGridHidesQuickBooksRowsByTheFourKeys) {
  state.currentList = "Get Customers";
  auto row = [](const char* name, const char* active, bool linked) {
    WorkRow r;
    r.cells = {name, "", active, "", "", "", "", "", "", ""};
    if (linked) r.foreColour = kSentRowColour;
    return r;
  };
  state.grid.rows = {row("Plain", "true", false), row("Linked", "true", true),
                     row("Sleepy", "False", false), row("Parent:Child", "true", false),
                     row(":Leading", "true", false)};
  auto hidden = [&] {
    std::vector<bool> result;
    for (const auto& r : state.grid.rows) result.push_back(r.hidden);
    return result;
  };
  std::vector<bool> busy;
  auto imBusy = [&](bool on) { busy.push_back(on); };

  filter_grid(app, state, imBusy);  // no keys: linked, inactive and sub-accounts hidden
  EXPECT_EQ(hidden(), (std::vector<bool>{false, true, true, true, false}));
  EXPECT_EQ(busy, (std::vector<bool>{true, false}));

  set("filtershowexported", "1");
  set("filtershowexportednot", "0");
  set("filtershowinactive", "1");
  set("filtershowparent", "1");
  filter_grid(app, state);
  EXPECT_EQ(hidden(), (std::vector<bool>{true, false, true, true, true}));
  EXPECT_FALSE(state.busy);

  state.currentList = "Send Customers";  // only the QuickBooks lists are filtered here
  set("filtershowexportednot", "1");
  filter_grid(app, state, imBusy);
  EXPECT_EQ(hidden(), (std::vector<bool>{true, false, true, true, true}));
  EXPECT_EQ(busy.size(), 2u);
}

TEST_F(WorkListsTest, DoubleClickShowsANonEmptyComment) {
  insert_rows();
  exported(true, true);
  fill_supplierPOs(app, state);
  state.grid.rows[0].cells[8] = "Supplier not found in QuickBooks";
  fg1_DblClick(app, state, 1, 8);
  fg1_DblClick(app, state, 2, 8);  // empty comment
  fg1_DblClick(app, state, 1, 7);  // another column
  fg1_DblClick(app, state, 0, 8);  // header row
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "Supplier not found in QuickBooks");
  EXPECT_EQ(ui.messages[0].buttons, Buttons::Ok);
  EXPECT_EQ(ui.messages[0].icon, Icon::None);
  EXPECT_EQ(ui.messages[0].title, "");
}

}  // namespace
}  // namespace vqb
