// The demo Vantora database: deterministic, scalable, internally consistent, and matching
// the QuickBooks names it declares.

#include "demo/demo_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/database.h"
#include "app/errors.h"
#include "app/text_helpers.h"
#include "support/temp_dir.h"

namespace vqb {
namespace {

using Table = std::vector<std::vector<Cell>>;

class DemoDataTest : public ::testing::Test {
 protected:
  // Builds a demo database once per options set and test.
  Database& demo(const DemoOptions& options = {}, const std::string& name = "demo.db") {
    const std::string path = dir_.file(name);
    create_demo_vantora_database(path, options);
    dbs_.push_back(open_database(path));
    return *dbs_.back();
  }
  static Table rows(Database& db, const std::string& sql) { return db.queryAll(sql).rows; }
  static std::int64_t count(Database& db, const std::string& sql) {
    return std::stoll(*db.queryAll("SELECT count(*) FROM " + sql).rows.at(0).at(0));
  }
  static std::set<std::string> names(Database& db, const std::string& sql) {
    std::set<std::string> result;
    for (const auto& row : rows(db, sql)) result.insert(row.at(0).value_or(""));
    return result;
  }
  static std::int64_t cents(const Cell& cell) {
    return to_hundredths(numeric_value(cell.value_or("")));
  }

