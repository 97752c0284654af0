// The mapping checks against a Vantora database and a simulated company, with the copies
// made by the loader window and the assign dialog played by the test.

#include "mapping/validators.h"

#include <gtest/gtest.h>

#include <deque>
#include <pugixml.hpp>
#include <set>
#include <string>
#include <vector>

#include "mapping/list_loader.h"
#include "quickbooks/sim/simulated_company.h"
#include "support/vantora_fixture.h"

namespace vqb {
namespace {

using qb::sim::Kind;
using qb::sim::SimulatedCompany;

const std::string crlf = "\r\n";

// Answers item queries for chosen names with an inventory item (the simulated company keeps
// none) and passes everything else on.
class InventoryItems : public qb::QbTransport {
 public:
  explicit InventoryItems(qb::QbTransport& next) : next_(next) {}
  std::set<std::string> names;

  void openConnection(const std::string& settings) override { next_.openConnection(settings); }
  void closeConnection() override { next_.closeConnection(); }
  std::string process(const std::string& requestXml) override {
    pugi::xml_document request;
    request.load_string(requestXml.c_str());
    const std::string name = request.select_node("//ItemQueryRq/FullName").node().child_value();
    if (!names.count(name)) return next_.process(requestXml);
    return "<?xml version=\"1.0\" ?><QBXML><QBXMLMsgsRs><ItemQueryRs requestID=\"1\" "
           "statusCode=\"0\" statusSeverity=\"Info\" statusMessage=\"Status OK\"><ItemInventoryRet>"
           "<ListID>80000099-1</ListID><EditSequence>1</EditSequence><Name>" +
           name + "</Name><FullName>" + name +
           "</FullName><IsActive>true</IsActive></ItemInventoryRet></ItemQueryRs></QBXMLMsgsRs>"
           "</QBXML>";
  }

 private:
  qb::QbTransport& next_;
};

// What the assign dialog was given when it opened.
struct Opening {
  std::string answerBefore, title, message, mode, parameter, createButton, className;
};

class ValidatorTest : public ::testing::Test {
 protected:
  test::VantoraFixture vantora;
  test::FakeUi& ui = vantora.ui;
  App& app = vantora.app;
  SharedSlots& slots = app.sharedSlots;
  SimulatedCompany company =
      SimulatedCompany::create(vantora.dir.file("company.qbxml"), "Mapping Co");
  InventoryItems transport{company};
  qb::Session session{transport};
  qb::ComponentSet components{session};
  WorkState state;
  MappingSwitches switches;
  CustomerCheck customerCheck;
  MappingContext ctx{app, components, state, switches, customerCheck};

  std::vector<std::string> requests;  // requests the checks sent
  std::vector<Opening> openings;
  std::deque<std::string> choices;  // the dialog's answers; cancelled when none is left
  std::function<void()> whileOpen;  // runs in the dialog before it answers

  void SetUp() override {
    session.setObserver(
        [this](const std::string& request, const std::string&) { requests.push_back(request); });
    ui.onDialog = [this](DialogKind kind, const std::string&) {
      EXPECT_EQ(kind, DialogKind::Assign);
      openings.push_back(
          {slots[0], slots[1], slots[2], slots[3], slots[5], slots[400], slots[401]});
      if (whileOpen) whileOpen();
      if (!choices.empty()) {
        slots[0] = choices.front();
        choices.pop_front();
      }
    };
    company.addVendor("Tax Agency");
  }

