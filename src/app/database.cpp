#include "app/database.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <list>

#include "app/sql_literals.h"
#include "app/text_helpers.h"

namespace vqb {
namespace {

constexpr int kBusyTimeoutMs = 10000;

[[noreturn]] void throw_sqlite(sqlite3* handle, int code,
                               std::source_location where = std::source_location::current()) {
  std::string message = handle ? sqlite3_errmsg(handle) : sqlite3_errstr(code);
  throw DbError(code & 0xff, message, where);
}

// A cell in the text form the original engine printed.
Cell cell_text(sqlite3_stmt* stmt, int column) {
  switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_NULL:
      return std::nullopt;
    case SQLITE_INTEGER:
      return std::to_string(sqlite3_column_int64(stmt, column));
    case SQLITE_FLOAT:
      return number_text(sqlite3_column_double(stmt, column));
    default: {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
      return std::string(text ? text : "",
                         static_cast<std::size_t>(sqlite3_column_bytes(stmt, column)));
    }
  }
}

std::string_view trim_blanks(std::string_view text) {
  const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

class Statement {
 public:
  Statement(sqlite3* db, std::string_view sql, const char** tail) {
    int rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, tail);
    if (rc != SQLITE_OK) throw_sqlite(db, rc);
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  sqlite3_stmt* get() const { return stmt_; }

 private:
  sqlite3_stmt* stmt_{};
};

// The last statements prepared, by their exact text: a send list runs the same reads for
// every record (the settings table, the customer read twice), and compiling a statement costs
// more than running most of them. A statement is reset as soon as it has run, so a cached one
// holds no lock; the engine compiles it again by itself when the schema has changed.
class StatementCache {
 public:
  static constexpr std::size_t kSize = 16;

  struct Entry {
    std::string sql;
    sqlite3_stmt* stmt{};
    bool busy{};  // running now (a nested call with the same text prepares its own)
  };

  StatementCache() = default;
  StatementCache(const StatementCache&) = delete;
  StatementCache& operator=(const StatementCache&) = delete;
  ~StatementCache() { clear(); }

  void clear() {
    for (auto& entry : entries_) sqlite3_finalize(entry.stmt);
    entries_.clear();
  }

  // The idle cached statement of `sql`, made the most recently used; nullptr when none.
  Entry* find(std::string_view sql) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it)
      if (!it->busy && it->sql == sql) {
        entries_.splice(entries_.begin(), entries_, it);
        return &entries_.front();
      }
    return nullptr;
  }

  // Takes `stmt` in, finalizing the least recently used idle one when full; nullptr (the
  // caller keeps `stmt`) when every cached statement is running.
  Entry* add(std::string_view sql, sqlite3_stmt* stmt) {
    if (entries_.size() >= kSize) {
      auto idle = std::find_if(entries_.rbegin(), entries_.rend(),
                               [](const Entry& entry) { return !entry.busy; });
      if (idle == entries_.rend()) return nullptr;
      sqlite3_finalize(idle->stmt);
      entries_.erase(std::next(idle).base());
    }
    entries_.push_front(Entry{std::string(sql), stmt, false});
    return &entries_.front();
  }

 private:
  std::list<Entry> entries_;  // most recently used first; entries never move in memory
};

