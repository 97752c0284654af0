#pragma once
// New Vantora keys and the named counters kept in the Vantora "Preferences" table.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/app.h"
#include "app/database.h"

namespace vqb {

// The Value of the matching Preferences row, or "" when there is none. Throws DbError.
std::string get_Preference(Database& db, std::string_view form, std::string_view description,
                           long user);

// Creates or overwrites the matching Preferences row. Throws DbError.
void set_Preference(Database& db, std::string_view form, std::string_view description,
                    std::string_view value, long user);

// Reads the first comp row's counter column and advances it by one; returns the value read.
// Call it inside an immediate transaction so that no other program takes the same value.
std::int64_t take_comp_counter(Database& db, std::string_view column);

// A fresh Link. With a counter name, from the named counter (Preferences form "GetNewLink",
// user -2), starting at startValue when above 0, otherwise 10000; without one, from
// comp.NextMaintLink. The read and the advance happen in one immediate transaction.
// On a database error the common error report is shown and nullopt returned.
std::optional<std::int64_t> GetNewLink(App& app, std::string_view counterName,
                                       std::int64_t startValue);

}  // namespace vqb