  test::TempDir dir_;
  std::vector<std::unique_ptr<Database>> dbs_;
};

std::set<std::string> as_set(const std::vector<std::string>& names) {
  return {names.begin(), names.end()};
}

const char* const kDumpedTables[] = {
    "Customers",    "CustContacts",   "CustSO",    "custsodetail", "CustPayments", "CustPost",
    "CustAllocate", "CustWOPayments", "Suppliers", "myaddress",    "SuppPO",       "SuppPODetail",
    "comp"};

TEST_F(DemoDataTest, TheSameSeedGivesTheSameDatabaseAndAnotherSeedAnotherOne) {
  Database& first = demo({}, "a.db");
  Database& second = demo({}, "b.db");
  Database& third = demo({.seed = 7}, "c.db");
  for (const char* table : kDumpedTables) {
    SCOPED_TRACE(table);
    const std::string sql = std::string("SELECT * FROM ") + table + " ORDER BY rowid";
    const Table dump = rows(first, sql);
    EXPECT_FALSE(dump.empty());
    EXPECT_EQ(dump, rows(second, sql));
  }
  EXPECT_NE(rows(first, "SELECT * FROM Customers"), rows(third, "SELECT * FROM Customers"));
  EXPECT_NE(rows(first, "SELECT * FROM custsodetail"), rows(third, "SELECT * FROM custsodetail"));
}

TEST_F(DemoDataTest, CountsFollowTheOptions) {
  Database& db =
      demo({.customers = 12, .suppliers = 5, .invoices = 30, .payments = 10, .purchaseOrders = 7});
  EXPECT_EQ(count(db, "Customers"), 12);
  EXPECT_EQ(count(db, "Suppliers"), 5);
  EXPECT_EQ(count(db, "CustSO WHERE Status = 4"), 30);
  EXPECT_EQ(count(db, "CustSO WHERE Status = 3"), 6);
  EXPECT_EQ(count(db, "CustPayments"), 10);
  EXPECT_EQ(count(db, "CustPost WHERE Trans = 'PMT'"), 10);
  EXPECT_EQ(count(db, "CustPost WHERE Trans = 'INV'"), 30);
  EXPECT_EQ(count(db, "SuppPO"), 7);
  // The key counters point past every key handed out.
  const Table comp =
      rows(db,
           "SELECT NextCustLink, NextSuppLink, NextMaintLink, (SELECT max(Link) FROM "
           "Customers), (SELECT max(Link) FROM Suppliers), (SELECT max(Link) FROM myaddress) "
           "FROM comp");
  ASSERT_EQ(comp.size(), 1u);
  EXPECT_EQ(std::stoll(*comp[0][0]), std::stoll(*comp[0][3]) + 1);
  EXPECT_EQ(std::stoll(*comp[0][1]), std::stoll(*comp[0][4]) + 1);
  if (comp[0][5]) {
    EXPECT_EQ(std::stoll(*comp[0][2]), std::stoll(*comp[0][5]) + 1);
  }
}

TEST_F(DemoDataTest, LinesPerInvoiceGivesEveryOrderThatManyItemLines) {
  Database& db = demo({.customers = 12, .invoices = 30, .payments = 10, .linesPerInvoice = 10});
  EXPECT_EQ(count(db, "CustSO"), 36);
  EXPECT_EQ(count(db, "custsodetail"), 360);
  EXPECT_EQ(count(db, "custsodetail WHERE LineType = 'Inventory' AND Qty > 0 AND UnitPrice > 0"),
            360);
  EXPECT_EQ(
      count(db, "(SELECT SONumber FROM custsodetail GROUP BY SONumber HAVING count(*) <> 10)"), 0);
}

TEST_F(DemoDataTest, RefusesToOverwriteAnExistingFile) {
  const std::string path = dir_.file("exists.db");
  create_demo_vantora_database(path, {});
  const auto size = std::filesystem::file_size(path);
  try {
    create_demo_vantora_database(path, {});
    FAIL() << "an existing file was accepted";
  } catch (const VqbError& error) {
    EXPECT_EQ(error.number(), 58);
  }
  EXPECT_EQ(std::filesystem::file_size(path), size);
}

TEST_F(DemoDataTest, SomeRecordsAreExportedAndOthersWaitSomeOnUnmappedCodes) {
  Database& db = demo();
  const Table invoices = rows(db,
                              "SELECT CustSO.QuickBooks, CustSO.QuickBooksRef, CustSO.xmlAdd, "
                              "CustSO.QuickBooksDS, CustSO.InvDate, CustSO.Number, "
                              "Customers.QBAccountNumber FROM CustSO INNER JOIN Customers ON "
                              "CustSO.Customer = Customers.Link WHERE Status = 4");
  int exported = 0, pending = 0;
  for (const auto& r : invoices) {
    if (r[0] == "1") {
      ++exported;
      EXPECT_EQ(r[1], r[5]);
      EXPECT_EQ(r[2]->rfind("<OrderInfo><QBReference>", 0), 0u) << *r[2];
      EXPECT_GT(numeric_value(*r[3]), numeric_value(*r[4]));
      EXPECT_FALSE(r[6].value_or("").empty()) << "exported invoice of a customer not in QuickBooks";
    } else {
      ++pending;
      EXPECT_FALSE(r[3].has_value());
      EXPECT_EQ(r[1], "");
    }
  }
  EXPECT_GT(exported, 5);
  EXPECT_GT(pending, 5);
  // Records the work lists must never offer, and old orders they skip, are there too.
  for (const char* where :
       {"CustSO WHERE Status = 4 AND QuickBooks IS NULL",
        "CustPayments WHERE QuickBooks = 1 AND QuickBooksRef <> ''",
        "CustPayments WHERE coalesce(QuickBooks, 0) = 0",
        "SuppPO WHERE SendQB > 0 AND QBURef <> '' AND QBRef = Number",
        "SuppPO WHERE coalesce(SendQB, 0) < 1", "Customers WHERE QBAccountNumber <> ''",
        "Customers WHERE QBAccountNumber IS NULL", "Suppliers WHERE QBAccount <> ''",
        "CustPayments WHERE POS = 1 OR Voided = 1", "SuppPO WHERE Void = 1 OR Revision < 200918"})
    EXPECT_GT(count(db, where), 0) << where;
  // Some codes are left unmapped, and some orders use them.
  for (const char* where :
       {"tax WHERE QBLink = ''", "LineTax WHERE QuickBooks = ''",
        "Terms WHERE QuickBooks = '' AND Hide = 0",
        "Users WHERE QuickBooks = '' AND AllowSales = 1", "SalesGroup WHERE QB = '' AND Hide = 0",
        "CustPaymentMethods WHERE QuickBooks = ''",
        "CustPaymentMethods WHERE QuickBooks <> '' AND QBLedger = ''",
        "CustIndustry WHERE QuickBooks = ''",
        "CustSO WHERE TaxType1 IN (SELECT Link FROM tax WHERE QBLink = '')",
        "CustSO WHERE SalesRep IN (SELECT Link FROM Users WHERE QuickBooks = '')",
        "custsodetail WHERE SalesGroup IN (SELECT Code FROM SalesGroup WHERE QB = '')",
        "custsodetail WHERE LineType <> 'Remark' AND LineType <> 'Separator' AND Tax1 IN "
        "(SELECT Link FROM LineTax WHERE QuickBooks = '')",
        "CustPayments WHERE Method IN (SELECT Link FROM CustPaymentMethods WHERE QuickBooks = '')",
        "SuppPODetail WHERE SalesGroup = '' AND WOLink > 0"})
    EXPECT_GT(count(db, where), 0) << where;
  // An exported invoice never uses an unmapped code.
  EXPECT_EQ(count(db,
                  "custsodetail INNER JOIN CustSO ON SONumber = Number WHERE CustSO.QuickBooks "
                  "= 1 AND (custsodetail.SalesGroup IN (SELECT Code FROM SalesGroup WHERE QB = "
                  "'') OR custsodetail.QBClass = 'Events')"),
            0);
}

TEST_F(DemoDataTest, QuickBooksNamesListExactlyTheMappedAndExportedNames) {
  const DemoOptions options{.customers = 60, .suppliers = 20};
  Database& db = demo(options);
  const DemoQuickBooksNames qb = demo_quickbooks_names(options);
  EXPECT_EQ(as_set(qb.salesTaxItems), names(db, "SELECT QBLink FROM tax WHERE QBLink <> ''"));
  EXPECT_EQ(as_set(qb.salesTaxCodes),
            names(db, "SELECT QuickBooks FROM LineTax WHERE QuickBooks <> ''"));
  EXPECT_EQ(as_set(qb.terms), names(db, "SELECT QuickBooks FROM Terms WHERE QuickBooks <> ''"));
  EXPECT_EQ(as_set(qb.salesReps), names(db, "SELECT QuickBooks FROM Users WHERE QuickBooks <> ''"));
  EXPECT_EQ(as_set(qb.items), names(db, "SELECT QB FROM SalesGroup WHERE QB <> ''"));
  EXPECT_EQ(as_set(qb.items), names(db, "SELECT QB_P FROM SalesGroup WHERE QB_P <> ''"));
  EXPECT_EQ(as_set(qb.discountItems), names(db, "SELECT Discount FROM QuickBooks"));
  EXPECT_EQ(as_set(qb.paymentMethods),
            names(db, "SELECT QuickBooks FROM CustPaymentMethods WHERE QuickBooks <> ''"));
  EXPECT_EQ(as_set(qb.accounts),
            names(db, "SELECT QBLedger FROM CustPaymentMethods WHERE QBLedger <> ''"));
  EXPECT_EQ(as_set(qb.customerTypes),
            names(db, "SELECT QuickBooks FROM CustIndustry WHERE QuickBooks <> ''"));
  EXPECT_EQ(as_set(qb.customers),
            names(db, "SELECT QBAccountNumber FROM Customers WHERE QBAccountNumber <> ''"));
  EXPECT_EQ(qb.customers.size(), as_set(qb.customers).size());
  EXPECT_EQ(as_set(qb.vendors), names(db, "SELECT QBAccount FROM Suppliers WHERE QBAccount <> ''"));
  // Classes: every class an exported invoice uses, and not the one QuickBooks lacks.
  const std::set<std::string> classes = as_set(qb.classes);
  for (const std::string& used :
       names(db,
             "SELECT DISTINCT QBClass FROM custsodetail INNER JOIN CustSO ON SONumber = Number "
             "WHERE CustSO.QuickBooks = 1 AND QBClass <> ''"))
    EXPECT_TRUE(classes.count(used)) << used;
  EXPECT_FALSE(classes.count("Events"));
  EXPECT_GT(count(db, "custsodetail WHERE QBClass = 'Events'"), 0);
  // Exported records refer only to listed names.
  const std::set<std::string> customers = as_set(qb.customers);
  for (const std::string& name :
       names(db,
             "SELECT Customers.QBAccountNumber FROM CustPayments INNER JOIN Customers ON "
             "CustPayments.Customer = Customers.Link WHERE CustPayments.QuickBooks = 1"))
    EXPECT_TRUE(customers.count(name)) << name;
  // Details for a simulated company: rates and taxability as Vantora has them.
  for (const auto& r : rows(db, "SELECT QBLink, Rate FROM tax WHERE QBLink <> ''"))
    EXPECT_DOUBLE_EQ(qb.salesTaxRates.at(*r[0]), numeric_value(*r[1])) << *r[0];
  for (const auto& r : rows(db, "SELECT QuickBooks, Taxable FROM LineTax WHERE QuickBooks <> ''"))
    EXPECT_EQ(qb.salesTaxCodeTaxable.at(*r[0]), r[1] == "1") << *r[0];
  for (const std::string& item : qb.items) EXPECT_NE(qb.itemTypes.at(item), "Discount") << item;
  EXPECT_EQ(qb.itemTypes.at(qb.discountItems.at(0)), "Discount");
  for (const std::string& rep : qb.salesReps) EXPECT_FALSE(qb.salesRepNames.at(rep).empty());
}

TEST_F(DemoDataTest, NamesWithQuotesAmpersandsAndAngleBracketsSurvive) {
  Database& db = demo();
  const Table customer =
      rows(db, "SELECT Description, QBAccountNumber FROM Customers WHERE Link = 1001");
  ASSERT_EQ(customer.size(), 1u);
  EXPECT_EQ(customer[0][0], "O'Brien & Sons <West>");
  EXPECT_EQ(customer[0][1], "O'Brien & Sons <West>");
  EXPECT_EQ(count(db, "Customers WHERE Description = 'Jekyll & Hyde \"Odd\" Goods'"), 1);
  EXPECT_EQ(count(db, "Customers WHERE Description = 'Café Étoile Catering'"), 1);
  EXPECT_EQ(count(db,
                  "Suppliers WHERE Description = 'D''Angelo Thread & Notions' AND QBAccount = "
                  "Description"),
            1);
  // The name too long for QuickBooks is never marked exported.
  EXPECT_EQ(count(db, "Customers WHERE length(Description) > 41 AND QBAccountNumber <> ''"), 0);
  EXPECT_GT(count(db, "Customers WHERE length(Description) > 41"), 0);
}

TEST_F(DemoDataTest, AddressesAreMultiLineFreeText) {
  Database& db = demo();
  EXPECT_EQ(
      count(db, "Customers WHERE replace(BAddress, char(13, 10), '') LIKE '%' || char(10) || '%'"),
      0);
  EXPECT_GT(count(db, "Customers WHERE BAddress LIKE '%' || char(13, 10) || '%'"), 20);
  EXPECT_GT(count(db, "Customers WHERE BAddress LIKE '%Suite %' OR BAddress LIKE '%Unit %'"), 0);
  EXPECT_GT(count(db, "Customers WHERE BAddress LIKE 'PO Box %'"), 0);
  EXPECT_GT(count(db, "Customers WHERE BAddress = ''"), 0);
  EXPECT_GT(count(db, "Customers WHERE BAddress GLOB '*[A-Z][0-9][A-Z] [0-9][A-Z][0-9]*'"), 0);
  EXPECT_GT(count(db, "Customers WHERE BAddress GLOB '*, [A-Z][A-Z] [0-9][0-9][0-9][0-9][0-9]*'"),
            0);
  EXPECT_GT(count(db, "Customers WHERE SADdress <> '' AND SADdress <> BAddress"), 0);
  // Suppliers keep their address either as text or as a mailing-address row, never both.
  EXPECT_EQ(count(db,
                  "Suppliers WHERE BAddress <> '' AND Link IN (SELECT AccountID FROM myaddress "
                  "WHERE AccountType = 2 AND AddressType = 1)"),
            0);
  EXPECT_EQ(
      count(db, "Suppliers WHERE BAddress = '' AND Link NOT IN (SELECT AccountID FROM myaddress)"),
      0);
}

TEST_F(DemoDataTest, InvoiceTotalsAgreeWithTheirLinesAndTaxToTheCent) {
  Database& db = demo();
  std::map<std::string, std::int64_t> lineSum, taxable;
  for (const auto& r :
       rows(db,
            "SELECT SONumber, LineChargeAdjusted, AdjustedQty, Taxable FROM custsodetail LEFT "
            "JOIN LineTax ON custsodetail.Tax1 = LineTax.Link WHERE LineType IN ('Inventory', "
            "'Service')")) {
    const std::int64_t amount = cents(r[1]) * std::stoll(*r[2]);
    lineSum[*r[0]] += amount;
    if (r[3] == "1") taxable[*r[0]] += amount;
  }
  const Table orders =
      rows(db,
           "SELECT Number, Total, DiscAmount, TaxAmount1, NetTotal, TaxPercentage1, tax.Rate "
           "FROM CustSO INNER JOIN tax ON TaxType1 = tax.Link");
  ASSERT_EQ(orders.size(), 144u);
  for (const auto& o : orders) {
    SCOPED_TRACE(*o[0]);
    for (std::size_t k = 1; k <= 4; ++k)
      EXPECT_DOUBLE_EQ(numeric_value(*o[k]) * 100,
                       static_cast<double>(cents(o[k])));  // whole cents
    EXPECT_LE(cents(o[2]), 0);
    EXPECT_EQ(cents(o[1]), lineSum[*o[0]] + cents(o[2]));
    EXPECT_EQ(cents(o[4]), cents(o[1]) + cents(o[3]));
    EXPECT_EQ(o[5], o[6]);
    const double tax = static_cast<double>(taxable[*o[0]]) * numeric_value(*o[5]) / 100;
    EXPECT_EQ(cents(o[3]), static_cast<std::int64_t>(round_half_away(tax)));
  }
  // Remark and separator lines carry no money.
  EXPECT_EQ(count(db,
                  "custsodetail WHERE LineType IN ('Remark', 'Separator') AND (Qty <> 0 OR "
                  "UnitPrice <> 0)"),
            0);
  EXPECT_GT(count(db, "custsodetail WHERE LineType = 'Remark' AND PrintLine = 1"), 0);
  EXPECT_GT(count(db, "custsodetail WHERE LineType = 'Separator'"), 0);
}

TEST_F(DemoDataTest, PaymentsAreAllocatedWithinInvoiceBalances) {
  Database& db = demo();
  // Each invoice posting: debit less its allocations is what stays outstanding.
  for (const auto& r :
       rows(db,
            "SELECT p.WONumber, p.Debit, p.outstanding, coalesce((SELECT sum(Amount) FROM "
            "CustAllocate WHERE DRef = p.id), 0), s.NetTotal, s.PaymentStatus FROM CustPost p "
            "INNER JOIN CustSO s ON s.Number = p.WONumber WHERE p.Trans = 'INV'")) {
    SCOPED_TRACE(*r[0]);
    EXPECT_EQ(cents(r[1]), cents(r[4]));
    EXPECT_EQ(cents(r[2]), cents(r[1]) - cents(r[3]));
    EXPECT_GE(cents(r[2]), 0);
    EXPECT_EQ(*r[5], cents(r[2]) == 0 ? "1" : cents(r[3]) == 0 ? "0" : "2");
  }
  // A payment never allocates more than it brought, and its posting matches it.
  for (const auto& r :
       rows(db,
            "SELECT c.Number, c.Amount, p.Credit, coalesce((SELECT sum(Amount) FROM "
            "CustAllocate WHERE CRef = p.id), 0) + coalesce((SELECT sum(Amount) FROM "
            "CustWOPayments WHERE PostLink = p.id), 0), c.Customer, p.Customer FROM "
            "CustPayments c INNER JOIN CustPost p ON p.Trans = 'PMT' AND p.ReceiptNumber = "
            "c.Number")) {
    SCOPED_TRACE(*r[0]);
    EXPECT_EQ(cents(r[1]), cents(r[2]));
    EXPECT_LE(cents(r[3]), cents(r[1]));
    EXPECT_EQ(r[4], r[5]);
  }
  EXPECT_GT(count(db, "CustAllocate"), 0);
  EXPECT_GT(count(db,
                  "CustWOPayments INNER JOIN CustSO ON CustWOPayments.WONumber = CustSO.Number "
                  "AND CustSO.Status = 3"),
            0);
  // The customer balance is what its postings leave open.
  for (const auto& r :
       rows(db,
            "SELECT Link, Balance, (SELECT coalesce(sum(Debit) - sum(Credit), 0) FROM CustPost "
            "WHERE Customer = Link) FROM Customers"))
    EXPECT_EQ(cents(r[1]), cents(r[2])) << *r[0];
}

TEST_F(DemoDataTest, DatesAreDayNumbersOf2025And2026) {
  Database& db = demo();
  const double first = 45658;  // 1 January 2025
  const double last = 46387;   // 31 December 2026
  for (const char* sql : {"SELECT min(InvDate), max(InvDate) FROM CustSO",
                          "SELECT min(Date), max(Date) FROM CustPayments",
                          "SELECT min(Date), max(DueDate) FROM SuppPO",
                          "SELECT min(DateCreated), max(DateLastEdited) FROM Customers",
                          "SELECT min(QuickBooksDS), max(QuickBooksDS) FROM CustSO"}) {
    const Table range = rows(db, sql);
    EXPECT_GE(numeric_value(*range[0][0]), first) << sql;
    EXPECT_LE(numeric_value(*range[0][1]), last + 31) << sql;
  }
  EXPECT_EQ(count(db, "CustSO WHERE InvDate <> round(InvDate)"), 0);
  EXPECT_GT(count(db, "CustSO WHERE QuickBooksDS <> round(QuickBooksDS)"), 0);  // time of day
}

}  // namespace
}  // namespace vqb
