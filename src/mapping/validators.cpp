#include "mapping/validators.h"

#include <cctype>
#include <exception>
#include <string_view>

#include "app/errors.h"
#include "app/module1.h"
#include "app/text_helpers.h"
#include "mapping/existence.h"

namespace vqb {
namespace {

const std::string kCrlf = "\r\n";
constexpr const char* kModule = "frmQB";

// Runs a check under the window's error handler: a run-time error is shown as the common
// error report and the check answers `onError`.
template <class Body>
bool guarded(MappingContext& ctx, const char* procedure, bool onError, Body&& body) {
  try {
    return body();
  } catch (const std::exception& error) {
    show_common_error(ctx.app.ui, kModule, procedure, error);
    return onError;
  }
}

// Walks the rows of `doc` from the first; on the first row that `matches` the cursor stays
// there and the answer is true. Otherwise the cursor is back on the root.
template <class Match>
bool seek(RecordDoc& doc, Match&& matches) {
  doc.MoveToRoot();
  const long count = doc.GetChildCount();
  if (count > 0 && doc.MoveToFirstChild()) {
    for (long i = 0; i < count; ++i) {
      if (matches(doc)) return true;
      if (!doc.MoveToNextSibling()) break;
    }
  }
  doc.MoveToRoot();
  return false;
}

bool seek_field(RecordDoc& doc, std::string_view field, std::string_view value) {
  return seek(doc, [&](const RecordDoc& row) { return row.GetChildContent(field) == value; });
}

// The keyed row "record" + link; the cursor stays on it when it exists.
bool seek_keyed(RecordDoc& doc, long link) {
  doc.MoveToRoot();
  return doc.MoveToChild("record" + std::to_string(link)) == 1;
}

// Opens the assign dialog; "" means cancelled.
std::string ask(MappingContext& ctx, const std::string& title, const std::string& message,
                const std::string& mode) {
  SharedSlots& slots = ctx.app.sharedSlots;
  slots[0] = "";
  slots[1] = title;
  slots[2] = message;
  slots[3] = mode;
  ctx.app.ui.showDialog(DialogKind::Assign, "");
  return slots[0];
}

// "UPDATE <table> SET <column> = '<value>' WHERE link = <link>", the value quoted.
bool store(MappingContext& ctx, const std::string& head, const std::string& value, long link) {
  return write_data(ctx.app, head + sql_quote(value) + "' WHERE link = " + std::to_string(link));
}

bool is_sales_line_item_type(int type) {
  return type == qb::kItemService || type == qb::kItemOtherCharge || type == qb::kItemNonInventory;
}

// Reloads the item by name, as a fresh request, and gives its type.
int item_type(MappingContext& ctx, const std::string& name) {
  qb::Item& item = ctx.components.item;
  item.reset();
  ctx.set_Country();
  item.loadByName(name);
  return item.itemType;  // [8]
}

// ---- Vantora side of tax types, terms, reps and payment methods ---------------------------

struct VantoraCheck {
  const char* procedure;
  RecordDoc App::*snapshot;
  const char* title;
  const char* mode;
  const char* problem;   // the first line of the message
  const char* request;   // the second
  bool ledgerToSlot400;  // payment methods: the found row's deposit account goes to slot 400
};

bool vantora_row(MappingContext& ctx, const VantoraCheck& check, long link, bool offerDialog) {
  return guarded(ctx, check.procedure, false, [&] {
    SharedSlots& slots = ctx.app.sharedSlots;
    slots[51] = "";
    RecordDoc& snapshot = ctx.app.*check.snapshot;
    if (seek_keyed(snapshot, link)) {
      if (check.ledgerToSlot400) slots[400] = snapshot.GetChildContent("qbledger");
      return true;
    }
    if (!offerDialog) return false;
    const std::string choice =
        ask(ctx, check.title, std::string(check.problem) + kCrlf + check.request, check.mode);
    if (choice.empty()) return false;
    slots[51] = choice;
    return true;
  });
}

// ---- QuickBooks side of terms, reps and payment methods -----------------------------------

struct QuickBooksCheck {
  const char* procedure;
  RecordDoc App::*snapshot;
  const char* labelField;  // the Vantora row's name shown in the messages
  RecordDoc App::*list;
  const char* listField;  // the QuickBooks entry's field that the mapping holds
  const char* title;
  const char* mode;
  std::string (*absent)(const std::string& mapped, const std::string& label);
  std::string (*unmapped)(const std::string& label);
  const char* update;  // "UPDATE <table> SET <column> = '"
};

bool quickbooks_entry(MappingContext& ctx, const QuickBooksCheck& check, long link) {
  return guarded(ctx, check.procedure, false, [&] {
    SharedSlots& slots = ctx.app.sharedSlots;
    slots[50] = "";
    RecordDoc& snapshot = ctx.app.*check.snapshot;
    std::string mapped, label;
    if (seek_keyed(snapshot, link)) {
      mapped = snapshot.GetChildContent("quickbooks");
      label = snapshot.GetChildContent(check.labelField);
    }
    if (!mapped.empty()) {
      RecordDoc& list = ctx.app.*check.list;
      const bool exists = seek_field(list, check.listField, mapped);
      list.MoveToRoot();
      if (exists) {
        slots[50] = mapped;
        return true;
      }
    }
    const std::string message =
        mapped.empty() ? check.unmapped(label) : check.absent(mapped, label);
    const std::string choice = ask(ctx, check.title, message, check.mode);
    if (choice.empty()) return false;
    slots[50] = choice;
    if (seek_keyed(snapshot, link)) snapshot.SetChildValue("quickbooks", choice);
    store(ctx, check.update, choice, link);
    return true;
  });
}

const std::string kTermsRequest =
    "Select a valid QuickBooks terms from the drop down list below and click 'UPDATE' to continue";

const QuickBooksCheck kTermsQB{
    "validate_termsQB",
    &App::termsSnapshot,
    "description",
    &App::qbTerms,
    "Name",
    "QuicBooks customer terms invalid",
    "Customer Terms QuickBooks",
    [](const std::string& mapped, const std::string& label) {
      return "The QuickBooks customer terms, " + mapped + ", associated with " + label +
             " in Vantora does not exist in QuickBooks." + kCrlf + kTermsRequest;
    },
    [](const std::string& label) {
      return "There are no QuickBooks terms associated with the following customer terms in "
             "Vantora: " +
             kCrlf + label + kCrlf + kTermsRequest;
    },
    "UPDATE terms SET quickbooks = '",
};

const QuickBooksCheck kRepQB{
    "validate_RepQB",
    &App::usersSnapshot,
    "firstname",
    &App::qbReps,
    "Initial",
    "QuicBooks sales rep invalid",
    "Sales Rep QuickBooks",
    [](const std::string& mapped, const std::string& label) {
      return "There is no sales rep in QuickBooks called " + mapped + "." + kCrlf +
             "Select a valid QuickBooks sales rep from the drop down list that will be associated "
             "with " +
             label + " in Vantora, then click 'UPDATE' to continue";
    },
    [](const std::string& label) {
      return "There is no QuickBooks sales rep associated with the following sales rep in "
             "Vantora: " +
             kCrlf + label + kCrlf +
             "Select a valid QuickBooks sales rep from the drop down list below and click 'UPDATE' "
             "to continue";
    },
    "UPDATE users SET QuickBooks = '",
};

const QuickBooksCheck kPMQB{
    "validate_PMQB",
    &App::paymentMethodSnapshot,
    "description",
    &App::qbPayMethods,
    "Name",
    "QuicBooks payment method invalid",
    "Payment Method QuickBooks",
    [](const std::string& mapped, const std::string& label) {
      return "There is no valid payment method in QuickBooks called " + mapped + "." + kCrlf +
             kCrlf +
             "Select a valid QuickBooks payment method from the drop down list that will be "
             "associated with " +
             label + " in Vantora, then click 'UPDATE' to continue";
    },
    [](const std::string& label) {
      return "There is no valid QuickBooks payment method associated with the method, " + label +
             ", in Vantora: " + kCrlf + kCrlf +
             "Select a valid QuickBooks payment method from the drop down list below and click "
             "'UPDATE' to continue";
    },
    "UPDATE CustPaymentMethods SET QuickBooks = '",
};

const std::string kItemNote =
    "PLEASE NOTE: Parent/Child relationships in QuickBooks are denoted with a ':' e.g. If you have "
    "a parent item "
    "called 'Setup' and a sub/child item called 'Art' you will enter 'Setup:Art' as the item code.";
const std::string kDiscountRequest =
    "Please select a valid QuickBooks 'DISCOUNT' item from the drop down list then click 'UPDATE' "
    "to continue.";
const std::string kDiscountNote =
    "PLEASE NOTE: Parent/Child relationships in QuickBooks are denoted with a ':' e.g. If you have "
    "a parent item "
    "called 'Discount' and a sub/child item called ShopDiscount you will enter "
    "Discount:ShopDiscount as the item "
    "code.";
const std::string kTaxCodeRequest =
    "Please select a valid QuickBooks tax code then click 'UPDATE' to continue.";
const std::string kTaxItemRequest =
    "Select a valid QuickBooks tax item from the drop down list below and click 'UPDATE' to "
    "continue";

}  // namespace

bool validate_salesGroupVT(MappingContext& ctx, const std::string& code,
                           const std::string& lineItem) {
  return guarded(ctx, "validate_salesGroupVT", false, [&] {
    SharedSlots& slots = ctx.app.sharedSlots;
    slots[51] = "";
    RecordDoc& groups = ctx.app.salesGroupSnapshot;
    const bool found = seek_field(groups, "code", code);
    groups.MoveToRoot();
    if (found) return true;
    const std::string choice = ask(
        ctx, "Vantora sales group not valid",
        "There is no valid Vantora sales group associated with the following line item:" + kCrlf +
            lineItem + kCrlf +
            "Select a Vantora sales group from the drop down list and click 'UPDATE' to continue",
        "Sales Group Vantora");
    if (choice.empty()) return false;
    slots[51] = choice;
    return true;
  });
}

bool validate_salesGroupQB(MappingContext& ctx, const std::string& code) {
  return guarded(ctx, "validate_salesGroupQB", false, [&] {
    SharedSlots& slots = ctx.app.sharedSlots;
    slots[51] = "";
    slots[2] = "";
    RecordDoc& groups = ctx.app.salesGroupSnapshot;
    std::string item, id;
    if (seek_field(groups, "code", code)) {
      item = groups.GetChildContent("qb");
      id = groups.GetChildContent("id");
    }
    groups.MoveToRoot();

    if (!item.empty()) {
      RecordDoc& cache = ctx.app.salesGroupMemo;
      cache.MoveToRoot();
      if (!cache.GetChildContent("v" + id).empty()) return true;
      if (item_exist(ctx, item)) {
        cache.MoveToRoot();
        cache.AppendChild("v" + id, item);
        return true;
      }
    }

    for (;;) {
      if (slots[2].empty())
        slots[2] =
            "There is no valid QuickBooks item associated with the following sales group in "
            "Vantora: " +
            code + kCrlf + kCrlf +
            "Please enter a valid QuickBooks item then click 'UPDATE' to continue." + kCrlf +
            kCrlf + kItemNote;
      const std::string choice = ask(ctx, "QuickBooks item not valid", slots[2], "QuickBooks Item");
      if (choice.empty()) return false;
      if (!item_exist(ctx, choice)) continue;
      if (is_sales_line_item_type(item_type(ctx, choice))) {
        slots[51] = choice;
        return true;
      }
      slots[2] = "The item type for " + choice + " is incorrect." + kCrlf +
                 "The QuickBooks item type must be one of the following:" + kCrlf + kCrlf +
                 "- Service" + kCrlf + "- Other Charge" + kCrlf + "- Non-Inventory Part.";
    }
  });
}

bool validate_taxCodeVT(MappingContext& ctx, long link) {
  return guarded(ctx, "validate_taxCodeVT", false, [&] {
    SharedSlots& slots = ctx.app.sharedSlots;
    slots[51] = "";
    slots[150] = "";
    RecordDoc& codes = ctx.app.lineTaxSnapshot;
    auto seek_link = [&](double wanted) {
      const bool found = seek(codes, [&](const RecordDoc& row) {
        return numeric_value(row.GetChildContent("link")) == wanted;
      });
      if (found) slots[150] = codes.GetChildContent("code");
      codes.MoveToRoot();
      return found;
    };
    if (seek_link(static_cast<double>(link))) return true;
    const std::string choice =
        ask(ctx, "Vantora tax code",
            "Invalid tax code associated with a line item." + kCrlf +
                "Select a Vantora Tax Code from the drop down list and click 'UPDATE' to continue",
            "Tax Codes Vantora");
    if (choice.empty()) return false;
    slots[51] = choice;
    seek_link(numeric_value(choice));
    return true;
  });
}

bool validate_taxCodeQB(MappingContext& ctx, long link) {
  return guarded(ctx, "validate_taxCodeQB", false, [&] {
    SharedSlots& slots = ctx.app.sharedSlots;
    slots[51] = "";
    RecordDoc& codes = ctx.app.lineTaxSnapshot;
    const std::string linkText = std::to_string(link);
    auto seek_row = [&] { return seek_field(codes, "link", linkText); };
    // A missing row reads as empty fields (the cursor is then on the root).
    seek_row();
    const std::string code = codes.GetChildContent("code");
    const std::string taxable = codes.GetChildContent("taxable");
    std::string mapped = codes.GetChildContent("quickbooks");
    codes.MoveToRoot();
    slots[5] = taxable;

    RecordDoc& qbCodes = ctx.app.qbTaxCodes;
    for (;;) {
      std::string message;
      if (!seek_field(qbCodes, "Name", mapped)) {
        message =
            "There is no valid QuickBooks tax code associated with the following tax code in "
            "Vantora: " +
            code + kCrlf + kTaxCodeRequest;
      } else {
        const std::string name = qbCodes.GetChildContent("Name");
        const std::string isTaxable = qbCodes.GetChildContent("IsTaxable");
        qbCodes.MoveToRoot();
        if (isTaxable == "true" && taxable != "1")
          message = "The QuickBooks tax code, " + name + ", associated with " + code +
                    " in Vantora is taxable and " + code + " is non taxable. They don't match." +
                    kCrlf + kTaxCodeRequest;
        else if (isTaxable == "false" && taxable == "1")
          message = "The QuickBooks tax code, " + name + ", associated with " + code +
                    " in Vantora is non taxable and " + code + " is taxable. They don't match." +
                    kCrlf + kTaxCodeRequest;
        else
          return true;
      }
      const std::string choice =
          ask(ctx, "QuickBooks tax code not valid", message, "QuickBooks Tax Code");
      slots[51] = "";
      if (choice.empty()) return false;
      if (seek_row()) codes.SetChildValue("quickbooks", choice);
      codes.MoveToRoot();
      write_data(ctx.app, "UPDATE lineTax SET quickBooks = '" + sql_quote(choice) +
                              "' where link = " + linkText);
      slots[51] = choice;
      mapped = choice;
    }
  });
}

bool validate_ClassQB(MappingContext& ctx, const std::string& name) {
  return guarded(ctx, "validate_ClassQB", false, [&] {
    SharedSlots& slots = ctx.app.sharedSlots;
    slots[51] = "";
    if (name.empty()) return true;

    if (char_count(name) >= 31) {
      slots[2] = "QB Class, " + name +
                 ", not found. Please select an existing QB Class from the drop down list, then "
                 "click 'Update' to "
                 "continue.";
      slots[400] = "";
    } else {
      slots[2] = "QB Class, " + name +
                 ", not found. Please select an existing QB Class from the drop down list or click "
                 "the 'Create' "
                 "button create a Class in QB called " +
                 name;
      slots[400] = "ShowCreateButton";
    }

    RecordDoc& classes = ctx.app.qbClasses;
    if (seek(classes, [&](const RecordDoc& row) { return row.GetContent() == name; })) {
      const std::string tag = classes.GetTag();
      classes.MoveToRoot();
      if (!tag.empty() && std::toupper(static_cast<unsigned char>(tag.back())) == 'T') return true;
      slots[2] = "QB Class, " + name +
                 ", not active. Please select another QB Class from the drop down list below in "
                 "order to continue.";
      slots[400] = "";
    }

    slots[401] = name;
    const std::string choice = ask(ctx, "QuickBooks Class not valid", slots[2], "QuickBooks Class");
    slots[400] = "";
    if (choice.empty()) return false;
    slots[51] = choice;
    return true;
  });
}

bool validate_LedgerQB(MappingContext& ctx, const std::string& name) {
  return guarded(ctx, "validate_LedgerQB", false, [&] {
    SharedSlots& slots = ctx.app.sharedSlots;
    slots[51] = "";
    if (name.empty()) return true;
    RecordDoc& accounts = ctx.app.qbAccounts;
    const bool found =
        seek(accounts, [&](const RecordDoc& row) { return row.GetContent() == name; });
    accounts.MoveToRoot();
    if (found) return true;
    const std::string choice =
        ask(ctx, "QuickBooks account not valid",
            "QB Ledger Account, " + name +
                ", not found. Please select an existing QB account from the drop down list. "
                "Then click 'UPDATE' to continue.",
            "QuickBooks Accounts");
    if (choice.empty()) return false;
    slots[51] = choice;
    return true;
  });
}

bool validate_discountQB(MappingContext& ctx) {
  return guarded(ctx, "validate_discountQB", false, [&] {
    SharedSlots& slots = ctx.app.sharedSlots;
    slots[51] = "";
    slots[2] = "";
    const std::string title = "QuickBooks item not valid";
    const std::string mode = "QuickBooks Discount Item";
    slots[1] = title;
    slots[3] = mode;

    RecordDoc& settings = ctx.app.qbSettingsSnapshot;
    settings.MoveToRoot();
    const std::string discount =
        settings.MoveToFirstChild() ? settings.GetChildContent("discount") : "";
    settings.MoveToRoot();

    if (discount.empty()) {
      slots[2] = "There is no QuickBooks 'DISCOUNT' item specified." + kCrlf + kDiscountRequest +
                 kCrlf + kCrlf + kDiscountNote;
    } else if (item_exist(ctx, discount)) {
      if (ctx.components.item.itemType == qb::kItemDiscount) return true;
      slots[2] =
          "The QuickBooks 'DISCOUNT' item specified is not a 'DISCOUNT' item. When creating a "
          "discount item in "
          "QuickBooks please ensure that you select the item type as 'DISCOUNT'" +
          kCrlf + kCrlf + kDiscountRequest + kCrlf + kDiscountNote;
    } else {
      slots[2] = "The QuickBooks 'DISCOUNT' item specified does no exist." + kCrlf +
                 kDiscountRequest + kCrlf + kCrlf + kDiscountNote;
    }

    for (;;) {
      const std::string choice = ask(ctx, title, slots[2], mode);
      if (choice.empty()) return false;
      if (!item_exist(ctx, choice)) continue;
      if (item_type(ctx, choice) == qb::kItemDiscount) {
        slots[51] = choice;
        return true;
      }
      slots[2] = "The item type for " + choice + " is incorrect." + kCrlf +
                 "The QuickBooks item type must be equal to 'Discount' in order to continue.";
    }
  });
}

bool validate_customerGroupQB(MappingContext& ctx, long link) {
  return guarded(ctx, "validate_customerGroupQB", true, [&] {
    SharedSlots& slots = ctx.app.sharedSlots;
    slots[51] = "";
    RecordDoc& groups = ctx.app.industrySnapshot;
    const std::string linkText = std::to_string(link);
    auto seek_row = [&] { return seek_field(groups, "link", linkText); };
    if (!seek_row()) return true;
    const std::string mapped = groups.GetChildContent("quickbooks");
    const std::string description = groups.GetChildContent("description");
    groups.MoveToRoot();
    slots[51] = mapped;

    auto keep = [&](const std::string& value) {
      if (seek_row()) groups.SetChildValue("quickbooks", value);
      groups.MoveToRoot();
      store(ctx, "UPDATE custIndustry SET QuickBooks = '", value, link);
    };

    RecordDoc& types = ctx.app.qbCustomerTypes;
    types.MoveToRoot();
    for (pugi::xml_node type = types.Current().first_child(); type; type = type.next_sibling()) {
      if (type.type() != pugi::node_element) continue;
      const std::string name = type.child_value("Name");
      const std::string fullName = type.child_value("FullName");
      if (name == mapped) {
        // Known by its short name: a sub-type is stored by its full name from now on.
        if (fullName != name) keep(fullName);
        slots[51] = fullName;
        return true;
      }
      if (fullName == mapped) {
        slots[51] = fullName;
        return true;
      }
    }

    const std::string choice =
        ask(ctx, "QuickBooks customer type not valid",
            "There is no valid QuickBooks customer type associated with the following tax code in "
            "Vantora: " +
                description + kCrlf +
                "Please select a valid QuickBooks customer type then click 'UPDATE' to continue.",
            "QuickBooks Customer Type");
    if (choice.empty()) return false;
    keep(choice);
    slots[51] = choice;
    return true;
  });
}

bool validate_taxItemVT(MappingContext& ctx, long link, bool offerDialog) {
  static const VantoraCheck check{
      "validate_taxItemVT",
      &App::taxSnapshot,
      "Vantora tax type not valid",
      "Tax Item Vantora",
      "There is no valid Vantora tax type associated with this record.",
      "Select a Vantora tax type from the drop down list and click 'UPDATE' to continue",
      false};
  return vantora_row(ctx, check, link, offerDialog);
}

bool validate_termsVT(MappingContext& ctx, long link, bool offerDialog) {
  static const VantoraCheck check{
      "validate_termsVT",
      &App::termsSnapshot,
      "Vantora customer terms not valid",
      "Customer Terms Vantora",
      "There is no valid Vantora customer terms associated with this record.",
      "Select the appropriate terms from the drop down list and click 'UPDATE' to continue",
      false};
  return vantora_row(ctx, check, link, offerDialog);
}

bool validate_RepVT(MappingContext& ctx, long link, bool offerDialog) {
  static const VantoraCheck check{
      "validate_RepVT",
      &App::usersSnapshot,
      "Vantora sales rep not valid",
      "Sales Rep Vantora",
      "There is no valid Vantora sales rep associated with this record.",
      "Select a Vantora sales rep from the drop down list and click 'UPDATE' to continue",
      false};
  return vantora_row(ctx, check, link, offerDialog);
}

bool validate_PMVT(MappingContext& ctx, long link, bool offerDialog) {
  static const VantoraCheck check{
      "validate_PMVT",
      &App::paymentMethodSnapshot,
      "Vantora payment method not valid",
      "Payment Method Vantora",
      "There is no valid Vantora payment method associated with this transaction.",
      "Select a Vantora payment from the drop down list and click 'UPDATE' to continue",
      true};
  return vantora_row(ctx, check, link, offerDialog);
}

bool validate_taxItemQB(MappingContext& ctx, long link) {
  return guarded(ctx, "validate_taxItemQB", false, [&] {
    SharedSlots& slots = ctx.app.sharedSlots;
    slots[50] = "";
    RecordDoc& taxes = ctx.app.taxSnapshot;
    std::string mapped, rate, description;
    if (seek_keyed(taxes, link)) {
      mapped = taxes.GetChildContent("qblink");
      rate = taxes.GetChildContent("rate");
      description = taxes.GetChildContent("description");
    }

    bool found = false;
    std::string qbRate;
    if (!mapped.empty()) {
      RecordDoc& items = ctx.app.qbTaxItems;
      found = seek_field(items, "Name", mapped);
      if (found) qbRate = items.GetChildContent("TaxRate");
      items.MoveToRoot();
    }
    if (found && numeric_value(qbRate) == numeric_value(rate)) {
      slots[50] = mapped;
      return true;
    }

    std::string message;
    if (mapped.empty())
      message =
          "There is no QuickBooks tax item associated with the following tax type in Vantora: " +
          description + " (" + rate + "%)" + kCrlf + kTaxItemRequest;
    else if (!found)
      message = "The QuickBooks tax item, " + mapped + ", associated with " + description + " (" +
                rate + "%)" + " in Vantora does not exist in QuickBooks." + kCrlf + kCrlf +
                kTaxItemRequest;
    else
      message = "The QuickBooks Tax Rate (" + qbRate + "%) associated with, " + mapped +
                ", is different from the Vantora tax rate (" + rate + "%) associated with, " +
                description + "." + kCrlf + kCrlf + kTaxItemRequest;
    slots[5] = rate;
    const std::string choice =
        ask(ctx, "QuicBooks tax item invalid", message, "Tax Item QuickBooks");
    if (choice.empty()) return false;
    slots[50] = choice;
    if (seek_keyed(taxes, link)) taxes.SetChildValue("qblink", choice);
    store(ctx, "UPDATE tax SET QBLink = '", choice, link);
    return true;
  });
}

bool validate_termsQB(MappingContext& ctx, long link) {
  return quickbooks_entry(ctx, kTermsQB, link);
}

bool validate_RepQB(MappingContext& ctx, long link) {
  return quickbooks_entry(ctx, kRepQB, link);
}

bool validate_PMQB(MappingContext& ctx, long link) {
  return quickbooks_entry(ctx, kPMQB, link);
}

}  // namespace vqb
