#include "mapping/mapping_check.h"

#include <optional>

#include "app/module1.h"
#include "app/text_helpers.h"
#include "mapping/existence.h"
#include "mapping/validators.h"

namespace vqb {
namespace {

long as_long(const std::string& text) {
  return static_cast<long>(numeric_value(text));
}

// Reads one row into a private copy; false when it is missing.
bool read_row(App& app, const std::string& sql, RecordDoc& into) {
  if (!read_data(app, sql, false)) return false;
  into = app.scratch.Clone();
  return into.MoveToFirstChild();
}

CheckResult stop(std::string text) {
  return {false, std::move(text), "", ""};
}

constexpr const char* kCustomerSentFirst =
    "OK; the customer is not in QuickBooks yet and will be created or linked when this is sent";

// A linked customer must exist in QuickBooks; an unlinked one is created or linked by the send
// (with the user's answer), so it does not stop the check.
std::optional<CheckResult> check_customer_linked(MappingContext& ctx, RecordDoc& customer,
                                                 bool& sentFirst) {
  const std::string account = customer.GetChildContent("qbaccountnumber");
  sentFirst = account.empty();
  if (!sentFirst && !customer_exist(ctx, account))
    return stop("Cannot validate existance of customer in QuickBooks. Not Exported.");
  return std::nullopt;
}

CheckResult passed(bool customerSentFirst) {
  return {true, customerSentFirst ? kCustomerSentFirst : "OK", "", ""};
}

CheckResult check_invoice(MappingContext& ctx, long number) {
  App& app = ctx.app;
  RecordDoc invoice, customer;
  const std::string n = std::to_string(number);
  if (!read_row(app, "Select * from custso where number = " + n, invoice))
    return stop("Cannot find invoice in Vantora database.");
  if (!read_row(app,
                "Select * from customers where link = " +
                    std::to_string(as_long(invoice.GetChildContent("customer"))),
                customer))
    return stop("Cannot find customer in Vantora database.");

  app.setup.MoveToRoot();
  const bool remarks = app.setup.GetChildContent("chksendremarks") == "1";
  const std::string linesSql =
      remarks ? "Select * from custsodetail where sonumber = " + n +
                    " and ((linetype <> 'Remark' and linetype <> 'Separator') or (linetype = "
                    "'Remark' and PrintLine = 1)) "
                    "order by linenumber"
              : "Select * from custsodetail where sonumber = " + n +
                    " and linetype <> 'Remark' and linetype <> 'Separator' order by linenumber";
  if (!read_data(app, linesSql, false)) return stop("Cannot open invoice in Vantora database.");
  RecordDoc lines = app.scratch.Clone();
  if (lines.GetChildCount() == 0) return stop("Invoice has no detailed line items to export");
  long k = 0;
  for (bool more = lines.MoveToFirstChild(); more; more = lines.MoveToNextSibling()) {
    ++k;
    const std::string qbclass = lines.GetChildContent("qbclass");
    if (ctx.switches.useClass && !validate_ClassQB(ctx, qbclass))
      return stop("QB Class " + qbclass + " could not be validated. Invoice not sent!");
    if (lines.GetChildContent("linetype") == "Remark") continue;
    const std::string group = lines.GetChildContent("salesgroup");
    if (!validate_salesGroupVT(
            ctx, group,
            lines.GetChildContent("style") + " " + lines.GetChildContent("description")))
      return stop("No valid sales group associated with line number " + std::to_string(k) + ".");
    if (!validate_salesGroupQB(ctx, group))
      return stop("No valid QuickBooks item associated with the following sales group: " + group);
    const long tax1 = as_long(lines.GetChildContent("tax1"));
    if (!validate_taxCodeVT(ctx, tax1))
      return stop("No valid tax code associated with line number " + std::to_string(k) + ".");
    if (!validate_taxCodeQB(ctx, tax1))
      return stop(
          "No valid QuickBooks Tax CODE associated with the following Tax CODE in Vantora: " +
          app.sharedSlots[150]);
  }

  bool sentFirst = false;
  if (auto failed = check_customer_linked(ctx, customer, sentFirst)) return *failed;

  if (!ctx.switches.useSalesTax) {
    if (numeric_value(invoice.GetChildContent("taxamount1")) != 0)
      return stop(
          "There is a tax amount associated with this invoice and the integrator setup does not "
          "allow sales tax. "
          "Please correct tax setup.");
  } else {
    const long taxType = as_long(invoice.GetChildContent("taxtype1"));
    if (!validate_taxItemVT(ctx, taxType, false))
      return stop("Vantora tax type not found. Please open invoice and select valid tax type.");
    const double rate = numeric_value(app.taxSnapshot.GetChildContent("rate"));
    app.taxSnapshot.MoveToRoot();
    if (rate != numeric_value(invoice.GetChildContent("taxpercentage1")))
      return stop(
          "No valid QuickBooks 'sales tax item' associated with this invoice. Cannot export "
          "invoice");
    if (!validate_taxItemQB(ctx, taxType))
      return stop(
          "No valid QuickBooks 'sales tax item' associated with this invoice. Cannot export "
          "invoice");
  }
  if (ctx.switches.useReps) {
    const long rep = as_long(invoice.GetChildContent("salesrep"));
    if (!validate_RepVT(ctx, rep, true))
      return stop("No sales rep associated with this order, in Vantora. Cannot export invoice.");
    if (!validate_RepQB(ctx, rep))
      return stop("No valid QuickBooks 'sales rep' associated with this order. Cannot export");
  }
  if (numeric_value(invoice.GetChildContent("discamount")) != 0 && !validate_discountQB(ctx))
    return stop("No valid QuickBooks 'Discount' item. Cannot export invoice");
  return passed(sentFirst);
}

CheckResult check_payment(MappingContext& ctx, long number) {
  App& app = ctx.app;
  RecordDoc payment, customer;
  if (!read_row(app, "Select * from CustPayments where number = " + std::to_string(number),
                payment))
    return stop("Cannot find payment in Vantora database.");
  if (!read_row(app,
                "Select * from customers where link = " +
                    std::to_string(as_long(payment.GetChildContent("customer"))),
                customer))
    return stop("Cannot find customer in Vantmora.");
  bool sentFirst = false;
  if (auto failed = check_customer_linked(ctx, customer, sentFirst)) return *failed;
  const long method = as_long(payment.GetChildContent("method"));
  if (!validate_PMVT(ctx, method, false))
    return stop(
        "No valid payment method associated with this transaction, in Vantora. Cannot export "
        "payment.");
  const std::string ledger = app.sharedSlots[400];
  if (!validate_PMQB(ctx, method))
    return stop(
        "No valid QuickBooks 'payment method' associated with this transaction. Cannot export");
  if (!ledger.empty() && !validate_LedgerQB(ctx, ledger))
    return stop(
        "Cannot validate QB ledger account where payment will be deposite to. Payment not sent!");
  return passed(sentFirst);
}

CheckResult check_purchase_order(MappingContext& ctx, long number) {
  App& app = ctx.app;
  RecordDoc order;
  const std::string n = std::to_string(number);
  if (!read_row(app, "Select * from suppPO where number = " + n, order))
    return stop("Cannot find purchase order in Vantora database.");
  app.setup.MoveToRoot();
  const bool remarks = app.setup.GetChildContent("chksendremarkspo") == "1";
  if (!read_data(app,
                 "Select * from suppPODetail where poNumber = " + n +
                     (remarks ? "" : " and RemarkLine <> 1") +
                     " order by linenumber, Style, Color, SizeOrder, rank",
                 false))
    return stop("Cannot open purchase order in Vantora database.");
  RecordDoc lines = app.scratch.Clone();
  if (lines.GetChildCount() == 0)
    return stop("Purchase order has no detailed line items to export");
  for (bool more = lines.MoveToFirstChild(); more; more = lines.MoveToNextSibling()) {
    if (lines.GetChildContent("remarkline") == "1") continue;
    const std::string group = lines.GetChildContent("salesgroup");
    const std::string text = lines.GetChildContent("style") + " " + lines.GetChildContent("color") +
                             " " + lines.GetChildContent("size") + " - " +
                             lines.GetChildContent("description");
    if (!validate_salesGroupVT(ctx, group, text))
      return stop("No valid sales group associated with line number " +
                  lines.GetChildContent("linenumber") + ".");
    if (!validate_salesGroupQB(ctx, group))
      return stop("No valid QuickBooks item associated with the following sales group: " + group);
  }
  return {true, "OK", "", ""};
}

CheckResult check_customer(MappingContext& ctx, long link) {
  App& app = ctx.app;
  RecordDoc customer;
  if (!read_row(app, "Select * from customers where link = " + std::to_string(link), customer))
    return stop("Cannot find customer in Vantora database.");
  const MappingSwitches& s = ctx.switches;
  if (s.useCustomerGroups &&
      !validate_customerGroupQB(ctx, as_long(customer.GetChildContent("industry"))))
    return stop("Associated customer group in QuickBooks does not exist. Customer not exported.");
  if (s.useSalesTax) {
    const long tax = as_long(customer.GetChildContent("tax1"));
    if (!validate_taxItemVT(ctx, tax, true))
      return stop("Vantora tax type does not exist. Customer not exported.");
    if (!validate_taxItemQB(ctx, tax))
      return stop("Associated tax item in QuickBooks does not exist. Customer not exported.");
  }
  if (s.useCustomerTerms) {
    const long terms = as_long(customer.GetChildContent("terms"));
    if (!validate_termsVT(ctx, terms, true))
      return stop("Vantora terms does not exist. Customer not exported.");
    if (!validate_termsQB(ctx, terms))
      return stop("Associated customer terms in QuickBooks does not exist. Customer not exported.");
  }
  if (s.useReps && !validate_RepVT(ctx, as_long(customer.GetChildContent("rep")), true))
    return stop(
        "Vantora sales rep does not exist. The customer would be sent without a sales rep, or not "
        "at all.");
  return {true, "OK", "", ""};
}

}  // namespace

Answer CheckingUi::messageBox(const std::string& text, Buttons buttons, Icon icon,
                              const std::string& title) {
  messages.push_back(text);
  // Questions are answered No so that nothing is changed; plain boxes pass through.
  if (buttons == Buttons::Ok) return inner_.messageBox(text, buttons, icon, title);
  return buttons == Buttons::OkCancel ? Answer::Cancel : Answer::No;
}

void CheckingUi::showDialog(DialogKind kind, const std::string& parameter) {
  // The customer and vendor validation windows are cancelled: nothing is created or linked.
  if ((kind == DialogKind::CustomerValidation || kind == DialogKind::VendorValidation) && app_) {
    app_->sharedSlots[1].clear();
    return;
  }
  if (kind != DialogKind::Assign || !app_) return inner_.showDialog(kind, parameter);
  dialogTitle = app_->sharedSlots[1];
  dialogMessage = app_->sharedSlots[2];
  app_->sharedSlots[0] = "";
}

CheckResult check_mappings(MappingContext& ctx, CheckKind kind, long key) {
  auto* checking = dynamic_cast<CheckingUi*>(&ctx.app.ui.target());
  if (checking) {
    checking->dialogTitle.clear();
    checking->dialogMessage.clear();
  }
  CheckResult result;
  switch (kind) {
    case CheckKind::Invoice:
      result = check_invoice(ctx, key);
      break;
    case CheckKind::Payment:
      result = check_payment(ctx, key);
      break;
    case CheckKind::PurchaseOrder:
      result = check_purchase_order(ctx, key);
      break;
    case CheckKind::Customer:
      result = check_customer(ctx, key);
      break;
  }
  if (checking && !result.ok) {
    result.dialogTitle = checking->dialogTitle;
    result.dialogMessage = checking->dialogMessage;
  }
  return result;
}

}  // namespace vqb
