#pragma once
// The database seam: the Vantora database and the settings database are SQLite files.
// Every failure throws DbError (number = SQLite result code, description = its message).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/errors.h"

namespace vqb {

class DbError : public VqbError {
 public:
  using VqbError::VqbError;
};

// A cell as the original engine printed it: NULL is nullopt, 12.5 is "12.5", 100.0 is "100".
using Cell = std::optional<std::string>;

struct ColumnInfo {
  std::string name;
  std::string type;        // declared type, upper-cased ("TEXT", "REAL", "INTEGER", ...)
  bool allowZeroLength{};  // text columns accept "" (false when a CHECK forbids it)
};

class Database {
 public:
  virtual ~Database() = default;

  // Runs exactly one statement (blank text runs nothing). Trailing blanks and one ";" are
  // fine; any further text is refused before anything runs, so that a value badly quoted into
  // the SQL can never run a second statement.
  virtual void execute(std::string_view sql) = 0;
  // Runs every statement of a script. Only for the trusted scripts that ship with the program
  // (the Vantora schema, the settings template), never for SQL built from data.
  virtual void executeScript(std::string_view sql) = 0;
  // Calls `row` for each result row; `columns` is filled before the first call.
  virtual void query(std::string_view sql, const std::function<void(const std::vector<Cell>&)>& row,
                     std::vector<std::string>* columns = nullptr) = 0;
  virtual std::vector<ColumnInfo> tableColumns(std::string_view table) = 0;
  virtual std::int64_t changes() = 0;
  virtual std::int64_t lastInsertRowId() = 0;

  // Convenience: every row at once.
  struct Rows {
    std::vector<std::string> columns;
    std::vector<std::vector<Cell>> rows;
  };
  Rows queryAll(std::string_view sql);
  // Whether the query finds a row.
  bool hasRows(std::string_view sql);
};

// Opens an existing SQLite file for reading and writing, with a busy timeout so that
// Vantora holding the file briefly does not fail the call.
std::unique_ptr<Database> open_database(const std::string& path);
// Creates the file when it does not exist (demo and templates only).
std::unique_ptr<Database> create_database(const std::string& path);

// RAII transaction: rolls back in the destructor unless commit() was called.
// Immediate transactions take the write lock at once, so a read-then-write of a counter
// cannot interleave with another process.
class Transaction {
 public:
  enum class Mode { Deferred, Immediate };
  explicit Transaction(Database& db, Mode mode = Mode::Deferred);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void commit();

 private:
  Database& db_;
  bool open_{true};
};

}  // namespace vqb
