#pragma once
// vqb-cli setup: the setup window's mappings for bulk work. `setup show [--json]` prints every
// grid and the settings; `setup export FILE.csv` writes one row per mapping; `setup import
// FILE.csv` checks every QuickBooks name of such a file against the loaded lists and only then
// saves everything in one batch, as the window's Save does; `setup import-tax-items`,
// `update-tax-rates`, `import-classes` and `export-groups` run the window's bulk tools.

#include <iosfwd>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace vqb {
struct App;
class SetupLogic;
}  // namespace vqb

namespace vqb::cli {

// The CSV columns: grid, Vantora code, label, QuickBooks value, extra column.
inline constexpr const char* kSetupCsvHeader = "grid,code,label,quickbooks,extra";

// One mapping per row, every grid in turn, under kSetupCsvHeader.
std::string setup_csv(const SetupLogic& setup);
// Applies a CSV made by setup_csv to the grids, checking each QuickBooks value first. Returns
// one line per bad row ("line N: ..."); when there is any, the grids are left as they were.
std::vector<std::string> apply_setup_csv(SetupLogic& setup, const std::string& csv);

class SetupCommand {
 public:
  SetupCommand() = default;
  SetupCommand(const SetupCommand&) = delete;
  SetupCommand& operator=(const SetupCommand&) = delete;

  void addTo(CLI::App& cli);
  bool chosen() const;
  // Whether the chosen subcommand changes the setup or Vantora (all but show and export).
  bool writes() const;
  // Connects and loads the lists first; returns the exit code (2 for a file with bad rows).
  int run(App& app, std::ostream& out, std::ostream& err) const;

 private:
  CLI::App* setup_{};
  CLI::App* show_{};
  CLI::App* export_{};
  CLI::App* import_{};
  CLI::App* importTaxItems_{};
  CLI::App* updateTaxRates_{};
  CLI::App* importClasses_{};
  CLI::App* exportGroups_{};
  std::string file_;
  bool json_{false};
};

}  // namespace vqb::cli
