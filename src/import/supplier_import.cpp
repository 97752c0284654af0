#include "import/supplier_import.h"

#include <cstdint>
#include <exception>
#include <memory>

#include "app/database.h"
#include "app/errors.h"
#include "app/fix_database.h"
#include "app/links.h"
#include "app/text_helpers.h"
#include "app/work_list.h"
#include "quickbooks/obj_search.h"

namespace vqb {

namespace {

std::string quoted(std::string_view text) {
  return "'" + sql_quote(text) + "'";
}

// The supplier's mailing address from the vendor's "VendorAddress".
std::string myaddress_sql(std::int64_t link, std::int64_t supplierLink, pugi::xml_node address) {
  std::string sql =
      "INSERT INTO myaddress ([Link], [Description], [AccountID], [ContactID], [AccountType], "
      "[AddressType], "
      "[Address1], [Address2], [Address3], [Address4], [City], [State], [Zip], [Country], [Tax1], "
      "[Tax2], "
      "[Ship]) VALUES (" +
      std::to_string(link) + ", 'Mailing Address', " + std::to_string(supplierLink) + ", -1, 2, 1";
  for (const char* part :
       {"Addr1", "Addr2", "Addr3", "Addr4", "City", "State", "PostalCode", "Country"})
    sql += ", " + quoted(address.child_value(part));
  return sql + ", 0, 0, '')";
}

}  // namespace

void fill_suppliersQB(MappingContext& ctx, ImportListing& listing) {
  detail::fill_import_grid(ctx, listing,
                           {.listName = lists::kGetSuppliers,
                            .procedure = "fill_suppliersQB",
                            .queryKind = qb::ObjSearch::kVendors,
                            .pageSize = 200,
                            .accountField = "Name",
                            .linkedSql = detail::linked_supplier_sql,
                            .linkedAccountsSql = "Select QBAccount from suppliers",
                            .linkedFields = {"Name"}});
}

void get_suppliers(MappingContext& ctx, ImportListing& listing) {
  detail::import_ticked_rows(
      ctx, [&](std::size_t row, Database* db) { return get_Supplier(ctx, listing, row, db); });
  FixDatabase(ctx.app, "Suppliers");
}

std::string get_Supplier(MappingContext& ctx, ImportListing& listing, std::size_t rowIndex,
                         Database* db) {
  App& app = ctx.app;
  if (rowIndex >= ctx.state.grid.rows.size()) return "Cannot find supplier record in XML";
  WorkRow& row = ctx.state.grid.rows[rowIndex];
  pugi::xml_node record = listing_record(listing, row);
  if (!record) return "Cannot find supplier record in XML";
  try {
    const std::string today = number_text(ole_today());
    std::unique_ptr<Database> own;
    if (!db) db = (own = open_database(app.databasePath)).get();
    // Both counters and the rows that use them stand or fall together.
    Transaction transaction(*db, Transaction::Mode::Immediate);
    // A supplier imported before (or linked since the list was filled) is not doubled.
    if (db->hasRows(detail::linked_supplier_sql(record))) return kAlreadyImported;
    const std::int64_t addressLink = take_comp_counter(*db, "NextMaintLink");
    const std::int64_t link = take_comp_counter(*db, "NextSuppLink");
    db->execute(
        "INSERT INTO Suppliers ([Link], [Description], [Tel], [Ext], [Cell], [Fax], [Email], "
        "[Website], [OnHold], "
        "[Hide], [Industry], [Area], [Ship], [BAddress], [SADdress], [CreditLimit], [Disc], "
        "[SetDisc], [Int], "
        "[Terms], [Type], [PriceGroup], [Tax1], [Tax2], [Contact], [Tel2], [TaxNumber], "
        "[MailState], [PrintState], "
        "[PopNotes], [Notes], [Balance], [P0], [P1], [P2], [P3], [P4], [P5], [DateCreated], "
        "[DateLastEdited], [FreeShip], [QBAccount], [defShip], [ASINumber], [Category]) VALUES (" +
        std::to_string(link) + ", " + quoted(record.child_value("CompanyName")) + ", " +
        quoted(record.child_value("Phone")) + ", '', '', " + quoted(record.child_value("Fax")) +
        ", " + quoted(record.child_value("Email")) +
        ", '', 0, 0, -1, -1, '', '', '', 0, 0, 0, 0, -1, 0, 0, -1, -1, " +
        quoted(record.child_value("Contact")) + ", " + quoted(record.child_value("AltPhone")) +
        ", '', 0, 0, '', '', 0, 0, 0, 0, 0, 0, 0, " + today + ", " + today + ", 0, " +
        quoted(record.child_value("Name")) + ", -1, '', -1)");
    if (pugi::xml_node address = record.child("VendorAddress"))
      db->execute(myaddress_sql(addressLink, link, address));
    transaction.commit();
    row.foreColour = kSentRowColour;
    ctx.state.changed();
    return "Sent";
  } catch (const std::exception& error) {
    return detail::error_line(error);
  }
}

void fix_supplierAddress(MappingContext& ctx, ImportListing& listing) {
  App& app = ctx.app;
  WorkState& state = ctx.state;
  try {
    auto db = open_database(app.databasePath);
    const int accountColumn = state.grid.column("Acc Full Name");
    for (WorkRow& row : state.grid.rows) {
      if (row.hidden || accountColumn < 0) continue;
      pugi::xml_node record = listing_record(listing, row);
      pugi::xml_node address = record ? record.child("VendorAddress") : pugi::xml_node();
      if (!address) continue;
      const auto suppliers =
          db->queryAll("Select * from suppliers where QBAccount = '" +
                       sql_quote(row.cells[static_cast<std::size_t>(accountColumn)]) + "'");
      if (suppliers.rows.empty()) continue;
      std::string supplierLink;
      for (std::size_t c = 0; c < suppliers.columns.size(); ++c)
        if (to_lower_ascii(suppliers.columns[c]) == "link")
          supplierLink = suppliers.rows.front()[c].value_or("");
      if (supplierLink.empty()) continue;
      if (db->hasRows("Select * from myaddress where accounttype = 2 and accountid = " +
                      supplierLink + " and AddressType = 1"))
        continue;
      row.foreColour = kSentRowColour;
      // The address Link is taken in the same transaction as the row that uses it.
      Transaction transaction(*db, Transaction::Mode::Immediate);
      const std::int64_t link = take_comp_counter(*db, "NextMaintLink");
      db->execute(
          myaddress_sql(link, static_cast<std::int64_t>(numeric_value(supplierLink)), address));
      db->execute("UPDATE suppliers set Baddress = '' WHERE link = " + supplierLink);
      transaction.commit();
      app.events.pump();
    }
    state.changed();
  } catch (const std::exception& error) {
    show_common_error(app.ui, "frmQB", "fix_supplierAddress", error);
    return;
  }
  app.ui.messageBox("Done", Buttons::Ok, Icon::None, "");
}

}  // namespace vqb
