#include "export/address_parser.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/database.h"
#include "app/text_helpers.h"
#include "demo/demo_data.h"
#include "export/parse_address.h"
#include "support/fake_ui.h"
#include "support/temp_dir.h"

namespace vqb {
namespace {

ParsedAddress parse(const std::string& text) {
  AddressParser parser;
  parser.abbreviateToFit = true;
  return parser.parse(text);
}

// `fields` is "leading;street;secondary;city;state;postal;country", empty ones at the end left
// off; "|" stands for CR LF in the text and in the leading block.
struct Case {
  std::string text, fields;
};

std::string crlf(std::string text) {
  std::string out;
  for (char c : text) out += c == '|' ? std::string("\r\n") : std::string(1, c);
  return out;
}

void expect_case(const Case& c) {
  const ParsedAddress r = parse(crlf(c.text));
  SCOPED_TRACE(c.text);
  std::vector<std::string> want;
  std::istringstream fields(c.fields);
  for (std::string field; std::getline(fields, field, ';');) want.push_back(field);
  want.resize(7);
  EXPECT_EQ(r.error, "");
  EXPECT_NE(r.confidence, "LOW");
  EXPECT_EQ((std::vector<std::string>{r.leadingBlock, r.street, r.secondary, r.city, r.state,
                                      r.postalCode, r.country}),
            (std::vector<std::string>{crlf(want[0]), want[1], want[2], want[3], want[4], want[5],
                                      want[6]}));
}

TEST(AddressParser, SplitsTheFormsItKnows) {
  const Case cases[] = {
      // US city lines, states and zip codes.
      {"1420 Market Street|San Francisco, CA 94103", ";1420 Market Street;;San Francisco;CA;94103"},
      {"2200 Ross Ave|Dallas TX 75201-1234", ";2200 Ross Ave;;Dallas;TX;75201-1234"},
      {"123 Main Street|Springfield, Illinois 62701",
       ";123 Main Street;;Springfield;Illinois;62701"},
      {"55 East 52nd Street|New York, New York 10055",
       ";55 East 52nd Street;;New York;New York;10055"},
      {"1600 Pennsylvania Avenue NW|Washington, D.C. 20500",
       ";1600 Pennsylvania Avenue NW;;Washington;D.C.;20500"},
      {"85 broad st|new york, ny 10004", ";85 broad st;;new york;ny;10004"},
      {"6030 Tee Pee Rd|Tepic Springs, Nev. 89001", ";6030 Tee Pee Rd;;Tepic Springs;Nev.;89001"},
      {"Unit 2050 Box 4190|APO AP 96278-2050", ";Unit 2050 Box 4190;;APO;AP;96278-2050"},
      {"12 Main St|New York 10001", ";12 Main St;;New York;;10001"},
      // Canadian city lines, provinces and postal codes.
      {"Unit 4, 200 King St W|Toronto (ON) M5H 3T4", ";200 King St W;Unit 4;Toronto;ON;M5H 3T4"},
      {"1 Yonge Street|Toronto, ON M5E1W7", ";1 Yonge Street;;Toronto;ON;M5E1W7"},
      {"3700 Boulevard Saint-Laurent, bureau 500|Montréal (Québec) H2X 2V4",
       ";3700 Boulevard Saint-Laurent;bureau 500;Montréal;Québec;H2X 2V4"},
      {"880 Douglas St|Victoria, British Columbia|V8W 2B7|Canada",
       ";880 Douglas St;;Victoria;British Columbia;V8W 2B7;Canada"},
      {"55 Metcalfe St|Ottawa ON|K1P 6L5", ";55 Metcalfe St;;Ottawa;ON;K1P 6L5"},
      {"45 Water Street|St. John's, NL a1c 1a1", ";45 Water Street;;St. John's;NL;a1c 1a1"},
      {"10 Main St|Toronto|Ontario|M5V 2T6", ";10 Main St;;Toronto;Ontario;M5V 2T6"},
      {"1000, rue De La Gauchetière Ouest|Montréal QC  H3B 4W5",
       ";1000, rue De La Gauchetière Ouest;;Montréal;QC;H3B 4W5"},
      {"44 Front St W., Suite 200|Toronto, Ont. M5J 2X8",
       ";44 Front St W.;Suite 200;Toronto;Ont.;M5J 2X8"},
      // Secondary designators in every position.
      {"88 Pine St Fl 12|New York, NY 10005", ";88 Pine St;Fl 12;New York;NY;10005"},
      {"710 N Post Oak Rd #400|Houston, TX 77024", ";710 N Post Oak Rd;#400;Houston;TX;77024"},
      {"350 Fifth Avenue, 34th Floor|New York, NY 10118",
       ";350 Fifth Avenue;34th Floor;New York;NY;10118"},
      {"2400 Sand Hill Road|Suite 200|Menlo Park, CA 94025",
       ";2400 Sand Hill Road;Suite 200;Menlo Park;CA;94025"},
      {"Building 3, Room 214|1200 Corporate Center Way|Wellington, FL 33414",
       ";1200 Corporate Center Way;Building 3, Room 214;Wellington;FL;33414"},
      {"Suite 210 - 1055 West Georgia Street|Vancouver, BC V6E 3P3",
       ";1055 West Georgia Street;Suite 210;Vancouver;BC;V6E 3P3"},
      {"2nd Floor, 155 Carlton Street|Winnipeg MB  R3C 3H8",
       ";155 Carlton Street;2nd Floor;Winnipeg;MB;R3C 3H8"},
      {"8800 Sunset Boulevard, Penthouse|West Hollywood, CA 90069",
       ";8800 Sunset Boulevard;Penthouse;West Hollywood;CA;90069"},
      {"Dept 4400|PO Box 7000|Carol Stream, IL 60197-7000",
       ";PO Box 7000;Dept 4400;Carol Stream;IL;60197-7000"},
      // Street names that contain designator words keep them.
      {"100 Hudson Bay Rd|Bay Roberts, NL A0A 1G0", ";100 Hudson Bay Rd;;Bay Roberts;NL;A0A 1G0"},
      {"1 Bay St|Toronto ON M5J 2R8", ";1 Bay St;;Toronto;ON;M5J 2R8"},
      // Unit-first Canadian forms stay or split as written.
      {"12-345 Main St|Vancouver BC  V5T 3E2", ";12-345 Main St;;Vancouver;BC;V5T 3E2"},
      {"#300-1111 West Hastings Street|Vancouver BC V6E 2J3",
       ";#300-1111 West Hastings Street;;Vancouver;BC;V6E 2J3"},
      {"#8 - 4453 Bridge Street|Niagara Falls ON L2E 2S2",
       ";4453 Bridge Street;#8;Niagara Falls;ON;L2E 2S2"},
      {"Unit 12 - 2550 Boundary Rd|Burnaby BC  V5M 3Z3",
       ";2550 Boundary Rd;Unit 12;Burnaby;BC;V5M 3Z3"},
      {"Suite 1100, 10020 100 Street NW|Edmonton AB  T5J 0N3",
       ";10020 100 Street NW;Suite 1100;Edmonton;AB;T5J 0N3"},
      // PO boxes, rural routes and general delivery.
      {"P.O. Box 1208|Santa Fe, NM 87504", ";P.O. Box 1208;;Santa Fe;NM;87504"},
      {"PO Box 1234, Station A|Toronto ON  M5W 1G5", ";PO Box 1234, Station A;;Toronto;ON;M5W 1G5"},
      {"C.P. 1500, succ. Centre-ville|Québec (Québec) G1K 7P4",
       ";C.P. 1500, succ. Centre-ville;;Québec;Québec;G1K 7P4"},
      {"RR 3, Site 7, Comp 12|Okotoks AB  T1S 1A3", ";RR 3, Site 7, Comp 12;;Okotoks;AB;T1S 1A3"},
      {"Site 12, Comp 4, RR 8|Lethbridge AB  T1J 4P4",
       ";Site 12, Comp 4, RR 8;;Lethbridge;AB;T1J 4P4"},
      {"Rural Route 1|Dalton, NE 69131", ";Rural Route 1;;Dalton;NE;69131"},
      {"HC 64 Box 2250|Castle Valley, UT 84532", ";HC 64 Box 2250;;Castle Valley;UT;84532"},
      {"Twin Pines Feed & Seed|Route 2, Box 88|Fayetteville, AR 72701",
       "Twin Pines Feed & Seed;Route 2, Box 88;;Fayetteville;AR;72701"},
      {"General Delivery|Banff AB  T1L 1A1", ";General Delivery;;Banff;AB;T1L 1A1"},
      // The line above the city is the one mail is delivered to; the other stays in front.
      {"Gulf Coast Marine|4300 Bay Road|P.O. Box 1447|Mobile, AL 36633",
       "Gulf Coast Marine|4300 Bay Road;P.O. Box 1447;;Mobile;AL;36633"},
      // Company and attention lines lead the street.
      {"Attn: Accounts Payable|Greenfield Orchards LLC|7812 Valley View Rd|Yakima, WA 98908",
       "Attn: Accounts Payable|Greenfield Orchards LLC;7812 Valley View Rd;;Yakima;WA;98908"},
      {"c/o Morgan & Reyes CPA|315 W 9th St, Suite 410|Los Angeles, CA 90015",
       "c/o Morgan & Reyes CPA;315 W 9th St;Suite 410;Los Angeles;CA;90015"},
      {"Bayside Medical Clinic|Suite 101|4400 Bay Blvd|Tampa FL 33611",
       "Bayside Medical Clinic;4400 Bay Blvd;Suite 101;Tampa;FL;33611"},
      // Three lines in front of the street: the last two share the second line.
      {"Attn: Sam|Tech Harbour Inc.|Research Wing|1 Research Dr|Dartmouth NS  B2Y 4M9",
       "Attn: Sam|Tech Harbour Inc., Research Wing;1 Research Dr;;Dartmouth;NS;B2Y 4M9"},
      // A company whose name starts with a number is no street.
      {"3M Canada Company|300 Tartan Dr|London ON N5V 4M9",
       "3M Canada Company;300 Tartan Dr;;London;ON;N5V 4M9"},
      // A secondary on the company's line stays with it.
      {"Suite 900, 1 Place Alexis Nihon|3400 de Maisonneuve Blvd W|Montreal, QC H3Z 3B8",
       "Suite 900, 1 Place Alexis Nihon;3400 de Maisonneuve Blvd W;;Montreal;QC;H3Z 3B8"},
      // One-line addresses with and without commas.
      {"Attn: Billing, Harbor Freight Lines, 4200 Harbor Blvd, Oxnard, CA 93035",
       "Attn: Billing, Harbor Freight Lines;4200 Harbor Blvd;;Oxnard;CA;93035"},
      {"2711 Centerville Rd, Suite 400, Wilmington, DE 19808",
       ";2711 Centerville Rd;Suite 400;Wilmington;DE;19808"},
      {"3 Times Square, New York, NY 10036, United States",
       ";3 Times Square;;New York;NY;10036;United States"},
      {"PO Box 845, Stn Main, Regina, SK S4P 3B1", ";PO Box 845, Stn Main;;Regina;SK;S4P 3B1"},
      {"1200 Main St Kansas City MO 64105", ";1200 Main St;;Kansas City;MO;64105"},
      {"1919 Rose St Regina SK S4P 3P1", ";1919 Rose St;;Regina;SK;S4P 3P1"},
      {"123 Main St Suite 5 Springfield IL 62704", ";123 Main St;Suite 5;Springfield;IL;62704"},
      {"PO Box 12 Stn A Whitby ON L1N 5R7", ";PO Box 12 Stn A;;Whitby;ON;L1N 5R7"},
  };
  for (const auto& c : cases) expect_case(c);
}

TEST(AddressParser, CountryIsReturnedAsWrittenOnlyWhenTheTextNamesOne) {
  EXPECT_EQ(parse("1 Infinite Loop\r\nCupertino, CA 95014\r\nUSA").country, "USA");
  EXPECT_EQ(parse("1701 Wynkoop St\r\nDenver, CO 80202\r\nU.S.A.").country, "U.S.A.");
  EXPECT_EQ(parse("1 Main St\r\nHalifax NS B3H 2A2\r\nCANADA").country, "CANADA");
  EXPECT_EQ(parse("1 Main St\r\nOttawa, ON, Canada K1A 0B1").country, "Canada");
  EXPECT_EQ(parse("PO Box 2210\r\nLancaster PA 17608\r\nUnited States of America").country,
            "United States of America");
  EXPECT_EQ(parse("1 Main St\r\nToronto ON M5V 2T6").country, "")
      << "a province does not name the country";
}

TEST(AddressParser, LineBreaksOfEveryKindAndStrayBlanks) {
  const ParsedAddress lf = parse("Acme\n  12   Main St \n\nSpringfield,\tIL  62704\n");
  EXPECT_EQ(lf.leadingBlock, "Acme");
  EXPECT_EQ(lf.street, "12 Main St");
  EXPECT_EQ(lf.city, "Springfield");
  EXPECT_EQ(lf.state, "IL");
  EXPECT_EQ(lf.postalCode, "62704");
  const ParsedAddress cr = parse("Acme\rOther Co\r12 Main St\rSpringfield, IL 62704");
  EXPECT_EQ(cr.leadingBlock, "Acme\r\nOther Co");
}

TEST(AddressParser, BlankTextIsAnErrorAndUnknownFormsAreLow) {
  EXPECT_EQ(parse("").error, "The address is empty.");
  EXPECT_EQ(parse(" \r\n\t\r\n").error, "The address is empty.");
  EXPECT_EQ(parse("10 Downing St\r\nLondon SW1A 2AA\r\nUnited Kingdom").confidence, "LOW");
  EXPECT_EQ(parse("12 Main St\r\nSpringfield").confidence, "LOW");
  EXPECT_EQ(parse("123 Broadway New York NY 10001").confidence, "LOW")
      << "no safe street/city boundary";
  EXPECT_EQ(parse(std::string(2500, 'x')).confidence, "LOW");
  // Three lines in front of the street that cannot share two lines.
  EXPECT_EQ(parse("Attn: Controller\r\nRiverbend Paper Mills Incorporated\r\nMill Division, "
                  "Building Seven\r\n1 Riverbend Rd\r\nWausau WI 54401")
                .confidence,
            "LOW");
  EXPECT_EQ(parse("12 Main St\r\nSpringfield, IL 62704").confidence, "HIGH");
  EXPECT_EQ(parse("12 Main St\r\nToronto M5V 2T6").confidence, "MEDIUM") << "no province";
}

TEST(AddressParser, AbbreviatesOnlyWhatDoesNotFit) {
  AddressParser plain;
  const std::string text =
      "4500 North Saint Lawrence Boulevard Northwest\r\nSuite 1200\r\nSt. John's, Newfoundland "
      "and Labrador A1C 6C9";
  const ParsedAddress kept = plain.parse(text);
  EXPECT_EQ(kept.street, "4500 North Saint Lawrence Boulevard Northwest");
  EXPECT_EQ(kept.state, "Newfoundland and Labrador");

  AddressParser shortening;
  shortening.abbreviateToFit = true;
  const ParsedAddress shortened = shortening.parse(text);
  EXPECT_EQ(shortened.street, "4500 North Saint Lawrence Boulevard NW")
      << "last words first, only until it fits";
  EXPECT_EQ(shortened.secondary, "Suite 1200");
  EXPECT_EQ(shortened.state, "NL");
  EXPECT_EQ(abbreviate_to_fit("12345 Northwest Saint Lawrence Boulevard East", 40),
            "12345 Northwest Saint Lawrence Blvd E");
  EXPECT_EQ(abbreviate_to_fit("1200 WEST HIGHWAY SEVENTY-SEVEN NORTHEAST", 40),
            "1200 WEST HIGHWAY SEVENTY-SEVEN NE");
  const std::string unbreakable = "Attn: " + std::string(35, 'X');
  EXPECT_EQ(abbreviate_to_fit(unbreakable, 40), unbreakable);
  shortening.reset();
  EXPECT_FALSE(shortening.abbreviateToFit);
}

TEST(AddressParser, CodesAndPostalCodes) {
  for (auto [name, code] : {std::pair{"Illinois", "IL"},
                            {"ill.", "IL"},
                            {"Québec", "QC"},
                            {"QUÉBEC", "QC"},
                            {"PQ", "QC"},
                            {"Newfoundland and Labrador", "NL"},
                            {"Yukon", "YT"},
                            {"Gotham", ""}})
    EXPECT_EQ(region_code(name), code) << name;
  for (auto [text, zip] :
       {std::pair{"62704", true}, {"62704-1234", true}, {"6270", false}, {"62704-12", false}})
    EXPECT_EQ(is_zip_code(text), zip) << text;
  for (auto [text, postal] :
       {std::pair{"K1A 0B1", true}, {"k1a0b1", true}, {"K1A 0B", false}, {"1KA 0B1", false}})
    EXPECT_EQ(is_canadian_postal_code(text), postal) << text;

  const auto line = read_city_line("123 Main St, Springfield, IL 62704");
  ASSERT_TRUE(line);
  EXPECT_EQ(line->city, "Springfield");
  EXPECT_EQ(line->before, (std::vector<std::string>{"123 Main St"}));
  EXPECT_FALSE(read_city_line("Springfield"));
  EXPECT_FALSE(read_city_line("Toronto on the lake"))
      << "a lower-case code without a postal code or comma";
}

// ---- How many addresses the parser splits without the dialog ------------------------------

struct Rate {
  int total{}, parser{}, lineSplit{};
};

Rate measure(const std::vector<std::string>& texts, std::vector<std::string>* misses) {
  test::FakeUi ui;
  App app(ui);
  app.parsedAddresses.SetTag("parsedAddresses");
  Rate rate;
  for (const auto& text : texts) {
    qb::Address address;
    ParseAddressOptions options;
    options.askUser = false;
    const AddressSplit split = split_address(app, address, text, options);
    ++rate.total;
    if (split.means == AddressMeans::Parser)
      ++rate.parser;
    else if (split.means == AddressMeans::LineSplit)
      ++rate.lineSplit;
    if (split.means != AddressMeans::Parser && misses) misses->push_back(text);
    if (split.means == AddressMeans::Parser) {
      // Every field is a piece of the text (or a shortening of one).
      EXPECT_TRUE(address_fits(address)) << text;
    }
  }
  EXPECT_TRUE(ui.dialogs.empty());
  return rate;
}

void report(const std::string& name, const Rate& rate) {
  const auto percent = [&](int n) { return 100.0 * n / rate.total; };
  std::cout << std::fixed << std::setprecision(1) << name << ": " << rate.parser + rate.lineSplit
            << " of " << rate.total << " split without the dialog ("
            << percent(rate.parser + rate.lineSplit) << "%); by the parser " << rate.parser << " ("
            << percent(rate.parser) << "%), by the line split " << rate.lineSplit << "\n";
}

std::vector<std::string> read_blocks(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::vector<std::string> blocks;
  std::string line, block;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) {
      if (!block.empty()) blocks.push_back(block);
      block.clear();
      continue;
    }
    block += (block.empty() ? "" : "\r\n") + line;
  }
  if (!block.empty()) blocks.push_back(block);
  return blocks;
}

