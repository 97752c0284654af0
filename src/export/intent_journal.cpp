#include "export/intent_journal.h"

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <pugixml.hpp>
#include <stdexcept>

#include "app/os_calls.h"
#include "app/text_helpers.h"
#include "export/intent_recovery.h"
#include "export/send_runs.h"
#include "quickbooks/change_answer.h"
#include "quickbooks/qbxml.h"

namespace vqb {

std::string journal_time_text(std::time_t at) {
  std::tm parts{};
  localtime_r(&at, &parts);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
  return text;
}

std::string sql_literal(const std::string& text) {
  return "'" + sql_quote(text) + "'";
}

std::string unreadable_answer_text(const std::string& kind) {
  return "QuickBooks' answer could not be read. The " + kind +
         " will be checked at the next connection before anything is sent again.";
}

UnreadableAnswer::UnreadableAnswer(const std::string& kind)
    : qb::QbError(qb::kMalformedResponse, unreadable_answer_text(kind)) {}

std::string request_digest(const std::string& text) {
  std::uint64_t hash = 14695981039346656037ULL;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 1099511628211ULL;
  }
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return hex;
}

std::shared_ptr<Database> open_journal(const std::string& path) {
  // The journal keeps whole add requests (customers, addresses, amounts): owner-only. SQLite
  // gives its -wal and -shm files the mode of the database file; older ones are tightened.
  os::ensure_private_file(path);
  std::shared_ptr<Database> db = create_database(path);
  db->execute("PRAGMA journal_mode = WAL");
  for (const char* companion : {"-wal", "-shm"}) os::make_private(path + companion);
  db->execute("PRAGMA synchronous = FULL");
  db->execute(
      "CREATE TABLE IF NOT EXISTS intents (id INTEGER PRIMARY KEY AUTOINCREMENT, kind TEXT NOT "
      "NULL, record TEXT NOT NULL, message_set TEXT NOT NULL, digest TEXT NOT NULL, sent_at TEXT "
      "NOT NULL, request TEXT NOT NULL, answer TEXT NOT NULL DEFAULT '')");
  return db;
}

IntentJournal::IntentJournal(const std::string& settingsFolder)
    : db_(open_journal(settingsFolder + "/" + kIntentJournalName)) {}

IntentJournal::IntentJournal(App& app) {
  const std::string path = app.settingsFolder + "/" + kIntentJournalName;
  if (!app.intentJournal || app.intentJournalPath != path) {
    app.intentJournal = open_journal(path);
    app.intentJournalPath = path;
  }
  db_ = app.intentJournal;
}

long long IntentJournal::open(const std::string& kind, const std::string& record,
                              const std::string& messageSetId, const std::string& request) {
  db_->execute(
      "INSERT INTO intents (kind, record, message_set, digest, sent_at, request) VALUES (" +
      sql_literal(kind) + ", " + sql_literal(record) + ", " + sql_literal(messageSetId) + ", " +
      sql_literal(request_digest(request)) + ", " +
      sql_literal(journal_time_text(std::time(nullptr))) + ", " + sql_literal(request) + ")");
  return db_->lastInsertRowId();
}

std::vector<long long> IntentJournal::openSet(const std::vector<NewEntry>& entries,
                                              const std::string& messageSetId) {
  std::vector<long long> ids;
  Transaction transaction(*db_, Transaction::Mode::Immediate);
  for (const NewEntry& entry : entries)
    ids.push_back(open(entry.kind, entry.record, messageSetId, entry.request));
  transaction.commit();
  return ids;
}

void IntentJournal::answered(long long id, const std::string& answer) {
  db_->execute("UPDATE intents SET answer = " + sql_literal(answer) +
               " WHERE id = " + std::to_string(id));
}

void IntentJournal::close(long long id) {
  close(std::vector<long long>{id});
}

void IntentJournal::close(const std::vector<long long>& ids) {
  if (ids.empty()) return;
  std::string list;
  for (long long id : ids) list += (list.empty() ? "" : ", ") + std::to_string(id);
  // A removal need not reach the disk at once: the next entry's durable write carries it
  // there, and an entry that outlives a power cut is only checked again by recovery.
  db_->execute("PRAGMA synchronous = NORMAL");
  try {
    db_->execute("DELETE FROM intents WHERE id IN (" + list + ")");
  } catch (...) {
    db_->execute("PRAGMA synchronous = FULL");
    throw;
  }
  db_->execute("PRAGMA synchronous = FULL");
}

