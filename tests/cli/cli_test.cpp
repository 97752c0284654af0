#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "app/database.h"
#include "app/record_doc.h"
#include "app/text_helpers.h"
#include "cli/cli_ui.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "quickbooks/sim/simulated_company.h"
#include "support/cli_run.h"
#include "support/file_checks.h"
#include "support/temp_dir.h"

namespace vqb {
namespace {

using test::CliRun;
using test::run_cli;

// The first word of the line of `text` that holds position `at`: the record's key.
std::string key_at(const std::string& text, std::size_t at) {
  const std::size_t newline = text.rfind('\n', at);
  const std::size_t start = newline == std::string::npos ? 0 : newline + 1;
  return text.substr(start, text.find(' ', start) - start);
}

// A settings folder for the demo; `in` runs a command on it.
class Cli : public ::testing::Test {
 protected:
  CliRun makeDemo(std::vector<std::string> options = {}) {
    options.insert(options.begin(), {"demo", folder});
    return run_cli(options);
  }
  CliRun in(std::vector<std::string> args, const std::string& input = "",
            bool interactive = false) {
    args.insert(args.begin(), {"--settings", folder});
    return run_cli(args, input, interactive);
  }
  // The first cell of the query's first row in the demo database.
  std::string value(const std::string& sql) {
    return open_database(folder + "/vantora.db")->queryAll(sql).rows.at(0).at(0).value_or("");
  }
  void execute(const std::string& sql) { open_database(folder + "/vantora.db")->execute(sql); }
  qb::sim::SimulatedCompany company() const {
    return qb::sim::SimulatedCompany(folder + "/demo-company.qbxml");
  }

