// The simulated company made for the demo matches the demo Vantora database.

#include "demo/demo_company.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <pugixml.hpp>

#include "app/database.h"
#include "app/setup_file.h"
#include "app/text_helpers.h"
#include "demo/demo_data.h"
#include "export/payment_export.h"
#include "quickbooks/sim/simulated_company.h"
#include "support/connected_demo.h"
#include "support/temp_dir.h"

namespace vqb::qb {
namespace {

using sim::Kind;
using sim::SimulatedCompany;

TEST(DemoCompany, HoldsWhatTheDemoDatabaseMapsAndNothingItLeavesUnmapped) {
  test::TempDir dir;
  DemoOptions options;
  create_demo_company(dir.file("demo.qbxml"), options);
  SimulatedCompany company(dir.file("demo.qbxml"));
  DemoQuickBooksNames names = demo_quickbooks_names(options);

  auto found = [&](const std::vector<Kind>& kinds, const std::string& name) {
    for (Kind kind : kinds)
      if (company.findByName(kind, name)) return true;
    return false;
  };
  const std::vector<Kind> items = {Kind::ItemService,     Kind::ItemNonInventory,
                                   Kind::ItemOtherCharge, Kind::ItemDiscount,
                                   Kind::ItemSalesTax,    Kind::ItemSalesTaxGroup};
  const struct {
    const std::vector<std::string>& names;
    std::vector<Kind> kinds;
  } lists[] = {
      {names.items, items},
      {names.discountItems, items},
      {names.salesTaxItems, items},
      {names.salesTaxCodes, {Kind::SalesTaxCode}},
      {names.terms, {Kind::StandardTerms, Kind::DateDrivenTerms}},
      {names.salesReps, {Kind::SalesRep}},
      {names.paymentMethods, {Kind::PaymentMethod}},
      {names.customerTypes, {Kind::CustomerType}},
      {names.classes, {Kind::Class}},
      {names.accounts, {Kind::Account}},
      {names.customers, {Kind::Customer}},
      {names.vendors, {Kind::Vendor}},
  };
  for (const auto& list : lists)
    for (const auto& name : list.names) EXPECT_TRUE(found(list.kinds, name)) << name;

  // The codes the demo leaves unmapped on purpose must not be found by name.
  std::vector<Kind> others = items;
  others.insert(others.end(), {Kind::Class, Kind::PaymentMethod, Kind::CustomerType,
                               Kind::SalesTaxCode, Kind::StandardTerms});
  for (const char* unmapped :
       {"RUSH", "Events", "Gift Certificate", "Government", "RSL", "2% 10 Net 30"})
    EXPECT_FALSE(found(others, unmapped)) << unmapped;
}

// An OLE date column as "2025-01-02".
std::string iso_date_of(const std::string& column) {
  return "date(" + column + " + 2415018.5)";
}
// The TxnID in the xmlAdd of order o.
constexpr const char* kOrderTxn =
    "substr(o.xmlAdd, instr(o.xmlAdd, '<QBReference>') + 13, instr(o.xmlAdd, '</QBReference>') - "
    "instr(o.xmlAdd, '<QBReference>') - 13)";
// Every allocation and work-order deposit x (payment register id, order number, amount)...
const std::string kAllocations =
    "(SELECT a.CRef AS post, ip.WONumber AS wo, a.Amount AS amount FROM CustAllocate a JOIN "
    "CustPost ip ON ip.id = a.DRef UNION ALL SELECT PostLink, WONumber, Amount FROM "
    "CustWOPayments)";
// ...of a payment p marked as sent.
const std::string kOfMarkedPayments = " FROM " + kAllocations +
                                      " x JOIN CustPost pp ON pp.id = x.post AND pp.Trans = "
                                      "'PMT' JOIN CustPayments p ON p.Number = pp.ReceiptNumber "
                                      "AND p.QuickBooks = 1";

// The whole default demo, connected as the window connects.
class DemoCompanyTest : public ::testing::Test, protected test::ConnectedDemoFixture {
 protected:
  DemoCompanyTest() : ConnectedDemoFixture(DemoOptions{}) {}
  std::vector<std::vector<Cell>> rows(const std::string& sql) const {
    return open_database(app.databasePath)->queryAll(sql).rows;
  }
  // "payment TxnID > order TxnID: amount", sorted, for the allocations and deposits of the
  // payments marked as sent (and `where`), and for the applications the company holds.
  std::vector<std::string> applicationsInVantora(const std::string& where = "") const {
    std::vector<std::string> found;
    for (const auto& row : rows(std::string("SELECT p.QuickBooksRef, ") + kOrderTxn + ", x.amount" +
                                kOfMarkedPayments + " JOIN CustSO o ON o.Number = x.wo " + where))
      found.push_back(*row[0] + " > " + *row[1] + ": " +
                      hundredths_text(to_hundredths(numeric_value(*row[2]))));
    std::sort(found.begin(), found.end());
    return found;
  }
  std::vector<std::string> applicationsInQuickBooks() const {
    std::vector<std::string> found;
    for (const sim::Entry& payment : company().list(Kind::ReceivePayment)) {
      pugi::xml_document doc;
      doc.load_string(payment.xml.c_str());
      for (pugi::xml_node app : doc.first_child().children("AppliedToTxnRet"))
        found.push_back(payment.id + " > " + app.child_value("TxnID") + ": " +
                        app.child_value("Amount"));
    }
    std::sort(found.begin(), found.end());
    return found;
  }
};

TEST_F(DemoCompanyTest, EveryRecordTheDemoMarksAsSentIsInTheCompanyAsVantoraHoldsIt) {
  ASSERT_TRUE(connected);
  // Each query gives the key (TxnID, or the name of a list entry), then the values of the
  // paths; a path starting with "$" is money.
  const struct {
    Kind kind;
    std::string sql;
    std::vector<std::string> paths;
  } kinds[] = {
      {Kind::Invoice,
       std::string("SELECT ") + kOrderTxn + ", o.QuickBooksRef, c.QBAccountNumber, " +
           iso_date_of("o.InvDate") +
           ", o.Total, o.TaxAmount1, o.NetTotal - paid, -paid FROM (SELECT o.*, "
           "ifnull((SELECT sum(x.amount)" +
           kOfMarkedPayments +
           " WHERE x.wo = o.Number), 0) AS paid FROM CustSO o) o JOIN Customers c ON c.Link = "
           "o.Customer WHERE o.QuickBooks = 1",
       {"RefNumber", "CustomerRef/FullName", "TxnDate", "$Subtotal", "$SalesTaxTotal",
        "$BalanceRemaining", "$AppliedAmount"}},
      {Kind::ReceivePayment,
       "SELECT p.QuickBooksRef, CASE p.Reference WHEN '' THEN p.Number ELSE substr(p.Reference, "
       "1, 20) END, c.QBAccountNumber, " +
           iso_date_of("p.Date") +
           ", p.Amount FROM CustPayments p JOIN Customers c ON c.Link = p.Customer WHERE "
           "p.QuickBooks = 1",
       {"RefNumber", "CustomerRef/FullName", "TxnDate", "$TotalAmount"}},
      {Kind::PurchaseOrder,
       "SELECT po.QBURef, po.QBRef, s.QBAccount, " + iso_date_of("po.Date") +
           ", po.Subtotal FROM SuppPO po JOIN Suppliers s ON s.Link = po.Supplier WHERE "
           "po.QBURef <> ''",
       {"RefNumber", "VendorRef/FullName", "TxnDate", "$TotalAmount"}},
      {Kind::Customer, "SELECT QBAccountNumber FROM Customers WHERE QBAccountNumber <> ''", {}},
      {Kind::Vendor, "SELECT QBAccount FROM Suppliers WHERE QBAccount <> ''", {}},
  };
  const sim::SimulatedCompany held = company();
  for (const auto& kind : kinds) {
    SCOPED_TRACE(sim::kindName(kind.kind));
    const auto marked = rows(kind.sql);
    EXPECT_FALSE(marked.empty());
    if (!kind.paths.empty()) {  // transactions: nothing more than the demo marks
      EXPECT_EQ(held.list(kind.kind).size(), marked.size());
    }
    for (const auto& row : marked) {
      const std::string key = row.at(0).value_or("");
      const auto entry = kind.paths.empty() ? held.findByName(kind.kind, key) : held.find(key);
      ASSERT_TRUE(entry) << key;
      for (std::size_t i = 0; i < kind.paths.size(); ++i) {
        const std::string& path = kind.paths[i];
        const std::string vantora = row.at(i + 1).value_or("");
        if (path[0] == '$')
          EXPECT_EQ(entry->value(path.substr(1)),
                    hundredths_text(to_hundredths(numeric_value(vantora))))
              << key << " " << path;
        else
          EXPECT_EQ(entry->value(path), vantora) << key << " " << path;
      }
    }
  }
  // Each payment is applied as Vantora allocates it.
  EXPECT_FALSE(applicationsInVantora().empty());
  EXPECT_EQ(applicationsInQuickBooks(), applicationsInVantora());
}

TEST_F(DemoCompanyTest, EveryUnsentPaymentAppliesAsInVantoraWhenItsInvoicesAreThere) {
  ASSERT_TRUE(connected);
  save_setup_value(app, "optapply2", "True");
  ui.onMessage = [](const std::string&, const std::string&) { return Answer::Yes; };
  const auto unsent = rows("SELECT Number FROM CustPayments WHERE ifnull(QuickBooks, 0) = 0");
  ASSERT_FALSE(unsent.empty());
  for (const auto& row : unsent) {
    const std::string result = send_Payment(*ctx, std::stol(*row[0]));
    EXPECT_EQ(result.find("not found in QuickBooks"), std::string::npos)
        << *row[0] << ": " << result;
  }
  for (const auto& message : ui.messages)
    EXPECT_EQ(message.text.find("not found in QuickBooks"), std::string::npos) << message.text;
  // Every payment whose invoices and work orders are now in QuickBooks is applied to them as
  // Vantora allocates it, to the cent.
  EXPECT_EQ(applicationsInQuickBooks(),
            applicationsInVantora("WHERE NOT EXISTS (SELECT 1 FROM " + kAllocations +
                                  " y JOIN CustSO u ON u.Number = y.wo WHERE y.post = x.post AND "
                                  "ifnull(u.QuickBooks, 0) = 0)"));
}

}  // namespace
}  // namespace vqb::qb