  void sql(const std::string& statement) { vantora.db()->execute(statement); }
  std::string cell(const std::string& query) {
    auto rows = vantora.db()->queryAll(query).rows;
    return rows.empty() || !rows[0][0] ? "<none>" : *rows[0][0];
  }
  // The copies of the Vantora tables and QuickBooks lists, made as on connecting.
  void load() {
    qb::Session loaderSession{company};
    ListLoader loader(app, [&]() -> qb::Session& { return loaderSession; });
    loader.Form_Load();
    ASSERT_TRUE(loader.pop_me());
    ASSERT_TRUE(ui.messages.empty()) << ui.messages.front().text;
  }
  // The title and mode the dialog opened with, as "title | mode".
  std::string titleAndMode(std::size_t i) const {
    return openings.at(i).title + " | " + openings.at(i).mode;
  }
  std::vector<std::string> messages() const {
    std::vector<std::string> texts;
    for (const Opening& opening : openings) texts.push_back(opening.message);
    return texts;
  }
};

// ---- Sales groups ----------------------------------------------------------------------------

class SalesGroupTest : public ValidatorTest {
 protected:
  void SetUp() override {
    ValidatorTest::SetUp();
    company.addItem(Kind::ItemService, "Setup");
    company.addItem(Kind::ItemService, "Art", "", {{"ParentRef/FullName", "Setup"}});
    company.addItem(Kind::ItemOtherCharge, "Freight");
    company.addItem(Kind::ItemNonInventory, "Thread");
    company.addSubtotalItem("Subtotal");
    company.addDiscountItem("Shop Discount", "10");
    transport.names.insert("Caps");
    sql("INSERT INTO SalesGroup (id, Code, QB, Hide) VALUES (7, 'EMB', 'Setup:Art', 0), (8, 'SCR', "
        "'', 0), (9, 'OLD', 'Gone', 0)");
    load();
  }
  std::string unmappedMessage(const std::string& code) {
    return "There is no valid QuickBooks item associated with the following sales group in "
           "Vantora: " +
           code + crlf + crlf +
           "Please enter a valid QuickBooks item then click 'UPDATE' to continue." + crlf + crlf +
           "PLEASE NOTE: Parent/Child relationships in QuickBooks are denoted with a ':' e.g. If "
           "you have a parent item called 'Setup' and a sub/child item called 'Art' you will enter "
           "'Setup:Art' as the item code.";
  }
  std::string typeMessage(const std::string& item) {
    return "The item type for " + item + " is incorrect." + crlf +
           "The QuickBooks item type must be one of the following:" + crlf + crlf + "- Service" +
           crlf + "- Other Charge" + crlf + "- Non-Inventory Part.";
  }
};

TEST_F(SalesGroupTest, VantoraSideFindsTheCodeOrAsksForAnother) {
  EXPECT_TRUE(validate_salesGroupVT(ctx, "EMB", "Cap Red"));
  EXPECT_EQ(slots[51], "");
  EXPECT_TRUE(openings.empty());

  EXPECT_FALSE(validate_salesGroupVT(ctx, "emb", "Cap Red"));  // exact comparison; cancelled
  ASSERT_EQ(openings.size(), 1u);
  EXPECT_EQ(titleAndMode(0), "Vantora sales group not valid | Sales Group Vantora");
  EXPECT_EQ(
      openings[0].message,
      "There is no valid Vantora sales group associated with the following line item:" + crlf +
          "Cap Red" + crlf +
          "Select a Vantora sales group from the drop down list and click 'UPDATE' to continue");

  choices = {"SCR"};
  EXPECT_TRUE(validate_salesGroupVT(ctx, "XX", "Cap Blue"));
  EXPECT_EQ(slots[51], "SCR");
  EXPECT_EQ(openings.back().answerBefore, "");
}

TEST_F(SalesGroupTest, StoredItemIsCheckedOnceThenAnsweredFromTheCache) {
  EXPECT_TRUE(validate_salesGroupQB(ctx, "EMB"));
  EXPECT_EQ(slots[51], "");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_NE(requests[0].find("<FullName>Setup:Art</FullName>"), std::string::npos) << requests[0];
  app.salesGroupMemo.MoveToRoot();
  EXPECT_EQ(app.salesGroupMemo.GetChildContent("v7"), "Setup:Art");

  // QuickBooks is gone now: the cached group is still accepted without a request.
  requests.clear();
  company.setOpen(false);
  EXPECT_TRUE(validate_salesGroupQB(ctx, "EMB"));
  EXPECT_TRUE(requests.empty());
  EXPECT_TRUE(openings.empty());
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SalesGroupTest, StoredItemOfAnyTypeIsAcceptedWhenItExists) {
  sql("UPDATE SalesGroup SET QB = 'Caps' WHERE id = 8");
  load();
  EXPECT_TRUE(validate_salesGroupQB(ctx, "SCR"));
  EXPECT_TRUE(openings.empty());
}

TEST_F(SalesGroupTest, ChosenItemMustExistAndBeAServiceOtherChargeOrNonInventoryItem) {
  // Missing, then inventory (type 2), then subtotal (7), then a service item.
  choices = {"Nothing", "Caps", "Subtotal", "Setup:Art"};
  EXPECT_TRUE(validate_salesGroupQB(ctx, "SCR"));
  EXPECT_EQ(slots[51], "Setup:Art");
  ASSERT_EQ(openings.size(), 4u);
  EXPECT_EQ(titleAndMode(0), "QuickBooks item not valid | QuickBooks Item");
  EXPECT_EQ(messages(), (std::vector<std::string>{unmappedMessage("SCR"), unmappedMessage("SCR"),
                                                  typeMessage("Caps"), typeMessage("Subtotal")}));
  // The chosen item is not cached: the caller stores it and reloads the groups.
  app.salesGroupMemo.MoveToRoot();
  EXPECT_EQ(app.salesGroupMemo.GetChildCount(), 0);

  for (const char* item : {"Freight", "Thread"}) {
    choices = {item};
    EXPECT_TRUE(validate_salesGroupQB(ctx, "SCR")) << item;
    EXPECT_EQ(slots[51], item);
  }
}

TEST_F(SalesGroupTest, MissingStoredItemAsksAndCancelAnswersFalse) {
  choices = {"Shop Discount"};  // wrong type, then cancelled
  EXPECT_FALSE(validate_salesGroupQB(ctx, "OLD"));
  EXPECT_EQ(slots[51], "");
  EXPECT_EQ(messages(),
            (std::vector<std::string>{unmappedMessage("OLD"), typeMessage("Shop Discount")}));
  app.salesGroupMemo.MoveToRoot();
  EXPECT_EQ(app.salesGroupMemo.GetChildCount(), 0);
}

TEST_F(SalesGroupTest, QuickBooksErrorWhileLoadingTheChosenItemIsReported) {
  choices = {"Freight"};
  whileOpen = [this] { company.failAfter(1); };  // the existence check passes, the reload fails
  EXPECT_FALSE(validate_salesGroupQB(ctx, "SCR"));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].title, "Application Error");
  EXPECT_EQ(ui.messages[0].icon, Icon::Critical);
  EXPECT_NE(ui.messages[0].text.find("Module: frmQB\r\nProcedure: validate_salesGroupQB\r\n"),
            std::string::npos);
  EXPECT_NE(ui.messages[0].text.find("(20852)"), std::string::npos);
}

