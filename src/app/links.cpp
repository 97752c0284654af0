#include "app/links.h"

#include <cmath>

#include "app/errors.h"
#include "app/text_helpers.h"

namespace vqb {
namespace {

std::string preference_where(std::string_view form, std::string_view description, long user) {
  return " WHERE form = '" + sql_quote(form) + "' and Description = '" + sql_quote(description) +
         "' and user = " + std::to_string(user);
}

}  // namespace

std::string get_Preference(Database& db, std::string_view form, std::string_view description,
                           long user) {
  auto rows =
      db.queryAll("SELECT Value FROM Preferences" + preference_where(form, description, user));
  if (rows.rows.empty()) return "";
  return rows.rows.front().front().value_or("");
}

void set_Preference(Database& db, std::string_view form, std::string_view description,
                    std::string_view value, long user) {
  auto rows = db.queryAll("SELECT rowid FROM preferences" +
                          preference_where(form, description, user) + " LIMIT 1");
  if (!rows.rows.empty()) {
    db.execute("UPDATE Preferences SET Form = '" + sql_quote(form) + "', Description = '" +
               sql_quote(description) + "', Value = '" + sql_quote(value) + "', User = " +
               std::to_string(user) + " WHERE rowid = " + rows.rows.front().front().value_or("0"));
  } else {
    db.execute("INSERT INTO Preferences (Form, Description, Value, User) VALUES ('" +
               sql_quote(form) + "', '" + sql_quote(description) + "', '" + sql_quote(value) +
               "', " + std::to_string(user) + ")");
  }
}

std::int64_t take_comp_counter(Database& db, std::string_view column) {
  const std::string name(column);
  auto rows = db.queryAll("SELECT rowid, " + name + " FROM comp ORDER BY rowid LIMIT 1");
  if (rows.rows.empty()) throw DbError(3021, "No current record.");
  const auto& row = rows.rows.front();
  auto value = static_cast<std::int64_t>(std::llround(numeric_value(row[1].value_or(""))));
  db.execute("UPDATE comp SET " + name + " = " + std::to_string(value + 1) +
             " WHERE rowid = " + row[0].value_or("0"));
  return value;
}

std::optional<std::int64_t> GetNewLink(App& app, std::string_view counterName,
                                       std::int64_t startValue) {
  try {
    auto db = open_database(app.databasePath);
    Transaction transaction(*db, Transaction::Mode::Immediate);
    std::int64_t result;
    if (!counterName.empty()) {
      double current = numeric_value(get_Preference(*db, "GetNewLink", counterName, -2));
      if (current < 1) current = startValue > 0 ? static_cast<double>(startValue) : 10000.0;
      set_Preference(*db, "GetNewLink", counterName, number_text(current + 1), -2);
      result = static_cast<std::int64_t>(std::llround(current));
    } else {
      result = take_comp_counter(*db, "NextMaintLink");
    }
    transaction.commit();
    return result;
  } catch (const std::exception& error) {
    show_common_error(app.ui, "Module1", "GetNewLink", error);
    return std::nullopt;
  }
}

}  // namespace vqb
