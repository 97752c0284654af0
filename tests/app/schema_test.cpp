// The Vantora schema holds every table and column the integrator reads or writes, with the
// types and text comparison Vantora uses.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "app/database.h"
#include "app/embedded_sql.h"
#include "app/text_helpers.h"
#include "support/temp_dir.h"

namespace vqb {
namespace {

struct TableColumns {
  const char* table;
  const char* columns;  // separated by blanks
};

// Every column the integrator touches, table by table.
const TableColumns kUsedColumns[] = {
    {"comp", "NextMaintLink NextCustLink NextSuppLink"},
    {"Preferences", "Form Description Value User"},
    {"QuickBooks", "Discount"},
    {"tax", "Link Description Rate QBLink Hide WebAccount taxGroupXML"},
    {"LineTax", "Link Code Taxable QuickBooks"},
    {"Terms", "Link Description QuickBooks Hide"},
    {"Users", "Link FirstName AllowSales QuickBooks"},
    {"SalesGroup", "id Code QB QB_P Hide"},
    {"CustPaymentMethods", "Link Description QuickBooks QBLedger"},
    {"CustIndustry", "Link Description QuickBooks"},
    {"QBClass", "Link Description"},
    {"custSOStatus", "Description"},
    {"Customers",
     "id Link Description Tel Fax Email Website Origination OnHold Hide Industry Area Ship Rep "
     "BAddress SADdress CreditLimit Disc SetDisc Deposit Int Terms Type PriceGroup Tax1 Tax2 "
     "Contact Tel2 TaxNumber MailState PrintState PopNotes Notes Balance P0 P1 P2 P3 P4 P5 "
     "DateCreated DateLastEdited Cell SageAccountNumber QBAccountNumber DontLockQuote DontLockWO "
     "WebAccount dateActive"},
    {"CustContacts",
     "Customer Name Tel Cell EMail Department MailList ShipAddress BillingAddress SaveAs Tax Tax2 "
     "Fax Skype"},
    {"CustPost",
     "id Customer Date Trans Description reference Rep Debit Credit outstanding ChargeTax1 "
     "ChargeTax2 Notes ReceiptNumber WONumber"},
    {"CustSO",
     "id Number Customer Status Prefix InvDate Description Notes CustomerPO BillingAddress "
     "ShipAddress SalesRep TaxType1 TaxPercentage1 TaxAmount1 DiscAmount Total NetTotal "
     "PaymentStatus QuickBooks QuickBooksDS QuickBooksRef xmlAdd"},
    {"custsodetail",
     "id SONumber LineNumber LineType PrintLine Style Description Color Size Qty UnitPrice "
     "AdjustedQty LineChargeAdjusted SalesGroup Tax1 AmortizeGroup QBClass"},
    {"CustPayments",
     "id Number Customer Date Amount Method Reference Comment POS Voided QuickBooks QuickBooksDS "
     "QuickBooksRef"},
    {"CustAllocate", "CRef DRef Amount"},
    {"CustWOPayments", "PostLink WONumber Amount"},
    {"Suppliers",
     "id Link Description Tel Ext Cell Fax Email Website OnHold Hide Industry Area Ship BAddress "
     "SADdress CreditLimit Disc SetDisc Int Terms Type PriceGroup Tax1 Tax2 Contact Tel2 TaxNumber "
     "MailState PrintState PopNotes Notes Balance P0 P1 P2 P3 P4 P5 DateCreated DateLastEdited "
     "FreeShip QBAccount defShip ASINumber Category"},
    {"myaddress",
     "Link Description AccountID ContactID AccountType AddressType Address1 Address2 Address3 "
     "Address4 City State Zip Country Tax1 Tax2 Ship"},
    {"SuppPO",
     "ID Number Supplier Date DueDate Confirmation VendorRef Subtotal GoodsIn Address1 Address2 "
     "Address3 Address4 City State Zip Notes Void Revision SendQB QBRef QBURef QBGoods"},
    {"SuppPODetail",
     "PONumber LineNumber RemarkLine SalesGroup WOLink WONumber Style Description Color Size "
     "SizeOrder rank UnitCost Qty Notes"},
};

class SchemaTest : public ::testing::Test {
 protected:
  SchemaTest() : db_(create_database(dir_.file("vantora.db"))) {
    db_->executeScript(embedded::kVantoraSchemaSql);
  }
  test::TempDir dir_;
  std::unique_ptr<Database> db_;
};

TEST_F(SchemaTest, HoldsEveryTableAndColumnTheIntegratorUses) {
  for (const TableColumns& used : kUsedColumns) {
    SCOPED_TRACE(used.table);
    std::vector<std::string> declared;
    for (const ColumnInfo& column : db_->tableColumns(used.table))
      declared.push_back(to_lower_ascii(column.name));
    std::istringstream names(used.columns);
    for (std::string name; names >> name;) {
      EXPECT_NE(std::find(declared.begin(), declared.end(), to_lower_ascii(name)), declared.end())
          << used.table << "." << name;
    }
    // One spelling per column: no column is declared twice in another letter case.
    std::vector<std::string> sorted = declared;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
  }
}

TEST_F(SchemaTest, DeclaresDatesAndMoneyRealFlagsAndLinksInteger) {
  struct Typed {
    const char* table;
    const char* column;
    const char* type;
  };
  const Typed typed[] = {
      {"CustSO", "InvDate", "DATE"},
      {"CustSO", "QuickBooksDS", "DATE"},
      {"CustSO", "NetTotal", "REAL"},
      {"CustSO", "QuickBooks", "INTEGER"},
      {"CustSO", "Number", "INTEGER"},
      {"CustPayments", "Date", "DATE"},
      {"CustPayments", "POS", "INTEGER"},
      {"SuppPO", "SendQB", "REAL"},
      {"SuppPO", "Revision", "INTEGER"},
      {"Customers", "Link", "INTEGER"},
      {"Customers", "DateCreated", "DATE"},
      {"Customers", "QBAccountNumber", "TEXT"},
      {"tax", "Rate", "REAL"},
      {"LineTax", "Taxable", "INTEGER"},
      {"comp", "NextMaintLink", "INTEGER"},
      {"Preferences", "User", "INTEGER"},
  };
  for (const Typed& t : typed) {
    std::string type;
    for (const ColumnInfo& column : db_->tableColumns(t.table))
      if (to_lower_ascii(column.name) == to_lower_ascii(t.column)) type = column.type;
    EXPECT_EQ(type, t.type) << t.table << "." << t.column;
  }
}

TEST_F(SchemaTest, EveryTextColumnComparesWithoutCase) {
  Database::Rows tables = db_->queryAll("SELECT name, sql FROM sqlite_master WHERE type = 'table'");
  for (const auto& table : tables.rows) {
    if (*table[0] == "sqlite_sequence") continue;
    std::istringstream ddl(*table[1]);
    for (std::string line; std::getline(ddl, line);) {
      if (line.find(" TEXT") == std::string::npos) continue;
      EXPECT_NE(line.find("TEXT COLLATE NOCASE"), std::string::npos) << *table[0] << ":" << line;
    }
  }
  db_->execute("INSERT INTO CustPost (Customer, Trans, ReceiptNumber) VALUES (7, 'PMT', 12)");
  db_->execute("INSERT INTO Customers (Link, QBAccountNumber) VALUES (7, 'O''Brien & Sons')");
  EXPECT_EQ(db_->queryAll("SELECT id FROM CustPost WHERE Trans = 'pmt'").rows.size(), 1u);
  EXPECT_EQ(db_->queryAll("SELECT id FROM Customers WHERE QBAccountNumber = 'o''brien & SONS'")
                .rows.size(),
            1u);
}

TEST_F(SchemaTest, KeysNumberThemselvesWhereInsertsLeaveThemOut) {
  db_->execute("INSERT INTO Customers (Link, Description) VALUES (1001, 'A')");
  db_->execute("INSERT INTO Customers (Link, Description) VALUES (1002, 'B')");
  Database::Rows rows = db_->queryAll("SELECT id, Link FROM Customers ORDER BY id");
  ASSERT_EQ(rows.rows.size(), 2u);
  EXPECT_EQ(rows.rows[0][0], "1");
  EXPECT_EQ(rows.rows[1][0], "2");
  db_->execute(
      "INSERT INTO Preferences (Form, Description, Value, User) VALUES ('GetNewLink', 'QBClass', "
      "'51', -2)");
  EXPECT_EQ(db_->queryAll("SELECT Value FROM Preferences WHERE form = 'GetNewLink' and Description "
                          "= 'QBClass' and user = -2")
                .rows.at(0)[0],
            "51");
}

}  // namespace
}  // namespace vqb
