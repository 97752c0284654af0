#include "export/send_runs.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <map>

#include "app/os_calls.h"
#include "app/setup_file.h"
#include "app/text_helpers.h"
#include "export/intent_journal.h"

namespace vqb {
namespace {

const std::vector<MarkTable> kMarkTables{
    {"invoice",
     "Invoice",
     "CustSO",
     "Number",
     {"xmlAdd", "QuickBooksRef", "QuickBooks", "QuickBooksDS"},
     "Invoice"},
    {"payment",
     "Payment",
     "CustPayments",
     "Number",
     {"QuickBooks", "QuickBooksDS", "QuickBooksRef"},
     "ReceivePayment"},
    {"purchase order",
     "Purchase order",
     "SuppPO",
     "Number",
     {"QBRef", "QBURef", "QBGoods", "SendQB"},
     "PurchaseOrder"},
    {"customer", "Customer", "Customers", "Link", {"QBAccountNumber"}, ""},
    {"supplier", "Supplier", "Suppliers", "Link", {"QBAccount"}, ""},
};

void make_tables(Database& db) {
  db.execute(
      "CREATE TABLE IF NOT EXISTS runs (number INTEGER PRIMARY KEY AUTOINCREMENT, started TEXT NOT "
      "NULL, program TEXT NOT NULL, user TEXT NOT NULL)");
  db.execute(
      "CREATE TABLE IF NOT EXISTS run_entries (id INTEGER PRIMARY KEY AUTOINCREMENT, run INTEGER "
      "NOT NULL, kind TEXT NOT NULL, record TEXT NOT NULL, qb_id TEXT NOT NULL, edit_sequence TEXT "
      "NOT NULL, reference TEXT NOT NULL, applied_to TEXT NOT NULL, added_at TEXT NOT NULL, undo "
      "TEXT NOT NULL DEFAULT '')");
  db.execute(
      "CREATE TABLE IF NOT EXISTS run_marks (entry INTEGER NOT NULL, position INTEGER NOT NULL, "
      "name TEXT NOT NULL, before TEXT NOT NULL, after TEXT NOT NULL)");
}

std::string text(const std::vector<Cell>& row, std::size_t i) {
  return row[i].value_or("");
}

std::vector<std::string> words(const std::string& text) {
  std::vector<std::string> out;
  std::size_t at = 0;
  while ((at = text.find_first_not_of(' ', at)) != std::string::npos) {
    const std::size_t end = std::min(text.find(' ', at), text.size());
    out.push_back(text.substr(at, end - at));
    at = end;
  }
  return out;
}

}  // namespace

const MarkTable* mark_table(std::string_view kind) {
  for (const MarkTable& table : kMarkTables)
    if (kind == table.kind) return &table;
  return nullptr;
}

std::vector<std::string> read_marks(App& app, const MarkTable& table, const std::string& record) {
  std::unique_ptr<Database> owned;
  Database* db = app.heldDatabase;
  if (db == nullptr) {
    owned = open_database(app.databasePath);
    db = owned.get();
  }
  std::string sql = "SELECT ";
  for (std::size_t i = 0; i < table.columns.size(); ++i)
    sql += std::string(i ? ", " : "") + "quote(" + table.columns[i] + ")";
  sql += std::string(" FROM ") + table.table + " WHERE " + table.key + " = " +
         std::to_string(std::atol(record.c_str()));
  std::vector<std::string> out;
  db->query(sql, [&](const std::vector<Cell>& row) {
    if (!out.empty()) return;
    for (const Cell& cell : row) out.push_back(cell.value_or("NULL"));
  });
  return out;
}

RunLog::RunLog(App& app) {
  IntentJournal journal(app);  // opens the journal's file and keeps its connection in app
  db_ = app.intentJournal;
  make_tables(*db_);
}

RunLog::RunLog(const std::string& settingsFolder)
    : db_(open_journal(settingsFolder + "/" + kIntentJournalName)) {
  make_tables(*db_);
}

long long RunLog::start(const std::string& program, const std::string& user, int keepDays) {
  const std::time_t now = std::time(nullptr);
  const std::string oldest = journal_time_text(now - static_cast<std::time_t>(keepDays) * 86400);
  {
    Transaction prune(*db_, Transaction::Mode::Immediate);
    db_->execute("DELETE FROM runs WHERE started < " + sql_literal(oldest));
    db_->execute("DELETE FROM run_entries WHERE run NOT IN (SELECT number FROM runs)");
    db_->execute("DELETE FROM run_marks WHERE entry NOT IN (SELECT id FROM run_entries)");
    prune.commit();
  }
  db_->execute("INSERT INTO runs (started, program, user) VALUES (" +
               sql_literal(journal_time_text(now)) + ", " + sql_literal(program) + ", " +
               sql_literal(user) + ")");
  return db_->lastInsertRowId();
}

void RunLog::add(const RunEntry& e) {
  add(std::vector<RunEntry>{e});
}

void RunLog::add(const std::vector<RunEntry>& entries) {
  if (entries.empty()) return;
  Transaction transaction(*db_, Transaction::Mode::Immediate);
  for (const RunEntry& e : entries) insert(e);
  transaction.commit();
}

void RunLog::insert(const RunEntry& e) {
  std::string applied;
  for (const std::string& id : e.appliedTo) applied += (applied.empty() ? "" : " ") + id;
  db_->execute(
      "INSERT INTO run_entries (run, kind, record, qb_id, edit_sequence, reference, applied_to, "
      "added_at) VALUES (" +
      std::to_string(e.run) + ", " + sql_literal(e.kind) + ", " + sql_literal(e.record) + ", " +
      sql_literal(e.qbId) + ", " + sql_literal(e.editSequence) + ", " + sql_literal(e.reference) +
      ", " + sql_literal(applied) + ", " + sql_literal(journal_time_text(std::time(nullptr))) +
      ")");
  const std::string entry = std::to_string(db_->lastInsertRowId());
  for (std::size_t i = 0; i < e.marks.size(); ++i)
    db_->execute("INSERT INTO run_marks (entry, position, name, before, after) VALUES (" + entry +
                 ", " + std::to_string(i) + ", " + sql_literal(e.marks[i].column) + ", " +
                 sql_literal(e.marks[i].before) + ", " + sql_literal(e.marks[i].after) + ")");
}

std::vector<SendRunInfo> RunLog::runs() {
  std::vector<SendRunInfo> out;
  std::map<long long, std::size_t> at;
  db_->query(
      "SELECT number, started, program, user FROM runs ORDER BY number DESC",
      [&](const std::vector<Cell>& row) {
        at[std::stoll(text(row, 0))] = out.size();
        out.push_back({std::stoll(text(row, 0)), text(row, 1), text(row, 2), text(row, 3), {}});
      });
  std::vector<std::pair<long long, std::pair<std::string, int>>> counts;
  db_->query(
      "SELECT run, kind, COUNT(*) FROM run_entries GROUP BY run, kind",
      [&](const std::vector<Cell>& row) {
        counts.push_back({std::stoll(text(row, 0)), {text(row, 1), std::stoi(text(row, 2))}});
      });
  // Counts in the order of the kinds, as a send adds them.
  for (const MarkTable& table : kMarkTables)
    for (const auto& [run, count] : counts)
      if (count.first == table.kind && at.count(run)) out[at[run]].counts.push_back(count);
  return out;
}

std::optional<SendRunInfo> RunLog::run(long long number) {
  for (SendRunInfo& info : runs())
    if (info.number == number) return std::move(info);
  return std::nullopt;
}

std::vector<RunEntry> RunLog::entries(long long run) {
  std::vector<RunEntry> out;
  std::map<long long, std::size_t> at;
  db_->query(
      "SELECT id, kind, record, qb_id, edit_sequence, reference, applied_to, added_at, undo FROM "
      "run_entries WHERE run = " +
          std::to_string(run) + " ORDER BY id",
      [&](const std::vector<Cell>& row) {
        RunEntry e;
        e.id = std::stoll(text(row, 0));
        e.run = run;
        e.kind = text(row, 1);
        e.record = text(row, 2);
        e.qbId = text(row, 3);
        e.editSequence = text(row, 4);
        e.reference = text(row, 5);
        for (std::string& id : words(text(row, 6))) e.appliedTo.push_back(std::move(id));
        e.addedAt = text(row, 7);
        e.undo = text(row, 8);
        at[e.id] = out.size();
        out.push_back(std::move(e));
      });
  db_->query(
      "SELECT m.entry, m.name, m.before, m.after FROM run_marks m JOIN run_entries e ON e.id = "
      "m.entry WHERE e.run = " +
          std::to_string(run) + " ORDER BY m.entry, m.position",
      [&](const std::vector<Cell>& row) {
        const long long entry = std::stoll(text(row, 0));
        if (at.count(entry))
          out[at[entry]].marks.push_back({text(row, 1), text(row, 2), text(row, 3)});
      });
  return out;
}

void RunLog::setUndo(long long entry, const std::string& state) {
  db_->execute("UPDATE run_entries SET undo = " + sql_literal(state) +
               " WHERE id = " + std::to_string(entry));
}

void RunLog::setEditSequence(long long entry, const std::string& editSequence) {
  db_->execute("UPDATE run_entries SET edit_sequence = " + sql_literal(editSequence) +
               " WHERE id = " + std::to_string(entry));
}

void RunLog::dropIfEmpty(long long run) {
  const std::string number = std::to_string(run);
  db_->execute("DELETE FROM runs WHERE number = " + number +
               " AND NOT EXISTS (SELECT 1 FROM run_entries WHERE run = " + number + ")");
}

SendRunScope::SendRunScope(App& app) : app_(app) {
  if (app_.sendRun != 0) return;
  try {
    const long days = std::atol(setup_value(app_, kRunLogDaysKey).c_str());
    app_.sendRun = RunLog(app_).start(os::program_name(), os::user_name(),
                                      days > 0 ? static_cast<int>(days) : kRunLogDefaultDays);
    owner_ = true;
  } catch (const VqbError&) {
    app_.sendRun = 0;  // the send goes on unlogged
  }
}

SendRunScope::~SendRunScope() {
  if (!owner_) return;
  const long long run = app_.sendRun;
  app_.sendRun = 0;
  try {
    RunLog(app_).dropIfEmpty(run);
  } catch (const VqbError&) {
  }
}

std::string run_line(const SendRunInfo& run) {
  std::string counts;
  for (const auto& [kind, count] : run.counts) {
    counts +=
        (counts.empty() ? "" : ", ") + std::to_string(count) + " " + kind + (count == 1 ? "" : "s");
  }
  return "Run " + std::to_string(run.number) + "  " + run.started + "  " + run.program + "  " +
         run.user + "  " + (counts.empty() ? "nothing added" : counts);
}

}  // namespace vqb
