// The simulated QuickBooks company: lists, names, lengths, references, the company file,
// connection state and faults.

#include "quickbooks/sim/simulated_company.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <pugixml.hpp>
#include <set>

#include "quickbooks/caught.h"
#include "quickbooks/qb_error.h"
#include "quickbooks/sim_reply.h"
#include "support/qbxml_schema.h"
#include "support/temp_dir.h"

namespace vqb::qb::sim {
namespace {

using simtest::reply;
using simtest::Reply;
using simtest::request;
using simtest::send;
using test::Caught;
using test::caught;

const std::string kCannotParse =
    "QuickBooks found an error when parsing the provided XML text stream.";
const std::string kNoRecord =
    "QuickBooks error message: Invalid argument.  The specified record does not exist in the list.";

class SimulatedCompanyTest : public ::testing::Test {
 protected:
  // Sends a CustomerModRq of the customer at the given edit sequence.
  Reply modify(const std::string& id, const std::string& sequence, const std::string& inner) {
    return send(company, "<CustomerModRq><CustomerMod><ListID>" + id + "</ListID><EditSequence>" +
                             sequence + "</EditSequence>" + inner +
                             "</CustomerMod></CustomerModRq>");
  }

  // Sends a CustomerAddRq with the given fields.
  Reply addCustomer(const std::string& inner) {
    return send(company, "<CustomerAddRq><CustomerAdd>" + inner + "</CustomerAdd></CustomerAddRq>");
  }

