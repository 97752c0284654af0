#include "cli/commands.h"

#include <CLI/CLI.hpp>
#include <ostream>

#include "app/app.h"
#include "app/errors.h"
#include "app/links.h"
#include "app/startup.h"
#include "cli/check_command.h"
#include "cli/cli_ui.h"
#include "cli/list_commands.h"
#include "cli/parse_address_command.h"
#include "cli/prefs_command.h"
#include "cli/qb_commands.h"
#include "cli/reconcile_command.h"
#include "cli/send_command.h"
#include "cli/setup_command.h"
#include "cli/sync_commands.h"
#include "cli/undo_command.h"
#include "cli/webconnector_command.h"
#include "demo/demo_company.h"
#include "demo/demo_setup.h"
#include "quickbooks/connection.h"
#include "quickbooks/web_connector_transport.h"

namespace vqb::cli {
namespace {

struct Globals {
  std::string settings;
  bool yes{false};
  bool no{false};
  bool verbose{false};
  int wait{120};
  int waitLock{0};
};

int cmd_demo(const std::string& folder, const DemoOptions& options, bool replace,
             const std::string& company, std::ostream& out, std::ostream& err) {
  try {
    qb::DemoSetup made = qb::make_demo(folder, options, replace, company);
    out << "Demo settings folder: " << made.settingsFolder << "\n"
        << "  settings database:  " << made.settingsDatabase << "\n"
        << "  Vantora database:   " << made.vantoraDatabase << "\n"
        << "  QuickBooks company: " << made.companyFile
        << (company.empty() ? " (simulated)\n" : " (simulated, shared)\n")
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
  // Options a command does not know go up to its parent, so the global options below may
  // also follow the command (and a command's own command, as in "qb list").
  cli.fallthrough();
  Globals globals;
  cli.add_option("--settings", globals.settings,
                 "Settings folder to use (holds local.mdb); default: $VQB_SETTINGS_DIR or "
                 "~/.local/share/Quenbrook");
  auto* yesFlag = cli.add_flag("--yes", globals.yes, "Answer Yes to every question");
  cli.add_flag("--no", globals.no, "Answer No to every question")->excludes(yesFlag);
  cli.add_flag("-v,--verbose", globals.verbose, "Show progress texts");
  cli.add_option("--wait", globals.wait,
                 "Seconds a request waits for a QuickBooks Web Connector session (default 120)")
      ->check(CLI::Range(1, 86400));
  cli.add_option("--wait-lock", globals.waitLock,
                 "Seconds a command that writes waits while another integrator works on the same "
                 "Vantora database (default 0: stop at once, sending nothing)")
      ->check(CLI::Range(0, 86400));

  DemoOptions demo;
  std::string demoFolder;
  bool demoReplace = false;
  auto* demoCmd =
      cli.add_subcommand("demo", "Make DIR a ready settings folder with a demo Vantora database");
  demoCmd->add_option("DIR", demoFolder, "Folder to fill")->required();
  demoCmd->add_option("--seed", demo.seed, "Seed of the generated data")->capture_default_str();
  demoCmd->add_option("--customers", demo.customers, "Number of customers")->capture_default_str();
  demoCmd->add_option("--suppliers", demo.suppliers, "Number of suppliers")->capture_default_str();
  demoCmd->add_option("--invoices", demo.invoices, "Number of invoices and work orders")
      ->capture_default_str();
  demoCmd->add_option("--payments", demo.payments, "Number of payments")->capture_default_str();
  demoCmd->add_option("--purchase-orders", demo.purchaseOrders, "Number of purchase orders")
      ->capture_default_str();
  demoCmd->add_flag("--replace", demoReplace, "Replace a demo database already in DIR");
  bool demoEmpty = false;
  std::string demoCompany;
  demoCmd->add_flag("--empty", demoEmpty,
                    "No customers, suppliers or transactions (the code tables and counters stay)");
  demoCmd->add_option("--company", demoCompany,
                      "Work with this existing simulated company file instead of making one");

  auto* infoCmd =
      cli.add_subcommand("info", "Show where the settings and the Vantora database are");

  std::string counter;
  long long startValue = 0;
  auto* linkCmd = cli.add_subcommand("link", "Take a new Vantora Link from a counter");
  linkCmd->add_option("--counter", counter,
                      "Named counter (default: the common counter comp.NextMaintLink)");
  linkCmd->add_option("--start", startValue,
                      "Start value of a named counter that does not exist yet");

  auto* connectCmd =
      cli.add_subcommand("connect", "Connect to QuickBooks and load the lists, as the window does");

  ListOptions listOptions2;
  auto* listCmd = cli.add_subcommand(
      "list", "Print a work list: customers, suppliers, invoices, payments or pos");
  listCmd->add_option("LIST", listOptions2.kind, "customers, suppliers, invoices, payments or pos")
      ->required();
  listCmd->add_flag("--json", listOptions2.json, "Print JSON instead of a table");
  auto onOff = [](std::optional<bool>& target) {
    return [&target](const std::string& value) {
      if (value == "yes" || value == "on" || value == "1")
        target = true;
      else if (value == "no" || value == "off" || value == "0")
        target = false;
      else
        throw CLI::ValidationError("expected yes or no, not " + value);
    };
  };
  listCmd->add_option_function<std::string>(
      "--exported", onOff(listOptions2.exported),
      "yes/no: show records already exported (this run only)");
  listCmd->add_option_function<std::string>("--not-exported", onOff(listOptions2.notExported),
                                            "yes/no: show records not exported yet");
  listCmd->add_option_function<std::string>("--invoices", onOff(listOptions2.invoices),
                                            "yes/no: show invoices");
  listCmd->add_option_function<std::string>("--work-orders", onOff(listOptions2.workOrders),
                                            "yes/no: show work orders");

  CheckOptions checkOptions;
  auto* checkCmd = cli.add_subcommand(
      "check", "Run the mapping checks a send would run, without sending anything");
  checkCmd->add_option("LIST", checkOptions.kind, "invoices, payments, pos or customers")
      ->required();
  checkCmd->add_option("KEYS", checkOptions.keys,
                       "Document, receipt or PO numbers; links for customers");
  checkCmd->add_flag("--all", checkOptions.all, "Every record of the list not exported yet");

  SendOptions sendOptions;
  auto* sendCmd = cli.add_subcommand("send",
                                     "Send customers, suppliers, invoices, payments or purchase "
                                     "orders to QuickBooks, as Run > Send to QuickBooks does");
  sendCmd->add_option("LIST", sendOptions.kind, "customers, suppliers, invoices, payments or pos")
      ->required();
  sendCmd->add_option(
      "KEYS", sendOptions.keys,
      "Links of the records to send (document numbers for invoices, receipt numbers for payments, "
      "PO numbers for pos)");
  sendCmd->add_flag("--all", sendOptions.all, "Every record not exported yet");
  sendCmd
      ->add_option(
          "--on-name-taken", sendOptions.onNameTaken,
          "link: link to the QuickBooks entry of the same name; skip: leave the record (default)")
      ->check(CLI::IsMember({"link", "skip"}));
  sendCmd
      ->add_option("--name", sendOptions.names,
                   "OLD=NEW: send the record named OLD under the QuickBooks name NEW when OLD is "
                   "too long or taken")
      ->allow_extra_args(false);
  sendCmd
      ->add_option(
          "--assign", sendOptions.assign,
          "CODE=NAME: when a Vantora code has no valid QuickBooks counterpart, map CODE to the "
          "QuickBooks entry NAME (the assign window's choice)")
      ->allow_extra_args(false);
  sendCmd
      ->add_option("--on-duplicate", sendOptions.onDuplicate,
                   "Invoices, payments or pos found in QuickBooks with the same reference and "
                   "amount: "
                   "send (anyway), skip, or mark "
                   "(as sent without sending); default: --yes/--no")
      ->check(CLI::IsMember({"send", "skip", "mark"}));
  sendCmd->add_flag("--create-missing", sendOptions.createMissing,
                    "Create an invoice's or payment's customer, or a purchase order's supplier, in "
                    "QuickBooks when it is not there (otherwise it is not sent; a supplier never "
                    "sent to QuickBooks is always created)");
  sendCmd->add_flag("--send-invoices", sendOptions.sendInvoices,
                    "Payments: send the invoices and work orders a payment is applied to when "
                    "QuickBooks does not have them "
                    "yet (otherwise the payment is not applied to them)");
  sendCmd->add_flag("--summary", sendOptions.summary,
                    "End with how many were sent and why the others were not, grouped");

  PreviewOptions previewOptions;
  auto* previewCmd = cli.add_subcommand(
      "preview",
      "Run every check of a send and print the qbXML it would send, sending and writing nothing");
  previewCmd->add_option("LIST", previewOptions.kind, "invoices, payments or pos")->required();
  previewCmd
      ->add_option("KEYS", previewOptions.keys,
                   "Document numbers (receipt numbers for payments, PO numbers for pos)")
      ->required();

  ImportOptions importOptions;
  auto* importCmd = cli.add_subcommand(
      "import",
      "Bring QuickBooks customers or suppliers into Vantora, as Import and Run do; balances: book "
      "QuickBooks customer balances as opening balances");
  importCmd->add_option("LIST", importOptions.kind, "customers, suppliers or balances")->required();
  importCmd->add_option("NAMES", importOptions.names,
                        "QuickBooks names (or full names) of the records to import");
  importCmd->add_flag("--all", importOptions.all, "Every QuickBooks record not in Vantora yet");
  importCmd->add_flag("--opening-balances", importOptions.openingBalances,
                      "Customers: post each QuickBooks balance as an opening balance");

  MarkOptions markOptions;
  auto* markCmd =
      cli.add_subcommand("mark", "Mark records as sent or not sent without sending them");
  markCmd->add_option("LIST", markOptions.kind, "customers, suppliers, invoices, payments or pos")
      ->required();
  auto* sentFlag =
      markCmd->add_flag("--sent", markOptions.sent, "Mark as sent (invoices, payments, pos)");
  bool markNotSent = false;
  auto* notSentFlag = markCmd->add_flag("--not-sent", markNotSent,
                                        "Mark as NOT sent, so that they can be sent again");
  sentFlag->excludes(notSentFlag);
  markCmd->add_option("KEYS", markOptions.keys,
                      "Document, receipt or PO numbers; links for customers and suppliers");
  markCmd->add_flag("--all", markOptions.all, "Every record of the list");
  markCmd->callback([sentFlag, notSentFlag] {
    if (sentFlag->count() + notSentFlag->count() != 1)
      throw CLI::ValidationError("give --sent or --not-sent");
  });

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
  std::string qbFile;
  bool qbReplace = false;
  auto* qbExport = qbCmd->add_subcommand("export", "Write the company as an XML company file");
  qbExport->add_option("FILE", qbFile, "File to write")->required();
  auto* qbImport = qbCmd->add_subcommand("import", "Make the company from an XML company file");
  qbImport->add_option("FILE", qbFile, "XML company file to read")->required();
  qbImport->add_flag("--replace", qbReplace, "Replace the company file already there");

  // vqb-cli webconnector setup|qwc and vqb-cli qb process.
  WebConnectorCommand webConnectorCommand;
  webConnectorCommand.addTo(cli, *qbCmd);

  // Preferences: vqb-cli prefs get|set|list.
  PrefsCommand prefsCommand;
  prefsCommand.addTo(cli);

  // Mappings: vqb-cli setup show|export|import|import-tax-items|...
  SetupCommand setupCommand;
  setupCommand.addTo(cli);

  // Address parsing: vqb-cli parse-address [--json] TEXT.
  ParseAddressCommand parseAddressCommand;
  parseAddressCommand.addTo(cli);

  // vqb-cli sync contacts and vqb-cli update-customers.
  SyncCommands syncCommands;
  syncCommands.addTo(cli);

  // vqb-cli reconcile [KINDS] [--from] [--to] [--json] [--csv FILE].
  ReconcileCommand reconcileCommand;
  reconcileCommand.addTo(cli);

  // vqb-cli runs and vqb-cli undo RUN [--dry-run].
  UndoCommands undoCommands;
  undoCommands.addTo(cli);

  try {
    cli.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    // CLI11 prints the help or what is wrong; every argument error exits 2.
    return cli.exit(error, out, err) == 0 ? 0 : 2;
  }

  set_lock_wait(globals.waitLock);
  // Every command that reaches QuickBooks through the Web Connector waits --wait seconds.
  qb::register_transport("webconnector", [wait = globals.wait](const qb::ConnectionConfig& config,
                                                               const std::string& folder) {
    qb::ConnectionConfig waiting = config;
    waiting.waitSeconds = wait;
    return qb::make_web_connector(waiting, folder);
  });

  if (*demoCmd) {
    if (demoEmpty)
      demo.customers = demo.suppliers = demo.invoices = demo.payments = demo.purchaseOrders = 0;
    return cmd_demo(demoFolder, demo, demoReplace, demoCompany, out, err);
  }
  if (*checkCmd) return cmd_check(globals.settings, checkOptions, in, out, err);
  std::optional<bool> assumeYes;
  if (globals.yes) assumeYes = true;
  if (globals.no) assumeYes = false;
  if (*sendCmd)
    return cmd_send(globals.settings, sendOptions, assumeYes, in, out, err, interactive);
  if (*previewCmd) return cmd_preview(globals.settings, previewOptions, in, out, err);
  if (*importCmd)
    return cmd_import(globals.settings, importOptions, assumeYes, in, out, err, interactive);
  if (syncCommands.chosen())
    return syncCommands.run(globals.settings, assumeYes, in, out, err, interactive);
  if (undoCommands.chosen())
    return undoCommands.run(globals.settings, assumeYes, in, out, err, interactive);

  CliUi ui(in, err, interactive);
  if (globals.yes) ui.assumeYes = true;
  if (globals.no) ui.assumeYes = false;
  ui.verbose = globals.verbose;
  App app(ui);
  if (!start_app(app, globals.settings)) return 1;
  // Commands that change Vantora or the setup hold the integrator lock to their end.
  std::optional<IntegratorLock> lock;
  const bool writes = *markCmd || (prefsCommand.chosen() && prefsCommand.writes()) ||
                      (setupCommand.chosen() && setupCommand.writes());
  if (writes && !take_lock(app, lock, kNothingChanged)) return 1;

  int code = 0;
  if (*infoCmd)
    code = cmd_info(app, out);
  else if (*connectCmd)
    code = cmd_connect(app, out);
  else if (*listCmd)
    code = cmd_list(app, listOptions2, out, err);
  else if (*markCmd)
    code = cmd_mark(app, markOptions, out, err);
  else if (*qbList)
    code = qb_list(app.settingsFolder, listOptions, out, err);
  else if (*qbShow)
    code = qb_show(app.settingsFolder, showId, out, err);
  else if (*qbOpen || *qbClose)
    code = qb_set_open(app.settingsFolder, static_cast<bool>(*qbOpen), out, err);
  else if (*qbExport)
    code = qb_export(app.settingsFolder, qbFile, out, err);
  else if (*qbImport)
    code = qb_import(app.settingsFolder, qbFile, qbReplace, out, err);
  else if (*linkCmd)
    code = cmd_link(app, counter, startValue, out);
  else if (prefsCommand.chosen())
    code = prefsCommand.run(app, out, err);
  else if (setupCommand.chosen())
    code = setupCommand.run(app, out, err);
  else if (webConnectorCommand.chosen())
    code = webConnectorCommand.run(app.settingsFolder, in, out, err);
  else if (reconcileCommand.chosen())
    code = reconcileCommand.run(app, out, err);
  if (parseAddressCommand.chosen()) code = parseAddressCommand.run(app, out, err);
  return code != 0 ? code : (ui.errorsShown() > 0 ? 1 : 0);
}

}  // namespace vqb::cli
