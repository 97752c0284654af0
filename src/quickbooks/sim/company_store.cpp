#include "quickbooks/sim/company_store.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "app/os_calls.h"
#include "quickbooks/qb_error.h"

namespace vqb::qb::sim {
namespace {

constexpr long kFileError = 75;  // path/file access error
constexpr int kBusyTimeoutMs = 30000;

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS entries(
  seq INTEGER PRIMARY KEY,
  id TEXT NOT NULL UNIQUE,
  kind INTEGER NOT NULL,
  name TEXT NOT NULL,
  entity TEXT NOT NULL,
  txn_date TEXT NOT NULL,
  time_modified TEXT NOT NULL,
  active INTEGER NOT NULL,
  change INTEGER NOT NULL,
  xml TEXT NOT NULL);
CREATE INDEX IF NOT EXISTS entries_kind_name ON entries(kind, name COLLATE NOCASE);
CREATE INDEX IF NOT EXISTS entries_entity ON entries(kind, entity);
CREATE INDEX IF NOT EXISTS entries_txn_date ON entries(kind, txn_date);
CREATE INDEX IF NOT EXISTS entries_time_modified ON entries(kind, time_modified);
CREATE INDEX IF NOT EXISTS entries_change ON entries(change);
CREATE TABLE IF NOT EXISTS message_sets(
  seq INTEGER PRIMARY KEY,
  id TEXT NOT NULL UNIQUE,
  xml TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value TEXT NOT NULL);
)sql";

// A prepared statement, reset when it goes out of scope so it can be run again.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) : db_(db) {
    if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) stmt_ = nullptr;
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  bool ok() const { return stmt_ != nullptr; }
  Statement& bind(int at, const std::string& text) {
    sqlite3_bind_text(stmt_, at, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
    return *this;
  }
  Statement& bind(int at, long long value) {
    sqlite3_bind_int64(stmt_, at, value);
    return *this;
  }
  // SQLITE_ROW or SQLITE_DONE; anything else is an error.
  int step() { return sqlite3_step(stmt_); }
  std::string text(int column) const {
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return data ? std::string(data, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)))
                : std::string();
  }
  long long integer(int column) const { return sqlite3_column_int64(stmt_, column); }

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace

CompanyStore::CompanyStore(const std::string& path, bool create) : path_(path) {
  // Company files hold customer data: owner-only, and so are the journal files SQLite
  // creates beside them with the database's own permissions.
  if (create && !os::ensure_private_file(path))
    throw QbError(kFileError, "Could not open the company file \"" + path + "\".");
  if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) !=
      SQLITE_OK) {
    std::string why = db_ ? sqlite3_errmsg(db_) : "out of memory";
    sqlite3_close(db_);
    db_ = nullptr;
    throw QbError(kFileError, "Could not open the company file \"" + path + "\": " + why + ".");
  }
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  sqlite3_extended_result_codes(db_, 1);
  try {
    if (!create) {
      // Nothing is written to an SQLite file that is not a company store.
      Statement check(db_, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'meta'");
      if (!check.ok() || check.step() != SQLITE_ROW) {
        throw QbError(kNotReachable, "Could not connect to QuickBooks: \"" + path +
                                         "\" is not a QuickBooks company file.");
      }
    }
    exec("PRAGMA journal_mode=WAL");
    exec("PRAGMA synchronous=FULL");
    exec(kSchema);
  } catch (...) {
    sqlite3_close(db_);
    db_ = nullptr;
    throw;
  }
}

CompanyStore::~CompanyStore() {
  if (inTransaction_) rollback();
  sqlite3_close(db_);
}

bool CompanyStore::isStore(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char head[16] = {};
  in.read(head, sizeof head);
  return in.gcount() == sizeof head && std::memcmp(head, "SQLite format 3", 16) == 0;
}

void CompanyStore::removeFiles(const std::string& path) {
  std::error_code ignored;
  for (const char* suffix : {"", "-wal", "-shm", "-journal"})
    std::filesystem::remove(path + suffix, ignored);
}

void CompanyStore::fail(const std::string& doing) {
  throw QbError(kFileError, "Could not " + doing + " the company file \"" + path_ +
                                "\": " + sqlite3_errmsg(db_) + ".");
}

void CompanyStore::exec(const char* sql) {
  char* message = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) != SQLITE_OK) {
    std::string why = message ? message : sqlite3_errmsg(db_);
    sqlite3_free(message);
    throw QbError(kFileError, "Could not use the company file \"" + path_ + "\": " + why + ".");
  }
}

