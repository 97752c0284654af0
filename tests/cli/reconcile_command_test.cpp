// vqb-cli reconcile on a demo whose records were all sent, then changed behind the
// integrator's back in QuickBooks (the company file, a qbXML add) and in Vantora (SQL).

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <pugixml.hpp>
#include <set>
#include <tuple>

#include "app/database.h"
#include "quickbooks/sim/simulated_company.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace vqb {
namespace {

using test::CliRun;
using test::run_cli;
using Row = std::tuple<std::string, std::string, std::string, std::string, std::string, std::string,
                       std::string>;  // kind key problem field vantora qb id

class Reconcile : public ::testing::Test {
 protected:
  CliRun in(std::vector<std::string> args) {
    args.insert(args.begin(), {"--settings", folder});
    return run_cli(args);
  }
  std::vector<std::string> column(const std::string& sql) {
    std::vector<std::string> out;
    for (const auto& row : open_database(folder + "/vantora.db")->queryAll(sql).rows)
      out.push_back(row.at(0).value_or(""));
    return out;
  }
  std::string value(const std::string& sql) { return column(sql).at(0); }
  void execute(const std::string& sql) { open_database(folder + "/vantora.db")->execute(sql); }
  std::string company() const { return folder + "/demo-company.qbxml"; }

  // A small demo (whose company holds what it shows as sent) with every other record the demo
  // could send sent as the commands send it. Codes
  // the demo leaves unmapped on purpose keep some records unsent; allocations to those leave
  // their payments unapplied, which reconcile rightly reports, so they are dropped afterwards.
  // Lines carry their discounted price as unit price too, so that invoices sent with unit
  // prices (lines of several tax codes) come to the Vantora total.
  void sendEverything() {
    ASSERT_EQ(run_cli({"demo", folder, "--customers", "12", "--suppliers", "5", "--invoices", "30",
                       "--payments", "12", "--purchase-orders", "6"})
                  .code,
              0);
    execute("UPDATE custsodetail SET UnitPrice = LineChargeAdjusted, Qty = AdjustedQty");
    ASSERT_EQ(in({"prefs", "set", "optapply2", "True"}).code, 0);
    for (std::vector<std::string> send :
         {std::vector<std::string>{"customers", "--all"},
          {"suppliers", "--all"},
          {"invoices", "--all", "--create-missing"},
          {"payments", "--all", "--send-invoices", "--create-missing"},
          {"pos", "--all", "--create-missing"}}) {
      send.insert(send.begin(), {"--yes", "send"});
      in(send);
    }
    const std::string unsent = "(SELECT Number FROM CustSO WHERE QuickBooks > 0)";
    execute(
        "DELETE FROM CustAllocate WHERE CRef IN (SELECT a.CRef FROM CustAllocate a JOIN CustPost "
        "p ON p.id = a.DRef WHERE p.WONumber >= 1 AND p.WONumber NOT IN " +
        unsent + ") OR CRef IN (SELECT PostLink FROM CustWOPayments WHERE WONumber NOT IN " +
        unsent + ")");
    execute("DELETE FROM CustWOPayments WHERE WONumber NOT IN " + unsent);
  }

  // Changes the company behind the integrator's back: its XML form edited and imported back.
  void editCompany(const std::function<void(pugi::xml_node)>& edit) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(qb::sim::SimulatedCompany(company()).xmlText().c_str()));
    edit(doc.document_element());
    const std::string edited = dir.file("edited.xml");
    ASSERT_TRUE(doc.save_file(edited.c_str()));
    qb::sim::SimulatedCompany::importXml(edited, company());
  }
  static pugi::xml_node txn(pugi::xml_node root, const char* tag, const std::string& id) {
    return root.find_node([&](pugi::xml_node n) {
      return std::string_view(n.name()) == tag && id == n.child_value("TxnID");
    });
  }
  std::string invoiceTxn(const std::string& number) {
    const std::string xml = value("SELECT xmlAdd FROM CustSO WHERE Number = " + number);
    const std::size_t at = xml.find("<QBReference>") + 13;
    return xml.substr(at, xml.find('<', at) - at);
  }

  std::set<Row> rows(const CliRun& run) {
    std::set<Row> out;
    const nlohmann::json parsed = nlohmann::json::parse(run.out);
    for (const auto& d : parsed.at("differences")) {
      auto get = [&](const char* name) { return d.at(name).get<std::string>(); };
      out.insert({get("kind"), get("key"), get("problem"), get("field"), get("vantora"),
                  get("quickbooks"), get("id")});
    }
    return out;
  }

  test::TempDir dir;
  const std::string folder = dir.file("demo");
};

