#include "import/customer_sync.h"

#include <exception>

#include "app/database.h"
#include "app/errors.h"
#include "app/text_helpers.h"

namespace vqb {
namespace {

constexpr const char* kModule = "frmQB";
constexpr const char* kCrLf = "\r\n";

constexpr const char* kContactHint =
    "Tick the customers to send to QuickBooks again, then choose Sync > Customer Balances.";

// The column of a "Select *" result with this name, compared without regard to case.
std::size_t column_of(const std::vector<std::string>& columns, std::string_view name) {
  const std::string wanted = to_lower_ascii(name);
  for (std::size_t i = 0; i < columns.size(); ++i)
    if (to_lower_ascii(columns[i]) == wanted) return i;
  throw VqbError(3265, "Item not found in this collection. (" + std::string(name) + ")");
}

std::string text_of(const Cell& cell) {
  return cell ? *cell : std::string();
}

}  // namespace

void fill_syncCustomerContactInfo(App& app, WorkState& state) {
  WorkList& grid = state.grid;
  try {
    grid.clear();
    grid.headers = {"Company", "Phone", "Select", "", "Comment"};
    grid.hiddenColumns = {static_cast<int>(kContactLinkColumn)};
    grid.tickColumn = tick_column_of(lists::kSyncCustomerContactInfo);
    app.ui.setProgress(0, 100);
    state.currentList = lists::kSyncCustomerContactInfo;
    state.comment = kContactHint;
    state.changed();

    auto db = open_database(app.databasePath);
    std::vector<std::string> columns;
    std::size_t description = 0, tel = 0, link = 0;
    bool found = false;
    db->query(
        kContactListSql,
        [&](const std::vector<Cell>& cells) {
          if (!found) {
            description = column_of(columns, "Description");
            tel = column_of(columns, "tel");
            link = column_of(columns, "link");
            found = true;
          }
          WorkRow row;
          row.cells = {text_of(cells[description]), text_of(cells[tel]), "", text_of(cells[link]),
                       ""};
          grid.rows.push_back(std::move(row));
          app.events.pump();
        },
        &columns);
    state.changed();
  } catch (const std::exception& error) {
    state.changed();
    show_common_error(app.ui, kModule, "fill_syncCustomerContactInfo", error);
  }
}

BalanceImport cmdGetCustomerBal_Click(App& app, WorkState& state) {
  constexpr std::size_t kNameColumn = 7;
  constexpr std::size_t kBalanceColumn = 8;
  BalanceImport done;
  try {
    auto db = open_database(app.databasePath);
    const std::string today = number_text(ole_today());
    for (const WorkRow& row : state.grid.rows) {
      if (row.hidden || row.cells.size() <= kBalanceColumn) continue;
      BalanceOutcome outcome{row.cells[kNameColumn], "", false};
      const double balance = numeric_value(row.rawOrCell(kBalanceColumn));
      app.events.pump();
      if (balance == 0) {
        outcome.result = "No balance to book";
        done.rows.push_back(std::move(outcome));
        continue;
      }
      // The customer lookup, the check for an earlier posting and the posting stand together.
      Transaction transaction(*db, Transaction::Mode::Immediate);
      auto customer = db->queryAll("Select * from customers where QBAccountNumber = '" +
                                   sql_quote(outcome.name) + "'");
      if (customer.rows.empty()) {
        outcome.result = "Not in Vantora: nothing booked";
        done.rows.push_back(std::move(outcome));
        continue;
      }
      const std::string link = text_of(customer.rows.front()[column_of(customer.columns, "link")]);
      if (db->hasRows("Select * from custPost where Customer = " + link + " and Description = '" +
                      kOpeningBalanceDescription + "'")) {
        outcome.result = "Skipped: an opening balance from QuickBooks is already booked";
        ++done.skipped;
        done.rows.push_back(std::move(outcome));
        continue;
      }
      const std::string amount = format_number(balance < 0 ? -balance : balance, "0.00");
      const std::string debit = balance < 0 ? "0" : amount;
      const std::string credit = balance < 0 ? amount : "0";
      db->execute(
          "INSERT INTO custPost (Customer, [Date], Trans, Description, reference, Rep, Debit, "
          "Credit, outstanding, ChargeTax1, ChargeTax2, Notes) VALUES (" +
          link + ", " + today + ", 'JNL', '" + kOpeningBalanceDescription + "', 'Import', -1, " +
          debit + ", " + credit + ", " + amount +
          ", -1, -1, 'Bal B/F from QuickBooks After Customer Import')");
      transaction.commit();
      outcome.result = std::string("Booked: ") + (balance < 0 ? "credit " : "debit ") + amount;
      outcome.booked = true;
      ++done.booked;
      done.rows.push_back(std::move(outcome));
    }
  } catch (const std::exception& error) {
    show_common_error(app.ui, kModule, "cmdGetCustomerBal_Click", error);
    return done;
  }
  app.ui.messageBox(std::string("Done") + kCrLf + kCrLf +
                        "Opening balances booked: " + std::to_string(done.booked) + kCrLf +
                        "Skipped because one was already booked: " + std::to_string(done.skipped),
                    Buttons::Ok, Icon::None, "");
  return done;
}

}  // namespace vqb
