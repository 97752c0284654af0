#include "demo/fault_rounds.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "app/app.h"
#include "app/database.h"
#include "app/startup.h"
#include "app/user_interface.h"
#include "demo/silent_ui.h"
#include "export/customer_export.h"
#include "export/intent_journal.h"
#include "export/invoice_export.h"
#include "export/payment_export.h"
#include "export/purchase_order_export.h"
#include "export/supplier_export.h"
#include "main_window/main_window_logic.h"
#include "main_window/work_lists.h"
#include "quickbooks/qb_error.h"
#include "quickbooks/sim/simulated_company.h"

namespace vqb::faults {
namespace {

using qb::sim::Entry;
using qb::sim::Kind;
using qb::sim::SimulatedCompany;

constexpr int kRecordsPerRound = 3;
constexpr const char* kMarkedNow = "Marked as sent now.";

// How one list is sent and checked.
struct List {
  const char* name;         // vqb-cli's name
  const char* journalKind;  // the intent journal's kind
  Kind kind;
  const char* table;
  const char* addTag;
  const char* keyHeader;  // the list's key cell; "" for the name lists
  void (*fill)(App&, MainWindowState&);
  void (*send)(MappingContext&);
  const char* markSql;                    // followed by the key: the mark, "" while unmarked
  std::string (*expected)(const Entry&);  // the mark QuickBooks' record should leave
};

std::string entry_name(const Entry& e) {
  return e.name;
}

const List kLists[kListCount] = {
    {"customers", "customer", Kind::Customer, "Customers", "CustomerAddRq", "", nullptr,
     &send_Customers, "SELECT QBAccountNumber FROM Customers WHERE Link = ", &entry_name},
    {"suppliers", "supplier", Kind::Vendor, "Suppliers", "VendorAddRq", "", nullptr,
     &send_Suppliers, "SELECT QBAccount FROM Suppliers WHERE Link = ", &entry_name},
    {"invoices", "invoice", Kind::Invoice, "CustSO", "InvoiceAddRq", "Doc Number",
     &fill_customerInvoices, &send_Invoices,
     "SELECT CASE WHEN QuickBooks = 1 THEN QuickBooksRef ELSE '' END FROM CustSO WHERE Number = ",
     &entry_name},
    {"payments", "payment", Kind::ReceivePayment, "CustPayments", "ReceivePaymentAddRq",
     "Int Receipt #", &fill_customerPayments, &send_Payments,
     "SELECT QuickBooksRef FROM CustPayments WHERE Number = ", [](const Entry& e) { return e.id; }},
    {"pos", "purchase order", Kind::PurchaseOrder, "SuppPO", "PurchaseOrderAddRq", "PO Number",
     &fill_supplierPOs, &send_POs,
     "SELECT CASE WHEN QBURef <> '' THEN QBRef || '|' || QBURef ELSE '' END FROM SuppPO WHERE "
     "Number = ",
     [](const Entry& e) { return e.name + "|" + e.id; }},
};

bool names(int list) {
  return kLists[list].keyHeader[0] == '\0';
}

// QuickBooks' name or reference of the record `key` of `list`.
std::string qb_name(int list, const std::string& key) {
  return names(list) ? "Fault Suite " + key : key;
}

std::string first_cell(Database& db, const std::string& sql) {
  const auto rows = db.queryAll(sql);
  return rows.rows.empty() || rows.rows[0].empty() ? "" : rows.rows[0][0].value_or("");
}

// Answers every box with its default and counts the records a recovery box marked.
class CountingUi : public SilentUi {
 public:
  Answer messageBox(const std::string& text, Buttons buttons, Icon icon,
                    const std::string& title) override {
    if (title == "QuickBooks Recovery")
      for (auto at = text.find(kMarkedNow); at != std::string::npos;
           at = text.find(kMarkedNow, at + 1))
        ++recovered;
    return SilentUi::messageBox(text, buttons, icon, title);
  }

  long recovered = 0;
};

// One connected integrator on the demo, as the window is after "Yes".
struct Integrator {
  CountingUi ui;
  App app{ui};
  MainWindowLogic window{app};

  Integrator(const std::string& programFolder, const std::string& settings) {
    app.programFolder = programFolder;
    app.settingsFolderOverride = settings;
    if (!Main(app) || !window.loadLists()) throw std::runtime_error("could not connect");
    MappingSwitches& s = window.switches;
    s.useCustomerGroups = s.useSalesTax = s.useCustomerTerms = s.useReps = false;
  }

