#include "dialogs/validation_dialog.h"

#include <utility>

namespace vqb {

ValidationDialogLogic::ValidationDialogLogic(App& app, bool vendor, std::string message)
    : app_(app), vendor_(vendor), message_(std::move(message)) {}

std::string ValidationDialogLogic::header() const {
  return (vendor_ ? "Vendor Validation: " : "Customer Validation: ") + message_;
}

std::string ValidationDialogLogic::newOptionText() const {
  return vendor_ ? "Create a new vendor in QuickBooks" : "Create a new customer in QuickBooks";
}

std::string ValidationDialogLogic::linkPrompt() const {
  return vendor_ ? "Link to an existing QuickBooks vendor"
                 : "Link to an existing QuickBooks customer";
}

std::string ValidationDialogLogic::cancelOptionText() const {
  return "Cancel";
}

bool ValidationDialogLogic::cmdUpdate_Click() {
  SharedSlots& slots = app_.sharedSlots;
  if (choice == Choice::None) {
    app_.ui.messageBox("Please select at least on of the options above.", Buttons::Ok,
                       Icon::Information, "Error");
    return false;
  }
  if (choice == Choice::Link && txtLink.empty()) {
    app_.ui.messageBox(
        vendor_ ? "Please enter a existing 'QuickBooks Vendor Name' to link to this account."
                : "Please enter a existing 'QuickBooks Customer Name' to link to this account.",
        Buttons::Ok, Icon::Information, "Error");
    return false;
  }
  slots[1] = "";
  if (choice == Choice::New) slots[1] = "1";
  if (choice == Choice::Link) {
    slots[1] = "2";
    slots[10] = txtLink;
  }
  return true;
}

void ValidationDialogLogic::cmdCancel_Click() {
  app_.sharedSlots[1] = "";
}

}  // namespace vqb
