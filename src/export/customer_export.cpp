#include "export/customer_export.h"

#include <cmath>
#include <exception>

#include "app/errors.h"
#include "app/module1.h"
#include "app/text_helpers.h"
#include "export/intent_journal.h"
#include "export/intent_recovery.h"
#include "export/parse_address.h"
#include "export/send_loop.h"
#include "export/send_runs.h"
#include "mapping/existence.h"
#include "mapping/validators.h"
#include "quickbooks/qb_error.h"
#include "quickbooks/qbxml.h"

namespace vqb {
namespace {

constexpr const char* kCrlf = "\r\n";
constexpr std::size_t kMaxNameLength = 40;

long number_of(const RecordDoc& row, const char* field) {
  return static_cast<long>(std::trunc(numeric_value(row.GetChildContent(field))));
}

}  // namespace

void send_name_rows(MappingContext& ctx, const name_export::Texts& texts,
                    const std::function<SendTask(long)>& send) {
  send_record_rows(ctx,
                   {kNameListLinkColumn, kNameListResultColumn, kNameListNameColumn, "Sending ",
                    [&](long link) { return name_export::checks_ahead(ctx, link, texts); }},
                   send);
}

namespace name_export {
namespace {

// The input box for another name after a clash. Empty: the user gave up.
std::optional<std::string> ask_other_name(App& app, const Texts& t, const std::string& name) {
  std::string answer = app.ui.inputBox(
      "Please enter another " + t.kind + " name that is not in QuickBooks.", t.renameTitle, name);
  if (answer.empty()) return std::nullopt;
  return answer;
}

std::string same_kind_question(const Texts& t, const std::string& name) {
  return "A " + t.kind + " called, " + name + ", already exists in QuickBooks." + kCrlf +
         "Click 'YES' to link this Vantora " + t.kind + " to the one in QuickBooks." + kCrlf +
         "Click 'No' to specify another " + t.kind + " name." + kCrlf +
         "Click 'Cancel' if you DON'T want to send this " + t.kind + " to QuickBooks at this time.";
}

// Asks until the name passes every check; a stop text when the export ends here.
std::optional<std::string> check_name(MappingContext& ctx, const Texts& t,
                                      const std::string& description, long link,
                                      std::string& name) {
  App& app = ctx.app;
  for (;;) {
    if (char_count(name) > kMaxNameLength) {
      std::string answer = app.ui.inputBox(
          "The " + t.kind + " name " + name +
              " is more than 40 characters long and cannot be sent to QuickBooks." + kCrlf +
              "Please enter another " + t.kind + " name that is less than 40 characters." + kCrlf +
              "PLEASE NOTE: In QuickBooks there is a difference between '" + t.kindTitle +
              " Name' and 'Company Name'. No matter what '" + t.kindTitle +
              " Name' you specify, Vantora will still export the 'Company Name' as " + description,
          t.lengthTitle, first_chars(name, kMaxNameLength));
      if (answer.empty()) return t.noName;
      name = answer;
      continue;
    }
    prefetch_name_checks(ctx, name);  // the checks below then share one round trip
    if (t.sameKindExists(ctx, name)) {
      Answer a = app.ui.messageBox(same_kind_question(t, name), Buttons::YesNoCancel,
                                   Icon::Information, "Please Select");
      if (a == Answer::Yes)
        return link_back(app, t, name, link) ? std::string("Success") : t.linkFailed;
      if (a != Answer::No) return t.userCancelled;
      auto other = ask_other_name(app, t, name);
      if (!other) return t.userCancelled;
      name = *other;
      continue;
    }
    bool renamed = false;
    for (const Texts::Other& o : t.others) {
      if (!o.exists(ctx, name)) continue;
      Answer a = app.ui.messageBox(o.called + name + ", already exists in QuickBooks." + kCrlf +
                                       o.refusal + kCrlf + "Click 'OK' to specify another " +
                                       t.kind + " name." + kCrlf +
                                       "Click 'Cancel' if you DON'T want to send this " + t.kind +
                                       " to QuickBooks at this time.",
                                   Buttons::OkCancel, Icon::Information, "Please Select");
      if (a != Answer::Ok) return t.userCancelled;
      auto other = ask_other_name(app, t, name);
      if (!other) return t.userCancelled;
      name = *other;
      renamed = true;
      break;
    }
    if (!renamed) return std::nullopt;
  }
}

}  // namespace

bool link_back(App& app, const Texts& t, const std::string& name, long link) {
  return write_data(app, t.updateSql + sql_quote(name) + "' WHERE link = " + std::to_string(link));
}

std::string export_one(MappingContext& ctx, long link, const Texts& texts, const AddStep& add) {
  return run_now([&] { return export_task(ctx, link, texts, add); });
}

std::vector<std::string> checks_ahead(MappingContext& ctx, long link, const Texts& t) {
  App& app = ctx.app;
  try {
    if (!read_data(app, t.selectSql + std::to_string(link), false)) return {};
    if (!app.scratch.MoveToFirstChild()) return {};
    const std::string name = qb::qbxml::xml_safe(app.scratch.GetChildContent("description"));
    if (name.empty() || char_count(name) > kMaxNameLength) return {};
    return name_check_documents(ctx, name);
  } catch (const std::exception&) {
    return {};
  }
}

SendTask export_task(MappingContext& ctx, long link, const Texts& t, AddStep add) {
  App& app = ctx.app;
  RecordDoc row;
  try {
    if (!read_data(app, t.selectSql + std::to_string(link), false)) co_return t.readFailed;
    row = app.scratch.Clone();
    if (!row.MoveToFirstChild()) co_return t.notFound + std::to_string(link) + t.notFoundTail;
  } catch (const VqbError& error) {
    show_common_error(app.ui, t.module, t.procedure, error);
    co_return "";
  } catch (const std::exception& error) {
    show_common_error(app.ui, t.module, t.procedure, error);
    co_return "";
  }

  const std::string description = row.GetChildContent("description");
  // The name as QuickBooks will hold it (no characters XML cannot carry), so that the link
  // written back names the QuickBooks entry.
  std::string name = qb::qbxml::xml_safe(description);
  for (;;) {
    try {
      if (auto stop = check_name(ctx, t, description, link, name)) co_return *stop;
      FieldCuts cuts;
      std::string document;
      if (auto stop = add(row, name, cuts, document)) co_return *stop;
      AddedRecord added =
          co_await add_in_set(ctx, to_lower_ascii(t.kind), std::to_string(link), document);
      if (!link_back(app, t, name, link)) co_return t.addedLinkFailed + kMarkPending;
      added.marked();
      co_return cuts.any() ? "Success." + cuts.note() : std::string("Success");
    } catch (const UnreadableAnswer& unknown) {
      co_return unknown.description();
    } catch (const VqbError& error) {
      if (error.number() != qb::kNameInUse)
        co_return t.exportFailed + kCrlf + "Error: " + std::to_string(error.number()) + " - " +
            qb::qb_error(std::to_string(error.number()), error.description());
    } catch (const std::exception& error) {
      co_return t.exportFailed + kCrlf + "Error: 0 - " + qb::qb_error("0", error.what());
    }
    // QuickBooks already holds the name: link, rename or give up.
    Answer a = app.ui.messageBox(same_kind_question(t, name), Buttons::YesNoCancel,
                                 Icon::Information, "Please Select");
    if (a == Answer::Yes)
      co_return link_back(app, t, name, link) ? std::string("Success")
                                              : "Could not update Vantora database.";
    if (a != Answer::No) co_return t.duplicate;
    auto other = ask_other_name(app, t, name);
    if (!other) co_return t.noName;
    name = *other;
  }
}

}  // namespace name_export

namespace {

const name_export::Texts& customer_texts() {
  static const name_export::Texts texts{
      "frmQB",
      "send_Customer",
      "Select * from customers where link = ",
      "Export customer. Unable to read data from company database.",
      "Export customer. Cannot find customer id: ",
      " in Vantora.",
      "customer",
      "Customer",
      "Sending Customer",
      "Sending Customers",
      "No customer name specified. Unable to create a new customer in QuickBooks.",
      "User selected not to send customer.",
      "Customer sent to QuickBooks but could not update Vantora database.",
      "Customer exported but could not update Vantora database.",
      "Duplicate customer name. Unable to create new customer in QuickBooks.",
      "Could not export customer: ",
      "UPDATE customers SET QBAccountNumber = '",
      customer_exist,
      {{vendor_exist, "A vendor called, ",
        "QuickBooks will not accept a customer and vendor with the same name."},
       {employee_exist, "An employee called, ",
        "QuickBooks will not accept a customer and employee with the same name."}}};
  return texts;
}

// Stores the code the user chose in the assign dialog (slot 51) in the customer row.
void store_choice(MappingContext& ctx, RecordDoc& row, const char* column, const char* field,
                  long link) {
  const std::string& choice = ctx.app.sharedSlots[51];
  if (choice.empty()) return;
  const std::string number = number_text(std::trunc(numeric_value(choice)));
  write_data(ctx.app, std::string("UPDATE Customers Set ") + column + " = " + number +
                          " WHERE link = " + std::to_string(link));
  row.SetChildValue(field, number);
}

// Fills the customer's fields (the questions come first, so that the component is filled
// without any question between), and builds its add.
std::optional<std::string> fill_and_add(MappingContext& ctx, long link, RecordDoc& row,
                                        const std::string& name, FieldCuts& cuts,
                                        std::string& document) {
  App& app = ctx.app;
  SharedSlots& slots = app.sharedSlots;
  const MappingSwitches& switches = ctx.switches;
  qb::CustomerFields customer;
  customer.name = name;
  customer.companyName =
      first_chars(row.GetChildContent("description"), kQuickBooksCompanyNameLength);
  // Cut to what QuickBooks takes: it refuses the whole customer otherwise.
  customer.phone = cuts.take("phone", row.GetChildContent("tel"), kQbPhoneLength);
  customer.fax = cuts.take("fax", row.GetChildContent("fax"), kQbPhoneLength);
  customer.email = cuts.take("e-mail", row.GetChildContent("email"), kQbEmailLength);
  customer.taxNumber =
      cuts.take("tax number", row.GetChildContent("taxnumber"), kQbResaleNumberLength);
  customer.altPhone = cuts.take("cell phone", row.GetChildContent("cell"), kQbPhoneLength);
  customer.contact = cuts.take("contact", row.GetChildContent("contact"), kQbContactLength);

  if (switches.useCustomerGroups) {
    slots[51] = "";
    if (!validate_customerGroupQB(ctx, number_of(row, "industry")))
      return "Associated customer group in QuickBooks does not exist. Customer not exported.";
    if (!slots[51].empty()) {
      app.ui.messageBox("Customer group = " + slots[51], Buttons::Ok, Icon::None, "");
      customer.customerType = slots[51];
    }
  }
  if (switches.useSalesTax) {
    slots[51] = "";
    if (!validate_taxItemVT(ctx, number_of(row, "tax1"), true))
      return "Vantora tax type does not exist. Customer not exported.";
    store_choice(ctx, row, "Tax1", "tax1", link);
    if (!validate_taxItemQB(ctx, number_of(row, "tax1")))
      return "Associated tax item in QuickBooks does not exist. Customer not exported.";
    customer.salesTaxItem = slots[50];
  }
  if (switches.useCustomerTerms) {
    slots[51] = "";
    if (!validate_termsVT(ctx, number_of(row, "terms"), true))
      return "Vantora terms does not exist. Customer not exported.";
    store_choice(ctx, row, "terms", "terms", link);
    if (!validate_termsQB(ctx, number_of(row, "terms")))
      return "Associated customer terms in QuickBooks does not exist. Customer not exported.";
    customer.terms = slots[50];
  }
  if (switches.useReps) {
    slots[51] = "";
    if (!validate_RepVT(ctx, number_of(row, "rep"), true)) {
      Answer a = app.ui.messageBox(
          "There is no valid sales rep associated with this customer in Vantora. Do you want to "
          "continue sending this "
          "customer to QuickBooks?",
          Buttons::YesNo, Icon::Question, "Confirm");
      if (a != Answer::Yes)
        return "Vantora sales rep does not exist. User selected to not export customer.";
    } else {
      store_choice(ctx, row, "rep", "rep", link);
      if (validate_RepQB(ctx, number_of(row, "rep"))) customer.salesRep = slots[50];
    }
  }

  qb::Address& address = ctx.components.address;
  const std::string billing = row.GetChildContent("baddress");
  if (!billing.empty()) {
    if (!parse_address(app, address, billing))
      return "Could not parse billing address. Customer not exported.";
    cuts.take_address("billing", address);
    customer.billAddress = address.aggregate();
  }
  const std::string shipping = row.GetChildContent("saddress");
  if (!shipping.empty()) {
    if (!parse_address(app, address, shipping))
      return "Could not parse ship to address. Customer not exported.";
    cuts.take_address("ship-to", address);
    customer.shipAddress = address.aggregate();
  }
  qb::Customer& component = ctx.components.customer;
  component.reset();
  ctx.set_Country();
  static_cast<qb::CustomerFields&>(component) = customer;
  document = component.addDocument();
  return std::nullopt;
}

}  // namespace

std::string send_Customer(MappingContext& ctx, long link) {
  return name_export::export_one(ctx, link, customer_texts(),
                                 [&ctx, link](RecordDoc& row, const std::string& name,
                                              FieldCuts& cuts, std::string& document) {
                                   return fill_and_add(ctx, link, row, name, cuts, document);
                                 });
}

bool mark_customer_sent(App& app, long link, const std::string& qbName) {
  return name_export::link_back(app, customer_texts(), qbName, link);
}

void send_Customers(MappingContext& ctx) {
  const SendRunScope run(ctx.app);
  try {
    recover_before_send(ctx, "customer", kNameListLinkColumn, kNameListResultColumn);
    send_name_rows(ctx, customer_texts(), [&ctx](long link) {
      return name_export::export_task(ctx, link, customer_texts(),
                                      [&ctx, link](RecordDoc& row, const std::string& name,
                                                   FieldCuts& cuts, std::string& document) {
                                        return fill_and_add(ctx, link, row, name, cuts, document);
                                      });
    });
  } catch (const std::exception& error) {
    show_common_error(ctx.app.ui, "frmQB", "send_Customers", error);
  }
}

}  // namespace vqb