// ---- Line tax codes --------------------------------------------------------------------------

class TaxCodeTest : public ValidatorTest {
 protected:
  void SetUp() override {
    ValidatorTest::SetUp();
    company.addSalesTaxCode("Tax", true);
    company.addSalesTaxCode("Non", false);
    company.addSalesTaxCode("T'X", true);
    sql("INSERT INTO LineTax (Link, Code, Taxable, QuickBooks) VALUES (1, 'GST', 1, 'Tax'), (2, "
        "'EX', 0, 'Tax'), (3, 'ZR', 0, 'Non'), (4, 'ST', 1, 'Non'), (5, 'NEW', 1, '')");
    load();
  }
  const std::string request =
      "Please select a valid QuickBooks tax code then click 'UPDATE' to continue.";
};

TEST_F(TaxCodeTest, VantoraSideGivesTheCodeOrTheChosenOnesCode) {
  EXPECT_TRUE(validate_taxCodeVT(ctx, 3));
  EXPECT_EQ(slots[150], "ZR");
  EXPECT_EQ(slots[51], "");

  choices = {"4"};
  EXPECT_TRUE(validate_taxCodeVT(ctx, 99));
  EXPECT_EQ(slots[51], "4");
  EXPECT_EQ(slots[150], "ST");
  ASSERT_EQ(openings.size(), 1u);
  EXPECT_EQ(titleAndMode(0), "Vantora tax code | Tax Codes Vantora");
  EXPECT_EQ(openings[0].message,
            "Invalid tax code associated with a line item." + crlf +
                "Select a Vantora Tax Code from the drop down list and click 'UPDATE' to continue");

  EXPECT_FALSE(validate_taxCodeVT(ctx, 99));
  EXPECT_EQ(slots[150], "");
}

TEST_F(TaxCodeTest, MatchingOrUnknownTaxabilityIsValid) {
  EXPECT_TRUE(validate_taxCodeQB(ctx, 1));
  EXPECT_TRUE(validate_taxCodeQB(ctx, 3));
  EXPECT_EQ(slots[5], "0");
  EXPECT_EQ(slots[51], "");
  // Taxability neither true nor false is accepted.
  app.qbTaxCodes.MoveToRoot();
  app.qbTaxCodes.MoveToFirstChild();
  ASSERT_EQ(app.qbTaxCodes.GetChildContent("Name"), "Non");
  app.qbTaxCodes.SetChildValue("IsTaxable", "");
  app.qbTaxCodes.MoveToRoot();
  EXPECT_TRUE(validate_taxCodeQB(ctx, 4));
  EXPECT_TRUE(openings.empty());
}

