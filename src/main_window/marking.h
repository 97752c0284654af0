#pragma once
// Marking the ticked rows of the current work list as sent or not sent, by hand, with one
// statement per row. Rows whose status cell is filled ("Updated") are skipped.

#include <functional>
#include <string>

#include "app/app.h"
#include "main_window/window_state.h"

namespace vqb {

void marksent(App& app, MainWindowState& state);
void marksentNot(App& app, MainWindowState& state);

// The statement for one row's key; "" when the list cannot be marked that way
// ("Mark as sent" is not offered for customers and suppliers).
std::string mark_statement(const std::string& list, bool sent, const std::string& keyCell,
                           const std::string& now);

// The walk both marking commands share: Cancel cleared, progress shown, "Operation aborted by
// user." on Cancel and "Operation completed" at the end. Each ticked row whose status cell
// (`statusColumn`) is empty goes to `markRow`, which shows its own status text and says
// whether it marked the row; a marked row's status cell becomes "Updated". An error shows
// the common error report of `procedure`.
void mark_ticked_rows(App& app, MainWindowState& state, int statusColumn, const char* procedure,
                      const std::function<bool(WorkRow&)>& markRow);

}  // namespace vqb