  test::TempDir dir;
  const std::string folder = dir.file("demo");
};

TEST_F(Cli, HelpListsTheCommands) {
  CliRun result = run_cli({"--help"});
  EXPECT_EQ(result.code, 0);
  for (const char* command : {"demo", "info", "link", "--settings"})
    EXPECT_NE(result.out.find(command), std::string::npos) << command;
}

TEST_F(Cli, DemoMakesAReadySettingsFolderThatLaterCommandsUse) {
  CliRun made = makeDemo({"--customers", "5", "--invoices", "10", "--payments", "4",
                          "--purchase-orders", "3", "--suppliers", "3"});
  ASSERT_EQ(made.code, 0) << made.err;

  CliRun info = in({"info"});
  ASSERT_EQ(info.code, 0) << info.err;
  EXPECT_NE(info.out.find("Vantora database: " + folder + "/vantora.db"), std::string::npos)
      << info.out;
  EXPECT_NE(info.out.find("Global folder:    " + folder + "/\n"), std::string::npos) << info.out;
  EXPECT_EQ(info.err, "");

  CliRun first = in({"link"});
  CliRun second = in({"link"});
  ASSERT_EQ(first.code, 0) << first.err;
  EXPECT_EQ(std::stoll(second.out), std::stoll(first.out) + 1);
  CliRun named = in({"link", "--counter", "CliTest", "--start", "50"});
  EXPECT_EQ(named.out, "50\n");

  CliRun again = makeDemo();
  EXPECT_EQ(again.code, 1) << "an existing demo is kept";
  EXPECT_NE(again.err.find("[Vantora] 58 - File already exists: "), std::string::npos) << again.err;
  EXPECT_EQ(makeDemo({"--replace", "--customers", "2"}).code, 0);
}

// The global options mean the same after the command (and after "qb list", "prefs get").
TEST_F(Cli, GlobalOptionsMayFollowTheCommand) {
  ASSERT_EQ(makeDemo({"--customers", "12", "--invoices", "4"}).code, 0);
  ASSERT_EQ(run_cli({"prefs", "set", "chkdupinvoices", "1", "--settings", folder}).code, 0);
  for (const std::vector<std::string>& command : {std::vector<std::string>{"info"},
                                                  {"qb", "list", "salesreps"},
                                                  {"prefs", "get", "chkdupinvoices"}}) {
    std::vector<std::string> before = {"--settings", folder}, after = command;
    before.insert(before.end(), command.begin(), command.end());
    after.insert(after.end(), {"--settings", folder});
    CliRun first = run_cli(before), second = run_cli(after);
    EXPECT_EQ(second.code, 0) << command.front() << ": " << second.err;
    EXPECT_EQ(second.out, first.out) << command.front();
    EXPECT_EQ(second.err, first.err) << command.front();
  }
  EXPECT_NE(run_cli({"info", "--settings", folder})
                .out.find("Vantora database: " + folder + "/vantora.db"),
            std::string::npos);
  EXPECT_EQ(run_cli({"prefs", "get", "chkdupinvoices", "--settings", folder}).out, "1\n");

  // Customer 1008 without a sales rep asks whether to send it anyway; --yes after the command
  // answers Yes.
  execute("UPDATE Customers SET Rep = 0 WHERE Link = 1008");
  CliRun sent = run_cli({"send", "customers", "1008", "--yes", "--settings", folder});
  EXPECT_EQ(sent.out, "1008 Evergreen Dental Group: Success\n") << sent.err;
  EXPECT_NE(sent.err.find(
                "Do you want to continue sending this customer to QuickBooks?\n  -> Yes (--yes)\n"),
            std::string::npos)
      << sent.err;
  EXPECT_NE(run_cli({"info", "--yes", "--no", "--settings", folder}).code, 0)
      << "--yes and --no exclude each other";
}

TEST_F(Cli, NoDatabaseConfiguredSaysSoAndFailsTheCommand) {
  CliRun info = run_cli({"--settings", dir.file("fresh"), "link"});
  EXPECT_EQ(info.code, 1);
  EXPECT_NE(info.err.find(
                "[Error] No database specified. Please open Vantora to point to your database.\n"),
            std::string::npos)
      << info.err;
  EXPECT_NE(info.err.find("[Application Error]"), std::string::npos)
      << "the link could not be taken";
}

TEST_F(Cli, QbCommandsShowTheDemoCompany) {
  ASSERT_EQ(makeDemo({"--customers", "12", "--invoices", "10"}).code, 0);

  CliRun reps = in({"qb", "list", "salesreps"});
  ASSERT_EQ(reps.code, 0) << reps.err;
  EXPECT_EQ(reps.out.rfind("ID ", 0), 0u) << reps.out;
  EXPECT_NE(reps.out.find("Initial"), std::string::npos);
  EXPECT_NE(reps.out.find(" entries\n"), std::string::npos);

  CliRun json = in({"qb", "list", "customers", "--json"});
  ASSERT_EQ(json.code, 0) << json.err;
  EXPECT_EQ(json.out.front(), '[');
  auto idAt = json.out.find("\"id\": \"");
  ASSERT_NE(idAt, std::string::npos) << json.out;
  std::string id = json.out.substr(idAt + 7, json.out.find('"', idAt + 7) - idAt - 7);

  CliRun shown = in({"qb", "show", id});
  ASSERT_EQ(shown.code, 0) << shown.err;
  EXPECT_EQ(shown.out.rfind("<CustomerRet>", 0), 0u) << shown.out;
  EXPECT_NE(shown.out.find("<ListID>" + id + "</ListID>"), std::string::npos);

  EXPECT_EQ(in({"qb", "show", "no-such-id"}).code, 1);
  EXPECT_EQ(in({"qb", "list", "gadgets"}).code, 2);

  CliRun closed = in({"qb", "close"});
  EXPECT_EQ(closed.out, "The company Vantora Demo Company is closed.\n");
  EXPECT_EQ(in({"qb", "open"}).out, "The company Vantora Demo Company is open.\n");
}

TEST_F(Cli, QbExportWritesTheXmlCompanyFileAndImportMakesTheCompanyFromIt) {
  ASSERT_EQ(makeDemo({"--customers", "6", "--invoices", "4"}).code, 0);
  const std::string xml = dir.file("exported.xml");
  const std::string before = company().xmlText();
  CliRun exported = in({"qb", "export", xml});
  ASSERT_EQ(exported.code, 0) << exported.err;
  EXPECT_EQ(exported.out, "The company Vantora Demo Company is written to " + xml + ".\n");
  EXPECT_EQ(test::read_file(xml), before);
  EXPECT_EQ(before.find("<?xml version=\"1.0\"?>\n<SimulatedCompany format=\"1\""), 0u) << before;

  company().addCustomer("Added After Export");
  CliRun refused = in({"qb", "import", xml});
  EXPECT_EQ(refused.code, 1);
  EXPECT_EQ(refused.err, "The company file " + folder +
                             "/demo-company.qbxml already exists; give --replace to replace it.\n");
  CliRun imported = in({"qb", "import", xml, "--replace"});
  ASSERT_EQ(imported.code, 0) << imported.err;
  EXPECT_EQ(imported.out, "The company Vantora Demo Company is made from " + xml + ".\n");
  EXPECT_FALSE(company().findByName(qb::sim::Kind::Customer, "Added After Export"));
  EXPECT_EQ(company().xmlText(), before);

  CliRun notCompany = in({"qb", "import", folder + "/vantora.db", "--replace"});
  EXPECT_EQ(notCompany.code, 1);
  EXPECT_NE(notCompany.err.find("is not a simulated QuickBooks company file"), std::string::npos)
      << notCompany.err;
  EXPECT_EQ(company().xmlText(), before) << "a refused import leaves the company as it was";
}

TEST_F(Cli, ConnectLoadsTheListsAndListPrintsAWorkList) {
  ASSERT_EQ(makeDemo({"--customers", "12", "--invoices", "20"}).code, 0);

  CliRun connected = in({"connect"});
  ASSERT_EQ(connected.code, 0) << connected.err;
  EXPECT_EQ(connected.out.rfind("Connected to QuickBooks.\nLoaded", 0), 0u) << connected.out;
  EXPECT_NE(connected.out.find("QuickBooks sales reps                  4\n"), std::string::npos)
      << connected.out;

  CliRun pending = in({"list", "invoices"});
  ASSERT_EQ(pending.code, 0) << pending.err;
  EXPECT_EQ(pending.out.rfind("Send Customer Invoices\nInvoice Date  Company", 0), 0u)
      << pending.out;
  EXPECT_EQ(pending.out.find("yes\n"), std::string::npos)
      << "by default only records not exported yet";

  CliRun all = in({"list", "invoices", "--exported", "yes", "--json"});
  ASSERT_EQ(all.code, 0) << all.err;
  EXPECT_NE(all.out.find("\"Sent\": true"), std::string::npos);
  EXPECT_NE(all.out.find("\"Sent\": false"), std::string::npos);
  EXPECT_EQ(all.out.find("Select"), std::string::npos) << "no tick column in the output";

  CliRun none = in({"list", "customers", "--exported", "no", "--not-exported", "no"});
  EXPECT_NE(none.err.find("[Export Invoices] Please check your filter options to see records"),
            std::string::npos)
      << none.err;
  EXPECT_NE(none.out.find("\n0 records\n"), std::string::npos) << none.out;
  EXPECT_FALSE(std::filesystem::exists(folder + "/QBsetup.xml"))
      << "filters given on the command line are not saved";

  // Every argument error is a usage error, whatever CLI11 calls it.
  for (const std::vector<std::string>& wrong : {std::vector<std::string>{"list", "gadgets"},
                                                {"list", "pos", "--exported", "maybe"},
                                                {"frobnicate"},
                                                {"list"},
                                                {"list", "pos", "--no-such-option"},
                                                {"--wait", "0", "info"}}) {
    const CliRun run = in(wrong);
    EXPECT_EQ(run.code, 2) << wrong.front() << ": " << run.err;
    EXPECT_FALSE(run.err.empty()) << "CLI11 says what is wrong";
  }
}

TEST_F(Cli, MarkWritesTheFlagsAndSaysWhatHappenedToEachKey) {
  ASSERT_EQ(makeDemo({"--customers", "8", "--invoices", "12"}).code, 0);
  CliRun marked = in({"mark", "invoices", "--sent", "10004", "99999"});
  EXPECT_EQ(marked.code, 1) << "one key was not found";
  EXPECT_EQ(marked.out, "10004: Updated\n99999: not found\n");
  EXPECT_EQ(value("SELECT QuickBooks FROM CustSO WHERE Number = 10004"), "1");

  CliRun cleared = in({"mark", "invoices", "--not-sent", "10004"});
  EXPECT_EQ(cleared.code, 0) << cleared.err;
  EXPECT_EQ(value("SELECT QuickBooks FROM CustSO WHERE Number = 10004"), "0");

  EXPECT_EQ(in({"mark", "customers", "--sent", "1"}).code, 2);
  EXPECT_NE(in({"mark", "pos", "7001"}).code, 0) << "--sent or --not-sent is required";
}

TEST_F(Cli, CheckReportsWhatWouldStopASendAndChangesNothing) {
  ASSERT_EQ(makeDemo({"--customers", "12", "--invoices", "40"}).code, 0);
  auto snapshot = [&] {
    return value("SELECT group_concat(QBClass || SalesGroup || Tax1, ',') FROM custsodetail");
  };
  const auto before = snapshot();
  CliRun checked = in({"check", "invoices", "--all"});
  EXPECT_EQ(checked.code, 1) << "the demo leaves some codes unmapped on purpose";
  EXPECT_NE(checked.out.find(": QB Class Events could not be validated. Invoice not sent!\n  "
                             "needs: QuickBooks Class not valid: "),
            std::string::npos)
      << checked.out;
  EXPECT_NE(checked.out.find(" ready to send\n"), std::string::npos);
  EXPECT_EQ(snapshot(), before);
  EXPECT_EQ(in({"check", "suppliers", "1"}).code, 2);
}

TEST_F(Cli, PrefsReadAndWriteTheStoredFormsOfThePreferencesWindow) {
  ASSERT_EQ(makeDemo({"--customers", "3", "--invoices", "2"}).code, 0);
  EXPECT_EQ(in({"prefs", "set", "chkdupinvoices", "1"}).code, 0);
  EXPECT_EQ(in({"prefs", "get", "chkdupinvoices"}).out, "1\n");
  EXPECT_EQ(in({"prefs", "set", "chkdupinvoices", "yes"}).code, 2) << "check boxes take 1 or 0";
  EXPECT_EQ(in({"prefs", "set", "optapply1", "True"}).code, 0);
  EXPECT_EQ(in({"prefs", "set", "optapply0", "True"}).code, 0);
  EXPECT_EQ(in({"prefs", "get", "optapply1"}).out, "False\n") << "one option of a group";
  EXPECT_EQ(in({"prefs", "get", "nosuchkey"}).code, 2);
  CliRun listed = in({"prefs", "list"});
  EXPECT_NE(listed.out.find("Check QuickBooks for possible duplicate invoices"), std::string::npos)
      << listed.out;
  RecordDoc saved;
  ASSERT_TRUE(saved.LoadXmlFile(folder + "/QBsetup.xml"));
  EXPECT_EQ(saved.GetChildContent("optapply0"), "True");
}

TEST_F(Cli, ParseAddressShowsTheSplitAndTheMeans) {
  ASSERT_EQ(makeDemo({"--customers", "3", "--invoices", "2"}).code, 0);
  CliRun parsed =
      in({"parse-address", "--json", "Acme Corp\\n12 Main St Suite 4\\nSpringfield, IL 62701"});
  ASSERT_EQ(parsed.code, 0) << parsed.err;
  EXPECT_EQ(
      parsed.out,
      "{\"line1\": \"Acme Corp\", \"line2\": \"12 Main St\", \"line3\": \"Suite 4\", \"line4\": "
      "\"\", \"city\": \"Springfield\", \"state\": \"IL\", \"postalCode\": \"62701\", "
      "\"country\": \"\", \"means\": \"parser\"}\n");
}

// Any text survives the JSON output: quotes, a backslash, "&<>", a tab and a non-ASCII letter
// (written as UTF-8, not as \u escapes) parse back to the same name.
TEST_F(Cli, JsonOutputParsesBackToTheSameText) {
  ASSERT_EQ(makeDemo({"--customers", "5", "--invoices", "2"}).code, 0);
  const std::string name = "Caf\u00e9 \"Q\" \\ &<>\tLtd";
  execute("UPDATE Customers SET Description = '" + sql_quote(name) + "' WHERE Link = 1004");

  CliRun listed = in({"list", "customers", "--json"});
  ASSERT_EQ(listed.code, 0) << listed.err;
  EXPECT_NE(listed.out.find("\"Caf\u00e9 \\\"Q\\\" \\\\ &<>\\tLtd\""), std::string::npos)
      << listed.out;
  const auto records = nlohmann::ordered_json::parse(listed.out);
  ASSERT_TRUE(records.is_array());
  std::vector<std::string> keys;
  for (auto item = records.at(0).begin(); item != records.at(0).end(); ++item)
    keys.push_back(item.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"Company", "Phone", "Comment", "Sent"}))
      << "in the order of the columns";
  std::vector<std::string> named;
  for (const auto& record : records)
    if (record.at("Comment") == "1004") named.push_back(record.at("Company"));
  EXPECT_EQ(named, std::vector<std::string>{name});
}