TEST_F(TaxCodeTest, MismatchesAreExplainedAndEveryChoiceIsCheckedInTurn) {
  // EX (non taxable) is mapped to taxable "Tax"; the user first picks another taxable code.
  choices = {"T'X", "Non"};
  EXPECT_TRUE(validate_taxCodeQB(ctx, 2));
  EXPECT_EQ(slots[51], "Non");
  ASSERT_EQ(openings.size(), 2u);
  EXPECT_EQ(titleAndMode(0), "QuickBooks tax code not valid | QuickBooks Tax Code");
  EXPECT_EQ(openings[0].parameter, "0");
  auto mismatch = [&](const std::string& code) {
    return "The QuickBooks tax code, " + code +
           ", associated with EX in Vantora is taxable and EX is non taxable. They don't match." +
           crlf + request;
  };
  EXPECT_EQ(messages(), (std::vector<std::string>{mismatch("Tax"), mismatch("T'X")}));
  EXPECT_EQ(cell("SELECT QuickBooks FROM LineTax WHERE Link = 2"), "Non");
  app.lineTaxSnapshot.MoveToRoot();
  ASSERT_EQ(app.lineTaxSnapshot.MoveToChild("record2"), 1);
  EXPECT_EQ(app.lineTaxSnapshot.GetChildContent("quickbooks"), "Non");
}

TEST_F(TaxCodeTest, TaxableCodeMappedToANonTaxableOneAndAQuotedReplacement) {
  choices = {"T'X"};
  EXPECT_TRUE(validate_taxCodeQB(ctx, 4));
  ASSERT_EQ(openings.size(), 1u);
  EXPECT_EQ(openings[0].parameter, "1");
  EXPECT_EQ(openings[0].message,
            "The QuickBooks tax code, Non, associated with ST in Vantora is non taxable and ST is "
            "taxable. They don't match." +
                crlf + request);
  EXPECT_EQ(slots[51], "T'X");
  EXPECT_EQ(cell("SELECT QuickBooks FROM LineTax WHERE Link = 4"), "T'X");
}

TEST_F(TaxCodeTest, UnmappedCodeAsksAndCancelAnswersFalse) {
  EXPECT_FALSE(validate_taxCodeQB(ctx, 5));
  ASSERT_EQ(openings.size(), 1u);
  EXPECT_EQ(openings[0].message,
            "There is no valid QuickBooks tax code associated with the following tax code in "
            "Vantora: NEW" +
                crlf + request);
  EXPECT_EQ(slots[51], "");
  EXPECT_EQ(cell("SELECT QuickBooks FROM LineTax WHERE Link = 5"), "");
}

// ---- Classes and accounts --------------------------------------------------------------------

class ClassTest : public ValidatorTest {
 protected:
  void SetUp() override {
    ValidatorTest::SetUp();
    company.addClass("Retail");
    company.addClass("Old Shop", {{"IsActive", "false"}});
    company.addAccount("Checking", "Bank");
    company.addAccount("Savings", "Bank", {{"ParentRef/FullName", "Checking"}});
    load();
  }
  static std::string notFound(const std::string& name) {
    return "QB Class, " + name +
           ", not found. Please select an existing QB Class from the drop down list or click the "
           "'Create' button create a Class in QB called " +
           name;
  }
};

TEST_F(ClassTest, EmptyOrActiveClassIsValidCreationIsOfferedUpTo30Characters) {
  EXPECT_TRUE(validate_ClassQB(ctx, ""));
  EXPECT_TRUE(validate_ClassQB(ctx, "Retail"));
  EXPECT_EQ(slots[51], "");
  EXPECT_TRUE(openings.empty());
  const std::string thirty(30, 'c');
  const std::string thirtyOne(31, 'c');
  choices = {"Retail"};
  EXPECT_TRUE(validate_ClassQB(ctx, thirty));
  EXPECT_EQ(slots[51], "Retail");
  EXPECT_FALSE(validate_ClassQB(ctx, thirtyOne));
  EXPECT_EQ(slots[51], "");
  ASSERT_EQ(openings.size(), 2u);
  EXPECT_EQ(titleAndMode(0), "QuickBooks Class not valid | QuickBooks Class");
  EXPECT_EQ(openings[0].message, notFound(thirty));
  EXPECT_EQ(openings[0].createButton, "ShowCreateButton");
  EXPECT_EQ(openings[0].className, thirty);
  EXPECT_EQ(openings[1].message, "QB Class, " + thirtyOne +
                                     ", not found. Please select an existing QB Class from the "
                                     "drop down list, then click 'Update' to continue.");
  EXPECT_EQ(openings[1].createButton, "");
  EXPECT_EQ(slots[400], "");  // cleared once the dialog has closed
}