// A statement from the cache or freshly prepared; reset and handed back to the cache (or
// finalized when it was not cached) when the call ends, however it ends.
class CachedStatement {
 public:
  // `tail` receives the text after the first statement of `sql`.
  CachedStatement(sqlite3* db, StatementCache& cache, std::string_view sql, const char** tail) {
    // Statements that differ only in their values share one compiled statement.
    if (const std::optional<ParameterizedSql> lifted = parameterize_literals(sql);
        lifted && takeShape(db, cache, *lifted)) {
      *tail = sql.data() + sql.size();
      return;
    }
    if ((entry_ = cache.find(sql))) {
      entry_->busy = true;
      stmt_ = entry_->stmt;
      *tail = sql.data() + sql.size();
      return;
    }
    int rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, tail);
    if (rc != SQLITE_OK) throw_sqlite(db, rc);
    // Only a text holding exactly one statement is cached: the rest is the caller's to refuse.
    std::string_view rest(*tail, static_cast<std::size_t>(sql.data() + sql.size() - *tail));
    if (stmt_ && trim_blanks(rest).empty() && (entry_ = cache.add(sql, stmt_))) entry_->busy = true;
  }
  ~CachedStatement() { release(); }
  CachedStatement(const CachedStatement&) = delete;
  CachedStatement& operator=(const CachedStatement&) = delete;
  sqlite3_stmt* get() const { return stmt_; }

 private:
  // The compiled shape with the values bound; false (nothing held) when the shape does not
  // compile to exactly one statement taking those values: the text is then compiled as it
  // stands, so that its errors read as before.
  bool takeShape(sqlite3* db, StatementCache& cache, const ParameterizedSql& lifted) {
    if ((entry_ = cache.find(lifted.shape))) {
      entry_->busy = true;
      stmt_ = entry_->stmt;
    } else {
      const char* tail = nullptr;
      if (sqlite3_prepare_v2(db, lifted.shape.data(), static_cast<int>(lifted.shape.size()), &stmt_,
                             &tail) != SQLITE_OK ||
          !stmt_ ||
          !trim_blanks(std::string_view(tail, static_cast<std::size_t>(lifted.shape.data() +
                                                                       lifted.shape.size() - tail)))
               .empty() ||
          sqlite3_bind_parameter_count(stmt_) != static_cast<int>(lifted.values.size())) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        return false;
      }
      entry_ = cache.add(lifted.shape, stmt_);
      if (entry_) entry_->busy = true;
    }
    int index = 0;
    for (const SqlLiteral& value : lifted.values) {
      ++index;
      const int rc = value.isText
                         ? sqlite3_bind_text64(stmt_, index, value.text.data(), value.text.size(),
                                               SQLITE_TRANSIENT, SQLITE_UTF8)
                         : sqlite3_bind_int64(stmt_, index, value.integer);
      if (rc != SQLITE_OK) {
        release();
        throw_sqlite(db, rc);
      }
    }
    return true;
  }

  void release() {
    if (!entry_) {
      sqlite3_finalize(stmt_);
    } else {
      sqlite3_reset(stmt_);
      entry_->busy = false;
    }
    entry_ = nullptr;
    stmt_ = nullptr;
  }

  StatementCache::Entry* entry_{};
  sqlite3_stmt* stmt_{};
};

