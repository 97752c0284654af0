#include "dialogs/update_customers.h"

#include <exception>
#include <map>

#include "app/database.h"
#include "app/errors.h"
#include "app/text_helpers.h"
#include "export/customer_export.h"
#include "export/field_cuts.h"

namespace vqb {
namespace {

constexpr const char* kModule = "frmUpdateCustomers";

// The cells of one "Select *" row by lower-cased column name.
class Named {
 public:
  explicit Named(const std::vector<std::string>& columns) {
    for (std::size_t i = 0; i < columns.size(); ++i) index_[to_lower_ascii(columns[i])] = i;
  }
  std::string operator()(const std::vector<Cell>& cells, const char* column) const {
    auto found = index_.find(column);
    if (found == index_.end())
      throw VqbError(3265, "Item not found in this collection. (" + std::string(column) + ")");
    const Cell& cell = cells[found->second];
    return cell ? *cell : std::string();
  }

 private:
  std::map<std::string, std::size_t> index_;
};

}  // namespace

UpdateCustomersLogic::UpdateCustomersLogic(App& application,
                                           std::function<qb::ComponentSet&()> components)
    : app(application), components_(std::move(components)) {}

void UpdateCustomersLogic::Form_Load() {
  try {
    load_customers();
  } catch (const std::exception& error) {
    changed();
    show_common_error(app.ui, kModule, "Form_Load", error);
  }
}

void UpdateCustomersLogic::load_customers() {
  using namespace update_columns;
  grid.clear();
  grid.headers = {"Company Name", "Phone",           "Email", "Group",  "Link",
                  "Select",       "QBAccountNumber", "Fax",   "Comment"};
  grid.tickColumn = static_cast<int>(kSelect);
  selectAll_ = false;
  changed();

  auto db = open_database(app.databasePath);
  // The QuickBooks customer type of each Vantora customer group, by its link.
  std::map<std::string, std::string> groups;
  auto industries = db->queryAll("Select * from custindustry");
  const Named industry(industries.columns);
  for (const auto& cells : industries.rows)
    groups[industry(cells, "link")] = industry(cells, "quickbooks");

  auto customers =
      db->queryAll("Select * from customers where QBAccountNumber <> '' order by description");
  const Named customer(customers.columns);
  for (const auto& cells : customers.rows) {
    WorkRow row;
    row.cells.resize(grid.headers.size());
    row.cells[kCompany] = customer(cells, "description");
    row.cells[kPhone] = customer(cells, "tel");
    row.cells[kEmail] = customer(cells, "email");
    auto group = groups.find(customer(cells, "industry"));
    if (group != groups.end()) row.cells[kGroup] = group->second;
    row.cells[kLink] = customer(cells, "link");
    row.cells[kQbName] = customer(cells, "qbaccountnumber");
    row.cells[kFax] = customer(cells, "fax");
    row.ticked = true;
    grid.rows.push_back(std::move(row));
  }
  changed();
}

void UpdateCustomersLogic::TB2_ButtonClick(const std::string& caption) {
  try {
    if (caption == "Cancel") {
      cancelRequested = true;
    } else if (busy) {
      return;  // only Cancel while a run goes on
    } else if (caption == "Select") {
      // Every row is ticked at load, so the first press unticks them all.
      for (WorkRow& row : grid.rows) row.ticked = selectAll_;
      selectAll_ = !selectAll_;
      changed();
    } else if (caption == "Run") {
      upd_customers();
    }
  } catch (const std::exception& error) {
    busy = false;
    changed();
    show_common_error(app.ui, kModule, "TB2_ButtonClick", error);
  }
}

void UpdateCustomersLogic::upd_customers() {
  if (!chkC && !chkP && !chkE && !chkF && !chkG) {
    app.ui.messageBox(kNoUpdateOption, Buttons::Ok, Icon::Information, "Error");
    return;
  }
  // A Cancel left from an earlier run must not stop this one.
  cancelRequested = false;
  busy = true;
  const auto count = static_cast<long>(grid.rows.size());
  for (std::size_t i = 0; i < grid.rows.size(); ++i) {
    grid.currentRow = static_cast<int>(i);
    setStatus("Updating " + std::to_string(i + 1) + " of " + std::to_string(count));
    setProgress(static_cast<long>(i) + 1, count);
    if (redraw) redraw();
    app.ui.processEvents();
    if (cancelRequested) {
      setStatus("Cancelled by user");
      break;
    }
    if (i >= grid.rows.size() || !grid.rows[i].ticked) continue;
    const bool updated = update_customer(i);
    grid.rows[i].backColour = updated ? kUpdatedRowColour : kFailedRowColour;
    changed();
  }
  busy = false;
  changed();
}

bool UpdateCustomersLogic::update_customer(std::size_t rowIndex) {
  using namespace update_columns;
  WorkRow& row = grid.rows.at(rowIndex);
  std::string& comment = row.cells.at(kComment);
  try {
    qb::ComponentSet& components = components_();
    qb::Customer& customer = components.customer;
    customer.reset();
    components.set_Country(app.applyConnectionSettings);
    customer.loadByName(row.cells[kQbName]);
    // Texts cut to what QuickBooks takes, as the customer export sends them: QuickBooks
    // refuses the whole update otherwise.
    FieldCuts cuts;
    if (chkC)
      customer.companyName =
          cuts.take("company name", row.cells[kCompany], kQuickBooksCompanyNameLength);
    if (chkP) customer.phone = cuts.take("phone", row.cells[kPhone], kQbPhoneLength);
    if (chkE) customer.email = cuts.take("e-mail", row.cells[kEmail], kQbEmailLength);
    if (chkF) customer.fax = cuts.take("fax", row.cells[kFax], kQbPhoneLength);
    if (chkG && !row.cells[kGroup].empty()) customer.customerType = row.cells[kGroup];
    customer.update();
    comment = cuts.any() ? std::string(kCustomerUpdated) + "." + cuts.note() : kCustomerUpdated;
    return true;
  } catch (const VqbError& error) {
    comment = number_dash_description(error.number(), error.description());
  } catch (const std::exception& error) {
    comment = error.what();
  }
  return false;
}

void UpdateCustomersLogic::setStatus(std::string text) {
  status = std::move(text);
  changed();
}

void UpdateCustomersLogic::setProgress(long value, long maximum) {
  progress = value;
  progressMaximum = maximum;
  changed();
}

}  // namespace vqb