TEST_F(ClassTest, InactiveClassIsReportedAsNotActive) {
  EXPECT_FALSE(validate_ClassQB(ctx, "Old Shop"));
  ASSERT_EQ(openings.size(), 1u);
  EXPECT_EQ(openings[0].message,
            "QB Class, Old Shop, not active. Please select another QB Class from the drop down "
            "list below in order to continue.");
  EXPECT_EQ(openings[0].createButton, "");
}

TEST_F(ClassTest, LedgerAccountMustBeInTheAccountList) {
  EXPECT_TRUE(validate_LedgerQB(ctx, ""));
  EXPECT_TRUE(validate_LedgerQB(ctx, "Savings"));  // the list holds names
  EXPECT_TRUE(openings.empty());

  choices = {"Checking"};
  EXPECT_TRUE(validate_LedgerQB(ctx, "Checking:Savings"));
  EXPECT_EQ(slots[51], "Checking");
  ASSERT_EQ(openings.size(), 1u);
  EXPECT_EQ(titleAndMode(0), "QuickBooks account not valid | QuickBooks Accounts");
  EXPECT_EQ(openings[0].message,
            "QB Ledger Account, Checking:Savings, not found. Please select an existing QB account "
            "from the drop down list. Then click 'UPDATE' to continue.");
  EXPECT_FALSE(validate_LedgerQB(ctx, "Petty Cash"));
}

// ---- Discount item ---------------------------------------------------------------------------

class DiscountTest : public ValidatorTest {
 protected:
  void SetUp() override {
    ValidatorTest::SetUp();
    company.addDiscountItem("Discount", "");
    company.addDiscountItem("Shop", "", {{"ParentRef/FullName", "Discount"}});
    company.addItem(Kind::ItemService, "Labour");
  }
  void discount(const std::string& item) {
    sql("DELETE FROM QuickBooks");
    sql("INSERT INTO QuickBooks (Discount) VALUES ('" + item + "')");
    load();
  }
  const std::string request =
      "Please select a valid QuickBooks 'DISCOUNT' item from the drop down list then click "
      "'UPDATE' to continue.";
  const std::string note =
      "PLEASE NOTE: Parent/Child relationships in QuickBooks are denoted with a ':' e.g. If you "
      "have a parent item called 'Discount' and a sub/child item called ShopDiscount you will "
      "enter Discount:ShopDiscount as the item code.";
};

TEST_F(DiscountTest, StoredDiscountItemIsValidAndEachProblemHasItsMessage) {
  discount("Discount:Shop");
  EXPECT_TRUE(validate_discountQB(ctx));
  EXPECT_EQ(slots[51], "");
  EXPECT_TRUE(openings.empty());
  discount("");
  EXPECT_FALSE(validate_discountQB(ctx));
  discount("Nope");
  EXPECT_FALSE(validate_discountQB(ctx));
  discount("Labour");
  EXPECT_FALSE(validate_discountQB(ctx));
  ASSERT_EQ(openings.size(), 3u);
  EXPECT_EQ(titleAndMode(0), "QuickBooks item not valid | QuickBooks Discount Item");
  EXPECT_EQ(
      messages(),
      (std::vector<std::string>{
          "There is no QuickBooks 'DISCOUNT' item specified." + crlf + request + crlf + crlf + note,
          "The QuickBooks 'DISCOUNT' item specified does no exist." + crlf + request + crlf + crlf +
              note,
          "The QuickBooks 'DISCOUNT' item specified is not a 'DISCOUNT' item. When creating a "
          "discount item in QuickBooks please ensure that you select the item type as 'DISCOUNT'" +
              crlf + crlf + request + crlf + note}));
}

TEST_F(DiscountTest, ChosenItemMustExistAndBeADiscountItem) {
  discount("");
  choices = {"Nope", "Labour", "Discount:Shop"};
  EXPECT_TRUE(validate_discountQB(ctx));
  EXPECT_EQ(slots[51], "Discount:Shop");
  ASSERT_EQ(openings.size(), 3u);
  EXPECT_EQ(openings[1].message, openings[0].message);
  EXPECT_EQ(openings[2].message,
            "The item type for Labour is incorrect." + crlf +
                "The QuickBooks item type must be equal to 'Discount' in order to continue.");
  EXPECT_EQ(cell("SELECT Discount FROM QuickBooks"), "");  // the caller stores it
}

