#include "main_window/work_lists.h"

#include <array>
#include <exception>
#include <optional>
#include <vector>

#include "app/database.h"
#include "app/errors.h"
#include "app/setup_file.h"
#include "app/text_helpers.h"

namespace vqb {
namespace {

constexpr const char* kModule = "frmQB";
constexpr const char* kFilterMessageTitle = "Export Invoices";

constexpr const char* kHintRecords =
    "Click on the 'Run' button to see more options. You can also use your filter button to "
    "select which records will be shown.";
constexpr const char* kHintInvoices =
    "Click on the 'Run' button to see more options. You can also use your filter button to "
    "select which invoices will be shown.";
constexpr const char* kHintTransactions =
    "Click on the 'Run' button to see more options. You can also use your filter button to "
    "select which transactions will be shown.";

// ---------------------------------------------------------------------------------------
// Filter clauses from the setup document.

enum class Shown { All, ExportedOnly, NotExportedOnly, Nothing };

// Show-exported is on only when "1"; show-not-exported is on unless "0", so with both keys
// missing only records not yet exported are listed.
Shown exported_filter(App& app) {
  const bool exported = setup_value(app, "filtershowexported") == "1";
  const bool notExported = setup_value(app, "filtershowexportednot") != "0";
  if (exported && notExported) return Shown::All;
  if (exported) return Shown::ExportedOnly;
  if (notExported) return Shown::NotExportedOnly;
  return Shown::Nothing;
}

struct ExportedClauses {
  const char* exportedOnly;
  const char* notExportedOnly;
  const char* nothing;
};

constexpr ExportedClauses kCustomerClauses{" where QBAccountNumber <> ''",
                                           " where QBAccountNumber = '' or QBAccountNumber is null",
                                           " where id = -958"};
constexpr ExportedClauses kSupplierClauses{
    " where QBAccount <> ''", " where QBAccount = '' or QBAccount is null", " where id = -958"};
constexpr ExportedClauses kInvoiceClauses{
    " AND (CustSO.QuickBooks > 0)", " AND (CustSO.QuickBooks Is Null Or CustSO.QuickBooks = 0)",
    " AND (CustSO.QuickBooks = -968)"};
constexpr ExportedClauses kPaymentClauses{
    " and (CustPayments.QuickBooks > 0)",
    " and (CustPayments.QuickBooks Is Null or CustPayments.QuickBooks = 0)",
    " and (CustPayments.QuickBooks = -968)"};
constexpr ExportedClauses kPurchaseOrderClauses{" and (SuppPO.SendQB > 0)",
                                                " and (SuppPO.SendQB Is Null or SuppPO.SendQB < 1)",
                                                " and (SuppPO.SendQB = -968)"};

std::string exported_clause(App& app, const ExportedClauses& clauses) {
  switch (exported_filter(app)) {
    case Shown::All:
      return "";
    case Shown::ExportedOnly:
      return clauses.exportedOnly;
    case Shown::NotExportedOnly:
      return clauses.notExportedOnly;
    case Shown::Nothing:
      break;
  }
  return clauses.nothing;
}

// Invoices are shown unless "filtershowinvoices" is "0"; work orders only when
// "filtershowworkorders" is "1".
bool invoice_status_shows_nothing(App& app) {
  return setup_value(app, "filtershowinvoices") == "0" &&
         setup_value(app, "filtershowworkorders") != "1";
}

std::string invoice_status_clause(App& app) {
  const bool invoices = setup_value(app, "filtershowinvoices") != "0";
  const bool workOrders = setup_value(app, "filtershowworkorders") == "1";
  if (invoices && workOrders) return " Where(custSo.Status = 4 Or custSo.Status = 3)";
  if (invoices) return " Where(custSo.Status = 4)";
  if (workOrders) return " Where(custSo.Status = 3)";
  return " Where(custSo.Status = 9)";
}

void show_filter_message(App& app) {
  app.ui.messageBox(kNoRecordsFilterMessage, Buttons::Ok, Icon::Information, kFilterMessageTitle);
}

// ---------------------------------------------------------------------------------------
// Rows.

// A result column's name without the ":1" that SQLite appends when a parenthesised join
// holds two columns of that name (the payments list's "id" comes back as "id:1").
std::string base_column_name(const std::string& column) {
  return to_lower_ascii(std::string_view(column).substr(0, column.find(':')));
}

// The named columns of a result row, found once by name (without regard to case).
class Fields {
 public:
  template <std::size_t N>
  Fields(const std::array<const char*, N>& names, const std::vector<std::string>& columns) {
    for (const char* name : names) {
      const std::string wanted = to_lower_ascii(name);
      std::size_t found = columns.size();
      for (std::size_t i = 0; i < columns.size(); ++i)
        if (to_lower_ascii(columns[i]) == wanted) {
          found = i;
          break;
        }
      for (std::size_t i = 0; i < columns.size() && found == columns.size(); ++i)
        if (base_column_name(columns[i]) == wanted) found = i;
      if (found == columns.size())
        throw VqbError(3265, "Item not found in this collection. (" + std::string(name) + ")");
      index_.push_back(found);
    }
  }
  void bind(const std::vector<Cell>& cells) { cells_ = &cells; }
  // The text of the field; "" for Null.
  std::string_view operator[](std::size_t field) const {
    const Cell& cell = (*cells_)[index_[field]];
    return cell ? std::string_view(*cell) : std::string_view{};
  }

