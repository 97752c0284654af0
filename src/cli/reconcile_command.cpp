#include "cli/reconcile_command.h"

#include <CLI/CLI.hpp>
#include <fstream>
#include <nlohmann/json.hpp>
#include <ostream>

#include "app/app.h"
#include "app/errors.h"
#include "app/setup_file.h"
#include "cli/output.h"
#include "main_window/main_window_logic.h"
#include "reconcile/reconcile.h"

namespace vqb::cli {
namespace {

// Text from Vantora or QuickBooks without what a terminal would act on.
std::string printable(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
  return out;
}

// One CSV field: quoted when it holds a comma, a quote or a line break.
std::string csv_field(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

bool write_csv(const std::string& path, const ReconcileResult& result) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) return false;
  file << "kind,key,party,problem,field,vantora,quickbooks,id\r\n";
  for (const Difference& d : result.differences) {
    std::string line;
    for (const std::string* cell :
         {&d.kind, &d.key, &d.party, &d.problem, &d.field, &d.vantora, &d.quickbooks, &d.id})
      line += (line.empty() ? "" : ",") + csv_field(*cell);
    file << line << "\r\n";
  }
  return static_cast<bool>(file.flush());
}

}  // namespace

void ReconcileCommand::addTo(CLI::App& cli) {
  command_ = cli.add_subcommand(
      "reconcile",
      "Compare what Vantora marks as sent with what QuickBooks holds, record by record");
  command_->add_option("KINDS", kinds_, "invoices, payments, pos, customers, suppliers or all")
      ->capture_default_str();
  command_->add_option("--from", from_, "First document date of the period (YYYY-MM-DD)");
  command_->add_option("--to", to_, "Last document date of the period (YYYY-MM-DD)");
  command_->add_flag("--json", json_, "Print one JSON object instead of a table");
  command_->add_option("--csv", csv_, "Also write the differences to this CSV file");
}

bool ReconcileCommand::chosen() const {
  return command_ && command_->parsed();
}

int ReconcileCommand::run(App& app, std::ostream& out, std::ostream& err) const {
  ReconcileOptions options;
  if (!choose_kinds(options, kinds_)) {
    err << "Unknown kind \"" << printable(kinds_)
        << "\"; one of: invoices, payments, pos, customers, suppliers, all\n";
    return 2;
  }
  for (const auto& [flag, text, into] :
       {std::tuple{"--from", &from_, &options.from}, std::tuple{"--to", &to_, &options.to}}) {
    if (text->empty()) continue;
    *into = reconcile_date(*text);
    if (!*into) {
      err << flag << " wants a date as YYYY-MM-DD, not \"" << printable(*text) << "\"\n";
      return 2;
    }
  }
  if (options.from && options.to && *options.from > *options.to) {
    err << "--from is after --to\n";
    return 2;
  }

  ReconcileResult result;
  try {
    // The reference numbers and applications a record would be sent with follow the setup.
    load_setup_document(app);
    MainWindowLogic logic(app);
    result = reconcile(app, logic.session(), options);
  } catch (const VqbError& error) {
    err << "Cannot reconcile: "
        << printable(number_dash_description(error.number(), error.description())) << "\n";
    return 1;
  }
  if (!csv_.empty() && !write_csv(csv_, result)) {
    err << "Cannot write " << printable(csv_) << "\n";
    return 1;
  }
  if (json_) {
    nlohmann::ordered_json differences = nlohmann::ordered_json::array();
    for (const Difference& d : result.differences)
      differences.push_back({{"kind", d.kind},
                             {"key", d.key},
                             {"party", d.party},
                             {"problem", d.problem},
                             {"field", d.field},
                             {"vantora", d.vantora},
                             {"quickbooks", d.quickbooks},
                             {"id", d.id}});
    out << json_text(
        {{"checked", result.checked}, {"agree", result.agree}, {"differences", differences}});
  } else {
    if (!result.differences.empty()) {
      std::vector<std::vector<std::string>> rows = {{"Kind", "Key", "Customer/Supplier", "Problem",
                                                     "Vantora", "QuickBooks", "QuickBooks ID"}};
      for (const Difference& d : result.differences)
        rows.push_back({d.kind, printable(d.key), printable(d.party), problem_text(d),
                        printable(d.vantora), printable(d.quickbooks), printable(d.id)});
      out << text_table(rows);
    }
    out << result.summary() << "\n";
  }
  return result.differences.empty() ? 0 : 1;
}

}  // namespace vqb::cli