// ---- Customer groups -------------------------------------------------------------------------

class CustomerGroupTest : public ValidatorTest {
 protected:
  void SetUp() override {
    ValidatorTest::SetUp();
    company.addCustomerType("Retail");
    company.addCustomerType("Shops", {{"ParentRef/FullName", "Retail"}});
    company.addCustomerType("O'Brien Trade");
    sql("INSERT INTO CustIndustry (Link, Description, QuickBooks) VALUES (1, 'Shops', 'Shops'), "
        "(2, 'High street', 'Retail:Shops'), (3, 'Schools', ''), (4, 'Clubs', 'Sports')");
    load();
  }
  std::string stored(long link) {
    app.industrySnapshot.MoveToRoot();
    app.industrySnapshot.MoveToChild("record" + std::to_string(link));
    std::string value = app.industrySnapshot.GetChildContent("quickbooks");
    app.industrySnapshot.MoveToRoot();
    return value;
  }
};

TEST_F(CustomerGroupTest, NoGroupNeedsNoTypeFullNameIsKeptShortNameIsRewritten) {
  slots[51] = "stale";
  EXPECT_TRUE(validate_customerGroupQB(ctx, 0));
  EXPECT_EQ(slots[51], "");
  EXPECT_TRUE(validate_customerGroupQB(ctx, 2));
  EXPECT_EQ(slots[51], "Retail:Shops");

  EXPECT_TRUE(validate_customerGroupQB(ctx, 1));
  EXPECT_EQ(slots[51], "Retail:Shops");
  EXPECT_EQ(cell("SELECT QuickBooks FROM CustIndustry WHERE Link = 1"), "Retail:Shops");
  EXPECT_EQ(stored(1), "Retail:Shops");
  EXPECT_TRUE(openings.empty());
}

TEST_F(CustomerGroupTest, UnknownTypeAsksAndStoresTheQuotedChoice) {
  choices = {"O'Brien Trade"};
  EXPECT_TRUE(validate_customerGroupQB(ctx, 4));
  EXPECT_EQ(slots[51], "O'Brien Trade");
  EXPECT_EQ(cell("SELECT QuickBooks FROM CustIndustry WHERE Link = 4"), "O'Brien Trade");
  EXPECT_EQ(stored(4), "O'Brien Trade");
  ASSERT_EQ(openings.size(), 1u);
  EXPECT_EQ(titleAndMode(0), "QuickBooks customer type not valid | QuickBooks Customer Type");
  EXPECT_EQ(openings[0].message,
            "There is no valid QuickBooks customer type associated with the following tax code in "
            "Vantora: Clubs" +
                crlf +
                "Please select a valid QuickBooks customer type then click 'UPDATE' to continue.");

  EXPECT_FALSE(validate_customerGroupQB(ctx, 3));
  EXPECT_EQ(cell("SELECT QuickBooks FROM CustIndustry WHERE Link = 3"), "");
}

// ---- Tax types, terms, reps and payment methods ------------------------------------------------

class CodeTableTest : public ValidatorTest {
 protected:
  void SetUp() override {
    ValidatorTest::SetUp();
    company.addSalesTaxItem("State", "5", "Tax Agency");
    company.addSalesTaxItem("City", "3.25", "Tax Agency");
    company.addSalesTaxItem("Flat", "8.25", "Tax Agency");
    company.addSalesTaxItem("O'Hare", "8.25", "Tax Agency");
    company.addSalesTaxGroup("Combined", {"State", "City"});
    company.addStandardTerms("Net 30", 30);
    company.addEmployee("Jane", "Doe");
    company.addEmployee("Owen", "Kay");
    company.addSalesRep("JD", "Jane Doe");
    company.addSalesRep("O'K", "Owen Kay");
    company.addPaymentMethod("Visa");
    sql("INSERT INTO tax (Link, Description, Rate, QBLink) VALUES (1, 'Ohio', 8.25, 'Flat'), (2, "
        "'Ohio group', 8.25, 'Combined'), (3, 'Old', 7, 'Flat'), (4, 'Gone', 6, 'Missing'), (5, "
        "'New', 8.25, '')");
    sql("INSERT INTO Terms (Link, Description, QuickBooks) VALUES (1, '30 days', 'Net 30'), (2, "
        "'COD', 'Cash'), (3, 'Prepaid', '')");
    sql("INSERT INTO Users (Link, FirstName, AllowSales, QuickBooks) VALUES (1, 'Jane', 1, 'JD'), "
        "(2, 'Bob', 1, 'BB'), (3, 'Owen', 1, '')");
    sql("INSERT INTO CustPaymentMethods (Link, Description, QuickBooks, QBLedger) VALUES (1, 'Visa "
        "card', 'Visa', 'Checking'), (2, 'Cheque', 'Check', ''), (3, 'Cash', '', '')");
    load();
  }
  const std::string taxRequest =
      "Select a valid QuickBooks tax item from the drop down list below and click 'UPDATE' to "
      "continue";
};

