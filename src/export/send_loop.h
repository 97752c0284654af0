#pragma once
// The loop every send list shares: walks the ticked rows whose result cell is still empty,
// shows which record it sends, honours Cancel between records, and puts each result into
// the row's result cell.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "export/add_queue.h"
#include "mapping/mapping_context.h"
#include "quickbooks/obj_search.h"

namespace vqb {

struct SendLoop {
  std::size_t keyColumn;     // the cell whose numeric value is handed to `send`
  std::size_t resultColumn;  // the Comment cell
  std::size_t labelColumn;   // shown after statusPrefix while the row is sent
  std::string statusPrefix;  // "Sending " / "Sending Invoice: "
  // The read-only checks of a record, as request documents: those of the next records are sent
  // ahead in one message set. Must neither ask nor change anything.
  std::function<std::vector<std::string>(long)> ahead = {};
};

// How many records' checks go ahead in one message set.
inline constexpr std::size_t kRecordsAhead = 25;

// Runs `send` on each ticked row with an empty result cell, in grid order, over one
// connection to the Vantora database (a DatabaseRun). Clears
// state.cancelRequested first; stops with "Operation aborted by user." once it is set.
void send_ticked_rows(MappingContext& ctx, const SendLoop& loop,
                      const std::function<std::string(long)>& send);
// The same, with the text shown after statusPrefix made from the row by `label`.
void send_ticked_rows(MappingContext& ctx, const SendLoop& loop,
                      const std::function<std::string(long)>& send,
                      const std::function<std::string(const WorkRow&)>& label);
// The same for sends whose adds wait in the list's AddQueue (add_queue.h): a row gets its
// result when its add's message set is answered.
void send_record_rows(MappingContext& ctx, const SendLoop& loop,
                      const std::function<SendTask(long)>& send,
                      const std::function<std::string(const WorkRow&)>& label = {});

// Asks (title "Warning!") whether to send a transaction that looks like `match`, a QuickBooks
// invoice, payment or purchase order of the same customer or supplier and amount; `kind` is
// "invoice", "payment" or "purchase order". The purchase-order question has no blank lines
// (`blankLines` false); `matched`, when given, says on a line of its own after the memo what
// made it a match. True when the user says send it anyway.
bool confirm_possible_duplicate(App& app, const std::string& kind, const std::string& customer,
                                const RecordDoc& match, bool markDuplicates, bool blankLines = true,
                                const std::string& matched = "");

// Runs the body of a send list's top-level procedure (such as "send_Invoices") as one send run
// (send_runs.h), unless one is open already: an error that
// escapes it shows the common error report under that name.
void run_send_list(App& app, const char* procedure, const std::function<void()>& body);

// Steps the transaction exports share.
namespace send_steps {

// The stop text of one record travels as this exception, so the checks read top to bottom.
struct Stop {
  std::string text;
};

// The result of a customer or supplier (`kind`) sent on the way; when QuickBooks' answer to
// its add could not be read, that text stops the record (the new one is checked first at the
// next connection).
std::string sent_on_the_way(const std::string& kind, std::string result);

// Reads `sql` into a private document; false when read_data failed (it has said why).
bool load(App& app, const std::string& sql, RecordDoc& into);
// Whether a setup check box ("1") or option button ("True") is on.
bool setup_on(App& app, const char* key);
bool option_on(App& app, const char* key);
// A whole number read from a Vantora cell, as SQL and texts show it.
std::string whole(const std::string& text);
// The object search of `queryKind` transactions whose reference number holds `reference`,
// set up afresh; the duplicate checks run it and send it ahead with the same text.
qb::ObjSearch& reference_search(MappingContext& ctx, int queryKind, const std::string& reference);
// The request document of that search, built without touching the shared search (it is sent
// ahead, maybe while a record is using the shared one).
std::string reference_search_document(MappingContext& ctx, int queryKind,
                                      const std::string& reference);

// An amount QuickBooks worked out and Vantora's, in hundredths, with the names the result
// line gives them.
struct ComparedAmount {
  std::string quickbooksName;  // "sales tax"
  std::string vantoraName;     // "tax"
  std::int64_t quickbooks, vantora;
};
// "QuickBooks' sales tax 7.84 differs from the Vantora tax 8.25." for each amount that
// differs, joined by spaces; "" when all agree.
std::string differences(const std::vector<ComparedAmount>& amounts);

// Line money as QuickBooks works it: quantity x rate rounded to the cent, halves away from zero.
std::int64_t line_cents(double quantity, double rate);
// The unit price that makes QuickBooks give a line of `quantity` the amount `cents`: `price`
// to the five decimals qbXML takes when it does, otherwise the five-decimal rate that does;
// nullopt when none does (the line must then go with its amount).
std::optional<double> rate_giving(std::int64_t cents, double quantity, double price);
// The first record in `search`'s results whose `nameRef` (CustomerRef, VendorRef) is `name`
// and whose `amountField` is `cents`, or whose TxnID is `sentAs` when that is not empty; the
// record is left in `match` (the last one looked at when none matched). Its TxnID, or "".
std::string find_sent_match(const qb::ObjSearch& search, RecordDoc& match, const char* nameRef,
                            const std::string& name, const char* amountField, std::int64_t cents,
                            const std::string& sentAs);

}  // namespace send_steps

}  // namespace vqb
