#include "main_window/marking.h"

#include <cmath>

#include "app/errors.h"
#include "app/module1.h"
#include "app/text_helpers.h"

namespace vqb {
namespace {

// The cells a list's marking uses, by header.
struct MarkColumns {
  int status;  // where "Updated" goes
  int key;     // the number the statement selects by
  int name;    // what the status text names
};

MarkColumns columns_of(const MainWindowState& state) {
  const WorkList& grid = state.grid;
  const std::string& list = state.currentList;
  if (list == "Send Customers" || list == "Send Suppliers")
    return {4, grid.column("Comment"), grid.column("Company")};
  if (list == "Send Customer Invoices")
    return {grid.column("Comment"), grid.column("Doc Number"), -1};
  if (list == "Send Customer Payments")
    return {grid.column("Comment"), grid.column("Int Receipt #"), grid.column("Company")};
  if (list == "Send Supplier POs") return {grid.column("Comment"), grid.column("PO Number"), -1};
  return {-1, -1, -1};
}

std::string cell(const WorkRow& row, int column) {
  if (column < 0 || static_cast<std::size_t>(column) >= row.cells.size()) return "";
  return row.cells[static_cast<std::size_t>(column)];
}

std::string status_text(const std::string& list, bool sent, const WorkRow& row,
                        const MarkColumns& columns) {
  const std::string tail = sent ? " as sent" : " as not sent";
  if (list == "Send Customers" || list == "Send Suppliers")
    return "Marking " + cell(row, columns.name) + tail;
  if (list == "Send Customer Invoices") return "Marking Invoice: " + cell(row, columns.key) + tail;
  if (list == "Send Supplier POs")
    return "Marking Purchase Order: " + cell(row, columns.key) + tail;
  return "Marking Payment: " + cell(row, columns.key) + " - " + cell(row, columns.name) + tail;
}

void mark(App& app, MainWindowState& state, bool sent) {
  const MarkColumns columns = columns_of(state);
  mark_ticked_rows(
      app, state, columns.status, sent ? "marksent" : "marksentNot", [&](WorkRow& row) {
        const std::string statement =
            mark_statement(state.currentList, sent, cell(row, columns.key), now_text());
        if (statement.empty()) return false;
        app.ui.setStatus(status_text(state.currentList, sent, row, columns));
        app.ui.processEvents();
        return write_data(app, statement);
      });
}

}  // namespace

std::string mark_statement(const std::string& list, bool sent, const std::string& keyCell,
                           const std::string& now) {
  // The key is read as a number, so an empty or odd cell selects nothing.
  const std::string key =
      std::to_string(static_cast<long long>(std::trunc(numeric_value(keyCell))));
  if (list == "Send Customers")
    return sent ? "" : "UPDATE Customers SET QBAccountNumber = '' where link = " + key;
  if (list == "Send Suppliers")
    return sent ? "" : "UPDATE Suppliers SET QBAccount = '' where link = " + key;
  if (list == "Send Customer Invoices")
    return sent ? "UPDATE CUSTSO set QuickBooks = 1, QuickBooksDS = " + now +
                      " where number = " + key
                : "UPDATE CUSTSO set QuickBooks = 0 where number = " + key;
  if (list == "Send Customer Payments")
    return sent ? "UPDATE CustPayments SET Quickbooks = 1, QuickBooksDS = " + now +
                      " where number =  " + key
                : "UPDATE CustPayments SET Quickbooks = 0 where number =  " + key;
  if (list == "Send Supplier POs")
    return sent ? "UPDATE SuppPO Set SendQB = " + now + " WHERE number = " + key
                : "UPDATE SuppPO Set SendQB=0 WHERE number = " + key;
  return "";
}

void marksent(App& app, MainWindowState& state) {
  mark(app, state, true);
}
void marksentNot(App& app, MainWindowState& state) {
  mark(app, state, false);
}

void mark_ticked_rows(App& app, MainWindowState& state, int statusColumn, const char* procedure,
                      const std::function<bool(WorkRow&)>& markRow) {
  try {
    state.cancelRequested = false;
    app.ui.setStatus("");
    const long rows = static_cast<long>(state.grid.rows.size());
    app.ui.setProgress(0, rows);
    for (long r = 0; r < rows; ++r) {
      app.ui.setProgress(r + 1, rows);
      if (state.cancelRequested) {
        app.ui.setStatus("Operation aborted by user.");
        return;
      }
      WorkRow& row = state.grid.rows[static_cast<std::size_t>(r)];
      if (!row.ticked || statusColumn < 0 || !cell(row, statusColumn).empty() || !markRow(row))
        continue;
      if (row.cells.size() <= static_cast<std::size_t>(statusColumn))
        row.cells.resize(static_cast<std::size_t>(statusColumn) + 1);
      row.cells[static_cast<std::size_t>(statusColumn)] = "Updated";
      state.changed();
    }
    app.ui.setProgress(rows, rows);
    app.ui.setStatus("Operation completed");
    app.ui.setProgress(0, rows);
  } catch (const std::exception& error) {
    show_common_error(app.ui, "frmQB", procedure, error);
  }
}

}  // namespace vqb