std::vector<Intent> IntentJournal::pending() {
  std::vector<Intent> out;
  db_->query(
      "SELECT id, kind, record, message_set, digest, sent_at, request, answer FROM intents ORDER "
      "BY id",
      [&](const std::vector<Cell>& row) {
        auto text = [&](std::size_t i) { return row[i].value_or(""); };
        out.push_back(
            {std::stoll(text(0)), text(1), text(2), text(3), text(4), text(5), text(6), text(7)});
      });
  return out;
}

IntentScope::IntentScope(MappingContext& ctx, const std::string& kind, const std::string& record)
    : app_(ctx.app),
      session_(ctx.components.session),
      journal_(ctx.app),
      kind_(kind),
      record_(record) {
  const IntentKind* known = intent_kind(kind);
  if (known == nullptr) throw std::invalid_argument("No intent kind \"" + kind + "\".");
  tag_ = known->requestTag;
  const std::string opening = "<" + tag_;
  previous_ = session_.watcher();
  qb::ChangeWatcher watcher;
  watcher.sending = [this, opening](const std::string& id, const std::string& request) {
    if (request.find(opening) == std::string::npos) {
      if (previous_.sending) previous_.sending(id, request);
      return;
    }
    open_ = journal_.open(kind_, record_, id, request);
    if (before_.empty()) before_ = marks_before(app_, kind_, record_);
    openId_ = id;
    request_ = request;
    answer_.clear();
  };
  watcher.answered = [this](const std::string& id, const std::string& response) {
    if (open_ == 0 || id != openId_) {
      if (previous_.answered) previous_.answered(id, response);
      return;
    }
    const qb::ChangeAnswer read = qb::read_change_answer(request_, response);
    if (read.outcome == qb::ChangeAnswer::kRefused) {  // QuickBooks added nothing
      journal_.close(open_);
      open_ = 0;
    } else if (read.outcome == qb::ChangeAnswer::kDone && !read.record.empty()) {
      answer_ = read.record;  // kept for a mark that fails; QuickBooks can tell after a crash
    } else {
      throw UnreadableAnswer(kind_);  // the entry stays open: recovery asks QuickBooks
    }
  };
  session_.setChangeWatcher(std::move(watcher));
}

IntentScope::~IntentScope() {
  session_.setChangeWatcher(previous_);
  if (open_ == 0 || answer_.empty()) return;
  try {
    journal_.answered(open_, answer_);  // not marked: the next recovery completes the mark
  } catch (const VqbError&) {
    // The entry stays open without the answer; recovery asks QuickBooks for it.
  }
}

void IntentScope::close() {
  if (open_ == 0) return;
  log_added(app_, kind_, record_, answer_, before_);
  journal_.close(open_);
  open_ = 0;
}

std::vector<std::string> marks_before(App& app, const std::string& kind,
                                      const std::string& record) {
  const MarkTable* table = mark_table(kind);
  if (app.sendRun == 0 || table == nullptr) return {};
  try {
    return read_marks(app, *table, record);
  } catch (const VqbError&) {
    return {};  // not logged: the send itself goes on
  }
}

void log_added(App& app, const std::string& kind, const std::string& record,
               const std::string& answer, const std::vector<std::string>& before) {
  log_added(app, {{kind, record, answer, before}});
}

void log_added(App& app, const std::vector<AddToLog>& adds) {
  if (app.sendRun == 0) return;
  std::vector<RunEntry> entries;
  for (const AddToLog& add : adds) {
    const MarkTable* table = mark_table(add.kind);
    if (add.answer.empty() || table == nullptr) continue;
    pugi::xml_document added;
    if (!added.load_string(add.answer.c_str())) continue;
    const pugi::xml_node ret = added.first_child();
    RunEntry entry;
    entry.run = app.sendRun;
    entry.kind = add.kind;
    entry.record = add.record;
    entry.qbId = ret.child("TxnID") ? ret.child_value("TxnID") : ret.child_value("ListID");
    entry.editSequence = ret.child_value("EditSequence");
    entry.reference =
        ret.child("RefNumber") ? ret.child_value("RefNumber") : ret.child_value("Name");
    for (pugi::xml_node line : ret.children("AppliedToTxnRet"))
      entry.appliedTo.push_back(line.child_value("TxnID"));
    try {
      const std::vector<std::string> after = read_marks(app, *table, add.record);
      if (after.size() != table->columns.size() || add.before.size() != after.size()) continue;
      for (std::size_t i = 0; i < after.size(); ++i)
        entry.marks.push_back({table->columns[i], add.before[i], after[i]});
      entries.push_back(std::move(entry));
    } catch (const VqbError&) {
      // Not logged: only its undo is lost.
    }
  }
  if (entries.empty()) return;
  try {
    RunLog(app).add(entries);
  } catch (const VqbError&) {
    // The records are sent and marked; only their undo is lost.
  }
}

}  // namespace vqb
