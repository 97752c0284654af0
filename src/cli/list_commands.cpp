#include "cli/list_commands.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>
#include <vector>

#include "app/app.h"
#include "app/setup_file.h"
#include "app/text_helpers.h"
#include "cli/output.h"
#include "main_window/main_window_logic.h"
#include "main_window/marking.h"
#include "main_window/window_state.h"
#include "main_window/work_lists.h"
#include "quickbooks/connection.h"

namespace vqb::cli {

int cmd_connect(App& app, std::ostream& out) {
  MainWindowLogic logic(app);
  if (!logic.loadLists()) return 1;

  auto count = [](RecordDoc& doc) {
    doc.MoveToRoot();
    return doc.GetChildCount();
  };
  const std::vector<std::pair<const char*, RecordDoc*>> loaded = {
      {"Vantora tax types", &app.taxSnapshot},
      {"Vantora line tax codes", &app.lineTaxSnapshot},
      {"Vantora terms", &app.termsSnapshot},
      {"Vantora users", &app.usersSnapshot},
      {"Vantora customer groups", &app.industrySnapshot},
      {"Vantora classes", &app.classSnapshot},
      {"Vantora QuickBooks settings", &app.qbSettingsSnapshot},
      {"Vantora payment methods", &app.paymentMethodSnapshot},
      {"Vantora sales groups", &app.salesGroupSnapshot},
      {"QuickBooks sales tax items and groups", &app.qbTaxItems},
      {"QuickBooks sales tax codes", &app.qbTaxCodes},
      {"QuickBooks sales reps", &app.qbReps},
      {"QuickBooks customer types", &app.qbCustomerTypes},
      {"QuickBooks payment methods", &app.qbPayMethods},
      {"QuickBooks terms", &app.qbTerms},
      {"QuickBooks classes", &app.qbClasses},
      {"QuickBooks accounts", &app.qbAccounts},
  };
  std::vector<std::vector<std::string>> rows = {{"Loaded", "Entries"}};
  for (const auto& [what, doc] : loaded) rows.push_back({what, std::to_string(count(*doc))});
  out << "Connected to QuickBooks.\n" << text_table(rows);
  out << "Setup file: " << setup_file_path(app)
      << (std::filesystem::exists(setup_file_path(app))
              ? ""
              : " (not there yet: review setup and preferences)")
      << "\n";
  return 0;
}

namespace {

using FillFunction = void (*)(App&, MainWindowState&);

FillFunction fill_of(const std::string& kind, std::ostream& err) {
  static const std::map<std::string, FillFunction> fills = {
      {"customers", &fill_customers},       {"suppliers", &fill_suppliers},
      {"invoices", &fill_customerInvoices}, {"payments", &fill_customerPayments},
      {"pos", &fill_supplierPOs},
  };
  auto fill = fills.find(kind);
  if (fill != fills.end()) return fill->second;
  err << "Unknown list \"" << kind << "\"; one of: customers, suppliers, invoices, payments, pos\n";
  return nullptr;
}

}  // namespace

int cmd_mark(App& app, const MarkOptions& options, std::ostream& out, std::ostream& err) {
  FillFunction fill = fill_of(options.kind, err);
  if (!fill) return 2;
  if (options.sent && (options.kind == "customers" || options.kind == "suppliers")) {
    err << "Customers and suppliers are marked as sent by sending them; only --not-sent applies.\n";
    return 2;
  }
  if (options.keys.empty() && !options.all) {
    err << "Name the records to mark (their numbers, or links for customers and suppliers), or "
           "--all.\n";
    return 2;
  }
  // Every record is listed, whatever the saved filters say (in memory only).
  load_setup_document(app);
  app.setup.MoveToRoot();
  for (const char* key : {"filtershowexported", "filtershowexportednot", "filtershowinvoices",
                          "filtershowworkorders"})
    app.setup.SetChildValue(key, "1");
  MainWindowState state;
  fill(app, state);
  WorkList& grid = state.grid;
  const bool named = options.kind == "customers" || options.kind == "suppliers";
  const int keyColumn = grid.column(named                        ? "Comment"
                                    : options.kind == "invoices" ? "Doc Number"
                                    : options.kind == "payments" ? "Int Receipt #"
                                                                 : "PO Number");
  const int statusColumn = named ? 4 : grid.column("Comment");
  std::map<std::string, std::size_t> rowOfKey;
  for (std::size_t r = 0; r < grid.rows.size(); ++r)
    rowOfKey.emplace(grid.rows[r].cells.at(static_cast<std::size_t>(keyColumn)), r);

  std::vector<std::string> keys = options.keys;
  if (options.all)
    for (const auto& row : grid.rows)
      keys.push_back(row.cells.at(static_cast<std::size_t>(keyColumn)));
  for (const auto& key : keys)
    if (auto found = rowOfKey.find(key); found != rowOfKey.end())
      grid.rows[found->second].ticked = true;

  if (options.sent)
    marksent(app, state);
  else
    marksentNot(app, state);

  int missing = 0;
  for (const auto& key : keys) {
    auto found = rowOfKey.find(key);
    if (found == rowOfKey.end()) {
      out << key << ": not found\n";
      ++missing;
      continue;
    }
    const std::string& status =
        grid.rows[found->second].cells.at(static_cast<std::size_t>(statusColumn));
    out << key << ": " << (status.empty() ? "not updated" : status) << "\n";
    if (status.empty()) ++missing;
  }
  return missing == 0 ? 0 : 1;
}

int cmd_list(App& app, const ListOptions& options, std::ostream& out, std::ostream& err) {
  FillFunction fill = fill_of(options.kind, err);
  if (!fill) return 2;
  load_setup_document(app);
  auto set = [&](const char* key, const std::optional<bool>& on) {
    if (on) app.setup.SetChildValue(key, *on ? "1" : "0");  // in memory only
  };
  app.setup.MoveToRoot();
  set("filtershowexported", options.exported);
  set("filtershowexportednot", options.notExported);
  set("filtershowinvoices", options.invoices);
  set("filtershowworkorders", options.workOrders);

  MainWindowState state;
  fill(app, state);
  const WorkList& grid = state.grid;

  // The tick and result columns mean nothing here; a "Sent" column shows the row colour.
  std::vector<int> columns;
  for (int c = 0; c < static_cast<int>(grid.headers.size()); ++c)
    if (c != grid.tickColumn && !grid.headers[static_cast<std::size_t>(c)].empty())
      columns.push_back(c);

  if (options.json) {
    auto records = nlohmann::ordered_json::array();
    for (const WorkRow& row : grid.rows) {
      nlohmann::ordered_json record;
      for (int c : columns)
        record[grid.headers[static_cast<std::size_t>(c)]] = row.cells[static_cast<std::size_t>(c)];
      record["Sent"] = row.foreColour == kSentRowColour;
      records.push_back(std::move(record));
    }
    out << json_text(records);
    return 0;
  }
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> header;
  for (int c : columns) header.push_back(grid.headers[static_cast<std::size_t>(c)]);
  header.push_back("Sent");
  rows.push_back(header);
  for (const WorkRow& row : grid.rows) {
    std::vector<std::string> cells;
    for (int c : columns) cells.push_back(row.cells[static_cast<std::size_t>(c)]);
    cells.push_back(row.foreColour == kSentRowColour ? "yes" : "");
    rows.push_back(std::move(cells));
  }
  out << state.currentList << "\n"
      << text_table(rows) << grid.rows.size()
      << (grid.rows.size() == 1 ? " record\n" : " records\n");
  return 0;
}

}  // namespace vqb::cli
