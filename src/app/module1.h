#pragma once
// The database layer: snapshots of queries into the scratch document and SQL statements
// run on the Vantora database. Each opens the database at its start and closes it at its
// end, unless a DatabaseRun holds a connection open. A database error shows the "Confirm"
// box ("<number> - <description>") and returns false.

#include <memory>
#include <string>
#include <string_view>

#include "app/app.h"

namespace vqb {

// Keeps one connection to the Vantora database open while it lives, for work on many
// records in a row (sending a list): opening the database and reading its schema for every
// statement costs more than most statements. Each statement still commits on its own, so
// nothing is held locked between statements. When the database cannot be opened nothing is
// held, and each call opens it (and reports the failure) as usual. An inner run uses the
// outer one's connection.
class DatabaseRun {
 public:
  explicit DatabaseRun(App& app);
  ~DatabaseRun();
  DatabaseRun(const DatabaseRun&) = delete;
  DatabaseRun& operator=(const DatabaseRun&) = delete;

 private:
  App& app_;
  std::unique_ptr<Database> db_;
};

// Fills app.scratch ("rData") with one "record" element per row: "record<counter>" with empty
// text, or with keyByLink "record<link>" with the counter as text. One child per column,
// tagged with the lower-cased column name, holding the value as text (NULL as "").
bool read_data(App& app, std::string_view sql, bool keyByLink);

// Runs one statement. Text after it (besides blanks and one ";") is refused before anything
// runs: "Only one SQL statement may be run at a time: <the rest>" in the "Confirm" box.
bool write_data(App& app, std::string_view sql);

// Runs every statement of app.sqlBatch in one transaction: when one fails, none stays.
// An empty batch returns false without opening the database. On a failed statement its
// text goes to `failedStatement` when one is given.
bool write_data2(App& app, std::string* failedStatement = nullptr);

}  // namespace vqb