  // Ticks the records `keys` of the list and sends them; the records the journal marked.
  long send(int list, const std::vector<std::string>& keys) {
    const List& l = kLists[list];
    WorkList& grid = window.state.grid;
    std::size_t keyColumn = kNameListLinkColumn, resultColumn = kNameListResultColumn;
    if (names(list)) {
      auto db = open_database(app.databasePath);
      grid.rows.clear();
      for (const std::string& key : keys) {
        const std::string where = std::string(" FROM ") + l.table + " WHERE Link = " + key;
        if (!first_cell(*db, l.markSql + key).empty()) continue;
        WorkRow row;
        row.cells = {first_cell(*db, "SELECT Description" + where), "", "", key, ""};
        grid.rows.push_back(row);
      }
    } else {
      l.fill(app, window.state);
      keyColumn = static_cast<std::size_t>(grid.column(l.keyHeader));
      resultColumn = static_cast<std::size_t>(grid.column("Comment"));
    }
    for (WorkRow& row : grid.rows) {
      row.ticked = false;
      for (const std::string& key : keys)
        row.ticked = row.ticked || std::atol(row.cells.at(keyColumn).c_str()) == std::stol(key);
    }
    MappingContext ctx = window.mappingContext();
    l.send(ctx);
    long recovered = ui.recovered;
    for (const WorkRow& row : grid.rows)
      if (row.ticked && row.cells.size() > resultColumn &&
          row.cells[resultColumn].find(kMarkedNow) != std::string::npos)
        ++recovered;
    return recovered;
  }
};

long count_of(const std::string& text, const std::string& what) {
  long n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

}  // namespace

const char* fault_name(Fault fault) {
  static const char* const kNames[kFaultCount] = {
      "answer lost after commit", "failed before commit", "Nth request failed",
      "Vantora mark refused",     "process killed",       "answer garbage after commit",
      "another request's answer", "answer cut in half"};
  return kNames[static_cast<int>(fault)];
}

const char* list_name(int list) {
  return kLists[list].name;
}

FaultRounds::FaultRounds(const std::string& folder, const std::string& programFolder, unsigned seed)
    : programFolder_(programFolder), random_(seed) {
  DemoOptions options;
  options.customers = 5;
  options.suppliers = 3;
  options.invoices = 4;
  options.payments = 1;
  options.purchaseOrders = 1;
  options.unmappedCodes = false;
  demo_ = qb::make_demo(folder, options, true);
  auto db = open_database(demo_.vantoraDatabase);
  // New records copy a sendable demo invoice, and use a customer, a supplier, a payment
  // method and a sales group QuickBooks knows.
  invoiceTemplate_ = first_cell(
      *db, "SELECT Number FROM CustSO WHERE Status = 4 AND QuickBooks = 0 ORDER BY Number");
  customer_ =
      first_cell(*db, "SELECT Link FROM Customers WHERE QBAccountNumber <> '' ORDER BY Link");
  supplier_ = first_cell(*db, "SELECT Link FROM Suppliers WHERE QBAccount <> '' ORDER BY Link");
  method_ = first_cell(*db, "SELECT Link FROM CustPaymentMethods ORDER BY Link");
  salesGroup_ = first_cell(*db, "SELECT Code FROM SalesGroup WHERE QB <> '' ORDER BY Code");
  if (invoiceTemplate_.empty() || customer_.empty() || supplier_.empty() || method_.empty() ||
      salesGroup_.empty())
    throw std::runtime_error("the demo has no sendable records to copy");
}

// Copies every column but the row id of `table`'s rows where `column` = `from`, with `to`.
static void copy_rows(Database& db, const char* table, const char* column, const std::string& from,
                      const std::string& to) {
  std::string columns, values;
  for (const ColumnInfo& c : db.tableColumns(table)) {
    if (c.name == "id" || c.name == "ID" || c.name == "Id") continue;
    columns += (columns.empty() ? "" : ", ") + c.name;
    values += (values.empty() ? "" : ", ") + (c.name == column ? to : c.name);
  }
  db.execute(std::string("INSERT INTO ") + table + " (" + columns + ") SELECT " + values +
             " FROM " + table + " WHERE " + column + " = " + from);
}

std::vector<std::string> FaultRounds::make_records(int list) {
  auto db = open_database(demo_.vantoraDatabase);
  std::vector<std::string> keys;
  for (int i = 0; i < kRecordsPerRound; ++i) {
    const std::string key = std::to_string(next_++);
    const std::string name = "'" + qb_name(list, key) + "'";
    switch (list) {
      case 0:
        db->execute(
            "INSERT INTO Customers (Link, Description, Tel, BAddress, SAddress, "
            "QBAccountNumber) VALUES (" +
            key + ", " + name + ", '555-0100', '', '', '')");
        break;
      case 1:
        db->execute(
            "INSERT INTO Suppliers (Link, Description, Tel, BAddress, SAddress, "
            "QBAccount) VALUES (" +
            key + ", " + name + ", '555-0100', '', '', '')");
        break;
      case 2:
        copy_rows(*db, "CustSO", "Number", invoiceTemplate_, key);
        copy_rows(*db, "CustSODetail", "SONumber", invoiceTemplate_, key);
        db->execute("UPDATE CustSO SET Customer = " + customer_ + " WHERE Number = " + key);
        break;
      case 3:
        db->execute(
            "INSERT INTO CustPayments (Number, Customer, Date, Amount, Method, "
            "Reference, Comment, POS, Voided, QuickBooks) VALUES (" +
            key + ", " + customer_ + ", 46010, 60, " + method_ + ", " + name +
            ", 'Fault suite', 0, 0, 0)");
        db->execute("INSERT INTO CustPost (Customer, Trans, ReceiptNumber, WONumber) VALUES (" +
                    customer_ + ", 'PMT', " + key + ", 0)");
        break;
      default:
        db->execute(
            "INSERT INTO SuppPO (Number, Supplier, Date, Subtotal, GoodsIn, SendQB, Void, "
            "Revision) VALUES (" +
            key + ", " + supplier_ + ", 46000, 39, 'No', 0, 0, 200918)");
        db->execute(
            "INSERT INTO SuppPODetail (PONumber, LineNumber, RemarkLine, SalesGroup, "
            "Style, Description, UnitCost, Qty) VALUES (" +
            key + ", 1, 0, '" + salesGroup_ + "', 'G500', 'Heavy Cotton Tee', 3.25, 12)");
    }
    keys.push_back(key);
  }
  counts_.records += kRecordsPerRound;
  counts_.perList[list] += kRecordsPerRound;
  return keys;
}

void FaultRounds::send(int list, const std::vector<std::string>& keys) {
  Integrator integrator(programFolder_, demo_.settingsFolder);
  counts_.recovered += integrator.send(list, keys);
}

bool FaultRounds::unmarked(int list, const std::vector<std::string>& keys) const {
  auto db = open_database(demo_.vantoraDatabase);
  for (const std::string& key : keys)
    if (first_cell(*db, kLists[list].markSql + key).empty()) return true;
  return false;
}

void FaultRounds::round(int list, Fault fault) {
  const List& l = kLists[list];
  const std::vector<std::string> keys = make_records(list);
  {
    SimulatedCompany company(demo_.companyFile);
    if (fault == Fault::DropAnswer) company.dropAnswerOf(l.addTag);
    if (fault == Fault::FailBefore) company.failRequest(l.addTag, qb::kNotReachable, "");
    if (fault == Fault::FailNth)
      company.failOnce(static_cast<long>(random_() % 8), random_() % 2 == 0);
    if (fault == Fault::AnswerGarbage) company.garbleAnswerOf(l.addTag, qb::sim::kGarbage);
    if (fault == Fault::AnswerCut) company.garbleAnswerOf(l.addTag, qb::sim::kCutInHalf);
    if (fault == Fault::AnswerOfAnother) {
      const char* const others[] = {qb::sim::kOtherKind, qb::sim::kOtherRequestId,
                                    qb::sim::kOtherMessageSet};
      company.garbleAnswerOf(l.addTag, others[random_() % 3]);
    }
  }
  const bool garbled =
      fault == Fault::AnswerGarbage || fault == Fault::AnswerOfAnother || fault == Fault::AnswerCut;
  if (fault == Fault::MarkRefused)
    open_database(demo_.vantoraDatabase)
        ->execute(std::string("CREATE TRIGGER refuse BEFORE UPDATE ON ") + l.table +
                  " BEGIN SELECT RAISE(ABORT, 'locked'); END");

  const std::size_t before = SimulatedCompany(demo_.companyFile).list(l.kind).size();
  bool hit = true;
  if (fault == Fault::Killed) {
    // The sender dies right after QuickBooks saved one of its adds, chosen at random.
    {
      SimulatedCompany company(demo_.companyFile);
      qb::sim::Faults faults = company.faults();
      faults.killAfterAdds = static_cast<long>(1 + random_() % keys.size());
      company.setFaults(faults);
    }
    const pid_t child = fork();
    if (child == 0) {
      try {
        send(list, keys);
      } catch (...) {
      }
      _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    hit = WIFSIGNALED(status);
  } else {
    send(list, keys);
  }
  // A spoilt answer fired when an add went: its entry is left open in the journal, or (adds in
  // a message set) QuickBooks' kept answer settled it at once.
  if (garbled)
    hit = !IntentJournal(demo_.settingsFolder).pending().empty() ||
          SimulatedCompany(demo_.companyFile).list(l.kind).size() > before;
  {
    SimulatedCompany company(demo_.companyFile);
    if (fault == Fault::FailNth) hit = company.faults().failOnce < 0;  // it fired
    company.clearFaults();
  }
  if (fault == Fault::MarkRefused)
    open_database(demo_.vantoraDatabase)->execute("DROP TRIGGER refuse");
  if (hit) {
    ++counts_.injected[static_cast<int>(fault)];
    ++counts_.faults;
  }
  // The user sends the list again until nothing is left (three times at most).
  for (int again = 0; again < 3 && (again == 0 || unmarked(list, keys)); ++again) send(list, keys);
  check(list, keys, fault, "");
}

std::string FaultRounds::run_cli(int list, const std::string& cli,
                                 const std::vector<std::string>& keys, long killAfterAdds) {
  // The program is killed right after QuickBooks saved its killAfterAdds-th add: the moment a
  // kill does the most harm, reached however fast the machine is.
  if (killAfterAdds > 0) {
    SimulatedCompany company(demo_.companyFile);
    qb::sim::Faults faults = company.faults();
    faults.killAfterAdds = killAfterAdds;
    company.setFaults(faults);
  }
  const std::string output = demo_.settingsFolder + "/fault-cli.out";
  std::vector<std::string> args{cli,    "--settings", demo_.settingsFolder,
                                "--no", "send",       kLists[list].name};
  args.insert(args.end(), keys.begin(), keys.end());
  const pid_t child = fork();
  if (child == 0) {
    const int fd = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(fd, 1);
    dup2(fd, 2);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(cli.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  if (killAfterAdds > 0) {
    // A run with fewer adds left than that is not killed; the fault must not outlive it.
    SimulatedCompany company(demo_.companyFile);
    qb::sim::Faults faults = company.faults();
    faults.killAfterAdds = -1;
    company.setFaults(faults);
  }
  if (killAfterAdds > 0 && WIFSIGNALED(status)) {
    ++counts_.injected[static_cast<int>(Fault::Killed)];
    ++counts_.faults;
  }
  std::ifstream in(output);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void FaultRounds::cliRound(int list, const std::string& cli, int kills) {
  const std::vector<std::string> keys = make_records(list);
  for (int k = 0; k < kills; ++k)
    run_cli(list, cli, keys, static_cast<long>(1 + random_() % keys.size()));
  std::string output;
  for (int again = 0; again < 3 && (again == 0 || unmarked(list, keys)); ++again) {
    output = run_cli(list, cli, keys, -1);
    counts_.recovered += count_of(output, kMarkedNow);
  }
  check(list, keys, Fault::Killed, output);
}

void FaultRounds::check(int list, const std::vector<std::string>& keys, Fault fault,
                        const std::string& lastOutput) {
  const List& l = kLists[list];
  SimulatedCompany company(demo_.companyFile);
  const std::vector<Entry> entries = company.list(l.kind);
  auto db = open_database(demo_.vantoraDatabase);
  std::vector<Intent> open = IntentJournal(demo_.settingsFolder).pending();
  for (const std::string& key : keys) {
    const std::string name = qb_name(list, key);
    int copies = 0;
    std::string expected;
    for (const Entry& e : entries)
      if (e.name == name) {
        ++copies;
        expected = l.expected(e);
      }
    const std::string mark = first_cell(*db, l.markSql + key);
    std::string problem;
    if (copies > 1) {
      ++counts_.doubled;
      problem = "doubled";
    } else if (copies == 0 || mark != expected) {
      ++counts_.lost;
      problem = "lost";
    }
    // A record still in doubt must have had its line in the last run's output.
    for (const Intent& intent : open)
      if (intent.kind == l.journalKind && intent.record == key && !lastOutput.empty() &&
          lastOutput.find(key + ": Was sent on") == std::string::npos && problem.empty())
        problem = "in doubt without a line";
    if (!problem.empty())
      counts_.problems.push_back(std::string(l.name) + " " + key + " " + problem + " after \"" +
                                 fault_name(fault) + "\" (" + std::to_string(copies) +
                                 " in QuickBooks, mark \"" + mark + "\", expected \"" + expected +
                                 "\")");
  }
}

}  // namespace vqb::faults
