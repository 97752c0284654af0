#include "app/fix_database.h"

#include "app/database.h"
#include "app/errors.h"
#include "app/text_helpers.h"

namespace vqb {
namespace {

// What a Null becomes for a declared column type; nullopt: it stays Null.
std::optional<std::string> replacement(const ColumnInfo& column) {
  const std::string& type = column.type;
  auto has = [&](const char* word) { return type.find(word) != std::string::npos; };
  if (has("CHAR") || has("TEXT") || has("CLOB") || has("MEMO"))
    return column.allowZeroLength ? "''" : "' '";
  if (has("DATE") || has("TIME")) return std::nullopt;
  if (has("INT") || has("REAL") || has("DOUB") || has("FLOA") || has("SINGLE") || has("LONG"))
    return "0";
  return std::nullopt;
}

}  // namespace

void FixDatabase(App& app, const std::string& table) {
  try {
    auto db = open_database(app.databasePath);
    const std::vector<ColumnInfo> columns = db->tableColumns(table);
    const std::string quoted = "[" + table + "]";
    auto count = db->queryAll("SELECT count(*) FROM " + quoted);
    long rows = static_cast<long>(numeric_value(count.rows.at(0).at(0).value_or("0")));
    if (rows == 0) return;

    app.ui.setProgress(0, rows);
    app.ui.setStatus("Checking for Null Values - " + table + ". Please Wait...");
    app.ui.processEvents();
    Transaction transaction(*db, Transaction::Mode::Immediate);
    long step = 0;
    for (const ColumnInfo& column : columns) {
      if (auto value = replacement(column))
        db->execute("UPDATE " + quoted + " SET [" + column.name + "] = " + *value + " WHERE [" +
                    column.name + "] IS NULL");
      app.ui.setProgress(rows * ++step / static_cast<long>(columns.size()), rows);
      app.ui.processEvents();
    }
    transaction.commit();
    app.ui.setStatus("Operation Complete.");
  } catch (const VqbError& error) {
    show_common_error(app.ui, "frmQB", "FixDatabase", error);
  }
}

}  // namespace vqb