TEST_F(Cli, SendCustomersPrintsEachResultAsTheGridWould) {
  ASSERT_EQ(makeDemo({"--customers", "10", "--invoices", "4"}).code, 0);
  CliRun sent = in({"send", "customers", "--all"});
  EXPECT_EQ(sent.code, 1) << "the demo leaves some codes unmapped on purpose";
  EXPECT_NE(sent.out.find(": Success\n"), std::string::npos) << sent.out;
  for (std::size_t at = sent.out.find(": Success\n"); at != std::string::npos;
       at = sent.out.find(": Success\n", at + 1)) {
    const std::string link = key_at(sent.out, at);
    EXPECT_NE(value("SELECT QBAccountNumber FROM Customers WHERE Link = " + link), "")
        << "customer " << link << " is linked to QuickBooks";
  }
  CliRun again = in({"send", "customers", "1", "--summary"});
  EXPECT_TRUE(
      again.out.ends_with("1: not found among the records not exported yet\n"
                          "customers: 0 sent, 1 not sent\n"
                          "  1 x not found among the records not exported yet\n"))
      << again.out;
}

// Reasons that differ only in their numbers are one kind, the most frequent first.
TEST(SendSummary, CountsTheSentAndGroupsWhyTheOthersWereNot) {
  EXPECT_EQ(cli::send_summary("payments", {{true, "Sent!"},
                                           {false, "Invoice 10003 not found in QuickBooks."},
                                           {false, "Stopped: tax code <T&1> unmapped"},
                                           {false, "Invoice 10017 not found in QuickBooks."},
                                           {false, ""}}),
            "payments: 1 sent, 4 not sent\n"
            "  2 x Invoice 10003 not found in QuickBooks.\n"
            "  1 x Stopped: tax code <T&1> unmapped\n"
            "  1 x (no result: stopped before this record)\n");
  EXPECT_EQ(cli::send_summary("pos", {}), "pos: 0 sent, 0 not sent\n");
}

