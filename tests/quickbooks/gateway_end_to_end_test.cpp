// The components talking to the simulated company: what the integrator relies on end to end.

#include <gtest/gtest.h>

#include <set>

#include "app/text_helpers.h"
#include "quickbooks/caught.h"
#include "quickbooks/components.h"
#include "quickbooks/sim/simulated_company.h"
#include "support/temp_dir.h"

namespace vqb::qb {
namespace {

using sim::Kind;
using sim::SimulatedCompany;
using test::Caught;
using test::caught;

class GatewayEndToEnd : public ::testing::Test {
 protected:
  test::TempDir dir;
  SimulatedCompany company = SimulatedCompany::create(dir.file("company.qbxml"), "Test Company");
  Session session{company};

  void SetUp() override {
    company.addAccount("Accounts Receivable", "AccountsReceivable");
    company.addAccount("Undeposited Funds", "OtherCurrentAsset");
    company.addSalesTaxCode("Tax", true);
    company.addSalesTaxCode("Non", false);
    company.addVendor("Tax Agency");
    company.addSalesTaxItem("CA Sales Tax", "8.25", "Tax Agency");
    company.addItem(Kind::ItemService, "Stitching");
    company.addPaymentMethod("Check");
  }

  // Adds an invoice of one taxable line of `cents` for the customer; returns its TxnID.
  std::string addInvoice(const std::string& customer, std::int64_t cents, const std::string& ref) {
    Invoice invoice(session);
    invoice.reset();
    invoice.customer = customer;
    invoice.txnDate = to_ole_date({2026, 12, 1});
    invoice.refNumber = ref;
    invoice.salesTaxItem = "CA Sales Tax";
    invoice.setItemCount(1);
    invoice.item(0).item = "Stitching";
    invoice.item(0).amount = cents;
    invoice.item(0).salesTaxCode = "Non";
    invoice.add();
    return invoice.txnId;
  }
};

TEST_F(GatewayEndToEnd, CustomerWithAwkwardNameArrivesIntactAndLoadsBackAndUnknownNamesRaise) {
  const std::string name = "O'Brien & Sons <West>";
  Address address;
  address.addr1 = "12 \"Main\" St & Co";
  address.city = "Springfield";
  address.state = "IL";
  address.postalCode = "62701";
  Customer customer(session);
  customer.reset();
  customer.name = name;
  customer.companyName = name;
  customer.billAddress = address.aggregate();
  customer.add();

  auto stored = company.findByName(Kind::Customer, name);
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(stored->value("CompanyName"), name);
  EXPECT_EQ(stored->value("BillAddress/Addr1"), "12 \"Main\" St & Co");

  Customer loaded(session);
  loaded.reset();
  loaded.loadByName(name);
  EXPECT_EQ(loaded.name, name);
  EXPECT_EQ(loaded.listId, stored->id);
  Address back;
  back.setAggregate(loaded.billAddress);
  EXPECT_EQ(back.city, "Springfield");
  EXPECT_THROW(loaded.loadByName("Nobody"), QbError);
  Item item(session);
  item.reset();
  item.loadByName("Stitching");
  EXPECT_EQ(item.itemType, kItemService);
  EXPECT_THROW(item.loadByName("No Such Item"), QbError);
}

TEST_F(GatewayEndToEnd, NamesAreOneSpaceAcrossKindsAndAnAddReports20806) {
  company.addEmployee("Pat", "Lee");
  Customer customer(session);
  customer.reset();
  customer.name = "Tax Agency";  // a vendor already
  EXPECT_EQ(caught([&] { customer.add(); }),
            (Caught{kNameInUse, "The name \"Tax Agency\" of the list element is already in use."}));
  Vendor vendor(session);
  vendor.reset();
  vendor.name = "Pat Lee";  // an employee already
  EXPECT_THROW(vendor.add(), QbError);
  EXPECT_FALSE(company.findByName(Kind::Customer, "Tax Agency").has_value());
}

TEST_F(GatewayEndToEnd, ClosedCompanyMakesEveryRequestFailWith20852) {
  company.setOpen(false);
  Customer customer(session);
  customer.reset();
  EXPECT_EQ(caught([&] { customer.loadByName("Anyone"); }).number, kNotReachable);
  ObjSearch search(session);
  search.reset();
  EXPECT_THROW(search.openConnection(), QbError);
  company.setOpen(true);
  EXPECT_NO_THROW(search.openConnection());
}

TEST_F(GatewayEndToEnd, AppliedPaymentReducesInvoiceAndCustomerBalances) {
  company.addCustomer("Acme Ltd");
  std::string first = addInvoice("Acme Ltd", 10000, "1001");
  std::string second = addInvoice("Acme Ltd", 5050, "1002");
  EXPECT_EQ(company.findByName(Kind::Customer, "Acme Ltd")->value("Balance"), "150.50");

  ReceivePayment payment(session);
  payment.reset();
  payment.customer = "Acme Ltd";
  payment.txnDate = to_ole_date({2026, 12, 5});
  payment.totalAmount = 12000;
  payment.paymentMethod = "Check";
  payment.depositToAccount = "Undeposited Funds";
  payment.refNumber = "CHK-77";
  payment.applicationMode = ReceivePayment::kAsListed;
  payment.config(
      "AppliedToTransactionDetails=<AppliedToTxnAdd><TxnID>" + first +
      "</TxnID><PaymentAmount>100.00</PaymentAmount></AppliedToTxnAdd><AppliedToTxnAdd><TxnID>" +
      second + "</TxnID><PaymentAmount>20.00</PaymentAmount></AppliedToTxnAdd>");
  payment.add();
  EXPECT_FALSE(payment.txnId.empty());

  Invoice invoice(session);
  invoice.reset();
  invoice.loadById(first);
  EXPECT_NE(invoice.record().find("<BalanceRemaining>0.00</BalanceRemaining>"), std::string::npos)
      << invoice.record();
  invoice.loadById(second);
  EXPECT_NE(invoice.record().find("<BalanceRemaining>30.50</BalanceRemaining>"), std::string::npos)
      << invoice.record();
  EXPECT_EQ(company.findByName(Kind::Customer, "Acme Ltd")->value("Balance"), "30.50");

  // An invoice without a reference gets the number after the last one.
  invoice.reset();
  invoice.customer = "Acme Ltd";
  invoice.setItemCount(1);
  invoice.item(0).item = "Stitching";
  invoice.item(0).amount = 100;
  invoice.add();
  EXPECT_NE(invoice.record().find("<RefNumber>1003</RefNumber>"), std::string::npos)
      << invoice.record();
}

TEST_F(GatewayEndToEnd, PagedCustomerSearchReturnsEveryCustomerExactlyOnce) {
  for (int i = 0; i < 650; ++i) company.addCustomer("Customer " + std::to_string(i));
  company.setActive(company.findByName(Kind::Customer, "Customer 7")->id, false);
  ObjSearch search(session);
  search.settings.qbxmlVersion = "5.0";
  search.reset();
  search.queryKind = ObjSearch::kCustomers;
  search.activeStatus = 3;
  search.pageSize = 300;
  search.openConnection();
  search.run();
  std::multiset<std::string> seen;
  int pages = 1;
  auto collect = [&] {
    for (int i = 0; i < search.resultCount(); ++i) {
      auto start = search.result(i).find("<FullName>") + 10;
      seen.insert(search.result(i).substr(start, search.result(i).find("</FullName>") - start));
    }
  };
  collect();
  while (search.remaining() >= 1) {
    search.nextPage();
    collect();
    ++pages;
  }
  search.closeConnection();
  EXPECT_EQ(pages, 3);
  EXPECT_EQ(seen.size(), 650u) << "inactive customers included, none twice";
  EXPECT_EQ(std::set<std::string>(seen.begin(), seen.end()).size(), 650u);
}

TEST_F(GatewayEndToEnd, ListKindsCreatedThroughQBLists) {
  QBLists lists(session);
  lists.reset();
  lists.listKind = QBLists::kClass;
  lists.name = "Events";
  lists.add();
  lists.reset();
  lists.listKind = QBLists::kCustomerType;
  lists.name = "Education:Schools";
  EXPECT_THROW(lists.add(), QbError) << "the parent type does not exist";
  company.addCustomerType("Education");
  lists.add();
  EXPECT_TRUE(company.findByName(Kind::Class, "Events").has_value());
  EXPECT_TRUE(company.findByName(Kind::CustomerType, "Education:Schools").has_value());
}

}  // namespace
}  // namespace vqb::qb
