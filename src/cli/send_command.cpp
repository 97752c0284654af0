#include "cli/send_command.h"

#include <ostream>

#include "app/app.h"
#include "app/setup_file.h"
#include "app/startup.h"
#include "app/text_helpers.h"
#include "app/work_list.h"
#include "cli/assign_answers.h"
#include "cli/cli_ui.h"
#include "cli/output.h"
#include "cli/sync_commands.h"
#include "export/customer_export.h"
#include "export/invoice_export.h"
#include "export/payment_export.h"
#include "export/purchase_order_export.h"
#include "export/supplier_export.h"
#include "main_window/main_window_logic.h"
#include "main_window/work_lists.h"
#include "mapping/mapping_check.h"

namespace vqb::cli {

namespace {

// How each list is sent from the command line.
struct SendKind {
  const char* name;
  void (*fill)(App&, MainWindowState&);
  void (*send)(MappingContext&);
  const char* keyHeader;     // the cell a KEY names
  const char* resultHeader;  // the cell the result goes to
  const char* success;       // a result starting with this is a success
  const char* markKey;       // the setup key --on-duplicate mark turns on
};
constexpr SendKind kSendKinds[] = {
    {"customers", &fill_customers, &send_Customers, "Comment", "", "Success", ""},
    {"suppliers", &fill_suppliers, &send_Suppliers, "Comment", "", "Success", ""},
    {"invoices", &fill_customerInvoices, &send_Invoices, "Doc Number", "Comment", kInvoiceSent,
     "chkmarkdupinvoices"},
    {"payments", &fill_customerPayments, &send_Payments, "Int Receipt #", "Comment", kPaymentSent,
     "chkmarkduppayments"},
    {"pos", &fill_supplierPOs, &send_POs, "PO Number", "Comment", kPurchaseOrderSent,
     "chkmarkduppurchaseorders"},
};

}  // namespace

int cmd_send(const std::string& settingsFolder, const SendOptions& options,
             std::optional<bool> assumeYes, std::istream& in, std::ostream& out, std::ostream& err,
             bool interactive) {
  const SendKind* kind = nullptr;
  for (const SendKind& k : kSendKinds)
    if (options.kind == k.name) kind = &k;
  if (!kind) {
    err << "Unknown list \"" << options.kind
        << "\"; one of: customers, suppliers, invoices, payments, pos\n";
    return 2;
  }
  if (options.keys.empty() && !options.all) {
    err << "Name the records to send (their links, document numbers for invoices, receipt numbers "
           "for payments, PO numbers for pos), or --all.\n";
    return 2;
  }
  CliUi ui(in, err, interactive);
  ui.assumeYes = assumeYes;
  // "A ... called, X, already exists in QuickBooks.": Yes links, No asks for another name.
  ui.questionRules.push_back({Buttons::YesNoCancel, " already exists in QuickBooks.",
                              options.onNameTaken == "link",
                              "--on-name-taken " + options.onNameTaken});
  if (!options.onDuplicate.empty())
    ui.questionRules.push_back({Buttons::YesNo, "This may be a duplicate transaction.",
                                options.onDuplicate == "send",
                                "--on-duplicate " + options.onDuplicate});
  // A payment applied to an invoice or work order QuickBooks does not have yet.
  ui.questionRules.push_back({Buttons::YesNo, " that has not yet been sent to QuickBooks.",
                              options.sendInvoices,
                              options.sendInvoices ? "--send-invoices" : "no --send-invoices"});
  std::vector<std::pair<std::string, std::string>> assignPairs;
  if (!parse_pairs(options.names, "--name needs OLD=NEW", ui.inputAnswers, err) ||
      !parse_pairs(options.assign, "--assign needs CODE=NAME", assignPairs, err))
    return 2;
  std::vector<AssignRule> rules;
  for (const auto& [code, choice] : assignPairs) rules.push_back({code, choice});
  App app(ui);
  MainWindowLogic logic(app);
  ui.onDialog = [&](DialogKind dialog, const std::string&) {
    if (dialog == DialogKind::CustomerValidation || dialog == DialogKind::VendorValidation) {
      // "1": create the customer or supplier in QuickBooks; "": cancel.
      std::string& answer = app.sharedSlots[1];
      answer.clear();
      if (options.createMissing) answer.push_back('1');
      return;
    }
    answer_assign(
        app, [&]() -> qb::ComponentSet& { return logic.components(); }, rules, in, err,
        interactive);
  };
  std::optional<IntegratorLock> lock;  // held until every record is sent and marked
  if (!start_connected(app, logic, settingsFolder, &lock)) return 1;
  // "mark" marks a confirmed duplicate as sent, for this run only.
  if (options.onDuplicate == "mark" && *kind->markKey) app.setup.SetChildValue(kind->markKey, "1");

  kind->fill(app, logic.state);
  WorkList& grid = logic.state.grid;
  const auto keyColumn = static_cast<std::size_t>(grid.column(kind->keyHeader));
  const auto resultColumn = *kind->resultHeader
                                ? static_cast<std::size_t>(grid.column(kind->resultHeader))
                                : kNameListResultColumn;
  std::vector<std::string> missing;
  for (auto& row : grid.rows) row.ticked = options.all;
  for (const auto& key : options.keys) {
    bool found = false;
    for (auto& row : grid.rows)
      if (row.cells.at(keyColumn) == key) row.ticked = found = true;
    if (!found) missing.push_back(key);
  }

  MappingContext ctx = logic.mappingContext();
  kind->send(ctx);

  int failed = static_cast<int>(missing.size());
  std::vector<std::pair<bool, std::string>> results;
  for (const auto& row : grid.rows) {
    if (!row.ticked) continue;
    const std::string result = terminal_text(row.cells.at(resultColumn));
    const std::string& label = kind->resultHeader[0] ? row.cells.at(1) : row.cells.at(0);
    out << row.cells.at(keyColumn) << " " << terminal_text(label) << ": " << result << "\n";
    const bool sent = result.rfind(kind->success, 0) == 0;
    if (!sent) ++failed;
    results.emplace_back(sent, result);
  }
  for (const auto& key : missing) {
    out << key << ": not found among the records not exported yet\n";
    results.emplace_back(false, "not found among the records not exported yet");
  }
  if (options.summary) out << send_summary(options.kind, results);
  return failed == 0 ? 0 : 1;
}

int cmd_preview(const std::string& settingsFolder, const PreviewOptions& options, std::istream& in,
                std::ostream& out, std::ostream& err) {
  const bool payments = options.kind == "payments";
  const bool orders = options.kind == "pos";
  if (!payments && !orders && options.kind != "invoices") {
    err << "Unknown list \"" << options.kind << "\"; one of: invoices, payments, pos\n";
    return 2;
  }
  if (options.keys.empty()) {
    err << (payments ? "Name the payments to preview (their receipt numbers).\n"
            : orders ? "Name the purchase orders to preview (their PO numbers).\n"
                     : "Name the invoices to preview (their document numbers).\n");
    return 2;
  }
  // Windows are cancelled and questions answered No, as the mapping check does.
  CliUi terminal(in, err, false);
  terminal.assumeYes = false;
  CheckingUi ui(terminal);
  App app(ui);
  ui.attach(app);
  MainWindowLogic logic(app);
  if (!start_connected(app, logic, settingsFolder)) return 1;
  app.holdWrites = true;
  qb::Session& session = logic.session();
  session.holdChanges(true);
  MappingContext ctx = logic.mappingContext();
  const char* addTag = payments ? "<ReceivePaymentAddRq"
                       : orders ? "<PurchaseOrderAddRq"
                                : "<InvoiceAddRq";
  int failed = 0;
  for (const auto& key : options.keys) {
    session.clearHeld();
    const long number = static_cast<long>(numeric_value(key));
    PaymentPlan plan;
    const std::string result = payments ? send_Payment(ctx, number, &plan)
                               : orders ? send_PO(ctx, number)
                                        : send_Invoice(ctx, number);
    std::string add;
    for (const auto& request : session.held())
      if (request.find(addTag) != std::string::npos) add = request;
    if (add.empty()) {
      out << key << ": " << terminal_text(result) << "\n";
      ++failed;
    } else {
      out << key << ": would send\n";
    }
    for (const auto& application : plan.applications)
      out << "  would apply " << application.amount << " to invoice " << application.document
          << " (QuickBooks " << application.txnId << ")\n";
    for (const auto& document : plan.toSendFirst)
      out << "  " << document << " would have to be sent to QuickBooks first\n";
    if (!add.empty()) out << add << (add.ends_with("\n") ? "" : "\n");
  }
  return failed == 0 ? 0 : 1;
}

int cmd_import(const std::string& settingsFolder, const ImportOptions& options,
               std::optional<bool> assumeYes, std::istream& in, std::ostream& out,
               std::ostream& err, bool interactive) {
  if (options.kind == "balances")
    return cmd_import_balances(settingsFolder, options.names, in, out, err, interactive);
  const bool customers = options.kind == "customers";
  if (!customers && options.kind != "suppliers") {
    err << "Unknown list \"" << options.kind << "\"; one of: customers, suppliers, balances\n";
    return 2;
  }
  if (options.names.empty() && !options.all) {
    err << "Name the QuickBooks records to import, or --all.\n";
    return 2;
  }
  CliUi ui(in, err, interactive);
  ui.assumeYes = assumeYes;
  ui.questionRules.push_back(
      {Buttons::YesNo, "Import opening balances ?", options.openingBalances,
       options.openingBalances ? "--opening-balances" : "no --opening-balances"});
  App app(ui);
  MainWindowLogic logic(app);
  std::optional<IntegratorLock> lock;
  if (!start_connected(app, logic, settingsFolder, &lock, "Nothing was imported.")) return 1;

  const std::string listName = customers ? "Get Customers" : "Get Suppliers";
  logic.runMenuKey(customers ? "mnuGetCustomers" : "mnuGetSuppliers");
  if (logic.state.currentList != listName) return 1;  // the listing failed and said why

  // Rows whose record is already in Vantora are shown in the sent colour; --all leaves them.
  WorkList& grid = logic.state.grid;
  const auto accountColumn = static_cast<std::size_t>(grid.column("Acc Full Name"));
  std::vector<std::string> missing;
  for (auto& row : grid.rows) row.ticked = options.all && row.foreColour != kSentRowColour;
  for (const auto& name : options.names) {
    bool found = false;
    for (auto& row : grid.rows)
      if (row.cells.at(0) == name || row.cells.at(accountColumn) == name) row.ticked = found = true;
    if (!found) missing.push_back(name);
  }
  bool any = false;
  for (const auto& row : grid.rows) any = any || row.ticked;
  if (any)
    logic.TB2_ButtonClick("Run");
  else if (missing.empty())
    out << "Nothing to import: every QuickBooks " << (customers ? "customer" : "supplier")
        << " is already in Vantora.\n";

  const auto commentColumn = static_cast<std::size_t>(grid.column("Comment"));
  int failed = static_cast<int>(missing.size());
  for (const auto& row : grid.rows) {
    if (!row.ticked) continue;
    const std::string& result = row.cells.at(commentColumn);
    out << row.cells.at(accountColumn) << ": " << result << "\n";
    if (result != "Sent") ++failed;
  }
  for (const auto& name : missing) out << name << ": not found in QuickBooks\n";
  return failed == 0 ? 0 : 1;
}

}  // namespace vqb::cli