TEST_F(CodeTableTest, VantoraRowIsFoundByLinkWithTheCursorLeftOnIt) {
  EXPECT_TRUE(validate_taxItemVT(ctx, 3, false));
  EXPECT_EQ(app.taxSnapshot.GetChildContent("description"), "Old");
  EXPECT_TRUE(validate_termsVT(ctx, 2, false));
  EXPECT_TRUE(validate_RepVT(ctx, 1, false));
  slots[400] = "";
  EXPECT_TRUE(validate_PMVT(ctx, 1, false));
  EXPECT_EQ(slots[400], "Checking");
  EXPECT_EQ(slots[51], "");

  // Without the dialog a missing row answers false at once.
  EXPECT_FALSE(validate_taxItemVT(ctx, 9, false));
  EXPECT_FALSE(validate_termsVT(ctx, 9, false));
  EXPECT_FALSE(validate_RepVT(ctx, 9, false));
  EXPECT_FALSE(validate_PMVT(ctx, 9, false));
  EXPECT_TRUE(openings.empty());
}

TEST_F(CodeTableTest, MissingVantoraRowOffersTheDialog) {
  struct Case {
    bool (*check)(MappingContext&, long, bool);
    std::string title, mode, message;
  };
  const std::vector<Case> cases = {
      {validate_taxItemVT, "Vantora tax type not valid", "Tax Item Vantora",
       "There is no valid Vantora tax type associated with this record." + crlf +
           "Select a Vantora tax type from the drop down list and click 'UPDATE' to continue"},
      {validate_termsVT, "Vantora customer terms not valid", "Customer Terms Vantora",
       "There is no valid Vantora customer terms associated with this record." + crlf +
           "Select the appropriate terms from the drop down list and click 'UPDATE' to continue"},
      {validate_RepVT, "Vantora sales rep not valid", "Sales Rep Vantora",
       "There is no valid Vantora sales rep associated with this record." + crlf +
           "Select a Vantora sales rep from the drop down list and click 'UPDATE' to continue"},
      {validate_PMVT, "Vantora payment method not valid", "Payment Method Vantora",
       "There is no valid Vantora payment method associated with this transaction." + crlf +
           "Select a Vantora payment from the drop down list and click 'UPDATE' to continue"},
  };
  for (const Case& c : cases) {
    openings.clear();
    choices = {"2"};
    EXPECT_TRUE(c.check(ctx, 9, true)) << c.mode;
    EXPECT_EQ(slots[51], "2");
    EXPECT_FALSE(c.check(ctx, 9, true)) << c.mode;
    EXPECT_EQ(slots[51], "");
    ASSERT_EQ(openings.size(), 2u);
    EXPECT_EQ(titleAndMode(0), c.title + " | " + c.mode);
    EXPECT_EQ(openings[0].message, c.message);
  }
}

TEST_F(CodeTableTest, TaxItemRatesAreComparedAsNumbers) {
  // The Vantora rate as text "8.250" against QuickBooks' "8.25".
  app.taxSnapshot.MoveToRoot();
  app.taxSnapshot.MoveToChild("record1");
  app.taxSnapshot.SetChildValue("rate", "8.250");
  EXPECT_TRUE(validate_taxItemQB(ctx, 1));
  EXPECT_EQ(slots[50], "Flat");
  // A group's rate is the sum of its members.
  EXPECT_TRUE(validate_taxItemQB(ctx, 2));
  EXPECT_EQ(slots[50], "Combined");
  EXPECT_TRUE(openings.empty());
}

