// The fault suite: sends new customers and suppliers from their lists on a demo, over and
// over, while the simulated company loses answers after committing, fails before committing
// or fails the Nth request, Vantora refuses the mark, or the sending process is killed
// (SIGKILL) at a random moment. After each round the lists are sent again until nothing is
// left, as a user would, and every record is checked: in QuickBooks exactly once and marked in
// Vantora with its QuickBooks name.
//
//   fault_suite [faults (default 1000)] [seed]
//
// Prints the faults injected by kind, the records doubled (must be 0), lost (must be 0) and
// recovered by the journal. Exit code 0 when none was doubled or lost.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/app.h"
#include "app/database.h"
#include "app/startup.h"
#include "demo/demo_company.h"
#include "export/customer_export.h"
#include "export/intent_recovery.h"
#include "export/supplier_export.h"
#include "main_window/main_window_logic.h"
#include "quickbooks/qb_error.h"
#include "quickbooks/sim/simulated_company.h"
#include "silent_ui.h"

namespace {

using vqb::qb::sim::Kind;
using vqb::qb::sim::SimulatedCompany;

constexpr int kRecordsPerRound = 3;
enum FaultKind { kDropAnswer, kFailBefore, kFailNth, kMarkRefused, kKilled, kFaultKinds };
const char* const kFaultNames[kFaultKinds] = {"answer lost after commit", "failed before commit",
                                              "Nth request failed", "Vantora mark refused",
                                              "process killed"};

struct Names {
  const char* table;
  const char* linkColumn;
  Kind kind;
  bool customers;
};
const Names kCustomers{"Customers", "QBAccountNumber", Kind::Customer, true};
const Names kSuppliers{"Suppliers", "QBAccount", Kind::Vendor, false};

// Answers as SilentUi does and counts the records a recovery box reports as marked.
class CountingUi : public vqb::bench::SilentUi {
 public:
  vqb::Answer messageBox(const std::string& text, vqb::Buttons buttons, vqb::Icon icon,
                         const std::string& title) override {
    if (title == "QuickBooks Recovery")
      for (std::size_t at = text.find("Marked as sent now."); at != std::string::npos;
           at = text.find("Marked as sent now.", at + 1))
        ++recovered;
    return SilentUi::messageBox(text, buttons, icon, title);
  }
  long recovered = 0;
};

// One connected integrator on the demo, as the window is after "Yes".
struct Integrator {
  CountingUi ui;
  vqb::App app{ui};
  vqb::MainWindowLogic window{app};
  std::vector<std::string> lines;  // recovery lines shown, one per record

  Integrator(const std::string& programFolder, const std::string& settings) {
    app.programFolder = programFolder;
    app.settingsFolderOverride = settings;
    if (!vqb::Main(app) || !window.loadLists()) throw std::runtime_error("could not connect");
    vqb::MappingSwitches& s = window.switches;
    s.useCustomerGroups = s.useSalesTax = s.useCustomerTerms = s.useReps = false;
  }

  // Fills the list with the records not marked yet, all ticked, and sends them.
  void send(const Names& names, const std::vector<long>& links) {
    auto db = vqb::open_database(app.databasePath);
    vqb::WorkList& grid = window.state.grid;
    grid.rows.clear();
    for (long link : links) {
      auto rows = db->queryAll(std::string("SELECT Description, ") + names.linkColumn + " FROM " +
                               names.table + " WHERE Link = " + std::to_string(link));
      if (rows.rows.empty() || !rows.rows[0][1].value_or("").empty()) continue;
      vqb::WorkRow row;
      row.cells = {rows.rows[0][0].value_or(""), "", "", std::to_string(link), ""};
      row.ticked = true;
      grid.rows.push_back(row);
    }
    vqb::MappingContext ctx = window.mappingContext();
    if (names.customers)
      vqb::send_Customers(ctx);
    else
      vqb::send_Suppliers(ctx);
    for (const auto& row : grid.rows)
      if (row.cells[vqb::kNameListResultColumn].find("Marked as sent now.") != std::string::npos)
        lines.push_back(row.cells[vqb::kNameListResultColumn]);
  }
};

}  // namespace