TEST_F(Reconcile, SentDemoAgreesAndEachChangeBehindItsBackIsReportedOnce) {
  sendEverything();
  const long marked =
      std::stol(value("SELECT (SELECT COUNT(*) FROM CustSO WHERE QuickBooks > 0) + (SELECT "
                      "COUNT(*) FROM CustPayments WHERE QuickBooks > 0) + (SELECT COUNT(*) FROM "
                      "SuppPO WHERE SendQB > 0) + (SELECT COUNT(*) FROM Customers WHERE "
                      "QBAccountNumber <> '') + (SELECT COUNT(*) FROM Suppliers WHERE QBAccount "
                      "<> '')"));
  const std::string n = std::to_string(marked);
  CliRun clean = in({"reconcile"});
  EXPECT_EQ(clean.code, 0) << clean.err;
  EXPECT_EQ(clean.out, "Checked " + n + " records: " + n + " agree, 0 differ.\n");

  const auto payments = column(
      "SELECT p.Number FROM CustPayments p WHERE p.QuickBooks > 0 ORDER BY (SELECT COUNT(*) FROM "
      "CustAllocate a JOIN CustPost c ON c.id = a.CRef WHERE c.Trans = 'PMT' AND c.ReceiptNumber "
      "= p.Number) DESC, p.Number");
  ASSERT_GE(payments.size(), 3u);
  const std::string applied = payments[0], changedTotal = payments[1], unlinked = payments[2];
  const std::string appliedTo = value(
      "SELECT d.WONumber FROM CustAllocate a JOIN CustPost c ON c.id = a.CRef JOIN CustPost "
      "d ON d.id = a.DRef WHERE c.Trans = 'PMT' AND c.ReceiptNumber = " +
      applied + " LIMIT 1");
  const auto invoices = column(
      "SELECT Number FROM CustSO WHERE QuickBooks > 0 AND Status = 4 "
      "AND Number <> " +
      appliedTo + " ORDER BY Number");
  ASSERT_GE(invoices.size(), 6u);
  const std::string removed = invoices[0], otherParty = invoices[1], redated = invoices[2],
                    copied = invoices[3], unmarked = invoices[4], target = invoices[5];
  const auto orders = column("SELECT Number FROM SuppPO WHERE SendQB > 0 ORDER BY Number");
  ASSERT_GE(orders.size(), 3u);
  const std::string supplier = value(
      "SELECT QBAccount FROM Suppliers WHERE QBAccount <> '' "
      "ORDER BY Link LIMIT 1");
  const std::string supplierLink =
      value("SELECT Link FROM Suppliers WHERE QBAccount <> '' ORDER BY Link LIMIT 1");
  const std::string stranger = value(
      "SELECT QBAccountNumber FROM Customers WHERE QBAccountNumber <> '' AND Link <> "
      "(SELECT Customer FROM CustSO WHERE Number = " +
      otherParty + ") ORDER BY Link LIMIT 1");
  const std::string party = value(
      "SELECT c.QBAccountNumber FROM CustSO s JOIN Customers c ON c.Link = s.Customer WHERE "
      "s.Number = " +
      otherParty);
  std::string paymentTxn, paymentTotal, appliedAmount, reference;
  std::string orderTxn[3];
  for (int i = 0; i < 3; ++i)
    orderTxn[i] = value("SELECT QBURef FROM SuppPO WHERE Number = " + orders[i]);

  editCompany([&](pugi::xml_node root) {
    pugi::xml_node gone = txn(root, "InvoiceRet", invoiceTxn(removed));
    gone.parent().remove_child(gone);
    txn(root, "InvoiceRet", invoiceTxn(otherParty))
        .child("CustomerRef")
        .child("FullName")
        .text()
        .set(stranger.c_str());
    txn(root, "InvoiceRet", invoiceTxn(redated)).child("TxnDate").text().set("2001-02-03");
    paymentTxn = value("SELECT QuickBooksRef FROM CustPayments WHERE Number = " + changedTotal);
    pugi::xml_node total = txn(root, "ReceivePaymentRet", paymentTxn).child("TotalAmount");
    paymentTotal = total.child_value();
    total.text().set(
        (std::to_string(std::stoi(paymentTotal) + 1) + paymentTotal.substr(paymentTotal.find('.')))
            .c_str());
    pugi::xml_node application =
        txn(root, "ReceivePaymentRet",
            value("SELECT QuickBooksRef FROM CustPayments WHERE Number = " + applied))
            .child("AppliedToTxnRet");
    appliedAmount = application.child_value("Amount");
    application.child("TxnID").text().set(invoiceTxn(target).c_str());
    pugi::xml_node ref = txn(root, "PurchaseOrderRet", orderTxn[0]).child("RefNumber");
    reference = ref.child_value();
    ref.text().set(("X" + reference).c_str());
    // Halves round away from zero: 10.125 is sent as 10.13, 10.375 as 10.38.
    txn(root, "PurchaseOrderRet", orderTxn[1]).child("TotalAmount").text().set("10.13");
    txn(root, "PurchaseOrderRet", orderTxn[2]).child("TotalAmount").text().set("10.37");
    root.find_node([&](pugi::xml_node node) {
          return std::string_view(node.name()) == "VendorRet" &&
                 supplier == node.child_value("Name");
        })
        .child("Name")
        .text()
        .set("Renamed Vendor");
  });
  execute("UPDATE SuppPO SET Subtotal = 10.125 WHERE Number = " + orders[1]);
  execute("UPDATE SuppPO SET Subtotal = 10.375 WHERE Number = " + orders[2]);
  execute("UPDATE CustSO SET QuickBooks = 0 WHERE Number = " + unmarked);
  execute("UPDATE CustPayments SET QuickBooksRef = '' WHERE Number = " + unlinked);
  // A second copy of an invoice, added as any other program would add it.
  qb::sim::SimulatedCompany sim(company());
  const std::string item = value("SELECT QB FROM SalesGroup WHERE QB <> '' LIMIT 1");
  const std::string copyParty = value(
      "SELECT c.QBAccountNumber FROM CustSO s JOIN Customers c ON c.Link = s.Customer WHERE "
      "s.Number = " +
      copied);
  sim.process(
      "<?xml version=\"1.0\"?><?qbxml version=\"13.0\"?><QBXML><QBXMLMsgsRq "
      "onError=\"stopOnError\"><InvoiceAddRq><InvoiceAdd><CustomerRef><ListID>" +
      sim.findByName(qb::sim::Kind::Customer, copyParty)->id +
      "</ListID></CustomerRef><RefNumber>" + copied +
      "</RefNumber><InvoiceLineAdd><ItemRef><FullName>" + item +
      "</FullName></ItemRef><Amount>1.00</Amount></InvoiceLineAdd></InvoiceAdd></InvoiceAddRq></"
      "QBXMLMsgsRq></QBXML>");
  const std::string copyTxn = sim.list(qb::sim::Kind::Invoice).back().id;

  const std::string csv = dir.file("differences.csv");
  CliRun changed = in({"reconcile", "--json", "--csv", csv});
  EXPECT_EQ(changed.code, 1) << changed.err;
  const std::string date = value(
      "SELECT date((InvDate - 25569) * 86400, 'unixepoch') FROM CustSO WHERE Number = " + redated);
  const std::string moreTotal =
      std::to_string(std::stoi(paymentTotal) + 1) + paymentTotal.substr(paymentTotal.find('.'));
  const std::set<Row> expected = {
      {"invoice", removed, "missing", "", invoiceTxn(removed), "", invoiceTxn(removed)},
      {"invoice", otherParty, "party", "", party, stranger, invoiceTxn(otherParty)},
      {"invoice", redated, "date", "", date, "2001-02-03", invoiceTxn(redated)},
      {"invoice", copied, "doubled", "", invoiceTxn(copied), copied, copyTxn},
      {"invoice", unmarked, "unmarked", "", "not marked as sent", unmarked, invoiceTxn(unmarked)},
      {"payment", changedTotal, "amount", "total", paymentTotal, moreTotal, paymentTxn},
      {"payment", applied, "applications", "", appliedTo + ": " + appliedAmount,
       target + ": " + appliedAmount,
       value("SELECT QuickBooksRef FROM CustPayments WHERE Number = " + applied)},
      {"payment", unlinked, "unlinked", "", "marked as sent", "", ""},
      {"po", orders[0], "reference", "", reference, "X" + reference, orderTxn[0]},
      {"po", orders[2], "amount", "total", "10.38", "10.37", orderTxn[2]},
      {"supplier", supplierLink, "missing", "", supplier, "", ""},
  };
  EXPECT_EQ(rows(changed), expected) << changed.out;
  const auto summary = nlohmann::json::parse(changed.out);
  EXPECT_EQ(summary["checked"], marked);
  EXPECT_EQ(summary["agree"], marked - 11);

  CliRun table = in({"reconcile"});
  EXPECT_EQ(table.code, 1);
  EXPECT_NE(table.out.find("Checked " + n + " records: " + std::to_string(marked - 11) +
                           " agree, 11 differ.\n"),
            std::string::npos)
      << table.out;
  EXPECT_NE(table.out.find("amount (total)"), std::string::npos);
  std::ifstream file(csv);
  std::string header, line;
  std::getline(file, header);
  EXPECT_EQ(header, "kind,key,party,problem,field,vantora,quickbooks,id\r");
  std::size_t lines = 0;
  while (std::getline(file, line)) ++lines;
  EXPECT_EQ(lines, 11u);

  // One kind, a period: the orders of no day agree trivially; the invoices of one day.
  EXPECT_EQ(in({"reconcile", "pos", "--to", "1999-12-31"}).out,
            "Checked 0 records: 0 agree, 0 differ.\n");
  const std::string day =
      value("SELECT date((InvDate - 25569) * 86400, 'unixepoch') FROM CustSO WHERE Number = " +
            otherParty);
  CliRun oneDay = in({"reconcile", "invoices", "--from", day, "--to", day, "--json"});
  for (const Row& row : rows(oneDay)) EXPECT_EQ(std::get<0>(row), "invoice");
  EXPECT_EQ(rows(oneDay).count(
                {"invoice", otherParty, "party", "", party, stranger, invoiceTxn(otherParty)}),
            1u)
      << oneDay.out;
}

