#include "export/parse_address.h"

#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/app.h"
#include "support/fake_ui.h"
#include "support/temp_dir.h"

namespace vqb {
namespace {

using Boxes = std::array<std::string, 7>;

const std::string kTooLong =
    "Attn: " + std::string(35, 'X');  // 41 characters, nothing to abbreviate
const std::string kTooLongText = kTooLong + "\r\n12 Main St\r\nSpringfield, IL 62704";

Boxes fields(const qb::Address& a) {
  return {a.addr1, a.addr2, a.addr3, a.addr4, a.city, a.state, a.postalCode};
}

struct ParseAddressTest : ::testing::Test {
  ParseAddressTest() {
    app.globalfolder = dir.path().string() + "/";
    app.parsedAddresses.SetTag("parsedAddresses");
  }

  std::string cacheFile() const { return dir.file("parsedAddresses.xml"); }

  // A parser that always gives `answer`, counting how often it is asked.
  ParseAddressOptions stub(ParsedAddress answer) {
    ParseAddressOptions options;
    options.parser = [this, answer](const std::string&) {
      ++parserCalls;
      return answer;
    };
    return options;
  }
  static ParsedAddress low() {
    ParsedAddress p;
    p.confidence = "low";
    return p;
  }

  // Plays frmParseAddress: the user fills the seven boxes and clicks Update.
  void answerDialogWith(Boxes boxes) {
    ui.onDialog = [this, boxes](DialogKind kind, const std::string&) {
      ASSERT_EQ(kind, DialogKind::ParseAddress);
      ParseAddressLogic dialog(app);
      dialog.Form_Load();
      EXPECT_EQ(dialog.txtMain, app.sharedSlots[200]);
      dialog.txt = boxes;
      EXPECT_TRUE(dialog.cmdUpdate_Click());
    };
  }
  void cancelDialog() {
    ui.onDialog = [this](DialogKind, const std::string&) {
      ParseAddressLogic dialog(app);
      dialog.Form_Load();
      dialog.txt[0] = "typed, then cancelled";
      dialog.cmdCancel_Click();
    };
  }