void CompanyStore::begin(bool write) {
  exec(write ? "BEGIN IMMEDIATE" : "BEGIN");
  inTransaction_ = true;
}

void CompanyStore::commit() {
  if (sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
    rollback();
    fail("save");
  }
  inTransaction_ = false;
}

void CompanyStore::rollback() noexcept {
  if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  inTransaction_ = false;
}

std::map<std::string, std::string> CompanyStore::meta() {
  std::map<std::string, std::string> values;
  Statement select(db_, "SELECT key, value FROM meta");
  if (!select.ok()) fail("read");
  int rc;
  while ((rc = select.step()) == SQLITE_ROW) values[select.text(0)] = select.text(1);
  if (rc != SQLITE_DONE) fail("read");
  return values;
}

void CompanyStore::setMeta(const std::string& key, const std::string& value) {
  Statement put(db_, "INSERT OR REPLACE INTO meta(key, value) VALUES(?1, ?2)");
  if (!put.ok() || put.bind(1, key).bind(2, value).step() != SQLITE_DONE) fail("write");
}

long long CompanyStore::generation() {
  Statement select(db_, "SELECT value FROM meta WHERE key = 'generation'");
  if (!select.ok()) fail("read");
  int rc = select.step();
  if (rc == SQLITE_DONE) return -1;
  if (rc != SQLITE_ROW) fail("read");
  return std::atoll(select.text(0).c_str());
}

void CompanyStore::putEntry(const Row& row, long long change) {
  Statement put(db_,
                "INSERT INTO entries(id, kind, name, entity, txn_date, time_modified, active, "
                "change, xml) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9) ON CONFLICT(id) DO "
                "UPDATE SET kind = excluded.kind, name = excluded.name, entity = excluded.entity, "
                "txn_date = excluded.txn_date, time_modified = excluded.time_modified, active = "
                "excluded.active, change = excluded.change, xml = excluded.xml");
  if (!put.ok()) fail("write");
  put.bind(1, row.id).bind(2, static_cast<long long>(row.kind)).bind(3, row.name);
  put.bind(4, row.entity).bind(5, row.txnDate).bind(6, row.timeModified);
  put.bind(7, row.active ? 1LL : 0LL).bind(8, change).bind(9, row.xml);
  if (put.step() != SQLITE_DONE) fail("write");
}

void CompanyStore::eraseEntry(const std::string& id) {
  Statement erase(db_, "DELETE FROM entries WHERE id = ?1");
  if (!erase.ok() || erase.bind(1, id).step() != SQLITE_DONE) fail("write");
}

void CompanyStore::forEachEntry(long long sinceChange,
                                const std::function<void(int, const std::string&)>& row) {
  Statement select(db_, "SELECT kind, xml FROM entries WHERE change > ?1 ORDER BY seq");
  if (!select.ok()) fail("read");
  select.bind(1, sinceChange);
  int rc;
  while ((rc = select.step()) == SQLITE_ROW)
    row(static_cast<int>(select.integer(0)), select.text(1));
  if (rc != SQLITE_DONE) fail("read");
}

std::vector<std::string> CompanyStore::messageSetIds() {
  std::vector<std::string> ids;
  Statement select(db_, "SELECT id FROM message_sets ORDER BY seq");
  if (!select.ok()) fail("read");
  int rc;
  while ((rc = select.step()) == SQLITE_ROW) ids.push_back(select.text(0));
  if (rc != SQLITE_DONE) fail("read");
  return ids;
}

void CompanyStore::putMessageSet(const std::string& id, const std::string& xml) {
  Statement put(db_, "INSERT OR REPLACE INTO message_sets(id, xml) VALUES(?1, ?2)");
  if (!put.ok() || put.bind(1, id).bind(2, xml).step() != SQLITE_DONE) fail("write");
}

void CompanyStore::eraseMessageSet(const std::string& id) {
  Statement erase(db_, "DELETE FROM message_sets WHERE id = ?1");
  if (!erase.ok() || erase.bind(1, id).step() != SQLITE_DONE) fail("write");
}

void CompanyStore::forEachMessageSet(const std::function<void(const std::string&)>& set) {
  Statement select(db_, "SELECT xml FROM message_sets ORDER BY seq");
  if (!select.ok()) fail("read");
  int rc;
  while ((rc = select.step()) == SQLITE_ROW) set(select.text(0));
  if (rc != SQLITE_DONE) fail("read");
}

}  // namespace vqb::qb::sim
