#pragma once
// The database layer: snapshots of queries into the scratch document and SQL statements
// run on the Vantora database. Each opens the database at its start and closes it at its
// end. A database error shows the "Confirm" box ("<number> - <description>") and returns false.

#include <string_view>

#include "app/app.h"

namespace vqb {

// Fills app.scratch ("rData") with one "record" element per row: "record<counter>" with empty
// text, or with keyByLink "record<link>" with the counter as text. One child per column,
// tagged with the lower-cased column name, holding the value as text (NULL as "").
bool read_data(App& app, std::string_view sql, bool keyByLink);

// Runs one statement. Text after it (besides blanks and one ";") is refused before anything
// runs: "Only one SQL statement may be run at a time: <the rest>" in the "Confirm" box.
bool write_data(App& app, std::string_view sql);

// Runs every statement of app.sqlBatch in one transaction: when one fails, none stays.
// An empty batch returns false without opening the database.
bool write_data2(App& app);

}  // namespace vqb
