#pragma once
// Answering the assign window (a Vantora code without a valid QuickBooks counterpart) without
// a window: a --assign rule names the QuickBooks entry for a code; on a terminal the entries
// offered are listed and one is chosen by number; otherwise the window is cancelled, as its
// Cancel button would.

#include <functional>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

#include "app/app.h"
#include "quickbooks/component_set.h"

namespace vqb::cli {

// CODE=QUICKBOOKS NAME: whenever the window's message names CODE, QUICKBOOKS NAME is chosen.
struct AssignRule {
  std::string code;
  std::string choice;
};

// Splits "CODE=NAME" at its first "="; false when there is none.
bool parse_pair(const std::string& text, std::pair<std::string, std::string>& pair);
// Splits every text into `pairs`; on one without "=" says "<what>, not "<text>"" and returns false.
bool parse_pairs(const std::vector<std::string>& texts, const char* what,
                 std::vector<std::pair<std::string, std::string>>& pairs, std::ostream& err);

// Answers one assign window: reads its title, message and mode from the slots as the window
// does and leaves the choice in slot 0 ("" when cancelled).
void answer_assign(App& app, const std::function<qb::ComponentSet&()>& components,
                   const std::vector<AssignRule>& rules, std::istream& in, std::ostream& err,
                   bool interactive);

}  // namespace vqb::cli