  test::TempDir dir;
  test::FakeUi ui;
  App app{ui};
  qb::Address address;
  int parserCalls{0};
};

// ---- The parser's answer ------------------------------------------------------------------

TEST_F(ParseAddressTest, UsableParserAnswerFillsTheLinesAndTheAggregate) {
  const AddressSplit split =
      split_address(app, address, "Acme Tools & Dies\r\n12 Main St\r\nSpringfield, IL 62704");
  EXPECT_TRUE(split.accepted);
  EXPECT_EQ(split.means, AddressMeans::Parser);
  EXPECT_EQ(fields(address),
            (Boxes{"Acme Tools & Dies", "12 Main St", "", "", "Springfield", "IL", "62704"}));
  EXPECT_EQ(address.country, "") << "the text names no country";
  EXPECT_EQ(
      address.aggregate(),
      "<Addr1>Acme Tools &amp; Dies</Addr1><Addr2>12 Main St</Addr2><Addr3></Addr3><Addr4>"
      "</Addr4><City>Springfield</City><State>IL</State><PostalCode>62704</PostalCode><Country>"
      "</Country>");
  EXPECT_TRUE(ui.dialogs.empty());
  EXPECT_TRUE(
      parse_address(app, address, "Unit 4, 200 King St W\r\nToronto (ON) M5H 3T4\r\nCanada"));
  EXPECT_EQ(fields(address),
            (Boxes{"200 King St W", "Unit 4", "", "", "Toronto", "ON", "M5H 3T4"}));
  EXPECT_EQ(address.country, "Canada");
}

TEST_F(ParseAddressTest, LeadingBlockStreetAndSecondaryLandInOrder) {
  struct Row {
    std::string leading, street, secondary;
    Boxes expected;
  };
  const std::vector<Row> rows = {
      {"Company", "12 Main St", "", {"Company", "12 Main St", "", "", "C", "S", "P"}},
      {"", "12 Main St", "Suite 4", {"12 Main St", "Suite 4", "", "", "C", "S", "P"}},
      {"", "", "Suite 4", {"", "Suite 4", "", "", "C", "S", "P"}},
      {"\r\nCo B", "12 Main St", "Suite 4", {"Co B", "12 Main St", "Suite 4", "", "C", "S", "P"}},
      // The rest of the block runs together without a separator.
      {"Attn A\r\nCo B\r\nDept C",
       "12 Main St",
       "Suite 4",
       {"Attn A", "Co BDept C", "12 Main St", "Suite 4", "C", "S", "P"}},
  };
  for (const auto& row : rows) {
    ParsedAddress p;
    p.confidence = "HIGH";
    p.leadingBlock = row.leading;
    p.street = row.street;
    p.secondary = row.secondary;
    p.city = "C";
    p.state = "S";
    p.postalCode = "P";
    EXPECT_EQ(split_address(app, address, "any text", stub(p)).means, AddressMeans::Parser);
    EXPECT_EQ(fields(address), row.expected) << row.leading;
  }
}

TEST_F(ParseAddressTest, CountryIsWrittenOnlyWhenTheTextSpellsItAfterItsFirstCharacter) {
  ParsedAddress p;
  p.street = "1 Main St";
  p.country = "Canada";
  split_address(app, address, "1 Main St\r\nToronto ON\r\nCanada", stub(p));
  EXPECT_EQ(address.country, "Canada");
  split_address(app, address, "Canada Place\r\n999 Canada Pl", stub(p));
  EXPECT_EQ(address.country, "") << "first occurrence at the very first character";
  split_address(app, address, "1 Main St\r\nToronto ON\r\nCANADA", stub(p));
  EXPECT_EQ(address.country, "") << "case-sensitive";
  split_address(app, address, "1 Main St\r\nToronto ON", stub(p));
  EXPECT_EQ(address.country, "");

  // Written by the parser, it survives into the line split...
  p.street = std::string(41, 'S');
  EXPECT_EQ(split_address(app, address, "1 Main St\r\nToronto\r\nCanada", stub(p)).means,
            AddressMeans::LineSplit);
  EXPECT_EQ(address.addr3, "Canada");
  EXPECT_EQ(address.country, "Canada");
  // ...but a LOW answer writes nothing.
  ParsedAddress unsure = low();
  unsure.country = "Canada";
  split_address(app, address, "1 Main St\r\nToronto\r\nCanada", stub(unsure));
  EXPECT_EQ(address.country, "");
}

TEST_F(ParseAddressTest, ParserErrorEndsAtOnceWithEmptyFields) {
  ParsedAddress p;
  p.error = "cannot read";
  p.street = "12 Main St";
  p.country = "USA";
  const AddressSplit split = split_address(app, address, kTooLongText + "\r\nUSA", stub(p));
  EXPECT_TRUE(split.accepted);
  EXPECT_EQ(fields(address), Boxes{});
  EXPECT_EQ(address.country, "");
  EXPECT_EQ(parserCalls, 1);
  EXPECT_TRUE(ui.dialogs.empty());
  // The real parser reports a blank text that way: no dialog for a missing address.
  EXPECT_TRUE(parse_address(app, address, ""));
  EXPECT_TRUE(parse_address(app, address, "\r\n  \r\n"));
  EXPECT_TRUE(ui.dialogs.empty());
}

// ---- The line split ---------------------------------------------------------------------

TEST_F(ParseAddressTest, LowFiveLineAddressIsSplitAtItsLines) {
  const std::string text =
      "Attn: Accounts Payable\r\nGreenfield Orchards LLC\r\nPacking Shed 4\r\n7812 Valley View "
      "Rd\r\nYakima, WA 98908";
  const AddressSplit split = split_address(app, address, text, stub(low()));
  EXPECT_TRUE(split.accepted);
  EXPECT_EQ(split.means, AddressMeans::LineSplit);
  EXPECT_EQ(fields(address),
            (Boxes{"Attn: Accounts Payable", "Greenfield Orchards LLC", "Packing Shed 4",
                   "7812 Valley View Rd", "Yakima", "WA", "98908"}));
  EXPECT_EQ(parserCalls, 1);
}

TEST_F(ParseAddressTest, LineSplitKeepsEmptyLinesInPlaceAndDropsASixthLine) {
  split_address(app, address, "A\r\n\r\nC\r\nD\r\nSpringfield, IL 62704\r\nUSA", stub(low()));
  EXPECT_EQ(fields(address), (Boxes{"A", "", "C", "D", "Springfield", "IL", "62704"}));
  EXPECT_EQ(address.country, "");
}

TEST_F(ParseAddressTest, LineFeedsAloneDoNotSplit) {
  EXPECT_EQ(split_address(app, address, "12 Main St\nSpringfield", stub(low())).means,
            AddressMeans::LineSplit);
  EXPECT_EQ(address.addr1, "12 Main St\nSpringfield");
  const AddressSplit tooLong = split_address(
      app, address, "Greenfield Orchards LLC\n7812 Valley View Rd\nYakima, WA 98908", stub(low()));
  EXPECT_FALSE(tooLong.accepted);
  EXPECT_EQ(tooLong.means, AddressMeans::Cancelled);
  EXPECT_EQ(parserCalls, 1 + 2) << "the parser is asked once more before the cache";
}

TEST(SplitAddressLines, FifthLineReadings) {
  struct Row {
    std::string fifth;
    std::string city, state, postal;
  };
  const std::vector<Row> rows = {
      {"Springfield, IL 62704", "Springfield", "IL", "62704"},
      {"Springfield, IL  62704-1234", "Springfield", "IL", "62704-1234"},
      {"Toronto ON  M5V 2T6", "Toronto", "ON", "M5V 2T6"},
      {"Montréal (Québec) H2X 2V4", "Montréal", "Québec", "H2X 2V4"},
      {"London, UK SW1A 2AA", "London", "UK", "SW1A 2AA"},
      {"Somewhere Far", "Somewhere Far", "", ""},
      {"Springfield,IL", "Springfield", "IL", ""},
      {"", "", "", ""},
  };
  for (const auto& row : rows) {
    qb::Address a;
    split_address_lines("1\r\n2\r\n3\r\n4\r\n" + row.fifth, a);
    EXPECT_EQ(fields(a), (Boxes{"1", "2", "3", "4", row.city, row.state, row.postal})) << row.fifth;
  }
  qb::Address a;
  split_address_lines("ab\rXcd\r\n", a);
  EXPECT_EQ(a.addr1, "ab");
  EXPECT_EQ(a.addr2, "cd") << "the character after a carriage return is skipped as its line feed";
  EXPECT_EQ(a.addr3, "");
}

TEST(AddressFits, LimitsCountCharacters) {
  qb::Address a;
  std::string e40;
  for (int i = 0; i < 40; ++i) e40 += "\xC3\xA9";  // é
  a.addr4 = e40;
  a.city = std::string(30, 'c');
  a.state = std::string(20, 's');
  a.postalCode = std::string(13, 'p');
  a.country = std::string(200, 'x');
  EXPECT_TRUE(address_fits(a)) << "80 bytes, 40 characters; the country is never measured";
  for (int line = 0; line < 4; ++line) {
    qb::Address b = a;
    std::array<std::string*, 4> lines{&b.addr1, &b.addr2, &b.addr3, &b.addr4};
    *lines[static_cast<std::size_t>(line)] = e40 + "x";
    EXPECT_FALSE(address_fits(b)) << line;
  }
  qb::Address city = a, state = a, postal = a;
  city.city += "c";
  state.state += "s";
  postal.postalCode += "p";
  EXPECT_FALSE(address_fits(city));
  EXPECT_FALSE(address_fits(state));
  EXPECT_FALSE(address_fits(postal));
}

// ---- The cache and the dialog -----------------------------------------------------------

TEST_F(ParseAddressTest, TooLongLineReachesTheCacheThenTheDialogAndCancelLeavesTheCache) {
  app.parsedAddresses.AddChild("Add", "another address");
  cancelDialog();
  const AddressSplit split = split_address(app, address, kTooLongText);
  EXPECT_FALSE(split.accepted);
  EXPECT_EQ(split.means, AddressMeans::Cancelled);
  ASSERT_EQ(ui.dialogs.size(), 1u);
  EXPECT_EQ(ui.dialogs[0].first, DialogKind::ParseAddress);
  EXPECT_EQ(app.sharedSlots[200], kTooLongText);
  EXPECT_EQ(app.sharedSlots[0], "");
  EXPECT_EQ(app.parsedAddresses.GetChildCount(), 1);
  EXPECT_FALSE(std::filesystem::exists(cacheFile()));
  EXPECT_FALSE(parse_address(app, address, kTooLongText));

  ParseAddressOptions noDialog;
  noDialog.askUser = false;
  EXPECT_EQ(split_address(app, address, kTooLongText, noDialog).means, AddressMeans::DialogNeeded);
  EXPECT_EQ(ui.dialogs.size(), 2u);
}

TEST_F(ParseAddressTest, ConfirmedAnswerIsUsedSavedAndFoundAfterARestart) {
  const std::string text = kTooLongText + "\r\nUSA";
  const Boxes answer{"Attn: Accounts", "12 Main St", "", "", "Springfield", "IL", "62704"};
  answerDialogWith(answer);
  const AddressSplit split = split_address(app, address, text);
  EXPECT_TRUE(split.accepted);
  EXPECT_EQ(split.means, AddressMeans::Dialog);
  EXPECT_EQ(fields(address), answer);
  EXPECT_EQ(address.country, "USA") << "the parser's country stays through every means";
  EXPECT_EQ(app.sharedSlots[0], "1");

  // The file holds one "Add" with the text as given and ADR1 to ADR7 in order.
  RecordDoc saved;
  ASSERT_TRUE(saved.LoadXmlFile(cacheFile()));
  EXPECT_EQ(saved.GetTag(), "parsedAddresses");
  ASSERT_EQ(saved.GetChildCount(), 1);
  ASSERT_TRUE(saved.MoveToFirstChild());
  EXPECT_EQ(saved.GetTag(), "Add");
  EXPECT_EQ(saved.GetContent(), text) << "carriage returns survive the file";
  std::vector<std::string> tags;
  for (auto child : saved.Current().children())
    if (child.type() == pugi::node_element) tags.emplace_back(child.name());
  EXPECT_EQ(tags,
            (std::vector<std::string>{"ADR1", "ADR2", "ADR3", "ADR4", "ADR5", "ADR6", "ADR7"}));
  EXPECT_EQ(saved.GetChildContent("ADR5"), "Springfield");

  // A restart: a new process loads the file and never asks again.
  test::FakeUi ui2;
  App restarted(ui2);
  restarted.globalfolder = app.globalfolder;
  ASSERT_TRUE(restarted.parsedAddresses.LoadXmlFile(cacheFile()));
  qb::Address again;
  const AddressSplit cached = split_address(restarted, again, text);
  EXPECT_TRUE(cached.accepted);
  EXPECT_EQ(cached.means, AddressMeans::Cache);
  EXPECT_EQ(fields(again), answer);
  EXPECT_EQ(again.country, "USA");
  EXPECT_TRUE(ui2.dialogs.empty());
}

TEST_F(ParseAddressTest, AllEmptyAnswerSendsNoAddressAndIsCachedToo) {
  answerDialogWith(Boxes{});
  EXPECT_TRUE(parse_address(app, address, kTooLongText));
  EXPECT_EQ(fields(address), Boxes{});
  ASSERT_EQ(app.parsedAddresses.GetChildCount(), 1);
  ui.onDialog = nullptr;
  const AddressSplit again = split_address(app, address, kTooLongText);
  EXPECT_EQ(again.means, AddressMeans::Cache);
  EXPECT_TRUE(again.accepted);
  EXPECT_EQ(ui.dialogs.size(), 1u);
  RecordDoc saved;
  ASSERT_TRUE(saved.LoadXmlFile(cacheFile()));
  ASSERT_TRUE(saved.MoveToFirstChild());
  EXPECT_EQ(saved.GetContent(), kTooLongText);
  EXPECT_EQ(saved.GetChildContent("ADR1"), "");
}

TEST_F(ParseAddressTest, NewestCachedAnswerWinsOnlyForTheExactTextAndAsStored) {
  auto add = [&](const std::string& text, const std::string& line1) {
    app.parsedAddresses.MoveToRoot();
    app.parsedAddresses.AddChild("Add", text);
    app.parsedAddresses.MoveToLastChild();
    app.parsedAddresses.AddChild("ADR1", line1);
    app.parsedAddresses.AddChild("ADR5", "City");
    app.parsedAddresses.MoveToRoot();
  };
  add(kTooLongText, "older");
  add(kTooLongText, std::string(50, 'n'));
  add("something else", "other");
  EXPECT_EQ(split_address(app, address, kTooLongText).means, AddressMeans::Cache);
  EXPECT_EQ(address.addr1, std::string(50, 'n')) << "newest first, no length check";
  EXPECT_EQ(address.city, "City");
  EXPECT_EQ(address.state, "") << "a missing child reads as empty";

  EXPECT_EQ(split_address(app, address, kTooLongText + " ").means, AddressMeans::Cancelled);
  std::string shouted = kTooLongText;
  for (char& c : shouted) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(split_address(app, address, shouted).means, AddressMeans::Cancelled);
  EXPECT_EQ(ui.dialogs.size(), 2u);
}

TEST_F(ParseAddressTest, FailuresAreReportedAndTheAddressIsStillUsed) {
  app.globalfolder = dir.file("missing") + "/";
  const Boxes answer{"1 Main St", "", "", "", "Town", "ST", "12345"};
  answerDialogWith(answer);
  EXPECT_TRUE(parse_address(app, address, kTooLongText));
  EXPECT_EQ(fields(address), answer);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].title, "Application Error");
  EXPECT_EQ(ui.messages[0].icon, Icon::Critical);
  EXPECT_NE(ui.messages[0].text.find("Module: frmQB\r\nProcedure: parse_address\r\n"),
            std::string::npos)
      << ui.messages[0].text;

