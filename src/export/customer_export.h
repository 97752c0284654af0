#pragma once
// Creating Vantora customers in QuickBooks. send_Customer checks the name against QuickBooks
// (asking for another one when it is too long or already used), maps the customer's group,
// tax, terms and sales rep (each only when its mapping switch is on), splits both addresses,
// adds the customer and writes the QuickBooks name into the row's QBAccountNumber.
//
// Result texts: "Success" (created or linked, and the row updated); "Success." and a sentence
// per length when texts were cut to QuickBooks' lengths (FieldCuts::note); or the reason the
// customer was not sent. QuickBooks
// errors end in the result text; a failure before the customer is read goes through the common
// error report and gives "".

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/record_doc.h"
#include "export/add_queue.h"
#include "export/field_cuts.h"
#include "mapping/mapping_context.h"

namespace vqb {

// QuickBooks refuses a company name longer than this; the rest is left off.
inline constexpr std::size_t kQuickBooksCompanyNameLength = 41;

// True when a name export's result says the entry is in QuickBooks and linked ("Success", with
// or without a note of texts cut to QuickBooks' lengths).
inline bool name_sent(std::string_view result) {
  return result.starts_with("Success");
}

// Grid cells of the "Send Customers" and "Send Suppliers" lists.
inline constexpr std::size_t kNameListNameColumn = 0;
inline constexpr std::size_t kNameListLinkColumn = 3;
inline constexpr std::size_t kNameListResultColumn = 4;

// Sends every ticked row of ctx.state.grid whose result cell is empty and puts the result
// text into that cell. Stops before the next row once state.cancelRequested is set.
void send_Customers(MappingContext& ctx);

// Exports the Vantora customer `link` and returns the line for its result cell.
std::string send_Customer(MappingContext& ctx, long link);

// The mark of a sent customer: its QuickBooks name in QBAccountNumber. False when Vantora
// could not be written.
bool mark_customer_sent(App& app, long link, const std::string& qbName);

namespace name_export {
struct Texts;
}

// The loop both name lists share: progress, status texts, cancel, skip of rows already
// answered, the row being sent made the grid's current row, the name checks of the next rows
// sent ahead; `send` exports one Link.
void send_name_rows(MappingContext& ctx, const name_export::Texts& texts,
                    const std::function<SendTask(long)>& send);

// The name handling customers and suppliers share, with the texts of each.
namespace name_export {

struct Texts {
  std::string module;  // where errors are reported from
  std::string procedure;
  std::string selectSql;  // followed by the link
  std::string readFailed;
  std::string notFound;  // followed by the link and notFoundTail
  std::string notFoundTail;
  std::string kind;         // "customer" / "Supplier": in the questions and prompts
  std::string kindTitle;    // "Customer" / "Supplier": 'Customer Name'
  std::string lengthTitle;  // input box of the over-long name
  std::string renameTitle;  // input box of a name already used
  std::string noName;       // empty answer to the length box (and after 20806)
  std::string userCancelled;
  std::string linkFailed;       // the link-back of an existing entry failed
  std::string addedLinkFailed;  // the link-back after the add failed
  std::string duplicate;        // Cancel after 20806
  std::string exportFailed;     // "Could not export customer: "
  std::string updateSql;        // followed by the quoted name, "' WHERE link = " and the link
  // Entries of the other kinds, in the order they are checked.
  struct Other {
    bool (*exists)(MappingContext&, const std::string&);
    std::string called;   // "A vendor called, "
    std::string refusal;  // "QuickBooks will not accept a customer and vendor with the same name."
  };
  bool (*sameKindExists)(MappingContext&, const std::string&);
  std::vector<Other> others;
};

// Checks the mappings and fills the component from the row under `name`. Returns the text that
// stops the export, or nothing with the add's request document in `document`; texts it cut to
// QuickBooks' lengths are noted in `cuts`.
using AddStep = std::function<std::optional<std::string>(RecordDoc& row, const std::string& name,
                                                         FieldCuts& cuts, std::string& document)>;

// Journals the add under the kind "customer" or "supplier" (texts.kind in lower case).
std::string export_one(MappingContext& ctx, long link, const Texts& texts, const AddStep& add);
// The same as a send whose add may wait in a send list's message set.
SendTask export_task(MappingContext& ctx, long link, const Texts& texts, AddStep add);
// The name checks of the row, to send ahead; empty when its name must be asked for.
std::vector<std::string> checks_ahead(MappingContext& ctx, long link, const Texts& texts);

// Writes the QuickBooks name into the Vantora row (texts.updateSql); false when it failed.
bool link_back(App& app, const Texts& texts, const std::string& name, long link);

}  // namespace name_export

}  // namespace vqb
