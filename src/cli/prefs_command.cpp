#include "cli/prefs_command.h"

#include <CLI/CLI.hpp>
#include <ostream>
#include <vector>

#include "app/app.h"
#include "app/errors.h"
#include "app/setup_file.h"
#include "cli/output.h"
#include "dialogs/preferences.h"

namespace vqb::cli {

void PrefsCommand::addTo(CLI::App& cli) {
  prefs_ = cli.add_subcommand("prefs", "Read or change the settings of the preferences window");
  prefs_->require_subcommand(1);
  get_ = prefs_->add_subcommand("get", "Print the stored value of KEY");
  get_->add_option("KEY", key_, "Setting, e.g. chkdupinvoices (see prefs list)")->required();
  set_ = prefs_->add_subcommand(
      "set",
      "Store VALUE under KEY: \"1\"/\"0\" for a check box, \"True\"/\"False\" "
      "for an option (selecting one clears the others of its group), any text "
      "for a prefix or the AR account");
  set_->add_option("KEY", key_, "Setting, e.g. optmemo1 (see prefs list)")->required();
  set_->add_option("VALUE", value_, "The value to store")->required();
  list_ =
      prefs_->add_subcommand("list", "Print every setting with its tab, caption and stored value");
}

bool PrefsCommand::chosen() const {
  return prefs_ && prefs_->parsed();
}

bool PrefsCommand::writes() const {
  return set_ && set_->parsed();
}

int PrefsCommand::run(App& app, std::ostream& out, std::ostream& err) const {
  load_setup_document(app);

  if (list_->parsed()) {
    std::vector<std::vector<std::string>> rows = {{"Key", "Tab", "Caption", "Value"}};
    for (const auto& control : preference_controls()) {
      std::string caption(control.caption);
      if (caption.empty()) caption = "(" + std::string(control.hint) + ")";
      rows.push_back(
          {control.key(),
           std::string(kPreferencesTabNames.at(static_cast<std::size_t>(control.tab - 1))), caption,
           setup_value(app, control.key())});
    }
    out << text_table(rows);
    return 0;
  }

  const PreferenceControl* control = find_preference_control(key_);
  if (!control) {
    err << "Unknown setting \"" << key_ << "\"; vqb-cli prefs list shows them all.\n";
    return 2;
  }
  if (get_->parsed()) {
    out << setup_value(app, control->key()) << "\n";
    return 0;
  }
  if (std::string reason = check_preference_value(*control, value_); !reason.empty()) {
    err << control->key() << ": " << reason << ", not \"" << value_ << "\".\n";
    return 2;
  }
  try {
    set_preference(app, *control, value_);
  } catch (const VqbError& error) {
    err << "[Vantora] " << number_dash_description(error.number(), error.description()) << "\n";
    return 1;
  }
  return 0;
}

}  // namespace vqb::cli