TEST(AddressParserRate, TwoHundredVariedAddresses) {
  const auto blocks =
      read_blocks(std::filesystem::path(VQB_TEST_SOURCE_DIR) / "export" / "addresses_200.txt");
  ASSERT_EQ(blocks.size(), 200u);
  std::vector<std::string> misses;
  const Rate rate = measure(blocks, &misses);
  report("200 varied US and Canadian addresses", rate);
  for (const auto& miss : misses) std::cout << "  not by the parser: " << miss << "\n";
  EXPECT_GE(rate.parser * 100, rate.total * 95);
}

TEST(AddressParserRate, DemoDatabaseAddresses) {
  test::TempDir dir;
  const std::string path = dir.file("vantora.db");
  create_demo_vantora_database(path, {.customers = 400, .suppliers = 150});
  auto db = open_database(path);
  std::vector<std::string> texts;
  for (const char* sql :
       {"SELECT BAddress, SADdress FROM Customers", "SELECT BAddress, SADdress FROM Suppliers",
        "SELECT BillingAddress, ShipAddress FROM CustSO"})
    db->query(sql, [&](const std::vector<Cell>& row) {
      for (const Cell& cell : row)
        if (cell && !cell->empty()) texts.push_back(*cell);
    });
  ASSERT_GT(texts.size(), 500u);
  std::vector<std::string> misses;
  const Rate rate = measure(texts, &misses);
  report("demo database addresses", rate);
  for (std::size_t i = 0; i < misses.size() && i < 10; ++i)
    std::cout << "  not by the parser: " << misses[i] << "\n";
  EXPECT_GE(rate.parser * 100, rate.total * 95);

  // The demo writes "City, ST 12345" or "City ST  12345" last: the parser finds all three.
  for (const auto& text : texts) {
    const ParsedAddress r = parse(text);
    EXPECT_EQ(r.confidence, "HIGH") << text;
    EXPECT_FALSE(r.city.empty() || r.state.empty() || r.postalCode.empty()) << text;
    EXPECT_NE(text.find(r.city), std::string::npos) << text;
    EXPECT_NE(text.find(r.postalCode), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace vqb
