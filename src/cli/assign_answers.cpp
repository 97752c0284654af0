#include "cli/assign_answers.h"

#include <istream>
#include <ostream>

#include "cli/cli_ui.h"
#include "mapping/assign_dialog.h"

namespace vqb::cli {

bool parse_pair(const std::string& text, std::pair<std::string, std::string>& pair) {
  const auto at = text.find('=');
  if (at == std::string::npos || at == 0) return false;
  pair = {text.substr(0, at), text.substr(at + 1)};
  return true;
}

bool parse_pairs(const std::vector<std::string>& texts, const char* what,
                 std::vector<std::pair<std::string, std::string>>& pairs, std::ostream& err) {
  for (const auto& text : texts) {
    std::pair<std::string, std::string> pair;
    if (!parse_pair(text, pair)) {
      err << what << ", not \"" << text << "\"\n";
      return false;
    }
    pairs.push_back(std::move(pair));
  }
  return true;
}

namespace {

// Chooses `value` in the window: the row whose value column holds it, or the text box's text.
bool choose(AssignDialogLogic& dialog, const std::string& value) {
  if (dialog.textBoxVisible()) {
    dialog.setText(value);
    return dialog.cmdUpdate_Click();
  }
  const auto& rows = dialog.rows();
  const auto column = static_cast<std::size_t>(dialog.valueColumn());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (column < rows[i].size() && rows[i][column] == value) {
      dialog.selectRow(static_cast<int>(i));
      return dialog.cmdUpdate_Click();
    }
  }
  return false;
}

}  // namespace

void answer_assign(App& app, const std::function<qb::ComponentSet&()>& components,
                   const std::vector<AssignRule>& rules, std::istream& in, std::ostream& err,
                   bool interactive) {
  app.sharedSlots[0] = "";
  AssignDialogLogic dialog(app, components);
  dialog.Form_Load();
  dialog.fill_me();
  err << "[" << dialog.title() << "] " << terminal_text(dialog.message()) << "\n";

  for (const AssignRule& rule : rules) {
    if (dialog.message().find(rule.code) == std::string::npos) continue;
    if (choose(dialog, rule.choice)) {
      err << "  -> " << rule.choice << " (--assign " << rule.code << "=" << rule.choice << ")\n";
      return;
    }
    err << "  -> \"" << rule.choice << "\" is not offered here (--assign " << rule.code << ")\n";
  }

  const auto column = static_cast<std::size_t>(dialog.valueColumn());
  if (!interactive) {
    err << "  -> cancelled (not interactive; give --assign CODE=NAME with one of:";
    for (const auto& row : dialog.rows())
      if (column < row.size()) err << " \"" << row[column] << "\"";
    err << ")\n";
    app.sharedSlots[0] = "";
    return;
  }
  if (dialog.textBoxVisible()) {
    err << "  QuickBooks name (empty cancels): " << std::flush;
  } else {
    int number = 0;
    for (const auto& row : dialog.rows())
      if (column < row.size()) err << "  " << ++number << ". " << row[column] << "\n";
    err << "  Number (empty cancels): " << std::flush;
  }
  std::string line;
  if (!std::getline(in, line) || line.empty()) {
    app.sharedSlots[0] = "";
    return;
  }
  if (dialog.textBoxVisible()) {
    choose(dialog, line);
    return;
  }
  const int picked = std::atoi(line.c_str());
  if (picked >= 1 && picked <= static_cast<int>(dialog.rows().size())) {
    dialog.selectRow(picked - 1);
    dialog.cmdUpdate_Click();
  }
}

}  // namespace vqb::cli
