#include "dialogs/preferences.h"

#include <algorithm>
#include <stdexcept>

#include "app/errors.h"
#include "app/setup_file.h"
#include "app/startup.h"
#include "app/text_helpers.h"

namespace vqb {
namespace {

constexpr const char* kModule = "frmPreferences";
constexpr long kInvalidArgument = 5;  // "Invalid procedure call or argument"

using K = PreferenceKind;

constexpr std::array<PreferenceControl, 36> kControls = {{
    // General
    {"chkAddress", K::CheckBox, "Put the customer name on the first line of the billing address", 1,
     "", ""},
    {"chkShowPayments", K::CheckBox, "Show this screen before exporting payments", 1, "", ""},
    {"chkShowInvoices", K::CheckBox, "Show this screen before exporting invoices", 1, "", ""},
    {"chkShowPOs", K::CheckBox, "Show this screen before exporting purchase orders", 1, "", ""},
    // Payments
    {"optApply0", K::Option, "Don't apply payments in QuickBooks", 2, "apply", ""},
    {"optApply1", K::Option, "Let QuickBooks apply the payment to existing invoices.", 2, "apply",
     ""},
    {"optApply2", K::Option,
     "Apply payments to same invoices in QuickBooks as it is applied in Vantora", 2, "apply", ""},
    {"chkDupPayments", K::CheckBox, "Check QuickBooks for possible duplicate payments", 2, "", ""},
    {"chkMarkDupPayments", K::CheckBox,
     "When duplicate payment is confirmed. Flag payment in Vantora as sent.", 2, "", ""},
    {"optPMemo1", K::Option, "Send Payment Comment to QB memo field.", 2, "pmemo", ""},
    {"optPMemo2", K::Option, "Send Vantora Receipt Number to QB memo field.", 2, "pmemo", ""},
    {"optPMemo3", K::Option, "Send Payment Reference to QB memo field.", 2, "pmemo", ""},
    {"optPMemo4", K::Option, "Don't send anything to QB memo field.", 2, "pmemo", ""},
    // Invoices
    {"cmbAR", K::ListBox, "Send to AR Account (Optional)", 3, "", ""},
    {"chkDupInvoices", K::CheckBox, "Check QuickBooks for possible duplicate invoices", 3, "", ""},
    {"chkMarkDupInvoices", K::CheckBox,
     "When duplicate invoice is confirmed. Flag invoice in Vantora as sent.", 3, "", ""},
    {"chkSendRemarks", K::CheckBox, "Send Remark Lines", 3, "", ""},
    {"chkMarkInvoicePrinted", K::CheckBox, "Mark invoices in QuickBooks as printed", 3, "", ""},
    {"chkInvoicePrefix", K::CheckBox, "Add prefix to invoice", 3, "", ""},
    {"optInvPrefix1", K::Option, "Use Vantora prefix (WO Type e.g. ES)", 3, "invprefix", ""},
    {"optInvPrefix2", K::Option, "Always add this prefix (e.g. VT)", 3, "invprefix", ""},
    {"txtInvPrefix", K::TextBox, "", 3, "", "The prefix always added to the invoice number"},
    {"chkQBAssignInvNumbers", K::CheckBox, "Let QuickBooks assign invoice numbers", 3, "", ""},
    {"chkAmortize", K::CheckBox, "Always send invoices amortized.", 3, "", ""},
    {"optMemo1", K::Option, "Send invoice notes to QB memo field.", 3, "memo", ""},
    {"optMemo2", K::Option, "Send WO number to QB memo field.", 3, "memo", ""},
    {"optMemo3", K::Option, "Don't send anything to QB memo field.", 3, "memo", ""},
    {"optMemo4", K::Option, "", 3, "memo", "Send the invoice description to the QB memo field"},
    // Purchase Orders
    {"chkduppurchaseorders", K::CheckBox, "Check QuickBooks for possible duplicate purchase orders",
     4, "", ""},
    {"chkMarkDupPurchaseOrders", K::CheckBox,
     "When a PO po is confirmed. Flag the PO in Vantora as sent.", 4, "", ""},
    {"chkSendRemarksPO", K::CheckBox, "Send Remark Lines", 4, "", ""},
    {"chkMarkPOsPrinted", K::CheckBox, "Mark PO's in QuickBooks as printed", 4, "", ""},
    {"chkPOPrefix", K::CheckBox, "Add prefix to PO", 4, "", ""},
    {"txtPOPrefix", K::TextBox, "", 4, "", "The prefix added to the PO number"},
    {"chkQBAssignPONumbers", K::CheckBox, "Let QuickBooks assign PO numbers", 4, "", ""},
    {"chkPOSupplierRef", K::CheckBox, "Use the supplier reference as the PO number", 4, "", ""},
}};

bool same_name(std::string_view a, std::string_view b) {
  return to_lower_ascii(a) == to_lower_ascii(b);
}

// A stored check box is ticked when its numeric value is 1.
bool ticked(std::string_view stored) {
  return numeric_value(stored) == 1.0;
}

}  // namespace

std::string PreferenceControl::key() const {
  return to_lower_ascii(name);
}

std::span<const PreferenceControl> preference_controls() {
  return kControls;
}

const PreferenceControl* find_preference_control(std::string_view nameOrKey) {
  for (const auto& control : kControls)
    if (same_name(control.name, nameOrKey)) return &control;
  return nullptr;
}

std::string check_preference_value(const PreferenceControl& control, std::string_view value) {
  switch (control.kind) {
    case K::CheckBox:
      if (value != "1" && value != "0")
        return "a check box holds \"1\" (ticked) or \"0\" (not ticked)";
      break;
    case K::Option:
      if (value != "True" && value != "False")
        return "an option holds \"True\" (selected) or \"False\"";
      break;
    case K::TextBox:
    case K::ListBox:
      break;
  }
  return "";
}

void set_preference(App& app, const PreferenceControl& control, std::string_view value) {
  std::string reason = check_preference_value(control, value);
  if (!reason.empty())
    throw VqbError(kInvalidArgument, std::string(control.name) + ": " + reason + ", not \"" +
                                         std::string(value) + "\"");
  app.setup.MoveToRoot();
  if (app.setup.GetTag().empty()) app.setup.SetTag("QBSetup");
  if (control.kind == K::Option && value == "True") {
    for (const auto& sibling : kControls)
      if (sibling.kind == K::Option && sibling.group == control.group && &sibling != &control)
        app.setup.SetChildValue(sibling.key(), "False");
  }
  app.setup.SetChildValue(control.key(), value);
  save_setup_document(app);
}

// ---- The window ---------------------------------------------------------------------------

PreferencesLogic::PreferencesLogic(App& application, std::string requested)
    : app(application), requestedTab(std::move(requested)), states_(kControls.size()) {}

std::size_t PreferencesLogic::indexOf(std::string_view control) const {
  for (std::size_t i = 0; i < kControls.size(); ++i)
    if (same_name(kControls[i].name, control)) return i;
  throw std::invalid_argument("The preferences window has no control " + std::string(control));
}

bool PreferencesLogic::value(std::string_view control) const {
  return states_[indexOf(control)].value;
}
const std::string& PreferencesLogic::text(std::string_view control) const {
  return states_[indexOf(control)].text;
}
bool PreferencesLogic::enabled(std::string_view control) const {
  return states_[indexOf(control)].enabled;
}

void PreferencesLogic::setValue(std::size_t index, bool on) {
  const PreferenceControl& control = kControls[index];
  if (control.kind == K::Option && on) {
    for (std::size_t i = 0; i < kControls.size(); ++i)
      if (kControls[i].kind == K::Option && kControls[i].group == control.group)
        states_[i].value = false;
  }
  states_[index].value = on;
}

void PreferencesLogic::Form_Load() {
  try {
    fill_me();
  } catch (const std::exception& error) {
    show_common_error(app.ui, kModule, "Form_Load", error);
  }
}

void PreferencesLogic::Timer1_Timer() {
  if (requestedTab == "Payments")
    tab = 2;
  else if (requestedTab == "Invoices")
    tab = 3;
  else if (requestedTab == "Purchase Orders")
    tab = 4;
}

void PreferencesLogic::fill_me() {
  states_[indexOf("txtInvPrefix")].text.clear();
  states_[indexOf("txtPOPrefix")].text.clear();
  arAccounts_.clear();
  app.qbAccounts.MoveToRoot();
  for (pugi::xml_node account : app.qbAccounts.Current().children())
    if (account.type() == pugi::node_element)
      arAccounts_.emplace_back(account.child_value("fname"));

  for (std::size_t i = 0; i < kControls.size(); ++i) {
    const std::string stored = setup_value(app, kControls[i].key());
    switch (kControls[i].kind) {
      case K::CheckBox:
        states_[i].value = ticked(stored);
        break;
      case K::Option:
        setValue(i, stored == "True");
        break;
      case K::TextBox:
        states_[i].text = stored;
        break;
      case K::ListBox: {
        const bool listed =
            std::find(arAccounts_.begin(), arAccounts_.end(), stored) != arAccounts_.end();
        states_[i].text = listed ? stored : "";
        break;
      }
    }
  }
  enb_me();
}

void PreferencesLogic::enb_me() {
  auto on = [&](std::string_view control) { return value(control); };
  auto enable = [&](std::string_view control, bool enabled) {
    states_[indexOf(control)].enabled = enabled;
  };

  enable("chkMarkDupPayments", on("chkDupPayments"));
  enable("chkMarkDupInvoices", on("chkDupInvoices"));
  enable("chkMarkDupPurchaseOrders", on("chkduppurchaseorders"));

  if (on("chkQBAssignPONumbers")) {
    enable("chkPOPrefix", false);
    enable("txtPOPrefix", false);
  } else {
    enable("chkPOPrefix", true);
    enable("txtPOPrefix", on("chkPOPrefix"));
  }

  const bool numbersFromQuickBooks = on("chkQBAssignInvNumbers");
  const bool prefix = !numbersFromQuickBooks && on("chkInvoicePrefix");
  enable("chkInvoicePrefix", !numbersFromQuickBooks);
  enable("optInvPrefix1", prefix);
  enable("optInvPrefix2", prefix);
  enable("txtInvPrefix", prefix && on("optInvPrefix2"));
}

std::string PreferencesLogic::storedForm(std::string_view control) const {
  const std::size_t index = indexOf(control);
  const State& state = states_[index];
  switch (kControls[index].kind) {
    case K::CheckBox:
      return state.value ? "1" : "0";
    case K::Option:
      return state.value ? "True" : "False";
    case K::TextBox:
    case K::ListBox:
      break;
  }
  return state.text;
}

bool PreferencesLogic::cmdUpdate_Click() {
  const std::string& account = text(kArControl);
  if (!account.empty() &&
      std::find(arAccounts_.begin(), arAccounts_.end(), account) == arAccounts_.end()) {
    tab = 3;
    app.ui.messageBox("Please select valid AR account or leave blank.", Buttons::Ok,
                      Icon::Information, "Error");
    focus = std::string(kArControl);
    return false;
  }
  RecordDoc before = app.setup.Clone();
  try {
    app.setup.MoveToRoot();
    if (app.setup.GetTag().empty()) app.setup.SetTag("QBSetup");
    for (const auto& control : kControls)
      app.setup.SetChildValue(control.key(), storedForm(control.name));
    save_setup_document(app);
  } catch (const std::exception& error) {
    app.setup = std::move(before);
    show_common_error(app.ui, kModule, "cmdUpdate_Click", error);
    return false;
  }
  saved = true;
  closed = true;
  return true;
}

void PreferencesLogic::cmdCancel_Click() {
  closed = true;
}

void PreferencesLogic::cmdHelp_Click() {
  app.ui.openUrl(manual_page(app.programFolder, "preferences"));
}

void PreferencesLogic::click(std::string_view control, bool on) {
  const std::size_t index = indexOf(control);
  const PreferenceKind kind = kControls[index].kind;
  if (kind != K::CheckBox && kind != K::Option)
    throw std::invalid_argument(std::string(control) + " is neither a check box nor an option");
  setValue(index, on);
  enb_me();
}

void PreferencesLogic::setText(std::string_view control, std::string newText) {
  const std::size_t index = indexOf(control);
  const PreferenceKind kind = kControls[index].kind;
  if (kind != K::TextBox && kind != K::ListBox)
    throw std::invalid_argument(std::string(control) + " holds no text");
  states_[index].text = std::move(newText);
}

}  // namespace vqb
