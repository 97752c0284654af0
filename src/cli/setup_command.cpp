#include "cli/setup_command.h"

#include <CLI/CLI.hpp>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <ostream>
#include <sstream>

#include "app/app.h"
#include "cli/output.h"
#include "main_window/main_window_logic.h"
#include "mapping/setup_window.h"

namespace vqb::cli {
namespace {

struct Mapping {
  std::string code, label, quickbooks, extra;
};

// The row's key: the sales group code for fgItems, the link for the others.
std::string code_of(const SetupGrid& grid, const std::vector<std::string>& row) {
  return grid.kind == SetupGridKind::Items ? row[0] : row.back();
}

Mapping mapping_of(const SetupGrid& grid, const std::vector<std::string>& row) {
  return {code_of(grid, row), row[0], row[1],
          grid.kind == SetupGridKind::Payments ? row[2] : std::string()};
}

std::string csv_field(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

struct CsvRecord {
  long line;  // the file line it starts on
  std::vector<std::string> fields;
};

// RFC 4180 records: quoted fields may hold commas, doubled quotes and line breaks.
std::vector<CsvRecord> parse_csv(const std::string& text) {
  std::vector<CsvRecord> records;
  CsvRecord record{1, {}};
  std::string field;
  bool quoted = false, any = false;
  long line = 1;
  auto endRecord = [&] {
    if (any || !field.empty() || !record.fields.empty()) {
      record.fields.push_back(field);
      records.push_back(record);
    }
    record = CsvRecord{line, {}};
    field.clear();
    any = false;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        if (c == '\n') ++line;
        field += c;
      }
    } else if (c == '"') {
      quoted = any = true;
    } else if (c == ',') {
      record.fields.push_back(field);
      field.clear();
      any = true;
    } else if (c == '\r') {
      continue;
    } else if (c == '\n') {
      ++line;
      endRecord();
    } else {
      field += c;
      any = true;
    }
  }
  endRecord();
  return records;
}

}  // namespace

std::string setup_csv(const SetupLogic& setup) {
  std::string csv = std::string(kSetupCsvHeader) + "\n";
  for (const SetupGrid& grid : setup.grids)
    for (const auto& row : grid.rows) {
      const Mapping m = mapping_of(grid, row);
      csv += csv_field(grid.name) + "," + csv_field(m.code) + "," + csv_field(m.label) + "," +
             csv_field(m.quickbooks) + "," + csv_field(m.extra) + "\n";
    }
  return csv;
}

std::vector<std::string> apply_setup_csv(SetupLogic& setup, const std::string& csv) {
  struct Change {
    SetupGridKind kind;
    std::size_t row;
    int column;
    std::string value;
  };
  std::vector<Change> changes;
  std::vector<std::string> problems;
  auto bad = [&](long line, const std::string& value, const std::string& what) {
    problems.push_back("line " + std::to_string(line) + ": \"" + value + "\": " + what);
  };
  for (const CsvRecord& record : parse_csv(csv)) {
    const auto& f = record.fields;
    if (record.line == 1 && !f.empty() && f[0] == "grid") continue;  // the header
    if (f.size() < 4 || f.size() > 5) {
      bad(record.line, f.empty() ? "" : f[0],
          "expected 4 or 5 columns (grid, code, label, quickbooks, extra), found " +
              std::to_string(f.size()));
      continue;
    }
    SetupGrid* grid = setup.findGrid(f[0]);
    if (!grid) {
      bad(record.line, f[0], "no such grid");
      continue;
    }
    std::size_t row = grid->rows.size();
    for (std::size_t i = 0; i < grid->rows.size(); ++i)
      if (code_of(*grid, grid->rows[i]) == f[1]) row = i;
    if (row == grid->rows.size()) {
      bad(record.line, f[1], "no row of " + grid->name + " has this code");
      continue;
    }
    if (std::string wrong = setup.checkValue(grid->kind, 1, f[3]); !wrong.empty())
      bad(record.line, f[3], wrong);
    else
      changes.push_back({grid->kind, row, 1, f[3]});
    const std::string extra = f.size() == 5 ? f[4] : "";
    if (grid->kind == SetupGridKind::Payments) {
      if (std::string wrong = setup.checkValue(grid->kind, 2, extra); !wrong.empty())
        bad(record.line, extra, wrong);
      else
        changes.push_back({grid->kind, row, 2, extra});
    } else if (!extra.empty()) {
      bad(record.line, extra, grid->name + " has no extra column");
    }
  }
  if (problems.empty())
    for (const Change& c : changes) setup.setCell(c.kind, c.row, c.column, c.value);
  return problems;
}

