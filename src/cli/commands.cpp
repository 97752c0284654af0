#include "cli/commands.h"

#include <CLI/CLI.hpp>

#include <ostream>

#include "app/app.h"
#include "app/demo_setup.h"
#include "app/errors.h"
#include "app/links.h"
#include "app/startup.h"
#include "cli/cli_ui.h"
#include "cli/qb_commands.h"
#include "quickbooks/connection.h"
#include "quickbooks/demo_company.h"

namespace vqb::cli {
namespace {

struct Globals {
  std::string settings;
  bool yes{false};
  bool no{false};
  bool verbose{false};
};

// Start-up as the window does it; false when the program must end.
bool start(App& app, const Globals& globals) {
  app.programFolder = program_folder();
  app.settingsFolderOverride = globals.settings;
  return Main(app);
}

int cmd_demo(const std::string& folder, const DemoOptions& options, bool replace, std::ostream& out,
             std::ostream& err) {
  try {
    DemoFolder made = make_demo_folder(folder, options, replace);
    // The simulated QuickBooks company that matches the demo data, chosen in the settings.
    qb::ConnectionConfig connection;
    connection.companyFile = made.settingsFolder + "/" + qb::kDemoCompanyFileName;
    qb::create_demo_company(connection.companyFile, options);
    qb::save_connection_config(made.settingsFolder, connection);
    out << "Demo settings folder: " << made.settingsFolder << "\n"
        << "  settings database:  " << made.settingsDatabase << "\n"
        << "  Vantora database:   " << made.vantoraDatabase << "\n"
        << "  QuickBooks company: " << connection.companyFile << " (simulated)\n"
        << "Use it with: vqb-cli --settings " << folder << " <command>\n";
    return 0;
  } catch (const VqbError& error) {
    err << "[Vantora] " << number_dash_description(error.number(), error.description()) << "\n";
    return 1;
  }
}

int cmd_info(App& app, std::ostream& out) {
  out << "Settings folder:  " << app.settingsFolder << "\n"
      << "Vantora database: " << (app.databasePath.empty() ? "(none)" : app.databasePath) << "\n"
      << "Global folder:    " << app.globalfolder << "\n"
      << "Program folder:   " << app.programFolder << "\n";
  return 0;
}

int cmd_link(App& app, const std::string& counter, long long startValue, std::ostream& out) {
  auto link = GetNewLink(app, counter, startValue);
  if (!link) return 1;
  out << *link << "\n";
  return 0;
}

}  // namespace

int run(int argc, const char* const* argv, std::istream& in, std::ostream& out, std::ostream& err,
        bool interactive) {
  CLI::App cli{"vqb-cli: the Vantora QuickBooks Integrator without a window"};
  cli.require_subcommand(1);
  Globals globals;
  cli.add_option("--settings", globals.settings,
                 "Settings folder to use (holds local.mdb); default: $VQB_SETTINGS_DIR or ~/.local/share/Quenbrook");
  auto* yesFlag = cli.add_flag("--yes", globals.yes, "Answer Yes to every question");
  cli.add_flag("--no", globals.no, "Answer No to every question")->excludes(yesFlag);
  cli.add_flag("-v,--verbose", globals.verbose, "Show progress texts");

  DemoOptions demo;
  std::string demoFolder;
  bool demoReplace = false;
  auto* demoCmd = cli.add_subcommand("demo", "Make DIR a ready settings folder with a demo Vantora database");
  demoCmd->add_option("DIR", demoFolder, "Folder to fill")->required();
  demoCmd->add_option("--seed", demo.seed, "Seed of the generated data")->capture_default_str();
  demoCmd->add_option("--customers", demo.customers, "Number of customers")->capture_default_str();
  demoCmd->add_option("--suppliers", demo.suppliers, "Number of suppliers")->capture_default_str();
  demoCmd->add_option("--invoices", demo.invoices, "Number of invoices and work orders")->capture_default_str();
  demoCmd->add_option("--payments", demo.payments, "Number of payments")->capture_default_str();
  demoCmd->add_option("--purchase-orders", demo.purchaseOrders, "Number of purchase orders")->capture_default_str();
  demoCmd->add_flag("--replace", demoReplace, "Replace a demo database already in DIR");

  auto* infoCmd = cli.add_subcommand("info", "Show where the settings and the Vantora database are");

  std::string counter;
  long long startValue = 0;
  auto* linkCmd = cli.add_subcommand("link", "Take a new Vantora Link from a counter");
  linkCmd->add_option("--counter", counter, "Named counter (default: the common counter comp.NextMaintLink)");
  linkCmd->add_option("--start", startValue, "Start value of a named counter that does not exist yet");

  auto* qbCmd = cli.add_subcommand("qb", "Look at the simulated QuickBooks company");
  qbCmd->require_subcommand(1);
  QbListOptions listOptions;
  auto* qbList = qbCmd->add_subcommand("list", "List the entries of one kind");
  qbList->add_option("KIND", listOptions.kind, "One of: " + qb_list_kinds())->required();
  qbList->add_flag("--json", listOptions.json, "Print JSON instead of a table");
  std::string showId;
  auto* qbShow = qbCmd->add_subcommand("show", "Show one entry or transaction as qbXML");
  qbShow->add_option("ID", showId, "ListID or TxnID")->required();
  auto* qbOpen = qbCmd->add_subcommand("open", "Open the company (QuickBooks answers)");
  auto* qbClose = qbCmd->add_subcommand("close", "Close the company (QuickBooks is not reachable)");

  try {
    cli.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return cli.exit(error, out, err);
  }

  if (*demoCmd) return cmd_demo(demoFolder, demo, demoReplace, out, err);

  CliUi ui(in, err, interactive);
  if (globals.yes) ui.assumeYes = true;
  if (globals.no) ui.assumeYes = false;
  ui.verbose = globals.verbose;
  App app(ui);
  if (!start(app, globals)) return 1;

  int code = 0;
  if (*infoCmd) code = cmd_info(app, out);
  else if (*qbList) code = qb_list(app.settingsFolder, listOptions, out, err);
  else if (*qbShow) code = qb_show(app.settingsFolder, showId, out, err);
  else if (*qbOpen || *qbClose) code = qb_set_open(app.settingsFolder, static_cast<bool>(*qbOpen), out, err);
  else if (*linkCmd) code = cmd_link(app, counter, startValue, out);
  return code != 0 ? code : (ui.errorsShown() > 0 ? 1 : 0);
}

}  // namespace vqb::cli