TEST_F(CodeTableTest, TaxItemProblemsHaveTheirMessagesAndTheChoiceIsStoredQuoted) {
  choices = {"O'Hare"};
  EXPECT_TRUE(validate_taxItemQB(ctx, 3));
  EXPECT_EQ(slots[50], "O'Hare");
  EXPECT_EQ(cell("SELECT QBLink FROM tax WHERE Link = 3"), "O'Hare");
  app.taxSnapshot.MoveToRoot();
  app.taxSnapshot.MoveToChild("record3");
  EXPECT_EQ(app.taxSnapshot.GetChildContent("qblink"), "O'Hare");

  EXPECT_FALSE(validate_taxItemQB(ctx, 4));
  EXPECT_EQ(slots[50], "");
  EXPECT_FALSE(validate_taxItemQB(ctx, 5));
  EXPECT_EQ(cell("SELECT QBLink FROM tax WHERE Link = 5"), "");

  ASSERT_EQ(openings.size(), 3u);
  EXPECT_EQ(titleAndMode(0), "QuicBooks tax item invalid | Tax Item QuickBooks");
  EXPECT_EQ(openings[0].parameter, "7");
  EXPECT_EQ(openings[1].parameter, "6");
  EXPECT_EQ(messages(), (std::vector<std::string>{
                            "The QuickBooks Tax Rate (8.25%) associated with, Flat, is different "
                            "from the Vantora tax rate (7%) associated with, Old." +
                                crlf + crlf + taxRequest,
                            "The QuickBooks tax item, Missing, associated with Gone (6%) in "
                            "Vantora does not exist in QuickBooks." +
                                crlf + crlf + taxRequest,
                            "There is no QuickBooks tax item associated with the following tax "
                            "type in Vantora: New (8.25%)" +
                                crlf + taxRequest}));
}

TEST_F(CodeTableTest, TermsRepsAndPaymentMethodsAgainstTheirQuickBooksLists) {
  struct Case {
    bool (*check)(MappingContext&, long);
    std::string title, mode, valid, absent, unmapped, choice, table;
  };
  const std::vector<Case> cases = {
      {validate_termsQB, "QuicBooks customer terms invalid", "Customer Terms QuickBooks", "Net 30",
       "The QuickBooks customer terms, Cash, associated with COD in Vantora does not exist in "
       "QuickBooks." +
           crlf +
           "Select a valid QuickBooks terms from the drop down list below and click 'UPDATE' to "
           "continue",
       "There are no QuickBooks terms associated with the following customer terms in Vantora: " +
           crlf + "Prepaid" + crlf +
           "Select a valid QuickBooks terms from the drop down list below and click 'UPDATE' to "
           "continue",
       "Net 30", "Terms"},
      {validate_RepQB, "QuicBooks sales rep invalid", "Sales Rep QuickBooks", "JD",
       "There is no sales rep in QuickBooks called BB." + crlf +
           "Select a valid QuickBooks sales rep from the drop down list that will be associated "
           "with Bob in Vantora, then click 'UPDATE' to continue",
       "There is no QuickBooks sales rep associated with the following sales rep in Vantora: " +
           crlf + "Owen" + crlf +
           "Select a valid QuickBooks sales rep from the drop down list below and click 'UPDATE' "
           "to continue",
       "O'K", "Users"},
      {validate_PMQB, "QuicBooks payment method invalid", "Payment Method QuickBooks", "Visa",
       "There is no valid payment method in QuickBooks called Check." + crlf + crlf +
           "Select a valid QuickBooks payment method from the drop down list that will be "
           "associated with Cheque in Vantora, then click 'UPDATE' to continue",
       "There is no valid QuickBooks payment method associated with the method, Cash, in "
       "Vantora: " +
           crlf + crlf +
           "Select a valid QuickBooks payment method from the drop down list below and click "
           "'UPDATE' to continue",
       "Visa", "CustPaymentMethods"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    openings.clear();
    EXPECT_TRUE(c.check(ctx, 1));
    EXPECT_EQ(slots[50], c.valid);
    EXPECT_TRUE(openings.empty());

    choices = {c.choice};
    EXPECT_TRUE(c.check(ctx, 2));
    EXPECT_EQ(slots[50], c.choice);
    EXPECT_EQ(cell("SELECT QuickBooks FROM " + c.table + " WHERE Link = 2"), c.choice);
    // The snapshot holds the choice too, so the next check passes without asking.
    EXPECT_TRUE(c.check(ctx, 2));

    EXPECT_FALSE(c.check(ctx, 3));
    EXPECT_EQ(slots[50], "");
    EXPECT_EQ(cell("SELECT QuickBooks FROM " + c.table + " WHERE Link = 3"), "");

    ASSERT_EQ(openings.size(), 2u);
    EXPECT_EQ(titleAndMode(0), c.title + " | " + c.mode);
    EXPECT_EQ(messages(), (std::vector<std::string>{c.absent, c.unmapped}));
  }
}

}  // namespace
}  // namespace vqb