// Invoices go once: a preview sends and writes nothing; a resend after "mark --not-sent" is
// caught by the duplicate check and answered by --on-duplicate.
TEST_F(Cli, InvoicesArePreviewedSentOnceAndDuplicatesFollowTheOption) {
  ASSERT_EQ(makeDemo({"--customers", "12", "--invoices", "20"}).code, 0);
  CliRun sent = in({"--yes", "send", "invoices", "--all", "--create-missing"});
  EXPECT_EQ(sent.code, 1) << "the demo leaves some codes unmapped on purpose";
  const std::size_t at = sent.out.find(": Sent! \n");
  ASSERT_NE(at, std::string::npos) << sent.out;
  const std::string number = key_at(sent.out, at);
  auto flag = [&] { return value("SELECT QuickBooks FROM CustSO WHERE Number = " + number); };
  const std::size_t invoices = company().list(qb::sim::Kind::Invoice).size();
  ASSERT_EQ(in({"mark", "invoices", "--not-sent", number}).code, 0);

  CliRun preview = in({"preview", "invoices", number, "1"});
  EXPECT_EQ(preview.code, 1) << "invoice 1 does not exist";
  EXPECT_EQ(
      preview.out.find(
          number +
          ": would send\n<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<?qbxml version=\"3.0\"?>\n"),
      0u)
      << preview.out;
  EXPECT_NE(preview.out.find("<InvoiceAddRq requestID=\"1\"><InvoiceAdd><CustomerRef>"),
            std::string::npos);
  EXPECT_NE(preview.out.find("\n1: Cannot find invoice in Vantora database.\n"), std::string::npos);
  EXPECT_EQ(flag(), "0");

  ASSERT_EQ(in({"prefs", "set", "chkdupinvoices", "1"}).code, 0);
  struct Case {
    const char* option;
    const char* result;
    const char* flag;
  };
  for (const Case& c :
       {Case{"skip", "Possible duplicate invoice. User selected not send invoice.", "0"},
        Case{"mark",
             "Possible duplicate invoice. User selected not send invoice. invoice marked as "
             "exported",
             "1"}}) {
    CliRun again = in({"send", "invoices", number, "--on-duplicate", c.option});
    EXPECT_EQ(again.code, 1) << c.option;
    EXPECT_NE(again.out.find(": " + std::string(c.result) + "\n"), std::string::npos) << again.out;
    EXPECT_EQ(flag(), c.flag) << c.option;
  }
  EXPECT_EQ(company().list(qb::sim::Kind::Invoice).size(), invoices);
}

