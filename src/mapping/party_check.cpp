#include "mapping/party_check.h"

#include <utility>

#include "app/module1.h"
#include "app/text_helpers.h"
#include "mapping/existence.h"

namespace vqb {

namespace {

constexpr const char* kCrLf = "\r\n";
constexpr const char* kChooseOption = "Please select one of the following options.";

struct Side {
  bool vendor;
  const char* accountColumn;  // the row's link to QuickBooks
  DialogKind dialog;
  const char* table;
  const char* readFailure;
};

constexpr Side kCustomerSide{false, "qbaccountnumber", DialogKind::CustomerValidation, "customers",
                             "Cannot open customer table in Vantora database."};
constexpr Side kVendorSide{true, "qbaccount", DialogKind::VendorValidation, "suppliers",
                           "Cannot open vendor table in Vantora database."};

bool exists(MappingContext& ctx, const Side& side, const std::string& name) {
  return side.vendor ? vendor_exist(ctx, name) : customer_exist(ctx, name);
}

bool validate(MappingContext& ctx, RecordDoc& row, const SendRecordFn& send, const Side& side,
              RecordDoc& cache) {
  App& app = ctx.app;
  SharedSlots& slots = app.sharedSlots;
  slots[51] = "";
  const std::string id = row.GetChildContent("id");
  const std::string account = row.GetChildContent(side.accountColumn);
  if (!account.empty()) {
    cache.MoveToRoot();
    if (!cache.GetChildContent("v" + id).empty()) return true;
    if (exists(ctx, side, account)) {
      cache.SetChildValue("v" + id, account);
      return true;
    }
  }
  slots[0] = account;
  for (;;) {
    std::string message;
    if (side.vendor)
      message =
          "There is no vendor called " + slots[0] + " in QuickBooks. " + kCrLf + kChooseOption;
    else if (!slots[0].empty())
      message =
          "There is no customer called " + slots[0] + " in QuickBooks. " + kCrLf + kChooseOption;
    else
      message = "There is no customer account in QuickBooks associated with " +
                row.GetChildContent("description") + "." + kCrLf + kChooseOption;
    slots[1] = "";
    app.ui.showDialog(side.dialog, message);
    const std::string answer = slots[1];
    if (answer.empty()) return false;
    if (answer == "1") {
      const std::string link = row.GetChildContent("link");
      if (!send || !send(static_cast<long>(numeric_value(link))).starts_with("Success"))
        return false;
      if (read_data(app, std::string("Select * from ") + side.table + " where link = " + link,
                    false)) {
        RecordDoc fresh = app.scratch.Clone();
        fresh.MoveToRoot();
        if (fresh.MoveToFirstChild()) row = std::move(fresh);
      } else {
        app.ui.messageBox(side.readFailure, Buttons::Ok, Icon::Critical, "Error");
      }
      return true;
    }
    if (answer == "2") {
      if (exists(ctx, side, slots[10])) {
        slots[51] = slots[10];
        const std::string sql = side.vendor ? "UPDATE Suppliers SET QBAccount = '" +
                                                  sql_quote(slots[51]) + "' WHERE id = " + id
                                            : "UPDATE Customers Set QBAccountNumber = '" +
                                                  sql_quote(slots[51]) + "' WHERE id = " + id;
        write_data(app, sql);
        row.SetChildValue(side.accountColumn, slots[51]);
        return true;
      }
      slots[0] = slots[10];
      continue;
    }
    return false;
  }
}

}  // namespace

bool validate_customerQB(MappingContext& ctx, RecordDoc& customer,
                         const SendRecordFn& send_Customer) {
  return validate(ctx, customer, send_Customer, kCustomerSide, ctx.app.customerMemo);
}

bool validate_vendorQB(MappingContext& ctx, RecordDoc& supplier,
                       const SendRecordFn& send_Supplier) {
  return validate(ctx, supplier, send_Supplier, kVendorSide, ctx.app.vendorMemo);
}

}  // namespace vqb
