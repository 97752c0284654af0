#pragma once
// Marking the ticked rows of the current work list as sent or not sent, by hand, with one
// statement per row. Rows whose status cell is filled ("Updated") are skipped.

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

}  // namespace vqb