  ParseAddressOptions broken;
  broken.parser = [](const std::string&) -> ParsedAddress {
    throw std::runtime_error("parser unavailable");
  };
  const AddressSplit split = split_address(app, address, "12 Main St", broken);
  EXPECT_TRUE(split.accepted);
  EXPECT_EQ(split.means, AddressMeans::Failed);
  EXPECT_EQ(fields(address), Boxes{});
  EXPECT_EQ(ui.messages.size(), 2u);
}

// ---- frmParseAddress --------------------------------------------------------------------

TEST_F(ParseAddressTest, DialogLoadsTheTextAndEmptiesTheBoxes) {
  app.sharedSlots[200] = "12 Main St\r\nSomewhere";
  ParseAddressLogic dialog(app);
  dialog.txt[3] = "left over";
  dialog.Form_Load();
  EXPECT_EQ(dialog.txtMain, "12 Main St\r\nSomewhere");
  EXPECT_EQ(dialog.txt, Boxes{});
  EXPECT_EQ(std::string(ParseAddressLogic::kInstruction),
            "Select and copy text from the text box above and paste it into the correct fields "
            "below. To send this invoice without an address, leave all fields below blank and "
            "click 'Update'. Click 'Cancel' if you don't want to send this invoice.");
  EXPECT_EQ(std::string(ParseAddressLogic::kLabels[6]), "Zip / Postal Code (13 Char Max)");
}

