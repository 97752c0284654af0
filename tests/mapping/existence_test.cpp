// Existence checks against a simulated company.

#include "mapping/existence.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "quickbooks/sim/simulated_company.h"
#include "support/fake_ui.h"
#include "support/temp_dir.h"

namespace vqb {
namespace {

using qb::sim::Kind;
using qb::sim::SimulatedCompany;

class ExistenceTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  test::FakeUi ui;
  App app{ui};
  SimulatedCompany company = SimulatedCompany::create(dir.file("company.qbxml"), "Exist Co");
  qb::Session session{company};
  qb::ComponentSet components{session};
  WorkState state;
  MappingSwitches switches;
  CustomerCheck customerCheck;
  MappingContext ctx{app, components, state, switches, customerCheck};
  std::vector<std::string> requests;

  void SetUp() override {
    session.setObserver(
        [this](const std::string& request, const std::string&) { requests.push_back(request); });
    company.addEmployee("Jane", "Doe");
    company.addSalesRep("JD", "Jane Doe");
    company.addCustomer("Acme Ltd", {{"SalesRepRef/FullName", "JD"}});
    company.addCustomer("Plain Co");
    company.addVendor("Thread Supply");
    company.addItem(Kind::ItemService, "Setup");
    company.addDiscountItem("Shop Discount", "10");
  }
};

TEST_F(ExistenceTest, CustomerFoundRecordsItsDefaultRepAndName) {
  EXPECT_TRUE(customer_exist(ctx, "Acme Ltd"));
  EXPECT_EQ(customerCheck.qbCustomerRep, "JD");
  EXPECT_EQ(customerCheck.qbCustomerName, "Acme Ltd");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_NE(requests[0].find(
                "<CustomerQueryRq requestID=\"1\"><FullName>Acme Ltd</FullName></CustomerQueryRq>"),
            std::string::npos)
      << requests[0];

  // A customer without a rep clears the rep of the previous one.
  EXPECT_TRUE(customer_exist(ctx, "Plain Co"));
  EXPECT_EQ(customerCheck.qbCustomerRep, "");
  EXPECT_EQ(customerCheck.qbCustomerName, "Plain Co");
}

TEST_F(ExistenceTest, UnknownCustomerAnswersFalseAndLeavesTheFieldsAlone) {
  customerCheck.qbCustomerRep = "XX";
  customerCheck.qbCustomerName = "Earlier";
  EXPECT_FALSE(customer_exist(ctx, "Nobody"));
  EXPECT_EQ(customerCheck.qbCustomerRep, "XX");
  EXPECT_EQ(customerCheck.qbCustomerName, "Earlier");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ExistenceTest, ItemStaysLoadedForItsType) {
  EXPECT_TRUE(item_exist(ctx, "Shop Discount"));
  EXPECT_EQ(components.item.itemType, qb::kItemDiscount);
  EXPECT_TRUE(item_exist(ctx, "Setup"));
  EXPECT_EQ(components.item.itemType, qb::kItemService);
  EXPECT_FALSE(item_exist(ctx, "Nothing"));
}

TEST_F(ExistenceTest, EachListIsAskedSeparately) {
  EXPECT_TRUE(vendor_exist(ctx, "Thread Supply"));
  EXPECT_FALSE(vendor_exist(ctx, "Acme Ltd"));
  EXPECT_TRUE(employee_exist(ctx, "Jane Doe"));
  EXPECT_FALSE(employee_exist(ctx, "Thread Supply"));
  EXPECT_FALSE(customer_exist(ctx, "Thread Supply"));
  EXPECT_EQ(requests.size(), 5u);
}

TEST_F(ExistenceTest, QuickBooksNotReachableReadsAsNotFoundWithoutAMessage) {
  company.setOpen(false);
  EXPECT_FALSE(customer_exist(ctx, "Acme Ltd"));
  EXPECT_FALSE(item_exist(ctx, "Setup"));
  EXPECT_FALSE(vendor_exist(ctx, "Thread Supply"));
  EXPECT_FALSE(employee_exist(ctx, "Jane Doe"));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(customerCheck.qbCustomerName, "");
}

TEST_F(ExistenceTest, ConnectionSettingsAreAppliedOnlyWhenSwitchedOn) {
  components.customer.settings.qbxmlVersion = "9.9";
  app.applyConnectionSettings = false;
  customer_exist(ctx, "Acme Ltd");
  EXPECT_EQ(components.customer.settings.qbxmlVersion, "9.9");
  app.applyConnectionSettings = true;
  customer_exist(ctx, "Acme Ltd");
  EXPECT_EQ(components.customer.settings.qbxmlVersion, "3.0");
}

}  // namespace
}  // namespace vqb
