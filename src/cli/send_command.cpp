#include "cli/send_command.h"

#include <ostream>

#include "app/app.h"
#include "app/setup_file.h"
#include "app/startup.h"
#include "cli/cli_ui.h"
#include "export/customer_export.h"
#include "export/supplier_export.h"
#include "main_window/main_window_logic.h"
#include "main_window/work_lists.h"

namespace vqb::cli {

int cmd_send(const std::string& settingsFolder, const SendOptions& options, std::istream& in, std::ostream& out,
             std::ostream& err, bool interactive) {
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
  // "A ... called X already exists in QuickBooks": Yes links, No asks for another name
  // (cancelled when nobody can answer).
  ui.assumeYes = options.onNameTaken == "link";
  App app(ui);
  app.programFolder = program_folder();
  app.settingsFolderOverride = settingsFolder;
  if (!Main(app)) return 1;

  MainWindowLogic logic(app);
  if (!logic.loadLists()) return 1;

  if (customers) fill_customers(app, logic.state);
  else fill_suppliers(app, logic.state);
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

  MappingContext ctx{app, logic.components(), logic.state};
  if (customers) send_Customers(ctx);
  else send_Suppliers(ctx);

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

}  // namespace vqb::cli
