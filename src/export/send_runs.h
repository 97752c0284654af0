#pragma once
// The run log: every send run (a send list in the window, a vqb-cli send) gets a number, and
// each record it added to QuickBooks is written down with what taking it back out needs:
// QuickBooks' TxnID or ListID and EditSequence as the add answered them, and the Vantora
// mark's columns before and after the send, as SQLite quotes them (types and NULLs kept).
// The log lives in the intent journal's owner-only file in the settings folder; runs older
// than the "RunLogDays" setting (90 days when unset) are pruned when a run starts.
// Failures throw DbError.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/app.h"
#include "app/database.h"

namespace vqb {

inline constexpr const char* kRunLogDaysKey = "RunLogDays";
inline constexpr int kRunLogDefaultDays = 90;

// Where a kind's Vantora mark lives and, for transactions, its QuickBooks TxnDelType.
struct MarkTable {
  const char* kind;   // the intent journal's kind: "invoice"
  const char* label;  // "Invoice"
  const char* table;  // "CustSO"
  const char* key;    // "Number"
  std::vector<const char*> columns;
  const char* txnType;  // "Invoice"; "" for customers and suppliers
};
const MarkTable* mark_table(std::string_view kind);
// The mark columns of Vantora record `record` as SQL literals ("NULL", "1", "'x'"); empty when
// the record is not there. Reads through the connection a DatabaseRun holds, or its own.
std::vector<std::string> read_marks(App& app, const MarkTable& table, const std::string& record);

struct RunMark {
  std::string column, before, after;  // SQL literals
};

struct RunEntry {
  long long id = 0, run = 0;
  std::string kind, record;
  std::string qbId, editSequence;      // TxnID or ListID, and EditSequence, as QuickBooks answered
  std::string reference;               // RefNumber, or the name of a customer or supplier
  std::vector<std::string> appliedTo;  // a payment's invoices (TxnIDs)
  std::string addedAt;                 // local time "YYYY-MM-DD HH:MM:SS"
  std::string undo;  // "" sent; "deleting" once its delete is journalled; "undone"
  std::vector<RunMark> marks;
};

struct SendRunInfo {
  long long number = 0;
  std::string started, program, user;
  std::vector<std::pair<std::string, int>> counts;  // records added per kind, by kind
};

class RunLog {
 public:
  explicit RunLog(App& app);  // on the intent journal's connection
  explicit RunLog(const std::string& settingsFolder);

  // A new run, after pruning the runs older than `keepDays`.
  long long start(const std::string& program, const std::string& user, int keepDays);
  void add(const RunEntry& entry);
  // The entries of one message set, in one transaction.
  void add(const std::vector<RunEntry>& entries);
  std::vector<SendRunInfo> runs();  // newest first
  std::optional<SendRunInfo> run(long long number);
  std::vector<RunEntry> entries(long long run);  // in the order they were added
  // Written to disk before it returns: the undo journals each delete with it.
  void setUndo(long long entry, const std::string& state);
  void setEditSequence(long long entry, const std::string& editSequence);
  // Forgets a run that added nothing.
  void dropIfEmpty(long long run);

 private:
  void insert(const RunEntry& entry);
  std::shared_ptr<Database> db_;
};

// Opens a run for the adds made while it lives, unless one is open already (a payment sending
// its invoices, a test sending several lists as one run); the run it opened is dropped at the
// end when it added nothing. A run log that cannot be written leaves the send unlogged.
class SendRunScope {
 public:
  explicit SendRunScope(App& app);
  ~SendRunScope();
  SendRunScope(const SendRunScope&) = delete;
  SendRunScope& operator=(const SendRunScope&) = delete;

 private:
  App& app_;
  bool owner_ = false;
};

// "Run 3  2026-12-07 18:30:00  vqb-cli  alice  2 invoices, 1 payment"
std::string run_line(const SendRunInfo& run);

}  // namespace vqb