void SetupCommand::addTo(CLI::App& cli) {
  setup_ = cli.add_subcommand("setup", "The setup window's mappings and bulk tools");
  setup_->require_subcommand(1);
  show_ = setup_->add_subcommand("show", "Print every mapping grid and the settings");
  show_->add_flag("--json", json_, "Print JSON instead of tables");
  export_ = setup_->add_subcommand("export", "Write every mapping to a CSV file");
  export_->add_option("FILE", file_, "The CSV file to write")->required();
  import_ = setup_->add_subcommand(
      "import", "Check and save the mappings of a CSV file made by setup export (all or nothing)");
  import_->add_option("FILE", file_, "The CSV file to read")->required();
  importTaxItems_ = setup_->add_subcommand(
      "import-tax-items", "Import QuickBooks sales tax items and groups as Vantora tax types");
  updateTaxRates_ = setup_->add_subcommand(
      "update-tax-rates", "Set each mapped Vantora tax rate to its QuickBooks rate");
  importClasses_ =
      setup_->add_subcommand("import-classes", "Import QuickBooks classes Vantora does not have");
  exportGroups_ = setup_->add_subcommand(
      "export-groups", "Export the customer groups without a customer type to QuickBooks");
}

bool SetupCommand::chosen() const {
  return setup_ && setup_->parsed();
}

bool SetupCommand::writes() const {
  return chosen() && !show_->parsed() && !export_->parsed();
}

int SetupCommand::run(App& app, std::ostream& out, std::ostream& err) const {
  MainWindowLogic window(app);
  if (!window.loadLists()) return 1;
  SetupLogic setup(app, [&window]() -> qb::Session& { return window.session(); });
  setup.Form_Load();
  setup.pop_me();  // the switches as the integrator uses them (a missing key is on)

  if (show_->parsed()) {
    nlohmann::ordered_json settings;
    for (std::size_t i = 0; i < kSetupSwitches.size(); ++i)
      settings[kSetupSwitches[i].key()] = setup.switches[i] ? "1" : "0";
    settings["qbsetupcmbcountry"] = setup.country;
    settings["customdateformat"] = setup.dateFormat;
    settings["discount"] = setup.discount;
    if (json_) {
      nlohmann::ordered_json doc;
      doc["settings"] = settings;
      doc["grids"] = nlohmann::ordered_json::object();
      for (const SetupGrid& grid : setup.grids) {
        auto rows = nlohmann::ordered_json::array();
        for (const auto& row : grid.rows) {
          const Mapping m = mapping_of(grid, row);
          rows.push_back({{"code", m.code},
                          {"label", m.label},
                          {"quickbooks", m.quickbooks},
                          {"extra", m.extra}});
        }
        doc["grids"][grid.name] = rows;
      }
      out << json_text(doc);
      return 0;
    }
    std::vector<std::vector<std::string>> rows = {{"Setting", "Value"}};
    for (const auto& [key, value] : settings.items())
      rows.push_back({key, value.get<std::string>()});
    out << text_table(rows);
    for (const SetupGrid& grid : setup.grids) {
      out << "\n" << grid.name << " (" << grid.title << ")\n";
      std::vector<std::vector<std::string>> table;
      std::vector<std::string> headers = grid.headers;
      if (grid.hiddenColumn >= 0) headers.erase(headers.begin() + grid.hiddenColumn);
      table.push_back(headers);
      for (auto row : grid.rows) {
        if (grid.hiddenColumn >= 0) row.erase(row.begin() + grid.hiddenColumn);
        table.push_back(row);
      }
      out << text_table(table);
    }
    return 0;
  }
  if (export_->parsed()) {
    std::ofstream file(file_, std::ios::binary);
    file << setup_csv(setup);
    if (!file) {
      err << "Cannot write " << file_ << ".\n";
      return 1;
    }
    out << "Wrote the mappings to " << file_ << ".\n";
    return 0;
  }
  if (import_->parsed()) {
    std::ifstream file(file_, std::ios::binary);
    if (!file) {
      err << "Cannot read " << file_ << ".\n";
      return 1;
    }
    std::stringstream text;
    text << file.rdbuf();
    const std::vector<std::string> problems = apply_setup_csv(setup, text.str());
    if (!problems.empty()) {
      for (const auto& problem : problems) err << file_ << ": " << problem << "\n";
      err << "Nothing was saved.\n";
      return 2;
    }
    if (!setup.SaveMe()) return 1;
    out << "Setup saved from " << file_ << ".\n";
    return 0;
  }
  if (importTaxItems_->parsed()) setup.import_taxItems();
  if (updateTaxRates_->parsed()) setup.upd_taxpercentages();
  if (importClasses_->parsed()) setup.cmdImportClasses_Click();
  if (exportGroups_->parsed()) setup.exportUnassociatedGroups();
  return 0;
}

}  // namespace vqb::cli
