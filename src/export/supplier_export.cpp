#include "export/supplier_export.h"

#include <exception>

#include "app/errors.h"
#include "app/text_helpers.h"
#include "export/customer_export.h"
#include "export/intent_recovery.h"
#include "export/parse_address.h"
#include "export/send_runs.h"
#include "mapping/existence.h"

namespace vqb {
namespace {

const name_export::Texts& supplier_texts() {
  static const name_export::Texts texts{
      "frmQB",
      "send_Supplier",
      "Select * from Suppliers where link = ",
      "Export Supplier. Unable to read data from company database.",
      "Export Supplier. Cannot find Supplier id: ",
      " in Vantora.",
      "Supplier",
      "Supplier",
      "Sending Supplier",
      "Sending Suppliers",
      "No Supplier name specified. Unable to create a new Supplier in QuickBooks.",
      "User selected not to send Supplier.",
      "Supplier sent to QuickBooks but could not update Vantora database.",
      "Supplier exported but could not update Vantora database.",
      "Duplicate Supplier name. Unable to create new Supplier in QuickBooks.",
      "Could not export Supplier: ",
      "UPDATE Suppliers SET QBAccount = '",
      vendor_exist,
      {{customer_exist, "A customer called, ",
        "QuickBooks will not accept a Supplier and Customer with the same name."},
       {employee_exist, "An employee called, ",
        "QuickBooks will not accept a supplier and employee with the same name."}}};
  return texts;
}

// Fills the vendor's fields (an address question comes first, so that the component is filled
// without any question between), and builds its add.
std::optional<std::string> fill_and_add(MappingContext& ctx, RecordDoc& row,
                                        const std::string& name, FieldCuts& cuts,
                                        std::string& document) {
  qb::VendorFields vendor;
  vendor.name = name;
  vendor.companyName =
      first_chars(row.GetChildContent("description"), kQuickBooksCompanyNameLength);
  // Cut to what QuickBooks takes: it refuses the whole vendor otherwise.
  vendor.phone = cuts.take("phone", row.GetChildContent("tel"), kQbPhoneLength);
  vendor.fax = cuts.take("fax", row.GetChildContent("fax"), kQbPhoneLength);
  vendor.email = cuts.take("e-mail", row.GetChildContent("email"), kQbEmailLength);
  vendor.contact = cuts.take("contact", row.GetChildContent("contact"), kQbContactLength);

  qb::Address& address = ctx.components.address;
  const std::string billing = row.GetChildContent("baddress");
  if (!billing.empty()) {
    if (!parse_address(ctx.app, address, billing))
      return "Could not parse billing address. Supplier not exported.";
    cuts.take_address("billing", address);
    vendor.vendorAddress = address.aggregate();
  }
  const std::string shipping = row.GetChildContent("saddress");
  if (!shipping.empty()) {
    if (!parse_address(ctx.app, address, shipping))
      return "Could not parse ship to address. Supplier not exported.";
    cuts.take_address("ship-to", address);
    vendor.shipAddress = address.aggregate();
  }
  qb::Vendor& component = ctx.components.vendor;
  component.reset();
  ctx.set_Country();
  static_cast<qb::VendorFields&>(component) = vendor;
  document = component.addDocument();
  return std::nullopt;
}

name_export::AddStep add_step(MappingContext& ctx) {
  return [&ctx](RecordDoc& row, const std::string& name, FieldCuts& cuts, std::string& document) {
    return fill_and_add(ctx, row, name, cuts, document);
  };
}

}  // namespace

std::string send_Supplier(MappingContext& ctx, long link) {
  return name_export::export_one(ctx, link, supplier_texts(), add_step(ctx));
}

bool mark_supplier_sent(App& app, long link, const std::string& qbName) {
  return name_export::link_back(app, supplier_texts(), qbName, link);
}

void send_Suppliers(MappingContext& ctx) {
  const SendRunScope run(ctx.app);
  try {
    recover_before_send(ctx, "supplier", kNameListLinkColumn, kNameListResultColumn);
    send_name_rows(ctx, supplier_texts(), [&ctx](long link) {
      return name_export::export_task(ctx, link, supplier_texts(), add_step(ctx));
    });
  } catch (const std::exception& error) {
    show_common_error(ctx.app.ui, "frmQB", "send_Suppliers", error);
  }
}

}  // namespace vqb