class SqliteDatabase final : public Database {
 public:
  SqliteDatabase(const std::string& path, bool create) {
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
    int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
      std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
      sqlite3_close(db_);
      db_ = nullptr;
      if (path.empty())
        message = "No database file is configured";
      else
        message += ": " + path;
      throw DbError(rc & 0xff, message);
    }
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    sqlite3_extended_result_codes(db_, 0);
  }
  ~SqliteDatabase() override {
    cache_.clear();
    sqlite3_close_v2(db_);
  }

  void execute(std::string_view sql) override {
    if (trim_blanks(sql).empty()) return;
    const char* tail = nullptr;
    CachedStatement stmt(db_, cache_, sql, &tail);
    std::string_view rest(tail, static_cast<std::size_t>(sql.data() + sql.size() - tail));
    rest = trim_blanks(rest);
    if (!rest.empty())
      throw DbError(1, "Only one SQL statement may be run at a time: " + std::string(rest));
    if (stmt.get()) run(stmt);
  }

  void executeScript(std::string_view sql) override {
    const char* tail = sql.data();
    const char* end = sql.data() + sql.size();
    while (tail < end) {
      const char* next = nullptr;
      Statement stmt(db_, std::string_view(tail, static_cast<std::size_t>(end - tail)), &next);
      tail = next;
      if (stmt.get()) run(stmt);  // otherwise blank text or a comment
    }
  }

  void query(std::string_view sql, const std::function<void(const std::vector<Cell>&)>& row,
             std::vector<std::string>* columns) override {
    const char* tail = nullptr;
    CachedStatement stmt(db_, cache_, sql, &tail);
    if (!stmt.get()) throw DbError(1, "The SQL text holds no statement");
    // The columns are read after the first step: a statement compiled before another
    // connection changed the schema is compiled again by that step.
    int rc = sqlite3_step(stmt.get());
    const int count = sqlite3_column_count(stmt.get());
    if (columns) {
      columns->clear();
      for (int i = 0; i < count; ++i) columns->emplace_back(sqlite3_column_name(stmt.get(), i));
    }
    std::vector<Cell> cells(static_cast<std::size_t>(count));
    for (; rc == SQLITE_ROW; rc = sqlite3_step(stmt.get())) {
      for (int i = 0; i < count; ++i) cells[static_cast<std::size_t>(i)] = cell_text(stmt.get(), i);
      row(cells);
    }
    if (rc != SQLITE_DONE) throw_sqlite(db_, rc);
  }

  std::vector<ColumnInfo> tableColumns(std::string_view table) override {
    std::vector<ColumnInfo> result;
    std::string sql = "SELECT name, type FROM pragma_table_info('" + sql_quote(table) + "')";
    query(
        sql,
        [&](const std::vector<Cell>& cells) {
          ColumnInfo info;
          info.name = cells[0].value_or("");
          info.type = cells[1].value_or("");
          std::transform(info.type.begin(), info.type.end(), info.type.begin(),
                         [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
          info.allowZeroLength = true;
          result.push_back(std::move(info));
        },
        nullptr);
    if (result.empty()) throw DbError(1, "no such table: " + std::string(table));
    // A CHECK that forbids '' on a column marks it as not allowing zero length.
    Rows sqlRows = queryAll("SELECT sql FROM sqlite_master WHERE type = 'table' AND name = '" +
                            sql_quote(table) + "' COLLATE NOCASE");
    if (!sqlRows.rows.empty() && sqlRows.rows[0][0]) {
      std::string ddl = to_lower_ascii(*sqlRows.rows[0][0]);
      for (auto& info : result) {
        std::string rule = "check (" + to_lower_ascii(info.name) + " <> '')";
        if (ddl.find(rule) != std::string::npos) info.allowZeroLength = false;
      }
    }
    return result;
  }

  std::int64_t changes() override { return sqlite3_changes64(db_); }
  std::int64_t lastInsertRowId() override { return sqlite3_last_insert_rowid(db_); }

 private:
  template <typename S>
  void run(const S& stmt) {
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) throw_sqlite(db_, rc);
  }

  sqlite3* db_{};
  StatementCache cache_;
};

}  // namespace

Database::Rows Database::queryAll(std::string_view sql) {
  Rows rows;
  query(
      sql, [&](const std::vector<Cell>& cells) { rows.rows.push_back(cells); }, &rows.columns);
  return rows;
}

bool Database::hasRows(std::string_view sql) {
  bool found = false;
  query(sql, [&](const std::vector<Cell>&) { found = true; });
  return found;
}

std::unique_ptr<Database> open_database(const std::string& path) {
  if (path.empty()) throw DbError(14, "No database file is configured");
  return std::make_unique<SqliteDatabase>(path, false);
}

std::unique_ptr<Database> create_database(const std::string& path) {
  return std::make_unique<SqliteDatabase>(path, true);
}

Transaction::Transaction(Database& db, Mode mode) : db_(db) {
  db_.execute(mode == Mode::Immediate ? "BEGIN IMMEDIATE" : "BEGIN");
}

Transaction::~Transaction() {
  if (!open_) return;
  try {
    db_.execute("ROLLBACK");
  } catch (...) {
    // The engine already rolled back (for example after a failed COMMIT).
  }
}

void Transaction::commit() {
  db_.execute("COMMIT");
  open_ = false;
}

}  // namespace vqb
