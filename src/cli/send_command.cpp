#include "cli/send_command.h"

#include <ostream>

#include "app/app.h"
#include "app/setup_file.h"
#include "app/startup.h"
#include "app/work_list.h"
#include "cli/assign_answers.h"
#include "cli/cli_ui.h"
#include "export/customer_export.h"
#include "export/supplier_export.h"
#include "main_window/main_window_logic.h"
#include "main_window/work_lists.h"

namespace vqb::cli {

int cmd_send(const std::string& settingsFolder, const SendOptions& options,
             std::optional<bool> assumeYes, std::istream& in, std::ostream& out, std::ostream& err,
             bool interactive) {
  const bool customers = options.kind == "customers";
  if (!customers && options.kind != "suppliers") {
    err << "Unknown list \"" << options.kind << "\"; one of: customers, suppliers\n";
    return 2;
  }
  if (options.keys.empty() && !options.all) {
    err << "Name the records to send (their links), or --all.\n";
    return 2;
  }
  CliUi ui(in, err, interactive);
  ui.assumeYes = assumeYes;
  // "A ... called, X, already exists in QuickBooks.": Yes links, No asks for another name.
  ui.questionRules.push_back({Buttons::YesNoCancel, " already exists in QuickBooks.",
                              options.onNameTaken == "link",
                              "--on-name-taken " + options.onNameTaken});
  std::vector<std::pair<std::string, std::string>> assignPairs;
  if (!parse_pairs(options.names, "--name needs OLD=NEW", ui.inputAnswers, err) ||
      !parse_pairs(options.assign, "--assign needs CODE=NAME", assignPairs, err))
    return 2;
  std::vector<AssignRule> rules;
  for (const auto& [code, choice] : assignPairs) rules.push_back({code, choice});
  App app(ui);
  MainWindowLogic logic(app);
  ui.onDialog = [&](DialogKind, const std::string&) {
    answer_assign(
        app, [&]() -> qb::ComponentSet& { return logic.components(); }, rules, in, err,
        interactive);
  };
  if (!start_connected(app, logic, settingsFolder)) return 1;

  if (customers)
    fill_customers(app, logic.state);
  else
    fill_suppliers(app, logic.state);
  WorkList& grid = logic.state.grid;
  const auto linkColumn = static_cast<std::size_t>(grid.column("Comment"));
  std::vector<std::string> missing;
  for (auto& row : grid.rows) row.ticked = options.all;
  for (const auto& key : options.keys) {
    bool found = false;
    for (auto& row : grid.rows)
      if (row.cells.at(linkColumn) == key) row.ticked = found = true;
    if (!found) missing.push_back(key);
  }

  MappingContext ctx = logic.mappingContext();
  if (customers)
    send_Customers(ctx);
  else
    send_Suppliers(ctx);

  int failed = static_cast<int>(missing.size());
  for (const auto& row : grid.rows) {
    if (!row.ticked) continue;
    const std::string& result = row.cells.at(4);
    out << row.cells.at(linkColumn) << " " << row.cells.at(0) << ": " << result << "\n";
    if (result != "Success") ++failed;
  }
  for (const auto& key : missing) out << key << ": not found among the records not exported yet\n";
  return failed == 0 ? 0 : 1;
}

int cmd_import(const std::string& settingsFolder, const ImportOptions& options,
               std::optional<bool> assumeYes, std::istream& in, std::ostream& out,
               std::ostream& err, bool interactive) {
  const bool customers = options.kind == "customers";
  if (!customers && options.kind != "suppliers") {
    err << "Unknown list \"" << options.kind << "\"; one of: customers, suppliers\n";
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
  if (!start_connected(app, logic, settingsFolder)) return 1;

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