 private:
  std::vector<std::size_t> index_;
  const std::vector<Cell>* cells_{};
};

// What a fill needs besides the row: the date format, read once.
struct RowContext {
  std::string dateFormat;
};

std::string date_cell(const RowContext& context, std::string_view text) {
  if (text.empty()) return "";
  return format_date(numeric_value(text), context.dateFormat);
}

std::string money_cell(std::string_view text) {
  if (text.empty()) return "";
  return format_number(numeric_value(text), "0.00");
}

bool above_zero(std::string_view text) {
  return numeric_value(text) > 0;
}

void mark_sent(WorkRow& row, bool sent) {
  if (sent) row.foreColour = kSentRowColour;
}

// What a list is called and what it shows.
struct ListSpec {
  const char* procedure;
  const char* listName;
  const char* panelTitle;
  const char* hint;
  std::vector<std::string> headers;
};

template <std::size_t N, typename BuildRow>
void fill_list(App& app, MainWindowState& state, const ListSpec& shape,
               std::string (*buildSql)(App&), void (*warnIfNothingShown)(App&),
               const std::array<const char*, N>& fieldNames, BuildRow buildRow) {
  WorkList& grid = state.grid;
  try {
    grid.clear();
    grid.headers = shape.headers;
    grid.tickColumn = tick_column_of(shape.listName);
    app.ui.setStatus("");
    app.ui.setProgress(0, 100);
    state.changed();

    warnIfNothingShown(app);
    const std::string sql = buildSql(app);
    RowContext context;
    context.dateFormat = setup_value(app, "customdateformat");
    if (context.dateFormat.empty()) context.dateFormat = "Short Date";

    auto db = open_database(app.databasePath);
    std::vector<std::string> columns;
    std::optional<Fields> fields;  // found on the first row, once the columns are known
    db->query(
        sql,
        [&](const std::vector<Cell>& cells) {
          if (!fields) fields.emplace(fieldNames, columns);
          Fields& f = *fields;
          f.bind(cells);
          WorkRow row;
          row.cells.resize(grid.headers.size());
          buildRow(f, context, row);
          grid.rows.push_back(std::move(row));
          app.events.pump();
        },
        &columns);
    db.reset();

    state.currentList = shape.listName;
    state.panelTitle = shape.panelTitle;
    state.comment = shape.hint;
    state.changed();
  } catch (const std::exception& error) {
    state.changed();
    show_common_error(app.ui, kModule, shape.procedure, error);
  }
}

void warn_exported_filter(App& app) {
  if (exported_filter(app) == Shown::Nothing) show_filter_message(app);
}

// Invoices check their status filter first, then the exported filter; each may warn.
void warn_invoice_filters(App& app) {
  if (invoice_status_shows_nothing(app)) show_filter_message(app);
  warn_exported_filter(app);
}

const std::vector<std::string> kNameHeaders{"Company", "Phone", "Select", "Comment", ""};

template <std::size_t N>
void fill_names(App& app, MainWindowState& state, const ListSpec& shape,
                std::string (*buildSql)(App&), const std::array<const char*, N>& names) {
  fill_list(app, state, shape, buildSql, warn_exported_filter, names,
            [](const Fields& f, const RowContext&, WorkRow& row) {
              row.cells[0] = f[0];
              row.cells[1] = f[1];
              row.cells[3] = f[2];
              mark_sent(row, !f[3].empty());
            });
}

}  // namespace

// ---------------------------------------------------------------------------------------

std::string format_date(App& app, std::string_view dateText) {
  if (dateText.empty()) return "";
  std::string format = setup_value(app, "customdateformat");
  if (format.empty()) format = "Short Date";
  return format_date(numeric_value(dateText), format);
}

std::string customers_sql(App& app) {
  return "Select * from customers " + exported_clause(app, kCustomerClauses) + " order by id desc";
}

std::string suppliers_sql(App& app) {
  return "Select * from suppliers " + exported_clause(app, kSupplierClauses) + " order by id desc";
}

std::string customerInvoices_sql(App& app) {
  return std::string(
             "SELECT CustSO.Number, CustSO.InvDate, Customers.Description as CustomerName, "
             "CustSO.Description as OrderDescription, ") +
         "CustSO.NetTotal, CustSO.Status, CustSO.id, CustSO.PaymentStatus, CustSO.QuickBooks " +
         "FROM CustSO INNER JOIN Customers ON CustSO.Customer = " + "Customers.Link " +
         invoice_status_clause(app) + exported_clause(app, kInvoiceClauses) +
         " ORDER BY CustSO.Number";
}

std::string customerPayments_sql(App& app) {
  return std::string(
             "SELECT CustPayments.Date as PayDate, CustPayments.Number as ReceiptNumber, ") +
         "Customers.Description as CustomerName, CustPayments.QuickBooks, CustPayments.Amount, "
         "CustPayments.id, " +
         "CustPaymentMethods.QuickBooks as PayMethod, CustPaymentMethods.Description as "
         "PayMethodDesc, CustPayments.QuickBooks as QBExp, " +
         "CustPayments.QuickBooksDS, CustPayments.Voided, " +
         "CustPayments.Reference FROM CustPaymentMethods " +
         "INNER JOIN (Customers INNER JOIN CustPayments ON Customers.Link = " +
         "CustPayments.Customer) ON CustPaymentMethods.Link " +
         "= CustPayments.Method where CustPayments.POS <> 1 " + " and CustPayments.Voided <> 1 " +
         exported_clause(app, kPaymentClauses) + " order by CustPayments.ID";
}

std::string supplierPOs_sql(App& app) {
  return std::string(
             "SELECT SuppPO.Number, SuppPO.Date as poDate, SuppPO.DueDate, Suppliers.Description "
             "as SupplierName, ") +
         "SuppPO.Confirmation, SuppPO.Subtotal, SuppPO.GoodsIn, SuppPO.ID, SuppPO.SendQB " +
         "FROM Suppliers INNER JOIN SuppPO ON Suppliers.Link = SuppPO.Supplier WHERE  void = 0 "
         "and revision >= 200918 " +
         exported_clause(app, kPurchaseOrderClauses) + " ORDER by SuppPO.Number";
}

void fill_customers(App& app, MainWindowState& state) {
  static const ListSpec shape{"fill_customers", lists::kSendCustomers, "Sending Customers",
                              kHintRecords, kNameHeaders};
  fill_names(app, state, shape, customers_sql,
             std::array<const char*, 4>{"Description", "Tel", "Link", "QBAccountNumber"});
}

void fill_suppliers(App& app, MainWindowState& state) {
  static const ListSpec shape{"fill_suppliers", lists::kSendSuppliers, "Sending Suppliers",
                              kHintRecords, kNameHeaders};
  fill_names(app, state, shape, suppliers_sql,
             std::array<const char*, 4>{"Description", "Tel", "Link", "QBAccount"});
}

void fill_customerInvoices(App& app, MainWindowState& state) {
  static const ListSpec shape{"fill_customerInvoices",
                              lists::kSendCustomerInvoices,
                              "Sending Customer Invoices",
                              kHintInvoices,
                              {"Invoice Date", "Company", "Amount", "Order Description",
                               "Doc Number", "Status", "Paid", "Select", "Comment", "ID"}};
  constexpr std::array<const char*, 9> names{"InvDate",          "CustomerName", "NetTotal",
                                             "OrderDescription", "Number",       "Status",
                                             "PaymentStatus",    "id",           "QuickBooks"};
  fill_list(app, state, shape, customerInvoices_sql, warn_invoice_filters, names,
            [](const Fields& f, const RowContext& context, WorkRow& row) {
              row.cells[0] = date_cell(context, f[0]);
              row.cells[1] = f[1];
              row.cells[2] = money_cell(f[2]);
              row.cells[3] = f[3];
              row.cells[4] = f[4];
              row.cells[5] = f[5] == "3" ? "Work Order" : "Invoice";
              row.cells[6] = f[6] == "1" ? "Yes" : f[6] == "2" ? "Part" : "No";
              row.cells[9] = f[7];
              mark_sent(row, above_zero(f[8]));
            });
}

void fill_customerPayments(App& app, MainWindowState& state) {
  static const ListSpec shape{"fill_customerPayments",
                              lists::kSendCustomerPayments,
                              "Sending Customer Payments",
                              kHintTransactions,
                              {"Date", "Company", "Amount", "Payment Type", "Reference",
                               "Int Receipt #", "Select", "Comment", "ID"}};
  constexpr std::array<const char*, 8> names{
      "PayDate",   "CustomerName",  "Amount", "PayMethodDesc",
      "Reference", "ReceiptNumber", "id",     "QuickBooks"};
  fill_list(app, state, shape, customerPayments_sql, warn_exported_filter, names,
            [](const Fields& f, const RowContext& context, WorkRow& row) {
              row.cells[0] = date_cell(context, f[0]);
              row.cells[1] = f[1];
              row.cells[2] = money_cell(f[2]);
              row.cells[3] = f[3];
              row.cells[4] = f[4];
              row.cells[5] = f[5];
              row.cells[8] = f[6];
              mark_sent(row, above_zero(f[7]));
            });
}

void fill_supplierPOs(App& app, MainWindowState& state) {
  static const ListSpec shape{"fill_supplierPOs",
                              lists::kSendSupplierPOs,
                              "Sending Supplier Purchase Orders",
                              kHintTransactions,
                              {"Order Date", "Supplier", "Amount", "Confirmation Number",
                               "PO Number", "Goods In", "Due Date", "Select", "Comment", "ID"}};
  constexpr std::array<const char*, 9> names{"poDate",       "SupplierName", "Subtotal",
                                             "Confirmation", "Number",       "GoodsIn",
                                             "DueDate",      "ID",           "SendQB"};
  fill_list(app, state, shape, supplierPOs_sql, warn_exported_filter, names,
            [](const Fields& f, const RowContext& context, WorkRow& row) {
              row.cells[0] = date_cell(context, f[0]);
              row.cells[1] = f[1];
              row.cells[2] = money_cell(f[2]);
              row.cells[3] = f[3];
              row.cells[4] = f[4];
              row.cells[5] = f[5];
              row.cells[6] = date_cell(context, f[6]);
              row.cells[9] = f[7];
              mark_sent(row, above_zero(f[8]));
            });
}

void refresh_grid(App& app, MainWindowState& state, const std::function<void()>& fillCustomersQB) {
  const std::string list = state.currentList;
  if (list == lists::kSendCustomers)
    fill_customers(app, state);
  else if (list == lists::kSendSuppliers)
    fill_suppliers(app, state);
  else if (list == lists::kSendSupplierPOs)
    fill_supplierPOs(app, state);
  else if (list == lists::kSendCustomerInvoices)
    fill_customerInvoices(app, state);
  else if (list == lists::kSendCustomerPayments)
    fill_customerPayments(app, state);
  else if (list == lists::kGetCustomers && fillCustomersQB)
    fillCustomersQB();
}

void selectme(MainWindowState& state, bool all) {
  if (state.grid.rows.empty()) return;
  for (WorkRow& row : state.grid.rows) row.ticked = all;
  state.changed();
}

void filter_grid(App& app, MainWindowState& state, const std::function<void(bool)>& imBusy) {
  if (state.currentList != lists::kGetCustomers && state.currentList != lists::kGetSuppliers)
    return;
  auto busy = [&](bool on) {
    if (imBusy)
      imBusy(on);
    else
      state.busy = on;
  };
  busy(true);
  const bool hideUnlinked = setup_value(app, "filtershowexportednot") == "0";
  const bool hideLinked = setup_value(app, "filtershowexported") != "1";
  const bool hideInactive = setup_value(app, "filtershowinactive") != "1";
  const bool hideSubAccounts = setup_value(app, "filtershowparent") != "1";
  constexpr std::size_t kNameColumn = 0;
  constexpr std::size_t kActiveColumn = 2;
  for (WorkRow& row : state.grid.rows) {
    const bool linked = row.foreColour != -1;
    bool hidden = (hideUnlinked && !linked) || (hideLinked && linked);
    if (hideInactive && row.cells.size() > kActiveColumn &&
        to_lower_ascii(row.cells[kActiveColumn]) == "false")
      hidden = true;
    if (hideSubAccounts && row.cells.size() > kNameColumn &&
        row.cells[kNameColumn].find(':', 1) != std::string::npos)
      hidden = true;
    row.hidden = hidden;
    app.events.pump();
  }
  busy(false);
  state.changed();
}

bool fg1_BeforeEdit(const MainWindowState& state, int row, int column) {
  const int tickColumn = tick_column_of(state.currentList);
  return tickColumn >= 0 && column == tickColumn && row >= 1 &&
         static_cast<std::size_t>(row) <= state.grid.rows.size();
}

void fg1_DblClick(App& app, const MainWindowState& state, int row, int column) {
  const WorkList& grid = state.grid;
  if (grid.rows.empty() || row < 1 || static_cast<std::size_t>(row) > grid.rows.size()) return;
  const int commentColumn = grid.column("Comment");
  if (commentColumn < 0 || column != commentColumn) return;
  const auto& cells = grid.rows[static_cast<std::size_t>(row - 1)].cells;
  if (static_cast<std::size_t>(column) >= cells.size() ||
      cells[static_cast<std::size_t>(column)].empty())
    return;
  app.ui.messageBox(cells[static_cast<std::size_t>(column)], Buttons::Ok, Icon::None, "");
}

}  // namespace vqb
