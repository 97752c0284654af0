#pragma once
// The Vantora work lists of the main window's grid: the pending customers, suppliers,
// invoices, payments and purchase orders, their SQL, their cells, ticking and filtering.
//
// The fills stream rows straight from the database (100,000 rows in about a second) and let
// pending events run, throttled, between rows. A database error shows the common error
// report (module "frmQB", procedure the fill's name); the grid keeps the rows added so far
// and currentList keeps its former value.

#include <functional>
#include <string>
#include <string_view>

#include "app/app.h"
#include "main_window/window_state.h"

namespace vqb {

// Shown (information icon, title "Export Invoices") when the filters leave nothing to show.
inline constexpr const char* kNoRecordsFilterMessage =
    "Please check your filter options to see records";

// A Vantora date (an OLE day number as text) in the format of the setup key
// "customdateformat", or "Short Date" when that is empty. An empty text gives "".
std::string format_date(App& app, std::string_view dateText);

// The statement each fill runs, with the filter clauses of the setup keys
// "filtershowexported", "filtershowexportednot" and, for invoices, "filtershowinvoices" and
// "filtershowworkorders". Building a statement shows no message.
std::string customers_sql(App& app);
std::string suppliers_sql(App& app);
std::string customerInvoices_sql(App& app);
std::string customerPayments_sql(App& app);
std::string supplierPOs_sql(App& app);

// Fill the grid with one list and make it the current list.
void fill_customers(App& app, MainWindowState& state);
void fill_suppliers(App& app, MainWindowState& state);
void fill_customerInvoices(App& app, MainWindowState& state);
void fill_customerPayments(App& app, MainWindowState& state);
void fill_supplierPOs(App& app, MainWindowState& state);

// Fills again the list named by currentList. "Get Customers" calls `fillCustomersQB` when
// one is given; "Get Suppliers", the contact list and "" do nothing.
void refresh_grid(App& app, MainWindowState& state,
                  const std::function<void()>& fillCustomersQB = {});

// Ticks (all = true) or unticks every data row.
void selectme(MainWindowState& state, bool all);

// Hides rows of the QuickBooks lists ("Get Customers", "Get Suppliers") by the setup keys
// "filtershowexportednot", "filtershowexported", "filtershowinactive" and
// "filtershowparent"; rows that pass are shown again. `imBusy` brackets the work when given
// (otherwise state.busy does). Other lists are left as they are.
void filter_grid(App& app, MainWindowState& state, const std::function<void(bool)>& imBusy = {});

// Grid events; rows and columns are grid coordinates (row 0 is the header row).
// Whether the cell may be edited: only the tick column of the current list, on a data row.
bool fg1_BeforeEdit(const MainWindowState& state, int row, int column);
// Shows the text of a non-empty "Comment" cell of a data row in a plain message box.
void fg1_DblClick(App& app, const MainWindowState& state, int row, int column);

}  // namespace vqb
