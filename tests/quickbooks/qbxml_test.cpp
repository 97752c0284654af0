#include "quickbooks/qbxml.h"

#include <gtest/gtest.h>

#include <string>

#include "app/text_helpers.h"
#include "quickbooks/caught.h"

namespace vqb::qb {
namespace {

using namespace qbxml;

std::string rs(const std::string& attributes, const std::string& inner = "") {
  return "<?xml version=\"1.0\"?><QBXML><QBXMLMsgsRs><CustomerQueryRs requestID=\"1\" " +
         attributes + ">" + inner + "</CustomerQueryRs></QBXMLMsgsRs></QBXML>";
}

long error_number(const auto& action) {
  return test::caught(action).number;
}

TEST(QbxmlValues, FormatsDatesMoneyQuantitiesAndBooleans) {
  DateTime date;
  date.year = 2026;
  date.month = 12;
  date.day = 6;
  date.hour = 18;
  EXPECT_EQ(date_text(to_ole_date(date)), "2026-12-06");  // the time of day is dropped
  EXPECT_EQ(parse_date("2026-12-06"), to_ole_date({2026, 12, 6}));
  EXPECT_EQ(parse_date("2026-12-06T10:00:00"), to_ole_date({2026, 12, 6}));
  EXPECT_FALSE(parse_date("12/6/2026"));
  EXPECT_FALSE(parse_date(""));
  EXPECT_EQ(decimal_text(2), "2");
  EXPECT_EQ(decimal_text(2.5), "2.5");
  EXPECT_EQ(decimal_text(-0.000001), "0");
  EXPECT_EQ(decimal_text(1.123456), "1.12346");
  for (auto [price, text] : {std::pair{12.5, "12.50"},
                             {3.0, "3.00"},
                             {0.355, "0.355"},
                             {1.000004, "1.00"},
                             {-0.125, "-0.125"},
                             {7.654321, "7.65432"}})
    EXPECT_EQ(price_text(price), text) << price;
  EXPECT_EQ(bool_text(true), "true");
  EXPECT_EQ(bool_text(false), "false");
}

TEST(QbxmlRequest, WritesTheEnvelopeWithTheVersionAndEscapedText) {
  Request request("CustomerAddRq");
  pugi::xml_node add = add_element(request.body(), "CustomerAdd");
  add_text(add, "Name", "O'Brien & Sons <West>");
  add_text_if_set(add, "CompanyName", "");
  add_amount_if_set(add, "OpenBalance", std::int64_t{-5});
  add_ref_if_set(add, "SalesRepRef", "JS");
  add_ref_if_set(add, "TermsRef", "");
  EXPECT_EQ(request.responseName(), "CustomerAddRs");
  EXPECT_EQ(request.document("5.0"),
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<?qbxml version=\"5.0\"?>\n"
            "<QBXML><QBXMLMsgsRq onError=\"stopOnError\"><CustomerAddRq requestID=\"1\">"
            "<CustomerAdd><Name>O'Brien &amp; Sons &lt;West&gt;</Name>"
            "<OpenBalance>-0.05</OpenBalance><SalesRepRef><FullName>JS</FullName></SalesRepRef>"
            "</CustomerAdd></CustomerAddRq></QBXMLMsgsRq></QBXML>");
  EXPECT_NE(request.document("").find("<?qbxml version=\"3.0\"?>"), std::string::npos);
  EXPECT_EQ(error_number([&] { (void)request.document("3.0\"?><x"); }), kInvalidArgument);
}

TEST(QbxmlRequest, KeepsCarriageReturnsAndDropsCharactersXmlCannotCarry) {
  Request request("InvoiceAddRq");
  add_text(request.body(), "Memo", " \r\nWO Number: 7\x01\x0b\tend");
  const std::string document = request.document("3.0");
  EXPECT_NE(document.find("<Memo> &#13;\nWO Number: 7\tend</Memo>"), std::string::npos);
  // Read back by an XML parser the text is intact.
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(document.c_str()));
  EXPECT_STREQ(doc.select_node("//Memo").node().text().get(), " \r\nWO Number: 7\tend");
}

TEST(QbxmlAddress, AggregateHasAllEightFieldsEscaped) {
  AddressFields fields;
  EXPECT_EQ(address_aggregate(fields),
            "<Addr1></Addr1><Addr2></Addr2><Addr3></Addr3><Addr4></Addr4><City></City>"
            "<State></State><PostalCode></PostalCode><Country></Country>");
  fields.addr1 = "Smith & Co";
  fields.city = "Springfield";
  fields.postalCode = "<1>";
  EXPECT_EQ(address_aggregate(fields),
            "<Addr1>Smith &amp; Co</Addr1><Addr2></Addr2><Addr3></Addr3><Addr4></Addr4>"
            "<City>Springfield</City><State></State><PostalCode>&lt;1&gt;</PostalCode>"
            "<Country></Country>");
  EXPECT_EQ(parse_address_aggregate(address_aggregate(fields)).addr1, "Smith & Co");
}

TEST(QbxmlAddress, WritesOnlyTheFilledFieldsInSchemaOrder) {
  Request request("CustomerAddRq");
  // Fields given out of order, with Addr5 and Note that the Address component never writes.
  add_address_if_set(request.body(), "BillAddress",
                     "<Note>n</Note><City>Town</City><Addr5>five</Addr5><Addr1>One</Addr1>"
                     "<Addr2></Addr2><Country>US</Country>");
  add_address_if_set(request.body(), "ShipAddress", address_aggregate(AddressFields{}));
  add_address_if_set(request.body(), "ShipAddress", "");
  const std::string document = request.document("3.0");
  EXPECT_NE(document.find("<CustomerAddRq requestID=\"1\"><BillAddress><Addr1>One</Addr1>"
                          "<Addr5>five</Addr5><City>Town</City><Country>US</Country>"
                          "<Note>n</Note></BillAddress></CustomerAddRq>"),
            std::string::npos);
  EXPECT_EQ(error_number([] { (void)parse_address_aggregate("<Street>1</Street>"); }),
            kInvalidArgument);
  EXPECT_EQ(error_number([] { (void)parse_address_aggregate("<Addr1>open"); }), kInvalidArgument);
}

TEST(QbxmlResponse, ReadsStatusIteratorAndRecords) {
  const Response ok = Response::parse(
      rs("statusCode=\"0\" statusSeverity=\"Info\" statusMessage=\"Status OK\" "
         "iteratorRemainingCount=\"12\" iteratorID=\"{abc}\"",
         "<CustomerRet><Name>A</Name></CustomerRet><Other/><CustomerRet><Name>B</Name>"
         "</CustomerRet>"),
      "CustomerQueryRs");
  EXPECT_EQ(ok.statusCode(), 0);
  EXPECT_EQ(ok.statusMessage(), "Status OK");
  EXPECT_EQ(ok.iteratorRemainingCount(), 12);
  EXPECT_EQ(ok.iteratorId(), "{abc}");
  ASSERT_EQ(ok.records().size(), 2u);
  EXPECT_EQ(element_text(ok.records()[1]), "<CustomerRet><Name>B</Name></CustomerRet>");
  EXPECT_NO_THROW(ok.check(false));
}

TEST(QbxmlResponse, AppliesTheStatusRules) {
  const auto number = [](const std::string& attributes, const std::string& inner, bool isAdd) {
    return error_number(
        [&] { Response::parse(rs(attributes, inner), "CustomerQueryRs").check(isAdd); });
  };
  const std::string no_match =
      "statusCode=\"1\" statusSeverity=\"Info\" statusMessage=\"No match\"";
  EXPECT_EQ(number(no_match, "", false), 0);
  const std::string in_use =
      "statusCode=\"3100\" statusSeverity=\"Error\" statusMessage=\"The name is in use.\"";
  EXPECT_EQ(number(in_use, "", true), kNameInUse);
  EXPECT_EQ(number(in_use, "", false), 3100);
  EXPECT_EQ(number("statusCode=\"3140\" statusSeverity=\"Error\"", "", false), 3140);
  // A warning without the record fails; with it, the request was carried out.
  const std::string warn = "statusCode=\"530\" statusSeverity=\"Warn\" statusMessage=\"w\"";
  EXPECT_EQ(number(warn, "", false), 530);
  EXPECT_EQ(number(warn, "<CustomerRet/>", false), 0);

  // The error carries QuickBooks' message, or names the code when there is none.
  const auto error = [](const std::string& attributes) {
    return test::caught([&] { Response::parse(rs(attributes), "CustomerQueryRs").check(false); });
  };
  EXPECT_EQ(error("statusCode=\"3000\" statusSeverity=\"Error\" statusMessage=\"Bad id\""),
            (test::Caught{3000, "Bad id"}));
  EXPECT_EQ(error("statusCode=\"3000\" statusSeverity=\"Error\""),
            (test::Caught{3000, "QuickBooks error 3000."}));
}

TEST(QbxmlResponse, RejectsMalformedResponsesWithADescription) {
  const auto description = [](const std::string& xml) {
    const test::Caught error = test::caught([&] { (void)Response::parse(xml, "CustomerQueryRs"); });
    EXPECT_EQ(error.number, kMalformedResponse);
    return error.description;
  };
  EXPECT_EQ(description("<QBXML><QBXMLMsgsRs>"),
            "QuickBooks' response is not readable XML (Start-end tags mismatch at offset 19).");
  EXPECT_EQ(description("<QBXML/>"), "QuickBooks' response has no QBXML/QBXMLMsgsRs element.");
  EXPECT_EQ(description("<QBXML><QBXMLMsgsRs><VendorQueryRs statusCode=\"0\"/></QBXMLMsgsRs>"
                        "</QBXML>"),
            "QuickBooks' response holds no CustomerQueryRs element.");
  EXPECT_EQ(description(rs("statusSeverity=\"Info\"")),
            "QuickBooks' CustomerQueryRs has no valid statusCode (\"\").");
  EXPECT_EQ(description(rs("statusCode=\"OK\"")),
            "QuickBooks' CustomerQueryRs has no valid statusCode (\"OK\").");
  EXPECT_EQ(description(rs("statusCode=\"0\" iteratorRemainingCount=\"x\"")),
            "QuickBooks' CustomerQueryRs has an invalid iteratorRemainingCount (\"x\").");
}

TEST(QbxmlReading, ReadsRecordValues) {
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(
      "<R><Balance>-150.25</Balance><TxnDate>2026-01-31</TxnDate><IsActive>false</IsActive>"
      "<SalesRepRef><ListID>1</ListID><FullName>JS</FullName></SalesRepRef></R>"));
  const pugi::xml_node r = doc.child("R");
  EXPECT_EQ(amount_of(r, "Balance"), -15025);
  EXPECT_FALSE(amount_of(r, "Missing"));
  EXPECT_EQ(date_of(r, "TxnDate"), to_ole_date({2026, 1, 31}));
  EXPECT_EQ(bool_of(r, "IsActive"), false);
  EXPECT_FALSE(bool_of(r, "Missing"));
  EXPECT_EQ(ref_name(r, "SalesRepRef"), "JS");
  EXPECT_EQ(ref_name(r, "TermsRef"), "");
  EXPECT_EQ(address_aggregate_of(r.child("BillAddress")), "");
}

}  // namespace
}  // namespace vqb::qb
