#include "cli/parse_address_command.h"

#include <CLI/CLI.hpp>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <ostream>
#include <utility>
#include <vector>

#include "app/app.h"
#include "cli/cli_ui.h"
#include "cli/output.h"
#include "export/parse_address.h"
#include "quickbooks/components.h"

namespace vqb::cli {
namespace {

// The cache as the list loader leaves it, read from the Vantora database's folder.
bool load_cache(App& app, std::ostream& err) {
  if (!app.parsedAddresses.GetTag().empty()) return true;
  const std::string path = app.globalfolder + kParsedAddressesFile;
  std::error_code ec;
  if (std::filesystem::exists(path, ec)) {
    if (app.parsedAddresses.LoadXmlFile(path)) return true;
    err << path << " cannot be read.\n";
    return false;
  }
  app.parsedAddresses.Clear();
  app.parsedAddresses.SetTag("parsedAddresses");
  return true;
}

}  // namespace

std::string address_argument_text(const std::string& argument) {
  std::string out;
  out.reserve(argument.size() + 8);
  for (std::size_t i = 0; i < argument.size(); ++i) {
    const char c = argument[i];
    if (c == '\\' && i + 1 < argument.size() && argument[i + 1] == 'n') {
      out += "\r\n";
      ++i;
    } else if (c == '\n' && (out.empty() || out.back() != '\r')) {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

void ParseAddressCommand::addTo(CLI::App& cli) {
  command_ = cli.add_subcommand("parse-address",
                                "Show how an address text is split into QuickBooks address fields");
  command_->add_option("TEXT", text_, "The address; lines separated by line breaks or \\n")
      ->required();
  command_->add_flag("--json", json_, "Print JSON instead of text");
}

bool ParseAddressCommand::chosen() const {
  return command_ && command_->parsed();
}

int ParseAddressCommand::run(App& app, std::ostream& out, std::ostream& err) const {
  if (!load_cache(app, err)) return 1;
  qb::Address address;
  ParseAddressOptions options;
  options.askUser = false;
  const AddressSplit split = split_address(app, address, address_argument_text(text_), options);
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"line1", address.addr1},
      {"line2", address.addr2},
      {"line3", address.addr3},
      {"line4", address.addr4},
      {"city", address.city},
      {"state", address.state},
      {"postalCode", address.postalCode},
      {"country", address.country},
      {"means", means_text(split.means)}};
  if (json_) {
    nlohmann::ordered_json split;
    for (const auto& [key, value] : rows) split[key] = value;
    out << json_text(split);
  } else {
    const char* labels[] = {"Line 1:", "Line 2:",      "Line 3:",  "Line 4:", "City:",
                            "State:",  "Postal code:", "Country:", "Means:"};
    std::vector<std::vector<std::string>> table;
    for (std::size_t i = 0; i < rows.size(); ++i)
      table.push_back({labels[i], terminal_text(rows[i].second)});
    out << text_table(table);
  }
  return split.means == AddressMeans::Failed ? 1 : 0;
}

}  // namespace vqb::cli
