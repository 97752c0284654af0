#include "cli/sync_commands.h"

#include <CLI/CLI.hpp>
#include <ostream>

#include "app/app.h"
#include "cli/cli_ui.h"
#include "dialogs/update_customers.h"
#include "import/customer_sync.h"
#include "main_window/main_window_logic.h"

namespace vqb::cli {
namespace {

// Ticks the rows whose `column` holds one of `keys` (every row with `all`); the keys no
// row holds are returned.
std::vector<std::string> tick(WorkList& grid, std::size_t column,
                              const std::vector<std::string>& keys, bool all) {
  std::vector<std::string> missing;
  for (auto& row : grid.rows) row.ticked = all;
  for (const auto& key : keys) {
    bool found = false;
    for (auto& row : grid.rows)
      if (row.cells.at(column) == key) row.ticked = found = true;
    if (!found) missing.push_back(key);
  }
  return missing;
}

}  // namespace

void SyncCommands::addTo(CLI::App& cli) {
  sync_ = cli.add_subcommand(
      "sync", "Send Vantora customers linked to QuickBooks again, as Sync > Customer Balances");
  sync_->add_option("WHAT", what_, "contacts")->required()->check(CLI::IsMember({"contacts"}));
  sync_->add_option("KEYS", keys_, "Links of the customers to send");
  sync_->add_flag("--all", all_, "Every customer linked to QuickBooks");

  update_ = cli.add_subcommand(
      "update-customers",
      "Copy contact fields of Vantora customers onto their QuickBooks customers, as the "
      "Update Customer Records window does");
  update_->add_flag("--company", company_, "Company name");
  update_->add_flag("--phone", phone_, "Phone");
  update_->add_flag("--email", email_, "Email");
  update_->add_flag("--fax", fax_, "Fax");
  update_->add_flag("--group", group_,
                    "Customer type, from the customer group's QuickBooks mapping (customers "
                    "whose group has none keep theirs)");
  update_->add_option("KEYS", keys_, "Links of the customers to update");
  update_->add_flag("--all", all_, "Every customer linked to QuickBooks");
}

bool SyncCommands::chosen() const {
  return (sync_ && sync_->parsed()) || (update_ && update_->parsed());
}

int SyncCommands::run(const std::string& settingsFolder, std::optional<bool> assumeYes,
                      std::istream& in, std::ostream& out, std::ostream& err,
                      bool interactive) const {
  if (keys_.empty() && !all_) {
    err << "Name the customers (their links), or --all.\n";
    return 2;
  }
  if (sync_->parsed()) return syncContacts(settingsFolder, assumeYes, in, out, err, interactive);
  return updateCustomers(settingsFolder, in, out, err, interactive);
}

int SyncCommands::syncContacts(const std::string& settingsFolder, std::optional<bool> assumeYes,
                               std::istream& in, std::ostream& out, std::ostream& err,
                               bool interactive) const {
  CliUi ui(in, err, interactive);
  ui.assumeYes = assumeYes;
  App app(ui);
  MainWindowLogic logic(app);
  std::optional<IntegratorLock> lock;
  if (!start_connected(app, logic, settingsFolder, &lock, kNothingChanged)) return 1;
  logic.runMenuKey("mnuSyncContact");
  if (logic.state.currentList != lists::kSyncCustomerContactInfo) return 1;

  WorkList& grid = logic.state.grid;
  const auto missing = tick(grid, kContactLinkColumn, keys_, all_);
  logic.runMenuKey("mnuSyncBalance");
  int failed = static_cast<int>(missing.size());
  for (const auto& row : grid.rows) {
    if (!row.ticked) continue;
    const std::string& result = row.cells.at(kContactResultColumn);
    out << row.cells.at(kContactLinkColumn) << " " << row.cells.at(0) << ": "
        << terminal_text(result) << "\n";
    if (!result.starts_with("Success")) ++failed;
  }
  for (const auto& key : missing) out << key << ": not a customer linked to QuickBooks\n";
  return failed == 0 && ui.errorsShown() == 0 ? 0 : 1;
}

int SyncCommands::updateCustomers(const std::string& settingsFolder, std::istream& in,
                                  std::ostream& out, std::ostream& err, bool interactive) const {
  using namespace update_columns;
  CliUi ui(in, err, interactive);
  App app(ui);
  MainWindowLogic logic(app);
  std::optional<IntegratorLock> lock;
  if (!start_connected(app, logic, settingsFolder, &lock, kNothingChanged)) return 1;
  UpdateCustomersLogic tool(app, [&logic]() -> qb::ComponentSet& { return logic.components(); });
  tool.Form_Load();
  tool.chkC = company_;
  tool.chkP = phone_;
  tool.chkE = email_;
  tool.chkF = fax_;
  tool.chkG = group_;
  if (!company_ && !phone_ && !email_ && !fax_ && !group_) {
    tool.TB2_ButtonClick("Run");  // says which options there are
    return 2;
  }
  const auto missing = tick(tool.grid, kLink, keys_, all_);
  tool.TB2_ButtonClick("Run");
  int failed = static_cast<int>(missing.size());
  for (const auto& row : tool.grid.rows) {
    if (!row.ticked) continue;
    const bool updated = row.backColour == kUpdatedRowColour;
    const std::string& comment = row.cells.at(kComment);
    const std::string said = updated ? comment
                             : comment.empty()
                                 ? "Could not update customer in QuickBooks"
                                 : "Could not update customer in QuickBooks: " + comment;
    out << row.cells.at(kLink) << " " << row.cells.at(kCompany) << ": " << terminal_text(said)
        << "\n";
    if (!updated) ++failed;
  }
  for (const auto& key : missing) out << key << ": not a customer linked to QuickBooks\n";
  return failed == 0 && ui.errorsShown() == 0 ? 0 : 1;
}

int cmd_import_balances(const std::string& settingsFolder, const std::vector<std::string>& names,
                        std::istream& in, std::ostream& out, std::ostream& err, bool interactive) {
  CliUi ui(in, err, interactive);
  App app(ui);
  MainWindowLogic logic(app);
  std::optional<IntegratorLock> lock;
  if (!start_connected(app, logic, settingsFolder, &lock, kNothingChanged)) return 1;
  logic.runMenuKey("mnuGetCustomers");
  if (logic.state.currentList != lists::kGetCustomers) return 1;  // the listing said why

  // The import books the visible rows: hide those not named.
  WorkList& grid = logic.state.grid;
  const auto accountColumn = static_cast<std::size_t>(grid.column("Acc Full Name"));
  std::vector<std::string> missing;
  for (const auto& name : names) {
    bool found = false;
    for (const auto& row : grid.rows)
      found = found || row.cells.at(0) == name || row.cells.at(accountColumn) == name;
    if (!found) missing.push_back(name);
  }
  for (auto& row : grid.rows) {
    bool named = names.empty();
    for (const auto& name : names)
      named = named || row.cells.at(0) == name || row.cells.at(accountColumn) == name;
    row.hidden = !named;
  }
  const BalanceImport done = cmdGetCustomerBal_Click(app, logic.state);
  for (const auto& row : done.rows) out << row.name << ": " << row.result << "\n";
  for (const auto& name : missing) out << name << ": not found in QuickBooks\n";
  return missing.empty() && ui.errorsShown() == 0 ? 0 : 1;
}

}  // namespace vqb::cli
