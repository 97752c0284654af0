#pragma once
// Making sure the customer or supplier of a transaction exists in QuickBooks before the
// transaction is sent: a name already checked is remembered; otherwise the user chooses to
// create the record in QuickBooks, to link it to an existing QuickBooks name, or to cancel.

#include <functional>
#include <string>

#include "app/app.h"
#include "app/record_doc.h"
#include "mapping/mapping_context.h"

namespace vqb {

// Creates the record of this Vantora Link in QuickBooks; "Success" (and any note of texts cut)
// when it did.
using SendRecordFn = std::function<std::string(long link)>;

// `customer` stands on the Vantora customer row (children id, link, description,
// qbaccountnumber). True when the customer exists in QuickBooks or has just been created or
// linked; after a link the row's qbaccountnumber holds the QuickBooks name (also in slot 51),
// after a creation the row is read again from Vantora.
bool validate_customerQB(MappingContext& ctx, RecordDoc& customer,
                         const SendRecordFn& send_Customer);
// The supplier twin: children id, link, description, qbaccount.
bool validate_vendorQB(MappingContext& ctx, RecordDoc& supplier, const SendRecordFn& send_Supplier);

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
