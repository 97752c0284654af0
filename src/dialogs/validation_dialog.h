#pragma once
// The customer and vendor validation dialogs (frmCustomerV, frmVendorV): the user creates the
// missing QuickBooks record, links it to an existing QuickBooks name, or cancels. The choice goes
// back through slot 1 ("1" create, "2" link with the name in slot 10, "" cancelled).

#include <string>

#include "app/app.h"

namespace vqb {

// The logic of frmCustomerV and frmVendorV; the views only draw it and forward clicks.
class ValidationDialogLogic {
 public:
  enum class Choice { None, New, Link, Cancel };

  ValidationDialogLogic(App& app, bool vendor, std::string message);

  std::string header() const;         // "Customer Validation: " + the message
  std::string newOptionText() const;  // optNew's caption
  std::string linkPrompt() const;     // optLink's caption
  std::string cancelOptionText() const;

  Choice choice{Choice::None};
  std::string txtLink;

  // Checks the choice; on success writes the answer (slot 1, slot 10) and returns true (the
  // dialog closes). Otherwise shows why, titled "Error", and returns false.
  bool cmdUpdate_Click();
  // Closes with slot 1 empty.
  void cmdCancel_Click();

 private:
  App& app_;
  bool vendor_;
  std::string message_;
};

class CustomerValidationLogic : public ValidationDialogLogic {
 public:
  CustomerValidationLogic(App& app, std::string message)
      : ValidationDialogLogic(app, false, std::move(message)) {}
};
class VendorValidationLogic : public ValidationDialogLogic {
 public:
  VendorValidationLogic(App& app, std::string message)
      : ValidationDialogLogic(app, true, std::move(message)) {}
};

}  // namespace vqb