// Purchase orders: a preview sends nothing; a send creates a supplier QuickBooks lacks when
// asked to; a resend is caught by the duplicate check and marked by --on-duplicate mark.
TEST_F(Cli, PurchaseOrdersArePreviewedSentAndDuplicatesMarked) {
  ASSERT_EQ(makeDemo({"--purchase-orders", "12"}).code, 0);
  auto orders = [&] { return company().list(qb::sim::Kind::PurchaseOrder).size(); };
  CliRun preview = in({"preview", "pos", "1"});
  EXPECT_EQ(preview.out, "1: Cannot find purchase order in Vantora database.\n");
  CliRun sent = in({"send", "pos", "--all", "--create-missing"});
  const std::size_t at = sent.out.find(": Sent!\n");
  ASSERT_NE(at, std::string::npos) << sent.out;
  const std::string number = key_at(sent.out, at);
  const std::size_t added = orders();
  ASSERT_GT(added, 0u);
  ASSERT_EQ(in({"mark", "pos", "--not-sent", number}).code, 0);
  preview = in({"preview", "pos", number});
  EXPECT_EQ(preview.code, 0) << preview.out << preview.err;
  EXPECT_NE(preview.out.find(number + ": would send\n"), std::string::npos) << preview.out;
  EXPECT_NE(preview.out.find("<PurchaseOrderAddRq requestID=\"1\"><PurchaseOrderAdd><VendorRef>"),
            std::string::npos);
  ASSERT_EQ(in({"prefs", "set", "chkduppurchaseorders", "1"}).code, 0);
  CliRun again = in({"send", "pos", number, "--on-duplicate", "mark"});
  EXPECT_NE(again.out.find(": Possible duplicate purchase order. User selected not send "
                           "purchase order. Purchase order marked as exported\n"),
            std::string::npos)
      << again.out;
  EXPECT_EQ(orders(), added);
}