TEST_F(Reconcile, WrongArgumentsAndAnUnreachableQuickBooksSayWhy) {
  ASSERT_EQ(run_cli({"demo", folder, "--customers", "3", "--invoices", "2"}).code, 0);
  struct Case {
    std::vector<std::string> args;
    const char* message;
  };
  for (const Case& c :
       {Case{{"reconcile", "bills"},
             "Unknown kind \"bills\"; one of: invoices, payments, pos, customers, suppliers, "
             "all\n"},
        Case{{"reconcile", "--from", "2026-02-30"},
             "--from wants a date as YYYY-MM-DD, not \"2026-02-30\"\n"},
        Case{{"reconcile", "--to", "1/2/2026"},
             "--to wants a date as YYYY-MM-DD, not \"1/2/2026\"\n"},
        Case{{"reconcile", "--from", "2026-03-01", "--to", "2026-02-01"},
             "--from is after --to\n"}}) {
    CliRun run = in(c.args);
    EXPECT_EQ(run.code, 2) << c.message;
    EXPECT_EQ(run.err, c.message);
    EXPECT_EQ(run.out, "");
  }
  ASSERT_EQ(in({"qb", "close"}).code, 0);
  CliRun closed = in({"reconcile", "customers"});
  EXPECT_EQ(closed.code, 1);
  EXPECT_EQ(closed.err.rfind("Cannot reconcile: 20852 - ", 0), 0u) << closed.err;
  EXPECT_EQ(closed.out, "");
}

}  // namespace
}  // namespace vqb
