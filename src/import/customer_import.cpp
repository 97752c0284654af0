#include "import/customer_import.h"

#include <exception>
#include <memory>
#include <unordered_set>

#include "app/database.h"
#include "app/errors.h"
#include "app/fix_database.h"
#include "app/links.h"
#include "app/text_helpers.h"
#include "app/work_list.h"
#include "quickbooks/obj_search.h"

namespace vqb {

namespace {

constexpr const char* kCrLf = "\r\n";

std::string field(pugi::xml_node record, const char* name) {
  return record.child_value(name);
}

std::string quoted(std::string_view text) {
  return "'" + sql_quote(text) + "'";
}

// The Link of the first snapshot row whose `column` equals the ref's full name; -1 when the
// record has no such ref or nothing matches.
long mapped_link(RecordDoc& snapshot, pugi::xml_node record, const char* ref, const char* column) {
  pugi::xml_node refNode = record.child(ref);
  if (!refNode) return -1;
  const std::string name = refNode.child_value("FullName");
  snapshot.MoveToRoot();
  for (pugi::xml_node entry = snapshot.Current().first_child(); entry;
       entry = entry.next_sibling()) {
    if (entry.type() != pugi::node_element) continue;
    if (name == entry.child_value(column))
      return static_cast<long>(numeric_value(entry.child_value("link")));
  }
  return -1;
}

std::string contact_sql(long link, std::string_view name) {
  return "INSERT INTO CustContacts ([Customer], [Name], [Tel], [Cell], [EMail], [Department], "
         "[MailList], "
         "[ShipAddress], [BillingAddress], [SaveAs], [Tax], [Tax2], [Fax], [Skype]) VALUES (" +
         std::to_string(link) + ", " + quoted(name) +
         ", '', '', '', '', 0, '', '', '', 0, 0, '', '')";
}

}  // namespace

const std::vector<std::string>& import_grid_headers() {
  static const std::vector<std::string> headers{
      "Name",  "Phone",         "Active",  "First Name", "Last Name", "Alt Phone",
      "Email", "Acc Full Name", "Balance", "Select",     "Comment",   "TagID"};
  return headers;
}

std::string qb_address_text(pugi::xml_node aggregate) {
  if (!aggregate) return "";
  std::string text;
  for (const char* line : {"Addr1", "Addr2", "Addr3", "Addr4"}) {
    const std::string value = aggregate.child_value(line);
    if (!value.empty()) text += value + kCrLf;
  }
  const std::string city = aggregate.child_value("City");
  if (!city.empty())
    text += city + ", " + aggregate.child_value("State") + " " +
            aggregate.child_value("PostalCode") + kCrLf;
  if (text.size() >= 2 && text.ends_with(kCrLf)) text.resize(text.size() - 2);
  return text;
}

pugi::xml_node listing_record(const ImportListing& listing, const WorkRow& row) {
  if (row.cells.empty() || row.cells.back().empty()) return {};
  const std::string& tag = row.cells.back();
  auto found = listing.doc.FindChild(tag);
  if (!found) return {};
  return found->Current();
}

namespace detail {

void fill_import_grid(MappingContext& ctx, ImportListing& listing, const ImportGridKind& kind) {
  App& app = ctx.app;
  WorkState& state = ctx.state;
  try {
    state.cancelRequested = false;
    listing.importBalances = false;
    listing.doc.Clear();
    state.grid.clear();
    state.grid.headers = import_grid_headers();
    state.grid.tickColumn = tick_column_of(kind.listName);
    state.changed();

    qb::ObjSearch& search = ctx.components.search;
    search.reset();
    ctx.set_Country();
    search.settings.qbxmlVersion = "5.0";  // the listing pages with an iterator (qbXML 5.0)
    search.queryKind = kind.queryKind;
    search.activeStatus = 3;
    search.pageSize = kind.pageSize;
    search.openConnection();
    search.run();

    // Rows already linked are found in memory: one query for the listing, not one per row.
    // The link columns compare without ASCII case (COLLATE NOCASE), as the query per row did.
    std::unordered_set<std::string> linked;
    open_database(app.databasePath)
        ->query(kind.linkedAccountsSql, [&](const std::vector<Cell>& cells) {
          if (!cells.empty() && cells[0]) linked.insert(to_lower_ascii(*cells[0]));
        });
    auto is_linked = [&](pugi::xml_node fields) {
      for (const char* name : kind.linkedFields)
        if (linked.contains(to_lower_ascii(field(fields, name)))) return true;
      return false;
    };
    long position = 0;
    RecordDoc record;
    for (;;) {
      const long total = position + search.resultCount() + search.remaining();
      for (int i = 0; i < search.resultCount(); ++i) {
        ++position;
        app.ui.setStatus("Reading record " + std::to_string(position) + " of " +
                         std::to_string(total));
        app.ui.setProgress(position, total);
        record.Clear();
        if (!record.LoadXml(search.result(i)))
          throw qb::QbError(qb::kMalformedResponse,
                            "QuickBooks returned a record that is not well-formed XML.");
        const std::string tag = "r_" + std::to_string(position);
        record.MoveToRoot();
        record.SetTag(tag);
        listing.doc.MoveToRoot();
        listing.doc.AppendTree(record);

        pugi::xml_node fields = record.Current();
        WorkRow row;
        const std::string balance = field(fields, "Balance");
        row.cells = {field(fields, "Name"),
                     field(fields, "Phone"),
                     field(fields, "IsActive"),
                     field(fields, "FirstName"),
                     field(fields, "LastName"),
                     field(fields, "AltPhone"),
                     field(fields, "Email"),
                     field(fields, kind.accountField),
                     format_number(numeric_value(balance), "Currency"),
                     "",
                     "",
                     tag};
        row.raw.assign(row.cells.size(), "");
        row.raw[8] = balance.empty() ? "0" : balance;

        if (is_linked(fields)) row.foreColour = kSentRowColour;
        state.grid.rows.push_back(std::move(row));
        app.events.pump();
      }
      if (search.remaining() < 1) break;
      search.nextPage();
    }
    search.closeConnection();
    listing.doc.MoveToRoot();
  } catch (const std::exception& error) {
    // The rows read so far stay; the list keeps its former name.
    show_common_error(app.ui, "frmQB", kind.procedure, error);
    app.ui.setStatus("Status: Idle");
    state.changed();
    return;
  }
  app.ui.setStatus("Status: Idle");
  app.ui.setProgress(0, 1);
  state.currentList = kind.listName;
  state.comment = kImportHint;
  state.changed();
}

void import_ticked_rows(MappingContext& ctx,
                        const std::function<std::string(std::size_t, Database*)>& importRow) {
  App& app = ctx.app;
  std::unique_ptr<Database> db;
  try {
    db = open_database(app.databasePath);
  } catch (const std::exception&) {
    // Each row opens its own and reports why it cannot.
  }
  WorkState& state = ctx.state;
  // A Cancel that stopped the last run must not stop this one.
  state.cancelRequested = false;
  const int commentColumn = state.grid.column("Comment");
  const auto count = static_cast<long>(state.grid.rows.size());
  state.busy = true;
  state.changed();
  app.ui.setProgress(0, count);
  for (std::size_t i = 0; i < state.grid.rows.size(); ++i) {
    app.ui.setProgress(static_cast<long>(i) + 1, count);
    app.ui.processEvents();
    if (state.cancelRequested) {
      app.ui.setStatus("Operation aborted by user.");
      state.busy = false;
      state.changed();
      return;
    }
    WorkRow& row = state.grid.rows[i];
    if (row.hidden || !row.ticked) continue;
    if (commentColumn < 0 || !row.cells[static_cast<std::size_t>(commentColumn)].empty()) continue;
    app.ui.setStatus("Importing " + row.cells[0]);
    std::string result = importRow(i, db.get());
    // The row may have gone while events ran (a refill); its result then has no cell.
    if (i >= state.grid.rows.size()) continue;
    state.grid.rows[i].cells[static_cast<std::size_t>(commentColumn)] = std::move(result);
    state.changed();
  }
  app.ui.setProgress(count, count);
  app.ui.setStatus("Operation completed");
  app.ui.setProgress(0, count);
  state.busy = false;
  state.changed();
}

std::string linked_customer_sql(pugi::xml_node record) {
  return "Select * from customers where QBAccountNumber = '" + sql_quote(field(record, "Name")) +
         "' or QBAccountNumber = '" + sql_quote(field(record, "FullName")) + "'";
}

std::string linked_supplier_sql(pugi::xml_node record) {
  return "Select * from suppliers where QBAccount = '" + sql_quote(field(record, "Name")) + "'";
}

std::string error_line(const std::exception& error) {
  if (const auto* known = dynamic_cast<const VqbError*>(&error))
    return "Error: " + std::to_string(known->number()) + " " + known->description();
  return std::string("Error: 0 ") + error.what();
}

}  // namespace detail

void fill_customersQB(MappingContext& ctx, ImportListing& listing) {
  detail::fill_import_grid(ctx, listing,
                           {.listName = lists::kGetCustomers,
                            .procedure = "fill_customersQB",
                            .queryKind = qb::ObjSearch::kCustomers,
                            .pageSize = 300,
                            .accountField = "FullName",
                            .linkedSql = detail::linked_customer_sql,
                            .linkedAccountsSql = "Select QBAccountNumber from customers",
                            .linkedFields = {"Name", "FullName"}});
}

void get_customers(MappingContext& ctx, ImportListing& listing) {
  App& app = ctx.app;
  listing.importBalances = app.ui.messageBox("Import opening balances ?", Buttons::YesNo,
                                             Icon::Question, "Confirm") == Answer::Yes;
  detail::import_ticked_rows(
      ctx, [&](std::size_t row, Database* db) { return get_customer(ctx, listing, row, db); });
  FixDatabase(app, "Customers");
  FixDatabase(app, "CustContacts");
  FixDatabase(app, "CustPost");
}

std::string get_customer(MappingContext& ctx, ImportListing& listing, std::size_t rowIndex,
                         Database* db) {
  App& app = ctx.app;
  if (rowIndex >= ctx.state.grid.rows.size()) return "Cannot find customer record in XML";
  WorkRow& row = ctx.state.grid.rows[rowIndex];
  pugi::xml_node record = listing_record(listing, row);
  if (!record) return "Cannot find customer record in XML";
  try {
    const long terms = mapped_link(app.termsSnapshot, record, "TermsRef", "quickbooks");
    const long rep = mapped_link(app.usersSnapshot, record, "SalesRepRef", "quickbooks");
    const long tax = mapped_link(app.taxSnapshot, record, "ItemSalesTaxRef", "qblink");
    const long industry =
        mapped_link(app.industrySnapshot, record, "CustomerTypeRef", "quickbooks");

    std::string description = field(record, "CompanyName");
    if (description.empty()) description = field(record, "Name");
    description = first_chars(description, 80);
    const std::string today = number_text(ole_today());
    const std::string contact = field(record, "Contact");
    const std::string altContact = field(record, "AltContact");

    std::unique_ptr<Database> own;
    if (!db) db = (own = open_database(app.databasePath)).get();
    // The counter and the rows that use it stand or fall together.
    Transaction transaction(*db, Transaction::Mode::Immediate);
    // A customer imported before (or linked since the list was filled) is not doubled.
    if (db->hasRows(detail::linked_customer_sql(record))) return kAlreadyImported;
    const long link = static_cast<long>(take_comp_counter(*db, "NextCustLink"));
    const std::string linkText = std::to_string(link);
    db->execute(
        "INSERT INTO Customers ([Link], [Description], [Tel], [Fax], [Email], [Website], "
        "[Origination], [OnHold], "
        "[Hide], [Industry], [Area], [Ship], [Rep], [BAddress], [SADdress], [CreditLimit], [Disc], "
        "[SetDisc], "
        "[Deposit], [Int], [Terms], [Type], [PriceGroup], [Tax1], [Tax2], [Contact], [Tel2], "
        "[TaxNumber], "
        "[MailState], [PrintState], [PopNotes], [Notes], [Balance], [P0], [P1], [P2], [P3], [P4], "
        "[P5], "
        "[DateCreated], [DateLastEdited], [Cell], [SageAccountNumber], [QBAccountNumber], "
        "[DontLockQuote], "
        "[DontLockWO], [WebAccount], [dateActive]) VALUES (" +
        linkText + ", " + quoted(description) + ", " + quoted(field(record, "Phone")) + ", " +
        quoted(field(record, "Fax")) + ", " + quoted(field(record, "Email")) + ", '', -1, 0, 0, " +
        std::to_string(industry) + ", -1, '', " + std::to_string(rep) + ", " +
        quoted(qb_address_text(record.child("BillAddress"))) + ", " +
        quoted(qb_address_text(record.child("ShipAddress"))) + ", 0, 0, 0, 0, 0, " +
        std::to_string(terms) + ", 0, 0, " + std::to_string(tax) + ", -1, " + quoted(contact) +
        ", " + quoted(field(record, "AltPhone")) + ", " + quoted(field(record, "ResaleNumber")) +
        ", 0, 0, '', '', 0, 0, 0, 0, 0, 0, 0, " + today + ", " + today + ", '', '', " +
        quoted(field(record, "FullName")) + ", 0, 0, '', 0)");
    if (!contact.empty()) db->execute(contact_sql(link, contact));
    if (!altContact.empty()) db->execute(contact_sql(link, altContact));

    const double balance = numeric_value(field(record, "Balance"));
    if (listing.importBalances && balance != 0) {
      std::string debit = "0", credit = "0", outstanding;
      if (balance > 0) {
        debit = format_number(balance, "0.00");
        outstanding = debit;
      } else {
        credit = format_number(-balance, "0.00");
        outstanding = credit;
      }
      db->execute(
          "INSERT INTO CustPost (Customer, [Date], Trans, Description, reference, rep, debit, "
          "credit, outstanding, "
          "chargetax1, chargetax2, notes) VALUES (" +
          linkText + ", " + today + ", 'JNL', 'Open Bal QB', 'Import', -1, " + debit + ", " +
          credit + ", " + outstanding +
          ", -1, -1, 'Bal B/F from QuickBooks After Customer Import' )");
    }
    transaction.commit();
    row.foreColour = kSentRowColour;
    ctx.state.changed();
    return "Sent";
  } catch (const std::exception& error) {
    return detail::error_line(error);
  }
}

}  // namespace vqb