// A payment applied to an invoice QuickBooks does not have yet: the preview names the invoice
// and writes nothing; --send-invoices sends it first; a resend is caught as a duplicate.
TEST_F(Cli, PaymentsArePreviewedSentWithTheirInvoicesAndNeverTwice) {
  ASSERT_EQ(makeDemo({"--customers", "12", "--invoices", "4", "--payments", "0"}).code, 0);
  const std::string customer = value(
      "SELECT Link FROM Customers WHERE QBAccountNumber <> '' AND Rep BETWEEN 31 AND 34 ORDER "
      "BY Link LIMIT 1");
  execute(
      "INSERT INTO CustSO (Number, Customer, Status, InvDate, SalesRep, TaxType1, "
      "TaxPercentage1, TaxAmount1, DiscAmount, Total, QuickBooks, xmlAdd) VALUES (90001, " +
      customer + ", 4, 46000, " + value("SELECT Rep FROM Customers WHERE Link = " + customer) +
      ", 1, 8.25, 0, 0, 100, 0, '')");
  execute(
      "INSERT INTO custsodetail (SONumber, LineNumber, LineType, PrintLine, Description, Qty, "
      "UnitPrice, AdjustedQty, LineChargeAdjusted, SalesGroup, Tax1, AmortizeGroup, QBClass) "
      "VALUES (90001, 1, 'Service', 1, 'Logo', 1, 100, 1, 100, 'EMB', 12, 0, '')");
  execute("INSERT INTO CustPost (id, Customer, Trans, WONumber) VALUES (90001, " + customer +
          ", 'INV', 90001), (95001, " + customer + ", 'PMT', 0)");
  execute("UPDATE CustPost SET ReceiptNumber = 95001 WHERE id = 95001");
  execute(
      "INSERT INTO CustPayments (Number, Customer, Date, Amount, Method, Reference, POS, "
      "Voided, QuickBooks) VALUES (95001, " +
      customer + ", 46010, 30, 42, '', 0, 0, 0)");
  execute("INSERT INTO CustAllocate (CRef, DRef, Amount) VALUES (95001, 90001, 30)");
  ASSERT_EQ(in({"prefs", "set", "optapply2", "True"}).code, 0);
  auto payments = [&] { return company().list(qb::sim::Kind::ReceivePayment); };

  CliRun preview = in({"preview", "payments", "95001"});
  EXPECT_EQ(preview.code, 0) << preview.out << preview.err;
  EXPECT_EQ(
      preview.out.find(
          "95001: would send\n  invoice 90001 would have to be sent to QuickBooks first\n<?xml"),
      0u)
      << preview.out;
  EXPECT_NE(preview.out.find("<IsAutoApply>false</IsAutoApply>"), std::string::npos);
  EXPECT_EQ(value("SELECT QuickBooks FROM CustSO WHERE Number = 90001"), "0");
  EXPECT_TRUE(payments().empty());

  CliRun sent = in({"send", "payments", "95001", "--send-invoices"});
  EXPECT_EQ(sent.code, 0) << sent.out << sent.err;
  EXPECT_NE(
      sent.out.find("95001 " + value("SELECT Description FROM Customers WHERE Link = " + customer) +
                    ": Sent!\n"),
      std::string::npos)
      << sent.out;
  ASSERT_EQ(payments().size(), 1u);
  EXPECT_EQ(payments()[0].value("AppliedToTxnRet/Amount"), "30.00");
  EXPECT_EQ(payments()[0].value("AppliedToTxnRet/BalanceRemaining"), "70.00");

  ASSERT_EQ(in({"mark", "payments", "--not-sent", "95001"}).code, 0);
  ASSERT_EQ(in({"prefs", "set", "chkduppayments", "1"}).code, 0);
  CliRun again = in({"send", "payments", "--all", "--on-duplicate", "mark"});
  EXPECT_EQ(again.code, 1);
  EXPECT_NE(again.out.find(": Possible duplicate payment. User selected not send payment. "
                           "Payment marked as exported\n"),
            std::string::npos)
      << again.out;
  EXPECT_EQ(value("SELECT QuickBooksRef FROM CustPayments WHERE Number = 95001"), payments()[0].id);
  EXPECT_EQ(payments().size(), 1u);
}

// Lines of the output that do not end with `ending`.
std::vector<std::string> lines_not_ending(const std::string& text, const std::string& ending) {
  std::vector<std::string> odd;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);)
    if (line.size() < ending.size() ||
        line.compare(line.size() - ending.size(), ending.size(), ending) != 0)
      odd.push_back(line);
  return odd;
}