  test::TempDir dir;
  SimulatedCompany company = SimulatedCompany::create(dir.file("company.xml"), "Vantora Demo Co");
};

// ---------------------------------------------------------------------------------------------
// Responses

TEST_F(SimulatedCompanyTest, AnswersARequestWithItsIdAndStatusOk) {
  company.addCustomer("Acme Ltd");
  std::string response = company.process(
      request("<CustomerQueryRq requestID=\"7\"><FullName>Acme Ltd</FullName></CustomerQueryRq>"));
  EXPECT_EQ(response.rfind("<?xml version=\"1.0\" ?>\n<QBXML>", 0), 0u) << response;
  Reply rs = reply(response);
  EXPECT_STREQ(rs.rs.name(), "CustomerQueryRs");
  EXPECT_STREQ(rs.rs.attribute("requestID").value(), "7");
  EXPECT_EQ(rs.code(), 0);
  EXPECT_EQ(rs.severity(), "Info");
  EXPECT_EQ(rs.message(), "Status OK");
  EXPECT_EQ(rs.text("CustomerRet/Name"), "Acme Ltd");
  EXPECT_EQ(rs.text("CustomerRet/Balance"), "0.00");
}

TEST_F(SimulatedCompanyTest, AddedCustomerComesBackInSchemaOrderWithItsIdentity) {
  company.addSalesTaxCode("Tax", true);
  Reply rs = addCustomer(
      "<Name>Brown &amp; Co</Name><CompanyName>Brown</CompanyName><BillAddress>"
      "<Addr1>1 Main St</Addr1><City>Springfield</City><PostalCode>12345</PostalCode></BillAddress>"
      "<Phone>555-1234</Phone><SalesTaxCodeRef><FullName>Tax</FullName></SalesTaxCodeRef>");
  ASSERT_EQ(rs.code(), 0) << rs.message();
  pugi::xml_node ret = rs.rs.child("CustomerRet");
  std::vector<std::string> order;
  for (pugi::xml_node child : ret.children()) order.push_back(child.name());
  EXPECT_EQ(order, (std::vector<std::string>{"ListID", "TimeCreated", "TimeModified",
                                             "EditSequence", "Name", "FullName", "IsActive",
                                             "Sublevel", "CompanyName", "BillAddress", "Phone",
                                             "Balance", "TotalBalance", "SalesTaxCodeRef"}));
  EXPECT_EQ(rs.text("CustomerRet/FullName"), "Brown & Co");
  EXPECT_EQ(rs.text("CustomerRet/IsActive"), "true");
  EXPECT_EQ(rs.text("CustomerRet/SalesTaxCodeRef/ListID"),
            company.findByName(Kind::SalesTaxCode, "Tax")->id);
  EXPECT_FALSE(rs.text("CustomerRet/ListID").empty());
  EXPECT_EQ(company.findByName(Kind::Customer, "brown & co")->id, rs.text("CustomerRet/ListID"));
}

TEST_F(SimulatedCompanyTest, AnswersEveryRequestOfADocumentAndStopsAtTheFirstError) {
  std::string body =
      "<ClassAddRq requestID=\"1\"><ClassAdd><Name>East</Name></ClassAdd></ClassAddRq>"
      "<ClassAddRq requestID=\"2\"><ClassAdd><Name>East</Name></ClassAdd></ClassAddRq>"
      "<ClassAddRq requestID=\"3\"><ClassAdd><Name>West</Name></ClassAdd></ClassAddRq>";
  std::string stopped = company.process(request(body));
  EXPECT_EQ(reply(stopped, 0).code(), 0);
  EXPECT_EQ(reply(stopped, 1).code(), 3100);
  EXPECT_EQ(reply(stopped, 1).severity(), "Error");
  EXPECT_FALSE(reply(stopped, 2).rs);
  EXPECT_FALSE(company.findByName(Kind::Class, "West"));

  std::string continued = company.process(request(body, "continueOnError"));
  EXPECT_EQ(reply(continued, 0).code(), 3100);
  EXPECT_EQ(reply(continued, 1).code(), 3100);
  EXPECT_EQ(reply(continued, 2).code(), 0);
  EXPECT_TRUE(company.findByName(Kind::Class, "West"));
}

TEST_F(SimulatedCompanyTest, UnknownRequestKindIsUnsupported) {
  Reply rs = send(company, "<BillQueryRq requestID=\"4\"></BillQueryRq>");
  EXPECT_STREQ(rs.rs.name(), "BillQueryRs");
  EXPECT_EQ(rs.code(), 1030);
  EXPECT_EQ(rs.severity(), "Error");
  EXPECT_EQ(rs.message(), "This request is not supported by this implementation.");
}

TEST_F(SimulatedCompanyTest, DocumentsQuickBooksCannotParseAreRefusedWhole) {
  const struct {
    std::string text;
    std::string problem;
  } cases[] = {
      {"<QBXML><QBXMLMsgsRq", ""},
      {"<QBXML></QBXML>", ""},
      {request("<CustomerAddRq><CustomerAdd><Phone>1</Phone><Name>A</Name></CustomerAdd>"
               "</CustomerAddRq>"),
       " (element out of order: \"Name\" in \"CustomerAdd\")"},
      {request("<CustomerAddRq><CustomerAdd><Phone>1</Phone></CustomerAdd></CustomerAddRq>"),
       " (missing element \"Name\" in \"CustomerAdd\")"},
      {request("<CustomerQueryRq><Nickname>A</Nickname></CustomerQueryRq>"),
       " (unexpected element \"Nickname\" in \"CustomerQueryRq\")"},
      {request("<ClassQueryRq iterator=\"Start\"><MaxReturned>5</MaxReturned></ClassQueryRq>"),
       " (attribute \"iterator\" is not allowed in \"ClassQueryRq\")"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(caught([&] { company.process(c.text); }),
              (Caught{kParseError, kCannotParse + c.problem}))
        << c.text;
  EXPECT_TRUE(company.list(Kind::Customer).empty());
}

// Iterators came with qbXML 5.0 and metaData with 4.0: under an older version line QuickBooks
// cannot parse the document; under the right one the same request is answered.
TEST_F(SimulatedCompanyTest, FeaturesNewerThanTheDeclaredVersionAreRefusedAsUnparsable) {
  company.addCustomer("Acme");
  company.addCustomer("Brown");
  company.addVendor("Bay Thread");
  const struct {
    const char* body;
    const char* tooOld;
    const char* problem;
    const char* enough;
    std::size_t records;
    const char* retCount;
  } cases[] = {
      {"<CustomerQueryRq iterator=\"Start\"><MaxReturned>1</MaxReturned></CustomerQueryRq>", "3.0",
       "attribute \"iterator\" in \"CustomerQueryRq\" needs qbXML 5.0, the document declares 3.0",
       "5.0", 1, ""},
      {"<VendorQueryRq iterator=\"Start\"><MaxReturned>5</MaxReturned></VendorQueryRq>", "4.1",
       "attribute \"iterator\" in \"VendorQueryRq\" needs qbXML 5.0, the document declares 4.1",
       "13.0", 1, ""},
      {"<CustomerQueryRq iterator=\"Start\"><MaxReturned>1</MaxReturned></CustomerQueryRq>", "",
       "attribute \"iterator\" in \"CustomerQueryRq\" needs qbXML 5.0, the document declares no "
       "version",
       "5.0", 1, ""},
      {"<CustomerQueryRq metaData=\"MetaDataOnly\"></CustomerQueryRq>", "3.0",
       "attribute \"metaData\" in \"CustomerQueryRq\" needs qbXML 4.0, the document declares 3.0",
       "4.0", 0, "2"},
      {"<VendorQueryRq metaData=\"MetaDataAndResponseData\"></VendorQueryRq>", "2.1",
       "attribute \"metaData\" in \"VendorQueryRq\" needs qbXML 4.0, the document declares 2.1",
       "4.0", 1, "1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body);
    EXPECT_EQ(caught([&] { company.process(request(c.body, "stopOnError", c.tooOld)); }),
              (Caught{kParseError, kCannotParse + " (" + c.problem + ")"}));
    Reply rs = reply(company.process(request(c.body, "stopOnError", c.enough)));
    EXPECT_EQ(rs.code(), 0) << rs.message();
    EXPECT_EQ(rs.values("Name").size(), c.records);
    EXPECT_STREQ(rs.rs.attribute("retCount").value(), c.retCount);
  }
}

TEST_F(SimulatedCompanyTest, HostAndCompanyQueries) {
  std::string response =
      company.process(request("<HostQueryRq requestID=\"1\"/><CompanyQueryRq requestID=\"2\"/>"));
  EXPECT_EQ(reply(response, 0).text("HostRet/Country"), "US");
  EXPECT_EQ(reply(response, 0).rs.child("HostRet").select_nodes("SupportedQBXMLVersion").size(),
            16u);
  EXPECT_EQ(reply(response, 1).text("CompanyRet/CompanyName"), "Vantora Demo Co");
  EXPECT_EQ(company.companyName(), "Vantora Demo Co");
}

// ---------------------------------------------------------------------------------------------
// Names

TEST_F(SimulatedCompanyTest, CustomersVendorsAndEmployeesShareOneNameSpace) {
  company.addCustomer("O'Brien & Sons");
  Reply vendor = send(
      company, "<VendorAddRq><VendorAdd><Name>o'brien &amp; sons</Name></VendorAdd></VendorAddRq>");
  EXPECT_EQ(vendor.code(), 3100);
  EXPECT_EQ(vendor.message(), "The name \"o'brien & sons\" of the list element is already in use.");
  EXPECT_TRUE(company.list(Kind::Vendor).empty());

  company.addEmployee("Jane", "Doe");
  EXPECT_EQ(addCustomer("<Name>Jane Doe</Name>").code(), 3100);

  EXPECT_EQ(caught([&] { company.addVendor("Jane Doe"); }),
            (Caught{3100, "The name \"Jane Doe\" of the list element is already in use."}));
}

TEST_F(SimulatedCompanyTest, ItemsClassesAndTypesHaveNameSpacesOfTheirOwn) {
  company.addCustomer("Widgets");
  company.addItem(Kind::ItemService, "Widgets", "10.00");  // another list: allowed
  EXPECT_THROW(company.addItem(Kind::ItemNonInventory, "WIDGETS"), QbError);
  EXPECT_THROW(company.addDiscountItem("widgets", "5"), QbError);
  company.addClass("Widgets");
  EXPECT_EQ(
      send(company, "<ClassAddRq><ClassAdd><Name>widgets</Name></ClassAdd></ClassAddRq>").code(),
      3100);
  company.addCustomerType("Retail");
  auto addType = [&](const std::string& name) {
    return send(company, "<CustomerTypeAddRq><CustomerTypeAdd><Name>" + name +
                             "</Name></CustomerTypeAdd></CustomerTypeAddRq>")
        .code();
  };
  EXPECT_EQ(addType("Retail"), 3100);
  EXPECT_EQ(addType("Trade"), 0);
}

TEST_F(SimulatedCompanyTest, SubEntriesTakeTheirParentsNameAndSublevel) {
  company.addClass("East");
  Reply rs = send(company,
                  "<ClassAddRq><ClassAdd><Name>Boston</Name><ParentRef><FullName>East</FullName>"
                  "</ParentRef></ClassAdd></ClassAddRq>");
  ASSERT_EQ(rs.code(), 0) << rs.message();
  EXPECT_EQ(rs.text("ClassRet/FullName"), "East:Boston");
  EXPECT_EQ(rs.text("ClassRet/Sublevel"), "1");
  EXPECT_EQ(rs.text("ClassRet/ParentRef/FullName"), "East");
  company.addClass("Boston");  // the same name under no parent is another class
  EXPECT_EQ(company.list(Kind::Class).size(), 3u);
}

// ---------------------------------------------------------------------------------------------
// Lengths

TEST_F(SimulatedCompanyTest, FieldLengthsAreEnforcedWithTheFieldNamed) {
  const std::string name41(41, 'n'), addr42(42, 'a');
  std::string accented;  // characters, not bytes: 41 accented letters fit
  for (int i = 0; i < 41; ++i) accented += "\xC3\xA9";
  auto customer = [](const std::string& name, const std::string& address = "") {
    return "<CustomerAddRq><CustomerAdd><Name>" + name + "</Name>" + address +
           "</CustomerAdd></CustomerAddRq>";
  };
  auto className = [](const std::string& name) {
    return "<ClassAddRq><ClassAdd><Name>" + name + "</Name></ClassAdd></ClassAddRq>";
  };
  const struct {
    std::string body;
    long code;
    std::string message;  // checked when given
  } cases[] = {
      {customer(name41), 0, ""},
      {customer(name41 + "x"), 3070,
       "The string \"" + name41 + "x\" in the field \"Name\" is too long."},
      {"<VendorAddRq><VendorAdd><Name>V</Name><VendorAddress><Addr1>" + addr42 +
           "</Addr1></VendorAddress></VendorAdd></VendorAddRq>",
       3070, "The string \"" + addr42 + "\" in the field \"Addr1\" is too long."},
      {customer("C", "<BillAddress><City>" + std::string(32, 'c') + "</City></BillAddress>"), 3070,
       ""},
      {customer("C", "<BillAddress><State>" + std::string(22, 's') + "</State></BillAddress>"),
       3070, ""},
      {customer("C", "<BillAddress><PostalCode>12345678901234</PostalCode></BillAddress>"), 3070,
       ""},
      {className(std::string(32, 'k')), 3070, ""},
      {className(std::string(31, 'k')), 0, ""},
      {customer(accented), 0, ""},
  };
  for (const auto& c : cases) {
    const Reply rs = send(company, c.body);
    EXPECT_EQ(rs.code(), c.code) << c.body;
    if (!c.message.empty()) {
      EXPECT_EQ(rs.message(), c.message);
    }
  }
  EXPECT_EQ(company.list(Kind::Customer).size(), 2u);
}

TEST_F(SimulatedCompanyTest, ListBuildingApiEnforcesTheSameLengths) {
  auto code = [](auto add) { return caught(add).number; };
  EXPECT_EQ(code([&] { company.addSalesTaxCode("Taxable", true); }), 3070);
  EXPECT_EQ(code([&] { company.addSalesTaxCode("Tax", true); }), 0);
  company.addEmployee("Rob", "Smith");
  EXPECT_EQ(code([&] { company.addSalesRep("ABCDEF", "Rob Smith"); }), 3070);
  EXPECT_EQ(code([&] { company.addSalesRep("ABCDE", "Rob Smith"); }), 0);
  EXPECT_EQ(code([&] { company.addItem(Kind::ItemService, std::string(32, 'i')); }), 3070);
  EXPECT_EQ(code([&] { company.addAccount(std::string(32, 'a'), "Income"); }), 3070);
  EXPECT_EQ(code([&] {
              company.addCustomer("C", {{"BillAddress/Addr5", std::string(42, 'x')}});
            }),
            3070);
  EXPECT_EQ(code([&] { company.addCustomer("D", {{"BillAdress/City", "Typo"}}); }), 530);
  EXPECT_EQ(code([&] { company.addCustomer("E", {{"OpenBalance", "12.50"}}); }), 0);
  EXPECT_EQ(company.findByName(Kind::Customer, "E")->value("Balance"), "12.50");
}

// ---------------------------------------------------------------------------------------------
// References

TEST_F(SimulatedCompanyTest, ReferencesMustNameActiveEntries) {
  Entry retail = company.addCustomerType("Retail");
  auto withType = [&](const std::string& ref) {
    return addCustomer("<Name>A</Name><CustomerTypeRef>" + ref + "</CustomerTypeRef>");
  };
  Reply missing = withType("<FullName>Wholesale</FullName>");
  EXPECT_EQ(missing.code(), 3140);
  EXPECT_EQ(
      missing.message(),
      "There is an invalid reference to QuickBooks Customer Type \"Wholesale\" in the Customer.  " +
          kNoRecord);

  company.setActive(retail.id, false);
  Reply inactive = withType("<FullName>Retail</FullName>");
  EXPECT_EQ(inactive.code(), 3140);
  EXPECT_EQ(
      inactive.message(),
      "There is an invalid reference to QuickBooks Customer Type \"Retail\" in the Customer.  " +
          kNoRecord);
  EXPECT_TRUE(company.list(Kind::Customer).empty());

  company.setActive(retail.id, true);
  Reply byId = withType("<ListID>" + retail.id + "</ListID>");
  ASSERT_EQ(byId.code(), 0) << byId.message();
  EXPECT_EQ(byId.text("CustomerRet/CustomerTypeRef/FullName"), "Retail");
}

TEST_F(SimulatedCompanyTest, AReferenceToTheWrongKindOfEntryIsInvalid) {
  company.addVendor("SUP");
  EXPECT_EQ(addCustomer("<Name>A</Name><SalesRepRef><FullName>SUP</FullName></SalesRepRef>").code(),
            3140);
  EXPECT_EQ(
      caught([&] { company.addSalesTaxItem("State", "6.5", "Nobody"); }),
      (Caught{3140, "There is an invalid reference to QuickBooks Vendor \"Nobody\" in the Item.  " +
                        kNoRecord}));
}

// ---------------------------------------------------------------------------------------------
// Modifications

TEST_F(SimulatedCompanyTest, CustomerModChecksTheEditSequenceAndKeepsUnsentAddressParts) {
  Entry customer = company.addCustomer("Acme", {{"BillAddress/Addr1", "1 Main St"},
                                                {"BillAddress/City", "Springfield"},
                                                {"Phone", "555-0000"}});
  Entry rep = company.addSalesRep("JD", company.addEmployee("John", "Doe").name);
  Reply stale = modify(customer.id, "1", "<Phone>1</Phone>");
  EXPECT_EQ(stale.code(), 3200);
  EXPECT_EQ(stale.message(), "The provided edit sequence \"1\" is out-of-date.");

  Reply rs = modify(customer.id, customer.editSequence,
                    "<BillAddress><City>Shelbyville</City></BillAddress><Phone></Phone>"
                    "<SalesRepRef><FullName>JD</FullName></SalesRepRef>");
  ASSERT_EQ(rs.code(), 0) << rs.message();
  EXPECT_EQ(rs.text("CustomerRet/BillAddress/Addr1"), "1 Main St");
  EXPECT_EQ(rs.text("CustomerRet/BillAddress/City"), "Shelbyville");
  EXPECT_FALSE(rs.rs.first_element_by_path("CustomerRet/Phone"));
  EXPECT_EQ(rs.text("CustomerRet/SalesRepRef/ListID"), rep.id);
  EXPECT_NE(rs.text("CustomerRet/EditSequence"), customer.editSequence);

  EXPECT_EQ(modify(customer.id, customer.editSequence, "<Phone>2</Phone>").code(), 3200);
}

// The contact fields, customer type and rep change as QuickBooks changes them; a reference to
// an entry that does not exist is refused and changes nothing.
TEST_F(SimulatedCompanyTest, CustomerModChangesContactFieldsTypeAndRep) {
  company.addCustomerType("Retail");
  company.addSalesRep("JD", company.addEmployee("John", "Doe").name);
  Entry customer = company.addCustomer("Acme", {{"CompanyName", "Acme Old"}});
  Reply rs = modify(customer.id, customer.editSequence,
                    "<CompanyName>Acme Ltd</CompanyName><Phone>555-0101</Phone><Fax>555-0102</Fax>"
                    "<Email>a@b.c</Email><CustomerTypeRef><FullName>Retail</FullName>"
                    "</CustomerTypeRef><SalesRepRef><FullName>JD</FullName></SalesRepRef>");
  ASSERT_EQ(rs.code(), 0) << rs.message();
  Entry changed = *company.findByName(Kind::Customer, "Acme");
  for (const auto& [path, value] :
       std::vector<std::pair<std::string, std::string>>{{"CompanyName", "Acme Ltd"},
                                                        {"Phone", "555-0101"},
                                                        {"Fax", "555-0102"},
                                                        {"Email", "a@b.c"},
                                                        {"CustomerTypeRef/FullName", "Retail"},
                                                        {"SalesRepRef/FullName", "JD"}})
    EXPECT_EQ(changed.value(path), value) << path;

  for (const std::string ref : {"<CustomerTypeRef><FullName>Nobody</FullName></CustomerTypeRef>",
                                "<SalesRepRef><FullName>ZZ</FullName></SalesRepRef>"}) {
    Reply refused = modify(customer.id, changed.editSequence, "<Phone>1</Phone>" + ref);
    EXPECT_EQ(refused.code(), 3140) << ref;
  }
  Entry unchanged = *company.findByName(Kind::Customer, "Acme");
  EXPECT_EQ(unchanged.editSequence, changed.editSequence);
  EXPECT_EQ(unchanged.value("Phone"), "555-0101");
}

TEST_F(SimulatedCompanyTest, CustomerModRenamesWithinTheNameSpace) {
  Entry acme = company.addCustomer("Acme");
  company.addVendor("Globex");
  EXPECT_EQ(modify(acme.id, acme.editSequence, "<Name>Globex</Name>").code(), 3100);
  Reply renamed = modify(acme.id, acme.editSequence, "<Name>Acme Corp</Name>");
  ASSERT_EQ(renamed.code(), 0) << renamed.message();
  EXPECT_EQ(renamed.text("CustomerRet/FullName"), "Acme Corp");
  EXPECT_FALSE(company.findByName(Kind::Customer, "Acme"));
  EXPECT_EQ(company.findByName(Kind::Customer, "Acme Corp")->id, acme.id);
}

TEST_F(SimulatedCompanyTest, ModOfAnUnknownIdIsNotFound) {
  Reply rs = modify("80000099-1", "1", "");
  EXPECT_EQ(rs.code(), 3120);
  EXPECT_EQ(rs.message(),
            "Object \"80000099-1\" specified in the request cannot be found.  " + kNoRecord);
}

// ---------------------------------------------------------------------------------------------
// List kinds and the API

TEST_F(SimulatedCompanyTest, EveryListKindIsBuiltAndAnsweredByItsQuery) {
  company.addVendor("State Tax Agency");
  company.addSalesTaxItem("City", "1.5", "State Tax Agency");
  company.addSalesTaxItem("State", "6.25", "State Tax Agency");
  company.addSalesTaxGroup("City+State", {"City", "State"});
  company.addItem(Kind::ItemService, "Labour", "45.00");
  company.addItem(Kind::ItemNonInventory, "Shirt", "12.50");
  company.addItem(Kind::ItemOtherCharge, "Freight", "7.00");
  company.addDiscountItem("Discount 10%", "10");
  company.addSubtotalItem("Subtotal");
  company.addStandardTerms("Net 30", 30);
  company.addDateDrivenTerms("15th", 15);
  company.addPaymentMethod("Cheque", {{"PaymentMethodType", "Check"}});
  company.addAccount("Sales", "Income");

  Reply items = send(company, "<ItemQueryRq/>");
  std::vector<std::string> tags;
  for (pugi::xml_node ret : items.rs.children())
    tags.push_back(std::string(ret.name()) + ":" + ret.child_value("Name"));
  EXPECT_EQ(tags,
            (std::vector<std::string>{"ItemSalesTaxRet:City", "ItemSalesTaxGroupRet:City+State",
                                      "ItemDiscountRet:Discount 10%", "ItemOtherChargeRet:Freight",
                                      "ItemServiceRet:Labour", "ItemNonInventoryRet:Shirt",
                                      "ItemSalesTaxRet:State", "ItemSubtotalRet:Subtotal"}));
  Reply group = send(company, "<ItemSalesTaxGroupQueryRq/>");
  EXPECT_EQ(group.rs.child("ItemSalesTaxGroupRet").select_nodes("ItemSalesTaxRef").size(), 2u);
  EXPECT_EQ(send(company, "<ItemSalesTaxQueryRq/>").count("ItemSalesTaxRet"), 2u);
  EXPECT_EQ(send(company, "<ItemSalesTaxQueryRq><FullName>State</FullName></ItemSalesTaxQueryRq>")
                .text("ItemSalesTaxRet/TaxVendorRef/FullName"),
            "State Tax Agency");
  EXPECT_EQ(send(company, "<StandardTermsQueryRq/>").text("StandardTermsRet/StdDueDays"), "30");
  EXPECT_EQ(send(company, "<DateDrivenTermsQueryRq/>").text("DateDrivenTermsRet/DayOfMonthDue"),
            "15");
  EXPECT_EQ(send(company, "<PaymentMethodQueryRq/>").text("PaymentMethodRet/PaymentMethodType"),
            "Check");
  EXPECT_EQ(send(company, "<AccountQueryRq/>").text("AccountRet/AccountType"), "Income");
  EXPECT_EQ(send(company, "<ItemServiceQueryRq/>").text("ItemServiceRet/SalesOrPurchase/Price"),
            "45.00");
}

TEST_F(SimulatedCompanyTest, SalesRepsCodesTypesAndClassesAnswerTheirQueries) {
  Entry employee = company.addEmployee("Mary", "Major");
  EXPECT_EQ(employee.name, "Mary Major");
  company.addSalesRep("MM", "Mary Major");
  company.addSalesTaxCode("Tax", true);
  company.addSalesTaxCode("Non", false);
  company.addCustomerType("Retail");
  company.addClass("East");

  Reply reps = send(company, "<SalesRepQueryRq><FullName>MM</FullName></SalesRepQueryRq>");
  EXPECT_EQ(reps.text("SalesRepRet/Initial"), "MM");
  EXPECT_EQ(reps.text("SalesRepRet/SalesRepEntityRef/ListID"), employee.id);
  Reply codes = send(company, "<SalesTaxCodeQueryRq/>");
  ASSERT_EQ(codes.count("SalesTaxCodeRet"), 2u);
  EXPECT_EQ(codes.text("SalesTaxCodeRet/Name"), "Non");
  EXPECT_EQ(codes.text("SalesTaxCodeRet/IsTaxable"), "false");
  EXPECT_EQ(codes.rs.child("SalesTaxCodeRet").next_sibling().child_value("IsTaxable"),
            std::string("true"));
  EXPECT_EQ(send(company, "<CustomerTypeQueryRq/>").text("CustomerTypeRet/FullName"), "Retail");
  EXPECT_EQ(send(company, "<ClassQueryRq/>").text("ClassRet/FullName"), "East");
  EXPECT_EQ(send(company, "<EmployeeQueryRq/>").text("EmployeeRet/Name"), "Mary Major");
}

TEST_F(SimulatedCompanyTest, ListAndFindReadEntriesBack) {
  company.addCustomer("Zeta");
  Entry alpha = company.addCustomer("alpha", {{"BillAddress/City", "Rome"}});
  company.addVendor("Middle");
  std::vector<Entry> customers = company.list(Kind::Customer);
  ASSERT_EQ(customers.size(), 2u);
  EXPECT_EQ(customers[0].name, "alpha");
  EXPECT_EQ(customers[1].name, "Zeta");
  EXPECT_EQ(customers[0].value("BillAddress/City"), "Rome");
  EXPECT_EQ(company.find(alpha.id)->kind, Kind::Customer);
  EXPECT_FALSE(company.find("nope"));
  EXPECT_FALSE(company.findByName(Kind::Vendor, "Zeta"));
  EXPECT_EQ(company.transactionXml(alpha.id), "");
  EXPECT_EQ(kindFromName("itemservice"), Kind::ItemService);
  EXPECT_EQ(kindName(Kind::ReceivePayment), "ReceivePayment");
}

// ---------------------------------------------------------------------------------------------
// The company file

TEST_F(SimulatedCompanyTest, EscapedTextRoundTripsThroughRequestsAndTheFile) {
  const std::string name = "O'Brien & Sons <West>";
  Reply added = addCustomer(
      "<Name>O'Brien &amp; Sons &lt;West&gt;</Name><Notes>\"quoted\" &amp; more</Notes>");
  ASSERT_EQ(added.code(), 0) << added.message();
  EXPECT_EQ(added.text("CustomerRet/Name"), name);

  SimulatedCompany reloaded(dir.file("company.xml"));
  Reply queried = send(
      reloaded,
      "<CustomerQueryRq><FullName>O'Brien &amp; Sons &lt;West&gt;</FullName></CustomerQueryRq>");
  EXPECT_EQ(queried.text("CustomerRet/FullName"), name);
  EXPECT_EQ(queried.text("CustomerRet/Notes"), "\"quoted\" & more");
  EXPECT_EQ(reloaded.list(Kind::Customer).at(0).name, name);
}

TEST_F(SimulatedCompanyTest, CarriageReturnsSurviveResponsesAndTheFile) {
  std::string response =
      company.process(request("<CustomerAddRq><CustomerAdd><Name>CR</Name>"
                              "<Notes> &#13;\nWO Number: 5&#13;\n </Notes></CustomerAdd>"
                              "</CustomerAddRq>"));
  EXPECT_NE(response.find("<Notes> &#13;\nWO Number: 5&#13;\n </Notes>"), std::string::npos)
      << response;
  EXPECT_EQ(reply(response).text("CustomerRet/Notes"), " \r\nWO Number: 5\r\n ");
  SimulatedCompany reloaded(dir.file("company.xml"));
  EXPECT_EQ(reloaded.findByName(Kind::Customer, "CR")->value("Notes"), " \r\nWO Number: 5\r\n ");
}

TEST_F(SimulatedCompanyTest, TheFileSurvivesReloadAndIdsKeepCounting) {
  Entry first = company.addCustomer("First");
  company.addClass("East");
  {
    SimulatedCompany reloaded(dir.file("company.xml"));
    EXPECT_EQ(reloaded.findByName(Kind::Customer, "First")->id, first.id);
    EXPECT_EQ(reloaded.list(Kind::Class).size(), 1u);
    Entry second = reloaded.addCustomer("Second");
    EXPECT_NE(second.id, first.id);
  }
  // A change made by another process is seen by the next call.
  EXPECT_TRUE(company.findByName(Kind::Customer, "Second"));
  Entry third = company.addCustomer("Third");
  std::set<std::string> ids;
  for (const Entry& entry : company.list(Kind::Customer)) ids.insert(entry.id);
  EXPECT_EQ(ids.size(), 3u);
  EXPECT_FALSE(std::filesystem::exists(dir.file("company.xml.tmp" + std::to_string(::getpid()))));
}

TEST_F(SimulatedCompanyTest, MissingOrForeignFileCannotBeOpened) {
  EXPECT_EQ(caught([&] { SimulatedCompany missing(dir.file("nothing.xml")); }).number,
            kNotReachable);
  std::ofstream(dir.file("other.xml")) << "<Something/>";
  EXPECT_THROW(SimulatedCompany foreign(dir.file("other.xml")), QbError);
}

// ---------------------------------------------------------------------------------------------
// Connection and faults

TEST_F(SimulatedCompanyTest, AClosedCompanyIsNotReachable) {
  company.setOpen(false);
  EXPECT_FALSE(company.isOpen());
  const Caught closed{20852, "Could not connect to QuickBooks: no company file is open."};
  EXPECT_EQ(caught([&] { company.openConnection("ApplicationName='Vantora'"); }), closed);
  EXPECT_EQ(caught([&] { company.process(request("<HostQueryRq/>")); }), closed);
  // Another process sees the state.
  SimulatedCompany other(dir.file("company.xml"));
  EXPECT_EQ(caught([&] { other.process(request("<HostQueryRq/>")); }), closed);
  other.setOpen(true);
  EXPECT_NO_THROW(company.openConnection("ApplicationName='Vantora'"));
  EXPECT_EQ(send(company, "<HostQueryRq/>").code(), 0);
}

TEST_F(SimulatedCompanyTest, FailsAfterNRequestsCountedAcrossProcesses) {
  company.failAfter(2);
  EXPECT_EQ(send(company, "<HostQueryRq/>").code(), 0);
  SimulatedCompany other(dir.file("company.xml"));
  EXPECT_EQ(other.faults().failAfter, 1);
  EXPECT_EQ(send(other, "<HostQueryRq/>").code(), 0);
  for (int i = 0; i < 2; ++i)
    EXPECT_EQ(
        caught([&] { company.process(request("<HostQueryRq/>")); }),
        (Caught{kNotReachable, "Could not connect to QuickBooks: QuickBooks is not responding."}));
  EXPECT_THROW(company.openConnection(""), QbError);
  company.clearFaults();
  EXPECT_EQ(send(company, "<HostQueryRq/>").code(), 0);
}

TEST_F(SimulatedCompanyTest, FailsOneRequestKindWithTheChosenStatus) {
  company.failRequest("ClassAddRq", 3180, "There was an error when saving a Class.");
  std::string response = company.process(
      request("<ClassQueryRq requestID=\"1\"/><ClassAddRq requestID=\"2\"><ClassAdd>"
              "<Name>East</Name></ClassAdd></ClassAddRq>"));
  EXPECT_EQ(reply(response, 0).code(), 1);
  EXPECT_EQ(reply(response, 1).code(), 3180);
  EXPECT_EQ(reply(response, 1).message(), "There was an error when saving a Class.");
  EXPECT_TRUE(company.list(Kind::Class).empty());

  company.failRequest("ClassQueryRq", kNotReachable, "");
  EXPECT_THROW(company.process(request("<ClassQueryRq/>")), QbError);
}

TEST_F(SimulatedCompanyTest, AnswersSlowlyWhenToldTo) {
  company.setDelay(120);
  auto start = std::chrono::steady_clock::now();
  send(company, "<HostQueryRq/>");
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(120));
  EXPECT_EQ(SimulatedCompany(dir.file("company.xml")).faults().delayMs, 120);
}

// ---------------------------------------------------------------------------------------------
// Every response the company writes is valid qbXML.

TEST_F(SimulatedCompanyTest, ResponsesValidateAgainstTheSchema) {
  if (!test::haveXmllint()) GTEST_SKIP() << "xmllint is not installed";
  company.addVendor("Tax Agency", {{"VendorAddress/Addr1", "1 Tax Rd"}});
  company.addSalesTaxItem("State", "6.25", "Tax Agency");
  company.addSalesTaxGroup("Group", {"State"});
  company.addSalesTaxCode("Tax", true);
  company.addItem(Kind::ItemService, "Labour", "45.00", {{"SalesTaxCodeRef/FullName", "Tax"}});
  company.addItem(
      Kind::ItemNonInventory, "Shirt", "",
      {{"SalesAndPurchase/SalesPrice", "9.99"}, {"SalesAndPurchase/PurchaseCost", "4"}});
  company.addItem(Kind::ItemOtherCharge, "Freight", "7");
  company.addDiscountItem("Disc", "10");
  company.addSubtotalItem("Sub");
  company.addStandardTerms("Net 30", 30);
  company.addDateDrivenTerms("15th", 15, {{"DueNextMonthDays", "5"}});
  company.addPaymentMethod("Cash");
  company.addAccount("Accounts Receivable", "AccountsReceivable");
  company.addClass("East");
  company.addCustomerType("Retail");
  company.addEmployee("Rob", "Ray");
  company.addSalesRep("RR", "Rob Ray");
  company.addCustomer("Acme", {{"BillAddress/Addr1", "1 Main"},
                               {"TermsRef/FullName", "Net 30"},
                               {"ItemSalesTaxRef/FullName", "Group"}});
  std::string body =
      "<InvoiceAddRq><InvoiceAdd><CustomerRef><FullName>Acme</FullName></CustomerRef>"
      "<TxnDate>2026-01-15</TxnDate><SalesRepRef><FullName>RR</FullName></SalesRepRef>"
      "<InvoiceLineAdd><ItemRef><FullName>Labour</FullName></ItemRef><Quantity>2</Quantity>"
      "<Rate>45</Rate></InvoiceLineAdd><InvoiceLineAdd><ItemRef><FullName>Sub</FullName></ItemRef>"
      "</InvoiceLineAdd><InvoiceLineAdd><ItemRef><FullName>Disc</FullName></ItemRef>"
      "</InvoiceLineAdd><InvoiceLineAdd><Desc>Thank you</Desc></InvoiceLineAdd></InvoiceAdd>"
      "</InvoiceAddRq><ReceivePaymentAddRq><ReceivePaymentAdd><CustomerRef>"
      "<FullName>Acme</FullName></CustomerRef><TotalAmount>20.00</TotalAmount><PaymentMethodRef>"
      "<FullName>Cash</FullName></PaymentMethodRef><IsAutoApply>true</IsAutoApply>"
      "</ReceivePaymentAdd></ReceivePaymentAddRq><PurchaseOrderAddRq><PurchaseOrderAdd><VendorRef>"
      "<FullName>Tax Agency</FullName></VendorRef><PurchaseOrderLineAdd><ItemRef>"
      "<FullName>Shirt</FullName></ItemRef><Quantity>3</Quantity></PurchaseOrderLineAdd>"
      "<PurchaseOrderLineAdd><Desc>Text line</Desc></PurchaseOrderLineAdd></PurchaseOrderAdd>"
      "</PurchaseOrderAddRq><HostQueryRq/><CompanyQueryRq/><CustomerQueryRq/><VendorQueryRq/>"
      "<EmployeeQueryRq/><ItemQueryRq/><AccountQueryRq/><ClassQueryRq/><CustomerTypeQueryRq/>"
      "<SalesTaxCodeQueryRq/><SalesRepQueryRq/><PaymentMethodQueryRq/><StandardTermsQueryRq/>"
      "<DateDrivenTermsQueryRq/><InvoiceQueryRq><IncludeLineItems>true</IncludeLineItems>"
      "</InvoiceQueryRq><ReceivePaymentQueryRq><IncludeLineItems>true</IncludeLineItems>"
      "</ReceivePaymentQueryRq><PurchaseOrderQueryRq><IncludeLineItems>true</IncludeLineItems>"
      "</PurchaseOrderQueryRq><CustomerQueryRq iterator=\"Start\"><MaxReturned>1</MaxReturned>"
      "</CustomerQueryRq><BillQueryRq/><ClassAddRq><ClassAdd><Name>East</Name></ClassAdd>"
      "</ClassAddRq>";
  std::string response = company.process(request(body, "continueOnError"));
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(reply(response, i).code(), 0) << reply(response, i).message();
  EXPECT_EQ(test::schemaProblems({response}, dir.path().string()), "");
}

}  // namespace
}  // namespace vqb::qb::sim
