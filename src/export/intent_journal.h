#pragma once
// The intent journal: before an add is sent to QuickBooks, the integrator writes down which
// Vantora record it is for, under the add's message-set id, in its own SQLite file in the
// settings folder ("intents.db"; Vantora's schema is not ours to extend). The entry is closed
// once the Vantora record is marked as sent, so an entry still open at the next connection is
// a record whose answer was lost, or whose mark could not be written: recovery
// (intent_recovery.h) settles it with QuickBooks' error recovery instead of a blind re-send.
//
// Every entry is its own durable SQLite transaction (WAL, synchronous FULL): an entry written
// before a crash or a power cut is there afterwards. Its removal after the mark is written
// without waiting for the disk (a killed program loses nothing; a power cut may bring the
// entry back, and recovery then finds the add applied and marks the record again, to the same
// values). Failures throw DbError.

#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "app/database.h"
#include "mapping/mapping_context.h"
#include "quickbooks/qb_error.h"

namespace vqb {

inline constexpr const char* kIntentJournalName = "intents.db";

struct Intent {
  long long id = 0;
  std::string kind;          // "customer", "supplier", "invoice", "payment", "purchase order"
  std::string record;        // the Vantora key: a customer's link, an invoice's number
  std::string messageSetId;  // the newMessageSetID the add went with
  std::string digest;        // FNV-1a 64 of the request document, in hex
  std::string sentAt;        // local time "YYYY-MM-DD HH:MM:SS"
  std::string request;       // the request document as sent
  std::string answer;        // the added record (…Ret) once QuickBooks answered; "" until then
};

class IntentJournal {
 public:
  // Opens the journal of a settings folder.
  explicit IntentJournal(const std::string& settingsFolder);
  // The journal of app's settings folder on the connection app keeps for it.
  explicit IntentJournal(App& app);

  long long open(const std::string& kind, const std::string& record,
                 const std::string& messageSetId, const std::string& request);
  // One entry per add of a message set, all in one durable transaction; their ids in order.
  struct NewEntry {
    std::string kind, record, request;
  };
  std::vector<long long> openSet(const std::vector<NewEntry>& entries,
                                 const std::string& messageSetId);
  // Keeps the record QuickBooks answered with, for a mark that could not be written.
  void answered(long long id, const std::string& answer);
  void close(long long id);
  // Several entries at once (the marked adds of one message set).
  void close(const std::vector<long long>& ids);
  // Open entries, oldest first.
  std::vector<Intent> pending();

 private:
  std::shared_ptr<Database> db_;
};

// A connection to the journal file at `path`, its table made when missing.
std::shared_ptr<Database> open_journal(const std::string& path);

// The row's text for a record of `kind` ("invoice") whose add QuickBooks may have carried out
// but whose answer could not be read: its entry stays open for the next recovery.
std::string unreadable_answer_text(const std::string& kind);

// Thrown out of the add when QuickBooks' answer to it could not be read (description: the
// row's text); the sends return the text as the record's result.
class UnreadableAnswer : public qb::QbError {
 public:
  explicit UnreadableAnswer(const std::string& kind);
};

// The local time `at` as the journal and the send runs write it: "YYYY-MM-DD HH:MM:SS".
std::string journal_time_text(std::time_t at);
// A text as an SQL string literal, quotes doubled.
std::string sql_literal(const std::string& text);

// FNV-1a 64 of the text, 16 hex digits.
std::string request_digest(const std::string& text);

// Writes the add of `record` (QuickBooks answered `answer`, a ...Ret) to the open send run's log
// (send_runs.h), with its Vantora marks `before` the add and as they are now. Does nothing
// outside a send run; a log that cannot be written loses only the undo.
void log_added(App& app, const std::string& kind, const std::string& record,
               const std::string& answer, const std::vector<std::string>& before);
// The adds of one message set, in one transaction of the log.
struct AddToLog {
  std::string kind, record, answer;
  std::vector<std::string> before;
};
void log_added(App& app, const std::vector<AddToLog>& adds);
// The marks of `record` before its add, for log_added: empty outside a send run.
std::vector<std::string> marks_before(App& app, const std::string& kind, const std::string& record);

// Journals the adds of one record while it lives: every request of the kind's add tag (such
// as "InvoiceAddRq") sent through the session opens an entry just before it goes; a readable
// refusal of that very request closes it at once (QuickBooks added nothing), a success keeps
// QuickBooks' record in it, and an answer that cannot be read leaves it open (recovery asks
// QuickBooks) and throws UnreadableAnswer. close() after the Vantora mark was written. Scopes nest
// (an invoice that first sends its customer); each restores the session's previous watcher.
class IntentScope {
 public:
  // Throws std::invalid_argument for a kind intent_kinds() does not name.
  IntentScope(MappingContext& ctx, const std::string& kind, const std::string& record);
  ~IntentScope();
  IntentScope(const IntentScope&) = delete;
  IntentScope& operator=(const IntentScope&) = delete;

  // The Vantora record is marked: the entry is settled, and the add is written to the open
  // send run's log (send_runs.h) with the mark before and after.
  void close();

 private:
  App& app_;
  qb::Session& session_;
  qb::ChangeWatcher previous_;
  IntentJournal journal_;
  std::string kind_, record_, tag_;
  long long open_ = 0;   // the entry of the last add sent; 0 when none is open
  std::string openId_;   // its message-set id
  std::string request_;  // its request document
  std::string answer_;   // QuickBooks' record for it, written only when the scope ends unmarked
  std::vector<std::string> before_;  // the Vantora mark before the add, for the run log
};

}  // namespace vqb