// Everything the demo has not exported goes to QuickBooks from the command line, and a second,
// empty Vantora database then takes every QuickBooks customer and supplier back in; names with
// quotes, ampersands and angle brackets arrive unchanged both ways.
TEST_F(Cli, DemoRecordsGoToQuickBooksAndComeBackIntoAnEmptyDatabase) {
  const std::string first = dir.file("first"), second = dir.file("second");
  ASSERT_EQ(
      run_cli({"demo", first, "--customers", "12", "--suppliers", "8", "--invoices", "4"}).code, 0);
  CliRun customers =
      run_cli({"--settings", first, "send", "customers", "--all", "--name",
               "Northern Alberta Regional Minor Hockey Association=Northern Alberta Minor Hockey",
               "--assign", "2% 10 Net 30=Net 30", "--assign", "Dana=RP", "--assign",
               "Government=Education", "--assign", "Special District Levy=District Levy"});
  EXPECT_EQ(customers.code, 0) << customers.out << customers.err;
  EXPECT_EQ(lines_not_ending(customers.out, ": Success"), std::vector<std::string>{})
      << customers.err;
  CliRun suppliers = run_cli({"--settings", first, "send", "suppliers", "--all"});
  EXPECT_EQ(suppliers.code, 0) << suppliers.out << suppliers.err;

  const std::string company = first + "/demo-company.qbxml";
  qb::sim::SimulatedCompany(company).addCustomer("Owing & <Co>", {{"OpenBalance", "12.34"}});
  ASSERT_EQ(run_cli({"demo", second, "--empty", "--company", company}).code, 0);
  CliRun imported =
      run_cli({"--settings", second, "import", "customers", "--all", "--opening-balances"});
  EXPECT_EQ(imported.code, 0) << imported.out << imported.err;
  EXPECT_EQ(lines_not_ending(imported.out, ": Sent"), std::vector<std::string>{});
  EXPECT_NE(imported.err.find("  -> Yes (--opening-balances)"), std::string::npos) << imported.err;
  CliRun importedSuppliers = run_cli({"--settings", second, "import", "suppliers", "--all"});
  EXPECT_EQ(importedSuppliers.code, 0) << importedSuppliers.out << importedSuppliers.err;

  qb::sim::SimulatedCompany sim(company);
  auto db = open_database(second + "/vantora.db");
  auto linked = [&](const std::string& sql) {
    std::set<std::string> names;
    for (const auto& row : db->queryAll(sql).rows) names.insert(row.at(0).value_or(""));
    return names;
  };
  std::set<std::string> qbCustomers, qbVendors;
  for (const auto& entry : sim.list(qb::sim::Kind::Customer))
    qbCustomers.insert(entry.value("FullName"));
  for (const auto& entry : sim.list(qb::sim::Kind::Vendor)) qbVendors.insert(entry.value("Name"));
  EXPECT_EQ(linked("SELECT QBAccountNumber FROM Customers"), qbCustomers);
  EXPECT_EQ(linked("SELECT QBAccount FROM Suppliers"), qbVendors);
  EXPECT_EQ(
      linked("SELECT Description FROM Customers WHERE QBAccountNumber = 'O''Brien & Sons <West>'"),
      std::set<std::string>{"O'Brien & Sons <West>"});
  EXPECT_EQ(
      linked(
          "SELECT Description FROM Suppliers WHERE QBAccount = 'Prairie Embroidery Supply <East>'")
          .size(),
      1u);

  // Nothing is imported twice.
  CliRun again = run_cli({"--settings", second, "import", "customers", "--all"});
  EXPECT_EQ(again.code, 0);
  EXPECT_EQ(again.out, "Nothing to import: every QuickBooks customer is already in Vantora.\n");
  CliRun named =
      run_cli({"--settings", second, "import", "customers", "O'Brien & Sons <West>", "Nobody"});
  EXPECT_EQ(named.code, 1);
  EXPECT_EQ(named.out,
            "O'Brien & Sons <West>: Already in Vantora: not imported again\nNobody: not found "
            "in QuickBooks\n");
  EXPECT_EQ(linked("SELECT count(*) FROM Customers"),
            std::set<std::string>{std::to_string(qbCustomers.size())});
  EXPECT_EQ(run_cli({"--settings", second, "import", "invoices", "--all"}).code, 2);
  EXPECT_EQ(run_cli({"--settings", second, "import", "customers"}).code, 2);

  // The balances came with the customers: the balance import books none of them again.
  CliRun balances = run_cli({"--settings", second, "import", "balances", "--all"});
  EXPECT_EQ(balances.code, 0) << balances.err;
  EXPECT_EQ(balances.out.find("Booked"), std::string::npos) << balances.out;
  EXPECT_NE(balances.out.find(
                "Owing & <Co>: Skipped: an opening balance from QuickBooks is already booked\n"),
            std::string::npos)
      << balances.out;
}

// The synchronisation commands on the demo: one line per customer, wrong arguments refused.
TEST_F(Cli, SyncUpdateAndBalanceCommandsPrintOneLinePerCustomer) {
  ASSERT_EQ(makeDemo({"--customers", "6", "--invoices", "12", "--payments", "0",
                      "--purchase-orders", "0", "--suppliers", "1"})
                .code,
            0);
  CliRun updated = in({"update-customers", "--phone", "--email", "--all"});
  EXPECT_EQ(updated.code, 0) << updated.err;
  EXPECT_FALSE(updated.out.empty());
  EXPECT_EQ(lines_not_ending(updated.out, ": Updated"), std::vector<std::string>{});
  CliRun noOption = in({"update-customers", "--all"});
  EXPECT_EQ(noOption.code, 2);
  EXPECT_NE(noOption.err.find(
                "[Error] You need to select at least one option from the check boxes above\n"),
            std::string::npos);
  CliRun unknown = in({"update-customers", "--fax", "99999"});
  EXPECT_EQ(unknown.code, 1);
  EXPECT_EQ(unknown.out, "99999: not a customer linked to QuickBooks\n");

  // Customers already in QuickBooks are linked again (--yes answers the question).
  CliRun synced = in({"--yes", "sync", "contacts", "--all"});
  EXPECT_EQ(synced.code, 0) << synced.err;
  EXPECT_EQ(lines_not_ending(synced.out, ": Success"), std::vector<std::string>{});
  EXPECT_EQ(in({"sync", "contacts"}).code, 2);

  company().addCustomer("Owing Co", {{"OpenBalance", "-150.25"}});
  execute(
      "UPDATE Customers SET QBAccountNumber = 'Owing Co' WHERE Link = (SELECT MIN(Link) FROM "
      "Customers)");
  CliRun booked = in({"import", "balances"});
  EXPECT_EQ(booked.code, 0) << booked.err;
  EXPECT_NE(booked.out.find("Owing Co: Booked: credit 150.25\n"), std::string::npos) << booked.out;
  CliRun again = in({"import", "balances", "--all"});
  EXPECT_EQ(again.code, 0);
  EXPECT_EQ(again.out.find("Booked"), std::string::npos) << again.out;
  EXPECT_NE(again.out.find(": Skipped: "), std::string::npos) << again.out;
  CliRun nobody = in({"import", "balances", "Nobody"});
  EXPECT_EQ(nobody.code, 1);
  EXPECT_EQ(nobody.out, "Nobody: not found in QuickBooks\n");
}