TEST_F(ParseAddressTest, UpdateStopsAtTheFirstBoxThatIsTooLong) {
  const std::vector<std::string> messages = {
      "Address Line 1 cannot be more than 40 Characters.",
      "Address Line 2 cannot be more than 40 Characters.",
      "Address Line 3 cannot be more than 40 Characters.",
      "Address Line 4 cannot be more than 40 Characters.",
      "The City cannot be more than 30 Characters.",
      "The State cannot be more than 20 Characters.",
      "The Zip/Postal Code cannot be more than 13 Characters."};
  const std::array<std::size_t, 7> limits{40, 40, 40, 40, 30, 20, 13};
  for (std::size_t box = 0; box < 7; ++box) {
    ui.messages.clear();
    app.sharedSlots[0] = "";
    ParseAddressLogic dialog(app);
    dialog.Form_Load();
    for (std::size_t i = 0; i < 7; ++i)
      dialog.txt[i] = std::string(limits[i] + (i >= box ? 1 : 0), 'a');
    EXPECT_FALSE(dialog.cmdUpdate_Click());
    EXPECT_FALSE(dialog.closed());
    EXPECT_EQ(dialog.focusBox(), static_cast<int>(box));
    ASSERT_EQ(ui.messages.size(), 1u) << "only the first box that is too long";
    EXPECT_EQ(ui.messages[0].text, messages[box]);
    EXPECT_EQ(ui.messages[0].buttons, Buttons::Ok);
    EXPECT_EQ(app.sharedSlots[0], "");
    EXPECT_EQ(app.sharedSlots[201 + static_cast<long>(box)], "");
  }
}

TEST_F(ParseAddressTest, UpdateCopiesTheBoxesAndCancelLeavesSlotZero) {
  ParseAddressLogic dialog(app);
  dialog.Form_Load();
  std::string e40;
  for (int i = 0; i < 40; ++i) e40 += "\xC3\xA9";
  dialog.txt = {e40, "2", "3", "4", "City", "ST", "K1A 0B1"};
  EXPECT_TRUE(dialog.cmdUpdate_Click()) << "40 characters fit, whatever their bytes";
  EXPECT_TRUE(dialog.closed());
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(app.sharedSlots[0], "1");
  EXPECT_EQ(app.sharedSlots[201], e40);
  EXPECT_EQ(app.sharedSlots[205], "City");
  EXPECT_EQ(app.sharedSlots[207], "K1A 0B1");

  app.sharedSlots[0] = "";
  ParseAddressLogic cancelled(app);
  cancelled.Form_Load();
  cancelled.txt[0] = "x";
  cancelled.cmdCancel_Click();
  cancelled.cmdHelp_Click();
  EXPECT_TRUE(cancelled.closed());
  EXPECT_EQ(app.sharedSlots[0], "");
}

}  // namespace
}  // namespace vqb