int main(int argc, char** argv) {
  const long wanted = argc > 1 ? std::stol(argv[1]) : 1000;
  std::mt19937 random(argc > 2 ? static_cast<unsigned>(std::stoul(argv[2])) : 17u);
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("vqb-fault-suite-" + std::to_string(::getpid()));
  std::filesystem::remove_all(folder);
  vqb::DemoOptions options;
  options.customers = 5;
  options.suppliers = 3;
  options.invoices = 2;
  options.payments = 1;
  options.purchaseOrders = 1;
  const vqb::qb::DemoSetup demo = vqb::qb::make_demo((folder / "demo").string(), options, true);
  const std::string programFolder = vqb::program_folder();

  std::array<long, kFaultKinds> injected{};
  long faults = 0, doubled = 0, lost = 0, recovered = 0, records = 0;
  long nextLink = 800000;
  const auto started = std::chrono::steady_clock::now();
  while (faults < wanted) {
    const Names& names = (records / kRecordsPerRound) % 2 == 0 ? kCustomers : kSuppliers;
    std::vector<long> links;
    {
      auto db = vqb::open_database(demo.vantoraDatabase);
      for (int i = 0; i < kRecordsPerRound; ++i, ++nextLink) {
        const std::string link = std::to_string(nextLink);
        db->execute(std::string("INSERT INTO ") + names.table + " (Link, Description, Tel, " +
                    "BAddress, SAddress, " + names.linkColumn + ") VALUES (" + link +
                    ", 'Fault Suite " + link + "', '555-0100', '', '', '')");
        links.push_back(nextLink);
      }
    }
    records += kRecordsPerRound;
    const auto fault = static_cast<FaultKind>(random() % kFaultKinds);
    const std::string addTag = names.customers ? "CustomerAddRq" : "VendorAddRq";
    {
      SimulatedCompany company(demo.companyFile);
      if (fault == kDropAnswer) company.dropAnswerOf(addTag);
      if (fault == kFailBefore) company.failRequest(addTag, vqb::qb::kNotReachable, "");
      if (fault == kFailNth) company.failOnce(static_cast<long>(random() % 8), random() % 2 == 0);
    }
    if (fault == kMarkRefused)
      vqb::open_database(demo.vantoraDatabase)
          ->execute(std::string("CREATE TRIGGER refuse BEFORE UPDATE ON ") + names.table +
                    " BEGIN SELECT RAISE(ABORT, 'locked'); END");

    bool hit = true;
    if (fault == kKilled) {
      const pid_t child = fork();
      if (child == 0) {
        try {
          Integrator integrator(programFolder, demo.settingsFolder);
          integrator.send(names, links);
        } catch (...) {
        }
        _exit(0);
      }
      std::this_thread::sleep_for(std::chrono::microseconds(random() % 250000));
      kill(child, SIGKILL);
      int status = 0;
      waitpid(child, &status, 0);
      hit = WIFSIGNALED(status);
    } else {
      Integrator integrator(programFolder, demo.settingsFolder);
      integrator.send(names, links);
      recovered += static_cast<long>(integrator.lines.size()) + integrator.ui.recovered;
    }
    {
      SimulatedCompany company(demo.companyFile);
      if (fault == kFailNth) hit = company.faults().failOnce < 0;  // it fired
      company.clearFaults();
    }
    if (fault == kMarkRefused)
      vqb::open_database(demo.vantoraDatabase)->execute("DROP TRIGGER refuse");
    if (hit) {
      ++injected[fault];
      ++faults;
    }

    // The user runs the list again until nothing is left to send (three times at most).
    auto unmarked = [&] {
      auto db = vqb::open_database(demo.vantoraDatabase);
      for (long link : links)
        if (db->hasRows(std::string("SELECT 1 FROM ") + names.table + " WHERE Link = " +
                        std::to_string(link) + " AND " + names.linkColumn + " = ''"))
          return true;
      return false;
    };
    for (int again = 0; again < 3 && (again == 0 || unmarked()); ++again) {
      Integrator integrator(programFolder, demo.settingsFolder);
      integrator.send(names, links);
      recovered += static_cast<long>(integrator.lines.size()) + integrator.ui.recovered;
    }

    SimulatedCompany company(demo.companyFile);
    auto db = vqb::open_database(demo.vantoraDatabase);
    for (long link : links) {
      const std::string name = "Fault Suite " + std::to_string(link);
      int copies = 0;
      for (const auto& entry : company.list(names.kind))
        if (entry.name == name) ++copies;
      const auto mark = db->queryAll(std::string("SELECT ") + names.linkColumn + " FROM " +
                                     names.table + " WHERE Link = " + std::to_string(link));
      if (copies > 1) ++doubled;
      if (copies == 0 || mark.rows.empty() || mark.rows[0][0].value_or("") != name) {
        ++lost;
        std::fprintf(stderr, "lost: %s after \"%s\" (%d in QuickBooks, mark \"%s\")\n",
                     name.c_str(), kFaultNames[fault], copies,
                     mark.rows.empty() ? "" : mark.rows[0][0].value_or("").c_str());
      }
    }
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

  std::printf("faults injected:                %ld\n", faults);
  for (int k = 0; k < kFaultKinds; ++k) std::printf("  %-29s %ld\n", kFaultNames[k], injected[k]);
  std::printf("records sent:                   %ld\n", records);
  std::printf("records doubled (must be 0):    %ld\n", doubled);
  std::printf("records lost (must be 0):       %ld\n", lost);
  std::printf("records recovered by journal:   %ld\n", recovered);
  std::printf("time:                           %.1f s\n", seconds);
  std::filesystem::remove_all(folder);
  return doubled == 0 && lost == 0 ? 0 : 1;
}
