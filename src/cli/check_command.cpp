#include "cli/check_command.h"

#include <map>
#include <ostream>

#include "app/app.h"
#include "app/setup_file.h"
#include "app/startup.h"
#include "app/text_helpers.h"
#include "cli/cli_ui.h"
#include "main_window/main_window_logic.h"
#include "main_window/work_lists.h"
#include "mapping/mapping_check.h"

namespace vqb::cli {

int cmd_check(const std::string& settingsFolder, const CheckOptions& options, std::istream& in,
              std::ostream& out, std::ostream& err) {
  struct Kind {
    CheckKind check;
    void (*fill)(App&, MainWindowState&);
    const char* keyHeader;
  };
  static const std::map<std::string, Kind> kinds = {
      {"invoices", {CheckKind::Invoice, &fill_customerInvoices, "Doc Number"}},
      {"payments", {CheckKind::Payment, &fill_customerPayments, "Int Receipt #"}},
      {"pos", {CheckKind::PurchaseOrder, &fill_supplierPOs, "PO Number"}},
      {"customers", {CheckKind::Customer, &fill_customers, "Comment"}},
  };
  auto kind = kinds.find(options.kind);
  if (kind == kinds.end()) {
    err << "Unknown list \"" << options.kind << "\"; one of: invoices, payments, pos, customers\n";
    return 2;
  }
  if (options.keys.empty() && !options.all) {
    err << "Name the records to check (their numbers, or links for customers), or --all.\n";
    return 2;
  }

  CliUi terminal(in, err, false);
  terminal.assumeYes = false;
  CheckingUi ui(terminal);
  App app(ui);
  ui.attach(app);
  MainWindowLogic logic(app);
  if (!start_connected(app, logic, settingsFolder)) return 1;

  std::vector<std::string> keys = options.keys;
  if (options.all) {
    kind->second.fill(app, logic.state);
    const int column = logic.state.grid.column(kind->second.keyHeader);
    for (const auto& row : logic.state.grid.rows)
      keys.push_back(row.cells.at(static_cast<std::size_t>(column)));
  }

  MappingContext ctx = logic.mappingContext();
  int failed = 0;
  for (const auto& key : keys) {
    CheckResult result =
        check_mappings(ctx, kind->second.check, static_cast<long>(numeric_value(key)));
    out << key << ": " << result.text << "\n";
    if (!result.dialogTitle.empty() || !result.dialogMessage.empty()) {
      std::string message = terminal_text(result.dialogMessage);
      for (std::size_t at = message.find('\n'); at != std::string::npos;
           at = message.find('\n', at + 5))
        message.insert(at + 1, "    ");
      out << "  needs: " << result.dialogTitle << ": " << message << "\n";
    }
    if (!result.ok) ++failed;
  }
  out << keys.size() - static_cast<std::size_t>(failed) << " of " << keys.size()
      << " ready to send\n";
  return failed == 0 ? 0 : 1;
}

}  // namespace vqb::cli
