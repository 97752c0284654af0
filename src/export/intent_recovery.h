#pragma once
// Settling the intent journal's open entries (intent_journal.h), at every connection and
// before every send loop. For each entry:
// - QuickBooks' answer is in the entry (the mark failed): the mark is written now;
// - else QuickBooks is asked for the add's kept response (oldMessageSetID):
//   - it applied the add: the record is marked exactly as the send marks it;
//   - it refused the add: the entry is dropped and the record stays to be sent;
//   - it cannot tell (the response has expired or was cleared): the kind's duplicate search
//     runs, whatever the duplicate option says. No match: QuickBooks never got the add, the
//     entry is dropped. A match: the user is asked; Yes sends the record again, No marks it
//     with the match. Nothing is sent again without that Yes.
// Each record marked gives the user one line, "<Label> <record>: " followed by kMarkedNow (or
// kMarkedLate after a failed mark). A mark that fails again keeps the entry.
// A send kind joins with one entry in intent_kinds() and an IntentScope around its add.

#include <string>
#include <string_view>
#include <vector>

#include "mapping/mapping_context.h"

namespace vqb {

struct IntentKind {
  const char* name;        // the journal's kind: "invoice"
  const char* label;       // the start of the user's line: "Invoice"
  const char* requestTag;  // the add that is journalled: "InvoiceAddRq"
  // Marks Vantora record `record` as sent with QuickBooks' record (…Ret XML) as the send does;
  // false when Vantora could not be written.
  bool (*mark)(MappingContext& ctx, const std::string& record, const std::string& added);
  // The kind's duplicate search from the request that was sent: the matching QuickBooks
  // record (…Ret XML), "" when there is none.
  std::string (*findDuplicate)(MappingContext& ctx, const std::string& record,
                               const std::string& request);
};

const std::vector<IntentKind>& intent_kinds();
const IntentKind* intent_kind(std::string_view name);

// The texts after "<sent time>" in the user's line.
inline constexpr const char* kMarkedNow = "; the answer was lost. Marked as sent now.";
inline constexpr const char* kMarkedLate =
    "; Vantora could not be marked then. Marked as sent now.";
inline constexpr const char* kStillInDoubt =
    "; the answer was lost and QuickBooks could not be asked about it. It will be checked at the "
    "next connection.";

// Added to a result line when QuickBooks took the add but the Vantora mark failed.
inline constexpr const char* kMarkPending =
    " The integrator will mark it as sent when it next connects to QuickBooks.";

struct RecoveredRecord {
  std::string kind, record;
  std::string line;  // "Was sent on 2026-12-07 06:10:00; the answer was lost. Marked as sent now."
  bool settled;      // marked, or dropped to be sent again; false: still in doubt
};

// Settles every open entry and returns a line for each record marked or still in doubt.
// QuickBooks unreachable leaves the remaining entries in doubt. Journal failures are reported
// through the common error report.
std::vector<RecoveredRecord> recover_intents(MappingContext& ctx);

// At a connection: recover_intents, and one message box listing the lines (none when there
// are none).
void recover_at_connection(MappingContext& ctx);

// Before a send loop of `kind` over ctx.state.grid: recover_intents, lines shown as above,
// and each row of a record of this kind that was marked or is still in doubt gets its line
// in the result cell, so the loop does not send it again.
void recover_before_send(MappingContext& ctx, const std::string& kind, std::size_t keyColumn,
                         std::size_t resultColumn);

}  // namespace vqb