TEST_F(Cli, OnATerminalTheAssignWindowListsTheEntriesToChooseFrom) {
  ASSERT_EQ(makeDemo().code, 0);
  // Customer 1037 has the terms "2% 10 Net 30", which the demo leaves unmapped.
  CliRun sent = in({"send", "customers", "1037"}, "3\n", true);
  EXPECT_EQ(sent.out, "1037 Ironwood Catering: Success\n") << sent.err;
  EXPECT_NE(
      sent.err.find(
          "  1. Due on receipt\n  2. Net 15\n  3. Net 30\n  4. Net 60\n  Number (empty cancels): "),
      std::string::npos)
      << sent.err;
  EXPECT_EQ(value("SELECT QuickBooks FROM Terms WHERE Description = '2% 10 Net 30'"), "Net 30")
      << "the choice is kept as the mapping";
}

TEST_F(Cli, ConnectFailsPlainlyWhenQuickBooksIsClosed) {
  ASSERT_EQ(makeDemo({"--customers", "3", "--invoices", "2"}).code, 0);
  ASSERT_EQ(in({"qb", "close"}).code, 0);
  CliRun connected = in({"connect"});
  EXPECT_EQ(connected.code, 1);
  EXPECT_NE(connected.err.find(
                "[Connection Error] Vantora cannot connect to QuickBooks.\n\nError 20852 - "),
            std::string::npos)
      << connected.err;
}

TEST(CliUi, QuestionsFollowThePolicyOrTheTerminal) {
  std::istringstream in("y\n\n");
  std::ostringstream err;
  cli::CliUi interactive(in, err, true);
  EXPECT_EQ(interactive.messageBox("Go?", Buttons::YesNo, Icon::Question, "Confirm"), Answer::Yes);
  EXPECT_EQ(interactive.messageBox("Go?", Buttons::YesNo, Icon::Question, "Confirm"), Answer::No);
  EXPECT_EQ(err.str(), "[Confirm] Go?\n  [y/N] [Confirm] Go?\n  [y/N] ");

  std::istringstream none;
  std::ostringstream err2;
  cli::CliUi batch(none, err2, false);
  EXPECT_EQ(batch.messageBox("Go?", Buttons::YesNo, Icon::Question, "Confirm"), Answer::No);
  batch.assumeYes = true;
  EXPECT_EQ(batch.messageBox("Go?", Buttons::YesNo, Icon::Question, "Confirm"), Answer::Yes);
  EXPECT_EQ(batch.inputBox("Name?", "Input", "x"), "") << "not interactive: cancelled";
  EXPECT_EQ(cli::terminal_text("a\r\nb"), "a\nb");
  EXPECT_EQ(cli::terminal_text("O'Brien \x1b[2J& <Sons>\a\r"), "O'Brien [2J& <Sons>");
}

TEST(CliUi, AQuestionRuleAnswersItsQuestionOnly) {
  std::istringstream none;
  std::ostringstream err;
  cli::CliUi ui(none, err, false);
  ui.assumeYes = false;
  ui.questionRules.push_back(
      {Buttons::YesNoCancel, " already exists in QuickBooks.", true, "--on-name-taken link"});
  EXPECT_EQ(
      ui.messageBox("A customer called, X, already exists in QuickBooks.\r\nClick 'YES' to link",
                    Buttons::YesNoCancel, Icon::Information, "Please Select"),
      Answer::Yes);
  EXPECT_EQ(ui.messageBox("There is no valid sales rep associated with this customer in "
                          "Vantora. Do you want to continue?",
                          Buttons::YesNo, Icon::Question, "Confirm"),
            Answer::No);
  EXPECT_NE(err.str().find("  -> Yes (--on-name-taken link)\n"), std::string::npos) << err.str();
  EXPECT_NE(err.str().find("  -> No (--no)\n"), std::string::npos) << err.str();
}

TEST(CliUi, NameAnswersAreGivenOncePerBox) {
  std::istringstream none;
  std::ostringstream err;
  cli::CliUi ui(none, err, false);
  ui.inputAnswers = {{"Long & <Co>", "Short"}};
  EXPECT_EQ(
      ui.inputBox("The customer name Long & <Co> is too long.", "Sending Customer", "Long & <Co"),
      "Short");
  EXPECT_EQ(ui.inputBox("Please enter another name.", "Sending Customer", "Long & <Co>"), "Short");
  EXPECT_EQ(ui.inputBox("Please enter another name.", "Sending Customer", "Long & <Co>"), "")
      << "the same box again: the answer was refused, so give up instead of looping";
  EXPECT_EQ(ui.inputBox("Please enter another name.", "Sending Customer", "Other"), "");
  EXPECT_NE(err.str().find("  -> Short (--name Long & <Co>=Short)\n"), std::string::npos)
      << err.str();
}

}  // namespace
}  // namespace vqb
