#pragma once
// Bringing QuickBooks customers into Vantora: the "Get Customers" work list filled from a
// paged customer query, and the import of its ticked rows as new Vantora customers with
// their contacts and, on request, an opening-balance posting.

#include <cstddef>
#include <exception>
#include <functional>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "app/database.h"
#include "app/record_doc.h"
#include "mapping/mapping_context.h"

namespace vqb {

// What a QuickBooks work list keeps besides the grid: the records listed, one element per
// record tagged "r_" + its position (from 1), holding the record's qbXML fields; the grid's
// "TagID" column names the element.
struct ImportListing {
  RecordDoc doc;
  bool importBalances{false};  // the answer to "Import opening balances ?"
};

// Headers of the "Get Customers" and "Get Suppliers" grids; the tick column is 9.
const std::vector<std::string>& import_grid_headers();
// The result of a row whose QuickBooks record a Vantora record is already linked to.
inline constexpr const char* kAlreadyImported = "Already in Vantora: not imported again";
inline constexpr const char* kImportHint =
    "Click on the 'Run' button to see more options. You can also use your filter button to "
    "select which records will be shown.";

// An address aggregate ("BillAddress", ...) as Vantora's address text: Addr1 to Addr4 and
// "City, State PostalCode" (when there is a city), one per line (CR LF), no trailing break.
// An absent aggregate gives "".
std::string qb_address_text(pugi::xml_node aggregate);

// The listing element a grid row names in its "TagID" cell; empty when there is none.
pugi::xml_node listing_record(const ImportListing& listing, const WorkRow& row);

void fill_customersQB(MappingContext& ctx, ImportListing& listing);
// Asks whether to import opening balances, imports every visible ticked row whose Comment
// is empty (the result goes into Comment), then tidies the tables written.
void get_customers(MappingContext& ctx, ImportListing& listing);
// Imports the customer of one data row (0-based); "Sent" on success, otherwise the reason.
// Works through `db` when given (one connection for a whole run), else opens its own.
std::string get_customer(MappingContext& ctx, ImportListing& listing, std::size_t row,
                         Database* db = nullptr);

namespace detail {
// Shared by the customer and supplier imports.

struct ImportGridKind {
  const char* listName{};
  const char* procedure{};
  int queryKind{};
  int pageSize{};
  const char* accountField{};  // the field shown as "Acc Full Name"
  // The Vantora query that finds a record already linked to this QuickBooks entry.
  std::string (*linkedSql)(pugi::xml_node){};
  // The same test for a whole listing: the Vantora links read once (one column), and the
  // fields of an entry that linkedSql compares with them.
  const char* linkedAccountsSql{};
  std::vector<const char*> linkedFields;
};

void fill_import_grid(MappingContext& ctx, ImportListing& listing, const ImportGridKind& kind);
// Calls importRow for each visible, ticked row whose Comment is empty, stopping on Cancel
// (one left from an earlier run is cleared first), and puts the result into Comment. The
// progress bar moves on every row; the status ends "Operation completed" or "Operation
// aborted by user.". importRow gets one database connection for the run, or
// nullptr when it could not be opened (each row then reports the failure).
void import_ticked_rows(MappingContext& ctx,
                        const std::function<std::string(std::size_t, Database*)>& importRow);
// "Error: <number> <description>".
std::string error_line(const std::exception& error);
// The Vantora queries that find the customer / supplier linked to a QuickBooks record.
std::string linked_customer_sql(pugi::xml_node record);
std::string linked_supplier_sql(pugi::xml_node record);

}  // namespace detail

}  // namespace vqb
